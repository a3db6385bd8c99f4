// The status line for the service manager and the metrics file.
#include "ship/ShipMonitor.h"

#include <stdio.h>

#include <utility>

#include "files/AtomicFile.h"

namespace zblog {
namespace {

constexpr long long kMetricsMilliseconds = 2000;
constexpr mode_t kMetricsMode = 0644;  // the collector runs as another user

// A label value: backslash, double quote and line feed escaped.
std::string Label(std::string const& log) {
  std::string out = "{log=\"";
  for (char c : log) {
    if (c == '\\' || c == '"') out += '\\';
    out += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  return out + "\"}";
}

void Family(std::string& out, char const* name, char const* type, char const* help) {
  out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

}  // namespace

ShipMonitor::ShipMonitor(std::string target, std::string metricsPath,
                         std::function<void(std::string const&)> notice)
    : m_strTarget(std::move(target)),
      m_strMetricsPath(std::move(metricsPath)),
      m_fnNotice(std::move(notice)) {}

void ShipMonitor::Connection(bool connected) {
  m_bConnected = connected;
  if (connected) {
    if (m_bEverConnected) ++m_ullReconnects;
    m_bEverConnected = true;
    m_tAwaySince = 0;
  } else if (m_tAwaySince == 0) {
    m_tAwaySince = time(nullptr);
  }
}

std::string ShipMonitor::Tick(long long nowMilliseconds,
                              std::vector<std::unique_ptr<ShippedLog>> const& logs, bool force) {
  m_Notifier.Watchdog(nowMilliseconds);
  size_t backlog = 0;
  for (auto const& log : logs) backlog += log->QueuedBytes();
  if (!m_bBacklogHigh && backlog > kBacklogNoticeBytes) {
    m_bBacklogHigh = true;
    m_fnNotice("backlog above " + std::to_string(kBacklogNoticeBytes >> 20) +
               " MiB (read and not acknowledged)");
  } else if (m_bBacklogHigh && backlog < kBacklogNoticeBytes / 2) {
    m_bBacklogHigh = false;
    m_fnNotice("backlog back under " + std::to_string(kBacklogNoticeBytes >> 21) + " MiB");
  }
  if (m_Notifier.StatusDue(nowMilliseconds)) {
    m_Notifier.Status(StatusLine(logs), nowMilliseconds);
  }
  if (m_strMetricsPath.empty() || (!force && m_llLastMetrics != 0 &&
                                   nowMilliseconds - m_llLastMetrics < kMetricsMilliseconds)) {
    return "";
  }
  m_llLastMetrics = nowMilliseconds;
  return ReplaceFileAtomically(m_strMetricsPath, Metrics(logs), kMetricsMode, false);
}

// "connected to host:port; N records behind" or "receiver host:port unreachable since
// HH:MM:SS; backlog 3.2 MiB", counting what is read and not acknowledged yet.
std::string ShipMonitor::StatusLine(std::vector<std::unique_ptr<ShippedLog>> const& logs) const {
  size_t records = 0, bytes = 0;
  for (auto const& log : logs) {
    records += log->QueuedRecords();
    bytes += log->QueuedBytes();
  }
  char line[512];
  if (m_bConnected) {
    snprintf(line, sizeof line, "connected to %s; %zu records behind", m_strTarget.c_str(),
             records);
    return line;
  }
  char since[16] = "start";
  if (m_tAwaySince != 0) {
    struct tm local {};
    localtime_r(&m_tAwaySince, &local);
    strftime(since, sizeof since, "%H:%M:%S", &local);
  }
  snprintf(line, sizeof line, "receiver %s unreachable since %s; backlog %.1f MiB",
           m_strTarget.c_str(), since, static_cast<double>(bytes) / (1024 * 1024));
  return line;
}

std::string ShipMonitor::Metrics(std::vector<std::unique_ptr<ShippedLog>> const& logs) const {
  struct Counter {
    char const* m_pszName;
    char const* m_pszType;
    char const* m_pszHelp;
    unsigned long long (*m_fnValue)(ShippedLog const&);
  };
  static const Counter kCounters[] = {
      {"zblog_ship_sent_records_total", "counter", "Records sent (again after a broken session).",
       [](ShippedLog const& l) -> unsigned long long { return l.Counters().m_uSentRecords; }},
      {"zblog_ship_sent_bytes_total", "counter", "Bytes of the syslog messages sent.",
       [](ShippedLog const& l) -> unsigned long long { return l.Counters().m_uSentBytes; }},
      {"zblog_ship_acknowledged_records_total", "counter", "Records the receiver acknowledged.",
       [](ShippedLog const& l) -> unsigned long long {
         return l.Counters().m_uAcknowledgedRecords;
       }},
      {"zblog_ship_acknowledged_bytes_total", "counter",
       "Bytes of the messages the receiver acknowledged.",
       [](ShippedLog const& l) -> unsigned long long { return l.Counters().m_uAcknowledgedBytes; }},
      {"zblog_ship_skipped_unparsed_total", "counter",
       "Runs of bytes outside records skipped (--unparsed skip).",
       [](ShippedLog const& l) -> unsigned long long { return l.Counters().m_uSkippedUnparsed; }},
      {"zblog_ship_backlog_bytes", "gauge", "Bytes of messages read and not acknowledged yet.",
       [](ShippedLog const& l) -> unsigned long long { return l.QueuedBytes(); }},
      {"zblog_ship_backlog_records", "gauge", "Records read and not acknowledged yet.",
       [](ShippedLog const& l) -> unsigned long long { return l.QueuedRecords(); }},
      {"zblog_ship_last_acknowledgement_timestamp_seconds", "gauge",
       "When the receiver last acknowledged a message of the log (0: not yet).",
       [](ShippedLog const& l) -> unsigned long long {
         return static_cast<unsigned long long>(l.Counters().m_tLastAcknowledged);
       }},
  };
  std::string out;
  for (Counter const& counter : kCounters) {
    Family(out, counter.m_pszName, counter.m_pszType, counter.m_pszHelp);
    for (auto const& log : logs) {
      out += counter.m_pszName + Label(log->Path()) + " " +
             std::to_string(counter.m_fnValue(*log)) + "\n";
    }
  }
  Family(out, "zblog_ship_reconnects_total", "counter",
         "Sessions opened after the first (the receiver went away and came back).");
  out += "zblog_ship_reconnects_total " + std::to_string(m_ullReconnects) + "\n";
  Family(out, "zblog_ship_connected", "gauge", "1 while a session with the receiver is open.");
  out += std::string("zblog_ship_connected ") + (m_bConnected ? "1" : "0") + "\n";
  return out;
}

}  // namespace zblog
