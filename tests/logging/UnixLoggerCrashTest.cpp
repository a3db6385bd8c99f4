// Writer processes killed at random or at the k-th call of one libc function inside the
// library (FaultInterposer.c), on logs that are also moved away, deleted or short of
// space. Each writer appends to a status file (O_APPEND: it survives SIGKILL) the number
// of every record that Log() counted as written. Afterwards the backups, the log and the
// files moved away must hold each counted record exactly once, each writer's records in
// order, and no empty, NUL-filled or torn file; no writer may die of another signal.
// ZBUTIL_CRASH_SECONDS sets the time of each timed situation (default 2).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

enum class Disturb { kNone, kMove, kDelete, kFill, kSteps };

struct Situation {
  char const* m_szName;
  char const* m_szLog;  // "trace.txt": the lock file is the log file
  int m_iProcesses;     // writer processes at a time, killed at random
  int m_iThreads;       // loggers per process, one thread each
  uint32_t m_uMaxSize;
  uint32_t m_uBackups;  // large: every generation stays to be counted
  Disturb m_Disturb;
};

char const* const kSteps[] = {
    "open",   "close",  "write",  "lseek",  "ftruncate", "posix_fallocate",
    "mmap",   "munmap", "memcpy", "rename", "link",      "unlink",
    "fchown", "chown",  "fstat",  "stat",   "access",    "fsync"};

std::string Message(int id, int n) {
  return "W" + std::to_string(id) + " #" + std::to_string(n) + std::string(n * 7 % 61, '.') +
         " end";
}

// A writer process: `threads` loggers from writer `id` on, `records` records each.
int Write(Situation const& s, std::string const& dir, std::string const& status, int id,
          int records) {
  alarm(30);  // a hang dies of SIGALRM, which the run counts as a failure
  auto body = [&](int writer) {
    ProbeLogger logger(dir, s.m_szLog, s.m_uMaxSize, s.m_uBackups);
    const int out =
        open((status + "/" + std::to_string(writer)).c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    for (int n = 0; n < records; ++n) {
      const unsigned long long before = logger.GetRecordsWritten();
      logger.Log(zbLogError, "crash.cc", writer, "%s", Message(writer, n).c_str());
      if (logger.GetRecordsWritten() != before && write(out, &n, sizeof n) != sizeof n) _exit(3);
    }
  };
  std::vector<std::thread> others;
  for (int t = 1; t < s.m_iThreads; ++t) others.emplace_back(body, id + t);
  body(id);
  for (std::thread& thread : others) thread.join();
  return 0;
}

class CrashRun {
 public:
  explicit CrashRun(Situation const& s) : m_S(s) {}

  pid_t Spawn(std::string const& fault, int records) {
    const int id = m_iNextId;
    m_iNextId += m_S.m_iThreads;
    for (int t = 0; t < m_S.m_iThreads; ++t) m_Faults[id + t] = fault;
    return logger_test::Spawn([&] {
      if (!fault.empty()) setenv("ZBUTIL_FAULT", fault.c_str(), 1);
      return Write(m_S, m_strDir, m_Status.Path(), id, records);
    });
  }
  bool Tally(int status) {  // whether the writer was killed
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) return ++m_iKilled;
    if (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL) {
      Note(std::string("killed by ") + strsignal(WTERMSIG(status)), "");
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) Note("writer failed", "");
    return false;
  }
  void Retire(bool remove) {  // moves the log away or deletes it, keeping its content
    const std::string log = m_strDir + "/" + m_S.m_szLog;
    const int fd = open(log.c_str(), O_RDONLY);
    if (fd < 0) return;
    m_RetiredFds.push_back(fd);
    if ((remove ? unlink(log.c_str()) : rename(log.c_str(), (log + ".moved").c_str())) != 0) {
      Note("log not moved", strerror(errno));
    }
  }
  // Checks the files of m_strDir that records went to, closing those moved away.
  void ScanFiles();
  // The problems found, counted records missing among them; "" when none.
  std::string Problems();

  std::string m_strDir;  // where the writers log
  int m_iKilled = 0;
  long m_lBackups = 0;

 private:
  // Counts a problem of a kind, keeping the first detail seen of each kind.
  void Note(std::string const& kind, std::string const& detail) {
    if (m_Problems[kind].first++ == 0) m_Problems[kind].second = detail;
  }
  std::string Fault(int id) { return m_Faults[id].empty() ? "" : ", killed at " + m_Faults[id]; }
  enum Kind { kBackup, kLog, kMovedAway };
  void Scan(std::string const& name, std::string const& content, int chain, Kind kind);

  Situation const& m_S;
  TempDir m_Status;
  int m_iNextId = 0;
  std::map<int, std::string> m_Faults;  // per writer: the fault it was armed with
  std::vector<int> m_RetiredFds;        // the logs moved away or deleted
  std::map<std::string, std::pair<int, std::string>> m_Problems;
  std::map<std::pair<int, int>, int> m_Seen;  // (writer, record): times found
  std::map<std::pair<int, int>, int> m_Last;  // (chain, writer): last record number
  std::map<int, int> m_First;                 // writer: first record found
  int m_iChain = 0;                           // files in which each writer's order holds
};

