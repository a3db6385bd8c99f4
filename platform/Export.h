#ifndef ZBUTIL_PLATFORM_EXPORT_H_
#define ZBUTIL_PLATFORM_EXPORT_H_

// The library is built with hidden visibility; ZBUTIL_API marks what it exports.
#define ZBUTIL_API __attribute__((visibility("default")))

#endif  // ZBUTIL_PLATFORM_EXPORT_H_
