#ifndef ZBUTIL_TOOLS_ZBLOG_WRITE_WRITECOMMAND_H_
#define ZBUTIL_TOOLS_ZBLOG_WRITE_WRITECOMMAND_H_

#include "write/WriteOptions.h"

namespace zblog {

// Writes the message of the command line, or one record per non-empty line of standard
// input, through the library's logger. Returns the exit status: 0 when every record was
// written; 1 when the directory or the log cannot be opened, or when records were lost
// (another process held the lock past the wait, or the log could not be rotated), each
// reported on standard error with the count of lost records.
int RunWrite(WriteOptions const& options);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_WRITE_WRITECOMMAND_H_
