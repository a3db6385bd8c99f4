#ifndef ZBUTIL_TOOLS_ZBLOG_FOLLOW_CONTENTHASH_H_
#define ZBUTIL_TOOLS_ZBLOG_FOLLOW_CONTENTHASH_H_

// A running 64-bit FNV-1a hash: fed the bytes of a file in pieces of any size, it gives
// the same value as over the whole. With the length it names what was read of a log
// generation, so that the generation is recognised later in the log or in a backup.

#include <stddef.h>
#include <stdint.h>

namespace zblog {

constexpr uint64_t kHashSeed = 14695981039346656037ULL;

inline uint64_t HashBytes(uint64_t hash, char const* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    hash ^= static_cast<unsigned char>(data[i]);
    hash *= 1099511628211ULL;
  }
  return hash;
}

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_FOLLOW_CONTENTHASH_H_
