// The logger object: construction, the hooks, the statics and the syslog reports.
#include "logging/zbUnixLogger.h"

#include <syslog.h>
#include <unistd.h>

#include <stdexcept>

#include "LogFileDefaults.h"
#include "logging/LockFileTable.h"
#include "platform/LayoutCheck.h"

int zbUnixLogger::m_siLogLevel = zbutil_logfile::kDefaultLogLevel;
unsigned long zbUnixLogger::sm_ulMsgNo = 1;

namespace {

// Classes that programs derive from the logger put their own members right behind
// these: nothing may move. Checked from a derived class, as the members are protected.
struct LoggerLayout : zbUnixLogger {
  static void Check() {
    ZBUTIL_CHECK_SIZE(zbILogger, 4, 8);
    ZBUTIL_CHECK_SIZE(zbLogSettings, 36, 48);
    ZBUTIL_CHECK_OFFSET(zbLogSettings, m_strLogDirectory, 0, 0)
    ZBUTIL_CHECK_OFFSET(zbLogSettings, m_iLogLevel, 24, 32)
    ZBUTIL_CHECK_OFFSET(zbLogSettings, m_ulMaxLogFileSize, 28, 36)
    ZBUTIL_CHECK_OFFSET(zbLogSettings, m_ulMaxBackupFiles, 32, 40)
    ZBUTIL_CHECK_SIZE(zbUnixLogger, 152, 200);
    ZBUTIL_CHECK_OFFSET(LoggerLayout, m_LogSettings, 4, 8)
    ZBUTIL_CHECK_OFFSET(LoggerLayout, m_iLogFd, 40, 56)
    ZBUTIL_CHECK_OFFSET(LoggerLayout, m_iLockFd, 44, 60)
    ZBUTIL_CHECK_OFFSET(LoggerLayout, m_gidGroupID, 48, 64)
    ZBUTIL_CHECK_OFFSET(LoggerLayout, m_bLogFileOpen, 52, 68)
    ZBUTIL_CHECK_OFFSET(LoggerLayout, m_bInitialised, 53, 69)
    ZBUTIL_CHECK_OFFSET(LoggerLayout, m_strLogFilePath, 56, 72)
    ZBUTIL_CHECK_OFFSET(LoggerLayout, m_strLockFileName, 80, 104)
    ZBUTIL_CHECK_OFFSET(LoggerLayout, m_strLogFileName, 104, 136)
    ZBUTIL_CHECK_OFFSET(LoggerLayout, m_strBaseDirectory, 128, 168)
  }
};

constexpr char kLogSuffix[] = ".log";
constexpr char kLockSuffix[] = ".lock";

String const& RequireName(String const& name, char const* what) {
  if (name.empty()) throw std::invalid_argument(what);
  return name;
}

String LockNameFor(String const& logFileName) {
  String lockFileName(RequireName(logFileName, "zbUnixLogger: empty log file name"));
  lockFileName.Replace(kLogSuffix, kLockSuffix);
  return lockFileName;
}

}  // namespace

zbUnixLogger::zbUnixLogger(String const& logFileName)
    : zbUnixLogger(logFileName, LockNameFor(logFileName)) {}

zbUnixLogger::zbUnixLogger(String const& logFileName, String const& lockFileName)
    : m_LogSettings(),
      m_iLogFd(-1),
      m_iLockFd(-1),
      m_gidGroupID(static_cast<gid_t>(-1)),  // "leave the group alone" until set
      m_bLogFileOpen(false),
      m_bInitialised(false),
      m_strLockFileName(RequireName(lockFileName, "zbUnixLogger: empty lock file name")),
      m_strLogFileName(RequireName(logFileName, "zbUnixLogger: empty log file name")) {}

zbUnixLogger::~zbUnixLogger() {
  // Closing a descriptor of a lock file drops the record lock of the whole process:
  // the close waits while another logger of the process holds it.
  zbutil_detail::ForgetLogger(this, m_iLogFd, m_iLockFd);
}

int zbUnixLogger::LoadLogSettings(zbLogSettings& /*settings*/, String& /*baseDirectory*/) {
  return 0;
}

gid_t zbUnixLogger::GetGroupID() { return getegid(); }

void zbUnixLogger::SetLockWaitMilliseconds(unsigned long milliseconds) {
  zbutil_detail::StateOf(this)->m_ulWaitMilliseconds.store(milliseconds, std::memory_order_relaxed);
}

unsigned long zbUnixLogger::GetLockWaitMilliseconds() const {
  zbutil_detail::LoggerState const* state = zbutil_detail::FindState(this);
  return state == nullptr ? 0 : state->m_ulWaitMilliseconds.load(std::memory_order_relaxed);
}

namespace {

unsigned long long Counted(zbUnixLogger const* logger, zbutil_detail::RecordFate fate) {
  zbutil_detail::LoggerState const* state = zbutil_detail::FindState(logger);
  return state == nullptr ? 0 : state->Counted(fate);
}

}  // namespace

unsigned long long zbUnixLogger::GetRecordsWritten() const {
  return Counted(this, zbutil_detail::kWritten);
}

unsigned long long zbUnixLogger::GetRecordsDroppedLocked() const {
  return Counted(this, zbutil_detail::kDroppedLocked);
}

unsigned long long zbUnixLogger::GetRecordsDroppedOther() const {
  return Counted(this, zbutil_detail::kDroppedOther);
}

unsigned long long zbUnixLogger::GetRecordsFiltered() const {
  return Counted(this, zbutil_detail::kFiltered);
}

void zbUnixLogger::SetLogLevel(int const& level) {
  // Atomic, so that threads calling it (or a first Log() of another logger) do not
  // race; the member stays a plain int for the programs that link against it.
  __atomic_store_n(&m_siLogLevel, level, __ATOMIC_RELAXED);
}

void zbUnixLogger::LogToSyslogFile(int priority, String const& text) {
  // Passed as an argument, never as the format: a '%' in it is just a character.
  syslog(priority, "%s", text.GetAnsiString().c_str());
}

void zbUnixLogger::LogToSyslogFile(int priority, String const& text, String const& more) {
  std::string message = text.GetAnsiString();
  message += more.GetAnsiString();
  syslog(priority, "%s", message.c_str());
}
