#ifndef ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPSTATE_H_
#define ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPSTATE_H_

// The durable cursor of `zblog ship`: how far one log has been shipped and acknowledged,
// as a small text file:
//
//   zblog ship state 1
//   log /var/log/agent/agent.log
//   position 123456
//   hash 0123456789abcdef
//
// position and hash name the bytes of the log's generation (see LogFollower.h) up to the
// end of the last acknowledged record. Saving is atomic and durable: after a crash the
// file holds the old state or the new one, whole; a symbolic link planted beside it
// cannot redirect the write. One shipper per state file.

#include <string>

#include "follow/FollowCursor.h"

namespace zblog {

// The RFC 5424 APP-NAME the records of the log at `logPath` go under, which also names
// its state file in a state directory: the file name, printable US-ASCII without blanks,
// at most 48 characters, a leading dot replaced (the receiver's per-log file stays in
// its directory).
std::string ShipAppName(std::string const& logPath);

// The state file of the log at `logPath`: `stateFile` when set, else
// "<stateDirectory>/<app-name>.state".
std::string ShipStatePath(std::string const& stateFile, std::string const& stateDirectory,
                          std::string const& logPath);

// `path` made absolute against the working directory: a state names its log by
// absolute path, wherever ship runs.
std::string AbsoluteLogPath(std::string const& path);

enum class StateLoad { kMissing, kLoaded, kRefused };

// Reads the state of `logPath` from `statePath`. kRefused (with the reason in `error`)
// for a file that cannot be read, is not a regular file (a link, a FIFO), is not a
// state file, or names another log.
StateLoad LoadShipState(std::string const& statePath, std::string const& logPath,
                        FollowCursor& cursor, std::string& error);

// Replaces `statePath` with the state of `logPath` at `cursor`. Returns an empty string,
// or the reason it failed (the old state is then left as it was).
std::string SaveShipState(std::string const& statePath, std::string const& logPath,
                          FollowCursor const& cursor);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPSTATE_H_
