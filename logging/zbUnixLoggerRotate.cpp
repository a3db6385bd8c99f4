// Rotation: the numbered backups "<log path>_<n>.Bak", found afresh each time, and the
// steps that keep them whole when a rotation fails or is killed half-way.
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BackupNames.h"
#include "LogFileDefaults.h"
#include "ScopedOwners.h"
#include "logging/BackupListing.h"
#include "logging/LockFileTable.h"
#include "logging/LoggerFiles.h"
#include "logging/zbUnixLogger.h"

using zbutil_detail::LoggerState;
using zbutil_detail::ScopedFd;

namespace {

constexpr char kBackupGroupError[] = "Error setting gid on log file: ";
constexpr char kLinkRefused[] = "Refusing to open a symbolic link: ";
constexpr char kReopened[] = "Log file moved or removed while open, reopened: ";
constexpr int kTemporaryFlags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
constexpr size_t kCompareChunkBytes = 1 << 20;

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

// The new backup under its temporary name: created exclusively (a planted name or link
// cannot redirect it), removed by name unless it was renamed into place.
class TemporaryBackup {
 public:
  explicit TemporaryBackup(std::string path) : m_strPath(std::move(path)), m_Fd(Create()) {}
  ~TemporaryBackup() {
    if (m_bCreated) unlink(m_strPath.c_str());
  }
  TemporaryBackup(TemporaryBackup const&) = delete;
  TemporaryBackup& operator=(TemporaryBackup const&) = delete;

  int Fd() const { return m_Fd.Get(); }
  // Once it is written: its descriptor is closed before any backup moves.
  void Close() { m_Fd.Close(); }
  // Renames it to `backup`; returns the result of rename.
  int MoveTo(std::string const& backup) {
    const int renamed = rename(m_strPath.c_str(), backup.c_str());
    m_bCreated = renamed != 0;
    return renamed;
  }

 private:
  int Create() {
    int fd = open(m_strPath.c_str(), kTemporaryFlags, zbutil_logfile::kLogFileMode);
    // A leftover that the listing could not remove, or a name planted since.
    if (fd < 0 && errno == EEXIST && unlink(m_strPath.c_str()) == 0) {
      fd = open(m_strPath.c_str(), kTemporaryFlags, zbutil_logfile::kLogFileMode);
    }
    m_bCreated = fd >= 0;
    return fd;
  }

  std::string m_strPath;
  bool m_bCreated = false;
  ScopedFd m_Fd;
};

bool SameFile(struct stat const& one, struct stat const& other) {
  return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// Whether the backup at `path` holds exactly the `size` bytes of `sourceFd`: then a
// rotation was killed after its backup was in place and before the log was emptied.
// Read, not mapped: a backup that someone shortens meanwhile must not mean SIGBUS.
bool HoldsSameBytes(std::string const& path, int sourceFd, size_t size) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
      static_cast<uint64_t>(status.st_size) != size) {
    return false;
  }
  ScopedFd backupFd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!backupFd.IsOpen()) return false;
  std::vector<char> source(kCompareChunkBytes);
  std::vector<char> backup(kCompareChunkBytes);
  for (size_t done = 0; done < size;) {
    const size_t want = std::min(kCompareChunkBytes, size - done);
    const auto offset = static_cast<off_t>(done);
    if (pread(sourceFd, source.data(), want, offset) != static_cast<ssize_t>(want) ||
        pread(backupFd.Get(), backup.data(), want, offset) != static_cast<ssize_t>(want) ||
        memcmp(source.data(), backup.data(), want) != 0) {
      return false;
    }
    done += want;
  }
  return true;
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

namespace {

void ReportLinkOnce(zbUnixLogger& logger, String const& path, LoggerState* state) {
  if (state != nullptr && state->m_bLinkReported) return;
  logger.LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, kLinkRefused, path);
  if (state != nullptr) state->m_bLinkReported = true;
}

int EmptyLog(int logFd, LoggerState* state) {
  const int truncated = ftruncate(logFd, 0);
  if (truncated == 0 && state != nullptr) state->m_llLogSize = 0;
  return truncated;
}

