#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

std::string Hex8(unsigned value) {
  char text[16];
  snprintf(text, sizeof text, "%8X", value);
  return text;
}

std::string DateTimeOf(time_t when) {
  struct tm local {};
  localtime_r(&when, &local);
  char text[32];
  strftime(text, sizeof text, "%Y/%m/%d|%H:%M:%S", &local);
  return text;
}

// The record as written, with the date and time of whichever second the call saw.
::testing::AssertionResult IsRecord(std::string const& actual, time_t before, time_t after,
                                    std::string const& rest) {
  const std::string pid = Hex8(static_cast<unsigned>(getpid()));
  for (time_t t = before; t <= after; ++t) {
    if (actual == "\n" + pid + "|" + DateTimeOf(t) + "|" + rest) {
      return ::testing::AssertionSuccess();
    }
  }
  return ::testing::AssertionFailure() << "record: [" << actual << "]";
}

TEST(UnixLoggerRecord, BytesAreExact) {
  ScopedLogLevel unset(nullptr);
  CapturedSyslog().clear();
  TempDir dir;
  ProbeLogger logger(dir.Path());
  const time_t before = time(nullptr);
  logger.Log(zbLogError, "main.cpp", 42, "disk %s", "full");
  const time_t after = time(nullptr);
  EXPECT_TRUE(IsRecord(ReadFile(dir.File("app.log")), before, after,
                       "                   main.cpp|   42|Error: - disk full"));
  EXPECT_TRUE(CapturedSyslog().empty());  // as root, or in one's own group, chown works
}

TEST(UnixLoggerRecord, FieldsAreCutPaddedOrShifted) {
  ScopedLogLevel unset(nullptr);
  TempDir dir;
  ProbeLogger logger(dir.Path());
  const std::string longMessage(5000, 'm');
  const std::string longFile = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";  // 40 bytes
  const time_t before = time(nullptr);
  logger.Log(zbLogAudit, longFile.c_str(), 123456, "%s", longMessage.c_str());
  logger.Log(static_cast<zbLogLevel>(3), "a.cc", 4294967295ul, "two\nlines");
  logger.Log(zbLogCriticalFailure, "a.cc", 7, "%s", "");
  const time_t after = time(nullptr);
  const std::string content = ReadFile(dir.File("app.log"));
  const std::string pid = Hex8(static_cast<unsigned>(getpid()));
  const size_t second = content.find("\n" + pid, 1);
  const size_t third = content.find("\n" + pid, second + 1);
  ASSERT_NE(third, std::string::npos);
  EXPECT_TRUE(IsRecord(content.substr(0, second), before, after,
                       longFile.substr(0, 27) + "|123456|Audit: - " + longMessage.substr(0, 2046)));
  EXPECT_TRUE(IsRecord(content.substr(second, third - second), before, after,
                       std::string(23, ' ') + "a.cc|   -1|Unknown: - two\nlines"));
  EXPECT_TRUE(IsRecord(content.substr(third), before, after,
                       std::string(23, ' ') + "a.cc|    7|Critical Failure: - "));
}

// Which of the levels 0, 1, 2, 3, 4, 8, 64 and 256 a logger writes under LogLevel.
std::string Admitted(char const* logLevel) {
  ScopedLogLevel env(logLevel);
  TempDir dir;
  ProbeLogger logger(dir.Path());  // leaves the mask at 255 unless LogLevel is set
  std::string admitted;
  for (int level : {0, 1, 2, 3, 4, 8, 64, 256}) {
    logger.Log(static_cast<zbLogLevel>(level), "f", 1, "<%d>", level);
  }
  for (std::string const& record : SplitRecords(ReadFile(dir.File("app.log")))) {
    admitted += record.substr(record.find('<'));
  }
  return admitted;
}

TEST(UnixLoggerLevel, LogLevelIsParsedLikeStrtolInBaseTen) {
  EXPECT_EQ(Admitted(nullptr), "<0><1><2><3><4><8><64>");  // 255
  EXPECT_EQ(Admitted("abc"), "<0>");
  EXPECT_EQ(Admitted(""), "<0>");
  EXPECT_EQ(Admitted("0x10"), "<0>");
  EXPECT_EQ(Admitted("6"), "<0><2><4>");
  EXPECT_EQ(Admitted(" +9 and more"), "<0><1><8>");
  EXPECT_EQ(Admitted("-1"), "<0><1><2><3><4><8><64><256>");
  EXPECT_EQ(Admitted("99999999999"), "<0><1><2><3><4><8><64><256>");  // clamped to INT32_MAX
  EXPECT_EQ(Admitted("-99999999999"), "<0>");                         // clamped to INT32_MIN
}

