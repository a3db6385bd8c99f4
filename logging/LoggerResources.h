#ifndef ZBUTIL_LOGGING_LOGGERRESOURCES_H_
#define ZBUTIL_LOGGING_LOGGERRESOURCES_H_

// Internal: plain scoped owners of the logger's system resources (a descriptor, a
// mapping, a record lock, the file creation mask), so that every early return and
// every exception releases what an operation acquired. Not installed.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>

#include "logging/ThreadLock.h"  // for the sources that take both

namespace zbutil_detail {

// Where a logger's files live when its settings name no usable directory.
inline constexpr char kDefaultLogDirectory[] = "/qtr/bin/zoredezuv/logs";

// Owns a descriptor (or -1) and closes it at the end of its scope.
class ScopedFd {
 public:
  explicit ScopedFd(int fd) : m_iFd(fd) {}
  ~ScopedFd() { Close(); }
  ScopedFd(ScopedFd const&) = delete;
  ScopedFd& operator=(ScopedFd const&) = delete;

  int Get() const { return m_iFd; }
  bool IsOpen() const { return m_iFd >= 0; }
  // Closes now and marks the descriptor closed, so the destructor does nothing.
  void Close() {
    if (m_iFd >= 0) close(m_iFd);
    m_iFd = -1;
  }

 private:
  int m_iFd;
};

// Owns a mapping made with mmap (or MAP_FAILED) and unmaps it with the length it was
// made with.
class ScopedMapping {
 public:
  ScopedMapping(void* address, size_t length) : m_pAddress(address), m_uLength(length) {}
  ~ScopedMapping() {
    if (m_pAddress != MAP_FAILED) munmap(m_pAddress, m_uLength);
  }
  ScopedMapping(ScopedMapping const&) = delete;
  ScopedMapping& operator=(ScopedMapping const&) = delete;

  bool IsMapped() const { return m_pAddress != MAP_FAILED; }
  void* Get() const { return m_pAddress; }

 private:
  void* m_pAddress;
  size_t m_uLength;
};

// Requests an exclusive record lock on a whole file without waiting (F_SETLK) and, if
// it was granted, releases it at the end of its scope.
class RecordLock {
 public:
  explicit RecordLock(int fd) : m_iFd(fd), m_bHeld(Request(fd, F_WRLCK) == 0) {}
  ~RecordLock() {
    if (m_bHeld) Request(m_iFd, F_UNLCK);
  }
  RecordLock(RecordLock const&) = delete;
  RecordLock& operator=(RecordLock const&) = delete;

  bool IsHeld() const { return m_bHeld; }
  // Repeats the request when the lock is not held yet; returns whether it is now.
  bool Retry() {
    if (!m_bHeld) m_bHeld = Request(m_iFd, F_WRLCK) == 0;
    return m_bHeld;
  }

 private:
  static int Request(int fd, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;  // to any end: the whole file
    return fcntl(fd, F_SETLK, &lock);
  }

  int m_iFd;
  bool m_bHeld;
};

// Sets the process's file creation mask and restores the previous one at the end of
// its scope.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : m_modePrevious(umask(mask)) {}
  ~ScopedUmask() { umask(m_modePrevious); }
  ScopedUmask(ScopedUmask const&) = delete;
  ScopedUmask& operator=(ScopedUmask const&) = delete;

 private:
  mode_t m_modePrevious;
};

}  // namespace zbutil_detail

#endif  // ZBUTIL_LOGGING_LOGGERRESOURCES_H_
