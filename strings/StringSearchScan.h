#ifndef ZBUTIL_STRINGS_STRINGSEARCHSCAN_H_
#define ZBUTIL_STRINGS_STRINGSEARCHSCAN_H_

// The scans behind find_icase and IsSubString (StringSearchScan.cpp); not installed.
// Each looks for a needle already folded as _strupr folds it, taken by its length, in a
// text folded byte by byte as it is read, and returns the first position at or after
// from where it starts, or npos.

#include <ctype.h>
#include <stddef.h>

#include <string>
#include <string_view>

namespace zbutil_detail {

constexpr size_t kNotFound = std::string::npos;

// A byte as _strupr folds it: toupper of the byte taken as a signed char, under the
// current locale.
inline unsigned char Fold(char c) {
  return static_cast<unsigned char>(toupper(static_cast<signed char>(c)));
}

// The folded needle and, for its first two bytes, the bytes of the text that fold to
// them: the pair of cases of a letter, or the byte alone twice.
struct Needle {
  std::string_view m_svFolded;
  unsigned char m_ucPreimage[2][2];
};

// Whether the folded needle starts at text[at], its first `known` bytes (at most its
// length) known to match already.
inline bool MatchesAt(char const* text, std::string_view folded, size_t at, size_t known = 0) {
  for (size_t k = known; k < folded.size(); ++k) {
    if (Fold(text[at + k]) != static_cast<unsigned char>(folded[k])) return false;
  }
  return true;
}

// The linear search of last resort, and the one for awkward needles: the rest of the
// text folded into a copy and searched with memmem (two-way, linear in the worst case).
size_t FoldAndSearch(std::string_view text, std::string_view folded, size_t from);

// Small texts, and the ends of large ones: one pass that folds each byte as it
// compares; folded has one byte at least.
size_t ScanSmall(std::string_view text, std::string_view folded, size_t from);

// Large texts: the places whose byte is one of the needle's first preimages and whose
// next byte one of its second are found sixteen at a time, then verified; folded has
// two bytes at least.
size_t ScanWide(std::string_view text, Needle const& needle, size_t from);

// The first eight places, their bytes folded by table loads into one word and compared
// at once: a match there, as in a short text full of them, is found exactly in any
// locale and without the setup of the wide scan. npos when there is none there, or
// when verifying the places would cost too much. text holds from + 9 bytes at least.
size_t ScanHead(std::string_view text, std::string_view folded, size_t from);

}  // namespace zbutil_detail

#endif  // ZBUTIL_STRINGS_STRINGSEARCHSCAN_H_
