// Opening: where the log lives, and the two descriptors kept for the logger's life.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include "LogFileDefaults.h"
#include "ScopedOwners.h"
#include "logging/LockFileTable.h"
#include "logging/LoggerFiles.h"
#include "logging/ThreadLock.h"
#include "logging/zbUnixLogger.h"

namespace {

constexpr char kLockGroupError[] = "Error setting gid on lock file: ";
constexpr char kLinkRefused[] = "Refusing to open a symbolic link: ";
constexpr int kOpenFlags = O_WRONLY | O_CREAT | O_APPEND;

bool IsDirectory(String const& path) {
  DIR* directory = opendir(path.GetAnsiString().c_str());
  if (directory == nullptr) return false;
  closedir(directory);
  return true;
}

}  // namespace

int zbutil_detail::OpenForAppend(std::string const& path) {
  // The file creation mask belongs to the process, so loggers opening their files at
  // once in several threads take turns: otherwise one could restore the 0 that the
  // other set, for good. The guard is re-created in a forked child.
  static std::mutex sUmaskMutex;
  static std::atomic<pid_t> sUmaskOwner(0);
  ThreadLock umaskTurn(sUmaskMutex, sUmaskOwner, getpid());
  // Created files get exactly their mode whatever the caller's mask.
  ScopedUmask noMask(0);
  const int fd = open(path.c_str(), kOpenFlags | O_NOFOLLOW, zbutil_logfile::kLogFileMode);
  // Set at once, not through the open flags, which stay those of every version.
  if (fd >= 0) fcntl(fd, F_SETFD, FD_CLOEXEC);
  return fd;
}

bool zbutil_detail::IsSymbolicLink(std::string const& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
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

// Departures from the plain open flags, both to protect the caller's system:
// O_NOFOLLOW, because whoever can write the log directory could otherwise plant a
// symbolic link there and have a privileged writer append to (and rotation empty) any
// file (refused: the logger stays closed and says so to syslog, naming the path); and
// close-on-exec, set right after each open, so that programs the caller runs do not
// inherit the log and lock files. The lock file is then entered in the process's table
// of lock files, which keeps the loggers of one process on the same files apart.
int zbUnixLogger::OpenLogFile() {
  GetLogFileDirectory(m_strLogFilePath);
  String lockFilePath(m_strLogFilePath);
  lockFilePath += '/';
  lockFilePath += m_strLockFileName;
  m_strLogFilePath += '/';
  m_strLogFilePath += m_strLogFileName;

  const std::string lockPath = lockFilePath.GetAnsiString();
  const std::string logPath = m_strLogFilePath.GetAnsiString();
  m_iLockFd = zbutil_detail::OpenForAppend(lockPath);
  const bool lockIsLink =
      m_iLockFd < 0 && errno == ELOOP && zbutil_detail::IsSymbolicLink(lockPath);
  // A lock file that did not open cannot take the group either: reported alike.
  if (m_iLockFd < 0 || fchown(m_iLockFd, static_cast<uid_t>(-1), m_gidGroupID) != 0) {
    LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, kLockGroupError, m_strLockFileName);
  }
  if (lockIsLink) LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, kLinkRefused, lockFilePath);
  m_iLogFd = zbutil_detail::OpenForAppend(logPath);
  if (m_iLogFd < 0 && errno == ELOOP && zbutil_detail::IsSymbolicLink(logPath)) {
    LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, kLinkRefused, m_strLogFilePath);
  }
  if (m_iLogFd < 0 || m_iLockFd < 0) return -1;
  return zbutil_detail::RegisterLockFile(zbutil_detail::StateOf(this), m_iLockFd) ? 0 : -1;
}
