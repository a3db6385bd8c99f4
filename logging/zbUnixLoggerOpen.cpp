// Opening: where the log lives, and the two descriptors kept for the logger's life.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include "logging/LoggerResources.h"
#include "logging/zbUnixLogger.h"

namespace {

constexpr char kLockGroupError[] = "Error setting gid on lock file: ";
constexpr int kOpenFlags = O_WRONLY | O_CREAT | O_APPEND;
constexpr mode_t kFileMode = 0660;

bool IsDirectory(String const& path) {
  DIR* directory = opendir(path.GetAnsiString().c_str());
  if (directory == nullptr) return false;
  closedir(directory);
  return true;
}

}  // namespace

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
  directory = zbutil_detail::kDefaultLogDirectory;
  return -1;
}

int zbUnixLogger::OpenLogFile() {
  GetLogFileDirectory(m_strLogFilePath);
  String lockFilePath(m_strLogFilePath);
  lockFilePath += '/';
  lockFilePath += m_strLockFileName;
  m_strLogFilePath += '/';
  m_strLogFilePath += m_strLogFileName;

  {
    // The file creation mask belongs to the process, so loggers opening their files
    // at once in several threads take turns: otherwise one could restore the 0 that
    // the other set, for good. The guard is re-created in a forked child, like the
    // logger's own mutex.
    static std::mutex sUmaskMutex;
    static std::atomic<pid_t> sUmaskOwner(0);
    zbutil_detail::ThreadLock umaskTurn(sUmaskMutex, sUmaskOwner, getpid());
    // Created files get exactly 0660 whatever the caller's mask.
    zbutil_detail::ScopedUmask noMask(0);
    m_iLockFd = open(lockFilePath.GetAnsiString().c_str(), kOpenFlags, kFileMode);
    // A lock file that did not open cannot take the group either: reported alike.
    if (m_iLockFd < 0 || fchown(m_iLockFd, static_cast<uid_t>(-1), m_gidGroupID) != 0) {
      LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, kLockGroupError, m_strLockFileName);
    }
    m_iLogFd = open(m_strLogFilePath.GetAnsiString().c_str(), kOpenFlags, kFileMode);
  }
  return (m_iLogFd < 0 || m_iLockFd < 0) ? -1 : 0;
}
