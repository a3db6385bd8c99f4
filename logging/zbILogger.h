#ifndef ZBUTIL_LOGGING_ZBILOGGER_H_
#define ZBUTIL_LOGGING_ZBILOGGER_H_

// The vocabulary every logger of the library shares: levels and their display
// names, the settings record, and the abstract logger that clients hold.

#include <stdint.h>

#include "platform/Export.h"
#include "strings/String.h"

// Log levels: single bits, except the most severe, which is 0. Stored and passed as a
// 32-bit integer; any 32-bit value may be passed (unknown ones display as "Unknown:").
// A record of level L is admitted by a mask M when (L & M) == L, so
// zbLogCriticalFailure passes every mask and 255 admits all eight levels.
enum zbLogLevel : int32_t {
  zbLogCriticalFailure = 0,
  zbLogError = 1,
  zbLogException = 2,
  zbLogWarning = 4,
  zbLogInformation = 8,
  zbLogTrace = 16,
  zbLogPerfTiming = 32,
  zbLogAudit = 64,
};

// A logger's configuration. It has no constructor that sets defaults: a logger writes
// them at its first record and then lets its settings hook change them.
struct ZBUTIL_API zbLogSettings {
  String m_strLogDirectory;     // holds the log and lock files; relative or absolute
  int32_t m_iLogLevel;          // level mask
  uint32_t m_ulMaxLogFileSize;  // the log is rotated once it is larger (bytes)
  uint32_t m_ulMaxBackupFiles;  // number of numbered backups kept
};

// The abstract logger. Log() reports nothing back: a record that cannot be written
// is lost.
class ZBUTIL_API zbILogger {
 public:
  virtual ~zbILogger();

  // Writes one record of the given level from source file `file` (NUL-terminated,
  // not null) at `line`, with the printf-style message `format`, ....
  virtual void Log(zbLogLevel level, char const* file, unsigned long line, char const* format, ...)
      __attribute__((format(printf, 5, 6))) = 0;

  // The constant display name of a level: "Critical Failure:", "Error:",
  // "Exception:", "Warning:", "Information:", "Trace:", "Perf. Timing:", "Audit:",
  // and "Unknown:" for every other value. Static storage; never null.
  static char const* GetLogLevelDisplayName(zbLogLevel level);
};

#endif  // ZBUTIL_LOGGING_ZBILOGGER_H_
