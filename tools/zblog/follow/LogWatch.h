#ifndef ZBUTIL_TOOLS_ZBLOG_FOLLOW_LOGWATCH_H_
#define ZBUTIL_TOOLS_ZBLOG_FOLLOW_LOGWATCH_H_

// LogWatch: wakes a follower when anything changes in a log's directory (inotify: a
// write, a rotation's copy, a backup renamed or removed), so that it reads at once
// rather than at its next 100 ms poll, and keeps up with rotations faster than the
// backups kept would last between two polls. Where inotify is not available (no
// more instances, a file system without events) waiting is the plain poll. Events are
// only a reason to look: what changed is read from the files, never from the events.

#include <string>
#include <vector>

#include "ScopedOwners.h"

namespace zblog {

class LogWatch {
 public:
  // Watches the directory of `logPath`.
  explicit LogWatch(std::string const& logPath);
  LogWatch(LogWatch const&) = delete;
  LogWatch& operator=(LogWatch const&) = delete;

  bool IsWatching() const { return m_Inotify.IsOpen(); }
  int Fd() const { return m_Inotify.Get(); }

 private:
  zbutil_detail::ScopedFd m_Inotify;  // not open without inotify
};

// Waits until one of `watches` sees a change (then drains their events) or
// `milliseconds` pass, or a signal arrives.
void WaitForChange(std::vector<LogWatch const*> const& watches, long milliseconds);

// The monotonic clock in milliseconds, for the deadlines of those who wait.
long long NowMilliseconds();

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_FOLLOW_LOGWATCH_H_
