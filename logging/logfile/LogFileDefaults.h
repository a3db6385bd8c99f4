#ifndef ZBUTIL_LOGGING_LOGFILE_LOGFILEDEFAULTS_H_
#define ZBUTIL_LOGGING_LOGFILE_LOGFILEDEFAULTS_H_

// Internal: the settings a logger starts from, which zblog also states as its
// defaults, and the mode of every file the logger creates. Not installed.

#include <stdint.h>
#include <sys/types.h>

namespace zbutil_logfile {

// Where a logger's files live when its settings name no usable directory.
inline constexpr char kDefaultLogDirectory[] = "/qtr/bin/zoredezuv/logs";
// The log is rotated once it is larger than this many bytes.
inline constexpr uint32_t kDefaultMaxLogFileSize = 268435456;
inline constexpr uint32_t kDefaultMaxBackupFiles = 2;
// The level mask that admits all eight levels.
inline constexpr int32_t kDefaultLogLevel = 255;
// Log, lock and backup files: the writers' group shares them, nobody else.
inline constexpr mode_t kLogFileMode = 0660;

}  // namespace zbutil_logfile

#endif  // ZBUTIL_LOGGING_LOGFILE_LOGFILEDEFAULTS_H_
