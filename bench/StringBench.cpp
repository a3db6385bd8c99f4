// The string operations against every peer that does the same job, at about 100 B,
// 10 KiB and 1 MiB: Boost.StringAlgo, Abseil, glibc (strcasestr) and libstdc++
// (std::search with the Boyer-Moore-Horspool searcher). Each peer's result is checked
// against the library's before timing. In the C locale of the benchmark, folding case
// the locale's way (zbutil, strcasestr) and the ASCII way (Abseil) agree. Unescape has
// no peer and is there for its growth with the size.

#include <absl/strings/ascii.h>
#include <absl/strings/str_replace.h>
#include <absl/strings/str_split.h>
#include <absl/strings/strip.h>
#include <ctype.h>
#include <string.h>

#include <algorithm>
#include <boost/algorithm/string.hpp>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchSupport.h"
#include "strings/String.h"

namespace {

using zbutil_bench::AtThreeSizes;
using zbutil_bench::Repeated;
using zbutil_bench::SharedInput;

// Mixed-case prose with the needle at its very end: a search reads every byte.
std::string SearchText(int64_t n) { return Repeated("The Quick brown Fox. ", n - 6) + "NEEDLE"; }
// Every position almost matches: a naive search compares up to 33 bytes at each.
std::string WorstCaseText(int64_t n) { return std::string(static_cast<size_t>(n), 'a'); }

template <std::string (*Make)(int64_t)>
struct Search;
template <>
struct Search<SearchText> {
  static constexpr char kNeedle[] = "needle";
};
template <>
struct Search<WorstCaseText> {
  static constexpr char kNeedle[] = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAB";
};

// Where each searcher finds the needle, as a position or npos.
size_t FoundAt(std::string const& text, char const* hit) {
  return hit == nullptr ? std::string::npos : static_cast<size_t>(hit - text.data());
}

size_t FindZbutil(String const& text, String const& needle) { return text.find_icase(needle); }

size_t FindBoost(String const& text, std::string const& needle) {
  const auto range = boost::ifind_first(text, needle);
  return range.empty() ? std::string::npos : static_cast<size_t>(range.begin() - text.begin());
}

size_t FindStrcasestr(String const& text, std::string const& needle) {
  return FoundAt(text, strcasestr(text.c_str(), needle.c_str()));
}

// std::search with the Boyer-Moore-Horspool searcher, folding through toupper.
size_t FindStdBmh(String const& text, std::string const& needle) {
  const auto fold = [](char c) { return toupper(static_cast<unsigned char>(c)); };
  const std::boyer_moore_horspool_searcher searcher(
      needle.begin(), needle.end(), [fold](char c) { return std::hash<int>()(fold(c)); },
      [fold](char a, char b) { return fold(a) == fold(b); });
  const auto hit = std::search(text.begin(), text.end(), searcher);
  return hit == text.end() ? std::string::npos : static_cast<size_t>(hit - text.begin());
}

template <std::string (*Make)(int64_t), typename Needle, size_t (*Find)(String const&, Needle)>
void FindIcase(benchmark::State& state) {
  String const& text = SharedInput(Make, state.range(0));
  const std::remove_cv_t<std::remove_reference_t<Needle>> needle(Search<Make>::kNeedle);
  if (Find(text, needle) != FindZbutil(text, String(Search<Make>::kNeedle))) {
    state.SkipWithError("finds another position than zbutil");
  }
  for (auto _ : state) benchmark::DoNotOptimize(Find(text, needle));
}

bool ContainsZbutil(String const& text, String const& part) { return text.IsSubString(part); }

bool ContainsBoost(String const& text, std::string const& part) {
  return boost::icontains(text, part);
}

bool ContainsStrcasestr(String const& text, std::string const& part) {
  return strcasestr(text.c_str(), part.c_str()) != nullptr;
}

bool ContainsStdBmh(String const& text, std::string const& part) {
  return FindStdBmh(text, part) != std::string::npos;
}

template <typename Part, bool (*Contains)(String const&, Part)>
void IsSubString(benchmark::State& state) {
  String const& text = SharedInput(SearchText, state.range(0));
  const std::remove_cv_t<std::remove_reference_t<Part>> part(Search<SearchText>::kNeedle);
  if (!Contains(text, part)) state.SkipWithError("not found");
  for (auto _ : state) benchmark::DoNotOptimize(Contains(text, part));
}

// A match every four bytes, each replaced by a longer text. Every side returns a new
// text (zbutil and Boost replace in place, so they copy the input first).
std::string ReplaceText(int64_t n) { return Repeated("ab, ", n); }
constexpr char kPattern[] = "ab";
constexpr char kReplacement[] = "xyz";

std::string ReplaceZbutil(String const& text) {
  String s(text);
  s.Replace(kPattern, kReplacement);
  return std::move(s);
}

std::string ReplaceBoost(String const& text) {
  std::string s(text);
  boost::replace_all(s, kPattern, kReplacement);
  return s;
}

std::string ReplaceAbsl(String const& text) {
  return absl::StrReplaceAll(text, {{kPattern, kReplacement}});
}

template <std::string (*Replace)(String const&)>
void ReplaceAll(benchmark::State& state) {
  String const& text = SharedInput(ReplaceText, state.range(0));
  if (Replace(text) != ReplaceZbutil(text)) state.SkipWithError("differs from zbutil's");
  for (auto _ : state) benchmark::DoNotOptimize(Replace(text));
}

// A field every eight bytes, with white space to strip; empty fields kept.
std::string SplitText(int64_t n) { return Repeated(" ab  c ,", n); }
constexpr char kWhiteSpace[] = " \t\n\r";

std::vector<String> SplitZbutil(String const& text) { return text.StringSplit(",", true); }

std::vector<std::string> SplitBoost(String const& text) {
  std::vector<std::string> fields;
  boost::split(fields, text, boost::is_any_of(","), boost::token_compress_off);
  for (std::string& field : fields) boost::trim_if(field, boost::is_any_of(kWhiteSpace));
  return fields;
}

// Abseil's quickest way to owned fields: the conversion of the splitter to a vector,
// then stripping in place. StripAsciiWhitespace strips \v and \f too; the input has
// neither.
std::vector<std::string> SplitAbsl(String const& text) {
  std::vector<std::string> fields = absl::StrSplit(text, absl::ByAnyChar(","));
  for (std::string& field : fields) absl::StripAsciiWhitespace(&field);
  return fields;
}

template <typename Fields, Fields (*Split)(String const&)>
void StringSplit(benchmark::State& state) {
  String const& text = SharedInput(SplitText, state.range(0));
  const Fields fields = Split(text);
  const std::vector<String> expected = SplitZbutil(text);
  if (!std::equal(fields.begin(), fields.end(), expected.begin(), expected.end())) {
    state.SkipWithError("fields differ from zbutil's");
  }
  for (auto _ : state) benchmark::DoNotOptimize(Split(text));
}

// Sixteen bytes to strip at either end of ordinary text.
std::string Padded(std::string const& pad, int64_t n) {
  return pad + Repeated("ab cd", n - 2 * static_cast<int64_t>(pad.size())) + pad;
}
std::string BlankPadded(int64_t n) { return Padded("  \t  \t  \r\n  \t  \t  ", n); }
std::string XPadded(int64_t n) { return Padded(std::string(16, 'x'), n); }

std::string StripZbutil(String const& text) { return text.TrimWhiteSpaces(kWhiteSpace); }

// trim_copy strips what the locale calls space: here the same bytes.
std::string StripBoost(String const& text) {
  return boost::trim_copy(static_cast<std::string const&>(text));
}

std::string StripAbsl(String const& text) { return std::string(absl::StripAsciiWhitespace(text)); }

std::string TrimZbutil(String const& text) { return text.Trim('x'); }

std::string TrimBoost(String const& text) {
  return boost::trim_copy_if(static_cast<std::string const&>(text),
                             [](char c) { return c == 'x'; });
}

// Mixed-case prose.
std::string UpperZbutil(String const& text) { return text.Uppercase(String()); }

std::string UpperBoost(String const& text) {
  return boost::to_upper_copy(static_cast<std::string const&>(text));
}

std::string UpperAbsl(String const& text) { return absl::AsciiStrToUpper(text); }

// A transformation of the shared input that returns a new text, checked against
// zbutil's.
template <std::string (*Make)(int64_t), std::string (*Transform)(String const&),
          std::string (*Zbutil)(String const&)>
void Transformed(benchmark::State& state) {
  String const& text = SharedInput(Make, state.range(0));
  if (Transform(text) != Zbutil(text)) state.SkipWithError("differs from zbutil's");
  for (auto _ : state) benchmark::DoNotOptimize(Transform(text));
}

// An escape every four bytes.
void UnescapeZbutil(benchmark::State& state) {
  const String text(Repeated("a\\,b", state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(text.GetStringWithoutEscapeChars());
}

}  // namespace

// Names are Family/variant/size: the variant zbutil is the library, the others peers.
#define ZBUTIL_BENCH(family, variant, ...) \
  BENCHMARK(__VA_ARGS__)->Name(#family "/" #variant)->Apply(AtThreeSizes)

ZBUTIL_BENCH(FindIcase, zbutil, FindIcase<SearchText, String const&, FindZbutil>);
ZBUTIL_BENCH(FindIcase, boost, FindIcase<SearchText, std::string const&, FindBoost>);
ZBUTIL_BENCH(FindIcase, strcasestr, FindIcase<SearchText, std::string const&, FindStrcasestr>);
ZBUTIL_BENCH(FindIcase, std_bmh, FindIcase<SearchText, std::string const&, FindStdBmh>);
ZBUTIL_BENCH(IsSubString, zbutil, IsSubString<String const&, ContainsZbutil>);
ZBUTIL_BENCH(IsSubString, boost, IsSubString<std::string const&, ContainsBoost>);
ZBUTIL_BENCH(IsSubString, strcasestr, IsSubString<std::string const&, ContainsStrcasestr>);
ZBUTIL_BENCH(IsSubString, std_bmh, IsSubString<std::string const&, ContainsStdBmh>);
ZBUTIL_BENCH(Replace, zbutil, ReplaceAll<ReplaceZbutil>);
ZBUTIL_BENCH(Replace, boost, ReplaceAll<ReplaceBoost>);
ZBUTIL_BENCH(Replace, absl, ReplaceAll<ReplaceAbsl>);
ZBUTIL_BENCH(StringSplit, zbutil, StringSplit<std::vector<String>, SplitZbutil>);
ZBUTIL_BENCH(StringSplit, boost, StringSplit<std::vector<std::string>, SplitBoost>);
ZBUTIL_BENCH(StringSplit, absl, StringSplit<std::vector<std::string>, SplitAbsl>);
ZBUTIL_BENCH(TrimWhiteSpaces, zbutil, Transformed<BlankPadded, StripZbutil, StripZbutil>);
ZBUTIL_BENCH(TrimWhiteSpaces, boost, Transformed<BlankPadded, StripBoost, StripZbutil>);
ZBUTIL_BENCH(TrimWhiteSpaces, absl, Transformed<BlankPadded, StripAbsl, StripZbutil>);
ZBUTIL_BENCH(Trim, zbutil, Transformed<XPadded, TrimZbutil, TrimZbutil>);
ZBUTIL_BENCH(Trim, boost, Transformed<XPadded, TrimBoost, TrimZbutil>);
ZBUTIL_BENCH(Uppercase, zbutil, Transformed<SearchText, UpperZbutil, UpperZbutil>);
ZBUTIL_BENCH(Uppercase, boost, Transformed<SearchText, UpperBoost, UpperZbutil>);
ZBUTIL_BENCH(Uppercase, absl, Transformed<SearchText, UpperAbsl, UpperZbutil>);
ZBUTIL_BENCH(Unescape, zbutil, UnescapeZbutil);
ZBUTIL_BENCH(FindIcaseWorstCase, zbutil, FindIcase<WorstCaseText, String const&, FindZbutil>);
ZBUTIL_BENCH(FindIcaseWorstCase, strcasestr,
             FindIcase<WorstCaseText, std::string const&, FindStrcasestr>);
ZBUTIL_BENCH(FindIcaseWorstCase, std_bmh, FindIcase<WorstCaseText, std::string const&, FindStdBmh>);

BENCHMARK_MAIN();
