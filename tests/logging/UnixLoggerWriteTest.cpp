#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <thread>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

// The messages of a log, each followed by ";"; with `pids`, each after its writer's id.
std::string Messages(std::string const& log, bool pids = false) {
  std::string messages;
  for (std::string const& record : SplitRecords(ReadFile(log))) {
    if (pids) messages += std::to_string(strtol(record.substr(0, 8).c_str(), nullptr, 16)) + " ";
    messages += MessageOf(record) + ";";
  }
  return messages;
}

// Header and cut message byte for byte (the level names and line numbers are also
// read back by the tools' record tests).
TEST(UnixLoggerRecord, BytesAreExact) {
  TempDir dir;
  ProbeLogger logger(dir.Path());
  const std::string file = "abcdefghijklmnopqrstuvwxyz0123456789";
  const std::string text(5000, 'm');
  const time_t before = time(nullptr);
  logger.Log(zbLogError, "main.cpp", 42, "disk full");
  logger.Log(zbLogException, file.c_str(), 123456, "%s", text.c_str());
  auto expected = [&](time_t t) {  // at a second the calls may have seen
    struct tm local {};
    char head[48];
    const int pid = snprintf(head, sizeof head, "\n%8X|", static_cast<unsigned>(getpid()));
    strftime(head + pid, sizeof head - pid, "%Y/%m/%d|%H:%M:%S|", localtime_r(&t, &local));
    return head + std::string(19, ' ') + "main.cpp|   42|Error: - disk full" + head +
           file.substr(0, 27) + "|123456|Exception: - " + text.substr(0, 2046);
  };
  const std::string actual = ReadFile(dir.File("app.log"));
  EXPECT_TRUE(actual == expected(before) || actual == expected(time(nullptr))) << actual;
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
      {"99999999999", all},      // clamped to INT32_MAX
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
  EXPECT_EQ(logger.GetLockWaitMilliseconds(), 0u);
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
  EXPECT_EQ(logger.GetLockWaitMilliseconds(), 10000u);
  EXPECT_EQ(logger.GetRecordsDroppedLocked(), 2u);
  EXPECT_EQ(logger.GetRecordsFiltered(), 1u);
  EXPECT_EQ(Messages(dir.File("app.log")), "written;written once the lock is free;");
}

// Threads of one process wait for each other, on a shared logger or on loggers of
// their own (record locks belong to the process): all their records land whole and in
// order, through rotations. (Processes are the crash test's.)
TEST(UnixLoggerConcurrency, ThreadsWriteWholeRecordsInOrder) {
  constexpr int kRecords = 300;  // per writer
  TempDir dir;
  {
    ProbeLogger shared(dir.Path(), "app.log", 8192, 1000);
    ProbeLogger own(dir.Path(), "app.log", 8192, 1000);
    ProbeLogger other(dir.Path(), "app.log", 8192, 1000);
    std::vector<std::thread> threads;
    int writer = 0;
    for (ProbeLogger* logger : {&shared, &shared, &own, &other}) {
      threads.emplace_back([logger, w = writer++] {
        for (int n = 0; n < kRecords; ++n)
          logger->Log(zbLogInformation, "w.cc", 7, "W%d #%d", w, n);
      });
    }
    for (std::thread& thread : threads) thread.join();
  }
  std::string all;  // the backups, oldest first, then the log
  for (int n = 1; Exists(dir.File("app.log_" + std::to_string(n) + ".Bak")); ++n) {
    all += ReadFile(dir.File("app.log_" + std::to_string(n) + ".Bak"));
  }
  std::map<int, int> seen;  // per writer: records, each the next in order
  for (std::string const& record : SplitRecords(all + ReadFile(dir.File("app.log")))) {
    int writer = -1;
    int number = -1;
    sscanf(MessageOf(record).c_str(), "W%d #%d", &writer, &number);
    EXPECT_EQ(record.substr(std::min<size_t>(28, record.size())),  // after pid, date and time
              "|" + std::string(23, ' ') + "w.cc|    7|Information: - W" + std::to_string(writer) +
                  " #" + std::to_string(number));
    EXPECT_EQ(number, seen[writer]++) << writer;
  }
  for (int writer = 0; writer < 4; ++writer) EXPECT_EQ(seen[writer], kRecords) << writer;
}

// Each logger clears the process's file creation mask while it opens its files: two
// first records at once must not leave the process with mask 0 for good.
TEST(UnixLoggerConcurrency, ConcurrentFirstRecordsLeaveTheUmaskAlone) {
  TempDir dir;
  const mode_t callerMask = umask(022);
  for (int round = 0; round < 100; ++round) {
    const std::string name = "app" + std::to_string(round) + ".log";
    ProbeLogger first(dir.Path(), name);
    ProbeLogger second(dir.Path(), name);
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
  const std::string parent = std::to_string(getpid()) + " ";
  const std::string forked = std::to_string(child) + " ";
  // The child and the waiting thread race for the freed lock: either order.
  std::string const messages = Messages(dir.File("app.log"), true);
  const std::string childRecords = forked + "child;" + forked + "counted 2;";
  EXPECT_TRUE(messages == parent + "parent;" + childRecords + parent + "parent thread;" ||
              messages == parent + "parent;" + parent + "parent thread;" + childRecords)
      << messages;
  EXPECT_EQ(logger.GetRecordsWritten(), 2u);  // the child's records are the child's count
}

}  // namespace
}  // namespace logger_test
