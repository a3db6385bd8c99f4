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
#include <thread>

#include "logging/LockFileTable.h"
#include "logging/LoggerResources.h"
#include "logging/zbUnixLogger.h"

namespace {

constexpr uint32_t kDefaultMaxLogFileSize = 268435456;
constexpr int32_t kDefaultLogLevel = 255;
constexpr uint32_t kDefaultMaxBackupFiles = 2;
constexpr char kLogLevelVariable[] = "LogLevel";
constexpr char kHeaderFormat[] = "\n%8X|%04d/%02d/%02d|%02d:%02d:%02d|%27.27s|%5d|%s - ";
constexpr char kLogGroupError[] = "Error setting gid on log file.";
// The record buffer of the format, and the limit each formatting call gets: one less
// than its size, so a message keeps at most its first 2046 bytes.
constexpr size_t kRecordBufferBytes = 2048;
constexpr size_t kFormatLimit = kRecordBufferBytes - 1;
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

void Count(std::atomic<uint64_t>& counter) { counter.fetch_add(1, std::memory_order_relaxed); }

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

}  // namespace

void zbUnixLogger::Log(zbLogLevel level, char const* file, unsigned long line, char const* format,
                       ...) {
  if (!m_bReady.load(std::memory_order_acquire)) {
    zbutil_detail::ThreadLock threads(m_mtxThreads, m_pidThreads, getpid());
    if (!m_bInitialised) {
      m_LogSettings.m_strLogDirectory = zbutil_detail::kDefaultLogDirectory;
      m_LogSettings.m_ulMaxLogFileSize = kDefaultMaxLogFileSize;
      if (ReadLogLevelVariable(m_LogSettings.m_iLogLevel)) {
        __atomic_store_n(&m_siLogLevel, m_LogSettings.m_iLogLevel, __ATOMIC_RELAXED);
      } else {
        m_LogSettings.m_iLogLevel = kDefaultLogLevel;
      }
      m_LogSettings.m_ulMaxBackupFiles = kDefaultMaxBackupFiles;
      LoadLogSettings(m_LogSettings, m_strBaseDirectory);
      m_bInitialised = true;
      m_gidGroupID = GetGroupID();
      m_bLogFileOpen = OpenLogFile() == 0;
    }
    m_bReady.store(true, std::memory_order_release);
  }
  if (!m_bLogFileOpen) {
    Count(m_ullRecordsDroppedOther);
    return;
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
    Count(m_ullRecordsFiltered);
    return;
  }
  const time_t now = time(nullptr);
  struct tm local {};
  if (localtime_r(&now, &local) == nullptr) {
    Count(m_ullRecordsDroppedOther);
    return;
  }

  // Taken at every call, never kept: after fork() the child writes its own id.
  const pid_t pid = getpid();
  // Header and message each get the limit 2047, as if formatted in turn into one
  // 2048-byte buffer, so the message keeps at most its first 2046 bytes. Laid side by
  // side on the stack, they form the record with no copy and no allocation. Not
  // zero-filled: each formatting call leaves a NUL-terminated text.
  char record[2 * kRecordBufferBytes];
  snprintf(record, kFormatLimit, kHeaderFormat, static_cast<unsigned int>(pid),
           local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
           local.tm_sec, file, static_cast<int32_t>(static_cast<uint32_t>(line)),
           GetLogLevelDisplayName(level));
  const size_t headerBytes = strlen(record);
  va_list arguments;
  va_start(arguments, format);
  // The analyzer of clang-tidy 14 sees this va_list as uninitialised when it checks
  // another file first in the same run; it is started just above.
  vsnprintf(record + headerBytes, kFormatLimit, format,  // NOLINT(clang-analyzer-valist.*)
            arguments);
  va_end(arguments);
  const size_t recordBytes = headerBytes + strlen(record + headerBytes);

  // The turn keeps this process's loggers on the same lock file (threads of this one
  // among them) apart, which the record lock cannot; it ends after the lock's release.
  zbutil_detail::LockFileTurn turn(m_iLockFd, pid);
  zbutil_detail::RecordLock lock(m_iLockFd);
  // The hook is asked only when the lock is taken: the free path costs nothing more.
  if (!lock.IsHeld() && !WaitForLock(lock, GetLockWaitMilliseconds())) {
    Count(m_ullRecordsDroppedLocked);
    return;
  }
  if (RotateLogBackup() < 0) {
    Count(m_ullRecordsDroppedOther);
    return;
  }
  if (fchown(m_iLogFd, static_cast<uid_t>(-1), m_gidGroupID) != 0) {
    LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, kLogGroupError);
  }
  // One write, never completed or retried. A record that fell short (full disk, file
  // size limit) is counted as lost, so its fragment is cut off again.
  const ssize_t written = write(m_iLogFd, record, recordBytes);
  if (written == static_cast<ssize_t>(recordBytes)) {
    Count(m_ullRecordsWritten);
  } else {
    turn.CutBack(m_iLogFd, static_cast<long>(written));
    Count(m_ullRecordsDroppedOther);
  }
}
