#include "write/ZblogLogger.h"

namespace zblog {

ZblogLogger::ZblogLogger(WriteOptions const& options)
    : zbUnixLogger(String(options.m_strLogName.c_str())), m_Options(options) {
  // How long a record waits for the lock that another process holds (0: not at all).
  SetLockWaitMilliseconds(options.m_ulWaitMilliseconds);
}

int ZblogLogger::LoadLogSettings(zbLogSettings& settings, String& /*baseDirectory*/) {
  if (m_Options.m_strDirectory) settings.m_strLogDirectory = m_Options.m_strDirectory->c_str();
  if (m_Options.m_uMaxSize) settings.m_ulMaxLogFileSize = *m_Options.m_uMaxSize;
  if (m_Options.m_uBackups) settings.m_ulMaxBackupFiles = *m_Options.m_uBackups;
  return 0;
}

}  // namespace zblog
