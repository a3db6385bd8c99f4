#ifndef ZBUTIL_BENCH_BENCHSUPPORT_H_
#define ZBUTIL_BENCH_BENCHSUPPORT_H_

// Shared by the benchmarks. Names follow "Family/variant/argument": the variant
// "zbutil" is the library, every other variant a peer run side by side in the same
// binary (or "floor", the bare system calls); bench/report.py turns the results into
// ratios zbutil / peer per family and argument.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <locale>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "strings/String.h"

namespace zbutil_bench {

// The input sizes of the string and tokenizer benchmarks: about 100 B, 10 KiB, 1 MiB.
constexpr int64_t kSmall = 100;
constexpr int64_t kMedium = 10 * 1024;
constexpr int64_t kLarge = 1024 * 1024;

// For Benchmark::Apply: the three sizes, and with repetitions the fastest of them
// ("min") besides the median. A string operation does the same work at every
// repetition, so whatever else the machine does can only add to its time; the copies of
// 1 MiB, above all, swing by several percent from one repetition to the next.
inline void AtThreeSizes(benchmark::internal::Benchmark* b) {
  b->Arg(kSmall)->Arg(kMedium)->Arg(kLarge);
  b->ComputeStatistics("min", [](std::vector<double> const& times) {
    return *std::min_element(times.begin(), times.end());
  });
}

// Copies of unit, then dots, n bytes in all.
inline std::string Repeated(std::string const& unit, int64_t n) {
  std::string text;
  text.reserve(static_cast<size_t>(n));
  while (static_cast<int64_t>(text.size() + unit.size()) <= n) text += unit;
  text.append(static_cast<size_t>(n) - text.size(), '.');
  return text;
}

// The input make(n), made once and shared by a benchmark and its peers: the same bytes
// at the same address. Copies of 1 MiB differ by some 15% with the relative alignment
// of source and destination, which must favour neither side.
inline String const& SharedInput(std::string (*make)(int64_t), int64_t n) {
  static std::map<std::pair<std::string (*)(int64_t), int64_t>, std::unique_ptr<String>> inputs;
  std::unique_ptr<String>& input = inputs[{make, n}];
  if (!input) input = std::make_unique<String>(make(n));
  return *input;
}

// Names a benchmark Family.shape/variant (a shape is one kind of input, the variant
// zbutil or a peer) and runs it at the three sizes; report.py reads the shape from the
// family's name.
#define ZBUTIL_BENCH_SHAPE(family, shape, variant, ...) \
  BENCHMARK(__VA_ARGS__)->Name(#family "." #shape "/" #variant)->Apply(zbutil_bench::AtThreeSizes)

// The locale an operation that depends on it runs in: the benchmark's own (C), or a
// UTF-8 one, as a program that calls setlocale(LC_ALL, "") runs in most systems.
enum class Locale { kC, kUtf8 };

// Makes the C and C++ global locales `locale` while it lives and then puts back the
// ones before (benchmarks run one at a time, on one thread). C.UTF-8 comes with glibc.
class ScopedLocale {
 public:
  explicit ScopedLocale(Locale locale) : m_locPrevious(std::locale()) {
    try {
      std::locale::global(std::locale(locale == Locale::kC ? "C" : "C.UTF-8"));
      m_bSet = true;
    } catch (std::runtime_error const&) {
      m_bSet = false;
    }
  }
  ~ScopedLocale() { std::locale::global(m_locPrevious); }
  ScopedLocale(ScopedLocale const&) = delete;
  ScopedLocale& operator=(ScopedLocale const&) = delete;

  // Whether the locale could be set; a benchmark skips itself when not.
  bool IsSet() const { return m_bSet; }

 private:
  std::locale m_locPrevious;
  bool m_bSet;
};

// A new directory under $TMPDIR (or /tmp), removed with everything in it when the
// owner goes. Log, backup and copies all live in it, so they share one filesystem.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    char const* base = getenv("TMPDIR");
    std::string templ =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/zbutil-bench-XXXXXX";
    if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed: " + templ);
    m_strPath = templ;
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(m_strPath, ignored);
  }
  ScratchDirectory(ScratchDirectory const&) = delete;
  ScratchDirectory& operator=(ScratchDirectory const&) = delete;

  std::string const& Path() const { return m_strPath; }
  std::string File(std::string const& name) const { return m_strPath + "/" + name; }

 private:
  std::string m_strPath;
};

}  // namespace zbutil_bench

#endif  // ZBUTIL_BENCH_BENCHSUPPORT_H_
