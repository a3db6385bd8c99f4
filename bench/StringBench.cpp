// Growth of the string operations that a naive implementation makes quadratic. Each
// runs on inputs of 1x, 10x and 100x a base size; linear cost shows as a time that
// grows about as fast as the input (and as a flat bytes-per-second figure).

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "strings/String.h"

namespace {

constexpr int64_t kBase = 10000;

// text made of copies of unit, n bytes long in all.
std::string Repeated(std::string const& unit, int64_t n) {
  std::string text;
  text.reserve(static_cast<size_t>(n));
  while (static_cast<int64_t>(text.size()) + static_cast<int64_t>(unit.size()) <= n) text += unit;
  text.append(static_cast<size_t>(n) - text.size(), '.');
  return text;
}

void Finish(benchmark::State& state) {
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

// A match every four bytes, each replaced by a longer text.
void BM_Replace(benchmark::State& state) {
  const String text(Repeated("ab, ", state.range(0)));
  const String pattern("ab");
  const String replacement("xyz");
  for (auto _ : state) {
    String s(text);
    benchmark::DoNotOptimize(s.Replace(pattern, replacement));
  }
  Finish(state);
}

// An escape every four bytes.
void BM_GetStringWithoutEscapeChars(benchmark::State& state) {
  const String text(Repeated("a\\,b", state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(text.GetStringWithoutEscapeChars());
  Finish(state);
}

// A field every eight bytes, with white space to trim.
void BM_StringSplit(benchmark::State& state) {
  const String text(Repeated(" ab  c ,", state.range(0)));
  const String delimiters(",;");
  for (auto _ : state) benchmark::DoNotOptimize(text.StringSplit(delimiters, true));
  Finish(state);
}

// Mixed-case text, the needle at its very end.
void BM_find_icase(benchmark::State& state) {
  const String text(Repeated("The Quick brown Fox. ", state.range(0)) + "NEEDLE");
  const String needle("needle");
  for (auto _ : state) benchmark::DoNotOptimize(text.find_icase(needle));
  Finish(state);
}

// Every position almost matches: a naive scan compares up to 100 bytes at each one.
void BM_find_icase_Backtracking(benchmark::State& state) {
  const String text(std::string(static_cast<size_t>(state.range(0)), 'a'));
  const String needle(std::string(100, 'A') + "B");
  for (auto _ : state) benchmark::DoNotOptimize(text.find_icase(needle));
  Finish(state);
}

}  // namespace

#define ZBUTIL_GROWTH(fn) \
  BENCHMARK(fn)->RangeMultiplier(10)->Range(kBase, kBase * 100)->Complexity(benchmark::oN)

ZBUTIL_GROWTH(BM_Replace);
ZBUTIL_GROWTH(BM_GetStringWithoutEscapeChars);
ZBUTIL_GROWTH(BM_StringSplit);
ZBUTIL_GROWTH(BM_find_icase);
ZBUTIL_GROWTH(BM_find_icase_Backtracking);

BENCHMARK_MAIN();
