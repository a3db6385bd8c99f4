#ifndef ZBUTIL_LOGGING_LOGFILE_LOGLEVELS_H_
#define ZBUTIL_LOGGING_LOGFILE_LOGLEVELS_H_

// Internal: everything known about the logger's levels, in one table that the library
// (the names in records) and zblog (the names on its command line, the severities it
// ships with) read alike. Not installed.

#include <stdint.h>

#include <array>
#include <string_view>

namespace zbutil_logfile {

struct LogLevel {
  int32_t m_iValue;                 // as passed to Log(); a single bit, or 0
  std::string_view m_strDisplay;    // in every record, colon included
  std::string_view m_strName;       // zblog's name for it, lower case
  std::string_view m_strShortName;  // a shorter one zblog accepts too, or empty
  int m_iSeverity;                  // syslog severity when shipped (RFC 5424)
};

inline constexpr std::array<LogLevel, 8> kLogLevels = {{
    {0, "Critical Failure:", "critical", "", 2},
    {1, "Error:", "error", "", 3},
    {2, "Exception:", "exception", "", 3},
    {4, "Warning:", "warning", "warn", 4},
    {8, "Information:", "information", "info", 6},
    {16, "Trace:", "trace", "", 7},
    {32, "Perf. Timing:", "perf", "perftiming", 7},
    {64, "Audit:", "audit", "", 5},
}};
// The display name of every other value, and the severity such records ship with.
inline constexpr std::string_view kUnknownLevelDisplay = "Unknown:";
inline constexpr int kUnknownLevelSeverity = 5;
// zblog writes at this level unless told otherwise.
inline constexpr int32_t kInformationLevel = 8;

// The level whose value is `value`, or nullptr.
LogLevel const* LevelByValue(int32_t value);
// The level called `name` in any case: zblog's name or short name, or the display name
// with or without its colon ("error", "Error:", "perf. timing"). nullptr for none.
LogLevel const* LevelByName(std::string_view name);
// The display name of a level value ("Unknown:" for every other value).
std::string_view LevelDisplayName(int32_t value);

}  // namespace zbutil_logfile

#endif  // ZBUTIL_LOGGING_LOGFILE_LOGLEVELS_H_
