// One record of one process, against what it cannot avoid and against a peer:
//
// - LogRecord/zbutil: Log() writing a record (mask admits it).
// - LogRecord/floor: the system calls that a record needs, by hand, with a record
//   formatted once in advance: F_SETLK lock, fstat (size check), fchown (group), one
//   write, F_SETLK unlock. getpid is left out: a record needs the process id, not a
//   system call per record to learn it.
// - LogRecord/floor_getpid: the same plus getpid, which Log() calls for every record.
// - LogRecord/spdlog: spdlog's file logger, mutex-protected, flushing every record
//   (one write per record, like ours) but with no lock between processes.
// - LogFiltered/*: a record that the level mask turns away.
//
// Every variant writes to its own file in one scratch directory and runs on real time,
// since its cost is mostly in the kernel.

#include <fcntl.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "bench/BenchLogger.h"
#include "bench/BenchSupport.h"

namespace {

constexpr char kSourceFile[] = "LoggerBench.cpp";
constexpr int kSourceLine = 42;

zbutil_bench::ScratchDirectory& Scratch() {
  static zbutil_bench::ScratchDirectory directory;
  return directory;
}

// A logger in the scratch directory that never rotates, with the given level mask.
void LogZbutil(benchmark::State& state, char const* name, int32_t mask) {
  zbutil_bench::DirectoryLogger logger(Scratch().Path(), name, mask, UINT32_MAX);
  logger.Log(zbLogError, kSourceFile, kSourceLine, "opens the files");
  int request = 0;
  for (auto _ : state) {
    logger.Log(zbLogError, kSourceFile, kSourceLine, "request %d served in %d ms", ++request, 42);
  }
}

void LogRecordZbutil(benchmark::State& state) {
  LogZbutil(state, "record.log", zbLogError | zbLogWarning);
}
void LogFilteredZbutil(benchmark::State& state) { LogZbutil(state, "filtered.log", zbLogWarning); }

int LockRequest(int fd, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  return fcntl(fd, F_SETLK, &lock);
}

void LogRecordFloor(benchmark::State& state, bool withGetpid) {
  const std::string log = Scratch().File("floor.log");
  const int logFd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0660);
  const int lockFd =
      open(Scratch().File("floor.lock").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0660);
  if (logFd < 0 || lockFd < 0) state.SkipWithError("cannot open the files");
  // The bytes of a record as Log() writes it: header and message.
  char record[256];
  const int length =
      snprintf(record, sizeof record,
               "\n%8X|2026/01/02|03:04:05|%27.27s|%5d|Error: - request %d served "
               "in %d ms",
               static_cast<unsigned int>(getpid()), kSourceFile, kSourceLine, 123456, 42);
  const gid_t group = getegid();
  for (auto _ : state) {
    if (withGetpid) benchmark::DoNotOptimize(getpid());
    if (LockRequest(lockFd, F_WRLCK) != 0) continue;
    struct stat status {};
    benchmark::DoNotOptimize(fstat(logFd, &status));
    benchmark::DoNotOptimize(fchown(logFd, static_cast<uid_t>(-1), group));
    benchmark::DoNotOptimize(write(logFd, record, static_cast<size_t>(length)));
    LockRequest(lockFd, F_UNLCK);
  }
  if (logFd >= 0) close(logFd);
  if (lockFd >= 0) close(lockFd);
}

void LogRecordFloorOnly(benchmark::State& state) { LogRecordFloor(state, false); }
void LogRecordFloorGetpid(benchmark::State& state) { LogRecordFloor(state, true); }

// Each system call of the floor on its own, to show where the time goes.
enum class Call { kLockUnlock, kFstat, kFchown, kWrite, kGetpid };

