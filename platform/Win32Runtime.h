#ifndef ZBUTIL_PLATFORM_WIN32RUNTIME_H_
#define ZBUTIL_PLATFORM_WIN32RUNTIME_H_

// Win32-named counters and runtime-library string functions for code ported from
// Windows. Exported under their plain (unmangled) names.
//
// The string functions work in place on a NUL-terminated string, allocate nothing,
// never move or change the terminating NUL, and return their argument. Case mapping
// is the C library's (tolower/toupper, towlower/towupper) under the process's current
// LC_CTYPE locale, which the library never sets. A narrow byte is mapped as the
// signed char it holds, so in the POSIX locale bytes 0x80..0xFF stay unchanged.
// Passing a null pointer is not supported.

#include <stdint.h>
#include <wchar.h>

#include "platform/Export.h"

extern "C" {

// Adds 1 to *value and returns the new value. Atomic; wraps in two's complement
// (2147483647 + 1 gives -2147483648).
ZBUTIL_API int32_t InterlockedIncrement(int32_t* value);

// Subtracts 1 from *value and returns the new value. Atomic; wraps like
// InterlockedIncrement.
ZBUTIL_API int32_t InterlockedDecrement(int32_t* value);

// NOLINTBEGIN(bugprone-reserved-identifier): the Windows runtime's names.
ZBUTIL_API char* _strlwr(char* text);
ZBUTIL_API char* _strupr(char* text);
// Reverses the bytes before the NUL.
ZBUTIL_API char* _strrev(char* text);
ZBUTIL_API wchar_t* _wcslwr(wchar_t* text);
ZBUTIL_API wchar_t* _wcsupr(wchar_t* text);
// Reverses the wide characters before the wide NUL.
ZBUTIL_API wchar_t* _wcsrev(wchar_t* text);
// NOLINTEND(bugprone-reserved-identifier)

}  // extern "C"

#endif  // ZBUTIL_PLATFORM_WIN32RUNTIME_H_
