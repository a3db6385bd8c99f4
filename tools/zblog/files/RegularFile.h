#ifndef ZBUTIL_TOOLS_ZBLOG_FILES_REGULARFILE_H_
#define ZBUTIL_TOOLS_ZBLOG_FILES_REGULARFILE_H_

// Opening a file that zblog is handed or finds in a log directory: anyone who can write
// that directory may have planted a symbolic link, a FIFO or a device at its name, so
// only a regular file is read, never through a link at the name's last component (links
// among the directories above are followed, as the administrator set them up).

#include <sys/stat.h>

#include <string>

namespace zblog {

// Opens `path` for reading (close-on-exec). Returns the descriptor, which the caller
// closes, or -1 with the reason in `why` ("a symbolic link, not followed", "a FIFO, not
// a regular file", ... or the system's error text) and in errno (ELOOP for a link,
// EINVAL for anything else that is no regular file). Never blocks on a FIFO.
int OpenRegularFile(std::string const& path, std::string& why);

// Fills `status` from the name itself (lstat). True when it is a regular file; else
// `why` gets what it is instead, in OpenRegularFile's words.
bool LstatRegular(std::string const& path, struct stat& status, std::string& why);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_FILES_REGULARFILE_H_