template <Call kCall>
void FloorCall(benchmark::State& state) {
  const int logFd = open(Scratch().File("calls.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0660);
  const int lockFd =
      open(Scratch().File("calls.lock").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0660);
  if (logFd < 0 || lockFd < 0) state.SkipWithError("cannot open the files");
  const std::string record(100, 'r');
  const gid_t group = getegid();
  struct stat status {};
  for (auto _ : state) {
    switch (kCall) {
      case Call::kLockUnlock:
        LockRequest(lockFd, F_WRLCK);
        LockRequest(lockFd, F_UNLCK);
        break;
      case Call::kFstat:
        benchmark::DoNotOptimize(fstat(logFd, &status));
        break;
      case Call::kFchown:
        benchmark::DoNotOptimize(fchown(logFd, static_cast<uid_t>(-1), group));
        break;
      case Call::kWrite:
        benchmark::DoNotOptimize(write(logFd, record.data(), record.size()));
        break;
      case Call::kGetpid:
        benchmark::DoNotOptimize(getpid());
        break;
    }
  }
  if (logFd >= 0) close(logFd);
  if (lockFd >= 0) close(lockFd);
}

// spdlog with a header of the same fields and widths as ours.
std::shared_ptr<spdlog::logger> MakeSpdlog(char const* file, spdlog::level::level_enum level) {
  auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(Scratch().File(file));
  auto logger = std::make_shared<spdlog::logger>("bench", std::move(sink));
  logger->set_pattern("%8P|%Y/%m/%d|%H:%M:%S|%27s|%5#|%l - %v");
  logger->set_level(level);
  logger->flush_on(spdlog::level::trace);
  return logger;
}

void LogSpdlog(benchmark::State& state, char const* file, spdlog::level::level_enum level) {
  const auto logger = MakeSpdlog(file, level);
  const spdlog::source_loc where(kSourceFile, kSourceLine, "");
  int request = 0;
  for (auto _ : state) {
    logger->log(where, spdlog::level::err, "request {} served in {} ms", ++request, 42);
  }
}

void LogRecordSpdlog(benchmark::State& state) {
  LogSpdlog(state, "spdlog.log", spdlog::level::trace);
}
void LogFilteredSpdlog(benchmark::State& state) {
  LogSpdlog(state, "spdlog-filtered.log", spdlog::level::critical);
}

}  // namespace

// A record's few microseconds swing with the machine's load from one window to the
// next; windows of a quarter second (whatever the run's shorter default) keep the ratio
// to the floor steady.
constexpr double kRecordMinTime = 0.25;
BENCHMARK(LogRecordZbutil)->Name("LogRecord/zbutil")->UseRealTime()->MinTime(kRecordMinTime);
BENCHMARK(LogRecordFloorOnly)->Name("LogRecord/floor")->UseRealTime()->MinTime(kRecordMinTime);
BENCHMARK(LogRecordFloorGetpid)
    ->Name("LogRecord/floor_getpid")
    ->UseRealTime()
    ->MinTime(kRecordMinTime);
BENCHMARK(LogRecordSpdlog)->Name("LogRecord/spdlog")->UseRealTime()->MinTime(kRecordMinTime);
BENCHMARK(FloorCall<Call::kLockUnlock>)->Name("FloorCall/lock_unlock")->UseRealTime();
BENCHMARK(FloorCall<Call::kFstat>)->Name("FloorCall/fstat")->UseRealTime();
BENCHMARK(FloorCall<Call::kFchown>)->Name("FloorCall/fchown")->UseRealTime();
BENCHMARK(FloorCall<Call::kWrite>)->Name("FloorCall/write")->UseRealTime();
BENCHMARK(FloorCall<Call::kGetpid>)->Name("FloorCall/getpid")->UseRealTime();
BENCHMARK(LogFilteredZbutil)->Name("LogFiltered/zbutil")->UseRealTime();
BENCHMARK(LogFilteredSpdlog)->Name("LogFiltered/spdlog")->UseRealTime();

int main(int argc, char** argv) {
  // The mask comes from the settings above, not from the caller's environment.
  unsetenv("LogLevel");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
