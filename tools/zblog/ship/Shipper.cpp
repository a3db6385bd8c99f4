// The main loop of zblog ship: logs to a receiver, every record acknowledged before the
// state file moves past it.
#include "ship/Shipper.h"

#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "follow/LogWatch.h"
#include "ship/ShipMonitor.h"
#include "ship/ShipState.h"
#include "ship/ShippedLog.h"

namespace zblog {
namespace {

constexpr long kPollMilliseconds = 100;
constexpr long kFirstRetryMilliseconds = 200;
constexpr long kMaxRetryMilliseconds = 5000;
constexpr long kIdleMilliseconds = 1000;       // quiet this long: confirm what is in flight
constexpr long kSaveMilliseconds = 200;        // state files written at most this often
constexpr long kShutdownMilliseconds = 10000;  // at a stop, sending goes on this long at most
constexpr size_t kMaxQueuedBytes = size_t{64} * 1024 * 1024;  // per log, while the receiver is away
constexpr size_t kSendsPerRound = 10000;
constexpr long kReportMilliseconds = 1000;
constexpr char kMarkAppName[] = "zblog-ship-mark";

// "<PRI>1 TIMESTAMP HOST APP - - - ": local0, the time of sending.
std::string SyslogPrefix(int severity, std::string const& host, std::string const& app) {
  char stamp[64];
  const time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S%z", &local);
  std::string text = stamp;
  if (text.size() > 5) text.insert(text.size() - 2, ":");  // +0100 -> +01:00
  return "<" + std::to_string(16 * 8 + severity) + ">1 " + text + " " + host + " " + app +
         " - - - ";
}

class Shipper {
 public:
  Shipper(ShipOptions const& options, MessageSender& sender, volatile sig_atomic_t const& stop)
      : m_Options(options),
        m_Sender(sender),
        m_Stop(stop),
        m_Monitor(options.m_strTarget + ":" + options.m_strPort, options.m_strMetricsFile,
                  [this](std::string const& text) { Notice(m_Options.m_strTarget, text); }) {
    m_strHost = options.m_strHostname;
    if (m_strHost.empty()) {
      char name[HOST_NAME_MAX + 1] = {};
      gethostname(name, sizeof name - 1);
      m_strHost = name;
    }
  }

  int Run();

 private:
  // Trouble with a log (a loss, bytes that are not records) counts for the exit status;
  // the receiver's comings and goings are news only: nothing is lost by them.
  // At most one such line a second, so that a log rotating past ship many times a
  // second does not flood the journal; the next line says how many were left out.
  void Report(std::string const& log, std::string const& text) {
    m_bTrouble = true;
    const long long now = NowMilliseconds();
    if (m_llLastReport != 0 && now - m_llLastReport < kReportMilliseconds) {
      ++m_uUnreported;
      return;
    }
    m_llLastReport = now;
    Notice(log, m_uUnreported == 0 ? text
                                   : text + " (and " + std::to_string(m_uUnreported) +
                                         " more reports before, not shown)");
    m_uUnreported = 0;
  }
  static void Notice(std::string const& log, std::string const& text) {
    fprintf(stderr, "zblog: %s: %s\n", log.c_str(), text.c_str());
  }
  bool SendPending(bool& sentAny);
  bool SendMarks();
  void Broken();
  void ConfirmAll();
  void SaveStates(bool force);
  void Tick(long long now, bool force) {
    std::string error = m_Monitor.Tick(now, m_vLogs, force);
    if (!error.empty() && error != m_strMetricsError) Notice(m_Options.m_strMetricsFile, error);
    m_strMetricsError = std::move(error);  // reported once, until it changes
  }
  // Reports the receiver gone (`text` on standard error) unless it already was.
  void MarkAway(std::string const& text);

