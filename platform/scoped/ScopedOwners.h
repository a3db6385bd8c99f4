#ifndef ZBUTIL_PLATFORM_SCOPED_SCOPEDOWNERS_H_
#define ZBUTIL_PLATFORM_SCOPED_SCOPEDOWNERS_H_

// Internal: plain scoped owners of a descriptor, a mapping and the file creation mask,
// so that every early return and every exception releases what was acquired. Shared by
// the library and zblog; not installed.

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>

namespace zbutil_detail {

// Owns a descriptor (or -1) and closes it at the end of its scope.
class ScopedFd {
 public:
  explicit ScopedFd(int fd) : m_iFd(fd) {}
  ~ScopedFd() { Close(); }
  ScopedFd(ScopedFd const&) = delete;
  ScopedFd& operator=(ScopedFd const&) = delete;

  int Get() const { return m_iFd; }
  bool IsOpen() const { return m_iFd >= 0; }
  // Closes what it holds and takes `fd` instead.
  void Reset(int fd) {
    Close();
    m_iFd = fd;
  }
  // Closes now; the destructor then does nothing.
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

// Sets the process's file creation mask and restores the previous one at the end of
// its scope. The mask belongs to the process: threads that set it must take turns.
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

#endif  // ZBUTIL_PLATFORM_SCOPED_SCOPEDOWNERS_H_
