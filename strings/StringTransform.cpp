// Trimming, case mapping, reversal and escape removal of String and AnsiString. Each
// member returns a new value and leaves the object alone; the String and AnsiString
// forms share the helpers below and differ only in the class they return.

#include <string.h>

#include <string>
#include <string_view>

#include "platform/Win32Runtime.h"
#include "strings/AnsiString.h"
#include "strings/String.h"
#include "strings/StringDetail.h"

namespace {

using zbutil_detail::Bytes16;
using zbutil_detail::TrimmedView;

constexpr char kEscape = '\\';

// text without the run of c at either chosen end.
std::string_view Trimmed(std::string_view text, char c, bool left, bool right) {
  return TrimmedView(text, zbutil_detail::FewBytes<1>(c), left, right);
}

// The bytes of text mapped as _strupr (upper) or _strlwr would map them, text having
// no NUL byte. Where the locale maps case as C does (C.UTF-8 and most UTF-8 locales too)
// only ASCII letters change, sixteen bytes at a time: Uppercase in bench/StringBench.cpp
// then takes half the time of a table lookup per byte (_strupr) at 100 B and a sixth of
// it at 1 MiB.
void MapCase(std::string& text, bool upper) {
  if (!zbutil_detail::MapsCaseLikeC(upper)) {
    upper ? _strupr(text.data()) : _strlwr(text.data());
    return;
  }
  const char first = upper ? 'a' : 'A';
  const char last = upper ? 'z' : 'Z';
  const signed char step = upper ? -('a' - 'A') : 'a' - 'A';
  char* p = text.data();
  char* const end = p + text.size();
  for (; end - p >= static_cast<ptrdiff_t>(sizeof(Bytes16)); p += sizeof(Bytes16)) {
    Bytes16 v;
    zbutil_detail::LoadBytes(p, v);
    const Bytes16 mapped = v + (((v >= first) & (v <= last)) & step);
    memcpy(p, &mapped, sizeof mapped);
  }
  for (; p != end; ++p) {
    if (*p >= first && *p <= last) *p = static_cast<char>(*p + step);
  }
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
  // Sets of up to four bytes, the usual " \t\n\r" included, are compared with in
  // registers: building a table for them cost more than a text with little to trim.
  if (set.empty() || set.size() > 4) {
    return AsString(TrimmedView(*this, zbutil_detail::ByteSet(set), true, true));
  }
  const zbutil_detail::FewBytes<4> few(set[0], set[set.size() > 1 ? 1 : 0],
                                       set[set.size() > 2 ? 2 : 0], set[set.size() - 1]);
  return AsString(TrimmedView(*this, few, true, true));
}

String String::Lowercase(String const& /*unused*/) const {
  String copy(c_str());
  MapCase(copy, false);
  return copy;
}

String String::Uppercase(String const& /*unused*/) const {
  String copy(c_str());
  MapCase(copy, true);
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
