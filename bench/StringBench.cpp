// The string operations against Boost.StringAlgo at about 100 B, 10 KiB and 1 MiB, on
// inputs where both give the same result (checked before timing). Unescape and
// FindIcaseWorstCase have no peer and are there for their growth with the size.

#include <boost/algorithm/string.hpp>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "strings/String.h"

namespace {

using zbutil_bench::AtThreeSizes;
using zbutil_bench::Repeated;
using zbutil_bench::SharedInput;

// Mixed-case prose with the needle at its very end: a search reads every byte.
std::string SearchText(int64_t n) { return Repeated("The Quick brown Fox. ", n - 6) + "NEEDLE"; }
constexpr char kNeedle[] = "needle";

void FindIcaseZbutil(benchmark::State& state) {
  String const& text = SharedInput(SearchText, state.range(0));
  const String needle(kNeedle);
  if (text.find_icase(needle) != text.size() - 6) state.SkipWithError("wrong position");
  for (auto _ : state) benchmark::DoNotOptimize(text.find_icase(needle));
}

void FindIcaseBoost(benchmark::State& state) {
  String const& text = SharedInput(SearchText, state.range(0));
  const std::string needle(kNeedle);
  if (boost::ifind_first(text, needle).begin() != text.end() - 6) {
    state.SkipWithError("wrong position");
  }
  for (auto _ : state) benchmark::DoNotOptimize(boost::ifind_first(text, needle).begin());
}

void IsSubStringZbutil(benchmark::State& state) {
  String const& text = SharedInput(SearchText, state.range(0));
  const String part(kNeedle);
  if (!text.IsSubString(part)) state.SkipWithError("not found");
  for (auto _ : state) benchmark::DoNotOptimize(text.IsSubString(part));
}

void IsSubStringBoost(benchmark::State& state) {
  String const& text = SharedInput(SearchText, state.range(0));
  const std::string part(kNeedle);
  if (!boost::icontains(text, part)) state.SkipWithError("not found");
  for (auto _ : state) benchmark::DoNotOptimize(boost::icontains(text, part));
}

// A match every four bytes, each replaced by a longer text; both sides copy the input
// first, since both replace in place.
std::string ReplaceText(int64_t n) { return Repeated("ab, ", n); }

void ReplaceZbutil(benchmark::State& state) {
  String const& text = SharedInput(ReplaceText, state.range(0));
  const String pattern("ab");
  const String replacement("xyz");
  for (auto _ : state) {
    String s(text);
    benchmark::DoNotOptimize(s.Replace(pattern, replacement));
    benchmark::DoNotOptimize(s.data());
  }
}

void ReplaceBoost(benchmark::State& state) {
  String const& text = SharedInput(ReplaceText, state.range(0));
  const std::string pattern("ab");
  const std::string replacement("xyz");
  for (auto _ : state) {
    std::string s(text);
    boost::replace_all(s, pattern, replacement);
    benchmark::DoNotOptimize(s.data());
  }
}

// A field every eight bytes, with white space to strip; empty fields kept.
std::string SplitText(int64_t n) { return Repeated(" ab  c ,", n); }
constexpr char kWhiteSpace[] = " \t\n\r";

std::vector<std::string> BoostSplit(std::string const& text) {
  std::vector<std::string> fields;
  boost::split(fields, text, boost::is_any_of(","), boost::token_compress_off);
  for (std::string& field : fields) boost::trim_if(field, boost::is_any_of(kWhiteSpace));
  return fields;
}

void StringSplitZbutil(benchmark::State& state) {
  String const& text = SharedInput(SplitText, state.range(0));
  const String delimiters(",");
  const std::vector<String> fields = text.StringSplit(delimiters, true);
  const std::vector<std::string> expected = BoostSplit(text);
  if (!std::equal(fields.begin(), fields.end(), expected.begin(), expected.end())) {
    state.SkipWithError("fields differ from Boost's");
  }
  for (auto _ : state) benchmark::DoNotOptimize(text.StringSplit(delimiters, true));
}

void StringSplitBoost(benchmark::State& state) {
  String const& text = SharedInput(SplitText, state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(BoostSplit(text));
}

// Sixteen bytes to strip at either end of ordinary text.
std::string Padded(std::string const& pad, int64_t n) {
  return pad + Repeated("ab cd", n - 2 * static_cast<int64_t>(pad.size())) + pad;
}
std::string BlankPadded(int64_t n) { return Padded("  \t  \t  \r\n  \t  \t  ", n); }
std::string XPadded(int64_t n) { return Padded(std::string(16, 'x'), n); }

void TrimWhiteSpacesZbutil(benchmark::State& state) {
  String const& text = SharedInput(BlankPadded, state.range(0));
  const String set(kWhiteSpace);
  if (text.TrimWhiteSpaces(set) != boost::trim_copy(static_cast<std::string const&>(text))) {
    state.SkipWithError("differs from Boost's");
  }
  for (auto _ : state) benchmark::DoNotOptimize(text.TrimWhiteSpaces(set));
}

// trim_copy strips what the locale calls space: here the same bytes.
void TrimWhiteSpacesBoost(benchmark::State& state) {
  String const& text = SharedInput(BlankPadded, state.range(0));
  for (auto _ : state)
    benchmark::DoNotOptimize(boost::trim_copy(static_cast<std::string const&>(text)));
}

void TrimZbutil(benchmark::State& state) {
  String const& text = SharedInput(XPadded, state.range(0));
  if (text.Trim('x') != text.substr(16, text.size() - 32)) state.SkipWithError("wrong text");
  for (auto _ : state) benchmark::DoNotOptimize(text.Trim('x'));
}

void TrimBoost(benchmark::State& state) {
  String const& text = SharedInput(XPadded, state.range(0));
  const auto isX = [](char c) { return c == 'x'; };
  for (auto _ : state)
    benchmark::DoNotOptimize(boost::trim_copy_if(static_cast<std::string const&>(text), isX));
}

// An escape every four bytes.
void UnescapeZbutil(benchmark::State& state) {
  const String text(Repeated("a\\,b", state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(text.GetStringWithoutEscapeChars());
}

// Every position almost matches: a naive search compares up to 33 bytes at each.
void FindIcaseWorstCaseZbutil(benchmark::State& state) {
  const String text(std::string(static_cast<size_t>(state.range(0)), 'a'));
  const String needle(std::string(32, 'A') + "B");
  for (auto _ : state) benchmark::DoNotOptimize(text.find_icase(needle));
}

}  // namespace

#define ZBUTIL_PAIR(family)                                                \
  BENCHMARK(family##Zbutil)->Name(#family "/zbutil")->Apply(AtThreeSizes); \
  BENCHMARK(family##Boost)->Name(#family "/boost")->Apply(AtThreeSizes)

ZBUTIL_PAIR(FindIcase);
ZBUTIL_PAIR(IsSubString);
ZBUTIL_PAIR(Replace);
ZBUTIL_PAIR(StringSplit);
ZBUTIL_PAIR(TrimWhiteSpaces);
ZBUTIL_PAIR(Trim);
BENCHMARK(UnescapeZbutil)->Name("Unescape/zbutil")->Apply(AtThreeSizes);
BENCHMARK(FindIcaseWorstCaseZbutil)->Name("FindIcaseWorstCase/zbutil")->Apply(AtThreeSizes);

BENCHMARK_MAIN();
