#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

// A logger with its files open, whose log can be filled directly before a rotation.
class Rotation : public ::testing::Test {
 protected:
  void Open(uint32_t maxSize, uint32_t backups) {
    m_pLogger = std::make_unique<ProbeLogger>(m_Dir.Path(), "app.log", maxSize, backups);
    m_pLogger->m_bOverrideGroup = true;
    m_pLogger->m_gidOverride = 777;
    ScopedLogLevel none("0");  // the opening record is filtered out: the log stays empty
    m_pLogger->Log(zbLogError, "f", 1, "opening");
    ASSERT_TRUE(m_pLogger->m_bLogFileOpen);
  }
  // Replaces the log's content through the logger's own descriptor, as appends do.
  void Fill(std::string const& content) {
    ASSERT_EQ(ftruncate(m_pLogger->m_iLogFd, 0), 0);
    ASSERT_EQ(write(m_pLogger->m_iLogFd, content.data(), content.size()),
              static_cast<ssize_t>(content.size()));
  }
  std::string Log() const { return ReadFile(m_Dir.File("app.log")); }
  std::string Backup(int n) const { return m_Dir.File("app.log_" + std::to_string(n) + ".Bak"); }

  TempDir m_Dir;
  std::unique_ptr<ProbeLogger> m_pLogger;
};

TEST_F(Rotation, BackupNamesAndNextSequence) {
  Open(4, 3);
  String path;
  m_pLogger->BuildBackupLogFilePath(12, path);
  EXPECT_EQ(path, Backup(12));
  WriteFile(Backup(1), "1");
  WriteFile(Backup(2), "2");
  bool all = true;
  int n = 0;
  m_pLogger->GetNextBackupLogFileSequence(path, all, n);
  EXPECT_EQ(std::make_tuple(std::string(path), all, n), std::make_tuple(Backup(3), false, 3));
  WriteFile(Backup(3), "3");
  m_pLogger->GetNextBackupLogFileSequence(path, all, n);
  EXPECT_EQ(std::make_tuple(std::string(path), all, n), std::make_tuple(Backup(3), true, 3));
  m_pLogger->m_LogSettings.m_ulMaxBackupFiles = 0;
  path = "untouched";
  m_pLogger->GetNextBackupLogFileSequence(path, all, n);
  EXPECT_EQ(std::make_tuple(std::string(path), all, n), std::make_tuple("untouched", false, 0));
}

TEST_F(Rotation, OnlyALogLargerThanTheLimitIsRotated) {
  Open(4, 2);
  Fill("abcd");
  EXPECT_EQ(m_pLogger->RotateLogBackup(), 0);
  EXPECT_EQ(Log(), "abcd");
  EXPECT_FALSE(Exists(Backup(1)));
  Fill("abcde");
  EXPECT_EQ(m_pLogger->RotateLogBackup(), 0);
  EXPECT_EQ(Log(), "");
  EXPECT_EQ(ReadFile(Backup(1)), "abcde");
  struct stat status {};
  ASSERT_EQ(stat(Backup(1).c_str(), &status), 0);
  if (geteuid() == 0) {
    EXPECT_EQ(status.st_gid, 777u);
  }
}

TEST_F(Rotation, FillsBackupsInOrderThenShiftsTheOldestOut) {
  Open(1, 2);
  WriteFile(Backup(3), "beyond N");
  for (std::string content : {"first", "second", "third", "fourth"}) {
    Fill(content);
    ASSERT_EQ(m_pLogger->RotateLogBackup(), 0) << content;
  }
  EXPECT_EQ(ReadFile(Backup(1)), "third");
  EXPECT_EQ(ReadFile(Backup(2)), "fourth");
  EXPECT_EQ(ReadFile(Backup(3)), "beyond N");
}

TEST_F(Rotation, OneBackupIsOverwrittenAndNoneDiscardsTheContent) {
  Open(1, 1);
  WriteFile(Backup(1), "old and longer");
  Fill("new");
  EXPECT_EQ(m_pLogger->RotateLogBackup(), 0);
  EXPECT_EQ(ReadFile(Backup(1)), "new");
  EXPECT_FALSE(Exists(Backup(2)));

  m_pLogger->m_LogSettings.m_ulMaxBackupFiles = 0;
  Fill("discarded");
  EXPECT_EQ(m_pLogger->RotateLogBackup(), 0);
  EXPECT_EQ(Log(), "");
  EXPECT_EQ(ReadFile(Backup(1)), "new");
  EXPECT_FALSE(Exists(m_Dir.File("app.log_0.Bak")));
}

TEST_F(Rotation, AGapIsFilledFirst) {
  Open(1, 2);
  WriteFile(Backup(2), "kept");
  Fill("content");
  EXPECT_EQ(m_pLogger->RotateLogBackup(), 0);
  EXPECT_EQ(ReadFile(Backup(1)), "content");
  EXPECT_EQ(ReadFile(Backup(2)), "kept");
}

TEST_F(Rotation, FailedShiftKeepsTheLogAndTheRecordIsNotWritten) {
  Open(1, 2);
  ASSERT_EQ(mkdir(Backup(1).c_str(), 0700), 0);  // backup 2 cannot be renamed onto it
  WriteFile(Backup(2), "two");
  Fill("content");
  EXPECT_EQ(m_pLogger->RotateLogBackup(), -1);
  EXPECT_EQ(Log(), "content");
  EXPECT_EQ(ReadFile(Backup(2)), "two");
  ScopedLogLevel all("255");
  m_pLogger->Log(zbLogError, "f", 1, "lost");
  EXPECT_EQ(Log(), "content");
}

TEST_F(Rotation, TheTriggeringRecordStartsTheSameEmptiedFile) {
  Open(10, 2);
  Fill("0123456789A");
  struct stat before {};
  ASSERT_EQ(stat(m_Dir.File("app.log").c_str(), &before), 0);
  ScopedLogLevel all("255");
  m_pLogger->Log(zbLogError, "f", 1, "after rotation");
  struct stat after {};
  ASSERT_EQ(stat(m_Dir.File("app.log").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(ReadFile(Backup(1)), "0123456789A");
  const std::string log = Log();
  EXPECT_EQ(log[0], '\n');
  EXPECT_EQ(SplitRecords(log).size(), 1u);
  EXPECT_NE(log.find("after rotation"), std::string::npos);
}

}  // namespace
}  // namespace logger_test
