#ifndef ZBUTIL_BENCH_BENCHLOGGER_H_
#define ZBUTIL_BENCH_BENCHLOGGER_H_

// The logger the benchmarks write through: the library's own, pointed by its settings
// hook at a scratch directory, with the level mask, size limit and backup count the
// benchmark chooses (the logger's defaults for those it leaves out).

#include <stdint.h>

#include <optional>
#include <string>
#include <utility>

#include "logging/zbUnixLogger.h"

namespace zbutil_bench {

class DirectoryLogger : public zbUnixLogger {
 public:
  DirectoryLogger(std::string directory, char const* name, int32_t mask = 255,
                  std::optional<unsigned long> maxSize = std::nullopt,
                  std::optional<unsigned long> backups = std::nullopt)
      : zbUnixLogger(String(name)),
        m_strDirectory(std::move(directory)),
        m_iMask(mask),
        m_ulMaxSize(maxSize),
        m_ulBackups(backups) {}

  int LoadLogSettings(zbLogSettings& settings, String& /*baseDirectory*/) override {
    settings.m_strLogDirectory = m_strDirectory.c_str();
    settings.m_iLogLevel = m_iMask;
    if (m_ulMaxSize) settings.m_ulMaxLogFileSize = *m_ulMaxSize;
    if (m_ulBackups) settings.m_ulMaxBackupFiles = *m_ulBackups;
    return 0;
  }

  // What the rotation benchmark reads of the logger's state.
  bool IsOpen() const { return m_bLogFileOpen; }
  String const& LogPath() const { return m_strLogFilePath; }
  int LogFd() const { return m_iLogFd; }

 private:
  std::string m_strDirectory;
  int32_t m_iMask;
  std::optional<unsigned long> m_ulMaxSize;
  std::optional<unsigned long> m_ulBackups;
};

}  // namespace zbutil_bench

#endif  // ZBUTIL_BENCH_BENCHLOGGER_H_
