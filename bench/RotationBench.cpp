// Rotation of a 64 MiB log into a fresh backup in the same directory, so on the same
// filesystem:
//
// - Rotate64MiB/zbutil: RotateLogBackup(), which probes the backup names, copies the
//   log with copy_file_range into an unnamed temporary file (O_TMPFILE), flushes it
//   (fdatasync), links it in as the backup, flushes the directory (fsync) and
//   truncates the log in place.
// - Rotate64MiB/readwrite: a plain read/write loop with a 128 KiB buffer, then the
//   same truncation, without a flush.
// - Rotate64MiB/copy_file_range: the copy done inside the kernel, then the truncation,
//   without a flush.
//
// Between iterations, outside the timing, the backup is removed and the log filled
// again to 64 MiB; both stay in the page cache, so this measures the copy, not the
// disk.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "bench/BenchLogger.h"
#include "bench/BenchSupport.h"

namespace {

constexpr size_t kLogBytes = 64 * 1024 * 1024;
constexpr size_t kChunkBytes = 128 * 1024;
constexpr char kLogName[] = "rotate.log";

zbutil_bench::ScratchDirectory& Scratch() {
  static zbutil_bench::ScratchDirectory directory;
  return directory;
}

std::string BackupPath() { return Scratch().File(std::string(kLogName) + "_1.Bak"); }

off_t SizeOf(std::string const& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? status.st_size : -1;
}

// Puts the files back as a rotation finds them: no backup, a log of 64 MiB.
bool Refill(zbutil_bench::DirectoryLogger const& logger) {
  unlink(BackupPath().c_str());
  if (ftruncate(logger.LogFd(), 0) != 0) return false;
  const std::string line = zbutil_bench::Repeated("\n    1A2B|2026/12/04|18:17:47|record ", 128);
  std::string chunk;
  while (chunk.size() < kChunkBytes) chunk += line;
  chunk.resize(kChunkBytes);
  for (size_t done = 0; done < kLogBytes; done += kChunkBytes) {
    if (write(logger.LogFd(), chunk.data(), kChunkBytes) != static_cast<ssize_t>(kChunkBytes)) {
      return false;
    }
  }
  return true;
}

template <bool (*Rotate)(zbutil_bench::DirectoryLogger&)>
void Rotation(benchmark::State& state) {
  // A log that would rotate past 1 MiB into one backup; the first record opens it.
  zbutil_bench::DirectoryLogger logger(Scratch().Path(), kLogName, 255, 1024 * 1024, 1);
  logger.Log(zbLogError, "RotationBench.cpp", 1, "opens the files");
  if (!logger.IsOpen()) state.SkipWithError("cannot open the log");
  for (auto _ : state) {
    state.PauseTiming();
    const bool filled = Refill(logger);
    state.ResumeTiming();
    if (!filled || !Rotate(logger)) {
      state.SkipWithError("rotation failed");
      break;
    }
  }
  if (SizeOf(BackupPath()) != static_cast<off_t>(kLogBytes) || SizeOf(logger.LogPath()) != 0) {
    state.SkipWithError("wrong sizes after rotation");
  }
}

bool RotateZbutil(zbutil_bench::DirectoryLogger& logger) { return logger.RotateLogBackup() == 0; }

// Copies the log into the backup with copy(source, destination, bytes), which returns
// the bytes it moved or -1, then truncates the log.
template <ssize_t (*Copy)(int, int, size_t)>
bool CopyAndTruncate(zbutil_bench::DirectoryLogger& logger) {
  const int source = open(logger.LogPath().c_str(), O_RDONLY);
  const int destination = open(BackupPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0660);
  bool copied = source >= 0 && destination >= 0;
  while (copied) {
    const ssize_t moved = Copy(source, destination, kChunkBytes);
    if (moved == 0) break;
    copied = moved > 0;
  }
  if (source >= 0) close(source);
  if (destination >= 0) close(destination);
  return copied && ftruncate(logger.LogFd(), 0) == 0;
}

ssize_t ReadWrite(int source, int destination, size_t bytes) {
  static char buffer[kChunkBytes];
  const ssize_t got = read(source, buffer, bytes);
  if (got <= 0) return got;
  return write(destination, buffer, static_cast<size_t>(got)) == got ? got : -1;
}

ssize_t CopyFileRange(int source, int destination, size_t /*bytes*/) {
  return copy_file_range(source, nullptr, destination, nullptr, kLogBytes, 0);
}

}  // namespace

BENCHMARK(Rotation<RotateZbutil>)->Name("Rotate64MiB/zbutil")->UseRealTime()->Iterations(3);
BENCHMARK(Rotation<CopyAndTruncate<ReadWrite>>)
    ->Name("Rotate64MiB/readwrite")
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(Rotation<CopyAndTruncate<CopyFileRange>>)
    ->Name("Rotate64MiB/copy_file_range")
    ->UseRealTime()
    ->Iterations(3);

BENCHMARK_MAIN();