void CrashRun::Scan(std::string const& name, std::string const& content, int chain, Kind kind) {
  if (content.find('\0') != std::string::npos) Note("NUL-filled", name);
  if (kind == kBackup && content.empty()) Note("empty backup", name);
  if (!content.empty() && content[0] != '\n') Note("torn", "at the start of " + name);
  for (size_t at = 1, end = 0; at < content.size(); at = end + 1) {
    end = std::min(content.find('\n', at), content.size());
    const std::string record = content.substr(at, end - at);
    int id = -1;
    int n = -1;
    char tail[128];
    sscanf(MessageOf(record).c_str(), "W%d #%d", &id, &n);
    snprintf(tail, sizeof tail, "|%27.27s|%5d|Error: - ", "crash.cc", id);
    if (n < 0 || record.size() < 28 || record.substr(28) != tail + Message(id, n)) {
      Note("torn", name);
      continue;
    }
    // A writer killed between the new backup's rename and the truncation leaves the log
    // to the next rotation; when the log is moved first, that content stays in both.
    if (m_Seen[{id, n}]++ > 0) {
      if (kind != kMovedAway) Note("duplicated", Message(id, n) + Fault(id));
      continue;
    }
    if (!m_First.count(id)) m_First[id] = n;
    int& last = m_Last.emplace(std::make_pair(chain, id), -1).first->second;
    if (n < last) Note("out of order", name + ": " + Message(id, n) + Fault(id));
    last = n;
  }
}

void CrashRun::ScanFiles() {
  const std::string log = m_strDir + "/" + m_S.m_szLog;
  int highest = 0;
  for (int n = 1; n <= highest + 64; ++n) {
    if (Exists(log + "_" + std::to_string(n) + ".Bak")) highest = n;
  }
  const int chain = ++m_iChain;
  for (int n = 1; n <= highest; ++n) {
    const std::string backup = log + "_" + std::to_string(n) + ".Bak";
    if (!Exists(backup)) Note("gap", backup);
    Scan("backup " + std::to_string(n), ReadFile(backup), chain, kBackup);
  }
  m_lBackups += highest;
  Scan("the log", ReadFile(log), chain, kLog);
  for (size_t i = 0; i < m_RetiredFds.size(); ++i) {
    Scan("a log moved away", ReadFile("/proc/self/fd/" + std::to_string(m_RetiredFds[i])),
         ++m_iChain, kMovedAway);
    close(m_RetiredFds[i]);
  }
  m_RetiredFds.clear();
}

std::string CrashRun::Problems() {
  // Counted records must be there; with few backups, the oldest may be gone by design.
  for (int id = 0; id < m_iNextId; ++id) {
    const std::string counted = ReadFile(m_Status.File(std::to_string(id)));
    for (size_t at = 0; at + sizeof(int) <= counted.size(); at += sizeof(int)) {
      int n = 0;
      memcpy(&n, counted.data() + at, sizeof n);
      const bool mayBeGone = m_S.m_uBackups < 100 && (!m_First.count(id) || n < m_First[id]);
      if (m_Seen[{id, n}] == 0 && !mayBeGone) Note("lost", Message(id, n) + Fault(id));
    }
  }
  std::string problems;
  for (auto const& [kind, seen] : m_Problems) {
    problems += kind + ": " + std::to_string(seen.first) + " (" + seen.second + ")\n";
  }
  return problems;
}

class UnixLoggerCrash : public testing::TestWithParam<Situation> {};

