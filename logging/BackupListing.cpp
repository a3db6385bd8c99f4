// Reading the log directory once per rotation: the backups present, and a leftover
// temporary file of a rotation that was killed.
#include "logging/BackupListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "BackupNames.h"

namespace zbutil_detail {
namespace {

bool IsDirectoryEntry(DIR* directory, struct dirent const* entry) {
  if (entry->d_type != DT_UNKNOWN) return entry->d_type == DT_DIR;
  struct stat status {};
  return fstatat(dirfd(directory), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISDIR(status.st_mode);
}

}  // namespace

bool ListBackups(std::string const& logPath, uint32_t maxBackups, BackupListing& listing) {
  const size_t slash = logPath.rfind('/');
  const std::string directoryPath = slash == std::string::npos ? "."
                                    : slash == 0               ? "/"
                                                               : logPath.substr(0, slash);
  const std::string base = slash == std::string::npos ? logPath : logPath.substr(slash + 1);
  const std::string temporary = base + zbutil_logfile::kRotationTemporarySuffix;
  DIR* directory = opendir(directoryPath.c_str());
  if (directory == nullptr) return false;
  listing = BackupListing();
  while (struct dirent const* entry = readdir(directory)) {
    if (temporary == entry->d_name) {
      unlinkat(dirfd(directory), entry->d_name, 0);
      continue;
    }
    const uint32_t number = zbutil_logfile::BackupNumber(entry->d_name, base);
    if (number == 0 || number > maxBackups) continue;
    listing.m_vNumbers.push_back(number);
    if (IsDirectoryEntry(directory, entry)) listing.m_bDirectoryInTheWay = true;
  }
  closedir(directory);
  std::sort(listing.m_vNumbers.begin(), listing.m_vNumbers.end());
  return true;
}

}  // namespace zbutil_detail
