#ifndef ZBUTIL_LOGGING_LOGFILE_BACKUPNAMES_H_
#define ZBUTIL_LOGGING_LOGFILE_BACKUPNAMES_H_

// Internal: the names rotation gives a log's backups, "<log path>_<n>.Bak" for n = 1
// (the oldest content) to N (the newest), and the temporary name of a backup still
// being written. Not installed.

#include <stdint.h>

#include <string_view>

namespace zbutil_logfile {

inline constexpr char kBackupSeparator[] = "_";
inline constexpr char kBackupSuffix[] = ".Bak";
// Appended to the log path while a rotation writes the new backup.
inline constexpr char kRotationTemporarySuffix[] = "_rotating.tmp";

// The number n when `name` is "<base>_<n>.Bak" with n as rotation writes it (decimal,
// no sign, no leading zero, at most 4294967295); 0 for any other name.
uint32_t BackupNumber(std::string_view name, std::string_view base);

}  // namespace zbutil_logfile

#endif  // ZBUTIL_LOGGING_LOGFILE_BACKUPNAMES_H_
