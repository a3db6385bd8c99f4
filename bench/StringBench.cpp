// The string operations that return a new text, against every peer that does the same
// job, at about 100 B, 10 KiB and 1 MiB: Boost.StringAlgo, Abseil and libstdc++ (`std`,
// the standard string's own members or its locale's ctype facet). Each peer's result
// is checked against the library's before timing. The searches are in
// StringSearchBench.cpp, StringSplit in StringSplitBench.cpp. Unescape has no peer and
// is there for its growth with the size.
//
// Shapes: Replace with few and with many matches; the trims with text to strip and
// with none; Uppercase in the C locale and in C.UTF-8 on text with multibyte letters
// (there the locale maps only ASCII letters too, so Abseil's ASCII mapping agrees).

#include <absl/strings/ascii.h>
#include <absl/strings/str_replace.h>
#include <absl/strings/strip.h>

#include <boost/algorithm/string.hpp>
#include <locale>
#include <map>
#include <string>

#include "bench/BenchSupport.h"
#include "strings/String.h"

namespace {

using zbutil_bench::Locale;
using zbutil_bench::Repeated;
using zbutil_bench::ScopedLocale;
using zbutil_bench::SharedInput;

constexpr char kPattern[] = "ab";
constexpr char kReplacement[] = "xyz";

// The library takes its arguments as Strings. As the needles of the searches, they are
// made once, as a caller that uses them again holds them; a String made for each call
// would cost the caller as much as a short operation.
String const& AsArgument(char const* text) {
  static std::map<char const*, String> made;
  return made.try_emplace(text, text).first->second;
}

// Many: a match every four bytes. Few: prose with a match every 256 bytes, the first
// at byte 50.
std::string ManyMatches(int64_t n) { return Repeated("ab, ", n); }
std::string FewMatches(int64_t n) {
  std::string text = Repeated("The Quick brown Fox. ", n);
  for (size_t at = 50; at + 2 <= text.size(); at += 256) text.replace(at, 2, kPattern);
  return text;
}

// Every side returns a new text of its own type (zbutil a String, which its caller keeps
// as it is: made into a std::string, it would cost a move that no caller makes). zbutil
// and Boost replace in place, so they copy the input first.
String ReplaceZbutil(String const& text) {
  static String const& pattern = AsArgument(kPattern);
  static String const& replacement = AsArgument(kReplacement);
  String s(text);
  s.Replace(pattern, replacement);
  return s;
}

std::string ReplaceBoost(String const& text) {
  std::string s(text);
  boost::replace_all(s, kPattern, kReplacement);
  return s;
}

std::string ReplaceAbsl(String const& text) {
  return absl::StrReplaceAll(text, {{kPattern, kReplacement}});
}

constexpr char kWhiteSpace[] = " \t\n\r";

// Sixteen bytes to strip at either end of ordinary text, or nothing to strip.
std::string Padded(std::string const& pad, int64_t n) {
  return pad + Repeated("ab cd", n - 2 * static_cast<int64_t>(pad.size())) + pad;
}
std::string BlankPadded(int64_t n) { return Padded("  \t  \t  \r\n  \t  \t  ", n); }
std::string XPadded(int64_t n) { return Padded(std::string(16, 'x'), n); }
std::string Bare(int64_t n) { return "ab" + Repeated(" cd x ab", n - 4) + "ab"; }

String StripZbutil(String const& text) {
  static String const& set = AsArgument(kWhiteSpace);
  return text.TrimWhiteSpaces(set);
}

// trim_copy strips what the locale calls space: here the same bytes.
std::string StripBoost(String const& text) {
  return boost::trim_copy(static_cast<std::string const&>(text));
}

std::string StripAbsl(String const& text) { return std::string(absl::StripAsciiWhitespace(text)); }

// The standard string's own way: the first and last byte not in the set.
std::string StripStd(String const& text) {
  const size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

String TrimZbutil(String const& text) { return text.Trim('x'); }

std::string TrimBoost(String const& text) {
  return boost::trim_copy_if(static_cast<std::string const&>(text),
                             [](char c) { return c == 'x'; });
}

std::string TrimStd(String const& text) {
  const size_t first = text.find_first_not_of('x');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of('x') - first + 1);
}

// Mixed-case prose, ASCII or with multibyte letters.
std::string Prose(int64_t n) { return Repeated("The Quick brown Fox. ", n); }
std::string ProseUtf8(int64_t n) { return Repeated("Der Fuchs läuft über die Straße. ", n); }

String UpperZbutil(String const& text) { return text.Uppercase(String()); }

// Boost and the facet map through the C++ global locale, which ScopedLocale sets.
std::string UpperBoost(String const& text) {
  return boost::to_upper_copy(static_cast<std::string const&>(text));
}

std::string UpperAbsl(String const& text) { return absl::AsciiStrToUpper(text); }

std::string UpperStd(String const& text) {
  std::string copy(text);
  std::use_facet<std::ctype<char>>(std::locale()).toupper(copy.data(), copy.data() + copy.size());
  return copy;
}

// A transformation of the shared input that returns a new text, checked against
// zbutil's, in the given locale.
template <std::string (*Make)(int64_t), auto Transform, auto Zbutil, Locale kLocale = Locale::kC>
void Transformed(benchmark::State& state) {
  const ScopedLocale locale(kLocale);
  if (!locale.IsSet()) return state.SkipWithError("no C.UTF-8 locale");
  String const& text = SharedInput(Make, state.range(0));
  if (Transform(text) != Zbutil(text)) state.SkipWithError("differs from zbutil's");
  for (auto _ : state) benchmark::DoNotOptimize(Transform(text));
}

// The families, each checked against zbutil's own result.
template <std::string (*Make)(int64_t), auto Transform>
struct Replaced {
  static void Run(benchmark::State& state) { Transformed<Make, Transform, ReplaceZbutil>(state); }
};
template <std::string (*Make)(int64_t), auto Transform>
struct Stripped {
  static void Run(benchmark::State& state) { Transformed<Make, Transform, StripZbutil>(state); }
};
template <std::string (*Make)(int64_t), auto Transform>
struct Trimmed {
  static void Run(benchmark::State& state) { Transformed<Make, Transform, TrimZbutil>(state); }
};
template <std::string (*Make)(int64_t), Locale kLocale, auto Transform>
struct Upper {
  static void Run(benchmark::State& state) {
    Transformed<Make, Transform, UpperZbutil, kLocale>(state);
  }
};

// An escape every four bytes.
void UnescapeZbutil(benchmark::State& state) {
  const String text(Repeated("a\\,b", state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(text.GetStringWithoutEscapeChars());
}

}  // namespace

ZBUTIL_BENCH_SHAPE(Replace, many, zbutil, Replaced<ManyMatches, ReplaceZbutil>::Run);
ZBUTIL_BENCH_SHAPE(Replace, many, boost, Replaced<ManyMatches, ReplaceBoost>::Run);
ZBUTIL_BENCH_SHAPE(Replace, many, absl, Replaced<ManyMatches, ReplaceAbsl>::Run);
ZBUTIL_BENCH_SHAPE(Replace, few, zbutil, Replaced<FewMatches, ReplaceZbutil>::Run);
ZBUTIL_BENCH_SHAPE(Replace, few, boost, Replaced<FewMatches, ReplaceBoost>::Run);
ZBUTIL_BENCH_SHAPE(Replace, few, absl, Replaced<FewMatches, ReplaceAbsl>::Run);
ZBUTIL_BENCH_SHAPE(TrimWhiteSpaces, padded, zbutil, Stripped<BlankPadded, StripZbutil>::Run);
ZBUTIL_BENCH_SHAPE(TrimWhiteSpaces, padded, boost, Stripped<BlankPadded, StripBoost>::Run);
ZBUTIL_BENCH_SHAPE(TrimWhiteSpaces, padded, absl, Stripped<BlankPadded, StripAbsl>::Run);
ZBUTIL_BENCH_SHAPE(TrimWhiteSpaces, padded, std, Stripped<BlankPadded, StripStd>::Run);
ZBUTIL_BENCH_SHAPE(TrimWhiteSpaces, bare, zbutil, Stripped<Bare, StripZbutil>::Run);
ZBUTIL_BENCH_SHAPE(TrimWhiteSpaces, bare, boost, Stripped<Bare, StripBoost>::Run);
ZBUTIL_BENCH_SHAPE(TrimWhiteSpaces, bare, absl, Stripped<Bare, StripAbsl>::Run);
ZBUTIL_BENCH_SHAPE(TrimWhiteSpaces, bare, std, Stripped<Bare, StripStd>::Run);
ZBUTIL_BENCH_SHAPE(Trim, padded, zbutil, Trimmed<XPadded, TrimZbutil>::Run);
ZBUTIL_BENCH_SHAPE(Trim, padded, boost, Trimmed<XPadded, TrimBoost>::Run);
ZBUTIL_BENCH_SHAPE(Trim, padded, std, Trimmed<XPadded, TrimStd>::Run);
ZBUTIL_BENCH_SHAPE(Trim, bare, zbutil, Trimmed<Bare, TrimZbutil>::Run);
ZBUTIL_BENCH_SHAPE(Trim, bare, boost, Trimmed<Bare, TrimBoost>::Run);
ZBUTIL_BENCH_SHAPE(Trim, bare, std, Trimmed<Bare, TrimStd>::Run);
ZBUTIL_BENCH_SHAPE(Uppercase, c, zbutil, Upper<Prose, Locale::kC, UpperZbutil>::Run);
ZBUTIL_BENCH_SHAPE(Uppercase, c, boost, Upper<Prose, Locale::kC, UpperBoost>::Run);
ZBUTIL_BENCH_SHAPE(Uppercase, c, absl, Upper<Prose, Locale::kC, UpperAbsl>::Run);
ZBUTIL_BENCH_SHAPE(Uppercase, c, std, Upper<Prose, Locale::kC, UpperStd>::Run);
ZBUTIL_BENCH_SHAPE(Uppercase, utf8, zbutil, Upper<ProseUtf8, Locale::kUtf8, UpperZbutil>::Run);
ZBUTIL_BENCH_SHAPE(Uppercase, utf8, boost, Upper<ProseUtf8, Locale::kUtf8, UpperBoost>::Run);
ZBUTIL_BENCH_SHAPE(Uppercase, utf8, absl, Upper<ProseUtf8, Locale::kUtf8, UpperAbsl>::Run);
ZBUTIL_BENCH_SHAPE(Uppercase, utf8, std, Upper<ProseUtf8, Locale::kUtf8, UpperStd>::Run);
BENCHMARK(UnescapeZbutil)->Name("Unescape/zbutil")->Apply(zbutil_bench::AtThreeSizes);

BENCHMARK_MAIN();
