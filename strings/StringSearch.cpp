// Case-insensitive search of String and AnsiString, and the pattern tests of String.

#include <string.h>

#include <string>

#include "platform/Win32Runtime.h"
#include "strings/AnsiString.h"
#include "strings/ReRegEx.h"
#include "strings/String.h"

namespace {

// text up to its first NUL, upper-cased under the current locale.
std::string UpperCopy(std::string const& text) {
  std::string copy(text.c_str());
  _strupr(copy.data());
  return copy;
}

// The position of the first occurrence of needle at or after start in text, case
// ignored, or npos. glibc's memmem is linear in the worst case (two-way search), where
// a naive scan is quadratic for needles like "aa...ab"; both find the same position.
size_t FindIcase(std::string const& text, std::string const& needle, size_t start) {
  const std::string haystack = UpperCopy(text);
  if (start > haystack.size()) return std::string::npos;
  const std::string wanted = UpperCopy(needle);
  if (wanted.empty()) return start;
  void const* hit =
      memmem(haystack.data() + start, haystack.size() - start, wanted.data(), wanted.size());
  if (hit == nullptr) return std::string::npos;
  return static_cast<size_t>(static_cast<char const*>(hit) - haystack.data());
}

}  // namespace

String::size_type String::find_icase(String const& needle) const {
  return FindIcase(*this, needle, 0);
}

String::size_type String::find_icase(String const& needle, long start) const {
  // A negative start becomes a position beyond every text, as the standard find has it.
  return FindIcase(*this, needle, static_cast<size_t>(start));
}

bool String::IsSubString(String const& part) const {
  return strstr(UpperCopy(*this).c_str(), UpperCopy(part).c_str()) != nullptr;
}

bool String::MatchesRegularExpression(String const& pattern) const {
  ReRegEx regex;
  if (regex.Parse(pattern) < 0) return false;
  bool matched = false;
  if (regex.Match(*this, matched) < 0) return false;
  return matched;
}

AnsiString::size_type AnsiString::find_icase(AnsiString const& needle) const {
  return FindIcase(*this, needle, 0);
}

AnsiString::size_type AnsiString::find_icase(AnsiString const& needle, long start) const {
  return FindIcase(*this, needle, static_cast<size_t>(start));
}
