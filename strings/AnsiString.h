#ifndef ZBUTIL_STRINGS_ANSISTRING_H_
#define ZBUTIL_STRINGS_ANSISTRING_H_

// AnsiString: a sibling of String (not derived from it) with a subset of its
// operations. Like String it is a std::string with no data of its own; copying,
// assignment from another AnsiString and destruction are the standard string's.
// An AnsiString becomes a String through String(std::string const&).

#include <string>

#include "platform/Export.h"
#include "strings/Common.h"

class ZBUTIL_API AnsiString : public std::string {
 public:
  // The decimal text of v as "%ld" writes it.
  explicit AnsiString(long v);
  // The NUL-terminated text at p; a null p gives an empty AnsiString.
  AnsiString(char const* p);  // NOLINT(google-explicit-constructor): by design.

  // The NUL-terminated text at p; a null p empties the AnsiString.
  AnsiString& operator=(char const* p);

 private:
  explicit AnsiString(std::string&& s) noexcept : std::string(std::move(s)) {}
};

#endif  // ZBUTIL_STRINGS_ANSISTRING_H_
