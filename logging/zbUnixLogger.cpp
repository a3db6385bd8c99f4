// The logger object: construction, the hooks, the statics and the syslog reports.
#include "logging/zbUnixLogger.h"

#include <syslog.h>
#include <unistd.h>

#include <stdexcept>

#include "LogFileDefaults.h"
#include "logging/LockFileTable.h"

int zbUnixLogger::m_siLogLevel = zbutil_logfile::kDefaultLogLevel;
unsigned long zbUnixLogger::sm_ulMsgNo = 1;

namespace {

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
      m_strLogFileName(RequireName(logFileName, "zbUnixLogger: empty log file name")),
      m_pidThreads(0),
      m_bReady(false),
      m_ullRecordsWritten(0),
      m_ullRecordsDroppedLocked(0),
      m_ullRecordsDroppedOther(0),
      m_ullRecordsFiltered(0) {}

zbUnixLogger::~zbUnixLogger() {
  // Closing a descriptor of a lock file drops the record lock of the whole process:
  // the close waits while another logger of the process holds it.
  zbutil_detail::CloseLoggerFiles(m_iLogFd, m_iLockFd);
}

int zbUnixLogger::LoadLogSettings(zbLogSettings& /*settings*/, String& /*baseDirectory*/) {
  return 0;
}

gid_t zbUnixLogger::GetGroupID() { return getegid(); }

unsigned long zbUnixLogger::GetLockWaitMilliseconds() { return 0; }

unsigned long long zbUnixLogger::GetRecordsWritten() const {
  return m_ullRecordsWritten.load(std::memory_order_relaxed);
}

unsigned long long zbUnixLogger::GetRecordsDroppedLocked() const {
  return m_ullRecordsDroppedLocked.load(std::memory_order_relaxed);
}

unsigned long long zbUnixLogger::GetRecordsDroppedOther() const {
  return m_ullRecordsDroppedOther.load(std::memory_order_relaxed);
}

unsigned long long zbUnixLogger::GetRecordsFiltered() const {
  return m_ullRecordsFiltered.load(std::memory_order_relaxed);
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
