#ifndef ZBUTIL_LOGGING_LOGGERFILES_H_
#define ZBUTIL_LOGGING_LOGGERFILES_H_

// Internal: file steps that opening, rotation and copying share. Not installed.
//
// Whoever can write the log directory may plant anything at the names the logger uses:
// a symbolic link, a FIFO, a socket, a device, a directory. The logger opens regular
// files only, never through a final symbolic link and never waiting on a FIFO, and
// says to syslog what it refused.

#include <stddef.h>
#include <stdint.h>

#include <string>

class zbUnixLogger;

namespace zbutil_detail {

struct LoggerState;

// The logger's reports of a name it refused, each followed by the path.
inline constexpr char kLinkRefused[] = "Refusing to open a symbolic link: ";
inline constexpr char kNotRegularRefused[] = "Refusing to open what is not a regular file: ";

// Opens `path` as the log and lock files are opened: for appending, created with mode
// 0660 whatever the process's file creation mask (which it leaves as it was, also
// when threads open files at once), not inherited across exec. Returns the descriptor,
// or -1 with errno set: ELOOP for a final symbolic link, ENXIO or EISDIR for anything
// that is not a regular file (a FIFO is never waited for).
int OpenForAppend(std::string const& path);

// Opens `path` for reading, as the rotation reads the log: a regular file only, no
// final link, no wait. Returns the descriptor, or -1 with errno set as above.
int OpenForReading(std::string const& path);

// After one of the opens above failed with `error`: the report that says why the name
// was refused, or nullptr for an ordinary failure (missing, no permission, no room).
char const* RefusalOf(std::string const& path, int error);
// Sends that report to syslog through `logger`, once per logger (`state`, may be null:
// then every time) and path. Returns whether `error` was a refusal.
bool ReportRefusal(zbUnixLogger& logger, LoggerState* state, std::string const& path, int error);

// Copies the first `size` bytes of `sourceFd` into `destinationFd` (an empty file open
// for writing) without mapping either: copy_file_range, or read and write where that
// is not supported. Returns 0, or -1 when a call failed or the source turned out to
// be shorter (another program emptied it meanwhile); nothing can fault.
int CopyFileContent(int sourceFd, int destinationFd, uint64_t size);

}  // namespace zbutil_detail

#endif  // ZBUTIL_LOGGING_LOGGERFILES_H_
