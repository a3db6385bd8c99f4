// Copying a file's content through two shared mappings, and moving the log's content
// into a backup by copy and truncate in place.
#include <fcntl.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "LogFileDefaults.h"
#include "ScopedOwners.h"
#include "logging/LoggerFiles.h"
#include "logging/zbUnixLogger.h"

using zbutil_detail::ScopedFd;

int zbutil_detail::CopyThroughMappings(int sourceFd, int destinationFd, size_t size) {
  // Declared in the reverse of the release order: the destination is unmapped first.
  ScopedMapping sourceMap(mmap(nullptr, size, PROT_READ, MAP_SHARED, sourceFd, 0), size);
  if (!sourceMap.IsMapped()) return -1;
  ScopedMapping destinationMap(
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

int zbUnixLogger::MemCopyFile(String const& source, String const& destination) const {
  // Declared in the reverse of the release order: the destination is closed first.
  ScopedFd sourceFd(open(source.GetAnsiString().c_str(), O_RDONLY));
  if (!sourceFd.IsOpen()) return -1;
  ScopedFd destinationFd(open(destination.GetAnsiString().c_str(), O_RDWR | O_CREAT | O_TRUNC,
                              zbutil_logfile::kLogFileMode));
  if (!destinationFd.IsOpen()) return -1;
  struct stat status {};
  if (fstat(sourceFd.Get(), &status) != 0) return -1;
  return zbutil_detail::CopyThroughMappings(sourceFd.Get(), destinationFd.Get(),
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
