#ifndef ZBUTIL_STRINGS_DECIMALTEXT_H_
#define ZBUTIL_STRINGS_DECIMALTEXT_H_

// Internal: the "%ld" text of a long, shared by String and AnsiString.

#include <string>

namespace zbutil_detail {

// Same bytes as snprintf("%ld"), without parsing a format. The buffer holds every
// 64-bit value, so no value is ever cut short.
inline std::string DecimalText(long v) {
  char buffer[24];
  char* end = buffer + sizeof buffer;
  char* p = end;
  // Negated as unsigned, so that the most negative value has a magnitude too.
  unsigned long magnitude =
      v < 0 ? 0ul - static_cast<unsigned long>(v) : static_cast<unsigned long>(v);
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (v < 0) *--p = '-';
  return std::string(p, end);
}

}  // namespace zbutil_detail

#endif  // ZBUTIL_STRINGS_DECIMALTEXT_H_
