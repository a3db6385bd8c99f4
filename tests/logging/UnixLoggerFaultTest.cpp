// Faults on disk and in other processes, each in a child process that ignores SIGXFSZ
// and dies by an alarm if Log ever blocks. Per fault: set up, inject, log, check that
// the records go where the logger's rules say, remove the fault; then a record is
// written as usual, by the same logger or by one created afterwards (a new process).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

struct Context {
  TempDir const& m_Dir;
  ProbeLogger& m_Logger;
  std::string m_strLog;
  std::string m_strRotated;  // when set: the next record rotates this into backup 1

  void Log(std::string const& message) { m_Logger.Log(zbLogError, "f", 1, "%s", message.c_str()); }
  std::string Backup(int n) const { return m_Dir.File("app.log_" + std::to_string(n) + ".Bak"); }
  // Logs until the log passes `limit` bytes, and returns its content: the next record rotates.
  std::string FillPast(off_t limit) {
    for (int i = 0; ReadFile(m_strLog).size() <= static_cast<size_t>(limit); ++i) {
      Log("fill " + std::to_string(i));
    }
    return ReadFile(m_strLog);
  }
};

bool Holds(std::string const& content, std::string const& message) {
  return content.find("|Error: - " + message) != std::string::npos;
}

bool SetFileSizeLimit(rlim_t bytes) {
  const struct rlimit limit { bytes, RLIM_INFINITY };
  return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

// The log file alone, or its whole directory, removed while open. Records go on into
// the unlinked log until it passes the size limit; rotation then finds no log at its
// path and opens a new one there (once the directory is back), saying so to syslog.
int RemoveWhileOpen(Context& c, bool directory) {
  c.Log("before");
  char const* path = c.m_Dir.Path().c_str();
  if (unlink(c.m_strLog.c_str()) != 0 ||
      (directory && (unlink(c.m_Dir.File("app.lock").c_str()) != 0 || rmdir(path) != 0))) {
    return 1;
  }
  const std::string unlinked = "/proc/self/fd/" + std::to_string(c.m_Logger.m_iLogFd);
  while (ReadFile(unlinked).size() <= 600) c.Log("unlinked");
  if (directory && mkdir(path, 0700) != 0) return 2;
  const std::string full = ReadFile(unlinked);
  const int unlinkedFd = dup(c.m_Logger.m_iLogFd);
  c.Log("reopened");
  const std::string reopened = "134 Log file moved or removed while open, reopened: " + c.m_strLog;
  const bool kept = ReadFile("/proc/self/fd/" + std::to_string(unlinkedFd)) == full;
  close(unlinkedFd);
  if (!kept || MessageOf(ReadFile(c.m_strLog)) != "reopened" || Exists(c.Backup(1)) ||
      CapturedSyslog() != reopened + "\n") {
    return 3;
  }
  CapturedSyslog().clear();
  return 0;
}

struct Fault {
  char const* m_szName;
  uint32_t m_uMaxSize;
  uint32_t m_uBackups;
  bool m_bNewLogger;                        // logging goes on only in a logger created afterwards
  std::function<int(Context&)> m_fnInject;  // 0, the step that failed, or kSkip
};

TEST(UnixLoggerFault, LogNeitherFailsNorBlocksAndGoesOnOnceTheFaultIsGone) {
  const std::string filler(60, 'x');
  const Fault faults[] = {
      // The record that reaches the limit is cut back to the record before it; later
      // ones fail. Both count as lost.
      {"disk full", 1000, 1, false,
       [&](Context& c) {
         c.Log("opened");
         const size_t full = ReadFile(c.m_strLog).size() + 150;  // one record and a part
         if (!SetFileSizeLimit(full)) return 1;
         for (int i = 0; i < 4; ++i) c.Log(filler + " " + std::to_string(i));
         const std::string content = ReadFile(c.m_strLog);
         const std::vector<std::string> records = SplitRecords(content);
         if (records.size() != 2 || MessageOf(records.back()) != filler + " 0") return 2;
         if (c.m_Logger.GetRecordsWritten() != 2 || c.m_Logger.GetRecordsDroppedOther() != 3) {
           return 3;
         }
         return SetFileSizeLimit(RLIM_INFINITY) ? 0 : 4;
       }},
      // A 64 KiB tmpfs in a private mount namespace. A rotation that finds no room for
      // the backup drops its record and leaves the log alone; a copy through a mapping
      // of a sparse backup would die of SIGBUS at the first page without a block.
      {"file system full during rotation", 40000, 1, false,
       [](Context& c) {
         char const* path = c.m_Dir.Path().c_str();
         if (unshare(CLONE_NEWNS) != 0 ||
             mount(nullptr, "/", "none", MS_REC | MS_PRIVATE, nullptr) != 0 ||
             mount("tmpfs", path, "tmpfs", 0, "size=64k") != 0) {
           return kSkip;
         }
         c.m_strRotated = c.FillPast(40000);
         c.Log("no room for the backup");
         if (ReadFile(c.m_strLog) != c.m_strRotated) return 1;
         return mount(nullptr, path, "none", MS_REMOUNT, "size=256k") == 0 ? 0 : 2;
       }},
      {"log file deleted", 600, 1, true, [](Context& c) { return RemoveWhileOpen(c, false); }},
      {"log directory removed", 600, 1, true, [](Context& c) { return RemoveWhileOpen(c, true); }},
      // A directory where the shift renames onto backup 1: every record is lost while
      // the log is over the limit; the log and backup 2 keep their content. Once it is
      // gone, backup 2 moves down to 1 and the log becomes backup 2.
      {"backup rename fails", 300, 2, false,
       [](Context& c) {
         WriteFile(c.Backup(2), "second");
         if (mkdir(c.Backup(1).c_str(), 0700) != 0) return 1;
         c.m_strRotated = c.FillPast(300);
         for (int i = 0; i < 3; ++i) c.Log("lost");
         if (ReadFile(c.m_strLog) != c.m_strRotated || ReadFile(c.Backup(2)) != "second" ||
             c.m_Logger.GetRecordsDroppedOther() != 3) {
           return 2;
         }
         return rmdir(c.Backup(1).c_str()) == 0 ? 0 : 3;
       }},
      // The first Log fails to open the logger, which stays silent for good, also once
      // the file is writable again; the failure goes to syslog. Run as a user for whom
      // the permission bits count.
      {"lock file not writable", 600, 1, true,
       [](Context& c) {
         if (const int failed = BecomeNobody(c.m_Dir.Path())) return failed;
         const std::string lock = c.m_Dir.File("app.lock");
         WriteFile(lock, "");
         if (chmod(lock.c_str(), 0444) != 0) return 2;
         c.Log("lost");
         if (c.m_Logger.m_bLogFileOpen ||
             CapturedSyslog() != "134 Error setting gid on lock file: app.lock\n") {
           return 3;
         }
         CapturedSyslog().clear();
         if (chmod(lock.c_str(), 0660) != 0) return 4;
         c.Log("still lost");
         return Holds(ReadFile(c.m_strLog), "still lost") ? 5 : 0;
       }},
      // Records are dropped at once while the holder lives; the kernel frees a record
      // lock with its process, so nothing stale is left to clean up.
      {"lock held by a process that dies", 600, 1, false,
       [](Context& c) {
         c.Log("first");
         LockHolder holder(c.m_Dir.File("app.lock"));
         c.Log("while held");
         if (kill(holder.Pid(), SIGKILL) != 0 || holder.Finish() != -1) return 1;
         return Holds(ReadFile(c.m_strLog), "while held") ? 2 : 0;
       }},
  };
  for (Fault const& fault : faults) {
    TempDir dir;
    const int status = Reap(Spawn([&] {
      alarm(60);  // generous: valgrind runs these too
      signal(SIGXFSZ, SIG_IGN);
      CapturedSyslog().clear();
      ProbeLogger logger(dir.Path(), "app.log", fault.m_uMaxSize, fault.m_uBackups);
      ProbeLogger next(dir.Path(), "app.log", fault.m_uMaxSize, fault.m_uBackups);
      Context c{dir, logger, dir.File("app.log"), ""};
      if (const int step = fault.m_fnInject(c)) return step;
      (fault.m_bNewLogger ? next : logger).Log(zbLogError, "f", 1, "after");
      const std::vector<std::string> records = SplitRecords(ReadFile(c.m_strLog));
      if (records.empty() || MessageOf(records.back()) != "after") return 10;
      if (!c.m_strRotated.empty() &&
          (records.size() != 1 ||
           ReadFile(c.Backup(Exists(c.Backup(2)) ? 2 : 1)) != c.m_strRotated)) {
        return 11;
      }
      return CapturedSyslog().empty() ? 0 : 12;
    }));
    if (status == kSkip) std::cout << "[ SKIPPED  ] " << fault.m_szName << ": not here\n";
    EXPECT_TRUE(status == 0 || status == kSkip) << fault.m_szName << ": step " << status;
  }
}

}  // namespace
}  // namespace logger_test
