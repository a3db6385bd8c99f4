#ifndef ZBUTIL_PLATFORM_ZBUNIXPERFORMANCETIMER_H_
#define ZBUTIL_PLATFORM_ZBUNIXPERFORMANCETIMER_H_

// ZbUnixPerformanceTimer: elapsed wall-clock milliseconds since it was started, with
// the granularity of the system's clock tick (10 ms at the usual 100 ticks per
// second), and whether a timeout has passed. It starts itself when constructed.
//
// Ticks and elapsed milliseconds are unsigned 32-bit values on every architecture:
// the results below are kept to their low 32 bits also where unsigned long is wider,
// so x86_64 gives exactly the results of 32-bit x86. Elapsed time is
// ((end - start) mod 2^32) * 1000 mod 2^32 / ticks-per-second, so a wrap of the tick
// counter is harmless, but intervals of more than 4294967 ticks (about 11 h 56 min at
// 100 ticks per second) wrap around to a value far too small.
//
// The clock is read only through the virtual GetTickCount, so a derived class can
// substitute its own. The constructor starts the timer through this class's
// StartTimer and GetTickCount (a derived clock is not yet in place then); a derived
// class that wants its own clock from the start calls Init() in its constructor.
// A timer must not be used by two threads at once.

#include <stdint.h>

#include "platform/Export.h"

class ZBUTIL_API ZbUnixPerformanceTimer {
 public:
  ZbUnixPerformanceTimer();
  virtual ~ZbUnixPerformanceTimer();

  // The elapsed milliseconds from the last start to now. Calls EndTimer() first,
  // so every query measures up to the moment of the query. 0 when the system
  // reports no tick rate.
  virtual unsigned long GetDifferenceInMilliSecs();

  // True when GetDifferenceInMilliSecs() >= ulTimeoutMs, compared at the full width
  // of unsigned long (so a timeout of 2^32 ms or more is never reached by this class's
  // own 32-bit difference). IsTimedOut(0) is always true.
  virtual bool IsTimedOut(unsigned long ulTimeoutMs);

  // The clock: elapsed real time in ticks since an arbitrary fixed point, as times()
  // gives it, mod 2^32. sysconf(_SC_CLK_TCK) ticks make a second.
  virtual unsigned long GetTickCount();

  // Restarts the timer: the start tick becomes GetTickCount(), the end tick 0.
  virtual void StartTimer();

  // Stores GetTickCount() as the end tick and returns it.
  virtual unsigned long EndTimer();

  // Restarts the timer through the virtual StartTimer.
  void Init();

 protected:
  // The tick count of the last StartTimer.
  uint32_t m_ulStartTick;
  // The tick count of the last EndTimer; 0 after StartTimer.
  uint32_t m_ulEndTick;
};

#endif  // ZBUTIL_PLATFORM_ZBUNIXPERFORMANCETIMER_H_
