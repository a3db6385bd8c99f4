#ifndef ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPSTATUS_H_
#define ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPSTATUS_H_

// Where a log's shipping stands, read from its state file and the log itself without
// changing either, so that it may be asked while a ship runs: the acknowledged position,
// what lies between it and the end of the live log, and whether a ship holds the state.

#include <stdint.h>
#include <sys/types.h>
#include <time.h>

#include <string>

namespace zblog {

struct LogStatus {
  std::string m_strLog;
  std::string m_strState;
  std::string m_strError;    // a state file refused, or a log that cannot be read
  bool m_bHasState = false;  // false: none yet (ship starts at the live log's start)
  // The file holding the acknowledged position now (the live log or a backup), and the
  // offset in it; empty when that content is in neither (rotated away: the backlog then
  // counts from the oldest backup).
  std::string m_strFile;
  uint64_t m_uOffset = 0;
  uint64_t m_uBehindBytes = 0;
  uint64_t m_uBehindRecords = 0;      // bytes outside records count as none
  struct timespec m_Acknowledged {};  // the state file's last change
  bool m_bShipping = false;           // a ship holds "<state>.lock" now
  pid_t m_iShipPid = 0;               // its process, where the system shows it; else 0
};

// The status of the log at `logPath` (absolute) whose state is at `statePath`. Reads
// the backups that follow the acknowledged position and the live log to its end, one
// piece at a time (memory stays bounded), only as regular files.
LogStatus ProbeLogStatus(std::string const& logPath, std::string const& statePath);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPSTATUS_H_
