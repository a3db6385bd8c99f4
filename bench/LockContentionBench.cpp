// Records lost to lock contention between processes. 1, 2, 4 and 8 processes, each
// with its own logger, log in a tight loop into one log for a fixed time, with lock
// wait bounds of 0 (the default: drop at once), 1 ms and 10 ms. Counters:
//   lost                fraction of the Log() calls whose record was dropped
//   written_per_s       records written per second, all processes together
//   cpu_ns_per_written  CPU time (user + system) of all writers per written record
//   ns_per_call         how long one Log() call took on average (waiting included)
// Run a Release build: build/<preset>/bench/zbutil_bench_contention
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include <zbutil.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kRunTime = std::chrono::milliseconds(500);
constexpr char kLogName[] = "bench.log";

class ContentionLogger : public zbUnixLogger {
 public:
  ContentionLogger(std::string directory, unsigned long waitMilliseconds)
      : zbUnixLogger(String(kLogName)),
        m_strDirectory(std::move(directory)),
        m_ulWait(waitMilliseconds) {}
  int LoadLogSettings(zbLogSettings& settings, String& /*baseDirectory*/) override {
    settings.m_strLogDirectory = m_strDirectory.c_str();
    settings.m_iLogLevel = 255;
    return 0;
  }
  unsigned long GetLockWaitMilliseconds() override { return m_ulWait; }

 private:
  std::string m_strDirectory;
  unsigned long m_ulWait;
};

struct Tally {
  unsigned long long m_ullWritten;
  unsigned long long m_ullDropped;
};

// One writer process: waits for the gate to close, then logs until the run time is up.
[[noreturn]] void Write(std::string const& directory, unsigned long wait, int gate, int report) {
  char go = 0;
  if (read(gate, &go, 1) != 0) _exit(1);
  ContentionLogger logger(directory, wait);
  const Clock::time_point end = Clock::now() + kRunTime;
  for (unsigned long n = 0; Clock::now() < end; ++n) {
    logger.Log(zbLogInformation, "LockContentionBench.cpp", 42, "record %lu of a tight loop", n);
  }
  const Tally tally{logger.GetRecordsWritten(),
                    logger.GetRecordsDroppedLocked() + logger.GetRecordsDroppedOther()};
  _exit(write(report, &tally, sizeof tally) == sizeof tally ? 0 : 2);
}

double Seconds(struct timeval const& time) { return time.tv_sec + time.tv_usec / 1e6; }

void RemoveLog(std::string const& directory) {
  for (char const* name : {"bench.log", "bench.lock", "bench.log_1.Bak", "bench.log_2.Bak"}) {
    unlink((directory + "/" + name).c_str());
  }
  rmdir(directory.c_str());
}

void Contention(benchmark::State& state, unsigned long wait) {
  const int processes = static_cast<int>(state.range(0));
  Tally total{0, 0};
  double elapsed = 0;
  double cpu = 0;
  for (auto _ : state) {
    char pattern[] = "/tmp/zbutil-bench-XXXXXX";
    int gate[2];
    int report[2];
    if (mkdtemp(pattern) == nullptr || pipe(gate) != 0 || pipe(report) != 0) {
      state.SkipWithError("cannot set up the run");
      return;
    }
    std::vector<pid_t> writers;
    for (int i = 0; i < processes; ++i) {
      const pid_t pid = fork();
      if (pid == 0) {
        close(gate[1]);
        close(report[0]);
        Write(pattern, wait, gate[0], report[1]);
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
      cpu += Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (int i = 0; i < processes && complete; ++i) {
      Tally tally{};
      complete = read(report[0], &tally, sizeof tally) == sizeof tally;
      total.m_ullWritten += tally.m_ullWritten;
      total.m_ullDropped += tally.m_ullDropped;
    }
    close(report[0]);
    RemoveLog(pattern);
    if (!complete) {
      state.SkipWithError("a writer failed");
      return;
    }
    state.SetIterationTime(seconds);
    elapsed += seconds;
  }
  const double calls = static_cast<double>(total.m_ullWritten + total.m_ullDropped);
  const double written = static_cast<double>(total.m_ullWritten);
  state.counters["lost"] = calls > 0 ? static_cast<double>(total.m_ullDropped) / calls : 0;
  state.counters["written_per_s"] = elapsed > 0 ? written / elapsed : 0;
  state.counters["cpu_ns_per_written"] = written > 0 ? cpu * 1e9 / written : 0;
  state.counters["ns_per_call"] = calls > 0 ? elapsed * processes * 1e9 / calls : 0;
}

void Register() {
  for (unsigned long wait : {0UL, 1UL, 10UL}) {
    const std::string name = "Contention/wait_" + std::to_string(wait) + "ms";
    benchmark::RegisterBenchmark(name.c_str(), Contention, wait)
        ->Arg(1)
        ->Arg(2)
        ->Arg(4)
        ->Arg(8)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
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
