// Records lost to lock contention between processes. 1, 2, 4 and 8 processes, each
// with its own logger, log in a tight loop into one log for a fixed time, with lock
// wait bounds of 0 (the default: drop at once), 1 ms and 10 ms; and, as the peer, the
// same processes sending the same records through syslog(3) to a local rsyslogd that
// writes one file (bench/SyslogPeer.h). Counters:
//   lost                fraction of the calls whose record did not reach the file
//   written_per_s       records in the file per second, all processes together (for
//                       syslog: until rsyslogd has written the last one)
//   cpu_ns_per_written  CPU time (user + system) per record in the file: all writers,
//                       and for syslog rsyslogd too
//   ns_per_call         how long one call took on average (waiting included)
// Run a Release build: build/<preset>/bench/zbutil_bench_contention
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/syslog.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include <zbutil.h>

#include "bench/BenchLogger.h"
#include "bench/BenchSupport.h"
#include "bench/SyslogPeer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kRunTime = std::chrono::milliseconds(500);
constexpr char kLogName[] = "bench.log";
constexpr char kSource[] = "LockContentionBench.cpp";
constexpr int kLine = 42;

struct Tally {
  unsigned long long m_ullWritten;  // for syslog: handed to the socket
  unsigned long long m_ullDropped;
};

// What one writer process is given: the directory of the log, or rsyslogd's socket.
struct Target {
  std::string m_strDirectory;
  unsigned long m_ulWait;  // lock wait bound in ms; or, for syslog, unused
  bool m_bSyslog;
};

Tally WriteLogger(Target const& target) {
  zbutil_bench::DirectoryLogger logger(target.m_strDirectory, kLogName);
  logger.SetLockWaitMilliseconds(target.m_ulWait);
  const Clock::time_point end = Clock::now() + kRunTime;
  for (unsigned long n = 0; Clock::now() < end; ++n) {
    logger.Log(zbLogInformation, kSource, kLine, "record %lu of a tight loop", n);
  }
  return {logger.GetRecordsWritten(),
          logger.GetRecordsDroppedLocked() + logger.GetRecordsDroppedOther()};
}

// The same record text: the source position goes into the message.
Tally WriteSyslog(Target const& target) {
  zbutil_bench::SyslogSender sender(target.m_strDirectory + "/log.sock", "bench");
  Tally tally{0, 0};
  const Clock::time_point end = Clock::now() + kRunTime;
  for (unsigned long n = 0; Clock::now() < end; ++n) {
    const bool sent = sender.Log(
        LOG_LOCAL0 | LOG_INFO, "%s:%d Information: record %lu of a tight loop", kSource, kLine, n);
    ++(sent ? tally.m_ullWritten : tally.m_ullDropped);
  }
  return tally;
}

// One writer process: waits for the gate to open, then writes until the run time is up.
[[noreturn]] void Write(Target const& target, int gate, int report) {
  char go = 0;
  if (read(gate, &go, 1) != 0) _exit(1);
  const Tally tally = target.m_bSyslog ? WriteSyslog(target) : WriteLogger(target);
  _exit(write(report, &tally, sizeof tally) == sizeof tally ? 0 : 2);
}

double Seconds(struct timeval const& time) { return time.tv_sec + time.tv_usec / 1e6; }

struct Totals {
  Tally m_tally{0, 0};
  unsigned long long m_ullInFile = 0;
  double m_dElapsed = 0;  // until the last record was in the file
  double m_dCalling = 0;  // while the writers ran
  double m_dCpu = 0;
};

// One run of `processes` writers into `directory`; false when it failed.
bool RunOnce(int processes, Target const& target, Totals& totals) {
  std::unique_ptr<zbutil_bench::Rsyslogd> daemon;
  if (target.m_bSyslog) {
    daemon = std::make_unique<zbutil_bench::Rsyslogd>(target.m_strDirectory);
    if (!daemon->IsReady()) return false;
  }
  const double daemonCpuBefore = daemon ? daemon->CpuSeconds() : 0;
  int gate[2];
  int report[2];
  if (pipe(gate) != 0 || pipe(report) != 0) return false;
  std::vector<pid_t> writers;
  for (int i = 0; i < processes; ++i) {
    const pid_t pid = fork();
    if (pid == 0) {
      close(gate[1]);
      close(report[0]);
      Write(target, gate[0], report[1]);
    }
    writers.push_back(pid);
  }
  close(gate[0]);
  close(report[1]);
  const Clock::time_point start = Clock::now();
  close(gate[1]);
  bool complete = true;
  for (pid_t pid : writers) {
    int status = 0;
    struct rusage usage {};
    complete = wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) &&
               WEXITSTATUS(status) == 0 && complete;
    totals.m_dCpu += Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  }
  const double calling = std::chrono::duration<double>(Clock::now() - start).count();
  Tally run{0, 0};
  for (int i = 0; i < processes && complete; ++i) {
    Tally tally{};
    complete = read(report[0], &tally, sizeof tally) == sizeof tally;
    run.m_ullWritten += tally.m_ullWritten;
    run.m_ullDropped += tally.m_ullDropped;
  }
  close(report[0]);
  unsigned long long inFile = run.m_ullWritten;
  if (daemon && complete) {
    const long lines = daemon->Drain();
    complete = lines >= 0;
    inFile = static_cast<unsigned long long>(std::max(lines, 0L));
    totals.m_dCpu += daemon->Stop() - daemonCpuBefore;
  }
  totals.m_tally.m_ullWritten += run.m_ullWritten;
  totals.m_tally.m_ullDropped += run.m_ullDropped;
  totals.m_ullInFile += inFile;
  totals.m_dCalling += calling;
  totals.m_dElapsed += std::chrono::duration<double>(Clock::now() - start).count();
  return complete;
}

void Contention(benchmark::State& state, unsigned long wait, bool syslog) {
  const int processes = static_cast<int>(state.range(0));
  Totals totals;
  for (auto _ : state) {
    zbutil_bench::ScratchDirectory scratch;
    const double before = totals.m_dElapsed;
    if (!RunOnce(processes, Target{scratch.Path(), wait, syslog}, totals)) {
      state.SkipWithError(syslog ? "rsyslogd did not start or lost its last line"
                                 : "a writer failed");
      return;
    }
    state.SetIterationTime(totals.m_dElapsed - before);
  }
  const double calls =
      static_cast<double>(totals.m_tally.m_ullWritten + totals.m_tally.m_ullDropped);
  const double written = static_cast<double>(totals.m_ullInFile);
  state.counters["lost"] = calls > 0 ? (calls - written) / calls : 0;
  state.counters["written_per_s"] = totals.m_dElapsed > 0 ? written / totals.m_dElapsed : 0;
  state.counters["cpu_ns_per_written"] = written > 0 ? totals.m_dCpu * 1e9 / written : 0;
  state.counters["ns_per_call"] = calls > 0 ? totals.m_dCalling * processes * 1e9 / calls : 0;
}

void Register() {
  const auto add = [](std::string const& name, unsigned long wait, bool syslog) {
    benchmark::RegisterBenchmark(name.c_str(), Contention, wait, syslog)
        ->Arg(1)
        ->Arg(2)
        ->Arg(4)
        ->Arg(8)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  };
  for (unsigned long wait : {0UL, 1UL, 10UL}) {
    add("Contention/wait_" + std::to_string(wait) + "ms", wait, false);
  }
  // The peer needs rsyslogd (Debian: rsyslog); without it, it is left out.
  if (access(zbutil_bench::Rsyslogd::kProgram, X_OK) == 0) add("Contention/syslog", 0, true);
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
