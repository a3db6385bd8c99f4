#ifndef ZBUTIL_LOGGING_LOGFILE_RECORDFORMAT_H_
#define ZBUTIL_LOGGING_LOGFILE_RECORDFORMAT_H_

// Internal: the layout of a log record, shared by the logger that writes records and
// the tools that read them back. Not installed; linked statically into both.
//
//   "\n" pid "|" year "/" month "/" day "|" hour ":" minute ":" second "|" source "|"
//   line "|" level name " - " message
//
// Each Write* function gives exactly the bytes of the printf conversion it names,
// for every value, and returns the end of what it wrote (nothing is NUL-terminated).

#include <stddef.h>
#include <stdint.h>
#include <time.h>

#include <string_view>

#include "LogLevels.h"

namespace zbutil_logfile {

inline constexpr char kRecordStart = '\n';
inline constexpr char kFieldSeparator = '|';
inline constexpr char kDateSeparator = '/';
inline constexpr char kTimeSeparator = ':';
inline constexpr std::string_view kLevelSeparator = " - ";

inline constexpr int kPidWidth = 8;         // upper-case hex, blanks on the left
inline constexpr int kYearWidth = 4;        // zero-filled, like the other date fields
inline constexpr int kTwoDigitWidth = 2;    // month, day, hour, minute, second
inline constexpr size_t kSourceWidth = 27;  // first 27 bytes, blanks on the left
inline constexpr int kLineWidth = 5;        // signed decimal, blanks on the left

// A record is formatted as if header and message went in turn through one 2048-byte
// buffer, each formatting call limited to 2047 bytes: a message keeps at most its first
// 2046 bytes.
inline constexpr size_t kRecordBufferBytes = 2048;
inline constexpr size_t kFormatLimit = kRecordBufferBytes - 1;

// The longest text of each field for any value its type can hold.
inline constexpr size_t kMaxPidBytes = 8;        // 32-bit hex
inline constexpr size_t kMaxDateTimeBytes = 72;  // six int fields, signs, separators
inline constexpr size_t kMaxLineBytes = 11;      // "-2147483648"
inline constexpr size_t kMaxLevelBytes = 17;     // "Critical Failure:"
inline constexpr size_t kMaxHeaderBytes = 1 + kMaxPidBytes + 1 + kMaxDateTimeBytes + 1 +
                                          kSourceWidth + 1 + kMaxLineBytes + 1 + kMaxLevelBytes +
                                          kLevelSeparator.size();

// "%8X" of `pid`.
char* WritePid(char* out, uint32_t pid);
// "%04d/%02d/%02d|%02d:%02d:%02d" of the calendar year, month 1-12, day, hour, minute
// and second of `local`; at most kMaxDateTimeBytes.
char* WriteDateTime(char* out, struct tm const& local);
// "%27.27s" of the NUL-terminated `source`.
char* WriteSource(char* out, char const* source);
// "%5d" of `line`.
char* WriteLine(char* out, int32_t line);

// A whole header, up to where the message begins: the line feed, then `pid` and
// `dateTime` (texts made by WritePid and WriteDateTime, which change seldom and may be
// kept), `source`, `line` and `level` (a display name), with their separators. At most
// kMaxHeaderBytes.
char* WriteHeader(char* out, std::string_view pid, std::string_view dateTime, char const* source,
                  int32_t line, std::string_view level);

}  // namespace zbutil_logfile

#endif  // ZBUTIL_LOGGING_LOGFILE_RECORDFORMAT_H_
