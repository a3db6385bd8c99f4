// Following a live log through copy-and-truncate rotations.
#include "LogFollower.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <utility>

#include "BackupFiles.h"
#include "logging/LoggerResources.h"

namespace zblog {
namespace {

constexpr long kPollNanoseconds = 100L * 1000 * 1000;
constexpr size_t kReadBytes = size_t{64} * 1024;
// How many bytes at the start and before the read position identify the content read.
constexpr size_t kMemoryBytes = 64;

bool ReadAt(int fd, off_t offset, size_t size, std::string& bytes) {
  bytes.resize(size);
  size_t done = 0;
  while (done < size) {
    const ssize_t got = pread(fd, &bytes[done], size - done, offset + static_cast<off_t>(done));
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

off_t SizeOf(int fd) {
  struct stat status {};
  return fstat(fd, &status) == 0 ? status.st_size : -1;
}

}  // namespace

LogFollower::LogFollower(std::string path, RecordParser& parser, std::function<void()> flush,
                         std::function<void(std::string const&)> report)
    : m_strPath(std::move(path)),
      m_Parser(parser),
      m_fnFlush(std::move(flush)),
      m_fnReport(std::move(report)) {}

LogFollower::~LogFollower() { Close(); }

bool LogFollower::Open() {
  m_iFd = open(m_strPath.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status {};
  if (m_iFd < 0 || fstat(m_iFd, &status) != 0) {
    m_fnReport("cannot open: " + std::string(strerror(errno)));
    Close();
    return false;
  }
  m_Device = status.st_dev;
  m_Inode = status.st_ino;
  m_Position = 0;
  m_strHead.clear();
  m_strTail.clear();
  return true;
}

void LogFollower::Close() {
  if (m_iFd >= 0) close(m_iFd);
  m_iFd = -1;
}

size_t LogFollower::ReadAvailable(bool& rotated) {
  rotated = !StillSameContent(m_iFd, SizeOf(m_iFd));
  char buffer[kReadBytes];
  size_t total = 0;
  while (!rotated) {
    const ssize_t got = pread(m_iFd, buffer, sizeof buffer, m_Position);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) m_fnReport("read failed: " + std::string(strerror(errno)));
    if (got <= 0) break;
    // The bytes just read belong to the generation read so far only if it is still in
    // place now; otherwise a rotation came first and the backup supplies them.
    rotated = !StillSameContent(m_iFd, SizeOf(m_iFd));
    if (rotated) break;
    const auto size = static_cast<size_t>(got);
    if (m_strHead.size() < kMemoryBytes) {
      m_strHead.append(buffer, std::min(size, kMemoryBytes - m_strHead.size()));
    }
    m_strTail.append(buffer, size);
    if (m_strTail.size() > kMemoryBytes) m_strTail.erase(0, m_strTail.size() - kMemoryBytes);
    m_Parser.Feed(buffer, size);
    m_Position += got;
    total += size;
  }
  return total;
}

bool LogFollower::StillSameContent(int fd, off_t size) const {
  if (size < m_Position) return false;
  std::string bytes;
  const off_t tailAt = m_Position - static_cast<off_t>(m_strTail.size());
  return ReadAt(fd, 0, m_strHead.size(), bytes) && bytes == m_strHead &&
         ReadAt(fd, tailAt, m_strTail.size(), bytes) && bytes == m_strTail;
}

void LogFollower::FeedFile(int fd, off_t from) {
  char buffer[kReadBytes];
  for (off_t at = from;;) {
    const ssize_t got = pread(fd, buffer, sizeof buffer, at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    m_Parser.Feed(buffer, static_cast<size_t>(got));
    at += got;
  }
}

void LogFollower::Recover() {
  std::vector<BackupFile> const backups = ListBackups(m_strPath);
  BackupFile const* source = nullptr;
  for (BackupFile const& backup : backups) {  // oldest first: the newest match wins
    zbutil_detail::ScopedFd fd(open(backup.m_strPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.IsOpen() && StillSameContent(fd.Get(), SizeOf(fd.Get()))) source = &backup;
  }
  if (source == nullptr) {
    m_fnReport("rotated, and no backup holds what followed byte " + std::to_string(m_Position) +
               ": records written just before the rotation may be missing");
  } else {
    zbutil_detail::ScopedFd fd(open(source->m_strPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.IsOpen()) FeedFile(fd.Get(), m_Position);
  }
  m_Parser.Finish();
  // Rotations after the one that took the unread bytes: each left a whole generation.
  for (BackupFile const& backup : backups) {
    if (source == nullptr || !IsNewer(backup, *source)) continue;
    zbutil_detail::ScopedFd fd(open(backup.m_strPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.IsOpen()) continue;
    FeedFile(fd.Get(), 0);
    m_Parser.Finish();
  }
  m_Position = 0;
  m_strHead.clear();
  m_strTail.clear();
}

bool LogFollower::IsReplaced() const {
  struct stat status {};
  return stat(m_strPath.c_str(), &status) == 0 &&
         (status.st_dev != m_Device || status.st_ino != m_Inode);
}

int LogFollower::Run(volatile sig_atomic_t const& stop) {
  if (!Open()) return 1;
  bool rotated = false;
  while (stop == 0) {
    const size_t got = ReadAvailable(rotated);
    if (rotated) {
      Recover();
      continue;
    }
    if (got == 0) {
      m_Parser.FlushPending();  // quiet for a poll: the last record is whole
      if (IsReplaced()) {
        m_Parser.Finish();
        Close();
        if (!Open()) return 1;
        continue;
      }
    }
    m_fnFlush();
    struct timespec pause = {0, kPollNanoseconds};
    nanosleep(&pause, nullptr);  // a signal cuts it short
  }
  ReadAvailable(rotated);
  if (rotated) Recover();
  m_Parser.Finish();
  m_fnFlush();
  return 0;
}
}  // namespace zblog
