#ifndef ZBUTIL_LOGGING_RECORDLOCK_H_
#define ZBUTIL_LOGGING_RECORDLOCK_H_

// Internal: the lock file's record lock, held for one record. Not installed.

#include <fcntl.h>
#include <unistd.h>

namespace zbutil_detail {

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

}  // namespace zbutil_detail

#endif  // ZBUTIL_LOGGING_RECORDLOCK_H_
