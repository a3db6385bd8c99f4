// The backup names that rotation writes and zblog reads back.
#include <gtest/gtest.h>

#include "BackupNames.h"

namespace {

TEST(BackupNames, OnlyTheNumbersRotationWrites) {
  const std::pair<char const*, uint32_t> cases[] = {{"app.log_1.Bak", 1},
                                                    {"app.log_12.Bak", 12},
                                                    {"app.log_4294967295.Bak", 4294967295u},
                                                    {"app.log_4294967296.Bak", 0},
                                                    {"app.log_0.Bak", 0},
                                                    {"app.log_01.Bak", 0},
                                                    {"app.log_.Bak", 0},
                                                    {"app.log_+1.Bak", 0},
                                                    {"app.log_1a.Bak", 0},
                                                    {"app.log_1.bak", 0},
                                                    {"app.log_1.Tmp", 0},
                                                    {"app.log1.Bak", 0},
                                                    {"app.logx_1.Bak", 0},
                                                    {"other.log_1.Bak", 0},
                                                    {"app.log_1.Bak.Bak", 0}};
  for (auto const& [name, number] : cases) {
    EXPECT_EQ(zbutil_logfile::BackupNumber(name, "app.log"), number) << name;
  }
}

}  // namespace
