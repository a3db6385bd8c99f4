// Where a follower stands in a generation, and the reads that check it.
#include "follow/FollowCursor.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace zblog {
// pread until `size` bytes or the end of the file; returns the bytes read, -1 on error.
ssize_t ReadFully(int fd, char* buffer, size_t size, uint64_t offset) {
  size_t done = 0;
  while (done < size) {
    const ssize_t got = pread(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

uint64_t SizeOf(int fd) {
  struct stat status {};
  return fstat(fd, &status) == 0 ? static_cast<uint64_t>(status.st_size) : 0;
}

bool FileHoldsCursor(int fd, FollowCursor const& cursor) {
  const uint64_t length = cursor.m_uPosition;
  if (SizeOf(fd) < length) return false;
  char buffer[kReadBytes];
  uint64_t hash = kHashSeed;
  for (uint64_t at = 0; at < length;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof buffer, length - at));
    if (ReadFully(fd, buffer, want, at) != static_cast<ssize_t>(want)) return false;
    hash = HashBytes(hash, buffer, want);
    at += want;
  }
  return hash == cursor.m_uHash;
}

}  // namespace zblog
