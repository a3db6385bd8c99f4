#ifndef ZBUTIL_TOOLS_ZBLOG_ZBLOGWRITE_H_
#define ZBUTIL_TOOLS_ZBLOG_ZBLOGWRITE_H_

#include "ZblogOptions.h"

namespace zblog {

// Writes the message of the command line, or one record per non-empty line of standard
// input, through the library's logger. Returns the exit status: 0, or 1 when the
// directory or the log cannot be opened (reported on standard error). A record dropped
// because another process held the lock longer than the wait is not reported: the
// logger does not tell.
int RunWrite(WriteOptions const& options);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_ZBLOGWRITE_H_
