#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <thread>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

std::string PidField(pid_t pid) {
  char field[16];
  snprintf(field, sizeof field, "%8X", static_cast<unsigned>(pid));
  return field;
}

// A parent thread is parked inside Log(), holding the logger's mutex, while the
// process forks: the child's copy of that mutex is locked by a thread it does not
// have. The child must still log (an alarm turns a deadlock into a failure).
TEST(UnixLoggerFork, ChildLogsWhileAParentThreadIsInsideLog) {
  TempDir dir;
  ProbeLogger logger(dir.Path());
  logger.Log(zbLogError, "f", 1, "parent before");
  const pid_t parent = getpid();
  int parked[2];
  int resume[2];
  ASSERT_EQ(pipe(parked), 0);
  ASSERT_EQ(pipe(resume), 0);
  LockHolder holder(dir.File("app.lock"));  // sends the parent thread into the hook
  logger.m_ulLockWait = 10000;
  logger.m_fnOnLockWait = [&] {
    if (getpid() != parent) return;
    char signal = 0;
    if (write(parked[1], "P", 1) != 1 || read(resume[0], &signal, 1) != 1) abort();
  };
  std::thread inside([&logger] { logger.Log(zbLogError, "f", 2, "parent thread"); });
  char signal = 0;
  ASSERT_EQ(read(parked[0], &signal, 1), 1);
  ASSERT_EQ(holder.Finish(), 0);  // the lock is free; the thread still holds the mutex

  const pid_t child = Spawn([&logger] {
    alarm(10);
    logger.Log(zbLogError, "f", 3, "child");
    return logger.GetRecordsWritten() == 2 ? 0 : 1;
  });
  EXPECT_EQ(Reap(child), 0);
  ASSERT_EQ(write(resume[1], "R", 1), 1);
  inside.join();
  for (int fd : {parked[0], parked[1], resume[0], resume[1]}) close(fd);

  const std::vector<std::string> records = SplitRecords(ReadFile(dir.File("app.log")));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].substr(0, 8), PidField(child));
  EXPECT_NE(records[1].find("child"), std::string::npos);
  EXPECT_NE(records[2].find("parent thread"), std::string::npos);
  EXPECT_EQ(logger.GetRecordsWritten(), 2u);  // the child's record is the child's count
}

// Nothing may keep the id from the first record or from construction: each record
// names the process that wrote it, through generations of fork().
TEST(UnixLoggerFork, EveryRecordCarriesItsWritersPid) {
  TempDir dir;
  ProbeLogger logger(dir.Path());
  logger.Log(zbLogError, "f", 1, "parent");
  pid_t grandchild = -1;
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t child = Spawn([&] {
    logger.Log(zbLogError, "f", 2, "child");
    grandchild = Spawn([&logger] {
      logger.Log(zbLogError, "f", 3, "grandchild");
      return 0;
    });
    const bool sent = write(report[1], &grandchild, sizeof grandchild) == sizeof grandchild;
    return Reap(grandchild) == 0 && sent ? 0 : 1;
  });
  EXPECT_EQ(Reap(child), 0);
  ASSERT_EQ(read(report[0], &grandchild, sizeof grandchild),
            static_cast<ssize_t>(sizeof grandchild));
  close(report[0]);
  close(report[1]);
  logger.Log(zbLogError, "f", 4, "parent again");

  const std::vector<std::string> records = SplitRecords(ReadFile(dir.File("app.log")));
  ASSERT_EQ(records.size(), 4u);
  const pid_t writers[] = {getpid(), child, grandchild, getpid()};
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].substr(0, 8), PidField(writers[i])) << records[i];
  }
}

}  // namespace
}  // namespace logger_test
