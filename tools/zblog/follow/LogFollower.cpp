// Following a live log through copy-and-truncate rotations.
//
// What has been read of the current generation is named by its length and a running
// hash of all of it. Each poll lists the backups: one not seen before means a rotation.
// The first new backup whose first bytes hash to what was read took the generation; the
// rest is read there, then every newer new backup whole, then the live log from its
// start, and the next poll looks again, so rotations during a recovery are caught as
// well. While a rotation is in progress (the log as large as the newest backup) the
// follower waits. Without a new backup (no backups kept), a log shorter than what was
// read, or whose bytes at the start and before the read position changed, was emptied.
#include "follow/LogFollower.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "ScopedOwners.h"
#include "files/RegularFile.h"

namespace zblog {
namespace {

using zbutil_detail::ScopedFd;

constexpr long kPollMilliseconds = 100;  // without events
// Reads per poll at most, so that a flush comes now and then under a fast writer.
constexpr int kReadsPerPoll = 1024;
// How many bytes at the start and before the read position the cheap check compares.
constexpr size_t kMemoryBytes = 64;
bool BytesAt(int fd, uint64_t offset, std::string const& expected) {
  std::string bytes(expected.size(), '\0');
  return ReadFully(fd, &bytes[0], bytes.size(), offset) == static_cast<ssize_t>(bytes.size()) &&
         bytes == expected;
}

}  // namespace

LogFollower::LogFollower(std::string path, RecordParser& parser,
                         std::function<void(std::string const&)> report)
    : m_strPath(std::move(path)),
      m_Parser(parser),
      m_fnReport(std::move(report)),
      m_Watch(m_strPath) {}

LogFollower::~LogFollower() { Close(); }

bool LogFollower::Open() {
  std::string why;
  const int fd = OpenRegularFile(m_strPath, why);
  struct stat status {};
  if (fd < 0 || fstat(fd, &status) != 0) {
    m_fnReport("cannot open: " + (fd < 0 ? why : std::string(strerror(errno))));
    if (fd >= 0) close(fd);
    return false;
  }
  Close();
  m_iFd = fd;
  m_Device = status.st_dev;
  m_Inode = status.st_ino;
  return true;
}

void LogFollower::Close() {
  if (m_iFd >= 0) close(m_iFd);
  m_iFd = -1;
}

bool LogFollower::Start(FollowCursor const* resume, bool fromOldest) {
  std::vector<BackupFile> backups = ListSettledBackups(m_strPath);
  if (!Open()) return false;
  NewGeneration();
  m_vKnown = backups;
  if (resume == nullptr) {
    if (fromOldest) m_vKnown.clear();  // every backup is new: read from the oldest on
    return true;
  }
  m_Cursor = *resume;
  m_Parser.StartAt(m_Cursor.m_uPosition);
  // A rotation may run while this looks (ship restarted at any moment): the content
  // may leave the log after the backups were listed, so they are listed again while
  // the listing changes.
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (HoldsCursor(m_iFd)) {  // no rotation since: go on in the live log
      ResumeInLive(backups);
      return true;
    }
    for (BackupFile const& backup : backups) {
      ScopedFd fd(OpenBackup(m_strPath, backup));
      if (fd.IsOpen() && HoldsCursor(fd.Get())) {
        m_vKnown.clear();  // the next poll finds the generation among the backups
        return true;
      }
    }
    std::vector<BackupFile> again = ListSettledBackups(m_strPath);
    if (SameListing(again, backups)) break;
    backups = std::move(again);
  }
  m_vKnown.clear();
  Lose("byte " + std::to_string(resume->m_uPosition) +
       " of the content reached last is in neither the log nor a backup: the rest of that "
       "content is lost (" +
       LossSize(resume->m_uPosition, backups) +
       ", judged by the backups' size), with any content rotated away since; going on from "
       "the oldest backup");
  NewGeneration();
  m_Parser.StartAt(0);
  return true;
}

void LogFollower::ResumeInLive(std::vector<BackupFile> const& backups) {
  const uint64_t position = m_Cursor.m_uPosition;
  m_strHead.resize(static_cast<size_t>(std::min<uint64_t>(kMemoryBytes, position)));
  m_strTail.resize(m_strHead.size());
  ReadFully(m_iFd, &m_strHead[0], m_strHead.size(), 0);
  ReadFully(m_iFd, &m_strTail[0], m_strTail.size(), position - m_strTail.size());
  // A backup as large as the log that holds the same bytes is its copy by a rotation
  // still in progress: not known, so that the poll after the log is emptied reads on
  // there.
  const uint64_t size = SizeOf(m_iFd);
  m_vKnown.clear();
  for (BackupFile const& backup : backups) {
    // Only one of the log's size is opened and read (a backup does not change once named).
    bool copy = false;
    if (size > 0 && backup.m_uSize == size) {
      ScopedFd fd(OpenBackup(m_strPath, backup));
      copy = fd.IsOpen() && HoldsCursor(fd.Get());
    }
    if (!copy) m_vKnown.push_back(backup);
  }
}

