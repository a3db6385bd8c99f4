// The case-insensitive searches against every peer that does the same job, at about
// 100 B, 10 KiB and 1 MiB: Boost.StringAlgo, glibc (strcasestr) and libstdc++
// (std::search with the Boyer-Moore-Horspool searcher). Abseil has no such search.
//
// Shapes: few matches (one, at the very end, so a search reads every byte) and many
// (one every 26 bytes or so, the first near the start), each in the C locale and in
// C.UTF-8 on text with multibyte letters. Every side folds case through
// the locale (Boost through the C++ global locale, which is set with the C one); in both locales
// only the ASCII letters fold, so all agree, which is checked before timing.

#include <ctype.h>
#include <string.h>

#include <boost/algorithm/string.hpp>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "strings/String.h"

namespace {

using zbutil_bench::Locale;
using zbutil_bench::Repeated;
using zbutil_bench::ScopedLocale;
using zbutil_bench::SharedInput;

constexpr size_t kNone = std::string::npos;
constexpr char kNeedle[] = "needle";

// Mixed-case prose with the needle at its very end.
std::string FewText(int64_t n) { return Repeated("The Quick brown Fox. ", n - 6) + "NEEDLE"; }
std::string FewTextUtf8(int64_t n) {
  return Repeated("Der Fuchs läuft über die Straße. ", n - 6) + "NEEDLE";
}
// The needle, in mixed case, every 26 bytes or so: found near the start.
std::string ManyText(int64_t n) { return Repeated("a Needle in the HAYstack. ", n); }
std::string ManyTextUtf8(int64_t n) { return Repeated("eine NeedLE im Heu, größer ", n); }
// Every position almost matches: a naive search compares up to 33 bytes at each.
std::string WorstCaseText(int64_t n) { return std::string(static_cast<size_t>(n), 'a'); }
constexpr char kWorstNeedle[] = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAB";

// Each searcher: the first occurrence of needle, or npos.
size_t FindZbutil(String const& text, String const& needle) { return text.find_icase(needle); }

size_t FindBoost(String const& text, std::string const& needle) {
  const auto range = boost::ifind_first(text, needle);
  return range.empty() ? kNone : static_cast<size_t>(range.begin() - text.begin());
}

size_t FindStrcasestr(String const& text, std::string const& needle) {
  char const* hit = strcasestr(text.c_str(), needle.c_str());
  return hit == nullptr ? kNone : static_cast<size_t>(hit - text.c_str());
}

// Folding through toupper, as the library does.
size_t FindStdBmh(String const& text, std::string const& needle) {
  const auto fold = [](char c) { return toupper(static_cast<unsigned char>(c)); };
  const std::boyer_moore_horspool_searcher searcher(
      needle.begin(), needle.end(), [fold](char c) { return std::hash<int>()(fold(c)); },
      [fold](char a, char b) { return fold(a) == fold(b); });
  const auto hit = std::search(text.begin(), text.end(), searcher);
  return hit == text.end() ? kNone : static_cast<size_t>(hit - text.begin());
}

// A shape: the text, the needle and the locale.
template <std::string (*Make)(int64_t), char const* kWanted, Locale kLocale>
struct Shape {};

template <typename S, typename Needle, size_t (*Find)(String const&, Needle const&)>
struct FindIcase;
template <std::string (*Make)(int64_t), char const* kWanted, Locale kLocale, typename Needle,
          size_t (*Find)(String const&, Needle const&)>
struct FindIcase<Shape<Make, kWanted, kLocale>, Needle, Find> {
  static void Run(benchmark::State& state) {
    const ScopedLocale locale(kLocale);
    if (!locale.IsSet()) return state.SkipWithError("no C.UTF-8 locale");
    String const& text = SharedInput(Make, state.range(0));
    const Needle needle(kWanted);
    const String ours(kWanted);
    if (Find(text, needle) != FindZbutil(text, ours)) {
      state.SkipWithError("finds another position than zbutil");
    }
    for (auto _ : state) benchmark::DoNotOptimize(Find(text, needle));
  }
};

using Few = Shape<FewText, kNeedle, Locale::kC>;
using FewUtf8 = Shape<FewTextUtf8, kNeedle, Locale::kUtf8>;
using Many = Shape<ManyText, kNeedle, Locale::kC>;
using ManyUtf8 = Shape<ManyTextUtf8, kNeedle, Locale::kUtf8>;
using WorstCase = Shape<WorstCaseText, kWorstNeedle, Locale::kC>;

template <typename S>
using Zbutil = FindIcase<S, String, FindZbutil>;
template <typename S>
using Boost = FindIcase<S, std::string, FindBoost>;
template <typename S>
using Strcasestr = FindIcase<S, std::string, FindStrcasestr>;
template <typename S>
using StdBmh = FindIcase<S, std::string, FindStdBmh>;

bool ContainsZbutil(String const& text, String const& part) { return text.IsSubString(part); }
bool ContainsBoost(String const& text, std::string const& part) {
  return boost::icontains(text, part);
}
bool ContainsStrcasestr(String const& text, std::string const& part) {
  return strcasestr(text.c_str(), part.c_str()) != nullptr;
}
bool ContainsStdBmh(String const& text, std::string const& part) {
  return FindStdBmh(text, part) != kNone;
}

// The needle at the end of the text, in either locale.
template <std::string (*Make)(int64_t), Locale kLocale, typename Part,
          bool (*Contains)(String const&, Part const&)>
void IsSubString(benchmark::State& state) {
  const ScopedLocale locale(kLocale);
  if (!locale.IsSet()) return state.SkipWithError("no C.UTF-8 locale");
  String const& text = SharedInput(Make, state.range(0));
  const Part part(kNeedle);
  if (!Contains(text, part)) state.SkipWithError("not found");
  for (auto _ : state) benchmark::DoNotOptimize(Contains(text, part));
}

}  // namespace

