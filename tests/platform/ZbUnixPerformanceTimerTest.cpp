#include "platform/ZbUnixPerformanceTimer.h"

#include <gtest/gtest.h>
#include <stdint.h>
#include <sys/times.h>
#include <unistd.h>

#include <deque>

namespace {

// A timer whose clock returns scripted tick counts, one per read.
class ScriptedTimer : public ZbUnixPerformanceTimer {
 public:
  void Script(std::deque<unsigned long> ticks) { m_ticks = std::move(ticks); }

  unsigned long GetTickCount() override {
    if (m_ticks.empty()) {
      ADD_FAILURE() << "clock read more often than scripted";
      return 0;
    }
    const unsigned long tick = m_ticks.front();
    m_ticks.pop_front();
    return tick;
  }

  uint32_t StartTick() const { return m_ulStartTick; }
  uint32_t EndTick() const { return m_ulEndTick; }
  bool AllRead() const { return m_ticks.empty(); }

 private:
  std::deque<unsigned long> m_ticks;
};

// The expected values below assume the usual Linux rate.
class ScriptedClock : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(sysconf(_SC_CLK_TCK), 100); }
  ScriptedTimer m_timer;
};

TEST_F(ScriptedClock, CounterWrapStillGivesTheInterval) {
  m_timer.Script({4294967290ul, 10});
  m_timer.Init();
  EXPECT_EQ(m_timer.GetDifferenceInMilliSecs(), 160u);
}

TEST_F(ScriptedClock, ProductWrapsBeyond4294967Ticks) {
  m_timer.Script({1000, 1000 + 4294967ul});
  m_timer.StartTimer();
  EXPECT_EQ(m_timer.GetDifferenceInMilliSecs(), 42949670u);

  m_timer.Script({1000, 1000 + 4294968ul});
  m_timer.StartTimer();
  EXPECT_EQ(m_timer.GetDifferenceInMilliSecs(), 7u);
}

TEST_F(ScriptedClock, EveryQueryMeasuresFromTheSameStart) {
  m_timer.Script({50, 55, 57, 57});
  m_timer.Init();
  EXPECT_EQ(m_timer.GetDifferenceInMilliSecs(), 50u);
  EXPECT_EQ(m_timer.EndTick(), 55u);
  EXPECT_EQ(m_timer.GetDifferenceInMilliSecs(), 70u);
  EXPECT_EQ(m_timer.EndTimer(), 57u);
  EXPECT_EQ(m_timer.StartTick(), 50u);
  EXPECT_TRUE(m_timer.AllRead());

  m_timer.Script({60});
  m_timer.StartTimer();
  EXPECT_EQ(m_timer.StartTick(), 60u);
  EXPECT_EQ(m_timer.EndTick(), 0u);
}

TEST_F(ScriptedClock, IsTimedOutAtTheBoundary) {
  m_timer.Script({0, 10, 10, 10, 10});
  m_timer.Init();
  EXPECT_TRUE(m_timer.IsTimedOut(0));
  EXPECT_TRUE(m_timer.IsTimedOut(100));
  EXPECT_FALSE(m_timer.IsTimedOut(101));
  // Taken mod 2^32, as 32-bit x86 takes 2^32 + 50 as 50.
  EXPECT_TRUE(m_timer.IsTimedOut(static_cast<unsigned long>(0x100000000ull + 50)));
  EXPECT_TRUE(m_timer.AllRead());
}

// A timer that counts its restarts.
class CountingTimer : public ZbUnixPerformanceTimer {
 public:
  void StartTimer() override {
    ++m_iStarts;
    ZbUnixPerformanceTimer::StartTimer();
  }
  int m_iStarts = 0;
};

TEST(ZbUnixPerformanceTimer, InitRestartsThroughTheVirtualStartTimer) {
  CountingTimer timer;
  EXPECT_EQ(timer.m_iStarts, 0);  // the constructor starts the timer itself
  timer.Init();
  EXPECT_EQ(timer.m_iStarts, 1);
}

TEST(ZbUnixPerformanceTimer, ReadsElapsedRealTimeInTicks) {
  ZbUnixPerformanceTimer timer;
  struct tms unused {};
  const auto before = static_cast<uint32_t>(times(&unused));
  const unsigned long tick = timer.GetTickCount();
  const auto after = static_cast<uint32_t>(times(&unused));
  EXPECT_EQ(static_cast<uint64_t>(tick) >> 32, 0u);  // 32-bit ticks on x86_64 too
  EXPECT_LE(static_cast<uint32_t>(tick) - before, after - before);
  // Loose: right after construction only scheduling delays can have passed.
  EXPECT_LT(timer.GetDifferenceInMilliSecs(), 60000u);
}

}  // namespace
