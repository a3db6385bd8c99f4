// Writer processes killed at random, or killed or failed with ENOSPC at the k-th call of
// one libc function inside the library (FaultInterposer.c), on logs that are also moved
// away or deleted. (A short write on a full disk is UnixLoggerFault's.) Each writer appends to a
// status file (O_APPEND: it survives SIGKILL) the number of every record that Log() counted as
// written. Afterwards the backups, the log and the files moved away must hold each counted record
// exactly once, each writer's records in order, and no empty, NUL-filled or torn file; no writer
// may die of another signal. The one repetition allowed: a whole log copied again after its writer
// was killed between placing the backup and emptying the log. ZBUTIL_CRASH_SECONDS sets the time of
// each timed situation (default 2).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
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

enum class Disturb { kNone, kMove, kDelete, kSteps, kFailures };

struct Situation {
  char const* m_szName;
  char const* m_szLog;  // "trace.txt": the lock file is the log file
  int m_iProcesses;     // writer processes at a time, killed at random
  int m_iThreads;       // loggers per process, one thread each
  uint32_t m_uMaxSize;
  uint32_t m_uBackups;  // large: every generation stays to be counted
  Disturb m_Disturb;
};

char const* const kSteps[] = {"open",   "close",     "write", "ftruncate", "copy_file_range",
                              "pread",  "fdatasync", "fsync", "linkat",    "rename",
                              "unlink", "fchown",    "fstat", "access"};

std::string Message(int id, int n) {
  return "W" + std::to_string(id) + " #" + std::to_string(n) + std::string(n * 7 % 61, '.') + ".";
}

class CrashRun {
 public:
  explicit CrashRun(Situation const& s) : m_S(s) {}

  // A writer process: a logger per thread, `records` records each, every one counted
  // as written noted in the status file of its writer.
  pid_t Spawn(std::string const& fault, int records) {
    const int id = m_iNextId;
    m_iNextId += m_S.m_iThreads;
    for (int t = 0; t < m_S.m_iThreads; ++t) m_Faults[id + t] = fault;
    return logger_test::Spawn([&] {
      alarm(30);  // a hang dies of SIGALRM, which counts as a failure
      if (!fault.empty()) setenv("ZBUTIL_FAULT", fault.c_str(), 1);
      auto body = [&](int writer) {
        ProbeLogger logger(m_strDir, m_S.m_szLog, m_S.m_uMaxSize, m_S.m_uBackups);
        const int out = open(m_Status.File(std::to_string(writer)).c_str(),
                             O_WRONLY | O_CREAT | O_APPEND, 0600);
        for (int n = 0; n < records; ++n) {
          const unsigned long long before = logger.GetRecordsWritten();
          logger.Log(zbLogError, "crash.cc", writer, "%s", Message(writer, n).c_str());
          if (logger.GetRecordsWritten() != before && write(out, &n, sizeof n) != sizeof n)
            _exit(3);
        }
      };
      std::vector<std::thread> others;
      for (int t = 1; t < m_S.m_iThreads; ++t) others.emplace_back(body, id + t);
      body(id);
      for (std::thread& thread : others) thread.join();
      return 0;
    });
  }
  bool Tally(pid_t writer, int status) {  // whether the writer was killed by the test
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) return m_Killed.insert(writer).second;
    if (WIFSIGNALED(status)) Note(std::string("killed by ") + strsignal(WTERMSIG(status)), "");
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) Note("writer failed", "");
    return false;
  }
  bool Wait(pid_t writer) {
    int status = 0;
    return waitpid(writer, &status, 0) == writer && Tally(writer, status);
  }
  void Retire(bool remove) {  // moves the log away or deletes it, keeping its content
    const std::string log = m_strDir + "/" + m_S.m_szLog;
    const int fd = open(log.c_str(), O_RDONLY);
    if (fd >= 0) m_Retired.push_back(fd);
    if (fd >= 0 && (remove ? unlink(log.c_str()) : rename(log.c_str(), (log + ".old").c_str()))) {
      Note("log not moved", strerror(errno));
    }
  }
  void ScanBackups() {
    for (uint32_t n = 1; n <= std::min(m_S.m_uBackups, 9u); ++n) {
      const std::string backup = m_strDir + "/" + m_S.m_szLog + "_" + std::to_string(n) + ".Bak";
      if (Exists(backup) && ReadFile(backup).empty())
        Note("empty backup", "backup " + std::to_string(n));
    }
  }
  void ScanFiles();        // checks the files of m_strDir and those moved away
  std::string Problems();  // including counted records that were not found

  std::string m_strDir;  // where the writers log
  std::set<pid_t> m_Killed;
  int m_iBackups = 0;
  int m_iDuplicatedLogs = 0;  // repeated whole by a kill between placing and emptying

 private:
  enum Kind { kBackup, kLog, kMovedAway };
  void Note(std::string const& kind, std::string const& example) {
    if (m_Problems[kind].first++ == 0) m_Problems[kind].second = example;
  }
  std::string Fault(int id) { return m_Faults[id].empty() ? "" : ", killed at " + m_Faults[id]; }
  void Scan(std::string const& name, std::string const& content, Kind kind);

  Situation const& m_S;
  TempDir m_Status;
  int m_iNextId = 0;
  int m_iChain = 0;                     // files through which each writer's order holds
  std::map<int, std::string> m_Faults;  // per writer: the fault it was armed with
  std::vector<int> m_Retired;           // the logs moved away or deleted
  std::map<std::string, std::pair<int, std::string>> m_Problems;  // kind: count, example
  std::map<std::pair<int, int>, int> m_Seen;                      // (writer, record): times found
  std::map<std::pair<int, int>, int> m_Last;  // (chain, writer): last record found
  std::map<int, int> m_First;                 // writer: first record found
};

