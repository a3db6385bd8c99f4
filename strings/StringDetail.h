#ifndef ZBUTIL_STRINGS_STRINGDETAIL_H_
#define ZBUTIL_STRINGS_STRINGDETAIL_H_

// Internal helpers shared by the sources of String and AnsiString; not installed.

#include <ctype.h>
#include <locale.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include "strings/String.h"

namespace zbutil_detail {

// A String that takes over the buffer of s, without copying the bytes.
inline String AdoptAsString(std::string&& s) {
  String result;
  result.swap(s);
  return result;
}

// A set of bytes, looked up with one word read per byte instead of a search of the
// set's text. Bits, not a table of 256 flags: zeroing that table cost more than
// trimming a text with nothing to trim.
class ByteSet {
 public:
  // The words are built in locals: or-ing into the member words one byte after another
  // made each wait for the store before.
  constexpr explicit ByteSet(std::string_view bytes) : m_ulBits{} {
    uint64_t w0 = 0, w1 = 0, w2 = 0, w3 = 0;
    for (char c : bytes) {
      const auto b = static_cast<unsigned char>(c);
      const uint64_t bit = uint64_t{1} << (b % 64);
      w0 |= b / 64 == 0 ? bit : 0;
      w1 |= b / 64 == 1 ? bit : 0;
      w2 |= b / 64 == 2 ? bit : 0;
      w3 |= b / 64 == 3 ? bit : 0;
    }
    m_ulBits[0] = w0;
    m_ulBits[1] = w1;
    m_ulBits[2] = w2;
    m_ulBits[3] = w3;
  }
  constexpr bool Contains(char c) const {
    const auto b = static_cast<unsigned char>(c);
    return ((m_ulBits[b / 64] >> (b % 64)) & 1) != 0;
  }

 private:
  uint64_t m_ulBits[4];
};

// The scan of TrimmedView, once an end has a byte to strip. Apart from TrimmedView's
// test, so that the test stays in line where a source trims in several places: reached
// through a call, it cost Trim a tenth of its time at 100 B.
template <typename Strip>
std::string_view StrippedView(std::string_view text, Strip strip, bool left, bool right) {
  // find_if_not rather than a plain loop: the standard library unrolls it.
  char const* const begin = text.data();
  char const* const end = begin + text.size();
  char const* const first = left ? std::find_if_not(begin, end, strip) : begin;
  char const* const last = right ? std::find_if_not(std::make_reverse_iterator(end),
                                                    std::make_reverse_iterator(first), strip)
                                       .base()
                                 : end;
  return std::string_view(first, static_cast<size_t>(last - first));
}

// text without the bytes for which strip(byte) holds at its start (when left) and at
// its end (when right). A text made only of such bytes gives an empty view that still
// points into text.
template <typename Strip>
std::string_view TrimmedView(std::string_view text, Strip strip, bool left, bool right) {
  // Nothing to strip is the usual case, and costs two tests in line.
  if (text.empty() || ((!left || !strip(text.front())) && (!right || !strip(text.back())))) {
    return text;
  }
  return StrippedView(text, strip, left, right);
}

// text without the bytes of set at either chosen end; an empty set removes nothing.
inline std::string_view TrimmedView(std::string_view text, ByteSet const& set, bool left,
                                    bool right) {
  return TrimmedView(
      text, [&set](char c) { return set.Contains(c); }, left, right);
}

// Sixteen bytes side by side; the compiler maps them to SSE2 on x86-64 and to plain
// words where the target has no vector unit.
using Bytes16 = signed char __attribute__((vector_size(16)));

// Through a reference, not by value: on 32-bit x86 without SSE a vector passed by
// value would change the calling convention (GCC warns of it).
inline void LoadBytes(char const* p, Bytes16& v) { memcpy(&v, p, sizeof v); }

// One or four bytes to strip (fewer repeated to make four), compared in registers,
// sixteen bytes at a time where the text has as many: a trim of sixteen blanks then
// takes one step instead of sixteen.
template <int kCount>
class FewBytes {
 public:
  template <typename... Bytes>
  constexpr explicit FewBytes(Bytes... bytes) : m_ach{bytes...} {
    static_assert(kCount == 1 || kCount == 4, "one byte or four");
    static_assert(sizeof...(Bytes) == kCount, "one byte for each of the set");
  }

