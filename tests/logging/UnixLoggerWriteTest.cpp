// Writing records: their bytes, the level mask, the lock, the umask, fork and set-up.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

// The messages of a log, each followed by ";"; with `pid`, only those that process wrote.
std::string Messages(std::string const& log, pid_t pid = 0) {
  std::string messages;
  for (std::string const& record : SplitRecords(ReadFile(log))) {
    if (pid == 0 || strtol(record.substr(0, 8).c_str(), nullptr, 16) == pid)
      messages += MessageOf(record) + ";";
  }
  return messages;
}

// The pid and the fields after the date and time, padded, and the message's first 2046
// bytes. The local date and time are the time zone test's.
TEST(UnixLoggerRecord, PaddedFieldsAndTheMessagesFirst2046Bytes) {
  TempDir dir;
  ProbeLogger logger(dir.Path());
  const std::string text(5000, 'm');
  logger.Log(zbLogException, "main.cpp", 42, "%s", text.c_str());
  const std::string record = ReadFile(dir.File("app.log"));
  char pid[16];
  snprintf(pid, sizeof pid, "\n%8X|", static_cast<unsigned>(getpid()));
  EXPECT_EQ(record.substr(0, 10), pid);
  EXPECT_EQ(record.substr(29),
            "|" + std::string(19, ' ') + "main.cpp|   42|Exception: - " + text.substr(0, 2046));
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
    const std::string messages = Messages(dir.File("app.log"));
    return messages.substr(std::exchange(seen, messages.size()));
  };
  const std::string all = "<0>;<1>;<2>;<3>;<4>;<8>;<16>;<64>;<256>;";
  EXPECT_EQ(admitted(nullptr), "<0>;<1>;<2>;<3>;<4>;<8>;<16>;<64>;");  // 255
  logger.m_LogSettings.m_iLogLevel = 8;  // as a settings hook may leave it
  EXPECT_EQ(admitted(nullptr), "<0>;<8>;");
  // Each text without digits follows a mask other than 0, so that reading it as unset shows.
  const std::pair<char const*, std::string> steps[] = {
      {"abc", "<0>;"},
      {" +9 and more", "<0>;<1>;<8>;"},
      {"", "<0>;"},
      {"-1", all},
      {"0x10", "<0>;"},
      {"4294967296", all},       // clamped to INT32_MAX, not cut to 0
      {"-99999999999", "<0>;"},  // clamped to INT32_MIN
      {nullptr, "<0>;"}};
  for (auto const& [value, written] : steps) EXPECT_EQ(admitted(value), written) << value;
}

// While another process holds the lock, a record is dropped at once (a Log() that
// waited would keep the holder past its 10 s), or after the bound that the owner set;
// a lock released during the wait gets the record through.
TEST(UnixLoggerLock, DroppedAtOnceOrAfterTheBoundSet) {
  TempDir dir;
  ScopedLogLevel env("1");
  ProbeLogger logger(dir.Path());
  logger.Log(zbLogError, "f", 1, "written");
  {
    LockHolder holder(dir.File("app.lock"));
    logger.Log(zbLogError, "f", 2, "dropped");
    logger.SetLockWaitMilliseconds(30);
    logger.Log(zbLogTrace, "f", 3, "filtered, not waiting for the lock");
    const auto start = std::chrono::steady_clock::now();
    logger.Log(zbLogError, "f", 4, "dropped after 30 ms");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    logger.SetLockWaitMilliseconds(10000);
    std::thread waiting = StartAndWaitUntilSleeping(
        [&logger] { logger.Log(zbLogError, "f", 5, "written once the lock is free"); });
    EXPECT_EQ(holder.Finish(), 0);
    waiting.join();
  }
  EXPECT_EQ(logger.GetRecordsDroppedLocked(), 2u);
  EXPECT_EQ(logger.GetRecordsFiltered(), 1u);
  EXPECT_EQ(Messages(dir.File("app.log")), "written;written once the lock is free;");
}

// A logger whose log is another logger's lock file (b.txt, its log too, linked to
// app.log) opens that file to rotate. Closing it drops the process's record locks on
// it, so the close waits for the other logger's turn: here, a turn held while that
// logger reports the failure of its own rotation (its backup's name is a directory).
TEST(UnixLoggerLock, ClosingAnotherLoggersLockFileWaitsForItsTurn) {
  TempDir dir;
  ProbeLogger rotating(dir.Path(), "app.log", 1, 9), holding(dir.Path(), "b.txt", 1, 1);
  rotating.Log(zbLogError, "f", 1, "rotated away by the next record");
  ASSERT_EQ(link(dir.File("app.log").c_str(), dir.File("b.txt").c_str()), 0);
  ASSERT_EQ(mkdir(dir.File("b.txt_1.Bak").c_str(), 0700), 0);
  std::promise<void> inside, release;
  SyslogHook() = [&] { inside.set_value(), release.get_future().wait(); };
  std::thread held([&holding] { holding.Log(zbLogError, "f", 2, "dropped"); });
  inside.get_future().wait();
  std::thread other = StartAndWaitUntilSleeping(
      [&rotating] { rotating.Log(zbLogError, "f", 3, "written, then its turn ends"); });
  EXPECT_THROW(LockHolder taken(dir.File("b.txt")), std::runtime_error);
  release.set_value();
  held.join();
  other.join();
  EXPECT_EQ(rotating.GetRecordsWritten() + holding.GetRecordsDroppedOther(), 3u);
}

