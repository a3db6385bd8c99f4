// Several processes share one log through zbUnixLogger: a small size limit makes it
// rotate into numbered backups while they write. The demo runs twice: first with the
// default, which drops a record when another process holds the lock at that moment,
// then with a wait of a few milliseconds for the lock. Each round prints, per process,
// the logger's own counts of records written and dropped, and how many of its records
// the log holds. Afterwards it lists the files and shows a few records.
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
constexpr unsigned long kWaitRounds[] = {0, 5};  // milliseconds a record may wait

// A logger configured in code, as programs do it: through the settings hook, and a
// bounded lock wait for a program that would rather wait a little than lose records.
class DemoLogger : public zbUnixLogger {
 public:
  DemoLogger(std::string directory, unsigned long waitMilliseconds)
      : zbUnixLogger(String(kLogName)), m_strDirectory(std::move(directory)) {
    SetLockWaitMilliseconds(waitMilliseconds);
  }
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

// What a worker reports to the demo when it is done.
struct Tally {
  int m_iWorker;
  unsigned long long m_ullWritten;
  unsigned long long m_ullDroppedLocked;
  unsigned long long m_ullDroppedOther;
};

void Work(std::string const& directory, unsigned long wait, int worker, int gate, int report) {
  char go = 0;
  if (read(gate, &go, 1) != 0) _exit(1);  // all start together when the gate closes
  DemoLogger logger(directory, wait);
  for (int i = 0; i < kRecordsPerWorker; ++i) {
    const zbLogLevel level = i % 50 == 0 ? zbLogWarning : zbLogInformation;
    logger.Log(level, "demo.cpp", __LINE__, "worker %d, record %d of %d", worker, i + 1,
               kRecordsPerWorker);
    usleep(kWorkMicroseconds);  // the program's own work between two records
  }
  const Tally tally{worker, logger.GetRecordsWritten(), logger.GetRecordsDroppedLocked(),
                    logger.GetRecordsDroppedOther()};
  if (write(report, &tally, sizeof tally) != sizeof tally) _exit(2);
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

// Removes the log and its backups, so that the counts of a round are its own.
void RemoveLog(std::string const& directory) {
  for (uint32_t n = 0; n <= kBackups; ++n) {
    unlink((directory + "/" + (n == 0 ? std::string(kLogName) : BackupName(n))).c_str());
  }
}

std::string MakeDirectory(int argc, char** argv) {
  if (argc > 1) {
    if (mkdir(argv[1], 0775) != 0 && errno != EEXIST) {
      fprintf(stderr, "cannot create %s: %s\n", argv[1], strerror(errno));
      exit(1);
    }
    return argv[1];
  }
  char pattern[] = "/tmp/zbutil-demo-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    perror("mkdtemp");
    exit(1);
  }
  return pattern;
}

// Every record of the log and its backups, oldest first; prints the files if asked.
std::vector<std::string> ReadLog(std::string const& directory, bool list) {
  std::vector<std::string> files;
  for (uint32_t n = 1; n <= kBackups; ++n) files.push_back(BackupName(n));
  files.push_back(kLogName);
  std::vector<std::string> all;
  if (list) printf("%-16s %10s %8s\n", "file", "bytes", "records");
  for (std::string const& name : files) {
    std::string path = directory;
    path.append("/").append(name);
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) continue;
    const std::vector<std::string> records = Records(ReadAll(path));
    all.insert(all.end(), records.begin(), records.end());
    if (list) {
      printf("%-16s %10lld %8zu\n", name.c_str(), static_cast<long long>(status.st_size),
             records.size());
    }
  }
  return all;
}

// One round: the workers log with the given wait, then report their counts. Returns
// the records of the log, or an empty list when a worker failed.
std::vector<std::string> Round(std::string const& directory, unsigned long wait) {
  RemoveLog(directory);
  int gate[2];
  int report[2];
  if (pipe(gate) != 0 || pipe(report) != 0) {
    perror("pipe");
    exit(1);
  }
  std::vector<pid_t> workers;
  for (int worker = 0; worker < kWorkers; ++worker) {
    const pid_t pid = fork();
    if (pid == 0) {
      close(gate[1]);
      close(report[0]);
      Work(directory, wait, worker, gate[0], report[1]);
      _exit(0);
    }
    workers.push_back(pid);
  }
  close(gate[0]);
  close(report[1]);
  close(gate[1]);
  std::vector<Tally> tallies(kWorkers);
  bool complete = true;
  for (int i = 0; i < kWorkers; ++i) {
    Tally tally{};
    complete = read(report[0], &tally, sizeof tally) == sizeof tally && complete;
    if (complete) tallies[static_cast<size_t>(tally.m_iWorker)] = tally;
  }
  close(report[0]);
  for (pid_t pid : workers) waitpid(pid, nullptr, 0);
  if (!complete) {
    fprintf(stderr, "a worker failed\n");
    return {};
  }

  std::vector<std::string> all = ReadLog(directory, false);
  printf("wait for the lock: %lu ms\n", wait);
  printf("%-8s %8s %8s %8s %8s %8s\n", "worker", "pid", "written", "dropped", "(other)", "in log");
  for (int worker = 0; worker < kWorkers; ++worker) {
    char pid[16];
    snprintf(pid, sizeof pid, "%8X|", static_cast<unsigned>(workers[worker]));
    int inLog = 0;
    for (std::string const& record : all) inLog += record.compare(0, 9, pid) == 0 ? 1 : 0;
    Tally const& tally = tallies[static_cast<size_t>(worker)];
    printf("%-8d %8d %8llu %8llu %8llu %8d\n", worker, static_cast<int>(workers[worker]),
           tally.m_ullWritten, tally.m_ullDroppedLocked, tally.m_ullDroppedOther, inLog);
  }
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string directory = MakeDirectory(argc, argv);
  printf("%d processes log %d records each into %s/%s, twice\n", kWorkers, kRecordsPerWorker,
         directory.c_str(), kLogName);
  printf(
      "(rotated past %u bytes into %u backups; \"dropped\": another process held the\n"
      " lock, also after the wait; \"(other)\": any other loss; \"in log\": the records\n"
      " of that process that the log and its backups hold)\n\n",
      kMaxLogSize, kBackups);

  std::vector<std::string> all;
  for (unsigned long wait : kWaitRounds) {
    all = Round(directory, wait);
    if (all.empty()) return 1;
    printf("\n");
  }
  ReadLog(directory, true);  // the files of the last round

  printf("\nthe oldest records:\n");
  for (size_t i = 0; i < all.size() && i < 3; ++i) printf("  %s\n", all[i].c_str());
  printf("the newest records:\n");
  for (size_t i = all.size() > 3 ? all.size() - 3 : 0; i < all.size(); ++i) {
    printf("  %s\n", all[i].c_str());
  }
  return 0;
}
