// Copying a file's content: through two shared mappings for MemCopyFile, as callers of
// the exported operations expect, and with copy_file_range for the rotation, which must
// not fault when another program empties the log meanwhile.
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "LogFileDefaults.h"
#include "ScopedOwners.h"
#include "logging/LoggerFiles.h"
#include "logging/zbUnixLogger.h"

using zbutil_detail::ScopedFd;

namespace {

constexpr size_t kCopyChunkBytes = 1 << 20;
constexpr size_t kBufferBytes = size_t{64} * 1024;

// Copies the first `size` bytes of `sourceFd` into the empty file `destinationFd` (open
// for reading and writing), which then holds exactly them. Returns 0, or -1 when either
// file cannot be mapped (nor can a size of 0) or the file system has no room: a full
// disk gives -1, never SIGBUS.
int CopyThroughMappings(int sourceFd, int destinationFd, size_t size) {
  // Declared in the reverse of the release order: the destination is unmapped first.
  zbutil_detail::ScopedMapping sourceMap(mmap(nullptr, size, PROT_READ, MAP_SHARED, sourceFd, 0),
                                         size);
  if (!sourceMap.IsMapped()) return -1;
  zbutil_detail::ScopedMapping destinationMap(
      mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, destinationFd, 0), size);
  if (!destinationMap.IsMapped()) return -1;
  // The last byte gives the destination its length; the memcpy overwrites it.
  if (lseek(destinationFd, static_cast<off_t>(size - 1), SEEK_SET) < 0) return -1;
  if (write(destinationFd, "", 1) != 1) return -1;
  // The file is sparse up to that byte: without its blocks reserved, a full disk would
  // turn the memcpy into SIGBUS, killing the caller.
  if (posix_fallocate(destinationFd, 0, static_cast<off_t>(size)) != 0) return -1;
  memcpy(destinationMap.Get(), sourceMap.Get(), size);
  return 0;
}

// The copy through a buffer, from `done` on, where copy_file_range cannot serve.
int CopyThroughBuffer(int sourceFd, int destinationFd, uint64_t done, uint64_t size) {
  std::vector<char> buffer(static_cast<size_t>(std::min<uint64_t>(kBufferBytes, size - done)));
  while (done < size) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - done));
    const ssize_t got = pread(sourceFd, buffer.data(), want, static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return -1;  // 0: the source was shortened
    for (ssize_t put = 0; put < got;) {
      const ssize_t wrote = pwrite(destinationFd, buffer.data() + put,
                                   static_cast<size_t>(got - put), static_cast<off_t>(done) + put);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) return -1;
      put += wrote;
    }
    done += static_cast<uint64_t>(got);
  }
  return 0;
}

}  // namespace

int zbutil_detail::CopyFileContent(int sourceFd, int destinationFd, uint64_t size) {
  loff_t in = 0;
  loff_t out = 0;
  while (static_cast<uint64_t>(in) < size) {
    const size_t want =
        static_cast<size_t>(std::min<uint64_t>(kCopyChunkBytes, size - static_cast<uint64_t>(in)));
    const ssize_t copied = copy_file_range(sourceFd, &in, destinationFd, &out, want, 0);
    if (copied > 0) continue;
    if (copied == 0) return -1;  // the source was shortened
    if (errno == EINTR) continue;
    // Not between these files or on this kernel: the same through a buffer.
    if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
      return CopyThroughBuffer(sourceFd, destinationFd, static_cast<uint64_t>(in), size);
    }
    return -1;
  }
  return 0;
}

int zbUnixLogger::MemCopyFile(String const& source, String const& destination) const {
  // Declared in the reverse of the release order: the destination is closed first.
  ScopedFd sourceFd(open(source.GetAnsiString().c_str(), O_RDONLY));
  if (!sourceFd.IsOpen()) return -1;
  ScopedFd destinationFd(open(destination.GetAnsiString().c_str(), O_RDWR | O_CREAT | O_TRUNC,
                              zbutil_logfile::kLogFileMode));
  if (!destinationFd.IsOpen()) return -1;
  struct stat status {};
  if (fstat(sourceFd.Get(), &status) != 0) return -1;
  return CopyThroughMappings(sourceFd.Get(), destinationFd.Get(),
                             static_cast<size_t>(status.st_size));
}

int zbUnixLogger::MoveFileContent(String const& source, String const& destination) {
  if (!destination.empty()) {
    const int copied = MemCopyFile(source, destination);
    if (copied < 0) return copied;
  }
  // The logger's own descriptor, not the path: every process keeps the same file.
  return ftruncate(m_iLogFd, 0);
}
