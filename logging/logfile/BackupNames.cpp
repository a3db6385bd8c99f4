#include "BackupNames.h"

namespace zbutil_logfile {

uint32_t BackupNumber(std::string_view name, std::string_view base) {
  constexpr std::string_view separator(kBackupSeparator);
  constexpr std::string_view suffix(kBackupSuffix);
  const size_t prefix = base.size() + separator.size();
  if (name.size() <= prefix + suffix.size() || name.substr(0, base.size()) != base ||
      name.substr(base.size(), separator.size()) != separator ||
      name.substr(name.size() - suffix.size()) != suffix || name[prefix] == '0') {
    return 0;
  }
  uint64_t number = 0;
  for (const char digit : name.substr(prefix, name.size() - prefix - suffix.size())) {
    if (digit < '0' || digit > '9') return 0;
    number = number * 10 + static_cast<uint64_t>(digit - '0');
    if (number > UINT32_MAX) return 0;
  }
  return static_cast<uint32_t>(number);
}

}  // namespace zbutil_logfile
