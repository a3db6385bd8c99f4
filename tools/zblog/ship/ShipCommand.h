#ifndef ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPCOMMAND_H_
#define ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPCOMMAND_H_

// zblog ship: follows logs through their rotations and sends every record to a RELP
// receiver, recording in a state file how far the receiver has acknowledged, so that a
// restarted ship goes on from there. Reads the logs only: writers are never slowed.

#include "ship/ShipOptions.h"

namespace zblog {

// Ships until the first SIGTERM, SIGINT or SIGHUP (then sends what is read, for 10 s at
// most, and not at all while the receiver is away), saving the state before it returns.
// Returns 0, or 1 when a state file is refused, a log cannot be opened, or records
// were lost or could not be shipped (each reported on standard error).
int RunShip(ShipOptions const& options);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPCOMMAND_H_
