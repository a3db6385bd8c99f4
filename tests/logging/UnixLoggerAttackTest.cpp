// A logger running as root in a log directory that another group may write (0770): a
// member of that group plants symbolic links where the logger's files go. The file
// behind a link is never touched, nothing appears outside the directory, and a link
// stays as it was or becomes a regular file of the logger's.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

struct Attack {
  char const* m_szName;
  char const* m_szPlanted;  // the link's name in the log directory; "" for none
  bool m_bTargetExists;     // the link points at an existing file, or at a new one
  uint32_t m_uBackups;
};

std::string Describe(std::string const& path) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0) return "missing";
  return std::to_string(status.st_mode) + " " + std::to_string(status.st_gid) + " " +
         ReadFile(path);
}

TEST(UnixLoggerAttack, PlantedLinksRedirectNothing) {
  if (geteuid() != 0) GTEST_SKIP() << "the writer under attack runs as root";
  constexpr gid_t kGroup = 4242;  // the product's group, which may write the directory
  const Attack attacks[] = {
      {"none: regular files", "", true, 2},
      {"log file", "app.log", true, 2},
      {"lock file", "app.lock", true, 2},
      {"next backup, dangling", "app.log_1.Bak", false, 2},
      {"the one backup kept", "app.log_1.Bak", true, 1},
  };
  for (Attack const& attack : attacks) {
    SCOPED_TRACE(attack.m_szName);
    TempDir root;
    const std::string logs = root.File("logs");
    const std::string target = root.File("outside/target");
    ASSERT_EQ(mkdir(root.File("outside").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(logs.c_str(), 0770), 0);
    ASSERT_EQ(chown(logs.c_str(), 0, kGroup), 0);
    if (attack.m_bTargetExists) {
      WriteFile(target, "precious\n");
      ASSERT_EQ(chmod(target.c_str(), 0604), 0);
    }
    const std::string planted = logs + "/" + attack.m_szPlanted;
    ASSERT_TRUE(*attack.m_szPlanted == '\0' || symlink(target.c_str(), planted.c_str()) == 0);
    const std::string before = Describe(target);
    // Through a link higher up the path, which keeps working.
    ASSERT_EQ(symlink(logs.c_str(), root.File("via").c_str()), 0);
    ProbeLogger logger(root.File("via"), "app.log", 300, attack.m_uBackups);
    logger.m_gidGroup = kGroup;
    for (int i = 0; i < 12; ++i)
      logger.Log(zbLogError, "f", 1, "record %d of the attacker's text", i);

    EXPECT_EQ(Describe(target), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.File("outside")), {}),
              attack.m_bTargetExists ? 1 : 0);
    struct stat link {};
    ASSERT_TRUE(*attack.m_szPlanted == '\0' || lstat(planted.c_str(), &link) == 0);
    EXPECT_TRUE(*attack.m_szPlanted == '\0' || S_ISREG(link.st_mode) ||
                std::filesystem::read_symlink(planted) == target);
    if (*attack.m_szPlanted == '\0') {  // regular files: records and backups as always
      EXPECT_EQ(logger.GetRecordsWritten(), 12u);
      struct stat backup {};
      EXPECT_EQ(lstat((logs + "/app.log_2.Bak").c_str(), &backup), 0);
      EXPECT_TRUE(S_ISREG(backup.st_mode) && backup.st_gid == kGroup);
      EXPECT_EQ(MessageOf(SplitRecords(ReadFile(logs + "/app.log")).back()),
                "record 11 of the attacker's text");
    }
  }
}

}  // namespace
}  // namespace logger_test
