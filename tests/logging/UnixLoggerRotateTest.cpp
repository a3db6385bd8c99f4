#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <tuple>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

// Per case: the size limit, the number of backups, backups 1 to 4 before ("" for
// none), the log's content at each rotation, the log and backups 1 to 4 afterwards.
using Backups = std::array<std::string, 4>;
using RotationCase =
    std::tuple<uint32_t, uint32_t, Backups, std::vector<std::string>, std::string, Backups>;

TEST(UnixLoggerRotate, BackupsAreFilledInOrderThenShifted) {
  const RotationCase cases[] = {
      {4, 2, {}, {"abcd"}, "abcd", {}},  // as large as the limit: kept
      {4, 2, {}, {"abcde"}, "", {"abcde"}},
      {1, 3, {"", "", "", "4"}, {"1st", "2nd", "3rd"}, "", {"1st", "2nd", "3rd", "4"}},
      {1, 3, {"", "", "", "4"}, {"1st", "2nd", "3rd", "4th"}, "", {"2nd", "3rd", "4th", "4"}},
      {1, 2, {"", "kept"}, {"content"}, "", {"content", "kept"}},  // a gap is filled first
      {1, 1, {"old and longer"}, {"new"}, "", {"new"}},
      {1, 0, {}, {"discarded"}, "", {}},
  };
  for (auto const& [maxSize, count, before, logs, log, after] : cases) {
    SCOPED_TRACE(logs.back() + " into " + std::to_string(count) + " backups");
    TempDir dir;
    auto backup = [&dir](size_t n) { return dir.File("app.log_" + std::to_string(n) + ".Bak"); };
    ProbeLogger logger(dir.Path(), "app.log", maxSize, count);
    ScopedLogLevel none("0");
    logger.Log(zbLogError, "f", 1, "filtered out, yet opens the files");
    struct stat opened {};
    ASSERT_EQ(stat(dir.File("app.log").c_str(), &opened), 0);
    for (size_t n = 1; n <= 4; ++n) {
      if (!before[n - 1].empty()) WriteFile(backup(n), before[n - 1]);
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
    EXPECT_FALSE(Exists(backup(0)));
    for (size_t n = 1; n <= 4; ++n) EXPECT_EQ(ReadFile(backup(n)), after[n - 1]) << n;
  }
}

TEST(UnixLoggerCopy, CopiesEveryByteOrFails) {
  TempDir dir;
  ProbeLogger logger(dir.Path());
  const std::string bytes("binary\0with NULs\n\xff", 19);
  WriteFile(dir.File("src"), bytes);
  WriteFile(dir.File("empty"), "");
  WriteFile(dir.File("dst"), std::string(5000, 'x'));  // longer than the copy
  const std::tuple<char const*, std::string, int> cases[] = {{"src", dir.File("dst"), 0},
                                                             {"empty", dir.File("e"), -1},
                                                             {"missing", dir.File("m"), -1},
                                                             {"src", dir.File("no/dir"), -1},
                                                             {"src", dir.Path(), -1}};
  for (auto const& [from, to, result] : cases) {
    EXPECT_EQ(logger.MemCopyFile(String(dir.File(from).c_str()), String(to.c_str())), result)
        << from << " to " << to;
  }
  EXPECT_EQ(ReadFile(dir.File("dst")), bytes);
  EXPECT_FALSE(Exists(dir.File("m")));
}

}  // namespace
}  // namespace logger_test
