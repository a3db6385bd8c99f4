#ifndef ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPMONITOR_H_
#define ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPMONITOR_H_

// ShipMonitor: what ship tells those who watch it, from its main loop: the service
// manager (ServiceNotifier: readiness, a status line, watchdog pings) and, with
// --metrics FILE, a file in the Prometheus text format rewritten atomically every
// few seconds:
//
//   zblog_ship_sent_records_total{log="/var/log/agent/agent.log"} 1234
//   zblog_ship_backlog_bytes{log="/var/log/agent/agent.log"} 0
//   zblog_ship_reconnects_total 2
//   ...
//
// Costs nothing per record: it reads the logs' counters when a report is due.
// Single-threaded.

#include <time.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ship/ServiceNotifier.h"
#include "ship/ShippedLog.h"

namespace zblog {

constexpr size_t kBacklogNoticeBytes = size_t{8} * 1024 * 1024;

class ShipMonitor {
 public:
  // `target` is "host:port"; `metricsPath` empty: no metrics file. `notice` gets a
  // sentence when the backlog of all logs together rises above kBacklogNoticeBytes and
  // when it is back under half that: a line per change, never per record.
  ShipMonitor(std::string target, std::string metricsPath,
              std::function<void(std::string const&)> notice);
  ShipMonitor(ShipMonitor const&) = delete;
  ShipMonitor& operator=(ShipMonitor const&) = delete;

  void Ready() { m_Notifier.Ready(); }
  void Stopping() { m_Notifier.Stopping(); }
  // The receiver answered (`connected`) or went away; a connection after the first
  // counts as a reconnect.
  void Connection(bool connected);
  // Once per round of the main loop: pings the watchdog, and sends the status and
  // rewrites the metrics file when they are due (always with `force`). Returns an
  // empty string, or why the metrics file could not be written.
  std::string Tick(long long nowMilliseconds, std::vector<std::unique_ptr<ShippedLog>> const& logs,
                   bool force = false);

 private:
  std::string StatusLine(std::vector<std::unique_ptr<ShippedLog>> const& logs) const;
  std::string Metrics(std::vector<std::unique_ptr<ShippedLog>> const& logs) const;

  std::string m_strTarget;
  std::string m_strMetricsPath;
  ServiceNotifier m_Notifier;
  time_t m_tAwaySince = 0;  // wall clock; 0 while connected
  std::function<void(std::string const&)> m_fnNotice;
  bool m_bBacklogHigh = false;
  bool m_bConnected = false;
  bool m_bEverConnected = false;
  unsigned long long m_ullReconnects = 0;
  long long m_llLastMetrics = 0;
};

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPMONITOR_H_
