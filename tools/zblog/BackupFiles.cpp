#include "BackupFiles.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace zblog {
namespace {

constexpr char kBackupSuffix[] = ".Bak";

struct DirCloser {
  void operator()(DIR* directory) const { closedir(directory); }
};

// The backup number in `name` when it is "<base>_<digits>.Bak", else 0.
uint32_t BackupNumber(std::string const& name, std::string const& base) {
  const std::string suffix(kBackupSuffix);
  const size_t prefix = base.size() + 1;
  if (name.size() <= prefix + suffix.size() || name.compare(0, base.size(), base) != 0 ||
      name[base.size()] != '_' ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return 0;
  }
  const std::string digits = name.substr(prefix, name.size() - prefix - suffix.size());
  if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
  return static_cast<uint32_t>(strtoul(digits.c_str(), nullptr, 10));
}

}  // namespace

bool IsNewer(BackupFile const& a, BackupFile const& b) {
  if (a.m_Modified.tv_sec != b.m_Modified.tv_sec) return a.m_Modified.tv_sec > b.m_Modified.tv_sec;
  if (a.m_Modified.tv_nsec != b.m_Modified.tv_nsec) {
    return a.m_Modified.tv_nsec > b.m_Modified.tv_nsec;
  }
  return a.m_uNumber > b.m_uNumber;
}

std::vector<BackupFile> ListBackups(std::string const& logPath) {
  const size_t slash = logPath.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : logPath.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? logPath : logPath.substr(slash + 1);
  std::vector<BackupFile> backups;
  std::unique_ptr<DIR, DirCloser> listing(opendir(directory.c_str()));
  if (!listing) return backups;
  while (struct dirent* entry = readdir(listing.get())) {
    BackupFile backup;
    backup.m_uNumber = BackupNumber(entry->d_name, base);
    if (backup.m_uNumber == 0) continue;
    backup.m_strPath = (slash == std::string::npos ? "" : directory) + entry->d_name;
    struct stat status {};
    if (stat(backup.m_strPath.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
    backup.m_Modified = status.st_mtim;
    backups.push_back(backup);
  }
  std::sort(backups.begin(), backups.end(),
            [](BackupFile const& a, BackupFile const& b) { return IsNewer(b, a); });
  return backups;
}

}  // namespace zblog
