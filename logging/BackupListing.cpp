// Reading the log directory once per rotation: the backups present, and a leftover
// temporary file of a rotation that was killed.
#include "logging/BackupListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace zbutil_detail {
namespace {

constexpr char kSeparator[] = "_";
constexpr char kSuffix[] = ".Bak";

// The number of a backup's name, or 0 when `name` is no backup of `base`.
uint64_t BackupNumber(char const* name, std::string const& base) {
  const std::string text(name);
  const size_t prefix = base.size() + sizeof kSeparator - 1;
  const size_t suffix = sizeof kSuffix - 1;
  if (text.size() <= prefix + suffix || text.compare(0, base.size(), base) != 0 ||
      text.compare(base.size(), prefix - base.size(), kSeparator) != 0 ||
      text.compare(text.size() - suffix, suffix, kSuffix) != 0 || text[prefix] == '0') {
    return 0;
  }
  uint64_t number = 0;
  for (size_t i = prefix; i < text.size() - suffix; ++i) {
    if (text[i] < '0' || text[i] > '9' || number > UINT32_MAX) return 0;
    number = number * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  return number;
}

bool IsDirectoryEntry(DIR* directory, struct dirent const* entry) {
  if (entry->d_type != DT_UNKNOWN) return entry->d_type == DT_DIR;
  struct stat status {};
  return fstatat(dirfd(directory), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISDIR(status.st_mode);
}

}  // namespace

bool ListBackups(std::string const& logPath, std::string const& temporarySuffix,
                 uint32_t maxBackups, BackupListing& listing) {
  const size_t slash = logPath.rfind('/');
  const std::string directoryPath = slash == std::string::npos ? "."
                                    : slash == 0               ? "/"
                                                               : logPath.substr(0, slash);
  const std::string base = slash == std::string::npos ? logPath : logPath.substr(slash + 1);
  const std::string temporary = base + temporarySuffix;
  DIR* directory = opendir(directoryPath.c_str());
  if (directory == nullptr) return false;
  listing = BackupListing();
  while (struct dirent const* entry = readdir(directory)) {
    if (temporary == entry->d_name) {
      unlinkat(dirfd(directory), entry->d_name, 0);
      continue;
    }
    const uint64_t number = BackupNumber(entry->d_name, base);
    if (number == 0 || number > maxBackups) continue;
    listing.m_vNumbers.push_back(static_cast<uint32_t>(number));
    if (IsDirectoryEntry(directory, entry)) listing.m_bDirectoryInTheWay = true;
  }
  closedir(directory);
  std::sort(listing.m_vNumbers.begin(), listing.m_vNumbers.end());
  return true;
}

}  // namespace zbutil_detail
