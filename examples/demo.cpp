// Several processes share one log through zbUnixLogger: a small size limit makes it
// rotate into numbered backups while they write. Afterwards the demo counts, per
// process, the records that landed and those dropped because another process held
// the lock at that moment, lists the files and shows a few records.
//
// Usage: zbutil_demo [directory]   (default: a new directory under /tmp)
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <zbutil.h>

namespace {

constexpr int kWorkers = 4;
constexpr int kRecordsPerWorker = 400;
constexpr useconds_t kWorkMicroseconds = 200;
constexpr uint32_t kMaxLogSize = 32 * 1024;
// Enough backups that rotation discards nothing here, so every record is counted.
constexpr uint32_t kBackups = 6;
constexpr char kLogName[] = "demo.log";

// A logger configured in code, as programs do it: through the settings hook.
class DemoLogger : public zbUnixLogger {
 public:
  explicit DemoLogger(std::string directory)
      : zbUnixLogger(String(kLogName)), m_strDirectory(std::move(directory)) {}
  int LoadLogSettings(zbLogSettings& settings, String& /*baseDirectory*/) override {
    settings.m_strLogDirectory = m_strDirectory.c_str();
    settings.m_ulMaxLogFileSize = kMaxLogSize;
    settings.m_ulMaxBackupFiles = kBackups;
    settings.m_iLogLevel = 255;
    return 0;
  }

 private:
  std::string m_strDirectory;
};

void Work(std::string const& directory, int worker, int gate) {
  char go = 0;
  if (read(gate, &go, 1) != 0) _exit(1);  // all start together when the gate closes
  DemoLogger logger(directory);
  for (int i = 0; i < kRecordsPerWorker; ++i) {
    const zbLogLevel level = i % 50 == 0 ? zbLogWarning : zbLogInformation;
    logger.Log(level, "demo.cpp", __LINE__, "worker %d, record %d of %d", worker, i + 1,
               kRecordsPerWorker);
    usleep(kWorkMicroseconds);  // the program's own work between two records
  }
}

std::string ReadAll(std::string const& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> Records(std::string const& content) {
  std::vector<std::string> records;
  std::istringstream lines(content);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) records.push_back(line);
  }
  return records;
}

std::string BackupName(uint32_t n) {
  return std::string(kLogName) + "_" + std::to_string(n) + ".Bak";
}

std::string MakeDirectory(int argc, char** argv) {
  if (argc > 1) {
    if (mkdir(argv[1], 0775) != 0 && errno != EEXIST) {
      fprintf(stderr, "cannot create %s: %s\n", argv[1], strerror(errno));
      exit(1);
    }
    // Start from an empty log, so that the counts below are this run's.
    std::string directory = argv[1];
    for (uint32_t n = 0; n <= kBackups; ++n) {
      unlink((directory + "/" + (n == 0 ? std::string(kLogName) : BackupName(n))).c_str());
    }
    return directory;
  }
  char pattern[] = "/tmp/zbutil-demo-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    perror("mkdtemp");
    exit(1);
  }
  return pattern;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string directory = MakeDirectory(argc, argv);
  printf("%d processes log %d records each into %s/%s\n", kWorkers, kRecordsPerWorker,
         directory.c_str(), kLogName);
  printf(
      "(rotated past %u bytes into %u backups; a record is dropped, not waited for,\n"
      " when another process holds the lock)\n\n",
      kMaxLogSize, kBackups);

  int gate[2];
  if (pipe(gate) != 0) return 1;
  std::vector<pid_t> workers;
  for (int worker = 0; worker < kWorkers; ++worker) {
    const pid_t pid = fork();
    if (pid == 0) {
      close(gate[1]);
      Work(directory, worker, gate[0]);
      _exit(0);
    }
    workers.push_back(pid);
  }
  close(gate[0]);
  close(gate[1]);
  for (pid_t pid : workers) waitpid(pid, nullptr, 0);

  // Oldest first: backup 1 .. N, then the live log.
  std::vector<std::string> files;
  for (uint32_t n = 1; n <= kBackups; ++n) files.push_back(BackupName(n));
  files.push_back(kLogName);
  std::vector<std::string> all;
  printf("%-16s %10s %8s\n", "file", "bytes", "records");
  for (std::string const& name : files) {
    struct stat status {};
    if (stat((directory + "/" + name).c_str(), &status) != 0) continue;
    const std::vector<std::string> records = Records(ReadAll(directory + "/" + name));
    all.insert(all.end(), records.begin(), records.end());
    printf("%-16s %10lld %8zu\n", name.c_str(), static_cast<long long>(status.st_size),
           records.size());
  }

  printf("\n%-8s %8s %8s %8s\n", "worker", "pid", "written", "dropped");
  for (int worker = 0; worker < kWorkers; ++worker) {
    char pid[16];
    snprintf(pid, sizeof pid, "%8X|", static_cast<unsigned>(workers[worker]));
    int written = 0;
    for (std::string const& record : all) written += record.compare(0, 9, pid) == 0 ? 1 : 0;
    printf("%-8d %8d %8d %8d\n", worker, static_cast<int>(workers[worker]), written,
           kRecordsPerWorker - written);
  }

  printf("\nthe oldest records:\n");
  for (size_t i = 0; i < all.size() && i < 3; ++i) printf("  %s\n", all[i].c_str());
  printf("the newest records:\n");
  for (size_t i = all.size() > 3 ? all.size() - 3 : 0; i < all.size(); ++i) {
    printf("  %s\n", all[i].c_str());
  }
  return 0;
}
