#ifndef ZBUTIL_LOGGING_LOGGERFILES_H_
#define ZBUTIL_LOGGING_LOGGERFILES_H_

// Internal: file steps that opening, rotation and copying share. Not installed.

#include <stddef.h>

#include <string>

namespace zbutil_detail {

// Opens `path` as the log and lock files are opened: O_WRONLY | O_CREAT | O_APPEND,
// mode 0660 under a file creation mask of 0 (restored afterwards; loggers of the
// process take turns at it), plus O_NOFOLLOW, and sets close-on-exec on the result.
// Returns the descriptor, or -1 (errno set; ELOOP for a final symbolic link).
int OpenForAppend(std::string const& path);

// Whether the last component of `path` is a symbolic link.
bool IsSymbolicLink(std::string const& path);

// Copies `size` bytes of `sourceFd` into the empty file `destinationFd` (open for
// reading and writing) through two shared mappings: maps both, extends the destination
// to `size` by seeking to size - 1 and writing one zero byte, reserves its blocks with
// posix_fallocate (so that a full file system fails here instead of killing the process
// with SIGBUS in the copy), then one memcpy. Returns 0, or -1 (a size of 0 cannot be
// mapped).
int CopyThroughMappings(int sourceFd, int destinationFd, size_t size);

}  // namespace zbutil_detail

#endif  // ZBUTIL_LOGGING_LOGGERFILES_H_