// The file behind `logFd` no longer sits at `path`: opens the log there again (created
// if need be) and hands its descriptor over; the old file is left as it is.
int ReopenMovedLog(zbUnixLogger& logger, String const& path, int& logFd, LoggerState* state) {
  const std::string narrow = path.GetAnsiString();
  const int reopened = zbutil_detail::OpenForAppend(narrow);
  if (reopened < 0) {
    if (errno == ELOOP && zbutil_detail::IsSymbolicLink(narrow)) {
      ReportLinkOnce(logger, path, state);
    }
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

// Departures from the plain algorithm, each to keep written records and the caller safe:
// - The log is read through its path only when the path still names the file behind
//   m_iLogFd (opened with O_NOFOLLOW, compared by device and inode). Otherwise (moved,
//   removed, replaced) nothing is copied or emptied: the log is reopened at its path,
//   as programs do after an external rotation, and syslog is told; the old file keeps
//   every record. A symbolic link at the path is refused (syslog, once per logger).
// - The backups are listed from the directory in one pass. Numbers missing below a
//   present backup (a shift that was killed or failed) are closed by renaming the
//   backups above down, in order, so that no gap is ever refilled out of order.
// - When the newest backup already holds exactly the log's bytes (a rotation killed
//   between its rename and the truncation), only the truncation is done.
// - The copy goes into "<log path>_rotating.tmp", created exclusively without following
//   links, its group set on the descriptor; only once it is complete do the backups
//   shift and it is renamed into place. A failed copy thus changes no backup, a planted
//   link cannot redirect a backup, and a killed rotation leaves at most that temporary
//   file, which the next rotation removes.
// - Descriptors of the log are closed only once the record lock cannot be lost by it
//   (the log may be the lock file).
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
  KeptLockFd source(state, open(logPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat atPath {};
  if (source.Get() < 0 && errno == ELOOP && zbutil_detail::IsSymbolicLink(logPath)) {
    ReportLinkOnce(*this, m_strLogFilePath, state);
    return -1;
  }
  if (source.Get() < 0 ? errno == ENOENT
                       : fstat(source.Get(), &atPath) == 0 && !SameFile(atPath, log)) {
    return ReopenMovedLog(*this, m_strLogFilePath, m_iLogFd, state);
  }
  if (source.Get() < 0 || atPath.st_size <= 0) return -1;
  const size_t size = static_cast<size_t>(atPath.st_size);

  const uint32_t backups = m_LogSettings.m_ulMaxBackupFiles;
  if (backups == 0) return EmptyLog(m_iLogFd, state);  // the content is discarded
  zbutil_detail::BackupListing listing;
  if (!zbutil_detail::ListBackups(logPath, backups, listing) || listing.m_bDirectoryInTheWay) {
    return -1;
  }
  String from;
  String to;
  const auto present = static_cast<uint32_t>(listing.m_vNumbers.size());
  for (uint32_t rank = 1; rank <= present; ++rank) {
    const uint32_t number = listing.m_vNumbers[rank - 1];
    if (number == rank) continue;
    BuildBackupLogFilePath(static_cast<int>(number), from);
    BuildBackupLogFilePath(static_cast<int>(rank), to);
    if (rename(from.GetAnsiString().c_str(), to.GetAnsiString().c_str()) != 0) return -1;
  }
  if (present > 0) {
    BuildBackupLogFilePath(static_cast<int>(present), to);
    if (HoldsSameBytes(to.GetAnsiString(), source.Get(), size)) return EmptyLog(m_iLogFd, state);
  }

  TemporaryBackup fresh(logPath + zbutil_logfile::kRotationTemporarySuffix);
  if (fresh.Fd() < 0) return -1;
  const bool grouped = fchown(fresh.Fd(), static_cast<uid_t>(-1), m_gidGroupID) == 0;
  if (zbutil_detail::CopyThroughMappings(source.Get(), fresh.Fd(), size) != 0) return -1;
  fresh.Close();
  if (present == backups) {
    // Oldest content first out: k -> k-1 for k = 2..N; the first rename drops backup 1.
    for (uint32_t k = 2; k <= backups; ++k) {
      BuildBackupLogFilePath(static_cast<int>(k - 1), to);
      BuildBackupLogFilePath(static_cast<int>(k), from);
      const int renamed = rename(from.GetAnsiString().c_str(), to.GetAnsiString().c_str());
      if (renamed != 0) return renamed;
    }
  }
  BuildBackupLogFilePath(static_cast<int>(present == backups ? backups : present + 1), to);
  const int placed = fresh.MoveTo(to.GetAnsiString());
  if (placed != 0) return placed;
  const int emptied = EmptyLog(m_iLogFd, state);
  if (emptied == 0 && !grouped) LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, kBackupGroupError, to);
  return emptied;
}
