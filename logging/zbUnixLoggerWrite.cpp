// Writing a record: set-up at the first call, filtering, formatting, the lock with its
// optional bounded wait, the locked rotate-chown-write sequence, and the counts.
#include <limits.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <string_view>
#include <thread>

#include "LogFileDefaults.h"
#include "MessageFormat.h"
#include "RecordFormat.h"
#include "logging/LockFileTable.h"
#include "logging/RecordLock.h"
#include "logging/ThreadLock.h"
#include "logging/zbUnixLogger.h"

namespace {

constexpr char kLogLevelVariable[] = "LogLevel";
constexpr char kLogGroupError[] = "Error setting gid on log file.";
// Reports of records dropped again and again, so an administrator sees an attack or a
// fault: at most once a minute, the lock's only after 10 s of refusals in a row.
constexpr char kRotationFailing[] = "Records dropped, log rotation failing: ";
constexpr char kLockKeptByOther[] = "Records dropped, lock file held by another process: ";
constexpr long kLockPersistSeconds = 10;
// The bounded wait for the lock: pauses between two requests, and the longest bound
// taken literally (about 31 years).
constexpr std::chrono::microseconds kFirstPause(50);
constexpr std::chrono::microseconds kLongestPause(1000);
constexpr uint64_t kLongestWaitMilliseconds = 1000000000000ULL;

// LogLevel as a decimal mask, read like strtol and clamped to 32 bits on every
// architecture; false when the variable is not set.
bool ReadLogLevelVariable(int32_t& mask) {
  char const* text = getenv(kLogLevelVariable);
  if (text == nullptr) return false;
  long value = strtol(text, nullptr, 10);
  if (value > INT32_MAX) value = INT32_MAX;
  if (value < INT32_MIN) value = INT32_MIN;
  mask = static_cast<int32_t>(value);
  return true;
}

// The loggers whose first-call set-up this thread is running, innermost first. A hook
// that logs through its own logger finds it here and drops the record instead of
// waiting for the set-up it is part of. Kept per thread, outside the logger object,
// whose layout belongs to the programs that derive from it.
struct SetupInProgress {
  zbUnixLogger const* m_pLogger;
  SetupInProgress const* m_pOuter;
};
thread_local SetupInProgress const* tl_pSetup = nullptr;

bool IsSettingUp(zbUnixLogger const* logger) {
  for (SetupInProgress const* setup = tl_pSetup; setup != nullptr; setup = setup->m_pOuter) {
    if (setup->m_pLogger == logger) return true;
  }
  return false;
}

// Marks `logger` as being set up by this thread for its scope.
class ScopedSetup {
 public:
  explicit ScopedSetup(zbUnixLogger const* logger) : m_setup{logger, tl_pSetup} {
    tl_pSetup = &m_setup;
  }
  ~ScopedSetup() { tl_pSetup = m_setup.m_pOuter; }
  ScopedSetup(ScopedSetup const&) = delete;
  ScopedSetup& operator=(ScopedSetup const&) = delete;

