// Case-insensitive search of String and AnsiString, and the pattern tests of String.
//
// The result is that of upper-casing copies of both texts with _strupr and searching
// one in the other, but no copy of the text searched is made on the usual path: the
// search folds bytes as it compares them, and on large texts it first looks, sixteen
// bytes at a time, for places where the needle's first two bytes could start.

#include <ctype.h>
#include <stdint.h>
#include <string.h>

#include <memory>
#include <string>
#include <string_view>

#include "strings/AnsiString.h"
#include "strings/ReRegEx.h"
#include "strings/String.h"
#include "strings/StringDetail.h"
#include "strings/StringSearchScan.h"

namespace {

using zbutil_detail::Fold;
using zbutil_detail::kNotFound;
using zbutil_detail::Needle;
using zbutil_detail::ScanSmall;
using zbutil_detail::ScanWide;

// The preimages where the locale folds case as C does: the two cases of a letter, or
// the byte alone twice.
void GuessPreimages(Needle& needle) {
  for (int i = 0; i < 2; ++i) {
    const auto f = static_cast<unsigned char>(needle.m_svFolded[i]);
    needle.m_ucPreimage[i][0] = f;
    needle.m_ucPreimage[i][1] = f >= 'A' && f <= 'Z' ? static_cast<unsigned char>(f + 32) : f;
  }
}

// In other locales, the bytes that fold like the needle's first two are found by
// folding all 256; that pass pays off from this many bytes of text on.
constexpr size_t kWideFrom = 1024;

// Fills the preimages of the needle's first two folded bytes in any locale. False
// when a locale folds a third byte alike (Greek final sigma does), which the wide scan
// cannot take.
bool FindPreimages(Needle& needle) {
  int found[2] = {0, 0};
  for (int b = 0; b < 256; ++b) {
    const unsigned char f = Fold(static_cast<char>(b));
    for (int i = 0; i < 2; ++i) {
      if (f != static_cast<unsigned char>(needle.m_svFolded[i])) continue;
      if (found[i] == 2) return false;
      needle.m_ucPreimage[i][found[i]++] = static_cast<unsigned char>(b);
    }
  }
  for (int i = 0; i < 2; ++i) {
    if (found[i] == 1) needle.m_ucPreimage[i][1] = needle.m_ucPreimage[i][0];
  }
  return true;
}

// A match this close to the start is confirmed by folding the bytes before it, which
// costs less than the check of the locale's whole table.
constexpr size_t kConfirmBytes = 16;

// Whether the bytes of text from from to at, both included, fold as in the C locale:
// then no match before at can have escaped the C locale's preimages.
bool FoldLikeC(std::string_view text, size_t from, size_t at) {
  bool same = true;
  for (size_t i = from; i <= at; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const unsigned char inC = c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
    same &= Fold(text[i]) == inC;
  }
  return same;
}

// The first match of the folded needle (two bytes at least) at or after from. The wide
// scan runs first with the preimages of the C locale, and its result is exact unless
// the locale folds further bytes to the needle's first two; whether it does is asked
// only when the answer is not settled more cheaply.
size_t FindFolded(std::string_view text, Needle& needle, size_t from) {
  if (text.size() - from >= needle.m_svFolded.size() + 7) {
    const size_t found = zbutil_detail::ScanHead(text, needle.m_svFolded, from);
    if (found != kNotFound) return found;
  }
  GuessPreimages(needle);
  const size_t found = ScanWide(text, needle, from);
  std::string_view folded = needle.m_svFolded;
  if (found != kNotFound && found - from < kConfirmBytes && FoldLikeC(text, from, found)) {
    return found;
  }
  if (zbutil_detail::MapsCaseLikeC(true)) return found;
  if (text.size() - from >= kWideFrom && FindPreimages(needle)) {
    return ScanWide(text, needle, from);
  }
  return ScanSmall(text, folded, from);
}

// Whether bytes holds a NUL.
bool HasNul(char const* bytes, size_t n) { return n != 0 && memchr(bytes, '\0', n) != nullptr; }

// Needles up to this length are folded into a buffer on the stack.
constexpr size_t kShortNeedle = 64;

// The position of the first occurrence of needle at or after start in text, both up
// to their first NUL, case folded as _strupr folds it; npos when there is none.
//
// The text is not measured up to its NUL first: the search runs over all of it and a
// match counts only when no NUL stands before it. A folded needle holds no NUL and
// matches none, so the first match is the result exactly when no NUL comes first. A
// match near the start of a large text then costs what is read up to it.
size_t FindIcase(std::string const& text, std::string const& needle, size_t start) {
  if (start > text.size() || HasNul(text.data(), start)) return kNotFound;
  char const* const raw = needle.c_str();
  const size_t m = strlen(raw);
  if (m == 0) return start;
  if (m > text.size() - start) return kNotFound;
  // Folded as it is copied (folding a fresh copy in place waits for the copy's stores),
  // on the stack when short: a string's set-up and zero-fill cost a tenth of a search
  // that finds its match within the first few bytes.
  char onStack[kShortNeedle];
  std::unique_ptr<char[]> onHeap;
  char* folded = onStack;
  if (m > kShortNeedle) {
    onHeap.reset(new char[m]);
    folded = onHeap.get();
  }
  for (size_t i = 0; i < m; ++i) folded[i] = static_cast<char>(Fold(raw[i]));
  Needle wanted{std::string_view(folded, m), {}};
  const size_t found =
      m < 2 ? ScanSmall(text, wanted.m_svFolded, start) : FindFolded(text, wanted, start);
  if (found == kNotFound || HasNul(text.data() + start, found - start)) return kNotFound;
  return found;
}

}  // namespace

String::size_type String::find_icase(String const& needle) const {
  return FindIcase(*this, needle, 0);
}

String::size_type String::find_icase(String const& needle, long start) const {
  // A negative start becomes a position beyond every text, as the standard find has it.
  return FindIcase(*this, needle, static_cast<size_t>(start));
}

bool String::IsSubString(String const& part) const { return FindIcase(*this, part, 0) != npos; }

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
