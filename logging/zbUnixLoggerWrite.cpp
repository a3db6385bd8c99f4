// Writing a record: set-up at the first call, filtering, formatting, and the locked
// rotate-chown-write sequence.
#include <limits.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

#include "logging/LoggerResources.h"
#include "logging/zbUnixLogger.h"

namespace {

constexpr char kDefaultLogDirectory[] = "/qtr/bin/zoredezuv/logs";
constexpr uint32_t kDefaultMaxLogFileSize = 268435456;
constexpr int32_t kDefaultLogLevel = 255;
constexpr uint32_t kDefaultMaxBackupFiles = 2;
constexpr char kLogLevelVariable[] = "LogLevel";
constexpr char kHeaderFormat[] = "\n%8X|%04d/%02d/%02d|%02d:%02d:%02d|%27.27s|%5d|%s - ";
constexpr char kLogGroupError[] = "Error setting gid on log file.";
// The record buffer, and the limit each formatting call gets: one less than its size,
// so a message keeps at most its first 2046 bytes.
constexpr size_t kRecordBufferBytes = 2048;
constexpr size_t kFormatLimit = kRecordBufferBytes - 1;

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

}  // namespace

void zbUnixLogger::Log(zbLogLevel level, char const* file, unsigned long line, char const* format,
                       ...) {
  int32_t mask = 0;
  {
    std::lock_guard<std::mutex> threads(m_mtxThreads);
    if (!m_bInitialised) {
      m_LogSettings.m_strLogDirectory = kDefaultLogDirectory;
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
      if (OpenLogFile() != 0) return;
      m_bLogFileOpen = true;
    }
    if (!m_bLogFileOpen) return;
    // Read at every record, so the environment wins over the settings hook.
    ReadLogLevelVariable(m_LogSettings.m_iLogLevel);
    mask = m_LogSettings.m_iLogLevel;
  }

  // Formatted without the mutex: only the files need serialising.
  const time_t now = time(nullptr);
  struct tm local {};
  if (localtime_r(&now, &local) == nullptr) return;
  if ((level & mask) != level) return;

  // Not zero-filled: each formatting call leaves a NUL-terminated text in it.
  char buffer[kRecordBufferBytes];
  snprintf(buffer, kFormatLimit, kHeaderFormat, static_cast<unsigned int>(getpid()),
           local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
           local.tm_sec, file, static_cast<int32_t>(static_cast<uint32_t>(line)),
           GetLogLevelDisplayName(level));
  // Room for the longest message up front: one allocation per record.
  String record;
  const size_t headerBytes = strlen(buffer);
  record.reserve(headerBytes + kFormatLimit);
  record.append(buffer, headerBytes);
  va_list arguments;
  va_start(arguments, format);
  // The analyzer of clang-tidy 14 sees this va_list as uninitialised when it checks
  // another file first in the same run; it is started just above.
  vsnprintf(buffer, kFormatLimit, format, arguments);  // NOLINT(clang-analyzer-valist.*)
  va_end(arguments);
  record.append(buffer, strlen(buffer));

  std::lock_guard<std::mutex> threads(m_mtxThreads);
  zbutil_detail::RecordLock lock(m_iLockFd);
  if (!lock.IsHeld()) return;  // another process is writing: drop, never wait
  if (RotateLogBackup() < 0) return;
  if (fchown(m_iLogFd, static_cast<uid_t>(-1), m_gidGroupID) != 0) {
    LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, kLogGroupError);
  }
  // One write, whatever its result: a record is never completed or retried. The
  // record's bytes are its narrow form already, so no copy is made for it.
  const ssize_t written = write(m_iLogFd, record.data(), record.size());
  static_cast<void>(written);
}
