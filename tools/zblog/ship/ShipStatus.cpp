// Reading a log's shipping status: the state file, the backups and the live log, and
// the state's lock, all without writing.
#include "ship/ShipStatus.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "ScopedOwners.h"
#include "files/RegularFile.h"
#include "follow/BackupFiles.h"
#include "follow/FollowCursor.h"
#include "follow/LogFollower.h"
#include "ship/ShipState.h"

namespace zblog {
namespace {

using zbutil_detail::ScopedFd;

constexpr size_t kReadBytes = size_t{64} * 1024;
constexpr char kProcLocks[] = "/proc/locks";

// Adds the bytes of `fd` from `from` to its end, and the records that start in them, to
// `status`. The position is a record boundary, so counting starts cleanly there.
void CountFrom(int fd, uint64_t from, LogStatus& status) {
  RecordParser parser(
      [&status](LogRecord const& record) {
        if (record.m_uPiece == 0) ++status.m_uBehindRecords;
      },
      [](uint64_t, std::string const&) {});
  parser.StartAt(from);
  char buffer[kReadBytes];
  for (uint64_t at = from;;) {
    const ssize_t got = ReadFully(fd, buffer, sizeof buffer, at);
    if (got <= 0) break;
    parser.Feed(buffer, static_cast<size_t>(got));
    at += static_cast<uint64_t>(got);
    status.m_uBehindBytes += static_cast<uint64_t>(got);
  }
  parser.Finish();
}

// Whether another process holds a lock on `lockPath`, from /proc/locks (which names its
// process and takes no lock itself, so a ship starting now is never turned away); where
// that is not readable, by a shared lock tried and dropped at once.
void ProbeLock(std::string const& lockPath, LogStatus& status) {
  ScopedFd lock(open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat file {};
  if (!lock.IsOpen() || fstat(lock.Get(), &file) != 0 || !S_ISREG(file.st_mode)) return;
  FILE* locks = fopen(kProcLocks, "re");
  if (locks == nullptr) {
    status.m_bShipping = flock(lock.Get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    return;  // the lock, if taken, goes with the descriptor
  }
  char line[256];
  while (fgets(line, sizeof line, locks) != nullptr) {
    // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; a blocked waiter has "->".
    char kind[16] = {}, arrow[4] = {};
    long pid = 0;
    unsigned major = 0, minor = 0;
    unsigned long long inode = 0;
    if (sscanf(line, "%*d:%3s", arrow) == 1 && strcmp(arrow, "->") == 0) continue;
    if (sscanf(line, "%*d: %15s %*s %*s %ld %x:%x:%llu", kind, &pid, &major, &minor, &inode) != 5) {
      continue;
    }
    if (strcmp(kind, "FLOCK") == 0 && major == major(file.st_dev) && minor == minor(file.st_dev) &&
        inode == file.st_ino) {
      status.m_bShipping = true;
      status.m_iShipPid = static_cast<pid_t>(pid);
      break;
    }
  }
  fclose(locks);
}

}  // namespace

LogStatus ProbeLogStatus(std::string const& logPath, std::string const& statePath) {
  LogStatus status;
  status.m_strLog = logPath;
  status.m_strState = statePath;
  ProbeLock(statePath + ".lock", status);
  FollowCursor cursor;
  const StateLoad loaded = LoadShipState(statePath, logPath, cursor, status.m_strError);
  if (loaded == StateLoad::kRefused) return status;
  status.m_bHasState = loaded == StateLoad::kLoaded;
  struct stat state {};
  if (status.m_bHasState && stat(statePath.c_str(), &state) == 0) {
    status.m_Acknowledged = state.st_mtim;
  }
  std::string why;
  ScopedFd live(OpenRegularFile(logPath, why));
  if (!live.IsOpen()) {
    status.m_strError = "cannot read " + logPath + ": " + why;
    return status;
  }
  if (FileHoldsCursor(live.Get(), cursor)) {
    status.m_strFile = logPath;
    status.m_uOffset = cursor.m_uPosition;
    CountFrom(live.Get(), cursor.m_uPosition, status);
    return status;
  }
  // Rotated since: the backup that holds the position, then every newer one whole.
  const std::vector<BackupFile> backups = ListBackups(logPath);  // oldest first
  auto holder = std::find_if(backups.begin(), backups.end(), [&](BackupFile const& backup) {
    ScopedFd fd(OpenBackup(logPath, backup));
    return fd.IsOpen() && FileHoldsCursor(fd.Get(), cursor);
  });
  if (holder != backups.end()) {
    status.m_strFile = holder->m_strPath;
    status.m_uOffset = cursor.m_uPosition;
  }
  for (auto backup = holder == backups.end() ? backups.begin() : holder; backup != backups.end();
       ++backup) {
    ScopedFd fd(OpenBackup(logPath, *backup));
    if (fd.IsOpen()) CountFrom(fd.Get(), backup == holder ? cursor.m_uPosition : 0, status);
  }
  CountFrom(live.Get(), 0, status);
  return status;
}

}  // namespace zblog
