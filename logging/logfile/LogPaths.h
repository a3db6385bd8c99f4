#ifndef ZBUTIL_LOGGING_LOGFILE_LOGPATHS_H_
#define ZBUTIL_LOGGING_LOGFILE_LOGPATHS_H_

// Internal: a log's path split into its directory and its file name, the one way the
// library (rotation's directory) and zblog (backups, state files, names on the wire)
// do it. Not installed.

#include <string>
#include <string_view>

namespace zbutil_logfile {

// The directory part of `path`: "." when there is none, "/" for a file in the root.
std::string DirectoryOf(std::string_view path);
// The last component of `path` (all of it when there is no slash).
std::string_view FileNameOf(std::string_view path);

}  // namespace zbutil_logfile

#endif  // ZBUTIL_LOGGING_LOGFILE_LOGPATHS_H_
