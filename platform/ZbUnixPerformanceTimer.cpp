#include "platform/ZbUnixPerformanceTimer.h"

#include <sys/times.h>
#include <unistd.h>

#include "platform/LayoutCheck.h"

namespace {

constexpr uint32_t kMilliSecsPerSec = 1000;

// The members are protected: checked from a class derived as a caller's would be.
struct TimerLayout : ZbUnixPerformanceTimer {
  static void Check() {
    ZBUTIL_CHECK_SIZE(ZbUnixPerformanceTimer, 12, 16);
    ZBUTIL_CHECK_OFFSET(TimerLayout, m_ulStartTick, 4, 8)
    ZBUTIL_CHECK_OFFSET(TimerLayout, m_ulEndTick, 8, 12)
  }
};

}  // namespace

ZbUnixPerformanceTimer::ZbUnixPerformanceTimer() : m_ulStartTick(0), m_ulEndTick(0) {
  // Qualified: a constructor must not depend on which override would be chosen.
  ZbUnixPerformanceTimer::StartTimer();
}

ZbUnixPerformanceTimer::~ZbUnixPerformanceTimer() = default;

unsigned long ZbUnixPerformanceTimer::GetTickCount() {
  struct tms unused {};
  // Only the elapsed real time is wanted; its low 32 bits are what 32-bit x86 sees.
  return static_cast<uint32_t>(times(&unused));
}

void ZbUnixPerformanceTimer::StartTimer() {
  // From the constructor this reads this class's own clock, as documented: a derived
  // clock does not exist yet.
  // NOLINTNEXTLINE(clang-analyzer-optin.cplusplus.VirtualCall)
  const auto tick = static_cast<uint32_t>(GetTickCount());
  m_ulEndTick = 0;
  m_ulStartTick = tick;
}

unsigned long ZbUnixPerformanceTimer::EndTimer() {
  m_ulEndTick = static_cast<uint32_t>(GetTickCount());
  return m_ulEndTick;
}

unsigned long ZbUnixPerformanceTimer::GetDifferenceInMilliSecs() {
  EndTimer();
  // Asked on every call, as the rate is the system's to report; an error (-1) or a
  // rate of 0 gives no meaningful difference.
  const long rate = sysconf(_SC_CLK_TCK);
  if (rate <= 0) return 0;
  // All in uint32_t: the tick difference and the product wrap mod 2^32, as on
  // 32-bit x86.
  const uint32_t ticks = m_ulEndTick - m_ulStartTick;
  const uint32_t product = ticks * kMilliSecsPerSec;
  return product / static_cast<uint32_t>(rate);
}

bool ZbUnixPerformanceTimer::IsTimedOut(unsigned long ulTimeoutMs) {
  // At the full width of unsigned long: a derived GetDifferenceInMilliSecs may give
  // more than 32 bits, and a timeout of 2^32 ms or more must not wrap to a small one.
  return GetDifferenceInMilliSecs() >= ulTimeoutMs;
}

void ZbUnixPerformanceTimer::Init() { StartTimer(); }
