#ifndef ZBUTIL_LOGGING_LOGFILE_MESSAGEFORMAT_H_
#define ZBUTIL_LOGGING_LOGFILE_MESSAGEFORMAT_H_

// Internal: a record's message, formatted from the caller's printf format.

#include <stdarg.h>
#include <stddef.h>

namespace zbutil_logfile {

// Exactly what vsnprintf(out, limit, format, arguments) writes: at most limit - 1
// bytes of the formatted text, then a NUL; `limit` is at least 1. Returns the length
// of the text up to its first NUL (a "%c" of 0 ends it). Formats whose conversions are
// all plain "%d", "%i", "%u", "%x", "%X" (with hh, h, l, ll, j, z or t), "%s", "%c" or
// "%%" are formatted here, in a fraction of vsnprintf's time; any other (a flag, a
// width, a precision, a floating or positional conversion, a null "%s") goes to
// vsnprintf whole.
size_t FormatMessage(char* out, size_t limit, char const* format, va_list arguments);

}  // namespace zbutil_logfile

#endif  // ZBUTIL_LOGGING_LOGFILE_MESSAGEFORMAT_H_