TEST_P(UnixLoggerCrash, NoCountedRecordIsLostDuplicatedOrDisordered) {
  Situation const& s = GetParam();
  TempDir dir;
  CrashRun run(s);
  run.m_strDir = dir.Path();
  int status = 0;
  if (s.m_Disturb == Disturb::kSteps) {
    for (char const* function : kSteps) {
      TempDir steps;  // a directory per function keeps the backups to probe few
      run.m_strDir = steps.Path();
      // Each kill is followed by a writer that goes on, until the function is not reached.
      for (int k = 1; k <= 8; ++k) {
        waitpid(run.Spawn(std::string(function) + ":" + std::to_string(k), 10), &status, 0);
        if (!run.Tally(status)) break;
        waitpid(run.Spawn("", 10), &status, 0);
        run.Tally(status);
      }
      run.ScanFiles();
    }
  }
  if (s.m_Disturb == Disturb::kFill &&
      (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
       mount("tmpfs", dir.Path().c_str(), "tmpfs", 0, "size=256k") != 0)) {
    GTEST_SKIP() << "no tmpfs can be mounted here: " << strerror(errno);
  }
  char const* seconds = getenv("ZBUTIL_CRASH_SECONDS");
  const auto end =
      std::chrono::steady_clock::now() +
      std::chrono::milliseconds(static_cast<int>(1000 * atof(seconds ? seconds : "2")));
  std::mt19937 random(1);
  const int filler = s.m_Disturb == Disturb::kFill
                         ? open(dir.File("filler").c_str(), O_WRONLY | O_CREAT, 0600)
                         : -1;
  std::set<pid_t> live;
  while (s.m_Disturb != Disturb::kSteps && std::chrono::steady_clock::now() < end) {
    while (live.size() < static_cast<size_t>(s.m_iProcesses)) live.insert(run.Spawn("", 300));
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
    if (random() % 2 == 0) kill(*std::next(live.begin(), random() % live.size()), SIGKILL);
    if (random() % 8 == 0 && (s.m_Disturb == Disturb::kMove || s.m_Disturb == Disturb::kDelete)) {
      run.Retire(s.m_Disturb == Disturb::kDelete);
    }
    // Other files take all of the space at times, a random part of it at others.
    const std::string page(4096, 'f');
    for (size_t n = filler >= 0 && ftruncate(filler, 0) == 0 ? random() % 80 : 0; n > 0; --n) {
      if (write(filler, page.data(), page.size()) != static_cast<ssize_t>(page.size())) break;
    }
    for (pid_t done; (done = waitpid(-1, &status, WNOHANG)) > 0; live.erase(done))
      run.Tally(status);
  }
  for (pid_t writer : live) {
    waitpid(writer, &status, 0);
    run.Tally(status);
  }
  if (filler >= 0) close(filler);
  if (s.m_Disturb != Disturb::kSteps) run.ScanFiles();
  const std::string problems = run.Problems();
  std::cout << "[          ] " << s.m_szName << ": " << run.m_lBackups << " backups, "
            << run.m_iKilled << " writers killed\n";
  EXPECT_EQ(problems, "");
  if (s.m_Disturb == Disturb::kFill) umount2(dir.Path().c_str(), MNT_DETACH);
}

INSTANTIATE_TEST_SUITE_P(
    Situations, UnixLoggerCrash,
    testing::Values(
        Situation{"RandomKills", "app.log", 6, 1, 8192, 100000, Disturb::kNone},
        Situation{"LockFileIsLogFile", "trace.txt", 6, 1, 8192, 100000, Disturb::kNone},
        Situation{"TwoLoggersInOneProcess", "app.log", 1, 2, 8192, 100000, Disturb::kNone},
        Situation{"LogMovedAway", "app.log", 3, 1, 8192, 100000, Disturb::kMove},
        Situation{"LogDeleted", "app.log", 3, 1, 8192, 100000, Disturb::kDelete},
        Situation{"DiskFull", "app.log", 3, 1, 16384, 2, Disturb::kFill},
        Situation{"KilledAtEachStep", "app.log", 1, 1, 300, 100000, Disturb::kSteps},
        Situation{"KilledAtEachStepLockIsLog", "trace.txt", 1, 1, 300, 100000, Disturb::kSteps}),
    [](testing::TestParamInfo<Situation> const& info) { return info.param.m_szName; });

}  // namespace
}  // namespace logger_test
