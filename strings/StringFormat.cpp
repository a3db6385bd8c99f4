// String::FormatMessageEx: printf-style formatting into a String.

#include <stdarg.h>
#include <stdio.h>

#include <new>

#include "strings/String.h"

namespace {

// The first buffer holds kFirstLimit bytes of text and its NUL: short messages, the
// common case, are formatted in one pass.
constexpr size_t kFirstLimit = 255;

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
    // An output error comes again at every size: growing the buffer would only allocate
    // up to 2 GiB before failing all the same.
    if (written < 0) return E_GENERAL_FAILURE;
    // Cut short: the second pass has room for exactly the whole text.
    limit = static_cast<size_t>(written) + 1;
  }
}
