#ifndef ZBUTIL_TOOLS_ZBLOG_FOLLOW_FOLLOWCURSOR_H_
#define ZBUTIL_TOOLS_ZBLOG_FOLLOW_FOLLOWCURSOR_H_

// How far a follower has read a generation of a log (the log's content between two
// emptyings), named so that it is found again wherever rotation moves that content.

#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

#include "follow/ContentHash.h"

namespace zblog {

// The most bytes a follower reads from a file at once.
constexpr size_t kReadBytes = size_t{64} * 1024;

// The first m_uPosition bytes of a generation, which hash to m_uHash.
struct FollowCursor {
  uint64_t m_uPosition = 0;
  uint64_t m_uHash = kHashSeed;
};

// True when the file `fd` starts with the bytes that `cursor` names (it reads them all).
bool FileHoldsCursor(int fd, FollowCursor const& cursor);

// pread until `size` bytes or the end of the file; returns the bytes read, -1 on error.
ssize_t ReadFully(int fd, char* buffer, size_t size, uint64_t offset);

// The size of the file `fd`; 0 when it cannot be told.
uint64_t SizeOf(int fd);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_FOLLOW_FOLLOWCURSOR_H_
