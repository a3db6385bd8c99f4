#ifndef ZBUTIL_TOOLS_ZBLOG_FOLLOW_BACKUPFILES_H_
#define ZBUTIL_TOOLS_ZBLOG_FOLLOW_BACKUPFILES_H_

// The numbered backups of a log, "<log path>_<n>.Bak", as rotation leaves them.

#include <stdint.h>
#include <sys/types.h>
#include <time.h>

#include <string>
#include <vector>

namespace zblog {

struct BackupFile {
  std::string m_strPath;
  uint32_t m_uNumber = 0;
  uint64_t m_uSize = 0;
  struct timespec m_Modified {};  // when rotation wrote it (renames keep it)
  // The same backup under another number after a shift: device, inode and birth time
  // (statx; zero where the file system keeps none) stay while the content does. The
  // modification time is no identity: rotations within one clock tick share it.
  uint64_t m_uDevice = 0;
  uint64_t m_uInode = 0;
  struct timespec m_Born {};
};

// True when `a` and `b` are the same backup (a shift renumbers it, nothing else).
bool SameBackup(BackupFile const& a, BackupFile const& b);

// True when two listings hold the same backups under the same numbers.
bool SameListing(std::vector<BackupFile> const& a, std::vector<BackupFile> const& b);

// The backups of `logPath` present now, oldest content first: by modification time,
// then by number (a later rotation writes a higher number or shifts into one).
// Regular files only: a backup name that is a symbolic link, a FIFO or anything else
// is passed over. Empty when the directory cannot be read.
std::vector<BackupFile> ListBackups(std::string const& logPath);

// ListBackups until two listings in a row agree: a directory read while rotation renames
// backups may miss one or see it twice.
std::vector<BackupFile> ListSettledBackups(std::string const& logPath);

// Opens `backup` for reading wherever a shift has renamed it since it was listed, never
// through a link or onto anything but that very regular file. Returns the descriptor
// (the caller closes it), or -1 once it is gone.
int OpenBackup(std::string const& logPath, BackupFile const& backup);

// How much a loss of the rest of a generation after `position` comes to, judged by
// `backups` (every generation ends at about the same size, the log's limit): a phrase
// such as "about 948 bytes or more".
std::string LossSize(uint64_t position, std::vector<BackupFile> const& backups);

// True when `a` holds content written after that of `b`.
bool IsNewer(BackupFile const& a, BackupFile const& b);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_FOLLOW_BACKUPFILES_H_
