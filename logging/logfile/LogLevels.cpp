#include "LogLevels.h"

#include <strings.h>

#include <string>

namespace zbutil_logfile {
namespace {

bool SameIgnoringCase(std::string_view one, std::string_view other) {
  return one.size() == other.size() && strncasecmp(one.data(), other.data(), one.size()) == 0;
}

}  // namespace

LogLevel const* LevelByValue(int32_t value) {
  for (LogLevel const& level : kLogLevels) {
    if (level.m_iValue == value) return &level;
  }
  return nullptr;
}

LogLevel const* LevelByName(std::string_view name) {
  for (LogLevel const& level : kLogLevels) {
    std::string_view display = level.m_strDisplay;
    if (SameIgnoringCase(name, level.m_strName) ||
        (!level.m_strShortName.empty() && SameIgnoringCase(name, level.m_strShortName)) ||
        SameIgnoringCase(name, display) ||
        SameIgnoringCase(name, display.substr(0, display.size() - 1))) {
      return &level;
    }
  }
  return nullptr;
}

std::string_view LevelDisplayName(int32_t value) {
  LogLevel const* level = LevelByValue(value);
  return level == nullptr ? kUnknownLevelDisplay : level->m_strDisplay;
}

}  // namespace zbutil_logfile
