// Exception, the Win32-named functions and ZbUnixPerformanceTimer, at the edges that the
// drop-in program (tests/interface) does not reach.

#include <gtest/gtest.h>
#include <limits.h>
#include <stdint.h>
#include <unistd.h>

#include <exception>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ScopedLocale.h"
#include "platform/Exception.h"
#include "platform/Win32Runtime.h"
#include "platform/ZbUnixPerformanceTimer.h"

namespace {

using namespace std::string_literals;

// The message is copied whole (NULs too) and is not what(); the counters wrap.
TEST(Exception, KeepsTheWholeMessageApartFromWhatAndCountersWrap) {
  const Exception caught(LONG_MIN, String("disk\0full"s));
  EXPECT_EQ(caught.m_lCode, LONG_MIN);
  EXPECT_EQ(caught.m_strMessage, "disk\0full"s);
  EXPECT_STREQ(caught.what(), std::exception().what());
  int32_t v = INT32_MAX;
  EXPECT_EQ(InterlockedIncrement(&v), INT32_MIN);
  EXPECT_EQ(InterlockedDecrement(&v), INT32_MAX);
}

// function changes text in place, up to its first NUL, into result and returns it.
template <typename Char>
void ExpectInPlace(Char* (*function)(Char*), std::basic_string<Char> text,
                   std::basic_string<Char> const& result) {
  SCOPED_TRACE(result);
  EXPECT_EQ(function(text.data()), text.data());
  EXPECT_EQ(text, result);
}

TEST(StringFunctions, NarrowOnesMapOnlyAsciiInThePosixLocale) {
  ScopedLocale posix("C");
  ASSERT_TRUE(posix.ok());
  std::string high;  // every byte from 0x80 on, 0xFF (EOF as a signed char) included
  for (int b = 0x80; b <= 0xFF; ++b) high += static_cast<char>(b);
  ExpectInPlace(_strupr, high, high);
  ExpectInPlace(_strlwr, high, high);
  ExpectInPlace(_strrev, "abc\0d"s, "cba\0d"s);
  ExpectInPlace(_strrev, ""s, ""s);
}

TEST(StringFunctions, WideOnesFollowTheLocale) {
  ScopedLocale utf8("C.UTF-8");
  ASSERT_TRUE(utf8.ok());
  ExpectInPlace(_wcsrev, L"abcd\0e"s, L"dcba\0e"s);
  ExpectInPlace(_wcsupr, L"abc1\u00e9\0x"s, L"ABC1\u00c9\0x"s);
  ExpectInPlace(_wcslwr, L"AB\u00c9"s, L"ab\u00e9"s);
}

// A timer whose clock returns scripted tick counts, one per read, and that counts its
// restarts. The expected values assume the usual 100 ticks per second.
class ScriptedTimer : public ZbUnixPerformanceTimer {
 public:
  // Throws when read more often than scripted.
  unsigned long GetTickCount() override { return m_ticks.at(m_iRead++); }
  void StartTimer() override {
    ++m_iStarts;
    ZbUnixPerformanceTimer::StartTimer();
  }
  std::vector<unsigned long> m_ticks;
  size_t m_iRead = 0;
  int m_iStarts = 0;
};

// ((end - start) mod 2^32) * 1000 mod 2^32 / 100, as on 32-bit x86. Every query measures from the
// last start, which Init makes through the virtual StartTimer; the constructor uses its own.
// Only the timeout is compared at the full width of unsigned long.
TEST(ZbUnixPerformanceTimer, MeasuresFromTheLastStartWithArithmeticWrappingAt32Bits) {
  ASSERT_EQ(sysconf(_SC_CLK_TCK), 100);
  ScriptedTimer timer;
  for (auto [start, end, ms] :
       {std::tuple{4294967290ul, 10ul, 160ul}, std::tuple{1000ul, 1000ul + 4294967, 42949670ul},
        std::tuple{1000ul, 1000ul + 4294968, 7ul}}) {
    timer.m_ticks = {start, end, end, end, end};
    timer.m_iRead = 0;
    timer.Init();
    EXPECT_EQ(timer.GetDifferenceInMilliSecs(), ms) << start << " to " << end;
    EXPECT_TRUE(timer.IsTimedOut(ms));
    EXPECT_FALSE(timer.IsTimedOut(ms + 1));
  }
  EXPECT_EQ(timer.m_iStarts, 3);
  // The timeout is compared at the full width of unsigned long, not cut to 32 bits.
  struct FixedDifference : ZbUnixPerformanceTimer {
    unsigned long GetDifferenceInMilliSecs() override { return m_ulDifference; }
    unsigned long m_ulDifference = 0;
  } fixed;
  const auto beyond32 = static_cast<unsigned long>(0x100000000ull);  // 0 where long is 32 bits
  for (auto [difference, timeout] : {std::pair{5ul, beyond32}, std::pair{beyond32 + 7, 8ul},
                                     std::pair{ULONG_MAX - 1, ULONG_MAX}}) {
    fixed.m_ulDifference = difference;
    EXPECT_EQ(fixed.IsTimedOut(timeout), difference >= timeout) << difference << " " << timeout;
  }
  EXPECT_EQ(ZbUnixPerformanceTimer().IsTimedOut(beyond32), beyond32 == 0);
}

}  // namespace
