// How fast a log may rotate before `zblog parse --follow` (and ship, which follows the
// same way) loses records: 4 writer processes log 12,000 records each (about 90 bytes)
// as fast as they can into a log of the given size limit with 8 backups, while the
// follower in this process reads along; between reads it waits for the log's
// directory to change (FollowRotations/zbutil, inotify, as zblog does) or for its
// 100 ms poll alone (FollowRotations/poll100ms, where events are not available).
// Counters: rotations a second, and the share of records the follower never got
// (each loss is reported by the follower; none is silent).

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "bench/BenchLogger.h"
#include "bench/BenchSupport.h"
#include "follow/LogFollower.h"
#include "record/RecordParser.h"

namespace {

constexpr int kWriters = 4;
constexpr int kRecordsPerWriter = 12000;
constexpr unsigned kBackups = 8;
constexpr char kLogName[] = "follow.log";

void Follow(benchmark::State& state, bool events) {
  const auto maxSize = static_cast<unsigned long>(state.range(0));
  for (auto _ : state) {
    zbutil_bench::ScratchDirectory scratch;
    const std::string log = scratch.File(kLogName);
    zbutil_bench::DirectoryLogger(scratch.Path(), kLogName, 255, maxSize, kBackups)
        .Log(zbLogError, "FollowerBench.cpp", 1, "start");
    uint64_t records = 0;
    bool lost = false;
    zblog::RecordParser parser(
        [&records](zblog::LogRecord const& r) { records += r.m_uPiece == 0; },
        [](uint64_t, std::string const&) {});
    zblog::LogFollower follower(log, parser, [&lost](std::string const&) { lost = true; });
    if (!follower.Start(nullptr, false)) {
      state.SkipWithError("cannot follow the log");
      return;
    }
    const auto start = std::chrono::steady_clock::now();
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
      const pid_t pid = fork();
      if (pid == 0) {
        zbutil_bench::DirectoryLogger logger(scratch.Path(), kLogName, 255, maxSize, kBackups);
        logger.SetLockWaitMilliseconds(5000);  // no record dropped: each is the follower's
        for (int i = 0; i < kRecordsPerWriter; ++i) {
          logger.Log(zbLogError, "FollowerBench.cpp", 2, "writer %d record %d of the run", w, i);
        }
        _exit(0);
      }
      writers.push_back(pid);
    }
    int running = kWriters;
    while (running > 0) {
      follower.Poll();
      zblog::WaitForChange(events ? std::vector<zblog::LogWatch const*>{&follower.Watch()}
                                  : std::vector<zblog::LogWatch const*>{},
                           100);
      while (running > 0 && waitpid(-1, nullptr, WNOHANG) > 0) --running;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (int poll = 0; poll < 3; ++poll) follower.Poll();
    follower.Finish();
    const double written = 1.0 + kWriters * kRecordsPerWriter;
    const double bytes = written * 90.0;  // about 90 bytes a record
    state.SetIterationTime(seconds);
    state.counters["rotations_per_s"] = bytes / static_cast<double>(maxSize) / seconds;
    state.counters["missing"] = (written - static_cast<double>(records)) / written;
    state.counters["loss_reported"] = lost ? 1 : 0;
  }
}

void BM_FollowEvents(benchmark::State& state) { Follow(state, true); }
void BM_FollowPoll(benchmark::State& state) { Follow(state, false); }

void Sizes(benchmark::internal::Benchmark* b) {
  for (int64_t size : {1024, 4096, 16384, 65536, 262144}) b->Arg(size);
  b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_FollowEvents)->Name("FollowRotations/zbutil")->Apply(Sizes);
BENCHMARK(BM_FollowPoll)->Name("FollowRotations/poll100ms")->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
