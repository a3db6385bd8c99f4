#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <stdexcept>
#include <type_traits>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

std::string LockNameOf(char const* logName) {
  ProbeLogger logger("/", logName);
  return logger.m_strLockFileName;
}

TEST(UnixLoggerObject, LockFileNameReplacesEveryDotLog) {
  EXPECT_EQ(LockNameOf("app.log"), "app.lock");
  EXPECT_EQ(LockNameOf("app.log.1"), "app.lock.1");
  EXPECT_EQ(LockNameOf("my.logger.log"), "my.lockger.lock");
  EXPECT_EQ(LockNameOf("trace.txt"), "trace.txt");  // lock and log are one file
  ProbeLogger explicitLock("/", "a.log", "b.log");
  EXPECT_EQ(explicitLock.m_strLockFileName, "b.log");
  EXPECT_EQ(explicitLock.m_strLogFileName, "a.log");
}

TEST(UnixLoggerObject, EmptyNamesAreRefused) {
  EXPECT_THROW(zbUnixLogger(String("")), std::invalid_argument);
  EXPECT_THROW(zbUnixLogger(String(""), String("x.lock")), std::invalid_argument);
  EXPECT_THROW(zbUnixLogger(String("x.log"), String("")), std::invalid_argument);
  static_assert(!std::is_copy_constructible<zbUnixLogger>::value, "owns descriptors");
  static_assert(!std::is_copy_assignable<zbUnixLogger>::value, "owns descriptors");
}

TEST(UnixLoggerObject, UnusedLoggerTouchesNoFile) {
  TempDir dir;
  {
    ProbeLogger logger(dir.Path());
    EXPECT_EQ(logger.m_iLogFd, -1);
    EXPECT_EQ(logger.m_iLockFd, -1);
    EXPECT_FALSE(logger.m_bInitialised);
    EXPECT_FALSE(logger.m_bLogFileOpen);
    EXPECT_TRUE(logger.m_strLogFilePath.empty());
  }
  EXPECT_FALSE(Exists(dir.File("app.log")));
  EXPECT_FALSE(Exists(dir.File("app.lock")));
}

TEST(UnixLoggerObject, DestructorClosesBothDescriptors) {
  TempDir dir;
  int logFd = -1;
  int lockFd = -1;
  {
    ProbeLogger logger(dir.Path());
    logger.Log(zbLogError, "f", 1, "x");
    logFd = logger.m_iLogFd;
    lockFd = logger.m_iLockFd;
    ASSERT_GE(logFd, 0);
    ASSERT_GE(lockFd, 0);
  }
  EXPECT_EQ(fcntl(logFd, F_GETFD), -1);
  EXPECT_EQ(fcntl(lockFd, F_GETFD), -1);
  EXPECT_TRUE(Exists(dir.File("app.log")));
}

TEST(UnixLoggerObject, SetLogLevelChangesNoLoggersMask) {
  ScopedLogLevel unset(nullptr);
  EXPECT_EQ(zbUnixLogger::sm_ulMsgNo, 1ul);
  TempDir dir;
  ProbeLogger logger(dir.Path());
  zbUnixLogger::SetLogLevel(3);
  EXPECT_EQ(zbUnixLogger::m_siLogLevel, 3);
  logger.Log(zbLogInformation, "f", 1, "still admitted");
  zbUnixLogger::SetLogLevel(255);
  EXPECT_NE(ReadFile(dir.File("app.log")).find("still admitted"), std::string::npos);
}

TEST(UnixLoggerObject, SyslogTextsAreSentVerbatim) {
  CapturedSyslog().clear();
  ProbeLogger logger("/");
  logger.LogToSyslogFile(kReportPriority, String("50%d done %s"));
  logger.LogToSyslogFile(kReportPriority, String("first %n "), String("second%"));
  ASSERT_EQ(CapturedSyslog().size(), 2u);
  EXPECT_EQ(CapturedSyslog()[0].m_iPriority, 134);
  EXPECT_EQ(CapturedSyslog()[0].m_strText, "50%d done %s");
  EXPECT_EQ(CapturedSyslog()[1].m_strText, "first %n second%");
}

}  // namespace
}  // namespace logger_test
