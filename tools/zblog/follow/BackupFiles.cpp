#include "follow/BackupFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <unistd.h>

#include <algorithm>
#include <memory>

#include "BackupNames.h"
#include "LogPaths.h"
#include "files/RegularFile.h"

namespace zblog {
namespace {

struct DirCloser {
  void operator()(DIR* directory) const { closedir(directory); }
};

struct timespec ToTimespec(struct statx_timestamp const& stamp) {
  struct timespec time {};
  time.tv_sec = static_cast<time_t>(stamp.tv_sec);
  time.tv_nsec = static_cast<long>(stamp.tv_nsec);
  return time;
}

// Fills the identity of `backup` from what statx found; false for anything but a file.
bool Identify(struct statx const& status, BackupFile& backup) {
  if (!S_ISREG(status.stx_mode)) return false;
  backup.m_Modified = ToTimespec(status.stx_mtime);
  backup.m_uSize = status.stx_size;
  backup.m_uDevice = makedev(status.stx_dev_major, status.stx_dev_minor);
  backup.m_uInode = status.stx_ino;
  backup.m_Born = {};
  if ((status.stx_mask & STATX_BTIME) != 0) {
    backup.m_Born = ToTimespec(status.stx_btime);
  }
  return true;
}

constexpr unsigned kStatxMask = STATX_BASIC_STATS | STATX_BTIME;

}  // namespace

int OpenBackup(std::string const& logPath, BackupFile const& backup) {
  std::string path = backup.m_strPath;
  for (int attempt = 0; attempt < 10; ++attempt) {
    std::string why;
    const int fd = OpenRegularFile(path, why);
    struct statx status {};
    BackupFile opened;
    if (fd >= 0 && statx(fd, "", AT_EMPTY_PATH, kStatxMask, &status) == 0 &&
        Identify(status, opened) && SameBackup(opened, backup)) {
      return fd;
    }
    if (fd >= 0) close(fd);
    // Renamed by a shift since it was listed: look for it under its new number.
    path.clear();
    for (BackupFile const& listed : ListBackups(logPath)) {
      if (SameBackup(listed, backup)) path = listed.m_strPath;
    }
    if (path.empty()) return -1;
  }
  return -1;
}

bool SameBackup(BackupFile const& a, BackupFile const& b) {
  return a.m_uDevice == b.m_uDevice && a.m_uInode == b.m_uInode &&
         a.m_Born.tv_sec == b.m_Born.tv_sec && a.m_Born.tv_nsec == b.m_Born.tv_nsec;
}

bool IsNewer(BackupFile const& a, BackupFile const& b) {
  if (a.m_Modified.tv_sec != b.m_Modified.tv_sec) return a.m_Modified.tv_sec > b.m_Modified.tv_sec;
  if (a.m_Modified.tv_nsec != b.m_Modified.tv_nsec) {
    return a.m_Modified.tv_nsec > b.m_Modified.tv_nsec;
  }
  return a.m_uNumber > b.m_uNumber;
}

std::vector<BackupFile> ListBackups(std::string const& logPath) {
  const std::string directory = zbutil_logfile::DirectoryOf(logPath);
  const std::string_view base = zbutil_logfile::FileNameOf(logPath);
  // Backups are named as the log is: beside it, with its directory part if it has one.
  const std::string prefix(logPath.substr(0, logPath.size() - base.size()));
  std::vector<BackupFile> backups;
  std::unique_ptr<DIR, DirCloser> listing(opendir(directory.c_str()));
  if (!listing) return backups;
  while (struct dirent* entry = readdir(listing.get())) {
    BackupFile backup;
    backup.m_uNumber = zbutil_logfile::BackupNumber(entry->d_name, base);
    if (backup.m_uNumber == 0) continue;
    backup.m_strPath = prefix + entry->d_name;
    // The name itself: a link planted at a backup's name is no backup.
    struct statx status {};
    if (statx(dirfd(listing.get()), entry->d_name, AT_SYMLINK_NOFOLLOW, kStatxMask, &status) != 0 ||
        !Identify(status, backup)) {
      continue;
    }
    backups.push_back(backup);
  }
  std::sort(backups.begin(), backups.end(),
            [](BackupFile const& a, BackupFile const& b) { return IsNewer(b, a); });
  return backups;
}

bool SameListing(std::vector<BackupFile> const& a, std::vector<BackupFile> const& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](BackupFile const& x, BackupFile const& y) {
                      return SameBackup(x, y) && x.m_uNumber == y.m_uNumber;
                    });
}

// The backups as two listings in a row agree on them: a directory read while rotation
// renames backups may miss one or see it twice.
std::vector<BackupFile> ListSettledBackups(std::string const& path) {
  std::vector<BackupFile> listed = ListBackups(path);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::vector<BackupFile> again = ListBackups(path);
    if (SameListing(listed, again)) break;
    listed = std::move(again);
  }
  return listed;
}

std::string LossSize(uint64_t position, std::vector<BackupFile> const& backups) {
  uint64_t generation = 0;
  for (BackupFile const& backup : backups) {
    if (generation == 0 || backup.m_uSize < generation) generation = backup.m_uSize;
  }
  if (generation <= position) return "an unknown number of bytes";
  return "about " + std::to_string(generation - position) + " bytes or more";
}

}  // namespace zblog
