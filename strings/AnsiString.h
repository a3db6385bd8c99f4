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

  // The members below behave exactly as String's members of the same name (see
  // String.h for their contracts) and return AnsiString values.

  // strcasecmp of the two texts, each up to its first NUL.
  int compare_icase(AnsiString const& s) const;
  // strncasecmp over at most n bytes; a negative n compares the whole texts.
  int compare_icase(AnsiString const& s, long n) const;

  // As strtol in base 10, clamped to INT_MIN..INT_MAX: the same value as
  // String::getInt for every text.
  int getInt() const;
  // As strtol in base 10.
  long getLong() const;
  // As strtod, with the current locale's decimal point.
  double getDoubleFloat() const;

  // Case-insensitive search up to the first NUL of both texts; npos when not found.
  size_type find_icase(AnsiString const& needle) const;
  // As find_icase(needle), from start on; a start beyond the text or negative gives
  // npos.
  size_type find_icase(AnsiString const& needle, long start) const;

  // The text without the run of c at its start.
  AnsiString leftTrim(char c) const;
  // The text without the run of c at its end.
  AnsiString rightTrim(char c) const;
  // The text without the runs of c at either end.
  AnsiString Trim(char c) const;
  // The bytes before the first NUL reversed; the rest stays in place.
  AnsiString reverseString() const;
  // Backslash escapes replaced by the byte they escape (see String).
  AnsiString GetStringWithoutEscapeChars() const;

 private:
  explicit AnsiString(std::string&& s) noexcept : std::string(std::move(s)) {}
};

#endif  // ZBUTIL_STRINGS_ANSISTRING_H_
