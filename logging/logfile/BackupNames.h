#ifndef ZBUTIL_LOGGING_LOGFILE_BACKUPNAMES_H_
#define ZBUTIL_LOGGING_LOGFILE_BACKUPNAMES_H_

// Internal: the names rotation gives a log's backups, "<log path>_<n>.Bak" for n = 1
// (the oldest content) to N (the newest), and the name of a backup about to replace
// one. Not installed.

#include <stdint.h>

#include <string_view>

namespace zbutil_logfile {

inline constexpr char kBackupSeparator[] = "_";
inline constexpr char kBackupSuffix[] = ".Bak";
// In place of kBackupSuffix: the name under which a new backup n waits to replace the
// one there, or is written where the file system has no unnamed files. As long as the
// backup's name, so it fits wherever that does.
inline constexpr char kPendingSuffix[] = ".Tmp";

// The number n when `name` is "<base>_<n>.Bak" with n as rotation writes it (decimal,
// no sign, no leading zero, at most 4294967295); 0 for any other name.
uint32_t BackupNumber(std::string_view name, std::string_view base);

}  // namespace zbutil_logfile

#endif  // ZBUTIL_LOGGING_LOGFILE_BACKUPNAMES_H_
