#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <thread>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

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

// Every record of the backups (oldest first) and the log, checked to be whole; returns
// the record numbers seen per writer, in file order.
std::map<int, std::vector<int>> CollectRecords(TempDir const& dir) {
  std::string all;
  for (int n = 1; Exists(dir.File("app.log_" + std::to_string(n) + ".Bak")); ++n) {
    all += ReadFile(dir.File("app.log_" + std::to_string(n) + ".Bak"));
  }
  std::map<int, std::vector<int>> seen;
  for (std::string const& record : SplitRecords(all + ReadFile(dir.File("app.log")))) {
    int writer = -1;
    int number = -1;
    sscanf(MessageOf(record).c_str(), "W%d #%d", &writer, &number);
    EXPECT_EQ(record.substr(std::min<size_t>(29, record.size())),  // after pid, date and time
              std::string(23, ' ') + "w.cc|    7|Information: - " + Message(writer, number));
    seen[writer].push_back(number);
  }
  return seen;
}

// Threads of one process wait for each other, on a shared logger or on loggers of
// their own (record locks belong to the process): all their records land, in order.
// Processes (two threads on one rotating logger each) drop records while another holds
// the lock, how many depends on the scheduler, but what lands is whole and in order.
TEST(UnixLoggerConcurrency, ThreadsAndProcessesWriteWholeRecords) {
  TempDir dir;
  {
    ProbeLogger shared(dir.Path());
    ProbeLogger own(dir.Path());
    ProbeLogger other(dir.Path());
    LogFromThreads({&shared, &shared, &own, &other}, 0);
    EXPECT_EQ(shared.GetRecordsWritten(), 2u * kRecords);
  }
  int gate[2];
  ASSERT_EQ(pipe(gate), 0);
  std::vector<pid_t> children;
  for (int process = 1; process <= 3; ++process) {
    children.push_back(Spawn([&, process] {
      close(gate[1]);
      char go = 0;
      if (read(gate[0], &go, 1) != 0) return 1;  // released together when the pipe closes
      ProbeLogger logger(dir.Path(), "app.log", 8192, 64);
      LogFromThreads({&logger, &logger}, 2 + 2 * process);
      return 0;
    }));
  }
  close(gate[0]);
  close(gate[1]);
  for (pid_t child : children) EXPECT_EQ(Reap(child), 0);
  const std::map<int, std::vector<int>> seen = CollectRecords(dir);
  for (auto const& [writer, numbers] : seen) {
    EXPECT_EQ(std::adjacent_find(numbers.begin(), numbers.end(), std::greater_equal<int>()),
              numbers.end())
        << writer;
  }
  for (int writer = 0; writer < 4; ++writer) {
    EXPECT_EQ(seen.at(writer).size(), static_cast<size_t>(kRecords));
  }
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
    std::thread other([&second] { second.Log(zbLogError, "f", 1, "x"); });
    first.Log(zbLogError, "f", 1, "x");
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

  const std::vector<std::string> records = SplitRecords(ReadFile(dir.File("app.log")));
  ASSERT_EQ(records.size(), 4u);
  const std::pair<pid_t, char const*> writers[] = {
      {getpid(), "parent"}, {child, "child"}, {child, "counted 2"}, {getpid(), "parent thread"}};
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(strtol(records[i].substr(0, 8).c_str(), nullptr, 16), writers[i].first);
    EXPECT_EQ(MessageOf(records[i]), writers[i].second);
  }
  EXPECT_EQ(logger.GetRecordsWritten(), 2u);  // the child's record is the child's count
}

}  // namespace
}  // namespace logger_test
