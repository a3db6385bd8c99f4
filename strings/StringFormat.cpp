// String::FormatMessageEx: printf-style formatting into a String.

#include <limits.h>
#include <stdarg.h>
#include <stdio.h>

#include <new>

#include "strings/String.h"

namespace {

// The first buffer holds kFirstLimit bytes of text and its NUL: short messages, the
// common case, are formatted in one pass.
constexpr size_t kFirstLimit = 255;

// vsnprintf reports lengths as int: a buffer beyond INT_MAX bytes and its NUL never
// helps, so an output error stops the doubling there.
constexpr size_t kLargestLimit = static_cast<size_t>(INT_MAX) + 1;

}  // namespace

long String::FormatMessageEx(char const* format, ...) {
  if (format == nullptr) return E_GENERAL_FAILURE;
  size_t limit = kFirstLimit;
  for (;;) {
    // One spare byte beyond what vsnprintf may write. A failed allocation is a result
    // here, not an exception, and leaves the String as it was.
    AutoPtr<char> buffer(new (std::nothrow) char[limit + 1]);
    if (!buffer) return E_GENERAL_FAILURE;
    // Each pass starts the argument list afresh, so no pass sees what an earlier one
    // consumed, and no va_list is open while the String's assignment may throw.
    va_list arguments;
    va_start(arguments, format);
    // clang-tidy 14 loses track of va_start when this is not the first file it checks.
    // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
    const int written = vsnprintf(buffer.get(), limit, format, arguments);
    va_end(arguments);
    if (written >= 0 && static_cast<size_t>(written) < limit) {
      *this = buffer.get();
      return 0;
    }
    // Cut short: the second pass has room for exactly the whole text. An output error
    // does not depend on the size: the limit doubles, up to the largest useful one.
    limit = written >= 0 ? static_cast<size_t>(written) + 1 : limit * 2;
    if (limit > kLargestLimit) return E_GENERAL_FAILURE;
  }
}
