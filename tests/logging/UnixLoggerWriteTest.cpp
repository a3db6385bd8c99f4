#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <thread>
#include <tuple>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

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
    auto expected = [&rest = rest](time_t t) {  // at a second the call may have seen
      struct tm local {};
      char head[48];
      const int pid = snprintf(head, sizeof head, "\n%8X|", static_cast<unsigned>(getpid()));
      strftime(head + pid, sizeof head - pid, "%Y/%m/%d|%H:%M:%S|", localtime_r(&t, &local));
      return head + rest;
    };
    const time_t before = time(nullptr);
    logger.Log(static_cast<zbLogLevel>(level), source.c_str(), line, "%s", message.c_str());
    const std::string actual = ReadFile(dir.File("app.log")).substr(offset);
    EXPECT_TRUE(actual == expected(before) || actual == expected(time(nullptr))) << actual;
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
    logger.m_fnOnLockWait = [&holder] { EXPECT_EQ(holder.Finish(), 0); };
    logger.Log(zbLogError, "f", 7, "written once the lock is free");
  }
  EXPECT_EQ(logger.m_iLockWaitCalls, 3);
  EXPECT_EQ(logger.GetRecordsDroppedLocked(), 2u);
  std::string messages;
  for (std::string const& record : SplitRecords(ReadFile(dir.File("app.log")))) {
    messages += MessageOf(record) + ";";
  }
  EXPECT_EQ(messages, "written;written once the lock is free;");
}

constexpr int kRecords = 300;  // per writer

std::string Message(int writer, int number) {
  return "W" + std::to_string(writer) + " #" + std::to_string(number) + " " +
         std::string(static_cast<size_t>(std::max(number, 0) % 50), '.') + " end";
}

// One thread per logger given (a logger may be given more than once), writers
// `firstWriter` onwards, all logging at once.
void LogFromThreads(std::vector<zbILogger*> const& loggers, int firstWriter) {
  std::vector<std::thread> threads;
  for (size_t i = 0; i < loggers.size(); ++i) {
    threads.emplace_back([logger = loggers[i], writer = firstWriter + static_cast<int>(i)] {
      for (int n = 0; n < kRecords; ++n) {
        logger->Log(zbLogInformation, "w.cc", 7, "%s", Message(writer, n).c_str());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
}

// Threads of one process wait for each other, on a shared logger or on loggers of
// their own (record locks belong to the process): all their records land whole and in
// order. (Processes, which drop records while another holds the lock, are the crash
// test's.)
TEST(UnixLoggerConcurrency, ThreadsWriteWholeRecordsInOrder) {
  TempDir dir;
  {
    ProbeLogger shared(dir.Path(), "app.log", 8192, 1000);
    ProbeLogger own(dir.Path(), "app.log", 8192, 1000);
    ProbeLogger other(dir.Path(), "app.log", 8192, 1000);
    LogFromThreads({&shared, &shared, &own, &other}, 0);
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
    EXPECT_EQ(record.substr(std::min<size_t>(29, record.size())),  // after pid, date and time
              std::string(23, ' ') + "w.cc|    7|Information: - " + Message(writer, number));
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

// A parent thread is parked inside Log(), holding the logger's mutex, while the
// process forks: the child's copy of that mutex is locked by a thread it does not
// have. The child must still log (an alarm turns a deadlock into a failure), with its
// own process id, and start from the parent's counts.
TEST(UnixLoggerFork, ChildLogsWhileAParentThreadIsInsideLog) {
  TempDir dir;
  ProbeLogger logger(dir.Path());
  logger.Log(zbLogError, "f", 1, "parent");
  std::promise<void> parked;
  std::promise<void> resume;
  LockHolder holder(dir.File("app.lock"));  // sends the parent thread into the hook
  logger.m_ulLockWait = 10000;
  logger.m_fnOnLockWait = [&] {
    parked.set_value();
    resume.get_future().wait();
  };
  std::thread inside([&logger] { logger.Log(zbLogError, "f", 2, "parent thread"); });
  ASSERT_EQ(parked.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  ASSERT_EQ(holder.Finish(), 0);  // the lock is free; the thread still holds the mutex
  const pid_t child = Spawn([&logger] {
    alarm(10);
    logger.Log(zbLogError, "f", 3, "child");
    logger.Log(zbLogError, "f", 4, "counted %llu", logger.GetRecordsWritten());
    // Killed, not exited: a leak checker would count the memory of the parked thread,
    // which the child has no thread to free.
    return raise(SIGKILL);
  });
  Reap(child);
  resume.set_value();
  inside.join();

  std::string written;
  for (std::string const& record : SplitRecords(ReadFile(dir.File("app.log")))) {
    written += std::to_string(strtol(record.substr(0, 8).c_str(), nullptr, 16)) + " " +
               MessageOf(record) + "\n";
  }
  const std::string parent = std::to_string(getpid()) + " ";
  const std::string forked = std::to_string(child) + " ";
  EXPECT_EQ(written, parent + "parent\n" + forked + "child\n" + forked + "counted 2\n" + parent +
                         "parent thread\n");
  EXPECT_EQ(logger.GetRecordsWritten(), 2u);  // the child's record is the child's count
}

}  // namespace
}  // namespace logger_test
