// Case-insensitive search of String and AnsiString, and the pattern tests of String.
//
// The result is that of upper-casing copies of both texts with _strupr and searching
// one in the other, but no copy of the text searched is made on the usual path: the
// search folds bytes as it compares them, and on large texts it first looks, sixteen
// bytes at a time, for places where the needle's first two bytes could start.

#include <ctype.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <string_view>

#include "strings/AnsiString.h"
#include "strings/ReRegEx.h"
#include "strings/String.h"
#include "strings/StringDetail.h"

namespace {

constexpr size_t kNotFound = std::string::npos;

// A byte as _strupr folds it: toupper of the byte taken as a signed char, under the
// current locale.
unsigned char Fold(char c) {
  return static_cast<unsigned char>(toupper(static_cast<signed char>(c)));
}

// The folded needle and, for its first two bytes, the bytes of the text that fold to
// them: the pair of cases of a letter, or the byte alone twice.
struct Needle {
  std::string m_strFolded;
  unsigned char m_ucPreimage[2][2];
};

// Whether the folded needle starts at text[at].
bool MatchesAt(char const* text, std::string const& folded, size_t at) {
  for (size_t k = 0; k < folded.size(); ++k) {
    if (Fold(text[at + k]) != static_cast<unsigned char>(folded[k])) return false;
  }
  return true;
}

// The linear search of last resort, and the one for awkward needles: the rest of the
// text folded into a copy and searched with memmem (two-way, linear in the worst case).
size_t FoldAndSearch(std::string_view text, std::string const& folded, size_t from) {
  std::string rest(text.substr(from));
  for (char& c : rest) c = static_cast<char>(Fold(c));
  void const* hit = memmem(rest.data(), rest.size(), folded.data(), folded.size());
  return hit == nullptr ? kNotFound
                        : from + static_cast<size_t>(static_cast<char const*>(hit) - rest.data());
}

// Candidates are verified byte by byte; once that has cost more than this many bytes
// for every byte passed (plus a start), the needle is of the kind that nearly matches
// everywhere, and the rest goes to FoldAndSearch, which stays linear.
constexpr size_t kVerifyPerByte = 4;
constexpr size_t kVerifyStart = 64;

// Small texts, and the ends of large ones: one pass that folds each byte as it
// compares. Each byte is folded once and tested together with the next, which keeps
// mispredicted branches to places where two bytes of the needle match.
size_t ScanSmall(std::string_view text, std::string const& folded, size_t from) {
  const size_t m = folded.size();
  const size_t last = text.size() - m;
  const auto first = static_cast<unsigned char>(folded[0]);
  if (m == 1) {
    for (size_t at = from; at <= last; ++at) {
      if (Fold(text[at]) == first) return at;
    }
    return kNotFound;
  }
  const auto second = static_cast<unsigned char>(folded[1]);
  size_t verified = 0;
  unsigned char next = Fold(text[from]);
  for (size_t at = from; at <= last; ++at) {
    const unsigned char here = next;
    next = Fold(text[at + 1]);  // within the text: a match has m >= 2 bytes
    if (((here ^ first) | (next ^ second)) != 0) continue;
    if (MatchesAt(text.data(), folded, at)) return at;
    verified += m;
    if (verified > kVerifyPerByte * (at - from) + kVerifyStart) {
      return FoldAndSearch(text, folded, at + 1);
    }
  }
  return kNotFound;
}

using zbutil_detail::Bytes16;
using zbutil_detail::LoadBytes;
constexpr size_t kLanes = sizeof(Bytes16);

// Bit 8 * i of the result is set when lane i of hits is (hits holds 0 or -1 lanes).
uint64_t LowHalf(Bytes16 const& hits) {
  uint64_t word;
  memcpy(&word, &hits, sizeof word);
  return word;
}
uint64_t HighHalf(Bytes16 const& hits) {
  uint64_t word;
  memcpy(&word, reinterpret_cast<char const*>(&hits) + sizeof word, sizeof word);
  return word;
}

// The search state of ScanWide.
struct WideScan {
  std::string_view m_svText;
  std::string const& m_strFolded;
  size_t m_ulFrom;
  size_t m_ulVerified;
  // Set when VerifyBlock's result is final even if it is kNotFound.
  bool m_bDone;
};

// Verifies the candidates of the block at at (lanes 0 to 7 in low, 8 to 15 in high, a
// lane 0xFF when set) and returns the first match, or kNotFound when there is none.
// Once verifying costs too much it returns the result of FoldAndSearch for the rest of
// the text and sets m_bDone. Out of line, so that the loop that finds the blocks stays
// small.
__attribute__((noinline)) size_t VerifyBlock(WideScan& scan, size_t at, uint64_t low,
                                             uint64_t high) {
  uint64_t halves[2] = {low, high};
  for (size_t half = 0; half < 2; ++half) {
    while (halves[half] != 0) {
      const auto bit = static_cast<unsigned>(__builtin_ctzll(halves[half]));
      halves[half] &= ~(uint64_t{0xFF} << bit);  // the whole lane
      const size_t candidate = at + 8 * half + bit / 8;
      if (MatchesAt(scan.m_svText.data(), scan.m_strFolded, candidate)) return candidate;
      scan.m_ulVerified += scan.m_strFolded.size();
      if (scan.m_ulVerified > kVerifyPerByte * (candidate - scan.m_ulFrom) + kVerifyStart) {
        scan.m_bDone = true;
        return FoldAndSearch(scan.m_svText, scan.m_strFolded, candidate + 1);
      }
    }
  }
  return kNotFound;
}

// Large texts: positions whose byte folds to the needle's first byte and whose next
// byte to its second are found sixteen at a time, then verified.
size_t ScanWide(std::string_view text, Needle const& needle, size_t from) {
  const size_t last = text.size() - needle.m_strFolded.size();  // where a match can start
  // A block reads the bytes at to at + 16; since the needle has two bytes at least, a
  // block may start at last - 15.
  if (last - from < kLanes) return ScanSmall(text, needle.m_strFolded, from);
  const size_t lastBlock = last - (kLanes - 1);
  const Bytes16 first0 = Bytes16{} + static_cast<signed char>(needle.m_ucPreimage[0][0]);
  const Bytes16 first1 = Bytes16{} + static_cast<signed char>(needle.m_ucPreimage[0][1]);
  const Bytes16 second0 = Bytes16{} + static_cast<signed char>(needle.m_ucPreimage[1][0]);
  const Bytes16 second1 = Bytes16{} + static_cast<signed char>(needle.m_ucPreimage[1][1]);
  char const* const data = text.data();
  WideScan scan{text, needle.m_strFolded, from, 0, false};
  size_t at = from;
  size_t skip = 0;  // lanes of this block that the block before looked at already
  for (;;) {
    Bytes16 here;
    Bytes16 next;
    LoadBytes(data + at, here);
    LoadBytes(data + at + 1, next);
    const Bytes16 hits =
        ((here == first0) | (here == first1)) & ((next == second0) | (next == second1));
    uint64_t low = LowHalf(hits);
    uint64_t high = HighHalf(hits);
    if (skip != 0) {
      low = skip >= 8 ? 0 : low & (~uint64_t{0} << (8 * skip));
      high = skip <= 8 ? high : high & (~uint64_t{0} << (8 * (skip - 8)));
    }
    if ((low | high) != 0) {
      const size_t found = VerifyBlock(scan, at, low, high);
      if (found != kNotFound || scan.m_bDone) return found;
    }
    if (at == lastBlock) return kNotFound;
    // The last block ends where the text does, overlapping the one before it.
    if (at + kLanes <= lastBlock) {
      at += kLanes;
    } else {
      skip = at + kLanes - lastBlock;
      at = lastBlock;
    }
  }
}

// The preimages where the locale folds case as C does: the two cases of a letter, or
// the byte alone twice.
void GuessPreimages(Needle& needle) {
  for (int i = 0; i < 2; ++i) {
    const auto f = static_cast<unsigned char>(needle.m_strFolded[i]);
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
      if (f != static_cast<unsigned char>(needle.m_strFolded[i])) continue;
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
  GuessPreimages(needle);
  const size_t found = ScanWide(text, needle, from);
  std::string const& folded = needle.m_strFolded;
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
  // Folded as it is copied: folding a fresh copy in place waits for the copy's stores.
  Needle wanted{std::string(m, '\0'), {}};
  std::string& folded = wanted.m_strFolded;
  for (size_t i = 0; i < m; ++i) folded[i] = static_cast<char>(Fold(raw[i]));
  const size_t found =
      folded.size() < 2 ? ScanSmall(text, folded, start) : FindFolded(text, wanted, start);
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
