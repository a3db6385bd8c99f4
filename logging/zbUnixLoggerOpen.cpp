// Opening: where the log lives, and the two descriptors kept for the logger's life.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "LogFileDefaults.h"
#include "ScopedOwners.h"
#include "logging/LockFileTable.h"
#include "logging/LoggerFiles.h"
#include "logging/ThreadLock.h"
#include "logging/zbUnixLogger.h"

namespace {

constexpr char kLockGroupError[] = "Error setting gid on lock file: ";
constexpr int kOpenFlags = O_WRONLY | O_CREAT | O_APPEND;
// Added to every open of a name in the log directory: no final link, no wait on a
// FIFO, not inherited across exec (set right after the open for the log and lock
// files, whose flags stay those of every version).
constexpr int kGuardFlags = O_NOFOLLOW | O_NONBLOCK;

bool IsDirectory(String const& path) {
  DIR* directory = opendir(path.GetAnsiString().c_str());
  if (directory == nullptr) return false;
  closedir(directory);
  return true;
}

// Keeps `fd` only when it is a regular file: closes anything else (ENXIO).
int RegularOnly(int fd) {
  struct stat status {};
  if (fd < 0 || (fstat(fd, &status) == 0 && S_ISREG(status.st_mode))) return fd;
  close(fd);
  errno = ENXIO;
  return -1;
}

}  // namespace

int zbutil_detail::OpenForAppend(std::string const& path) {
  // The file creation mask belongs to the process, so loggers opening their files at
  // once in several threads take turns: otherwise one could restore the 0 that the
  // other set, for good. The guard is re-created in a forked child.
  static std::mutex sUmaskMutex;
  static std::atomic<pid_t> sUmaskOwner(0);
  int fd = -1;
  {
    ThreadLock umaskTurn(sUmaskMutex, sUmaskOwner, getpid());
    // Created files get exactly their mode whatever the caller's mask.
    ScopedUmask noMask(0);
    fd = open(path.c_str(), kOpenFlags | kGuardFlags, zbutil_logfile::kLogFileMode);
  }
  if (fd >= 0) {
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(fd, F_SETFL, O_APPEND);  // O_NONBLOCK was for the open only
  }
  return RegularOnly(fd);
}

int zbutil_detail::OpenForReading(std::string const& path) {
  return RegularOnly(open(path.c_str(), O_RDONLY | O_CLOEXEC | kGuardFlags));
}

char const* zbutil_detail::RefusalOf(std::string const& path, int error) {
  struct stat status {};
  if (error == ELOOP && lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
    return kLinkRefused;
  }
  return error == ENXIO || error == EISDIR ? kNotRegularRefused : nullptr;
}

bool zbutil_detail::ReportRefusal(zbUnixLogger& logger, LoggerState* state, std::string const& path,
                                  int error) {
  char const* refusal = RefusalOf(path, error);
  if (refusal == nullptr) return false;
  if (state != nullptr) {
    std::vector<std::string>& reported = state->m_vReportedPaths;
    if (std::find(reported.begin(), reported.end(), path) != reported.end()) return true;
    reported.push_back(path);
  }
  logger.LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, refusal, String(path));
  return true;
}

int zbUnixLogger::GetLogFileDirectory(String& directory) {
  String const& configured = m_LogSettings.m_strLogDirectory;
  directory = configured;
  const bool absolute = !configured.empty() && configured[0] == '/';
  if (IsDirectory(directory)) return 0;
  if (!absolute) {
    String candidate(m_strBaseDirectory);
    candidate += '/';
    candidate += configured;
    if (IsDirectory(candidate)) {
      directory = candidate;
      return 0;
    }
  }
  directory = zbutil_logfile::kDefaultLogDirectory;
  return -1;
}

// Departures from the plain open flags, all to protect the caller's system: O_NOFOLLOW
// and O_NONBLOCK, then a check that a regular file was opened, because whoever can
// write the log directory could otherwise plant a symbolic link there and have a
// privileged writer append to (and rotation empty) any file, or a FIFO that blocks it
// or receives its records (refused: the logger stays closed and says so to syslog,
// naming the path); and close-on-exec, set right after each open, so that programs the
// caller runs do not inherit the log and lock files. The lock file is then entered in
// the process's table of lock files, which keeps the loggers of one process on the same
// files apart.
int zbUnixLogger::OpenLogFile() {
  GetLogFileDirectory(m_strLogFilePath);
  String lockFilePath(m_strLogFilePath);
  lockFilePath += '/';
  lockFilePath += m_strLockFileName;
  m_strLogFilePath += '/';
  m_strLogFilePath += m_strLogFileName;

  zbutil_detail::LoggerState* state = zbutil_detail::StateOf(this);
  const std::string lockPath = lockFilePath.GetAnsiString();
  const std::string logPath = m_strLogFilePath.GetAnsiString();
  m_iLockFd = zbutil_detail::OpenForAppend(lockPath);
  const int lockError = errno;
  // A lock file that did not open cannot take the group either: reported alike.
  if (m_iLockFd < 0 || fchown(m_iLockFd, static_cast<uid_t>(-1), m_gidGroupID) != 0) {
    LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, kLockGroupError, m_strLockFileName);
  }
  if (m_iLockFd < 0) zbutil_detail::ReportRefusal(*this, state, lockPath, lockError);
  m_iLogFd = zbutil_detail::OpenForAppend(logPath);
  if (m_iLogFd < 0) zbutil_detail::ReportRefusal(*this, state, logPath, errno);
  if (m_iLogFd < 0 || m_iLockFd < 0) return -1;
  return zbutil_detail::RegisterLockFile(state, m_iLockFd) ? 0 : -1;
}
