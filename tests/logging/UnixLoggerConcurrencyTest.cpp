#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <map>
#include <thread>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

constexpr int kRecordsPerWriter = 300;
constexpr uint32_t kSmallLimit = 8192;
constexpr uint32_t kManyBackups = 64;  // enough that rotation discards nothing here

void LogNumbered(zbUnixLogger& logger, int writer) {
  for (int i = 0; i < kRecordsPerWriter; ++i) {
    logger.Log(zbLogInformation, "writer.cpp", 7, "W%d #%d %s end", writer, i,
               std::string(static_cast<size_t>(i % 50), '.').c_str());
  }
}

// Every record of the backups (oldest first) and the log, checked to be whole; returns
// the record numbers seen per writer, in file order.
std::map<int, std::vector<int>> CollectRecords(TempDir const& dir) {
  std::string all;
  for (int n = 1; Exists(dir.File("app.log_" + std::to_string(n) + ".Bak")); ++n) {
    all += ReadFile(dir.File("app.log_" + std::to_string(n) + ".Bak"));
  }
  all += ReadFile(dir.File("app.log"));
  std::map<int, std::vector<int>> seen;
  const std::string tail = "|    7|Information: - ";
  for (std::string const& record : SplitRecords(all)) {
    int writer = -1;
    int number = -1;
    int offset = 0;
    const size_t body = record.find(tail);
    EXPECT_EQ(body, 56u) << record;
    if (body != 56u) continue;
    EXPECT_EQ(record.compare(29, 27, std::string(17, ' ') + "writer.cpp"), 0) << record;
    char const* message = record.c_str() + body + tail.size();
    const bool parsed = sscanf(message, "W%d #%d%n", &writer, &number, &offset) == 2;
    EXPECT_TRUE(parsed) << record;
    if (!parsed) continue;
    EXPECT_EQ(std::string(message + offset),
              " " + std::string(static_cast<size_t>(number % 50), '.') + " end")
        << record;
    seen[writer].push_back(number);
  }
  return seen;
}

TEST(UnixLoggerConcurrency, ThreadsSharingALoggerLoseAndInterleaveNothing) {
  TempDir dir;
  ProbeLogger logger(dir.Path(), "app.log", kSmallLimit, kManyBackups);
  std::vector<std::thread> threads;
  for (int writer = 0; writer < 4; ++writer) {
    threads.emplace_back([&logger, writer] { LogNumbered(logger, writer); });
  }
  for (std::thread& thread : threads) thread.join();

  const std::map<int, std::vector<int>> seen = CollectRecords(dir);
  ASSERT_EQ(seen.size(), 4u);
  for (auto const& [writer, numbers] : seen) {
    // Threads wait for each other, so nothing is dropped and order is kept.
    ASSERT_EQ(numbers.size(), static_cast<size_t>(kRecordsPerWriter)) << writer;
    for (int i = 0; i < kRecordsPerWriter; ++i) EXPECT_EQ(numbers[i], i) << writer;
  }
  EXPECT_TRUE(Exists(dir.File("app.log_2.Bak")));
}

TEST(UnixLoggerConcurrency, ProcessesSharingALogWriteWholeRecordsOrDropThem) {
  TempDir dir;
  int gate[2];
  ASSERT_EQ(pipe(gate), 0);
  std::vector<pid_t> children;
  for (int writer = 0; writer < 4; ++writer) {
    children.push_back(Spawn([&, writer] {
      close(gate[1]);
      char go = 0;
      if (read(gate[0], &go, 1) != 0) return 1;  // released together when the pipe closes
      ProbeLogger logger(dir.Path(), "app.log", kSmallLimit, kManyBackups);
      LogNumbered(logger, writer);
      return 0;
    }));
  }
  close(gate[0]);
  close(gate[1]);
  for (pid_t child : children) EXPECT_EQ(Reap(child), 0);

  // How many records land depends on the scheduler: a process preempted while it holds
  // the lock makes the others drop everything meanwhile. What lands must be whole.
  const std::map<int, std::vector<int>> seen = CollectRecords(dir);
  EXPECT_GE(seen.size(), 1u);
  for (auto const& [writer, numbers] : seen) {
    EXPECT_LE(numbers.size(), static_cast<size_t>(kRecordsPerWriter)) << writer;
    for (size_t i = 1; i < numbers.size(); ++i) EXPECT_LT(numbers[i - 1], numbers[i]) << writer;
  }
}

}  // namespace
}  // namespace logger_test