// The library and its three peers on one shape.
#define ZBUTIL_BENCH_FIND(shape, S)                                     \
  ZBUTIL_BENCH_SHAPE(FindIcase, shape, zbutil, Zbutil<S>::Run);         \
  ZBUTIL_BENCH_SHAPE(FindIcase, shape, boost, Boost<S>::Run);           \
  ZBUTIL_BENCH_SHAPE(FindIcase, shape, strcasestr, Strcasestr<S>::Run); \
  ZBUTIL_BENCH_SHAPE(FindIcase, shape, std_bmh, StdBmh<S>::Run)
#define ZBUTIL_BENCH_CONTAINS(shape, make, locale)                                \
  ZBUTIL_BENCH_SHAPE(IsSubString, shape, zbutil,                                  \
                     IsSubString<make, locale, String, ContainsZbutil>);          \
  ZBUTIL_BENCH_SHAPE(IsSubString, shape, boost,                                   \
                     IsSubString<make, locale, std::string, ContainsBoost>);      \
  ZBUTIL_BENCH_SHAPE(IsSubString, shape, strcasestr,                              \
                     IsSubString<make, locale, std::string, ContainsStrcasestr>); \
  ZBUTIL_BENCH_SHAPE(IsSubString, shape, std_bmh,                                 \
                     IsSubString<make, locale, std::string, ContainsStdBmh>)

ZBUTIL_BENCH_FIND(few_c, Few);
ZBUTIL_BENCH_FIND(few_utf8, FewUtf8);
ZBUTIL_BENCH_FIND(many_c, Many);
ZBUTIL_BENCH_FIND(many_utf8, ManyUtf8);
ZBUTIL_BENCH_CONTAINS(c, FewText, Locale::kC);
ZBUTIL_BENCH_CONTAINS(utf8, FewTextUtf8, Locale::kUtf8);
// One shape, shown for its growth: a naive search would be quadratic.
BENCHMARK(Zbutil<WorstCase>::Run)
    ->Name("FindIcaseWorstCase/zbutil")
    ->Apply(zbutil_bench::AtThreeSizes);
BENCHMARK(Strcasestr<WorstCase>::Run)
    ->Name("FindIcaseWorstCase/strcasestr")
    ->Apply(zbutil_bench::AtThreeSizes);
BENCHMARK(StdBmh<WorstCase>::Run)
    ->Name("FindIcaseWorstCase/std_bmh")
    ->Apply(zbutil_bench::AtThreeSizes);
