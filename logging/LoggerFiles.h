#ifndef ZBUTIL_LOGGING_LOGGERFILES_H_
#define ZBUTIL_LOGGING_LOGGERFILES_H_

// Internal: file steps that opening, rotation and copying share. Not installed.

#include <stddef.h>

#include <string>

namespace zbutil_detail {

// Opens `path` as the log and lock files are opened: for appending, created with mode
// 0660 whatever the process's file creation mask (which it leaves as it was, also
// when threads open files at once), never through a final symbolic link, and not
// inherited across exec. Returns the descriptor, or -1 (errno set; ELOOP for a final
// symbolic link).
int OpenForAppend(std::string const& path);

// Whether the last component of `path` is a symbolic link.
bool IsSymbolicLink(std::string const& path);

// Copies the first `size` bytes of `sourceFd` into the empty file `destinationFd`
// (open for reading and writing), which then holds exactly them. Returns 0, or -1 when
// either file cannot be mapped (nor can a size of 0) or the file system has no room:
// a full disk gives -1, never SIGBUS. After -1 the destination may hold anything.
int CopyThroughMappings(int sourceFd, int destinationFd, size_t size);

}  // namespace zbutil_detail

#endif  // ZBUTIL_LOGGING_LOGGERFILES_H_
