// Waking a follower by inotify on its log's directory.
#include "follow/LogWatch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <time.h>
#include <unistd.h>

#include "LogPaths.h"

namespace zblog {

LogWatch::LogWatch(std::string const& logPath)
    : m_Inotify(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
  constexpr uint32_t kEvents =
      IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE;
  if (m_Inotify.IsOpen() &&
      inotify_add_watch(m_Inotify.Get(), zbutil_logfile::DirectoryOf(logPath).c_str(), kEvents) <
          0) {
    m_Inotify.Reset(-1);
  }
}

void WaitForChange(std::vector<LogWatch const*> const& watches, long milliseconds) {
  std::vector<struct pollfd> fds;
  for (LogWatch const* watch : watches) {
    if (watch->IsWatching()) fds.push_back({watch->Fd(), POLLIN, 0});
  }
  if (fds.empty()) {
    struct timespec pause = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    nanosleep(&pause, nullptr);  // a signal cuts it short
    return;
  }
  if (poll(fds.data(), fds.size(), static_cast<int>(milliseconds)) <= 0) return;
  alignas(struct inotify_event) char events[4096];
  for (struct pollfd const& fd : fds) {
    while (read(fd.fd, events, sizeof events) > 0) {
    }
  }
}

long long NowMilliseconds() {
  struct timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace zblog
