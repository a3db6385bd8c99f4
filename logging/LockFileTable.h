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
// Each logger's own state lives here too, outside its object, whose layout belongs to
// the programs that derive from it. It is created at the logger's first use and freed by
// its destructor, and found two ways: by the object's address (a map under a mutex, for
// the first call, the getters and the setters), and, once the files are open, by the
// lock descriptor through a table indexed by descriptor number, so that a record finds it
// with two atomic loads: no mutex, no system call and no search.
//
// fork(): the tables are copied; each mutex is re-created at its first use in the child
// (ThreadLock).

#include <pthread.h>
#include <stdint.h>
#include <sys/types.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

class zbUnixLogger;

namespace zbutil_detail {

struct LockFileEntry;

// What became of a logger's records: each Log() call counts in exactly one.
enum RecordFate { kWritten, kDroppedLocked, kDroppedOther, kFiltered, kFates };

// Records dropped again and again for one reason, reported to syslog at most once a
// kReportSeconds, with how many since the last report; a run must last kPersistSeconds
// before the first report.
struct DropReport {
  static constexpr long kReportSeconds = 60;
  // Returns the number of drops to report now, or 0 to stay silent.
  uint64_t Note(long persistSeconds);
  // The run of drops has ended.
  void Reset() { m_tRunStart = 0; }

  long m_tRunStart = 0;  // first drop of the current run (monotonic seconds), 0: none
  long m_tLastReport = 0;
  uint64_t m_ullSince = 0;  // drops since the last report
};

// Per logger, from its first use until its destructor.
struct LoggerState {
  explicit LoggerState(zbUnixLogger const* owner) : m_pOwner(owner) {}
  LoggerState(LoggerState const&) = delete;
  LoggerState& operator=(LoggerState const&) = delete;

  void Count(RecordFate fate) { m_aullFates[fate].fetch_add(1, std::memory_order_relaxed); }
  uint64_t Counted(RecordFate fate) const {
    return m_aullFates[fate].load(std::memory_order_relaxed);
  }

  zbUnixLogger const* const m_pOwner;
  // Serialises the threads of the process over the first call's set-up; re-created in
  // a forked child. m_bSetUp is guarded by it.
  std::mutex m_mtxSetup;
  std::atomic<pid_t> m_pidSetup{0};
  bool m_bSetUp = false;
  std::atomic<uint64_t> m_aullFates[kFates] = {};
  // How long Log() may repeat a refused lock request (SetLockWaitMilliseconds).
  std::atomic<unsigned long> m_ulWaitMilliseconds{0};
  // The lock file's entry once the files are open; guarded by the turn after that.
  LockFileEntry* m_pEntry = nullptr;
  int m_iLockFd = -1;
  // Size of the log when the last rotation check ended (-1: unknown); a short write is
  // cut back to it.
  int64_t m_llLogSize = -1;
  // The paths whose refusal was reported to syslog (once per logger and path), and the
  // rate-limited reports of records dropped over and over; guarded by the set-up
  // mutex before the files are open and by the turn after.
  std::vector<std::string> m_vReportedPaths;
  DropReport m_RotationFailures;
  DropReport m_LockRefusals;
};

// The state of `logger`, created at the first call. Never null.
LoggerState* StateOf(zbUnixLogger const* logger);
// The state of `logger` if it has one, else nullptr.
LoggerState* FindState(zbUnixLogger const* logger);
// The state of an open logger whose lock descriptor is `lockFd`: from the descriptor
// table without a lock, else (a descriptor that another logger registered since) from
// the map.
LoggerState* FindOpenState(zbUnixLogger const* logger, int lockFd);
// Enters the open lock descriptor of `state`'s logger in the tables. Returns false when
// the descriptor cannot be examined or is beyond the table (more than 4 million
// descriptors).
bool RegisterLockFile(LoggerState* state, int lockFd);
// For a logger's destructor: closes both descriptors (either may be -1) without
// releasing a record lock that another logger of the process holds, and frees the
// logger's state.
void ForgetLogger(zbUnixLogger const* logger, int logFd, int lockFd);
// Closes `fd` while no logger of the process holds a record lock on its file. Called
// during the caller's own turn, the close is put off until the turn ends.
void CloseKeepingLocks(LoggerState* state, int fd);

// A logger's turn on its lock file: taken before the record lock is requested and held
// until after it is released (declare the RecordLock after this). Loggers of the
// process that share the lock file wait for each other here.
class LockFileTurn {
 public:
  // `state` may be null: loggers without one share a fallback turn.
  LockFileTurn(LoggerState* state, pid_t self);
  ~LockFileTurn();
  LockFileTurn(LockFileTurn const&) = delete;
  LockFileTurn& operator=(LockFileTurn const&) = delete;

  // After a write that fell short by (written >= 0 bytes): cuts the log back to its
  // size before the write, when that is known and nothing else was appended meanwhile.
  void CutBack(int logFd, long written) const;

 private:
  LoggerState* m_pState;
  LockFileEntry* m_pEntry;
  bool m_bNested;
};

}  // namespace zbutil_detail

#endif  // ZBUTIL_LOGGING_LOCKFILETABLE_H_