  ShipOptions const& m_Options;
  std::string m_strHost;
  MessageSender& m_Sender;
  volatile sig_atomic_t const& m_Stop;
  std::vector<std::unique_ptr<ShippedLog>> m_vLogs;
  long long m_llNextConnect = 0;
  long m_lRetry = kFirstRetryMilliseconds;
  long long m_llLastSend = 0;
  long long m_llLastSave = 0;
  long long m_llStopBy = 0;  // once a stop is asked for: when sending gives up
  bool m_bReceiverAway = false;
  ShipMonitor m_Monitor;
  std::string m_strMetricsError;
  bool m_bTrouble = false;
  long long m_llLastReport = 0;
  unsigned long m_uUnreported = 0;
};

bool Shipper::SendPending(bool& sentAny) {
  size_t sends = 0;
  for (auto& log : m_vLogs) {
    auto& pending = log->Pending();
    while (!pending.empty() && sends < kSendsPerRound) {
      // A stop is checked between messages too: a round of long ones takes a while.
      if (m_llStopBy != 0 && NowMilliseconds() >= m_llStopBy) break;
      ShipItem& item = pending.front();
      if (!item.m_strMessage.empty()) {
        if (!m_Sender.Send(item.m_strMessage)) return false;
        log->Counters().m_uSentBytes += item.m_strMessage.size();
        log->Counters().m_uSentRecords += item.m_bEndsRecord ? 1 : 0;
        ++sends;
        sentAny = true;
      }
      item.m_uSequence = m_Sender.Sent();
      log->InFlight().push_back(std::move(item));
      pending.pop_front();
    }
  }
  ConfirmAll();
  return true;
}

// Marks after the last message let librelp read its acknowledgment; a window of them
// confirms it in any case.
bool Shipper::SendMarks() {
  const std::string mark = SyslogPrefix(7, m_strHost, kMarkAppName) + "mark";
  const uint64_t last = m_Sender.Sent();
  for (int i = 0; i < m_Sender.Window() && m_Sender.Acknowledged() < last; ++i) {
    if (!m_Sender.Send(mark)) return false;
  }
  ConfirmAll();
  return true;
}

void Shipper::ConfirmAll() {
  for (auto& log : m_vLogs) log->Confirm(m_Sender.Acknowledged());
}

void Shipper::Broken() {
  ConfirmAll();  // what was acknowledged before the break stays acknowledged
  for (auto& log : m_vLogs) log->Requeue();
  MarkAway("the receiver went away (" + m_Sender.BreakReason() +
           "); keeping the records, retrying");
  m_llNextConnect = NowMilliseconds() + m_lRetry;
}

void Shipper::MarkAway(std::string const& text) {
  if (!m_bReceiverAway) {
    Notice(m_Options.m_strTarget, text);
    m_Monitor.Connection(false);
  }
  m_bReceiverAway = true;
}

void Shipper::SaveStates(bool force) {
  const long long now = NowMilliseconds();
  if (!force && now - m_llLastSave < kSaveMilliseconds) return;
  m_llLastSave = now;
  for (size_t i = 0; i < m_vLogs.size(); ++i) {
    const std::string error = m_vLogs[i]->SaveState();
    if (!error.empty()) Report(m_Options.m_vLogs[i], error);
  }
}

int Shipper::Run() {
  for (std::string const& path : m_Options.m_vLogs) {
    const std::string state =
        ShipStatePath(m_Options.m_strStateFile, m_Options.m_strStateDirectory, path);
    const std::string app = ShipAppName(path);
    auto log = std::make_unique<ShippedLog>(
        path, state, m_Options.m_bSkipUnparsed,
        [this, app](int severity) { return SyslogPrefix(severity, m_strHost, app); },
        [this, path](std::string const& text) { Report(path, text); });
    const std::string error = log->Start(m_Options.m_bFromOldest);
    if (!error.empty()) {
      fprintf(stderr, "zblog: %s\n", error.c_str());
      return 1;
    }
    m_vLogs.push_back(std::move(log));
  }
  m_Monitor.Ready();
  for (;;) {
    const long long now = NowMilliseconds();
    if (m_Stop != 0 && m_llStopBy == 0) {
      m_llStopBy = now + kShutdownMilliseconds;
      m_Monitor.Stopping();
    }
    bool busy = false;
    for (auto& log : m_vLogs) {
      if (log->QueuedBytes() < kMaxQueuedBytes) log->Poll(kMaxQueuedBytes - log->QueuedBytes());
    }
    if (!m_Sender.IsConnected() && now >= m_llNextConnect) {
      const std::string error = m_Sender.Connect();
      if (error.empty()) {
        Notice(m_Options.m_strTarget, std::string(m_bReceiverAway ? "the receiver is back: " : "") +
                                          "connected on port " + m_Options.m_strPort);
        m_bReceiverAway = false;
        m_Monitor.Connection(true);
        m_lRetry = kFirstRetryMilliseconds;
      } else {
        MarkAway(error + "; retrying");
        m_llNextConnect = now + m_lRetry;
        m_lRetry = std::min(m_lRetry * 2, kMaxRetryMilliseconds);
      }
    }
    const bool pending = std::any_of(m_vLogs.begin(), m_vLogs.end(),
                                     [](auto const& log) { return !log->Pending().empty(); });
    const bool inFlight = std::any_of(m_vLogs.begin(), m_vLogs.end(),
                                      [](auto const& log) { return !log->InFlight().empty(); });
    if (m_Sender.IsConnected() && pending) {
      if (!SendPending(busy)) Broken();
      if (busy) m_llLastSend = now;
    } else if (m_Sender.IsConnected() && inFlight &&
               (m_llStopBy != 0 || now - m_llLastSend >= kIdleMilliseconds)) {
      if (!SendMarks()) Broken();
    }
    SaveStates(false);
    Tick(now, false);
    // At a stop with the receiver away nothing more can be confirmed: the state holds.
    if (m_llStopBy != 0 &&
        ((!pending && !inFlight) || now >= m_llStopBy || !m_Sender.IsConnected())) {
      break;
    }
    if (!busy) {
      // Woken by a change in a log's directory; while a queue is full, the plain poll:
      // the writers' events would only spin a loop that waits for the receiver.
      std::vector<LogWatch const*> watches;
      for (auto const& log : m_vLogs) {
        if (log->QueuedBytes() < kMaxQueuedBytes) watches.push_back(&log->Watch());
      }
      if (watches.size() < m_vLogs.size()) watches.clear();
      WaitForChange(watches, kPollMilliseconds);
    }
  }
  SaveStates(true);
  Tick(NowMilliseconds(), true);
  m_Sender.Close();
  const bool lost =
      std::any_of(m_vLogs.begin(), m_vLogs.end(), [](auto const& log) { return log->LostAny(); });
  return lost || m_bTrouble ? 1 : 0;
}

}  // namespace

int ShipLogs(ShipOptions const& options, MessageSender& sender, volatile sig_atomic_t const& stop) {
  Shipper shipper(options, sender, stop);
  return shipper.Run();
}

}  // namespace zblog