TEST(UnixLoggerLevel, LogLevelIsReadAgainAtEveryRecordAndWins) {
  ScopedLogLevel env(nullptr);
  TempDir dir;
  struct MaskEight : ProbeLogger {
    using ProbeLogger::ProbeLogger;
    int LoadLogSettings(zbLogSettings& settings, String& base) override {
      ProbeLogger::LoadLogSettings(settings, base);
      settings.m_iLogLevel = 8;
      return 0;
    }
  } logger(dir.Path());
  zbUnixLogger::SetLogLevel(255);
  logger.Log(zbLogError, "f", 1, "a");
  logger.Log(zbLogInformation, "f", 1, "b");
  env.Set("1");
  logger.Log(zbLogError, "f", 1, "c");
  logger.Log(zbLogInformation, "f", 1, "d");
  env.Set(nullptr);  // the last value read stays
  logger.Log(zbLogError, "f", 1, "e");
  logger.Log(zbLogInformation, "f", 1, "f");
  std::string messages;
  for (std::string const& record : SplitRecords(ReadFile(dir.File("app.log")))) {
    messages += record.back();
  }
  EXPECT_EQ(messages, "bce");
  EXPECT_EQ(zbUnixLogger::m_siLogLevel, 255);  // only a first call's LogLevel goes there
}

TEST(UnixLoggerLevel, FirstCallStoresLogLevelInTheStatic) {
  ScopedLogLevel env("0");
  TempDir dir;
  ProbeLogger logger(dir.Path());
  zbUnixLogger::SetLogLevel(255);
  logger.Log(zbLogError, "f", 1, "filtered");
  EXPECT_EQ(zbUnixLogger::m_siLogLevel, 0);
  zbUnixLogger::SetLogLevel(255);
  // The filtered first record still opened both files.
  EXPECT_TRUE(Exists(dir.File("app.lock")));
  EXPECT_EQ(ReadFile(dir.File("app.log")), "");
  env.Set("1");
  logger.Log(zbLogError, "f", 1, "admitted");
  EXPECT_EQ(SplitRecords(ReadFile(dir.File("app.log"))).size(), 1u);
}

// A child takes the lock and keeps it until told to go, or for 10 s at most: a Log()
// that waited for the lock would then write its record, which the test would see.
TEST(UnixLoggerLock, RecordIsDroppedWhileAnotherProcessHoldsTheLock) {
  TempDir dir;
  ProbeLogger logger(dir.Path());
  logger.Log(zbLogError, "f", 1, "first");
  int locked[2];
  int release[2];
  ASSERT_EQ(pipe(locked), 0);
  ASSERT_EQ(pipe(release), 0);
  const std::string lockPath = dir.File("app.lock");
  const pid_t holder = Spawn([&] {
    close(locked[0]);
    close(release[1]);
    const int fd = open(lockPath.c_str(), O_WRONLY);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (fd < 0 || fcntl(fd, F_SETLK, &lock) != 0) return 1;
    if (write(locked[1], "L", 1) != 1) return 2;
    struct pollfd until {
      release[0], POLLIN, 0
    };
    return poll(&until, 1, 10000) == 1 ? 0 : 3;
  });
  close(locked[1]);
  close(release[0]);
  char signal = 0;
  ASSERT_EQ(read(locked[0], &signal, 1), 1);
  logger.Log(zbLogError, "f", 2, "dropped");
  close(release[1]);
  EXPECT_EQ(Reap(holder), 0);
  close(locked[0]);
  logger.Log(zbLogError, "f", 3, "after");
  const std::vector<std::string> records = SplitRecords(ReadFile(dir.File("app.log")));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_NE(records[0].find("first"), std::string::npos);
  EXPECT_NE(records[1].find("after"), std::string::npos);
}

}  // namespace
}  // namespace logger_test
