#ifndef ZBUTIL_TOOLS_ZBLOG_ZBLOGLOGGER_H_
#define ZBUTIL_TOOLS_ZBLOG_ZBLOGLOGGER_H_

// The logger zblog writes through: the library's own, configured from the command line
// through the settings hook, so records, lock protocol and rotation are the library's.
// One per process; not shared between threads here.

#include "ZblogOptions.h"
#include "logging/zbUnixLogger.h"

namespace zblog {

class ZblogLogger : public zbUnixLogger {
 public:
  explicit ZblogLogger(WriteOptions const& options);

  // The hooks. Declared without `virtual` and `override` (they override all the same):
  // the lock wait is not a hook of the library yet, and clang wants `override` on all
  // overriders or none. Once it is, both get `override` and lose their NOLINT.
  // Applies the directory, size limit and backup count given on the command line;
  // unset ones keep the defaults. Leaves the level mask alone. Returns 0.
  int LoadLogSettings(zbLogSettings& settings,  // NOLINT(modernize-use-override)
                      String& baseDirectory);
  // How long a record waits for the lock that another process holds (0: not at all).
  unsigned long GetLockWaitMilliseconds();  // NOLINT(modernize-use-override)

  // True once the first record has opened the log and lock files.
  bool IsOpen() const { return m_bLogFileOpen; }
  // The log's full path once the first record has opened it.
  std::string LogPath() const { return m_strLogFilePath; }

 private:
  WriteOptions const& m_Options;
};

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_ZBLOGLOGGER_H_
