// Copying a file's content through two shared mappings, and moving the log's content
// into a backup by copy and truncate in place.
#include <fcntl.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "logging/LoggerResources.h"
#include "logging/zbUnixLogger.h"

using zbutil_detail::ScopedFd;
using zbutil_detail::ScopedMapping;

namespace {

constexpr mode_t kBackupMode = 0660;

}  // namespace

int zbUnixLogger::MemCopyFile(String const& source, String const& destination) const {
  // Declared in the reverse of the release order: mappings (destination first), then
  // descriptors (destination first).
  ScopedFd sourceFd(open(source.GetAnsiString().c_str(), O_RDONLY));
  if (!sourceFd.IsOpen()) return -1;
  ScopedFd destinationFd(
      open(destination.GetAnsiString().c_str(), O_RDWR | O_CREAT | O_TRUNC, kBackupMode));
  if (!destinationFd.IsOpen()) return -1;

  struct stat status {};
  if (fstat(sourceFd.Get(), &status) != 0) return -1;
  const size_t size = static_cast<size_t>(status.st_size);

  // An empty source cannot be mapped (length 0): that fails here, as a copy failure.
  ScopedMapping sourceMap(mmap(nullptr, size, PROT_READ, MAP_SHARED, sourceFd.Get(), 0), size);
  if (!sourceMap.IsMapped()) return -1;
  ScopedMapping destinationMap(
      mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, destinationFd.Get(), 0), size);
  if (!destinationMap.IsMapped()) return -1;

  // Give the destination its final length with its blocks reserved before the mapping
  // is written: a sparse file (a seek and a one-byte write) would turn a full disk
  // into SIGBUS in the middle of the memcpy, killing the caller.
  if (posix_fallocate(destinationFd.Get(), 0, static_cast<off_t>(size)) != 0) return -1;
  memcpy(destinationMap.Get(), sourceMap.Get(), size);
  return 0;
}

int zbUnixLogger::MoveFileContent(String const& source, String const& destination) {
  if (!destination.empty()) {
    const int copied = MemCopyFile(source, destination);
    if (copied < 0) return copied;
  }
  // The logger's own descriptor, not the path: every process keeps the same file.
  return ftruncate(m_iLogFd, 0);
}
