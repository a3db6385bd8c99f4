#ifndef ZBUTIL_FUZZ_FUZZCHECK_H_
#define ZBUTIL_FUZZ_FUZZCHECK_H_

// Shared by the fuzz targets: an invariant check that stops the run with the failed
// condition (libFuzzer then saves the input), and small references.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#define FUZZ_CHECK(condition)                                                           \
  do {                                                                                  \
    if (!(condition)) {                                                                 \
      fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      abort();                                                                          \
    }                                                                                   \
  } while (false)

namespace fuzz {

// The text as the NUL-terminated readings see it: up to its first NUL byte.
inline std::string BeforeNul(std::string const& text) { return std::string(text.c_str()); }

// -1, 0 or 1: comparison results are read by sign only.
inline int Sign(long value) { return (value > 0) - (value < 0); }

}  // namespace fuzz

#endif  // ZBUTIL_FUZZ_FUZZCHECK_H_
