// Rotation: the numbered backups "<log path>_<n>.Bak", probed by name each time, and
// the steps that keep records whole when a rotation fails, is killed or meets files
// that others have planted, moved or emptied.
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <string>

#include "BackupNames.h"
#include "LogFileDefaults.h"
#include "LogPaths.h"
#include "ScopedOwners.h"
#include "logging/LockFileTable.h"
#include "logging/LoggerFiles.h"
#include "logging/zbUnixLogger.h"

using zbutil_detail::LoggerState;
using zbutil_detail::ScopedFd;

namespace {

constexpr char kBackupGroupError[] = "Error setting gid on log file: ";
constexpr char kReopened[] = "Log file moved or removed while open, reopened: ";
constexpr char kProcessDescriptors[] = "/proc/self/fd/";

// A descriptor that may be of a locked file: closed only once no lock can be lost by it.
class KeptLockFd {
 public:
  KeptLockFd(LoggerState* state, int fd) : m_pState(state), m_iFd(fd) {}
  ~KeptLockFd() { zbutil_detail::CloseKeepingLocks(m_pState, m_iFd); }
  KeptLockFd(KeptLockFd const&) = delete;
  KeptLockFd& operator=(KeptLockFd const&) = delete;
  int Get() const { return m_iFd; }

 private:
  LoggerState* m_pState;
  int m_iFd;
};

// The new backup while it is written. Unnamed (O_TMPFILE) where the file system allows:
// no one can open, shorten or redirect it, and a kill leaves nothing behind. Elsewhere
// it is created exclusively, without following links, under its pending name
// "<log path>_<n>.Tmp", which is removed again unless the backup was placed.
class NewBackup {
 public:
  NewBackup(std::string const& directory, std::string backup)
      : m_strBackup(std::move(backup)), m_strPending(PendingName(m_strBackup)), m_Fd(-1) {
    if (access(kProcessDescriptors, X_OK) == 0) {
      m_Fd.Reset(
          open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, zbutil_logfile::kLogFileMode));
    }
    if (!m_Fd.IsOpen()) CreatePending();
  }
  ~NewBackup() {
    if (m_bPendingIsOurs) unlink(m_strPending.c_str());
  }
  NewBackup(NewBackup const&) = delete;
  NewBackup& operator=(NewBackup const&) = delete;

  int Fd() const { return m_Fd.Get(); }

  // Gives the written backup its name, replacing a file there (not what a link there
  // points to). Returns 0, or -1.
  int Place() {
    if (!m_bPendingIsOurs) {
      const std::string self = kProcessDescriptors + std::to_string(m_Fd.Get());
      if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_strBackup.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return 0;
      }
      // The name is taken (one backup kept, or a name planted since it was probed):
      // replaced in one step through the pending name.
      if (errno != EEXIST) return -1;
      unlink(m_strPending.c_str());
      if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_strPending.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        return -1;
      }
      m_bPendingIsOurs = true;
    }
    if (rename(m_strPending.c_str(), m_strBackup.c_str()) != 0) return -1;
    m_bPendingIsOurs = false;
    return 0;
  }

 private:
  static std::string PendingName(std::string const& backup) {
    constexpr size_t kSuffixBytes = sizeof zbutil_logfile::kBackupSuffix - 1;
    return backup.substr(0, backup.size() - kSuffixBytes) + zbutil_logfile::kPendingSuffix;
  }

  void CreatePending() {
    constexpr int kFlags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    // A leftover of a killed rotation, or a name planted since: the name goes, never
    // what it points to.
    unlink(m_strPending.c_str());
    m_Fd.Reset(open(m_strPending.c_str(), kFlags, zbutil_logfile::kLogFileMode));
    m_bPendingIsOurs = m_Fd.IsOpen();
  }

  std::string m_strBackup;
  std::string m_strPending;
  bool m_bPendingIsOurs = false;
  ScopedFd m_Fd;
};

bool SameFile(struct stat const& one, struct stat const& other) {
  return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

int EmptyLog(int logFd, LoggerState* state) {
  const int truncated = ftruncate(logFd, 0);
  if (truncated == 0 && state != nullptr) state->m_llLogSize = 0;
  return truncated;
}

// The log's directory, open to make its new names durable with fsync. A directory the
// logger may write and search but not read cannot be opened so: then the file system
// flushes the names in its own time.
int OpenDirectory(std::string const& directory) {
  return open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// The file behind `logFd` no longer sits at `path`: opens the log there again (created
// if need be) and hands its descriptor over; the old file is left as it is.
int ReopenMovedLog(zbUnixLogger& logger, String const& path, int& logFd, LoggerState* state) {
  const std::string narrow = path.GetAnsiString();
  const int reopened = zbutil_detail::OpenForAppend(narrow);
  if (reopened < 0) {
    zbutil_detail::ReportRefusal(logger, state, narrow, errno);
    return -1;
  }
  zbutil_detail::CloseKeepingLocks(state, logFd);
  logFd = reopened;
  logger.LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, kReopened, path);
  struct stat status {};
  if (state != nullptr && fstat(reopened, &status) == 0) state->m_llLogSize = status.st_size;
  return 0;
}

}  // namespace

