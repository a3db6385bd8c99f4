#ifndef ZBUTIL_TOOLS_ZBLOG_SHIP_SERVICENOTIFIER_H_
#define ZBUTIL_TOOLS_ZBLOG_SHIP_SERVICENOTIFIER_H_

// ServiceNotifier: tells the service manager how ship is doing, through its
// notification socket: one datagram of "KEY=value" lines to the AF_UNIX address in
// $NOTIFY_SOCKET (a path, or an abstract name written with a leading '@'). Without
// NOTIFY_SOCKET every call does nothing. Watchdog pings go out when $WATCHDOG_USEC is
// set (and $WATCHDOG_PID, if set, is this process), at most every half of that
// interval. A lost datagram is not retried: the manager's view is news, not data.
// Single-threaded.

#include <string>

#include "ScopedOwners.h"

namespace zblog {

class ServiceNotifier {
 public:
  // Reads the environment and opens the socket.
  ServiceNotifier();
  ServiceNotifier(ServiceNotifier const&) = delete;
  ServiceNotifier& operator=(ServiceNotifier const&) = delete;

  // "READY=1": the logs and the state files are open.
  void Ready() { Send("READY=1"); }
  // "STOPPING=1": a stop was asked for.
  void Stopping() { Send("STOPPING=1"); }
  // True when a status may go out at `nowMilliseconds` (a monotonic clock): there is a
  // manager, and the last status went out at least a second before, so that a busy loop
  // neither builds nor sends more than one a second.
  bool StatusDue(long long nowMilliseconds) const;
  // "STATUS=<line>" when StatusDue and `line` differs from the last one sent.
  void Status(std::string const& line, long long nowMilliseconds);
  // "WATCHDOG=1" when half the watchdog interval has passed since the last ping. Called
  // from the main loop only: a loop that hangs stops the pings, and the manager restarts
  // the service.
  void Watchdog(long long nowMilliseconds);

 private:
  void Send(std::string const& text);

  zbutil_detail::ScopedFd m_Socket{-1};    // not open without NOTIFY_SOCKET
  std::string m_strAddress;                // sun_path, abstract names with their leading NUL
  long long m_llWatchdogMilliseconds = 0;  // half WATCHDOG_USEC; 0: no pings
  long long m_llLastPing = 0;
  std::string m_strLastStatus;
  long long m_llLastStatus = 0;
};

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_SHIP_SERVICENOTIFIER_H_