  // Spelled out, not a loop, which -O2 would keep.
  constexpr bool operator()(char c) const {
    if constexpr (kCount == 1) return c == m_ach[0];
    return c == m_ach[0] || c == m_ach[1] || c == m_ach[2] || c == m_ach[3];
  }
  // The first byte of [begin, end) that is none of them, or end.
  char const* FirstOther(char const* begin, char const* end) const {
    for (; end - begin >= static_cast<ptrdiff_t>(sizeof(Bytes16)); begin += sizeof(Bytes16)) {
      uint64_t halves[2];
      Others(begin, halves);
      if (halves[0] != 0) return begin + __builtin_ctzll(halves[0]) / 8;
      if (halves[1] != 0) return begin + 8 + __builtin_ctzll(halves[1]) / 8;
    }
    return std::find_if_not(begin, end, *this);
  }
  // Just past the last byte of [begin, end) that is none of them, or begin.
  char const* PastLastOther(char const* begin, char const* end) const {
    for (; end - begin >= static_cast<ptrdiff_t>(sizeof(Bytes16)); end -= sizeof(Bytes16)) {
      uint64_t halves[2];
      Others(end - sizeof(Bytes16), halves);
      if (halves[1] != 0) return end - (__builtin_clzll(halves[1]) / 8);
      if (halves[0] != 0) return end - 8 - (__builtin_clzll(halves[0]) / 8);
    }
    return std::find_if_not(std::make_reverse_iterator(end), std::make_reverse_iterator(begin),
                            *this)
        .base();
  }

 private:
  // Sixteen bytes at p as two words, little-endian: all bits set in the bytes that are
  // none of them, none in the others.
  void Others(char const* p, uint64_t (&halves)[2]) const {
    Bytes16 v;
    LoadBytes(p, v);
    Bytes16 among = v == static_cast<signed char>(m_ach[0]);
    if constexpr (kCount == 4) {
      among |= (v == static_cast<signed char>(m_ach[1])) |
               (v == static_cast<signed char>(m_ach[2])) |
               (v == static_cast<signed char>(m_ach[3]));
    }
    const Bytes16 others = ~among;
    memcpy(halves, &others, sizeof halves);
  }

  char m_ach[kCount];
};

// TrimmedView's scans for a FewBytes (the template above takes this overload, found
// when it is instantiated), out of line: in line, the vector registers they need made
// every trim save more registers first, even one with nothing to strip.
template <int kCount>
__attribute__((noinline)) std::string_view StrippedView(std::string_view text,
                                                        FewBytes<kCount> const& few, bool left,
                                                        bool right) {
  char const* const end = text.data() + text.size();
  char const* const first = left ? few.FirstOther(text.data(), end) : text.data();
  char const* const last = right ? few.PastLastOther(first, end) : end;
  return std::string_view(first, static_cast<size_t>(last - first));
}

// The C locale's case table: what toupper (upper) or tolower gives for every byte as a
// signed char, -128 to 127, which is how _strupr and _strlwr pass bytes. In glibc's
// table the negative bytes map to their unsigned value, except -1 (EOF) to itself.
struct CaseTable {
  constexpr explicit CaseTable(bool upper) : m_iMapped{} {
    for (int c = -128; c < 128; ++c) {
      int mapped = c < 0 && c != -1 ? c + 256 : c;
      if (upper && c >= 'a' && c <= 'z') mapped = c - ('a' - 'A');
      if (!upper && c >= 'A' && c <= 'Z') mapped = c + ('a' - 'A');
      m_iMapped[c + 128] = mapped;
    }
  }
  int32_t m_iMapped[256];
};
inline constexpr CaseTable kUpperC{true};
inline constexpr CaseTable kLowerC{false};

// Whether the current locale (the thread's) maps case as the C locale does: toupper
// (upper) or tolower changes the 26 ASCII letters and no other byte. So it does in C
// and POSIX, asked by name first, and in C.UTF-8 and the UTF-8 locales of most
// languages, where no single byte above 0x7F is a character: these are recognised by
// their table, one comparison of 1 KiB (some 10 ns), exactly, whatever their name.
// Other locales may map more bytes, or map them otherwise (Turkish 'i').
inline bool MapsCaseLikeC(bool upper) {
  if (uselocale(static_cast<locale_t>(nullptr)) == LC_GLOBAL_LOCALE) {
    // Compared in line: a call to strcmp costs as much as the rest of the test.
    char const* name = setlocale(LC_CTYPE, nullptr);
    if (name != nullptr && name[0] == 'C' && name[1] == '\0') return true;
    if (name != nullptr && std::string_view(name) == "POSIX") return true;
  }
  int32_t const* table = upper ? *__ctype_toupper_loc() : *__ctype_tolower_loc();
  CaseTable const& c = upper ? kUpperC : kLowerC;
  return memcmp(table - 128, c.m_iMapped, sizeof c.m_iMapped) == 0;
}

}  // namespace zbutil_detail

#endif  // ZBUTIL_STRINGS_STRINGDETAIL_H_