void CrashRun::Scan(std::string const& name, std::string const& content, Kind kind) {
  if (content.find('\0') != std::string::npos) Note("NUL-filled", name);
  if (kind == kBackup && content.empty()) Note("empty backup", name);
  if (!content.empty() && content[0] != '\n') Note("torn", "at the start of " + name);
  for (std::string const& record : SplitRecords(content)) {
    int id = -1;
    int n = -1;
    char tail[96];
    sscanf(MessageOf(record).c_str(), "W%d #%d", &id, &n);
    snprintf(tail, sizeof tail, "|%27.27s|%5d|Error: - ", "crash.cc", id);
    if (n < 0 || record.size() < 28 || record.substr(28) != tail + Message(id, n)) {
      // A write that spans two pages of the file may stop between them when a kill
      // comes: a torn record is tolerated when its writer was killed.
      const pid_t pid = static_cast<pid_t>(strtol(record.substr(0, 8).c_str(), nullptr, 16));
      if (!m_Killed.count(pid)) Note("torn", name + " [" + record + "]");
    } else if (m_Seen[{id, n}]++ > 0) {
      // A log moved away before the rotation that a kill left unfinished keeps that
      // content too.
      if (kind != kMovedAway) Note("duplicated", Message(id, n) + Fault(id));
    } else {
      m_First.emplace(id, n);
      int& last = m_Last.emplace(std::make_pair(m_iChain, id), -1).first->second;
      if (n < last) Note("out of order", name + ": " + Message(id, n) + Fault(id));
      last = n;
    }
  }
}

