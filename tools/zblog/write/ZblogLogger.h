#ifndef ZBUTIL_TOOLS_ZBLOG_WRITE_ZBLOGLOGGER_H_
#define ZBUTIL_TOOLS_ZBLOG_WRITE_ZBLOGLOGGER_H_

// The logger zblog writes through: the library's own, configured from the command line
// through the settings hook, so records, lock protocol and rotation are the library's.
// One per process; not shared between threads here.

#include <logging/zbUnixLogger.h>

#include "write/WriteOptions.h"

namespace zblog {

class ZblogLogger : public zbUnixLogger {
 public:
  explicit ZblogLogger(WriteOptions const& options);

  // Applies the directory, size limit and backup count given on the command line;
  // unset ones keep the defaults. Leaves the level mask alone. Returns 0.
  int LoadLogSettings(zbLogSettings& settings, String& baseDirectory) override;

  // True once the first record has opened the log and lock files.
  bool IsOpen() const { return m_bLogFileOpen; }
  // The log's full path once the first record has opened it.
  std::string LogPath() const { return m_strLogFilePath; }

 private:
  WriteOptions const& m_Options;
};

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_WRITE_ZBLOGLOGGER_H_
