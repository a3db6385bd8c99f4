// Faults on disk, each in a child process that ignores SIGXFSZ and dies by an alarm if
// Log ever blocks. Per fault: set up, inject, log, check that the records go where the
// logger's rules say, remove the fault; then a record is written as usual, by the same
// logger or by one created afterwards (a new process).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

struct Context {
  TempDir const& m_Dir;
  ProbeLogger& m_Logger;
  std::string m_strLog;
  std::string m_strRotated;  // when set: the next record rotates this into backup m_iInto
  int m_iInto = 2;

  void Log(std::string const& message) { m_Logger.Log(zbLogError, "f", 1, "%s", message.c_str()); }
  // Rotation failing: `dropped` records lost, and reported once (then forgotten).
  bool DroppedAndReported(uint64_t dropped) {
    const bool reported =
        m_Logger.GetRecordsDroppedOther() == dropped &&
        CapturedSyslog() ==
            "134 Records dropped, log rotation failing: " + m_strLog + " (1 record)\n";
    CapturedSyslog().clear();
    return reported;
  }
  // Logs until the log passes `limit` bytes, and returns its content: the next record rotates.
  std::string FillPast(size_t limit) {
    for (int i = 0; ReadFile(m_strLog).size() <= limit; ++i) Log("fill " + std::to_string(i));
    return ReadFile(m_strLog);
  }
};

// The log's whole directory removed while open. Records go on into
// the unlinked log until it passes the size limit; rotation then finds no log at its
// path and opens a new one there (once the directory is back), saying so to syslog.
int RemoveWhileOpen(Context& c) {
  c.Log("before");
  char const* path = c.m_Dir.Path().c_str();
  if (unlink(c.m_strLog.c_str()) != 0 || unlink(c.m_Dir.File("app.lock").c_str()) != 0 ||
      rmdir(path) != 0) {
    return 1;
  }
  const std::string unlinked = "/proc/self/fd/" + std::to_string(dup(c.m_Logger.m_iLogFd));
  while (ReadFile(unlinked).size() <= 600) c.Log("unlinked");
  if (mkdir(path, 0700) != 0) return 2;
  const std::string full = ReadFile(unlinked);
  c.Log("reopened");
  if (ReadFile(unlinked) != full || MessageOf(ReadFile(c.m_strLog)) != "reopened" ||
      Exists(c.m_Dir.Backup(1)) ||
      CapturedSyslog() !=
          "134 Log file moved or removed while open, reopened: " + c.m_strLog + "\n") {
    return 3;
  }
  CapturedSyslog().clear();
  return 0;
}

struct Fault {
  char const* m_szName;
  uint32_t m_uMaxSize;
  uint32_t m_uBackups;
  bool m_bNewLogger;            // logging goes on only in a logger created afterwards
  int (*m_fnInject)(Context&);  // 0, the step that failed, or kSkip
};

// The record that reaches the limit is cut back to the record before it; later ones
// fail. Both count as lost.
int DiskFull(Context& c) {
  const std::string filler(60, 'x');
  c.Log("opened");
  struct rlimit limit {
    ReadFile(c.m_strLog).size() + 150, RLIM_INFINITY
  };  // a record and a part
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 1;
  for (int i = 0; i < 4; ++i) c.Log(filler + " " + std::to_string(i));
  const std::vector<std::string> records = SplitRecords(ReadFile(c.m_strLog));
  if (records.size() != 2 || MessageOf(records.back()) != filler + " 0") return 2;
  if (c.m_Logger.GetRecordsWritten() != 2 || c.m_Logger.GetRecordsDroppedOther() != 3) return 3;
  limit.rlim_cur = RLIM_INFINITY;
  return setrlimit(RLIMIT_FSIZE, &limit) == 0 ? 0 : 4;
}

// A directory where the shift renames onto backup 1: every record is lost while the log
// is over the limit, reported to syslog once a minute; the log and backup 2 keep their
// content. Once it is gone, the log fills the gap at backup 1; backup 2 stays.
int BackupRenameFails(Context& c) {
  WriteFile(c.m_Dir.Backup(2), "second");
  if (mkdir(c.m_Dir.Backup(1).c_str(), 0700) != 0) return 1;
  c.m_strRotated = c.FillPast(300);
  c.m_iInto = 1;
  for (int i = 0; i < 3; ++i) c.Log("lost");
  if (ReadFile(c.m_strLog) != c.m_strRotated || ReadFile(c.m_Dir.Backup(2)) != "second" ||
      !c.DroppedAndReported(3)) {
    return 2;
  }
  return rmdir(c.m_Dir.Backup(1).c_str()) == 0 ? 0 : 3;
}

