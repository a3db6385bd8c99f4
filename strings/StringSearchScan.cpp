// The scans of StringSearchScan.h.

#include "strings/StringSearchScan.h"

#include <stdint.h>
#include <string.h>

#include <string>
#include <string_view>

#include "strings/StringDetail.h"

namespace zbutil_detail {

// The linear search of last resort, and the one for awkward needles: the rest of the
// text folded into a copy and searched with memmem (two-way, linear in the worst case).
size_t FoldAndSearch(std::string_view text, std::string_view folded, size_t from) {
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
size_t ScanSmall(std::string_view text, std::string_view folded, size_t from) {
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
    if (MatchesAt(text.data(), folded, at, 2)) return at;
    verified += m;
    if (verified > kVerifyPerByte * (at - from) + kVerifyStart) {
      return FoldAndSearch(text, folded, at + 1);
    }
  }
  return kNotFound;
}

namespace {

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
  std::string_view m_svFolded;
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
      if (MatchesAt(scan.m_svText.data(), scan.m_svFolded, candidate)) return candidate;
      scan.m_ulVerified += scan.m_svFolded.size();
      if (scan.m_ulVerified > kVerifyPerByte * (candidate - scan.m_ulFrom) + kVerifyStart) {
        scan.m_bDone = true;
        return FoldAndSearch(scan.m_svText, scan.m_svFolded, candidate + 1);
      }
    }
  }
  return kNotFound;
}

}  // namespace

// Large texts: positions whose byte folds to the needle's first byte and whose next
// byte to its second are found sixteen at a time, then verified.
size_t ScanWide(std::string_view text, Needle const& needle, size_t from) {
  const size_t last = text.size() - needle.m_svFolded.size();  // where a match can start
  // A block reads the bytes at to at + 16; since the needle has two bytes at least, a
  // block may start at last - 15.
  if (last - from < kLanes) return ScanSmall(text, needle.m_svFolded, from);
  const size_t lastBlock = last - (kLanes - 1);
  const Bytes16 first0 = Bytes16{} + static_cast<signed char>(needle.m_ucPreimage[0][0]);
  const Bytes16 first1 = Bytes16{} + static_cast<signed char>(needle.m_ucPreimage[0][1]);
  const Bytes16 second0 = Bytes16{} + static_cast<signed char>(needle.m_ucPreimage[1][0]);
  const Bytes16 second1 = Bytes16{} + static_cast<signed char>(needle.m_ucPreimage[1][1]);
  char const* const data = text.data();
  WideScan scan{text, needle.m_svFolded, from, 0, false};
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

// The first eight places, their bytes folded by table loads into one word and compared
// at once: a match there, as in a short text full of them, is found exactly in any
// locale and without the setup of the wide scan. text holds from + 9 bytes at least.
constexpr size_t kHeadVerify = 24;

size_t ScanHead(std::string_view text, std::string_view folded, size_t from) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
  // Byte i of the result is 0x80 where byte i of v is zero, and 0 elsewhere.
  const auto zeroBytes = [](uint64_t v) { return ~(((v & kLow7) + kLow7) | v | kLow7); };
  char const* const p = text.data() + from;
  uint64_t word = 0;
  for (unsigned i = 0; i < 8; ++i) word |= uint64_t{Fold(p[i])} << (8 * i);
  const uint64_t next = (word >> 8) | uint64_t{Fold(p[8])} << 56;
  uint64_t hits = zeroBytes(word ^ (kOnes * static_cast<unsigned char>(folded[0]))) &
                  zeroBytes(next ^ (kOnes * static_cast<unsigned char>(folded[1])));
  // Verifying stops once it would cost more than a few words' worth: a needle that
  // nearly matches everywhere is left to the scans that bound that cost.
  size_t verified = 0;
  for (; hits != 0 && verified + folded.size() <= kHeadVerify; hits &= hits - 1) {
    const size_t candidate = from + static_cast<size_t>(__builtin_ctzll(hits)) / 8;
    if (MatchesAt(text.data(), folded, candidate, 2)) return candidate;
    verified += folded.size();
  }
  return kNotFound;
}

}  // namespace zbutil_detail
