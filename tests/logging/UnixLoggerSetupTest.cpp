// The first call's set-up re-entered by a hook, and local time across a change of zone.
#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include "LoggerTestSupport.h"

namespace logger_test {

// Logs through itself from both hooks of its set-up.
struct ReentrantLogger : ProbeLogger {
  using ProbeLogger::ProbeLogger;
  int LoadLogSettings(zbLogSettings& settings, String& base) override {
    return Log(zbLogError, "hook", 1, "in settings"), ProbeLogger::LoadLogSettings(settings, base);
  }
  gid_t GetGroupID() override { return Log(zbLogError, "hook", 2, "from GetGroupID"), getegid(); }
};

TEST(UnixLoggerSetup, HookThatLogsLosesItsOwnRecordAndNothingElse) {
  TempDir dir;
  const pid_t child = Spawn([&] {
    alarm(10);  // watchdog: a set-up that blocks fails the test instead of hanging the run
    ReentrantLogger logger(dir.Path());
    logger.Log(zbLogError, "outer", 3, "first");
    logger.Log(zbLogError, "outer", 4, "second");
    return logger.GetRecordsDroppedOther() == 2 && logger.GetRecordsWritten() == 2 ? 0 : 1;
  });
  ASSERT_EQ(Reap(child), 0);
  const std::vector<std::string> records = SplitRecords(ReadFile(dir.File("app.log")));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(MessageOf(records[0]) + MessageOf(records[1]), "firstsecond");
}

TEST(UnixLoggerSetup, LocalTimeFollowsANewTimeZoneAtTheNextSecond) {
  TempDir dir;
  ProbeLogger logger(dir.Path());
  setenv("TZ", "UTC0", 1);
  logger.Log(zbLogError, "zone", 1, "utc");
  // The one wait: into the next second, where the zone is read again.
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  usleep(static_cast<useconds_t>(1020000 - now.tv_nsec / 1000));
  setenv("TZ", "IST-5:30", 1);
  logger.Log(zbLogError, "zone", 2, "ist");
  unsetenv("TZ");
  const std::vector<std::string> records = SplitRecords(ReadFile(dir.File("app.log")));
  ASSERT_EQ(records.size(), 2u);
  struct tm at[2] = {};
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(strptime(records[i].c_str() + 9, "%Y/%m/%d|%T", &at[i]));
  // Five and a half hours ahead, plus the second or few that passed in between.
  const long shift = static_cast<long>(timegm(&at[1]) - timegm(&at[0]));
  EXPECT_TRUE(shift > 5 * 3600 + 1800 && shift <= 5 * 3600 + 1800 + 30) << shift;
}

}  // namespace logger_test
