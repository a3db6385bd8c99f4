#ifndef ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPPER_H_
#define ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPPER_H_

// The main loop of zblog ship, over any MessageSender: follows every log, sends what is
// new, moves each log's state only past what the sender counts as acknowledged, and
// reconnects (200 ms doubling to 5 s) while the receiver is away.

#include <signal.h>

#include "ship/MessageSender.h"
#include "ship/ShipOptions.h"

namespace zblog {

// Ships the logs of `options` (absolute paths) through `sender` until `stop` becomes
// non-zero; then sends what is read for 10 s at most, and not at all while the receiver
// is away, saves the states and returns. Reports on standard error. Returns 0, or 1
// when a state file is refused, a log cannot be opened, or records were lost or could
// not be shipped.
int ShipLogs(ShipOptions const& options, MessageSender& sender, volatile sig_atomic_t const& stop);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPPER_H_
