#include <gtest/gtest.h>

#include <string>

#include "logging/zbILogger.h"

namespace {

std::string NameOf(int32_t level) {
  return zbILogger::GetLogLevelDisplayName(static_cast<zbLogLevel>(level));
}

TEST(LogLevelDisplayName, KnownLevels) {
  EXPECT_EQ(NameOf(0), "Critical Failure:");
  EXPECT_EQ(NameOf(1), "Error:");
  EXPECT_EQ(NameOf(2), "Exception:");
  EXPECT_EQ(NameOf(4), "Warning:");
  EXPECT_EQ(NameOf(8), "Information:");
  EXPECT_EQ(NameOf(16), "Trace:");
  EXPECT_EQ(NameOf(32), "Perf. Timing:");
  EXPECT_EQ(NameOf(64), "Audit:");
}

TEST(LogLevelDisplayName, EverythingElseIsUnknown) {
  for (int32_t level : {3, 128, -1, 255, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(NameOf(level), "Unknown:") << level;
  }
}

TEST(LogLevel, StoredAsThirtyTwoBits) {
  EXPECT_EQ(sizeof(zbLogLevel), 4u);
  EXPECT_EQ(sizeof(zbLogSettings().m_iLogLevel), 4u);
  EXPECT_EQ(sizeof(zbLogSettings().m_ulMaxLogFileSize), 4u);
  EXPECT_EQ(sizeof(zbLogSettings().m_ulMaxBackupFiles), 4u);
}

// A client holds a logger through the interface; deleting through it runs the
// derived destructor.
TEST(LoggerInterface, DerivedLoggerThroughInterface) {
  struct Counting : zbILogger {
    explicit Counting(int* deleted) : m_piDeleted(deleted) {}
    ~Counting() override { ++*m_piDeleted; }
    void Log(zbLogLevel, char const*, unsigned long, char const*, ...) override { ++m_iCalls; }
    int* m_piDeleted;
    int m_iCalls = 0;
  };
  int deleted = 0;
  zbILogger* logger = new Counting(&deleted);
  logger->Log(zbLogError, __FILE__, __LINE__, "%d", 1);
  EXPECT_EQ(static_cast<Counting*>(logger)->m_iCalls, 1);
  delete logger;
  EXPECT_EQ(deleted, 1);
}

}  // namespace
