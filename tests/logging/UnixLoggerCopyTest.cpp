#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

int OpenDescriptors() {
  int count = 0;
  DIR* fds = opendir("/proc/self/fd");
  while (readdir(fds) != nullptr) ++count;
  closedir(fds);
  return count;
}

class FileCopy : public ::testing::Test {
 protected:
  FileCopy() : m_Logger(m_Dir.Path()) {}
  int Copy(std::string const& from, std::string const& to) const {
    return m_Logger.MemCopyFile(String(from.c_str()), String(to.c_str()));
  }

  TempDir m_Dir;
  ProbeLogger m_Logger;
};

TEST_F(FileCopy, CopiesEveryByteOverALongerDestination) {
  const std::string bytes("binary\0with NULs\n\xff", 19);
  WriteFile(m_Dir.File("src"), bytes);
  WriteFile(m_Dir.File("dst"), std::string(5000, 'x'));
  const int descriptors = OpenDescriptors();
  EXPECT_EQ(Copy(m_Dir.File("src"), m_Dir.File("dst")), 0);
  EXPECT_EQ(ReadFile(m_Dir.File("dst")), bytes);
  EXPECT_EQ(OpenDescriptors(), descriptors);

  const mode_t callerMask = umask(027);  // a new destination honours the caller's mask
  EXPECT_EQ(Copy(m_Dir.File("src"), m_Dir.File("new")), 0);
  umask(callerMask);
  struct stat status {};
  ASSERT_EQ(stat(m_Dir.File("new").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST_F(FileCopy, FailuresLeaveNothingOpen) {
  const int descriptors = OpenDescriptors();
  EXPECT_EQ(Copy(m_Dir.File("missing"), m_Dir.File("dst")), -1);
  EXPECT_FALSE(Exists(m_Dir.File("dst")));

  WriteFile(m_Dir.File("empty"), "");
  WriteFile(m_Dir.File("dst"), "old");
  EXPECT_EQ(Copy(m_Dir.File("empty"), m_Dir.File("dst")), -1);  // cannot map 0 bytes
  EXPECT_EQ(ReadFile(m_Dir.File("dst")), "");

  WriteFile(m_Dir.File("src"), "data");
  EXPECT_EQ(Copy(m_Dir.File("src"), m_Dir.File("no/such/dir")), -1);
  EXPECT_EQ(Copy(m_Dir.File("src"), m_Dir.Path()), -1);  // a directory cannot be written
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(FileCopy, MoveCopiesThenEmptiesTheLogInPlace) {
  m_Logger.Log(zbLogError, "f", 1, "%s", "content to move");
  const std::string log = m_Dir.File("app.log");
  const std::string content = ReadFile(log);
  struct stat before {};
  ASSERT_EQ(stat(log.c_str(), &before), 0);

  EXPECT_EQ(m_Logger.MoveFileContent(String(log.c_str()), String(m_Dir.File("nodir/b").c_str())),
            -1);
  EXPECT_EQ(ReadFile(log), content);  // failed copy: log untouched

  EXPECT_EQ(m_Logger.MoveFileContent(String(log.c_str()), String(m_Dir.File("b").c_str())), 0);
  EXPECT_EQ(ReadFile(m_Dir.File("b")), content);
  struct stat after {};
  ASSERT_EQ(stat(log.c_str(), &after), 0);
  EXPECT_EQ(after.st_size, 0);
  EXPECT_EQ(after.st_ino, before.st_ino);

  WriteFile(log, "more");
  EXPECT_EQ(m_Logger.MoveFileContent(String(log.c_str()), String()), 0);  // only empties
  EXPECT_EQ(ReadFile(log), "");
}

}  // namespace
}  // namespace logger_test
