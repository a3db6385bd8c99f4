// LogFollower after a rotation: finding where the generation being read went, and
// reading the backups that hold what the follower has not read yet.
#include <errno.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ScopedOwners.h"
#include "follow/LogFollower.h"

namespace zblog {
namespace {

using zbutil_detail::ScopedFd;

// How long a rotation in progress is waited for: by the clock, not by polls, which
// events may bring many times a millisecond while the rotation flushes its backup.
constexpr long long kSettlingMilliseconds = 2000;

}  // namespace

uint64_t LogFollower::FeedFile(int fd, uint64_t from, uint64_t budget, bool& ended) {
  char buffer[kReadBytes];
  uint64_t total = 0;
  ended = false;
  for (uint64_t at = from; total < budget;) {
    const ssize_t got = ReadFully(fd, buffer, sizeof buffer, at);
    if (got < 0) m_fnReport("read failed: " + std::string(strerror(errno)));
    if (got > 0) {
      Accept(buffer, static_cast<size_t>(got));
      at += static_cast<uint64_t>(got);
      total += static_cast<uint64_t>(got);
    }
    // A backup is whole once it has its name: a short read is its end, so that one
    // dropped by a shift after that is not taken for unread.
    ended = got < static_cast<ssize_t>(sizeof buffer);
    if (ended) break;
  }
  return total;
}

bool LogFollower::Recover() {
  const std::vector<BackupFile> listed = ListSettledBackups(m_strPath);
  const std::vector<BackupFile> fresh = FreshBackups(listed);
  if (fresh.empty()) return false;
  // Rotation writes the backup, then empties the log, holding the lock so that the log
  // does not grow in between: while the log is as large as the newest backup, that
  // rotation is not over, and reading on would repeat the log or read a copy still
  // being written. A log that regrew to that very size is let through after a while.
  {
    ScopedFd newest(OpenBackup(m_strPath, fresh.back()));
    const uint64_t size = newest.IsOpen() ? SizeOf(newest.Get()) : 0;
    if (size == 0 || size == SizeOf(m_iFd)) {
      const long long now = NowMilliseconds();
      if (m_llSettlingSince == 0) m_llSettlingSince = now;
      if (now - m_llSettlingSince < kSettlingMilliseconds) return false;
    }
    m_llSettlingSince = 0;
  }
  const uint64_t position = m_Cursor.m_uPosition;  // before the source is read on
  size_t next = 0;                                 // the first fresh backup to read whole
  for (size_t i = 0; i < fresh.size(); ++i) {
    ScopedFd fd(OpenBackup(m_strPath, fresh[i]));
    if (!fd.IsOpen() || !HoldsCursor(fd.Get())) continue;
    m_vRecovery.push_back({fresh[i], position, true});  // the rest of it
    next = i + 1;
    break;
  }
  const bool knownRemains =
      std::any_of(m_vKnown.begin(), m_vKnown.end(), [&listed](BackupFile const& known) {
        return std::any_of(listed.begin(), listed.end(),
                           [&known](BackupFile const& b) { return SameBackup(known, b); });
      });
  if (next == 0 && position > 0) {
    Lose("rotated, and the backup that took the log's bytes after byte " +
         std::to_string(m_Cursor.m_uPosition) + " is gone already: they are lost (" +
         LossSize(m_Cursor.m_uPosition, listed) + ", judged by the backups' size)");
  } else if (position == 0 && !m_vKnown.empty() && !knownRemains) {
    // Nothing read of the generation to recognise it by: the oldest new backup is taken
    // for it, which is right unless more rotations went by than backups are kept.
    Lose(
        "rotated more often than backups are kept since the last poll: records of the "
        "rotations before the oldest backup may be lost");
  }
  if (next == 0) m_Parser.Finish();
  for (size_t i = next; i < fresh.size(); ++i) m_vRecovery.push_back({fresh[i], 0, false});
  m_vRecoveryListing = listed;
  return true;
}

bool LogFollower::GoOnRecovering(uint64_t& total, uint64_t budget) {
  while (!m_vRecovery.empty()) {
    PendingBackup& pending = m_vRecovery.front();
    ScopedFd fd(OpenBackup(m_strPath, pending.m_Backup));
    bool ended = true;
    if (!fd.IsOpen()) {
      Lose("a backup was dropped before it could be read; its records are lost");
    } else {
      if (!pending.m_bStarted) NewGeneration();
      pending.m_bStarted = true;
      const uint64_t got =
          FeedFile(fd.Get(), pending.m_uAt, budget - std::min(budget, total), ended);
      pending.m_uAt += got;
      total += got;
    }
    if (!ended) return false;  // the budget is spent: the next poll goes on here
    m_Parser.Finish();
    m_vRecovery.erase(m_vRecovery.begin());
  }
  m_vKnown = std::move(m_vRecoveryListing);
  m_vRecoveryListing.clear();
  NewGeneration();
  return true;
}

}  // namespace zblog
