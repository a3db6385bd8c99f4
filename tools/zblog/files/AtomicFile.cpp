// Writing a file under a temporary name and renaming it over the old one.
#include "files/AtomicFile.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "LogPaths.h"
#include "ScopedOwners.h"

namespace zblog {
namespace {

using zbutil_detail::ScopedFd;

constexpr char kTemporarySuffix[] = ".tmp";

std::string Errno(std::string const& what) { return what + ": " + strerror(errno); }

bool WriteAll(int fd, std::string const& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

}  // namespace

std::string ReplaceFileAtomically(std::string const& path, std::string const& text, mode_t mode,
                                  bool durable) {
  const std::string temporary = path + kTemporarySuffix;
  // Left by a writer killed before its rename; removing a symlink removes only the link.
  if (unlink(temporary.c_str()) != 0 && errno != ENOENT) return Errno("cannot remove " + temporary);
  {
    ScopedFd fd(
        open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!fd.IsOpen()) return Errno("cannot create " + temporary);
    // `mode` whatever the umask: a service's tight umask must not hide the metrics
    // from the collector that reads them as another user.
    if (fchmod(fd.Get(), mode) != 0 || !WriteAll(fd.Get(), text) ||
        (durable && fsync(fd.Get()) != 0)) {
      std::string reason = Errno("cannot write " + temporary);
      unlink(temporary.c_str());
      return reason;
    }
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    std::string reason = Errno("cannot rename " + temporary);
    unlink(temporary.c_str());
    return reason;
  }
  if (!durable) return "";
  ScopedFd directory(
      open(zbutil_logfile::DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!directory.IsOpen() || fsync(directory.Get()) != 0) {
    return Errno("cannot sync the directory of " + path);
  }
  return "";
}

}  // namespace zblog
