// Threads of one process logging at once, the case the tsan preset checks for data
// races: through one shared logger, and through loggers of their own on the same files.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>

#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

constexpr int kRecordsPerThread = 200;
constexpr int kSharing = 3;   // threads on the shared logger
constexpr int kSeparate = 3;  // threads with a logger each

// Record locks belong to the process, so loggers of one process never drop records for
// each other; without rotation (a limit out of reach) every record lands whole, once.
TEST(UnixLoggerThreads, SharedAndSeparateLoggersOnOneLogKeepEveryRecord) {
  TempDir dir;
  ProbeLogger shared(dir.Path());
  std::vector<std::unique_ptr<ProbeLogger>> own;
  for (int i = 0; i < kSeparate; ++i) own.push_back(std::make_unique<ProbeLogger>(dir.Path()));

  std::vector<std::thread> threads;
  for (int writer = 0; writer < kSharing + kSeparate; ++writer) {
    zbILogger& logger =
        writer < kSharing ? static_cast<zbILogger&>(shared) : *own[writer - kSharing];
    threads.emplace_back([&logger, writer] {
      for (int i = 0; i < kRecordsPerThread; ++i) {
        logger.Log(zbLogWarning, "threads.cpp", 9, "T%d #%d", writer, i);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  std::map<int, std::vector<int>> seen;
  for (std::string const& record : SplitRecords(ReadFile(dir.File("app.log")))) {
    int writer = -1;
    int number = -1;
    int end = 0;
    const size_t body = record.find("|Warning: - ");
    ASSERT_NE(body, std::string::npos) << record;
    ASSERT_EQ(sscanf(record.c_str() + body, "|Warning: - T%d #%d%n", &writer, &number, &end), 2);
    EXPECT_EQ(body + static_cast<size_t>(end), record.size()) << record;
    seen[writer].push_back(number);
  }
  ASSERT_EQ(seen.size(), static_cast<size_t>(kSharing + kSeparate));
  for (auto const& [writer, numbers] : seen) {
    ASSERT_EQ(numbers.size(), static_cast<size_t>(kRecordsPerThread)) << writer;
    for (int i = 0; i < kRecordsPerThread; ++i) EXPECT_EQ(numbers[i], i) << writer;
  }
}

// Each logger clears the process's file creation mask while it opens its files and
// then restores the mask it found. Two first records at once in two threads can
// interleave so that the second restores the first one's 0: the process keeps mask 0
// for good (seen in about one round in fifteen). Disabled until that section is
// serialised across loggers, or the files get their mode without touching the mask.
TEST(UnixLoggerThreads, ConcurrentFirstRecordsLeaveTheUmaskAlone) {
  TempDir dir;
  const mode_t callerMask = umask(022);
  for (int round = 0; round < 100; ++round) {
    const std::string name = "app" + std::to_string(round) + ".log";
    ProbeLogger first(dir.Path(), name);
    ProbeLogger second(dir.Path(), name);
    std::thread other([&second] { second.Log(zbLogError, "f", 1, "x"); });
    first.Log(zbLogError, "f", 1, "x");
    other.join();
    const mode_t left = umask(022);
    ASSERT_EQ(left, 022u) << "round " << round;
  }
  umask(callerMask);
}

}  // namespace
}  // namespace logger_test
