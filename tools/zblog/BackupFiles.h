#ifndef ZBUTIL_TOOLS_ZBLOG_BACKUPFILES_H_
#define ZBUTIL_TOOLS_ZBLOG_BACKUPFILES_H_

// The numbered backups of a log, "<log path>_<n>.Bak", as rotation leaves them.

#include <stdint.h>
#include <time.h>

#include <string>
#include <vector>

namespace zblog {

struct BackupFile {
  std::string m_strPath;
  uint32_t m_uNumber = 0;
  struct timespec m_Modified {};  // when rotation wrote it (renames keep it)
};

// The backups of `logPath` present now, oldest content first: by modification time,
// then by number (a later rotation writes a higher number or shifts into one).
// Empty when the directory cannot be read.
std::vector<BackupFile> ListBackups(std::string const& logPath);

// True when `a` holds content written after that of `b`.
bool IsNewer(BackupFile const& a, BackupFile const& b);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_BACKUPFILES_H_
