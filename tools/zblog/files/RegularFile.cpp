// Regular files only: O_NOFOLLOW for links, O_NONBLOCK so that a FIFO without a writer
// cannot hold the open, then fstat on the descriptor itself.
#include "files/RegularFile.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zblog {
namespace {

std::string KindOf(mode_t mode) {
  if (S_ISLNK(mode)) return "a symbolic link, not followed";
  if (S_ISFIFO(mode)) return "a FIFO, not a regular file";
  if (S_ISDIR(mode)) return "a directory, not a regular file";
  if (S_ISSOCK(mode)) return "a socket, not a regular file";
  return "a device, not a regular file";
}

}  // namespace

int OpenRegularFile(std::string const& path, std::string& why) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    // O_NOFOLLOW refuses a link with ELOOP; say so rather than "too many levels".
    why = errno == ELOOP ? KindOf(S_IFLNK) : strerror(errno);
    return -1;
  }
  struct stat status {};
  const bool stated = fstat(fd, &status) == 0;
  if (!stated || !S_ISREG(status.st_mode)) {
    why = stated ? KindOf(status.st_mode) : strerror(errno);
    close(fd);
    errno = EINVAL;
    return -1;
  }
  // Reads of a regular file never block anyway; the flag goes so that nothing downstream
  // sees EAGAIN semantics it does not expect.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool LstatRegular(std::string const& path, struct stat& status, std::string& why) {
  if (lstat(path.c_str(), &status) != 0) {
    why = strerror(errno);
    return false;
  }
  if (S_ISREG(status.st_mode)) return true;
  why = KindOf(status.st_mode);
  return false;
}

}  // namespace zblog
