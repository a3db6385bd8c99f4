// Rotation where others touch the logger's files, and names planted in the log
// directory (links, FIFOs, directories): nothing may block, kill or divert a writer,
// redirect a file operation, or lose a record counted as written. Cases that could
// block run in a child that an alarm kills.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <tuple>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

// A file's mode, group and content.
std::string Describe(std::string const& path) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0) return "missing";
  return std::to_string(status.st_mode) + " " + std::to_string(status.st_gid) + " " +
         ReadFile(path);
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
    const std::string all = ReadFile(dir.Backup(1, name)) + ReadFile(dir.Backup(2, name));
    EXPECT_EQ(SplitRecords(all + ReadFile(dir.File(name))).size(), 12u) << name.size();
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
  for (int n = 1; Exists(dir.Backup(n)); ++n) {
    const std::string content = ReadFile(dir.Backup(n));
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
    size_t refusals = 0;
    for (size_t at = 0; (at = CapturedSyslog().find("Refusing", at)) != std::string::npos; ++at)
      ++refusals;
    return logger.GetRecordsWritten() + logger.GetRecordsDroppedOther() == 12 && refusals == 2 ? 0
                                                                                               : 6;
  }));
  EXPECT_EQ(status, 0) << "the step that failed";
}

// As root in a directory that another group may write (0770), reached through a link
// higher up its path: a member of that group plants symbolic links where the logger's
// files go. The file behind never changes, nothing appears outside the directory, and a
// planted link stays as it was or becomes a regular file of the logger's.
TEST(UnixLoggerHostileNames, PlantedLinksRedirectNothing) {
  if (geteuid() != 0) GTEST_SKIP() << "the writer under attack runs as root";
  constexpr gid_t kGroup = 4242;  // the product's group, which may write the directory
  // The planted name ("" for none), whether its target exists, the backups kept.
  const std::tuple<std::string, bool, uint32_t> attacks[] = {{"", true, 2},
                                                             {"app.log", true, 2},
                                                             {"app.lock", true, 2},
                                                             {"app.log_1.Bak", false, 2},
                                                             {"app.log_1.Bak", true, 1}};
  for (auto const& [name, targetExists, backups] : attacks) {
    SCOPED_TRACE(name + (targetExists ? "" : " (dangling)"));
    TempDir root;
    const std::string logs = root.File("logs"), target = root.File("outside/target");
    ASSERT_EQ(mkdir(root.File("outside").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(logs.c_str(), 0770), 0);
    ASSERT_EQ(chown(logs.c_str(), 0, kGroup), 0);
    if (targetExists) WriteFile(target, "precious\n");
    ASSERT_TRUE(!targetExists || chmod(target.c_str(), 0604) == 0);
    const std::string before = Describe(target);
    ASSERT_TRUE(name.empty() || symlink(target.c_str(), (logs + "/" + name).c_str()) == 0);
    ASSERT_EQ(symlink(logs.c_str(), root.File("via").c_str()), 0);
    ProbeLogger logger(root.File("via"), "app.log", 300, backups);
    logger.m_gidGroup = kGroup;
    for (int i = 0; i < 12; ++i) logger.Log(zbLogError, "f", 1, "record %d of the attacker", i);
    EXPECT_EQ(Describe(target), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.File("outside")), {}),
              targetExists ? 1 : 0);
    struct stat planted {};
    ASSERT_EQ(lstat((logs + "/" + (name.empty() ? "app.log_2.Bak" : name)).c_str(), &planted), 0);
    EXPECT_TRUE(S_ISREG(planted.st_mode) ||
                std::filesystem::read_symlink(logs + "/" + name) == target);
    if (name.empty()) {  // regular files: records and backups as always, in the group
      EXPECT_TRUE(logger.GetRecordsWritten() == 12u && planted.st_gid == kGroup);
      EXPECT_EQ(MessageOf(SplitRecords(ReadFile(logs + "/app.log")).back()),
                "record 11 of the attacker");
    }
  }
}

}  // namespace
}  // namespace logger_test