 private:
  SetupInProgress m_setup;
};

// The parts of a header that change seldom, per thread (a logger may be shared by
// threads and cannot hold them): the process id's text, rebuilt when getpid answers
// another id (after fork), and the local date and time of the current second, rebuilt
// when the second changes. Zero-initialised: no id, no second.
struct HeaderCache {
  time_t m_tSecond;
  pid_t m_pid;
  bool m_bDateTimeValid;
  uint8_t m_uPidBytes;
  uint8_t m_uDateTimeBytes;
  char m_achPid[zbutil_logfile::kMaxPidBytes];
  char m_achDateTime[zbutil_logfile::kMaxDateTimeBytes];
};
// Initial-exec: read at every record, where the general model's __tls_get_addr call
// (PIC code on i386) would cost more than the rest of the lookup; a hundred bytes of
// the static TLS that glibc keeps for libraries loaded later suffice.
__attribute__((tls_model("initial-exec"))) thread_local HeaderCache tl_header;

std::string_view PidText(HeaderCache& cache, pid_t pid) {
  if (cache.m_pid != pid || cache.m_uPidBytes == 0) {
    char* end = zbutil_logfile::WritePid(cache.m_achPid, static_cast<uint32_t>(pid));
    cache.m_uPidBytes = static_cast<uint8_t>(end - cache.m_achPid);
    cache.m_pid = pid;
  }
  return std::string_view(cache.m_achPid, cache.m_uPidBytes);
}

// The process whose thread is in ReadTimeZone, or 0. glibc guards tzset with a lock of
// its own, which ThreadSanitizer cannot see; this one orders the library's calls for it.
std::atomic<pid_t> g_pidReadingZone(0);

// Reads the time zone again (tzset: TZ, or a stat of /etc/localtime). Returns false,
// without waiting, when another thread of the process is at it; a mark left by a thread
// of the parent before a fork() is taken over.
bool ReadTimeZone(pid_t self) {
  pid_t seen = 0;
  if (!g_pidReadingZone.compare_exchange_strong(seen, self, std::memory_order_acquire) &&
      (seen == self ||
       !g_pidReadingZone.compare_exchange_strong(seen, self, std::memory_order_acquire))) {
    return false;
  }
  tzset();
  g_pidReadingZone.store(0, std::memory_order_release);
  return true;
}

// The local date and time of `now`, or false when it cannot be determined. At each new
// second the time zone is read again, as plain localtime does at every call, so a
// changed zone shows within a second; a thread that could not read it converts with
// the zone as it stands and tries again at its next record.
bool DateTimeText(HeaderCache& cache, time_t now, pid_t self, std::string_view& text) {
  if (!cache.m_bDateTimeValid || cache.m_tSecond != now) {
    cache.m_bDateTimeValid = false;
    const bool zoneRead = ReadTimeZone(self);
    struct tm local {};
    if (localtime_r(&now, &local) == nullptr) return false;
    char* end = zbutil_logfile::WriteDateTime(cache.m_achDateTime, local);
    cache.m_uDateTimeBytes = static_cast<uint8_t>(end - cache.m_achDateTime);
    cache.m_tSecond = now;
    cache.m_bDateTimeValid = zoneRead;
  }
  text = std::string_view(cache.m_achDateTime, cache.m_uDateTimeBytes);
  return true;
}

// Repeats the refused lock request, pausing 50 us, then twice as long each time up to
// 1 ms, until it is granted or `milliseconds` have passed on the monotonic clock.
// Returns whether the lock is held.
bool WaitForLock(zbutil_detail::RecordLock& lock, unsigned long milliseconds) {
  using std::chrono::microseconds;
  using std::chrono::steady_clock;
  if (milliseconds == 0) return false;
  // Longer bounds are as good as forever, and keep the deadline within range.
  const auto bound =
      std::chrono::milliseconds(std::min<uint64_t>(milliseconds, kLongestWaitMilliseconds));
  const steady_clock::time_point deadline = steady_clock::now() + bound;
  microseconds pause = kFirstPause;
  for (steady_clock::duration left = bound; left > steady_clock::duration::zero();
       left = deadline - steady_clock::now()) {
    std::this_thread::sleep_for(std::min<steady_clock::duration>(pause, left));
    if (lock.Retry()) return true;
    pause = std::min(pause * 2, kLongestPause);
  }
  return false;
}

// Sends `text`, `path` and the number of records dropped to syslog.
void ReportDrops(zbUnixLogger& logger, uint64_t dropped, char const* text, String const& path) {
  String more(path);
  more += " (";
  more += std::to_string(dropped);
  more += dropped == 1 ? " record)" : " records)";
  logger.LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, text, more);
}

}  // namespace