// Each logger clears the process's file creation mask while it opens its files: two
// first records at once must not leave the process with mask 0 for good.
TEST(UnixLoggerConcurrency, ConcurrentFirstRecordsLeaveTheUmaskAlone) {
  TempDir dir;
  const mode_t callerMask = umask(022);
  for (int round = 0; round < 100; ++round) {
    const std::string name = "app" + std::to_string(round) + ".log";
    ProbeLogger first(dir.Path(), name), second(dir.Path(), name);
    std::atomic<int> ready(0);  // both start at once
    auto log = [&ready](ProbeLogger* logger) {
      for (++ready; ready < 2;) {
      }
      logger->Log(zbLogError, "f", 1, "x");
    };
    std::thread other(log, &second);
    log(&first);
    other.join();
    ASSERT_EQ(umask(022), 022u) << "round " << round;
  }
  umask(callerMask);
}

// A parent thread waits inside Log(), holding its turn on the lock file, while the
// process forks: the child's copy of that turn is locked by a thread it does not have.
// The child must still log (an alarm turns a deadlock into a failure), with its own
// process id, and start from the parent's counts.
TEST(UnixLoggerFork, ChildLogsWhileAParentThreadIsInsideLog) {
  TempDir dir;
  ProbeLogger logger(dir.Path());
  logger.Log(zbLogError, "f", 1, "parent");
  LockHolder holder(dir.File("app.lock"));
  logger.SetLockWaitMilliseconds(10000);
  std::thread inside =
      StartAndWaitUntilSleeping([&logger] { logger.Log(zbLogError, "f", 2, "parent thread"); });
  const pid_t child = Spawn([&logger] {
    alarm(10);
    logger.Log(zbLogError, "f", 4, "child");  // waits for the lock like its parent
    logger.Log(zbLogError, "f", 5, "counted %llu", logger.GetRecordsWritten());
    // Killed, not exited: a leak checker would count the memory of the waiting thread,
    // which the child has no thread to free.
    return raise(SIGKILL);
  });
  ASSERT_EQ(holder.Finish(), 0);
  Reap(child);
  inside.join();
  // The child and the waiting thread race for the freed lock: any interleaving.
  EXPECT_EQ(Messages(dir.File("app.log"), getpid()), "parent;parent thread;");
  EXPECT_EQ(Messages(dir.File("app.log"), child), "child;counted 2;");
  EXPECT_EQ(logger.GetRecordsWritten(), 2u);  // the child's records are the child's count
}

// Logs through itself from both hooks of its set-up.
struct ReentrantLogger : ProbeLogger {
  using ProbeLogger::ProbeLogger;
  int LoadLogSettings(zbLogSettings& settings, String& base) override {
    return Log(zbLogError, "hook", 1, "in settings"), ProbeLogger::LoadLogSettings(settings, base);
  }
  gid_t GetGroupID() override { return Log(zbLogError, "hook", 2, "from GetGroupID"), getegid(); }
};

// A hook that logs loses its own record and nothing else (an alarm turns a set-up that
// waits for itself into a failure).
TEST(UnixLoggerSetup, HookThatLogsLosesItsOwnRecordAndNothingElse) {
  TempDir dir;
  const pid_t child = Spawn([&] {
    alarm(10);
    ReentrantLogger logger(dir.Path());
    logger.Log(zbLogError, "outer", 3, "first");
    logger.Log(zbLogError, "outer", 4, "second");
    return logger.GetRecordsDroppedOther() == 2 && logger.GetRecordsWritten() == 2 ? 0 : 1;
  });
  ASSERT_EQ(Reap(child), 0);
  EXPECT_EQ(Messages(dir.File("app.log")), "first;second;");
}

// The local date and time, also after a new time zone, which takes effect at the next
// second (the one wait of these tests).
TEST(UnixLoggerSetup, LocalTimeFollowsANewTimeZoneAtTheNextSecond) {
  TempDir dir;
  ProbeLogger logger(dir.Path());
  setenv("TZ", "UTC0", 1);
  const time_t before = time(nullptr);
  logger.Log(zbLogError, "zone", 1, "utc");
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  usleep(static_cast<useconds_t>(1020000 - now.tv_nsec / 1000));
  setenv("TZ", "IST-5:30", 1);
  logger.Log(zbLogError, "zone", 2, "ist");
  unsetenv("TZ");
  const std::vector<std::string> records = SplitRecords(ReadFile(dir.File("app.log")));
  ASSERT_EQ(records.size(), 2u);
  struct tm at[2] = {};
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(strptime(records[i].c_str() + 9, "%Y/%m/%d|%T", &at[i]));
  EXPECT_LE(timegm(&at[0]) - before, 1);
  EXPECT_GE(timegm(&at[0]), before);
  // Five and a half hours ahead, plus the second or few that passed in between.
  const long shift = static_cast<long>(timegm(&at[1]) - timegm(&at[0]));
  EXPECT_TRUE(shift > 5 * 3600 + 1800 && shift <= 5 * 3600 + 1800 + 30) << shift;
}

}  // namespace
}  // namespace logger_test
