// Rotation where others touch the logger's files, and names planted in the log
// directory that are not regular files: nothing may block, kill or divert a writer, and
// no record counted as written may be lost. Each case runs in a child that an alarm
// kills if the writer blocks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

std::string Backup(TempDir const& dir, std::string const& log, int n) {
  return dir.File(log + "_" + std::to_string(n) + ".Bak");
}

size_t RecordsOnDisk(TempDir const& dir, std::string const& log, int backups) {
  std::string all = ReadFile(dir.File(log));
  for (int n = 1; n <= backups; ++n) all += ReadFile(Backup(dir, log, n));
  return SplitRecords(all).size();
}

// Byte-identical records (one process, one second, one text) in rotation after
// rotation: each rotation keeps what it moved, as the backups' rule says (14 records of
// 77 bytes, 300-byte limit, 2 backups: 10 stay).
TEST(UnixLoggerRotateHostile, IdenticalRecordsAreAllRotated) {
  TempDir dir;
  ProbeLogger logger(dir.Path(), "app.log", 300, 2);
  for (int n = 0; n < 14; ++n) logger.Log(zbLogError, "f", 1, "same");
  EXPECT_EQ(logger.GetRecordsWritten(), 14u);
  EXPECT_EQ(RecordsOnDisk(dir, "app.log", 2), 10u);
}

// The longest log name whose backup names fit in 255 bytes, and a directory that the
// writer may write and search but not read (as a user for whom permission bits count).
TEST(UnixLoggerRotateHostile, LongestNamesAndAnUnreadableDirectoryRotate) {
  TempDir dir;
  const std::string longest(255 - std::string("_1.Bak").size(), 'n');
  const int status = Reap(Spawn([&] {
    alarm(30);
    if (const int failed = BecomeNobody(dir.Path())) return failed;
    // Made by the writer's user, so that it may take the bits away.
    if (mkdir(dir.File("sub").c_str(), 0300) != 0) return 1;
    for (std::string const& name : {longest, std::string("sub/app.log")}) {
      ProbeLogger logger(dir.Path(), name, 300, 2);
      for (int n = 0; n < 12; ++n) logger.Log(zbLogError, "f", 1, "record %d", n);
      if (logger.GetRecordsWritten() != 12) return 2;
    }
    return 0;
  }));
  if (status == kSkip) GTEST_SKIP() << dir.Path() << " is out of reach for nobody";
  ASSERT_EQ(status, 0);
  for (std::string const& name : {longest, std::string("sub/app.log")}) {
    EXPECT_EQ(RecordsOnDisk(dir, name, 2), 12u) << name.size();
    EXPECT_EQ(ReadFile(dir.File(name)).find("record 7"), std::string::npos);
  }
}

// Another program empties the log again and again, right as writers pass the limit (as
// a copy-and-truncate rotation of the same file would): no writer dies, and every
// backup holds whole records.
TEST(UnixLoggerRotateHostile, LogEmptiedByAnotherProgramKillsNoWriter) {
  TempDir dir;
  constexpr uint32_t kLimit = 256 * 1024;
  std::vector<pid_t> writers;
  for (int w = 0; w < 3; ++w) {
    writers.push_back(Spawn([&dir, w] {
      alarm(60);
      ProbeLogger logger(dir.Path(), "app.log", kLimit, 1000);
      const std::string text(200, static_cast<char>('a' + w));
      for (int n = 0; n < 20000; ++n) logger.Log(zbLogError, "f", w, "%s", text.c_str());
      return 0;
    }));
  }
  const std::string log = dir.File("app.log");
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  for (int emptied = 0; std::chrono::steady_clock::now() < end;) {
    struct stat status {};
    if (stat(log.c_str(), &status) == 0 && status.st_size > static_cast<off_t>(kLimit) &&
        truncate(log.c_str(), 0) == 0)
      ++emptied;
  }
  for (pid_t writer : writers) EXPECT_EQ(Reap(writer), 0);
  for (int n = 1; Exists(Backup(dir, "app.log", n)); ++n) {
    const std::string content = ReadFile(Backup(dir, "app.log", n));
    ASSERT_FALSE(content.empty()) << n;
    for (std::string const& record : SplitRecords(content))
      ASSERT_EQ(MessageOf(record).size(), 200u) << "backup " << n;
  }
}

// Names planted where the lock file, the log or its backups are: a FIFO (with a reader
// that hopes for records, or none), a directory, a socket. The writer neither blocks
// nor dies of SIGPIPE, sends nothing into the FIFO, drops and counts its records, and
// tells syslog once per name what it refused.
TEST(UnixLoggerHostileNames, NothingButRegularFilesIsOpened) {
  TempDir dir;
  const int status = Reap(Spawn([&dir] {
    alarm(20);
    CapturedSyslog().clear();
    const std::string refused = "134 Refusing to open what is not a regular file: ";
    // A FIFO at the lock file's name before the first record.
    if (mkfifo(dir.File("fifo.lock").c_str(), 0666) != 0) return 1;
    ProbeLogger first(dir.Path(), "fifo.log");
    first.Log(zbLogError, "f", 1, "dropped");
    if (first.GetRecordsDroppedOther() != 1 ||
        CapturedSyslog().find(refused + dir.File("fifo.lock") + "\n") == std::string::npos) {
      return 2;
    }
    // The log moved aside and a FIFO with a reader planted at its name.
    ProbeLogger logger(dir.Path(), "app.log", 300, 2);
    logger.Log(zbLogError, "f", 1, "first");
    if (rename(dir.File("app.log").c_str(), dir.File("moved").c_str()) != 0 ||
        mkfifo(dir.File("app.log").c_str(), 0666) != 0) {
      return 3;
    }
    const int reader = open(dir.File("app.log").c_str(), O_RDONLY | O_NONBLOCK);
    for (int n = 0; n < 10; ++n) logger.Log(zbLogError, "f", 1, "after the move %d", n);
    char byte = 0;
    if (reader < 0 || read(reader, &byte, 1) > 0) return 4;
    close(reader);
    // A directory there instead.
    if (unlink(dir.File("app.log").c_str()) != 0 || mkdir(dir.File("app.log").c_str(), 0700) != 0)
      return 5;
    logger.Log(zbLogError, "f", 1, "dropped");
    const size_t reports = [] {
      size_t count = 0;
      for (size_t at = 0; (at = CapturedSyslog().find("Refusing", at)) != std::string::npos; ++at)
        ++count;
      return count;
    }();
    if (logger.GetRecordsWritten() + logger.GetRecordsDroppedOther() != 12 || reports != 2)
      return 6;
    return 0;
  }));
  EXPECT_EQ(status, 0) << "the step that failed";
}

}  // namespace
}  // namespace logger_test
