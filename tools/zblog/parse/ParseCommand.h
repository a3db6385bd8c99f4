#ifndef ZBUTIL_TOOLS_ZBLOG_PARSE_PARSECOMMAND_H_
#define ZBUTIL_TOOLS_ZBLOG_PARSE_PARSECOMMAND_H_

#include "parse/ParseOptions.h"

namespace zblog {

// Prints one JSON line per record of each file in turn (standard input for none or
// "-"), or follows one live log until SIGINT, SIGTERM or SIGHUP. Files are read only
// when they are regular files, never through a symbolic link at their name; the JSON
// is streamed, so memory stays bounded however long a record is. Trouble goes to
// standard error as "zblog: FILE: byte N: what". Returns the exit status: 0, or 1
// when a file could not be read (or was refused) or held bytes that are not records.
int RunParse(ParseOptions const& options);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_PARSE_PARSECOMMAND_H_
