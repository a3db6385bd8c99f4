#ifndef ZBUTIL_LOGGING_LOGFILE_DIGITS_H_
#define ZBUTIL_LOGGING_LOGFILE_DIGITS_H_

// Internal: the digits of an unsigned value, for the record's hand-made conversions.

#include <stdint.h>

namespace zbutil_logfile {

inline constexpr char kUpperHexDigits[] = "0123456789ABCDEF";
inline constexpr char kLowerHexDigits[] = "0123456789abcdef";

// The absolute value of `value` as unsigned, the most negative one included.
inline uint64_t Magnitude(int64_t value) {
  return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

// The decimal digits of `magnitude`, written backwards from `end`; returns their start.
// At least one digit.
inline char* WriteDecimalBackwards(char* end, uint64_t magnitude) {
  // In 32 bits where the value fits: on i386 a 64-bit division is a library call.
  while (magnitude > UINT32_MAX) {
    *--end = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  }
  auto narrow = static_cast<uint32_t>(magnitude);
  do {
    *--end = static_cast<char>('0' + narrow % 10);
    narrow /= 10;
  } while (narrow != 0);
  return end;
}

// The hexadecimal digits of `magnitude` in the letters of `digits`, written backwards
// from `end`; returns their start. At least one digit.
inline char* WriteHexBackwards(char* end, uint64_t magnitude,
                               char const* digits = kUpperHexDigits) {
  do {
    *--end = digits[magnitude & 0xF];
    magnitude >>= 4;
  } while (magnitude != 0);
  return end;
}

}  // namespace zbutil_logfile

#endif  // ZBUTIL_LOGGING_LOGFILE_DIGITS_H_