void CrashRun::ScanFiles() {
  const std::string log = m_strDir + "/" + m_S.m_szLog;
  auto backup = [&log](int n) { return log + "_" + std::to_string(n) + ".Bak"; };
  int highest = 0;
  for (int n = 1; n <= highest + 64; ++n) highest = Exists(backup(n)) ? n : highest;
  ++m_iChain;
  std::string previous;
  // A writer killed between placing a backup and emptying the log leaves that content
  // to the next rotation too: the next file then starts with all of it. Nothing else
  // may repeat a record.
  auto scan = [this, &previous](std::string const& name, std::string const& content, Kind kind) {
    const bool repeats = !m_Killed.empty() && !previous.empty() &&
                         content.compare(0, previous.size(), previous) == 0;
    const size_t skip = repeats ? previous.size() : 0;
    m_iDuplicatedLogs += repeats ? 1 : 0;
    previous = content;
    if (content.size() > skip || !repeats) Scan(name, content.substr(skip), kind);
  };
  for (int n = 1; n <= highest; ++n) {
    if (!Exists(backup(n))) Note("gap", backup(n));
    scan("backup " + std::to_string(n), ReadFile(backup(n)), kBackup);
  }
  m_iBackups += highest;
  scan("the log", ReadFile(log), kLog);
  for (int fd : m_Retired) {
    ++m_iChain;
    Scan("a log moved away", ReadFile("/proc/self/fd/" + std::to_string(fd)), kMovedAway);
    close(fd);
  }
  m_Retired.clear();
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

void PrintTo(Situation const& param, std::ostream* out) { *out << param.m_szName; }

class UnixLoggerCrash : public testing::TestWithParam<Situation> {};

TEST_P(UnixLoggerCrash, NoCountedRecordIsLostDuplicatedOrDisordered) {
  Situation const& s = GetParam();
  TempDir dir;
  CrashRun run(s);
  run.m_strDir = dir.Path();
  // Each kill (or failure with ENOSPC) at a step is followed by a writer that goes on,
  // until the function is no longer reached.
  const bool steps = s.m_Disturb == Disturb::kSteps || s.m_Disturb == Disturb::kFailures;
  for (size_t f = 0; steps && f < std::size(kSteps); ++f) {
    TempDir stepDir;  // a directory per function keeps the backups to probe few
    run.m_strDir = stepDir.Path();
    for (int k = 1; k <= 8; ++k) {
      const std::string fault = kSteps[f] + (":" + std::to_string(k));
      const bool killed =
          run.Wait(run.Spawn(fault + (s.m_Disturb == Disturb::kSteps ? "" : ":28"), 10));
      if (!killed && s.m_Disturb == Disturb::kSteps) break;
      run.ScanBackups();  // before the next rotation shifts an empty one away
      run.Wait(run.Spawn("", 10));
    }
    run.ScanFiles();
  }
  char const* seconds = getenv("ZBUTIL_CRASH_SECONDS");
  const auto end =
      std::chrono::steady_clock::now() +
      std::chrono::milliseconds(static_cast<int>(1000 * atof(seconds ? seconds : "2")));
  std::mt19937 random(1);
  std::set<pid_t> live;
  int status = 0;
  while (!steps && std::chrono::steady_clock::now() < end) {
    while (live.size() < static_cast<size_t>(s.m_iProcesses)) live.insert(run.Spawn("", 300));
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
    if (random() % 2 == 0)
      kill(*std::next(live.begin(), static_cast<long>(random() % static_cast<long>(live.size()))),
           SIGKILL);
    if (random() % 8 == 0 && (s.m_Disturb == Disturb::kMove || s.m_Disturb == Disturb::kDelete)) {
      run.Retire(s.m_Disturb == Disturb::kDelete);
    }
    for (pid_t done; (done = waitpid(-1, &status, WNOHANG)) > 0; live.erase(done))
      run.Tally(done, status);
  }
  for (pid_t writer : live) run.Wait(writer);
  if (!steps) run.ScanFiles();
  std::cout << "[          ] " << run.m_iBackups << " backups, " << run.m_Killed.size()
            << " kills, " << run.m_iDuplicatedLogs << " logs copied twice\n";
  EXPECT_EQ(run.Problems(), "");
}

// The new backup's bytes, then its name, reach the disk before the log is emptied: the
// order of the calls of one rotation, as the interposer sees them.
TEST(UnixLoggerDurability, BackupFlushedBeforeTheLogIsEmptied) {
  TempDir dir;
  const std::string trace = dir.File("trace");
  const int status = Reap(Spawn([&] {
    ProbeLogger logger(dir.Path(), "app.log", 300, 2);
    for (int n = 0; n < 4; ++n) logger.Log(zbLogError, "f", 1, "before %d", n);
    const int out = open(trace.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    setenv("ZBUTIL_TRACE", std::to_string(out).c_str(), 1);
    logger.Log(zbLogError, "f", 1, "rotates");
    unsetenv("ZBUTIL_TRACE");
    return logger.GetRecordsWritten() == 5 ? 0 : 1;
  }));
  ASSERT_EQ(status, 0);
  const std::string calls = ReadFile(trace);
  long previous = -1;  // where the call before was first made
  for (char const* call : {"copy_file_range", "fdatasync", "linkat", "fsync", "ftruncate"}) {
    const size_t at = calls.find(std::string(call) + "\n");
    EXPECT_TRUE(at != std::string::npos && static_cast<long>(at) > previous) << call << ":\n"
                                                                             << calls;
    previous = static_cast<long>(at);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Situations, UnixLoggerCrash,
    testing::Values(
        Situation{"RandomKills", "app.log", 6, 1, 8192, 100000, Disturb::kNone},
        Situation{"LockFileIsLogFile", "trace.txt", 6, 1, 8192, 100000, Disturb::kNone},
        Situation{"TwoLoggersInOneProcess", "app.log", 1, 2, 8192, 100000, Disturb::kNone},
        Situation{"LogMovedAway", "app.log", 3, 1, 8192, 100000, Disturb::kMove},
        Situation{"LogDeleted", "app.log", 3, 1, 8192, 100000, Disturb::kDelete},
        Situation{"KilledAtEachStep", "app.log", 1, 1, 300, 100000, Disturb::kSteps},
        Situation{"KilledAtEachStepLockIsLog", "trace.txt", 1, 1, 300, 100000, Disturb::kSteps},
        // Few backups: a failure at each step of rotations that shift them.
        Situation{"FailedAtEachStep", "app.log", 1, 1, 300, 2, Disturb::kFailures}),
    [](testing::TestParamInfo<Situation> const& info) { return info.param.m_szName; });

}  // namespace
}  // namespace logger_test
