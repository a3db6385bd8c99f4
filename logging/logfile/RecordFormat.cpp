// The record's fields by hand: printf's conversions for the few cases a header needs,
// without parsing a format for every record.
#include "RecordFormat.h"

#include <string.h>

#include "Digits.h"

namespace zbutil_logfile {
namespace {

// "%0<width>d" when `pad` is '0' (sign before the zeros), "%<width>d" when it is ' '.
char* WriteDecimal(char* out, int64_t value, int width, char pad) {
  char digits[24];
  char* const end = digits + sizeof digits;
  const bool negative = value < 0;
  char* first = WriteDecimalBackwards(end, Magnitude(value));
  const int used = static_cast<int>(end - first) + (negative ? 1 : 0);
  if (pad == ' ') {
    for (int i = used; i < width; ++i) *out++ = ' ';
    if (negative) *out++ = '-';
  } else {
    if (negative) *out++ = '-';
    for (int i = used; i < width; ++i) *out++ = '0';
  }
  memcpy(out, first, static_cast<size_t>(end - first));
  return out + (end - first);
}

char* Append(char* out, std::string_view text) {
  memcpy(out, text.data(), text.size());
  return out + text.size();
}

}  // namespace

char* WritePid(char* out, uint32_t pid) {
  char digits[kMaxPidBytes];
  char* const end = digits + sizeof digits;
  char* first = WriteHexBackwards(end, pid);
  for (ptrdiff_t i = end - first; i < kPidWidth; ++i) *out++ = ' ';
  memcpy(out, first, static_cast<size_t>(end - first));
  return out + (end - first);
}

char* WriteDateTime(char* out, struct tm const& local) {
  out = WriteDecimal(out, static_cast<int64_t>(local.tm_year) + 1900, kYearWidth, '0');
  *out++ = kDateSeparator;
  out = WriteDecimal(out, static_cast<int64_t>(local.tm_mon) + 1, kTwoDigitWidth, '0');
  *out++ = kDateSeparator;
  out = WriteDecimal(out, local.tm_mday, kTwoDigitWidth, '0');
  *out++ = kFieldSeparator;
  out = WriteDecimal(out, local.tm_hour, kTwoDigitWidth, '0');
  *out++ = kTimeSeparator;
  out = WriteDecimal(out, local.tm_min, kTwoDigitWidth, '0');
  *out++ = kTimeSeparator;
  return WriteDecimal(out, local.tm_sec, kTwoDigitWidth, '0');
}

char* WriteSource(char* out, char const* source) {
  const size_t length = strnlen(source, kSourceWidth);
  memset(out, ' ', kSourceWidth - length);
  out += kSourceWidth - length;
  memcpy(out, source, length);
  return out + length;
}

char* WriteLine(char* out, int32_t line) { return WriteDecimal(out, line, kLineWidth, ' '); }

char* WriteHeader(char* out, std::string_view pid, std::string_view dateTime, char const* source,
                  int32_t line, std::string_view level) {
  *out++ = kRecordStart;
  out = Append(out, pid);
  *out++ = kFieldSeparator;
  out = Append(out, dateTime);
  *out++ = kFieldSeparator;
  out = WriteSource(out, source);
  *out++ = kFieldSeparator;
  out = WriteLine(out, line);
  *out++ = kFieldSeparator;
  out = Append(out, level);
  return Append(out, kLevelSeparator);
}

}  // namespace zbutil_logfile