void zbUnixLogger::BuildBackupLogFilePath(int const& number, String& path) {
  path = m_strLogFilePath;
  path += zbutil_logfile::kBackupSeparator;
  path += String(static_cast<long>(number));
  path += zbutil_logfile::kBackupSuffix;
}

void zbUnixLogger::GetNextBackupLogFileSequence(String& path, bool& allPresent, int& number) {
  allPresent = false;
  const uint32_t backups = m_LogSettings.m_ulMaxBackupFiles;
  if (backups == 0) {
    number = 0;
    return;
  }
  number = 1;
  for (;;) {
    path.clear();
    BuildBackupLogFilePath(number, path);
    if (access(path.GetAnsiString().c_str(), F_OK) != 0) {
      allPresent = false;
      return;
    }
    allPresent = true;
    if (static_cast<uint32_t>(number) + 1 > backups) {
      number = static_cast<int>(backups);
      return;
    }
    ++number;
  }
}

// The backups are found, shifted and numbered exactly as the plain algorithm does it;
// how the log's content reaches the backup departs from it to keep records and the
// caller safe:
// - The log is read through its path only when the path still names the regular file
//   behind m_iLogFd (no link followed, no FIFO waited for, compared by device and
//   inode). Otherwise (moved, removed, replaced) nothing is copied or emptied: the log
//   is reopened at its path, as programs do after an external rotation, and syslog is
//   told; the old file keeps every record. A name refused is reported, once.
// - The content is copied with copy_file_range (or read and write), never through a
//   mapping, into a new file that has no name yet (or an exclusive pending name), its
//   group set on the descriptor: a log that another program empties meanwhile fails
//   the rotation instead of killing the caller with SIGBUS, and no half-made backup
//   is ever in place.
// - The copy is flushed (fdatasync) before the backups shift, and the new name (fsync
//   of the directory) before the log is emptied, so that a power cut at any moment
//   leaves every record in the log or in a backup.
// - A kill between placing the backup and emptying the log leaves the content in both:
//   the next rotation copies it again, the one way a record is duplicated.
int zbUnixLogger::RotateLogBackup() {
  LoggerState* state = zbutil_detail::FindOpenState(this, m_iLockFd);
  if (state != nullptr) state->m_llLogSize = -1;
  struct stat log {};
  const int statResult = fstat(m_iLogFd, &log);
  if (statResult != 0) return statResult;
  // Compared at full width: a log past 4 GiB must not look small.
  if (static_cast<uint64_t>(log.st_size) <= m_LogSettings.m_ulMaxLogFileSize) {
    if (state != nullptr) state->m_llLogSize = log.st_size;
    return 0;
  }

  const std::string logPath = m_strLogFilePath.GetAnsiString();
  KeptLockFd source(state, zbutil_detail::OpenForReading(logPath));
  struct stat atPath {};
  if (source.Get() < 0 ? errno == ENOENT
                       : fstat(source.Get(), &atPath) == 0 && !SameFile(atPath, log)) {
    return ReopenMovedLog(*this, m_strLogFilePath, m_iLogFd, state);
  }
  if (source.Get() < 0) {
    zbutil_detail::ReportRefusal(*this, state, logPath, errno);
    return -1;
  }
  if (atPath.st_size <= 0) return -1;
  const auto size = static_cast<uint64_t>(atPath.st_size);

  const uint32_t backups = m_LogSettings.m_ulMaxBackupFiles;
  if (backups == 0) return EmptyLog(m_iLogFd, state);  // the content is discarded
  String backup;
  bool allPresent = false;
  int number = 0;
  GetNextBackupLogFileSequence(backup, allPresent, number);
  const std::string directory = zbutil_logfile::DirectoryOf(logPath);
  // Opened before, and closed after, the steps between placing the backup and emptying
  // the log: a kill there is the one that duplicates, so they are kept few.
  const ScopedFd directoryFd(OpenDirectory(directory));
  NewBackup fresh(directory, backup.GetAnsiString());
  if (fresh.Fd() < 0) return -1;
  const bool grouped = fchown(fresh.Fd(), static_cast<uid_t>(-1), m_gidGroupID) == 0;
  if (zbutil_detail::CopyFileContent(source.Get(), fresh.Fd(), size) != 0 ||
      fdatasync(fresh.Fd()) != 0) {
    return -1;
  }
  if (allPresent) {
    // Oldest content first out: k -> k-1 for k = 2..N; the first rename drops backup 1.
    // A failure leaves the renames made; the next rotation fills the gap.
    String from;
    String to;
    for (uint32_t k = 2; k <= backups; ++k) {
      BuildBackupLogFilePath(static_cast<int>(k - 1), to);
      BuildBackupLogFilePath(static_cast<int>(k), from);
      const int renamed = rename(from.GetAnsiString().c_str(), to.GetAnsiString().c_str());
      if (renamed != 0) return renamed;
    }
  }
  if (fresh.Place() != 0) return -1;
  if (directoryFd.IsOpen()) fsync(directoryFd.Get());
  const int emptied = EmptyLog(m_iLogFd, state);
  if (emptied == 0 && !grouped) LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, kBackupGroupError, backup);
  return emptied;
}
