// The conversions that log messages use nearly always, by hand: glibc's vsnprintf
// sets up a stream and a general parser per call, most of a record's own work.
#include "MessageFormat.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/types.h>

#include <type_traits>

#include "Digits.h"

namespace zbutil_logfile {
namespace {

enum class Size { kChar, kShort, kInt, kLong, kLongLong, kMax, kSize, kPtrdiff };

// Reads a length modifier at `*at`, moving past it.
Size ReadSize(char const*& at) {
  switch (*at) {
    case 'h':
      if (*++at != 'h') return Size::kShort;
      ++at;
      return Size::kChar;
    case 'l':
      if (*++at != 'l') return Size::kLong;
      ++at;
      return Size::kLongLong;
    case 'j':
      ++at;
      return Size::kMax;
    case 'z':
      ++at;
      return Size::kSize;
    case 't':
      ++at;
      return Size::kPtrdiff;
    default:
      return Size::kInt;
  }
}

// The argument of a signed conversion of `size`, converted as printf converts it.
int64_t SignedArgument(Size size, va_list& arguments) {
  switch (size) {
    case Size::kChar:
      return static_cast<signed char>(va_arg(arguments, int));
    case Size::kShort:
      return static_cast<short>(va_arg(arguments, int));
    case Size::kLong:
      return va_arg(arguments, long);
    case Size::kLongLong:
      return va_arg(arguments, long long);
    // NOLINTNEXTLINE(bugprone-branch-clone): the same type as the next on x86_64 only.
    case Size::kMax:
      return va_arg(arguments, intmax_t);
    case Size::kSize:
      return va_arg(arguments, ssize_t);
    case Size::kPtrdiff:
      return va_arg(arguments, ptrdiff_t);
    case Size::kInt:
      break;
  }
  return va_arg(arguments, int);
}

uint64_t UnsignedArgument(Size size, va_list& arguments) {
  switch (size) {
    case Size::kChar:
      return static_cast<unsigned char>(va_arg(arguments, unsigned int));
    case Size::kShort:
      return static_cast<unsigned short>(va_arg(arguments, unsigned int));
    case Size::kLong:
      return va_arg(arguments, unsigned long);
    case Size::kLongLong:
      return va_arg(arguments, unsigned long long);
    // NOLINTNEXTLINE(bugprone-branch-clone): the same type as the next on x86_64 only.
    case Size::kMax:
      return va_arg(arguments, uintmax_t);
    case Size::kSize:
      return va_arg(arguments, size_t);
    case Size::kPtrdiff:
      return static_cast<std::make_unsigned_t<ptrdiff_t>>(va_arg(arguments, ptrdiff_t));
    case Size::kInt:
      break;
  }
  return va_arg(arguments, unsigned int);
}

// Formats `format` into [next, end), cut at `end` as vsnprintf cuts its output, moving
// `next` past what it wrote; false, with the output in any state, at the first
// conversion that is not one of the plain ones. Copies byte by byte, with the output's
// ends in locals: a message's pieces are a few bytes long, where a call to memcpy or
// strchrnul costs more than the copy.
bool FormatPlain(char*& next, char* const end, char const* format, va_list& arguments) {
  char digits[24];
  char* const digitsEnd = digits + sizeof digits;
  for (;;) {
    char c;
    while ((c = *format) != '%') {
      if (c == '\0') return true;
      if (next != end) *next++ = c;
      ++format;
    }
    char const* conversion = format + 1;
    const Size size = ReadSize(conversion);
    const bool plainSize = size == Size::kInt;
    char* first = digitsEnd;
    switch (*conversion) {
      case '%':
        if (!plainSize) return false;
        *--first = '%';
        break;
      case 'd':
      case 'i': {
        const int64_t value = SignedArgument(size, arguments);
        first = WriteDecimalBackwards(first, Magnitude(value));
        if (value < 0) *--first = '-';
        break;
      }
      case 'u':
        first = WriteDecimalBackwards(first, UnsignedArgument(size, arguments));
        break;
      case 'x':
        first = WriteHexBackwards(first, UnsignedArgument(size, arguments), kLowerHexDigits);
        break;
      case 'X':
        first = WriteHexBackwards(first, UnsignedArgument(size, arguments));
        break;
      case 's': {
        char const* text = plainSize ? va_arg(arguments, char const*) : nullptr;
        // vsnprintf's text for a null pointer is its own business.
        if (text == nullptr) return false;
        while (*text != '\0' && next != end) *next++ = *text++;
        break;
      }
      case 'c':
        if (!plainSize) return false;
        *--first = static_cast<char>(static_cast<unsigned char>(va_arg(arguments, int)));
        break;
      default:
        return false;
    }
    while (first != digitsEnd && next != end) *next++ = *first++;
    format = conversion + 1;
  }
}

}  // namespace

size_t FormatMessage(char* out, size_t limit, char const* format, va_list arguments) {
  va_list plain;
  va_copy(plain, arguments);
  char* end = out;
  const bool formatted = FormatPlain(end, out + limit - 1, format, plain);
  va_end(plain);
  if (formatted) {
    *end = '\0';
  } else {
    vsnprintf(out, limit, format, arguments);
  }
  // Up to the first NUL, which a "%c" of 0 may have put in the middle.
  return strlen(out);
}

}  // namespace zbutil_logfile
