// Where the logger's files go, how they are opened, rotated and copied, and the backup
// names that rotation writes and zblog reads back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <tuple>

#include "BackupNames.h"
#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

// What GetLogFileDirectory settles on for a configured and a base directory.
std::pair<int, std::string> Resolve(std::string const& configured, std::string const& base) {
  ProbeLogger logger("/");
  logger.m_LogSettings.m_strLogDirectory = configured.c_str();
  logger.m_strBaseDirectory = base.c_str();
  String out("stale");
  const int result = logger.GetLogFileDirectory(out);
  return {result, out};
}

TEST(UnixLoggerDirectory, ConfiguredThenBelowTheBaseThenTheDefault) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.File("logs").c_str(), 0700), 0);
  ASSERT_EQ(mkdir(dir.File("missing").c_str(), 0700), 0);
  const std::pair<int, std::string> fallback(-1, "/qtr/bin/zoredezuv/logs");
  EXPECT_EQ(Resolve(dir.Path(), "/nonexistent"), std::make_pair(0, dir.Path()));
  EXPECT_EQ(Resolve("/missing", dir.Path()), fallback);  // an absolute one never below the base
  EXPECT_EQ(Resolve("logs", dir.Path()), std::make_pair(0, dir.File("logs")));
  EXPECT_EQ(Resolve("nope", dir.Path()), fallback);
  EXPECT_EQ(Resolve("", dir.Path()), std::make_pair(0, dir.Path() + "/"));
  EXPECT_EQ(Resolve("", ""), std::make_pair(0, std::string("/")));
  // Below the working directory, a relative one wins over the base.
  const pid_t child = Spawn([&] {
    return chdir(dir.Path().c_str()) == 0 && Resolve("logs", dir.Path()).second == "logs" ? 0 : 1;
  });
  EXPECT_EQ(Reap(child), 0);
}

TEST(UnixLoggerOpen, CreatesBothFilesWithMode0660AndTheGroupUnderNoMaskCloseOnExec) {
  TempDir dir;
  ProbeLogger logger(dir.Path(), "x.log.log");  // every ".log" makes ".lock" in the lock's name
  logger.m_gidGroup = 4321;
  const mode_t callerMask = umask(077);
  logger.Log(zbLogError, "f", 1, "x");
  EXPECT_EQ(umask(callerMask), 077u);
  for (int fd : {logger.m_iLogFd, logger.m_iLockFd}) {  // appending, not inherited by exec
    EXPECT_EQ(fcntl(fd, F_GETFL) & (O_ACCMODE | O_APPEND), O_WRONLY | O_APPEND);
    EXPECT_EQ(fcntl(fd, F_GETFD), FD_CLOEXEC);
  }
  for (char const* name : {"x.log.log", "x.lock.lock"}) {
    struct stat status {};
    ASSERT_EQ(stat(dir.File(name).c_str(), &status), 0) << name;
    EXPECT_EQ(status.st_mode & 07777, 0660u) << name;
    EXPECT_TRUE(geteuid() != 0 || status.st_gid == 4321u) << name;
  }
}

// Per case: the size limit, the number of backups, backups 1 to 4 before ("" for
// none), the log's content at each rotation, the log and backups 1 to 4 afterwards.
using Backups = std::array<std::string, 4>;
using RotationCase =
    std::tuple<uint32_t, uint32_t, Backups, std::vector<std::string>, std::string, Backups>;