// A log that its writer may append to but not read at its path: nothing can be copied,
// so rotation fails (records dropped, reported once a minute) and the log is neither
// emptied nor reopened; once readable, it rotates as usual.
int LogUnreadable(Context& c) {
  if (const int failed = BecomeNobody(c.m_Dir.Path())) return failed;
  c.m_strRotated = c.FillPast(300);
  c.m_iInto = 1;
  if (chmod(c.m_strLog.c_str(), 0200) != 0) return 1;
  for (int i = 0; i < 2; ++i) c.Log("lost");
  const bool unchanged =
      chmod(c.m_strLog.c_str(), 0660) == 0 && ReadFile(c.m_strLog) == c.m_strRotated;
  return unchanged && c.DroppedAndReported(2) ? 0 : 2;
}

// The first Log fails to open the logger, which stays silent for good, also once the
// file is writable again, and no longer reads LogLevel; the failure goes to syslog.
// Run as a user for whom the permission bits count.
int LockFileNotWritable(Context& c) {
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
  ScopedLogLevel level("1");
  if (chmod(lock.c_str(), 0660) != 0) return 4;
  c.Log("still lost");
  const bool written = ReadFile(c.m_strLog).find("still lost") != std::string::npos;
  return c.m_Logger.m_LogSettings.m_iLogLevel == 255 && !written ? 0 : 5;
}

// As a user who cannot give the files group 0: each failure goes to syslog (the log's
// at every record) and the records are still written. Reports are sent verbatim.
int GroupNotSettable(Context& c) {
  if (const int failed = BecomeNobody(c.m_Dir.Path())) return failed;
  c.m_Logger.m_gidGroup = 0;
  for (int i = 0; i < 3; ++i) c.Log("record " + std::to_string(i));
  c.m_Logger.LogToSyslogFile(134, String("50%d done %s"));  // a '%' is no format
  c.m_Logger.LogToSyslogFile(134, String("first %n "), String("second%"));
  const std::string log = "134 Error setting gid on log file.\n";
  const std::string backup = "134 Error setting gid on log file: " + c.m_Dir.Backup(1) + "\n";
  if (CapturedSyslog() != "134 Error setting gid on lock file: app.lock\n" + log + backup + log +
                              backup + log + "134 50%d done %s\n134 first %n second%\n" ||
      MessageOf(ReadFile(c.m_strLog)) != "record 2") {
    return 2;
  }
  CapturedSyslog().clear();
  return 0;
}

TEST(UnixLoggerFault, LogNeitherFailsNorBlocksAndGoesOnOnceTheFaultIsGone) {
  const Fault faults[] = {{"DiskFull", 1000, 1, false, DiskFull},
                          {"LogDirectoryRemoved", 600, 1, true, RemoveWhileOpen},
                          {"BackupRenameFails", 300, 2, false, BackupRenameFails},
                          {"LogUnreadable", 300, 2, false, LogUnreadable},
                          {"LockFileNotWritable", 600, 1, true, LockFileNotWritable},
                          {"GroupNotSettable", 10, 1, true, GroupNotSettable}};
  for (Fault const& fault : faults) {
    TempDir dir;
    const int status = Reap(Spawn([&] {
      alarm(60);  // generous: valgrind runs these too
      signal(SIGXFSZ, SIG_IGN);
      CapturedSyslog().clear();
      ScopedLogLevel unset(nullptr);
      ProbeLogger logger(dir.Path(), "app.log", fault.m_uMaxSize, fault.m_uBackups);
      ProbeLogger next(dir.Path(), "app.log", fault.m_uMaxSize, fault.m_uBackups);
      Context c{dir, logger, dir.File("app.log"), ""};
      if (const int step = fault.m_fnInject(c)) return step;
      (fault.m_bNewLogger ? next : logger).Log(zbLogError, "f", 1, "after");
      const std::vector<std::string> records = SplitRecords(ReadFile(c.m_strLog));
      if (records.empty() || MessageOf(records.back()) != "after") return 10;
      if (!c.m_strRotated.empty() &&
          (records.size() != 1 || ReadFile(c.m_Dir.Backup(c.m_iInto)) != c.m_strRotated)) {
        return 11;
      }
      return CapturedSyslog().empty() ? 0 : 12;
    }));
    // The step that failed; kSkip where the fault cannot be made here.
    EXPECT_TRUE(status == 0 || status == kSkip) << fault.m_szName << " at step " << status;
  }
}

}  // namespace
}  // namespace logger_test