bool LogFollower::LiveHolds() const {
  const uint64_t position = m_Cursor.m_uPosition;
  return SizeOf(m_iFd) >= position && BytesAt(m_iFd, 0, m_strHead) &&
         BytesAt(m_iFd, position - m_strTail.size(), m_strTail);
}

std::vector<BackupFile> LogFollower::FreshBackups(std::vector<BackupFile> const& listed) const {
  std::vector<BackupFile> fresh = listed;
  fresh.erase(std::remove_if(fresh.begin(), fresh.end(),
                             [this](BackupFile const& backup) {
                               return std::any_of(m_vKnown.begin(), m_vKnown.end(),
                                                  [&backup](BackupFile const& known) {
                                                    return SameBackup(known, backup);
                                                  });
                             }),
              fresh.end());
  return fresh;
}

bool LogFollower::HoldsCursor(int fd) const { return FileHoldsCursor(fd, m_Cursor); }

void LogFollower::Accept(char const* data, size_t size) {
  m_Parser.Feed(data, size);
  m_Cursor.m_uHash = HashBytes(m_Cursor.m_uHash, data, size);
  m_Cursor.m_uPosition += size;
  if (m_strHead.size() < kMemoryBytes) {
    m_strHead.append(data, std::min(size, kMemoryBytes - m_strHead.size()));
  }
  m_strTail.append(data, size);
  if (m_strTail.size() > kMemoryBytes) m_strTail.erase(0, m_strTail.size() - kMemoryBytes);
}

void LogFollower::NewGeneration() {
  m_Cursor = FollowCursor();
  m_strHead.clear();
  m_strTail.clear();
}

void LogFollower::Lose(std::string const& text) {
  m_bLost = true;
  m_fnReport(text);
}

bool LogFollower::IsReplaced() {
  struct stat status {};
  std::string why;
  if (!LstatRegular(m_strPath, status, why)) {
    // Nothing there (st_mode stays 0: being replaced) says nothing yet; anything else
    // planted there is refused, and the file open now read on.
    const bool planted = status.st_mode != 0;
    if (planted && !m_bNameRefused) m_fnReport("the log's name is now " + why + "; not read");
    m_bNameRefused = planted;
    return false;
  }
  m_bNameRefused = false;
  return status.st_dev != m_Device || status.st_ino != m_Inode;
}

uint64_t LogFollower::Poll(uint64_t budget) {
  char buffer[kReadBytes];
  uint64_t total = 0;
  for (int round = 0; round < kReadsPerPoll && total < budget; ++round) {
    if (!m_vRecovery.empty()) {
      if (!GoOnRecovering(total, budget)) break;
      continue;
    }
    // In this order: rotation makes the backup before it empties the log.
    const bool holds = LiveHolds();
    if (!FreshBackups(ListSettledBackups(m_strPath)).empty()) {
      if (!Recover()) break;  // the log is not emptied yet
      continue;
    }
    if (!holds) {
      Lose("the log was emptied and no backup holds what followed byte " +
           std::to_string(m_Cursor.m_uPosition) + ": records written after it are lost");
      m_Parser.Finish();
      NewGeneration();
      continue;
    }
    const ssize_t got = ReadFully(m_iFd, buffer, sizeof buffer, m_Cursor.m_uPosition);
    if (got < 0) m_fnReport("read failed: " + std::string(strerror(errno)));
    if (got <= 0) break;
    // The bytes belong to the generation read so far only if no rotation came first;
    // if one did, the backup supplies them.
    if (!LiveHolds() || !FreshBackups(ListSettledBackups(m_strPath)).empty()) continue;
    Accept(buffer, static_cast<size_t>(got));
    total += static_cast<uint64_t>(got);
  }
  if (total == 0 && m_vRecovery.empty()) {
    m_Parser.FlushPending();  // quiet for a poll: the last record is whole
    if (IsReplaced()) {
      m_Parser.Finish();
      if (Open()) NewGeneration();
    }
  }
  return total;
}

int LogFollower::Run(volatile sig_atomic_t const& stop, std::function<void()> const& flush) {
  if (!Start(nullptr, false)) return 1;
  while (stop == 0) {
    Poll();
    flush();
    WaitForChange({&m_Watch}, kPollMilliseconds);
  }
  Poll();
  Finish();
  flush();
  return 0;
}

}  // namespace zblog
