#include <gtest/gtest.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <tuple>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

// The record as written, with the date and time of any second the call may have seen.
::testing::AssertionResult IsRecord(std::string const& actual, time_t before, time_t after,
                                    std::string const& rest) {
  char pid[16];
  snprintf(pid, sizeof pid, "\n%8X|", static_cast<unsigned>(getpid()));
  for (time_t t = before; t <= after; ++t) {
    struct tm local {};
    char stamp[32];
    strftime(stamp, sizeof stamp, "%Y/%m/%d|%H:%M:%S|", localtime_r(&t, &local));
    if (actual == pid + std::string(stamp) + rest) return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "record: [" << actual << "]";
}

TEST(UnixLoggerRecord, BytesAreExact) {
  ScopedLogLevel unset(nullptr);
  TempDir dir;
  ProbeLogger logger(dir.Path());
  const std::string file = "abcdefghijklmnopqrstuvwxyz0123456789";
  const std::string text(5000, 'm');
  const std::string pad(23, ' ');
  const std::tuple<int, std::string, unsigned long, std::string, std::string> cases[] = {
      {1, "main.cpp", 42, "disk full", pad.substr(4) + "main.cpp|   42|Error: - disk full"},
      {64, file, 123456, text, file.substr(0, 27) + "|123456|Audit: - " + text.substr(0, 2046)},
      {3, "a.cc", 4294967295ul, "two\nlines", pad + "a.cc|   -1|Unknown: - two\nlines"},
      {0, "a.cc", 7, "", pad + "a.cc|    7|Critical Failure: - "}};
  for (auto const& [level, source, line, message, rest] : cases) {
    const size_t offset = ReadFile(dir.File("app.log")).size();
    const time_t before = time(nullptr);
    logger.Log(static_cast<zbLogLevel>(level), source.c_str(), line, "%s", message.c_str());
    EXPECT_TRUE(
        IsRecord(ReadFile(dir.File("app.log")).substr(offset), before, time(nullptr), rest));
  }
  char const* names[] = {"Critical Failure:", "Error:", "Exception:",    "Warning:",
                         "Information:",      "Trace:", "Perf. Timing:", "Audit:"};
  for (int i = 0; i < 8; ++i) {
    EXPECT_STREQ(zbILogger::GetLogLevelDisplayName(static_cast<zbLogLevel>((1 << i) >> 1)),
                 names[i]);
  }
}

// LogLevel is read at every record, like strtol in base 10, and wins over the settings;
// its last value stays once it is unset. Each step logs levels 0, 1, 2, 3, 4, 8, 16, 64
// and 256, and yields the messages of those that were written.
TEST(UnixLoggerLevel, LogLevelIsParsedAtEveryRecord) {
  ScopedLogLevel env(nullptr);
  TempDir dir;
  ProbeLogger logger(dir.Path());
  size_t seen = 0;
  auto admitted = [&](char const* value) {
    env.Set(value);
    for (int level : {0, 1, 2, 3, 4, 8, 16, 64, 256}) {
      logger.Log(static_cast<zbLogLevel>(level), "f", 1, "<%d>", level);
    }
    const std::vector<std::string> records = SplitRecords(ReadFile(dir.File("app.log")));
    std::string messages;
    for (; seen < records.size(); ++seen) messages += MessageOf(records[seen]);
    return messages;
  };
  const std::string all = "<0><1><2><3><4><8><16><64><256>";
  EXPECT_EQ(admitted(nullptr), "<0><1><2><3><4><8><16><64>");  // 255
  logger.m_LogSettings.m_iLogLevel = 8;                        // as a settings hook may leave it
  EXPECT_EQ(admitted(nullptr), "<0><8>");
  // Each text without digits follows a mask other than 0, so that reading it as unset shows.
  EXPECT_EQ(admitted("abc"), "<0>");
  EXPECT_EQ(admitted(" +9 and more"), "<0><1><8>");
  EXPECT_EQ(admitted(""), "<0>");
  EXPECT_EQ(admitted("-1"), all);
  EXPECT_EQ(admitted("0x10"), "<0>");
  EXPECT_EQ(admitted("99999999999"), all);     // clamped to INT32_MAX
  EXPECT_EQ(admitted("-99999999999"), "<0>");  // clamped to INT32_MIN
  EXPECT_EQ(admitted(nullptr), "<0>");
}

using Counts = std::array<unsigned long long, 4>;  // written, locked, other, filtered

Counts CountsOf(zbUnixLogger const& logger) {
  return {logger.GetRecordsWritten(), logger.GetRecordsDroppedLocked(),
          logger.GetRecordsDroppedOther(), logger.GetRecordsFiltered()};
}

// While another process holds the lock, a record is dropped at once (a Log() that
// waited would keep the holder past its 10 s), or after the bound the hook gives; the
// hook is asked only then, and releasing the lock from it gets the record through.
TEST(UnixLoggerCounts, EachRecordCountsOnceForWhatBecameOfIt) {
  TempDir dir;
  ScopedLogLevel env("1");
  ProbeLogger logger(dir.Path());
  logger.Log(zbLogError, "f", 1, "written");
  logger.Log(zbLogTrace, "f", 2, "filtered");
  {
    LockHolder holder(dir.File("app.lock"));
    logger.Log(zbLogError, "f", 4, "dropped");
    logger.Log(zbLogTrace, "f", 5, "filtered, not waiting for the lock");
    logger.m_ulLockWait = 30;
    const auto start = std::chrono::steady_clock::now();
    logger.Log(zbLogError, "f", 6, "dropped after 30 ms");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    logger.m_ulLockWait = 10000;
    logger.m_fnOnLockWait = [&holder] { holder.Release(); };
    logger.Log(zbLogError, "f", 7, "written once the lock is free");
    EXPECT_EQ(holder.Finish(), 0);
  }
  EXPECT_EQ(logger.m_iLockWaitCalls, 3);
  EXPECT_EQ(CountsOf(logger), (Counts{2, 2, 0, 2}));
}

}  // namespace
}  // namespace logger_test
