// Trimming, case mapping, reversal and escape removal of String and AnsiString. Each
// member returns a new value and leaves the object alone; the String and AnsiString
// forms share the helpers below and differ only in the class they return.

#include <stdint.h>
#include <string.h>

#include <string>
#include <string_view>

#include "platform/Win32Runtime.h"
#include "strings/AnsiString.h"
#include "strings/String.h"
#include "strings/StringDetail.h"

namespace {

using zbutil_detail::TrimmedView;

constexpr char kEscape = '\\';

// Padding comes in runs: whole words of it are skipped eight bytes at a time, and the
// last few bytes one by one.
constexpr size_t kWord = sizeof(uint64_t);

uint64_t WordAt(char const* p) {
  uint64_t word = 0;
  memcpy(&word, p, kWord);
  return word;
}

// The length of the run of c at the start of [p, p + n).
size_t LeadingRun(char const* p, size_t n, char c) {
  const uint64_t all = 0x0101010101010101ull * static_cast<unsigned char>(c);
  size_t i = 0;
  while (n - i >= kWord && WordAt(p + i) == all) i += kWord;
  while (i < n && p[i] == c) ++i;
  return i;
}

// The length of the run of c at the end of [p, p + n).
size_t TrailingRun(char const* p, size_t n, char c) {
  const uint64_t all = 0x0101010101010101ull * static_cast<unsigned char>(c);
  size_t i = 0;
  while (n - i >= kWord && WordAt(p + n - i - kWord) == all) i += kWord;
  while (i < n && p[n - i - 1] == c) ++i;
  return i;
}

// text without the run of c at either chosen end.
std::string_view Trimmed(std::string const& text, char c, bool left, bool right) {
  const size_t first = left ? LeadingRun(text.data(), text.size(), c) : 0;
  const size_t rest = text.size() - first;
  const size_t last = right ? rest - TrailingRun(text.data() + first, rest, c) : rest;
  return std::string_view(text).substr(first, last);
}

String AsString(std::string_view bytes) {
  return String(bytes.data(), static_cast<unsigned long>(bytes.size()));
}

// A copy of all bytes with those before the first NUL reversed by _strrev.
std::string Reversed(std::string const& text) {
  std::string copy(text);
  _strrev(copy.data());
  return copy;
}

// One pass over the text: each backslash is dropped and the byte after it copied
// literally, whatever it is. The same result as rebuilding the text escape by escape,
// in linear time.
std::string WithoutEscapes(std::string const& text) {
  const size_t n = text.size();
  if (n <= 1) return text;
  std::string result;
  result.reserve(n);
  char const* const data = text.data();
  size_t from = 0;
  while (from < n) {
    void const* hit = memchr(data + from, kEscape, n - from);
    if (hit == nullptr) break;
    const size_t escape = static_cast<size_t>(static_cast<char const*>(hit) - data);
    result.append(data + from, escape - from);
    if (escape + 1 < n) result.push_back(data[escape + 1]);
    from = escape + 2 < n ? escape + 2 : n;
  }
  result.append(data + from, n - from);
  // A final backslash with nothing to escape is put back, unless the byte before it is
  // a backslash as well.
  if (data[n - 1] == kEscape && data[n - 2] != kEscape) result.push_back(kEscape);
  return result;
}

}  // namespace

using zbutil_detail::AdoptAsString;

String String::leftTrim(char c) const { return AsString(Trimmed(*this, c, true, false)); }

String String::rightTrim(char c) const { return AsString(Trimmed(*this, c, false, true)); }

String String::Trim(char c) const { return AsString(Trimmed(*this, c, true, true)); }

String String::TrimWhiteSpaces(String const& set) const {
  return AsString(TrimmedView(*this, zbutil_detail::ByteSet(set), true, true));
}

String String::Lowercase(String const& /*unused*/) const {
  String copy(c_str());
  _strlwr(copy.data());
  return copy;
}

String String::Uppercase(String const& /*unused*/) const {
  String copy(c_str());
  _strupr(copy.data());
  return copy;
}

String String::reverseString() const { return AdoptAsString(Reversed(*this)); }

String String::GetStringWithoutEscapeChars() const { return AdoptAsString(WithoutEscapes(*this)); }

AnsiString AnsiString::leftTrim(char c) const {
  return AnsiString(std::string(Trimmed(*this, c, true, false)));
}

AnsiString AnsiString::rightTrim(char c) const {
  return AnsiString(std::string(Trimmed(*this, c, false, true)));
}

AnsiString AnsiString::Trim(char c) const {
  return AnsiString(std::string(Trimmed(*this, c, true, true)));
}

AnsiString AnsiString::reverseString() const { return AnsiString(Reversed(*this)); }

AnsiString AnsiString::GetStringWithoutEscapeChars() const {
  return AnsiString(WithoutEscapes(*this));
}
