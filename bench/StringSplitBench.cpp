// StringSplit against Boost.StringAlgo and Abseil, at about 100 B, 10 KiB and 1 MiB,
// each peer splitting at the same delimiter, stripping the same white space from every
// field and, where empty fields are skipped, leaving out those empty after stripping.
//
// Shapes: short fields (at most 7 bytes, which fit the standard string's short
// buffer) and long ones (5 to 30 bytes, as in log lines and CSV), with empty fields
// kept and skipped. Both texts hold empty and blank fields. The fields are checked to
// be the same before timing.

#include <absl/strings/str_split.h>
#include <absl/strings/strip.h>

#include <algorithm>
#include <boost/algorithm/string.hpp>
#include <iterator>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "strings/String.h"

namespace {

using zbutil_bench::Repeated;
using zbutil_bench::SharedInput;

constexpr char kWhiteSpace[] = " \t\n\r";

// A field every 4 bytes on average, one in two empty after stripping.
std::string ShortFields(int64_t n) { return Repeated(" ab  c ,,xy, \t,", n); }

// Fields of 5 to 30 bytes, one every 20 bytes or so, some of them empty or blank,
// each followed by a comma while they fit; dots fill the rest.
std::string LongFields(int64_t n) {
  static char const* const kFields[] = {
      " alpha bravo charlie delta ",   "echo foxtrot", "",    "golf hotel india juliett kilo",
      " lima mike november ",          "oscar",        " \t", "papa quebec romeo sierra tango",
      "uniform victor whiskey x-ray ", "yankee zulu"};
  std::string text;
  for (size_t i = 0;; ++i) {
    const std::string field = std::string(kFields[i % std::size(kFields)]) + ",";
    if (static_cast<int64_t>(text.size() + field.size()) > n) break;
    text += field;
  }
  return text + std::string(static_cast<size_t>(n) - text.size(), '.');
}

template <bool kKeepEmpty>
std::vector<String> SplitZbutil(String const& text) {
  return text.StringSplit(",", kKeepEmpty);
}

template <bool kKeepEmpty>
std::vector<std::string> SplitBoost(String const& text) {
  std::vector<std::string> fields;
  boost::split(fields, text, boost::is_any_of(","), boost::token_compress_off);
  for (std::string& field : fields) boost::trim_if(field, boost::is_any_of(kWhiteSpace));
  if (!kKeepEmpty) {
    fields.erase(std::remove_if(fields.begin(), fields.end(),
                                [](std::string const& field) { return field.empty(); }),
                 fields.end());
  }
  return fields;
}

// Abseil's quickest way to owned fields: the conversion of the splitter to a vector,
// then stripping in place; SkipWhitespace leaves out the fields that stripping would
// empty. Abseil's white space includes \v and \f too; the inputs have neither.
template <bool kKeepEmpty>
std::vector<std::string> SplitAbsl(String const& text) {
  std::vector<std::string> fields;
  if (kKeepEmpty) {
    fields = absl::StrSplit(text, absl::ByAnyChar(","));
  } else {
    fields = absl::StrSplit(text, absl::ByAnyChar(","), absl::SkipWhitespace());
  }
  for (std::string& field : fields) absl::StripAsciiWhitespace(&field);
  return fields;
}

template <std::string (*Make)(int64_t), bool kKeepEmpty, typename Fields,
          Fields (*Split)(String const&)>
void StringSplit(benchmark::State& state) {
  String const& text = SharedInput(Make, state.range(0));
  const Fields fields = Split(text);
  const std::vector<String> expected = SplitZbutil<kKeepEmpty>(text);
  if (!std::equal(fields.begin(), fields.end(), expected.begin(), expected.end())) {
    state.SkipWithError("fields differ from zbutil's");
  }
  for (auto _ : state) benchmark::DoNotOptimize(Split(text));
}

template <std::string (*Make)(int64_t), bool kKeepEmpty>
struct Sides {
  static void Zbutil(benchmark::State& state) {
    StringSplit<Make, kKeepEmpty, std::vector<String>, SplitZbutil<kKeepEmpty>>(state);
  }
  static void Boost(benchmark::State& state) {
    StringSplit<Make, kKeepEmpty, std::vector<std::string>, SplitBoost<kKeepEmpty>>(state);
  }
  static void Absl(benchmark::State& state) {
    StringSplit<Make, kKeepEmpty, std::vector<std::string>, SplitAbsl<kKeepEmpty>>(state);
  }
};

}  // namespace

#define ZBUTIL_BENCH_SPLIT(shape, make, keepEmpty)                                \
  ZBUTIL_BENCH_SHAPE(StringSplit, shape, zbutil, Sides<make, keepEmpty>::Zbutil); \
  ZBUTIL_BENCH_SHAPE(StringSplit, shape, boost, Sides<make, keepEmpty>::Boost);   \
  ZBUTIL_BENCH_SHAPE(StringSplit, shape, absl, Sides<make, keepEmpty>::Absl)

ZBUTIL_BENCH_SPLIT(short_kept, ShortFields, true);
ZBUTIL_BENCH_SPLIT(short_skipped, ShortFields, false);
ZBUTIL_BENCH_SPLIT(long_kept, LongFields, true);
ZBUTIL_BENCH_SPLIT(long_skipped, LongFields, false);
