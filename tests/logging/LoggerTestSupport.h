#ifndef ZBUTIL_TESTS_LOGGING_LOGGERTESTSUPPORT_H_
#define ZBUTIL_TESTS_LOGGING_LOGGERTESTSUPPORT_H_

// Shared by the logger's and the tools' tests (a static library, built once): a scratch
// directory, a probe logger that points at it and opens up the protected state, file
// helpers, child processes, a lock holder and captured syslog.

#include <stdint.h>
#include <stdlib.h>
#include <sys/types.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "logging/zbUnixLogger.h"

namespace logger_test {

constexpr int kSkip = 77;  // a child's exit status: the test cannot run here

// A fresh directory under the system's temporary directory, removed with its content.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(TempDir const&) = delete;
  TempDir& operator=(TempDir const&) = delete;
  std::string const& Path() const { return m_strPath; }
  std::string File(std::string const& name) const { return m_strPath + "/" + name; }
  // Backup n of the log `name`, as rotation names it.
  std::string Backup(int n, std::string const& name = "app.log") const {
    return File(name + "_" + std::to_string(n) + ".Bak");
  }

 private:
  std::string m_strPath;
};

// A logger whose settings hook points it at a directory with the given limits and a
// base directory, and whose group hook answers what the test says.
class ProbeLogger : public zbUnixLogger {
 public:
  explicit ProbeLogger(std::string directory, std::string const& name = "app.log",
                       uint32_t maxSize = 268435456, uint32_t backups = 2)
      : zbUnixLogger(String(name.c_str())),
        m_strDirectory(std::move(directory)),
        m_uMaxSize(maxSize),
        m_uBackups(backups) {}
  int LoadLogSettings(zbLogSettings& settings, String& baseDirectory) override {
    settings.m_strLogDirectory = m_strDirectory.c_str();
    settings.m_ulMaxLogFileSize = m_uMaxSize;
    settings.m_ulMaxBackupFiles = m_uBackups;
    baseDirectory.clear();
    return -7;  // ignored by the logger
  }
  gid_t GetGroupID() override { return m_gidGroup ? *m_gidGroup : zbUnixLogger::GetGroupID(); }

  std::string m_strDirectory;
  uint32_t m_uMaxSize, m_uBackups;
  std::optional<gid_t> m_gidGroup;

  using zbUnixLogger::m_bLogFileOpen;
  using zbUnixLogger::m_iLockFd;
  using zbUnixLogger::m_iLogFd;
  using zbUnixLogger::m_LogSettings;
  using zbUnixLogger::m_strBaseDirectory;
};

// Sets LogLevel (unsets it for a null value) and unsets it at the end of the scope.
struct ScopedLogLevel {
  explicit ScopedLogLevel(char const* value) { Set(value); }
  ~ScopedLogLevel() { Set(nullptr); }
  static void Set(char const* value) {
    value == nullptr ? unsetenv("LogLevel") : setenv("LogLevel", value, 1);
  }
};

std::string ReadFile(std::string const& path);
void WriteFile(std::string const& path, std::string const& content);
inline bool Exists(std::string const& path) { return access(path.c_str(), F_OK) == 0; }
// The text after each line feed of a log (which starts with one); messages hold none.
std::vector<std::string> SplitRecords(std::string const& content);
// A record's message: the text after the level name's " - ".
std::string MessageOf(std::string const& record);

// Makes the process (if root) user and group nobody, for whom permission bits count, and
// opens `directory` to everyone: 0, or kSkip when nobody still cannot write there.
int BecomeNobody(std::string const& directory);
// Runs `body` in a forked child, which exits with its result; returns the child's id.
pid_t Spawn(std::function<int()> const& body);
// Runs `body` on a new thread and returns it (for the caller to join) once that thread
// sleeps (as Log() does while it waits for the lock, or for a mutex), has ended, or
// after 10 s.
std::thread StartAndWaitUntilSleeping(std::function<void()> body);
// Waits for the child: its exit status, or -1 when it did not exit.
int Reap(pid_t child);

// Another process holding the write lock on a lock file, from construction until
// Finish (0 when it held the lock until then), its death, or 10 s.
class LockHolder {
 public:
  explicit LockHolder(std::string const& lockPath);
  ~LockHolder() { Finish(); }
  LockHolder(LockHolder const&) = delete;
  LockHolder& operator=(LockHolder const&) = delete;
  int Finish();

 private:
  pid_t m_pidHolder = -1;
};

// Syslog messages sent in this process, one "<priority> <text>" line each.
inline std::string& CapturedSyslog() {
  static std::string messages;
  return messages;
}
// When set, runs once, on the thread that sends the next syslog message, after it.
inline std::function<void()>& SyslogHook() {
  static std::function<void()> hook;
  return hook;
}

}  // namespace logger_test

#endif  // ZBUTIL_TESTS_LOGGING_LOGGERTESTSUPPORT_H_
