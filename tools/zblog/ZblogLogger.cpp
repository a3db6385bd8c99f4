#include "ZblogLogger.h"

namespace zblog {

ZblogLogger::ZblogLogger(WriteOptions const& options)
    : zbUnixLogger(String(options.m_strLogName.c_str())), m_Options(options) {}

int ZblogLogger::LoadLogSettings(zbLogSettings& settings, String& /*baseDirectory*/) {
  if (m_Options.m_strDirectory) settings.m_strLogDirectory = m_Options.m_strDirectory->c_str();
  if (m_Options.m_uMaxSize) settings.m_ulMaxLogFileSize = *m_Options.m_uMaxSize;
  if (m_Options.m_uBackups) settings.m_ulMaxBackupFiles = *m_Options.m_uBackups;
  return 0;
}

unsigned long ZblogLogger::GetLockWaitMilliseconds() { return m_Options.m_ulWaitMilliseconds; }

}  // namespace zblog