void zbUnixLogger::Log(zbLogLevel level, char const* file, unsigned long line, char const* format,
                       ...) {
  using zbutil_detail::LoggerState;
  LoggerState* state = nullptr;
  // Once the files are open the flag never changes again: it orders the set-up's
  // writes before this thread's reads, so the common path takes no mutex.
  if (__atomic_load_n(&m_bLogFileOpen, __ATOMIC_ACQUIRE)) {
    state = zbutil_detail::FindOpenState(this, m_iLockFd);
  }
  if (state == nullptr) {
    state = zbutil_detail::StateOf(this);
    // Called from a hook of this logger's own set-up: its files are not open yet.
    if (IsSettingUp(this)) {
      state->Count(zbutil_detail::kDroppedOther);
      return;
    }
    zbutil_detail::ThreadLock setup(state->m_mtxSetup, state->m_pidSetup, getpid());
    if (!state->m_bSetUp && !m_bInitialised) {
      ScopedSetup inProgress(this);
      m_LogSettings.m_strLogDirectory = zbutil_logfile::kDefaultLogDirectory;
      m_LogSettings.m_ulMaxLogFileSize = zbutil_logfile::kDefaultMaxLogFileSize;
      if (ReadLogLevelVariable(m_LogSettings.m_iLogLevel)) {
        __atomic_store_n(&m_siLogLevel, m_LogSettings.m_iLogLevel, __ATOMIC_RELAXED);
      } else {
        m_LogSettings.m_iLogLevel = zbutil_logfile::kDefaultLogLevel;
      }
      m_LogSettings.m_ulMaxBackupFiles = zbutil_logfile::kDefaultMaxBackupFiles;
      LoadLogSettings(m_LogSettings, m_strBaseDirectory);
      m_bInitialised = true;
      m_gidGroupID = GetGroupID();
      __atomic_store_n(&m_bLogFileOpen, OpenLogFile() == 0, __ATOMIC_RELEASE);
    }
    state->m_bSetUp = true;
    if (!m_bLogFileOpen) {
      state->Count(zbutil_detail::kDroppedOther);
      return;
    }
  }

  // Read at every record, so the environment wins over the settings hook. The mask
  // is shared by the threads without the mutex, so a filtered record takes no lock.
  int32_t mask = 0;
  if (ReadLogLevelVariable(mask)) {
    __atomic_store_n(&m_LogSettings.m_iLogLevel, mask, __ATOMIC_RELAXED);
  } else {
    mask = __atomic_load_n(&m_LogSettings.m_iLogLevel, __ATOMIC_RELAXED);
  }
  // Filtered before the time is converted: either way the record is not written.
  if ((level & mask) != level) {
    state->Count(zbutil_detail::kFiltered);
    return;
  }
  // Taken at every call, never kept: after fork() the child writes its own id.
  const pid_t pid = getpid();
  HeaderCache& cache = tl_header;
  std::string_view dateTime;
  if (!DateTimeText(cache, time(nullptr), pid, dateTime)) {
    state->Count(zbutil_detail::kDroppedOther);
    return;
  }
  // The header, then the message formatted with the limit 2047 as if into the same
  // 2048-byte buffer, so it keeps at most its first 2046 bytes. Side by side on the
  // stack they form the record with no copy and no allocation.
  char record[zbutil_logfile::kMaxHeaderBytes + zbutil_logfile::kFormatLimit];
  char* const message = zbutil_logfile::WriteHeader(
      record, PidText(cache, pid), dateTime, file,
      static_cast<int32_t>(static_cast<uint32_t>(line)), zbutil_logfile::LevelDisplayName(level));
  va_list arguments;
  va_start(arguments, format);
  // The analyzer of clang-tidy 14 sees this va_list as uninitialised when it checks
  // another file first in the same run; it is started just above.
  const size_t messageBytes =
      zbutil_logfile::FormatMessage(message, zbutil_logfile::kFormatLimit, format,
                                    arguments);  // NOLINT(clang-analyzer-valist.*)
  va_end(arguments);
  const size_t recordBytes = static_cast<size_t>(message - record) + messageBytes;

  // The turn keeps this process's loggers on the same lock file (threads of this one
  // among them) apart, which the record lock cannot; it ends after the lock's release.
  zbutil_detail::LockFileTurn turn(state, pid);
  zbutil_detail::RecordLock lock(m_iLockFd);
  if (!lock.IsHeld() &&
      !WaitForLock(lock, state->m_ulWaitMilliseconds.load(std::memory_order_relaxed))) {
    state->Count(zbutil_detail::kDroppedLocked);
    if (const uint64_t dropped = state->m_LockRefusals.Note(kLockPersistSeconds)) {
      String lockPath(m_strLogFilePath.substr(0, m_strLogFilePath.rfind('/') + 1));
      lockPath += m_strLockFileName;
      ReportDrops(*this, dropped, kLockKeptByOther, lockPath);
    }
    return;
  }
  if (state->m_LockRefusals.m_tRunStart != 0) state->m_LockRefusals.Reset();
  if (RotateLogBackup() < 0) {
    state->Count(zbutil_detail::kDroppedOther);
    if (const uint64_t dropped = state->m_RotationFailures.Note(0)) {
      ReportDrops(*this, dropped, kRotationFailing, m_strLogFilePath);
    }
    return;
  }
  if (fchown(m_iLogFd, static_cast<uid_t>(-1), m_gidGroupID) != 0) {
    LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, kLogGroupError);
  }
  // One write, never completed or retried. A record that fell short (full disk, file
  // size limit) is counted as lost, so its fragment is cut off again.
  const ssize_t written = write(m_iLogFd, record, recordBytes);
  if (written == static_cast<ssize_t>(recordBytes)) {
    state->Count(zbutil_detail::kWritten);
  } else {
    turn.CutBack(m_iLogFd, static_cast<long>(written));
    state->Count(zbutil_detail::kDroppedOther);
  }
}
