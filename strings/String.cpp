#include "strings/String.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <memory>

#include "strings/DecimalText.h"

namespace {

constexpr size_t kConversionFailed = static_cast<size_t>(-1);

// The locale's multibyte form of the wide text w, as wcstombs gives it. The first
// attempt has one byte per wide character plus the terminator; a text that needs more
// (UTF-8 beyond ASCII) has its remainder measured and converted too, so no character
// is ever cut off.
std::string NarrowFromWide(wchar_t const* w) {
  const size_t n = wcslen(w) + 1;
  std::string text(n, '\0');
  mbstate_t state{};
  size_t written = wcsrtombs(text.data(), &w, n, &state);
  if (written == kConversionFailed) throw E_GENERAL_FAILURE;
  if (w != nullptr) {  // stopped at a character that did not fit
    mbstate_t probe = state;
    wchar_t const* rest = w;
    const size_t more = wcsrtombs(nullptr, &rest, 0, &probe);
    if (more == kConversionFailed) throw E_GENERAL_FAILURE;
    text.resize(written + more + 1);
    written += wcsrtombs(text.data() + written, &w, more + 1, &state);
  }
  text.resize(written);
  return text;
}

}  // namespace

String::String(String const& s) : std::string(s) {}

String::String(std::string const& s) : std::string(s) {}

String::String(std::string const& s, unsigned long pos, unsigned long n) : std::string(s, pos, n) {}

String::String(unsigned long n, char ch) : std::string(n, ch) {}

String::String(char const* p, unsigned long n) : std::string(p, n) {}

String::String(unsigned int n, char const* p) {
  if (p != nullptr) assign(p, n);
}

String::String(long v) : std::string(zbutil_detail::DecimalText(v)) {}

String::String(char const* p) {
  if (p != nullptr) assign(p);
}

String::String(wchar_t const* w) {
  if (w != nullptr) std::string::operator=(NarrowFromWide(w));
}

String& String::operator=(String const& s) {
  std::string::operator=(s);
  return *this;
}

String& String::operator=(std::string const& s) {
  // assign() copes with s being this very String.
  assign(s.c_str());
  return *this;
}

String& String::operator=(char const* p) {
  if (p == nullptr) {
    clear();
  } else {
    assign(p);
  }
  return *this;
}

String& String::operator=(wchar_t const* w) {
  clear();
  if (w != nullptr) std::string::operator=(NarrowFromWide(w));
  return *this;
}

String& String::operator=(std::wstring const& w) {
  std::string::operator=(NarrowFromWide(w.c_str()));
  return *this;
}

std::string String::GetAnsiString() const { return *this; }

std::string String::GetAnsiStringEx() const { return *this; }

std::wstring String::GetUnicodeString() const {
  if (empty()) return std::wstring();
  char const* text = c_str();
  const size_t n = strlen(text) + 1;
  std::unique_ptr<wchar_t[]> buffer(new wchar_t[n]);
  const size_t written = mbstowcs(buffer.get(), text, n);
  if (written == kConversionFailed) throw E_GENERAL_FAILURE;
  return std::wstring(buffer.get(), written);
}

int String::Replace(String const& pattern, String const& replacement) {
  if (empty() || pattern.empty()) return 0;
  size_t match = find(pattern);
  if (match == npos) return 0;

  // Built in a new buffer, one pass: the in-place erase-and-insert would move the
  // tail once per match. The result is the same, since the search never looks at
  // inserted text, and the String is untouched if allocation fails.
  std::string result;
  result.reserve(size());
  int count = 0;
  size_t from = 0;
  do {
    result.append(*this, from, match - from);
    result.append(replacement);
    ++count;
    from = match + pattern.size();
    match = find(pattern, from);
  } while (match != npos);
  result.append(*this, from, npos);
  std::string::operator=(std::move(result));
  return count;
}
