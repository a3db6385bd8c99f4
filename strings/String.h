#ifndef ZBUTIL_STRINGS_STRING_H_
#define ZBUTIL_STRINGS_STRING_H_

// String: the library's text type. A std::string (same bytes, same layout, no data
// of its own) with the conveniences that code written for Windows expects.
//
// Bytes are not interpreted except by the narrow/wide conversions, which use the
// multibyte encoding of the process's current locale (the library never sets it).
// Embedded NUL bytes are kept like any other byte; operations that read the text as
// a NUL-terminated string say so. Strings are values: copies are independent, and
// one String must not be changed by two threads at once.

#include <string>
#include <vector>

#include "platform/Export.h"
#include "strings/Common.h"

class ZBUTIL_API String : public std::string {
 public:
  // Empty. Out of line, so that programs built for this interface find it exported.
  String();
  String(String const& s);
  String(String&& s) noexcept = default;
  // All bytes of s, embedded NULs included.
  String(std::string const& s);  // NOLINT(google-explicit-constructor): by design.
  // n bytes of s from pos, cut short at its end; pos beyond the end throws
  // std::out_of_range.
  String(std::string const& s, unsigned long pos, unsigned long n);
  // n copies of ch.
  String(unsigned long n, char ch);
  // Exactly n bytes at p, NULs included. A null p with n == 0 gives an empty String;
  // a null p with n != 0 throws std::logic_error.
  String(char const* p, unsigned long n);
  // Exactly n bytes at p, NULs included; a null p gives an empty String whatever n is.
  String(unsigned int n, char const* p);
  // The decimal text of v as "%ld" writes it.
  explicit String(long v);
  // The NUL-terminated text at p; a null p gives an empty String.
  String(char const* p);  // NOLINT(google-explicit-constructor): by design.
  // w converted to the locale's multibyte text; a null w gives an empty String.
  // Throws long E_GENERAL_FAILURE when the locale cannot represent a character.
  String(wchar_t const* w);  // NOLINT(google-explicit-constructor): by design.

  String& operator=(String const& s);
  String& operator=(String&& s) noexcept = default;
  // Takes s up to its first NUL byte; embedded NULs and what follows are dropped.
  String& operator=(std::string const& s);
  // The NUL-terminated text at p; a null p empties the String.
  String& operator=(char const* p);
  // Empties the String, then converts w as String(wchar_t const*) does. If the
  // conversion throws, the String stays empty.
  String& operator=(wchar_t const* w);
  // Converts w up to its first wide NUL; if that throws, the String keeps its value.
  String& operator=(std::wstring const& w);

  // A std::string holding a copy of all bytes.
  std::string GetAnsiString() const;
  // Same as GetAnsiString, in every case.
  std::string GetAnsiStringEx() const;
  // The text up to its first NUL converted from the locale's multibyte encoding.
  // Throws long E_GENERAL_FAILURE on an invalid byte sequence; the String is
  // unchanged either way.
  std::wstring GetUnicodeString() const;

  // Replaces, left to right, every non-overlapping occurrence of pattern by
  // replacement and returns how many were replaced. Text brought in by a replacement
  // is never searched again. An empty String or an empty pattern changes nothing and
  // returns 0. Runs in time linear in the length of the result.
  int Replace(String const& pattern, String const& replacement);

  // Comparison (StringCompare.cpp). Both texts are read up to their first NUL and
  // compared as unsigned bytes; results are read by sign only. The ignore-case forms
  // fold letters through the current locale's lower-case mapping.

  // strcmp of the two texts.
  int compare_case(String const& s) const;
  // strcasecmp of the two texts.
  int compare_icase(String const& s) const;
  // strncasecmp over at most n bytes; a negative n compares the whole texts.
  int compare_icase(String const& s, long n) const;
  // strcasecmp when ignoreCase, else strcmp.
  int Compare(String const& s, bool ignoreCase) const;
  // ignoreCase: strncasecmp over at most n bytes (a negative n compares the whole
  // texts). Case-sensitive: strncmp over as many bytes as s holds, whatever n is, so
  // "abcdef" equals "abc" there.
  int Compare(String const& s, long n, bool ignoreCase) const;