TEST(UnixLoggerRotate, GapsAreFilledThenBackupsShift) {
  const RotationCase cases[] = {
      {4, 2, {}, {"abcd"}, "abcd", {}},  // as large as the limit: kept
      {4, 2, {}, {"abcde"}, "", {"abcde"}},
      {1, 3, {"", "", "", "4"}, {"1st", "2nd", "3rd"}, "", {"1st", "2nd", "3rd", "4"}},
      {1, 3, {"", "", "", "4"}, {"1st", "2nd", "3rd", "4th"}, "", {"2nd", "3rd", "4th", "4"}},
      {1, 2, {"", "kept"}, {"content"}, "", {"content", "kept"}},  // the lowest gap is filled
      {1, 4, {"1", "", "3", ""}, {"aa", "bb", "cc"}, "", {"aa", "3", "bb", "cc"}},
      {1, 1, {"old and longer"}, {"new"}, "", {"new"}},
      {1, 2, {"same"}, {"same", "same"}, "", {"same", "same"}},  // alike, yet all kept
      {1, 0, {}, {"discarded"}, "", {}},
  };
  for (auto const& [maxSize, count, before, logs, log, after] : cases) {
    SCOPED_TRACE(logs.back() + " into " + std::to_string(count) + " backups");
    TempDir dir;
    ProbeLogger logger(dir.Path(), "app.log", maxSize, count);
    ScopedLogLevel none("0");
    logger.Log(zbLogError, "f", 1, "filtered out, yet opens the files");
    struct stat opened {};
    ASSERT_EQ(stat(dir.File("app.log").c_str(), &opened), 0);
    for (int n = 1; n <= 4; ++n) {
      if (!before[n - 1].empty()) WriteFile(dir.Backup(n), before[n - 1]);
    }
    for (std::string const& content : logs) {
      WriteFile(dir.File("app.log"), content);
      EXPECT_EQ(logger.RotateLogBackup(), 0);
    }
    // Emptied in place: every process keeps writing into the file it holds open.
    struct stat now {};
    ASSERT_EQ(stat(dir.File("app.log").c_str(), &now), 0);
    EXPECT_EQ(now.st_ino, opened.st_ino);
    EXPECT_EQ(ReadFile(dir.File("app.log")), log);
    EXPECT_FALSE(Exists(dir.Backup(0)));
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(ReadFile(dir.Backup(n)), after[n - 1]) << n;
  }
}

TEST(UnixLoggerCopy, CopiesEveryByteOrFails) {
  TempDir dir;
  ProbeLogger logger(dir.Path());
  const std::string bytes("binary\0with NULs\n\xff\0", 19);
  WriteFile(dir.File("src"), bytes);
  WriteFile(dir.File("empty"), "");
  WriteFile(dir.File("dst"), std::string(5000, 'x'));  // longer than the copy
  const std::tuple<char const*, char const*, int> cases[] = {{"src", "dst", 0},
                                                             {"empty", "e", -1},
                                                             {"missing", "m", -1},
                                                             {"src", "no/dir", -1},
                                                             {"src", "", -1}};
  for (auto const& [from, to, result] : cases) {
    EXPECT_EQ(logger.MemCopyFile(String(dir.File(from).c_str()), String(dir.File(to).c_str())),
              result)
        << from << " to " << to;
  }
  EXPECT_EQ(ReadFile(dir.File("dst")), bytes);
  EXPECT_FALSE(Exists(dir.File("m")));
}

TEST(BackupNames, OnlyTheNumbersRotationWrites) {
  using zbutil_logfile::BackupNumber;
  EXPECT_EQ(BackupNumber("app.log_1.Bak", "app.log"), 1u);
  EXPECT_EQ(BackupNumber("app.log_12.Bak", "app.log"), 12u);
  EXPECT_EQ(BackupNumber("app.log_4294967295.Bak", "app.log"), 4294967295u);
  for (char const* name :
       {"app.log_4294967296.Bak", "app.log_0.Bak", "app.log_01.Bak", "app.log_.Bak",
        "app.log_+1.Bak", "app.log_1a.Bak", "app.log_1.bak", "app.log_1.Tmp", "app.log1.Bak",
        "app.logx_1.Bak", "other.log_1.Bak", "app.log_1.Bak.Bak"}) {
    EXPECT_EQ(BackupNumber(name, "app.log"), 0u) << name;
  }
}

}  // namespace
}  // namespace logger_test
