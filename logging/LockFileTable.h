#ifndef ZBUTIL_LOGGING_LOCKFILETABLE_H_
#define ZBUTIL_LOGGING_LOCKFILETABLE_H_

// Internal: what keeps the loggers of one process apart. Not installed.
//
// A POSIX record lock belongs to the process: two loggers of one process on the same
// lock file are both granted it, and closing *any* descriptor of the locked file drops
// it, whichever logger or thread holds it. So the process keeps one entry per lock file
// that its loggers hold open, keyed by the file's identity (device, inode), with a
// mutex taken around the record lock: a "turn". Every descriptor that may be of a locked
// file is closed only during the turn of its entry, and after the record lock is given
// back (or while no logger holds it), so no close can release a lock still needed.
//
// Each logger's own state outside its object (its object layout is fixed) is found from
// its lock descriptor through a table indexed by descriptor number, so a record costs
// two atomic loads and one uncontended mutex, no system call and no search.
//
// fork(): the tables are copied; each entry's mutex is re-created at its first use in
// the child (ThreadLock), like the logger's own.

#include <pthread.h>
#include <stdint.h>
#include <sys/types.h>

namespace zbutil_detail {

struct LockFileEntry;

// Per logger, from its OpenLogFile until its destructor.
struct LoggerFileState {
  LockFileEntry* m_pEntry;
  // Size of the log when the last rotation check ended (-1: unknown); a short write is
  // cut back to it.
  int64_t m_llLogSize;
  // A refused symbolic link was reported to syslog: once per logger.
  bool m_bLinkReported;
};

// Registers the open lock descriptor of a new logger. Returns its state, or nullptr
// when the descriptor cannot be examined or is beyond the table (more than 4 million
// descriptors).
LoggerFileState* RegisterLockFile(int lockFd);
// The state registered for `lockFd`, or nullptr.
LoggerFileState* FindLoggerState(int lockFd);
// For a logger's destructor: closes both descriptors (either may be -1) without
// releasing a record lock that another logger of the process holds, and forgets the
// logger's state.
void CloseLoggerFiles(int logFd, int lockFd);
// Closes `fd` while no logger of the process holds a record lock on its file. Called
// during the caller's own turn, the close is put off until the turn ends.
void CloseKeepingLocks(LoggerFileState* state, int fd);

// A logger's turn on its lock file: taken before the record lock is requested and held
// until after it is released (declare the RecordLock after this). Loggers of the
// process that share the lock file wait for each other here.
class LockFileTurn {
 public:
  LockFileTurn(int lockFd, pid_t self);
  ~LockFileTurn();
  LockFileTurn(LockFileTurn const&) = delete;
  LockFileTurn& operator=(LockFileTurn const&) = delete;

  // After a write that fell short by (written >= 0 bytes): cuts the log back to its
  // size before the write, when that is known and nothing else was appended meanwhile.
  void CutBack(int logFd, long written) const;

 private:
  LoggerFileState* m_pState;
  LockFileEntry* m_pEntry;
  bool m_bNested;
};

}  // namespace zbutil_detail

#endif  // ZBUTIL_LOGGING_LOCKFILETABLE_H_
