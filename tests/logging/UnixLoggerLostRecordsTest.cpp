#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <thread>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

using Counts = std::array<unsigned long long, 4>;  // written, locked, other, filtered

Counts CountsOf(zbUnixLogger const& logger) {
  return {logger.GetRecordsWritten(), logger.GetRecordsDroppedLocked(),
          logger.GetRecordsDroppedOther(), logger.GetRecordsFiltered()};
}

TEST(UnixLoggerCounts, EachRecordCountsOnceForWhatBecameOfIt) {
  TempDir dir;
  ScopedLogLevel env("1");
  ProbeLogger logger(dir.Path(), "app.log", 1, 1);  // every record past the first rotates
  logger.Log(zbLogError, "f", 1, "written");
  logger.Log(zbLogTrace, "f", 2, "filtered");
  {
    LockHolder holder(dir.File("app.lock"));
    logger.Log(zbLogError, "f", 3, "dropped");
    logger.Log(zbLogTrace, "f", 4, "filtered, not waiting for the lock");
    EXPECT_EQ(holder.Finish(), 0);
  }
  EXPECT_EQ(logger.m_iLockWaitCalls, 1);  // asked only when the lock was taken
  ASSERT_EQ(mkdir(dir.File("app.log_1.Bak").c_str(), 0700), 0);  // the copy must fail
  logger.Log(zbLogError, "f", 5, "rotation fails");
  EXPECT_EQ(CountsOf(logger), (Counts{1, 1, 1, 2}));
  EXPECT_EQ(SplitRecords(ReadFile(dir.File("app.log"))).size(), 1u);

  if (Exists("/qtr/bin/zoredezuv/logs")) return;  // the fallback directory would open
  ProbeLogger closed(dir.File("app.log"));        // a file where the directory should be
  closed.Log(zbLogError, "f", 6, "never written");
  closed.Log(zbLogTrace, "f", 7, "not even filtered");
  EXPECT_EQ(CountsOf(closed), (Counts{0, 0, 2, 0}));
}

TEST(UnixLoggerCounts, ThreadsSharingALoggerCountEveryRecord) {
  constexpr int kThreads = 4;
  constexpr int kPairs = 250;
  TempDir dir;
  ScopedLogLevel env("1");
  ProbeLogger logger(dir.Path());
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&logger] {
      for (int i = 0; i < kPairs; ++i) {
        logger.Log(zbLogError, "f", 1, "kept %d", i);
        logger.Log(zbLogTrace, "f", 2, "filtered %d", i);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(CountsOf(logger), (Counts{kThreads * kPairs, 0, 0, kThreads * kPairs}));
  EXPECT_EQ(SplitRecords(ReadFile(dir.File("app.log"))).size(),
            static_cast<size_t>(kThreads * kPairs));
}

struct WaitCase {
  char const* m_pszName;
  unsigned long m_ulBound;
  bool m_bReleaseWhileWaiting;
};

class UnixLoggerLockWait : public ::testing::TestWithParam<WaitCase> {};

// The hook runs once Log() has found the lock taken; releasing from there is always
// "in time" for a bound of 10 s. The other holder keeps the lock past the bound.
TEST_P(UnixLoggerLockWait, RetriesUntilTheLockIsFreeOrTheBoundHasPassed) {
  WaitCase const& c = GetParam();
  TempDir dir;
  ProbeLogger logger(dir.Path());
  logger.Log(zbLogError, "f", 1, "open");
  LockHolder holder(dir.File("app.lock"));
  logger.m_ulLockWait = c.m_ulBound;
  if (c.m_bReleaseWhileWaiting) logger.m_fnOnLockWait = [&holder] { holder.Release(); };
  const auto start = std::chrono::steady_clock::now();
  logger.Log(zbLogError, "f", 2, "waited");
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(holder.Finish(), 0);

  EXPECT_EQ(logger.m_iLockWaitCalls, 1);
  const bool through = c.m_bReleaseWhileWaiting;
  EXPECT_EQ(CountsOf(logger), (Counts{through ? 2u : 1u, through ? 0u : 1u, 0, 0}));
  EXPECT_EQ(SplitRecords(ReadFile(dir.File("app.log"))).size(), through ? 2u : 1u);
  if (!through) {
    EXPECT_GE(waited, std::chrono::milliseconds(c.m_ulBound));
  }
}

INSTANTIATE_TEST_SUITE_P(Bounds, UnixLoggerLockWait,
                         ::testing::Values(WaitCase{"ReleasedInTime", 10000, true},
                                           WaitCase{"HeldPastTheBound", 30, false}),
                         [](auto const& info) { return std::string(info.param.m_pszName); });

}  // namespace
}  // namespace logger_test
