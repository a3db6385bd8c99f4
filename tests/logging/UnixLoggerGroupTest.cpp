#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

constexpr uid_t kNobody = 65534;
constexpr int kUnreachable = 77;  // the scratch directory lies below one nobody cannot enter

// In a child that has given up root, no file can be given group 0: every report of
// the logger is sent, and the records are still written.
TEST(UnixLoggerGroup, GroupFailuresGoToSyslogAsNonRoot) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
  TempDir dir;
  ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t child = Spawn([&] {
    close(report[0]);
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) return 1;
    if (access(dir.Path().c_str(), W_OK | X_OK) != 0) return kUnreachable;
    ProbeLogger logger(dir.Path(), "app.log", 10, 1);
    logger.m_bOverrideGroup = true;
    logger.m_gidOverride = 0;
    for (int i = 0; i < 3; ++i) logger.Log(zbLogError, "f", 1, "record %d", i);
    std::string sent;
    for (SyslogMessage const& message : CapturedSyslog()) {
      sent += std::to_string(message.m_iPriority) + " " + message.m_strText + "\n";
    }
    return write(report[1], sent.data(), sent.size()) == static_cast<ssize_t>(sent.size()) ? 0 : 2;
  });
  close(report[1]);
  std::string sent;
  char chunk[512];
  for (ssize_t n; (n = read(report[0], chunk, sizeof chunk)) > 0;) sent.append(chunk, n);
  close(report[0]);
  const int exitStatus = Reap(child);
  if (exitStatus == kUnreachable) GTEST_SKIP() << dir.Path() << " is out of reach for nobody";
  ASSERT_EQ(exitStatus, 0);

  const std::string lock = "134 Error setting gid on lock file: app.lock\n";
  const std::string log = "134 Error setting gid on log file.\n";
  const std::string backup =
      "134 Error setting gid on log file: " + dir.File("app.log_1.Bak") + "\n";
  EXPECT_EQ(sent, lock + log + backup + log + backup + log);
  EXPECT_NE(ReadFile(dir.File("app.log")).find("record 2"), std::string::npos);
  EXPECT_NE(ReadFile(dir.File("app.log_1.Bak")).find("record 1"), std::string::npos);
  struct stat status {};
  ASSERT_EQ(stat(dir.File("app.log").c_str(), &status), 0);
  EXPECT_EQ(status.st_gid, kNobody);
}

}  // namespace
}  // namespace logger_test