  // Numbers read from the start of the text (up to its first NUL); trailing bytes are
  // ignored and a text without a number gives 0. Leading white space and a sign are
  // accepted, and only decimal digits (no 0x or octal prefix). (Comparison and numbers
  // live in StringCompare.cpp and StringNumber.cpp.)

  // As sscanf with "%d"; a number beyond the int range gives INT_MAX or INT_MIN, on
  // every architecture.
  int getInt() const;
  // As strtol in base 10; beyond the range of long, LONG_MAX or LONG_MIN.
  long getLong() const;
  // As strtod, with the current locale's decimal point.
  double getDoubleFloat() const;

  // Formats the arguments as vsnprintf does and, on success, makes the result the
  // String's text (read up to its first NUL). Returns 0, or E_GENERAL_FAILURE when
  // format is null or no buffer could be had; the String is then unchanged. A text
  // shorter than 255 bytes takes one formatting pass, a longer one exactly two. An
  // output error of vsnprintf (say a wide argument the locale cannot represent, or a
  // text beyond INT_MAX bytes) does not depend on the buffer, so it gives
  // E_GENERAL_FAILURE at once, after the first pass. Buffers are allocated without
  // throwing, so running out of memory gives E_GENERAL_FAILURE, not std::bad_alloc
  // (StringFormat.cpp).
  long FormatMessageEx(char const* format, ...) __attribute__((format(printf, 2, 3)));

  // Case-insensitive search (StringSearch.cpp). Only the texts up to their first NUL
  // take part; the result is that of upper-casing both with _strupr, so folding
  // follows the current locale (in the C locale only ASCII letters fold). Only the
  // needle is copied.

  // Position of the first occurrence of needle, or npos. An empty needle is found at
  // 0, even in an empty String. Linear in the length of the text.
  size_type find_icase(String const& needle) const;
  // As find_icase(needle), considering only occurrences at or after start. A start
  // beyond the end of the text, or a negative one, gives npos; an empty needle is
  // found at start when start is at most the text's length.
  size_type find_icase(String const& needle, long start) const;
  // Whether part occurs anywhere in the text, case ignored; an empty part always does.
  bool IsSubString(String const& part) const;
  // Whether the text matches the pattern according to ReRegEx. ReRegEx matches
  // nothing, so the result is false for every pattern.
  bool MatchesRegularExpression(String const& pattern) const;

  // Transformed copies (StringTransform.cpp); the String itself is never changed.
  // Trimming and escape removal read every byte, embedded NULs included.

  // The text without the run of c at its start.
  String leftTrim(char c) const;
  // The text without the run of c at its end.
  String rightTrim(char c) const;
  // The text without the runs of c at either end.
  String Trim(char c) const;
  // The text without the runs, at either end, of bytes that occur in set (every byte of
  // set counts, NULs included); empty when all of it is in set. An empty set removes
  // nothing.
  String TrimWhiteSpaces(String const& set) const;
  // The text up to its first NUL, mapped as _strlwr maps it under the current locale. The
  // argument is not read.
  String Lowercase(String const& unused) const;
  // The text up to its first NUL, mapped as _strupr maps it under the current locale. The
  // argument is not read.
  String Uppercase(String const& unused) const;
  // The text with the bytes before its first NUL in reverse order; the first NUL and
  // whatever follows it stay in place, so the length is unchanged.
  String reverseString() const;
  // The text with every backslash escape replaced by the byte it escapes, taken
  // literally (backslash-n gives n, two backslashes give one). A final backslash with
  // nothing to escape stays, unless the byte before it is a backslash too. A text of
  // 0 or 1 bytes is returned as it is. Linear in the length of the text.
  String GetStringWithoutEscapeChars() const;

  // Splits the text up to its first NUL at every byte that occurs in delimiters (each
  // byte a delimiter on its own) and returns the fields in order, each stripped of
  // leading and trailing " \t\n\r". n delimiters give n + 1 fields; keepEmpty false
  // leaves out the fields that are empty after stripping. An empty String gives no
  // field at all. Linear in the length of the text (StringSplit.cpp).
  std::vector<String> StringSplit(String delimiters, bool keepEmpty) const;
};

#endif  // ZBUTIL_STRINGS_STRING_H_
