#ifndef ZBUTIL_PLATFORM_LAYOUTCHECK_H_
#define ZBUTIL_PLATFORM_LAYOUTCHECK_H_

// Internal: the object layouts that programs built for this library's interface compile
// into their own code (sizes, member offsets), checked at build time on each
// architecture. Not installed.

#include <stddef.h>

namespace zbutil_detail {

// The expected value on i386 or on x86_64, whichever this build is for.
constexpr size_t ByArchitecture(size_t onI386, size_t onX86_64) {
  return sizeof(void*) == 8 ? onX86_64 : onI386;
}

}  // namespace zbutil_detail

// offsetof of a class that is not standard-layout (it has virtual members or a base
// with members): well defined for these single-inheritance classes on GCC and Clang.
#define ZBUTIL_CHECK_OFFSET(type, member, onI386, onX86_64)                          \
  _Pragma("GCC diagnostic push")                                                     \
      _Pragma("GCC diagnostic ignored \"-Winvalid-offsetof\"") static_assert(        \
          offsetof(type, member) == zbutil_detail::ByArchitecture(onI386, onX86_64), \
          "offset of " #member " changed");                                          \
  _Pragma("GCC diagnostic pop")

#define ZBUTIL_CHECK_SIZE(type, onI386, onX86_64)                                \
  static_assert(sizeof(type) == zbutil_detail::ByArchitecture(onI386, onX86_64), \
                "size of " #type " changed")

#endif  // ZBUTIL_PLATFORM_LAYOUTCHECK_H_
