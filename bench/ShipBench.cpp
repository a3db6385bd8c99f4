// What zblog ship costs in CPU per record, without the network: ship's loop follows a
// log of 100,000 records (about 90 bytes each, in a log that rotates at 1 MiB into 16
// backups) from its oldest backup and sends every record to a receiver in this process
// that confirms each at once.
//
// - ShipRecord/zbutil: ship as it runs by hand: no metrics file, no service manager.
// - ShipRecord/metrics: with --metrics, rewritten every 2 s.
// - ShipRecord/notify: under a service manager (NOTIFY_SOCKET, WATCHDOG_USEC), whose
//   socket this process holds: READY, STATUS as it changes, watchdog pings.
// - ShipStatus/zbutil: `zblog ship --status` on the same log without a state yet (the
//   backlog is then the live log), per record behind: it reads the backlog to count.
// Times are CPU per record: the counter "records" is per iteration.

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>

#include "bench/BenchLogger.h"
#include "bench/BenchSupport.h"
#include "ship/MessageSender.h"
#include "ship/ShipStatus.h"
#include "ship/Shipper.h"

namespace {

constexpr int kRecords = 100000;
constexpr char kLogName[] = "ship.log";

zbutil_bench::ScratchDirectory& Scratch() {
  static zbutil_bench::ScratchDirectory directory;
  return directory;
}

std::string const& FilledLog() {
  static const std::string path = [] {
    zbutil_bench::DirectoryLogger logger(Scratch().Path(), kLogName, 255, 1024 * 1024, 16);
    for (int i = 0; i < kRecords; ++i) {
      logger.Log(zbLogError, "ShipBench.cpp", 1, "record %d of the backlog to ship", i);
    }
    return Scratch().File(kLogName);
  }();
  return path;
}

// Confirms every message as it is sent; asks ship to stop at the last record.
class ConfirmingSender : public zblog::MessageSender {
 public:
  std::string Connect() override {
    m_bConnected = true;
    return "";
  }
  bool IsConnected() const override { return m_bConnected; }
  bool Send(std::string_view message) override {
    ++m_uSent;
    if (message.find("zblog-ship-mark") == std::string_view::npos && ++m_iRecords == kRecords) {
      m_iStop = 1;
    }
    return true;
  }
  std::string const& BreakReason() const override { return m_strReason; }
  uint64_t Sent() const override { return m_uSent; }
  uint64_t Acknowledged() const override { return m_uSent; }
  int Window() const override { return 64; }
  void Close() override { m_bConnected = false; }

  volatile sig_atomic_t m_iStop = 0;

 private:
  bool m_bConnected = false;
  uint64_t m_uSent = 0;
  int m_iRecords = 0;
  std::string m_strReason;
};

enum class Extra { kNone, kMetrics, kNotify };

void ShipRecords(benchmark::State& state, Extra extra) {
  zblog::ShipOptions options;
  options.m_vLogs = {FilledLog()};
  options.m_strTarget = "receiver";
  options.m_strStateFile = Scratch().File("ship.state");
  options.m_bFromOldest = true;
  if (extra == Extra::kMetrics) options.m_strMetricsFile = Scratch().File("ship.prom");
  // The service manager's socket, held here; its datagrams are left unread.
  const int manager = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = Scratch().File("notify");
  socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
  unlink(socketPath.c_str());
  bind(manager, reinterpret_cast<sockaddr*>(&address), sizeof address);
  if (extra == Extra::kNotify) {
    setenv("NOTIFY_SOCKET", socketPath.c_str(), 1);
    setenv("WATCHDOG_USEC", "30000000", 1);
  }
  // Ship's "connected" lines go to /dev/null meanwhile.
  const int savedStderr = dup(STDERR_FILENO);
  const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
  dup2(devNull, STDERR_FILENO);
  for (auto _ : state) {
    ConfirmingSender sender;
    if (zblog::ShipLogs(options, sender, sender.m_iStop) != 0) state.SkipWithError("ship failed");
  }
  dup2(savedStderr, STDERR_FILENO);
  close(savedStderr);
  close(devNull);
  unsetenv("NOTIFY_SOCKET");
  unsetenv("WATCHDOG_USEC");
  close(manager);
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_Ship(benchmark::State& state) { ShipRecords(state, Extra::kNone); }
void BM_ShipMetrics(benchmark::State& state) { ShipRecords(state, Extra::kMetrics); }
void BM_ShipNotify(benchmark::State& state) { ShipRecords(state, Extra::kNotify); }

void BM_Status(benchmark::State& state) {
  const std::string statePath = Scratch().File("none.state");
  uint64_t behind = 0;
  for (auto _ : state) {
    behind = zblog::ProbeLogStatus(FilledLog(), statePath).m_uBehindRecords;
    if (behind == 0) state.SkipWithError("status found no backlog");
  }
  state.counters["records_behind"] = static_cast<double>(behind);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(behind));
}

BENCHMARK(BM_Ship)->Name("ShipRecord/zbutil")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShipMetrics)->Name("ShipRecord/metrics")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShipNotify)->Name("ShipRecord/notify")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Status)->Name("ShipStatus/zbutil")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
