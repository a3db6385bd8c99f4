#ifndef ZBUTIL_TOOLS_ZBLOG_SHIP_STATUSCOMMAND_H_
#define ZBUTIL_TOOLS_ZBLOG_SHIP_STATUSCOMMAND_H_

// zblog ship --status: where each log's shipping stands, as lines for a person or as
// one JSON object per log for scripts:
//
//   {"log":"/var/log/agent/agent.log","state":"/var/lib/zblog-ship/agent.log.state",
//    "file":"/var/log/agent/agent.log","offset":123456,"behind_bytes":2048,
//    "behind_records":12,"acknowledged":"2026-12-06T14:20:01Z",
//    "acknowledged_seconds":1796566801,"shipping":true,"pid":4242}
//
// "file" is null when the acknowledged content was rotated away, "acknowledged" and
// "acknowledged_seconds" null without a state file yet, "pid" null when no ship holds
// the state or the system does not show its process; "error" is added when a state file
// is refused or the log cannot be read.

#include "ship/ShipOptions.h"

namespace zblog {

// Prints the status of every log of `options` on standard output, changing nothing.
// Returns 0, or 1 when a state file is refused or a log cannot be read (also reported
// on standard error).
int RunShipStatus(ShipOptions const& options);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_SHIP_STATUSCOMMAND_H_
