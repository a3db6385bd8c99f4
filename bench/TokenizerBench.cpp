// ReParser's token list against boost::tokenizer with escaped_list_separator, both
// collecting every token into a vector, at about 100 B, 10 KiB and 1 MiB.
//
// The two agree on plain fields: one delimiter byte, empty fields kept, a final empty
// field after a final delimiter. They differ in escaping, so the escaped inputs are
// written in each one's own syntax for the same tokens: ReParser keeps a delimiter
// when the escape byte stands right before it ("a\,b"), while escaped_list_separator
// knows no escaped delimiter (it throws on "\,") and protects it with quotes
// ("\"a,b\""). Elsewhere escaped_list_separator translates "\n" and "\\" and drops
// quotes, ReParser keeps such bytes; ReParser also takes delimiters of several bytes.

#include <algorithm>
#include <boost/tokenizer.hpp>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "tokenizer/ReParser.h"

namespace {

using zbutil_bench::AtThreeSizes;

using BoostTokenizer = boost::tokenizer<boost::escaped_list_separator<char>>;

// count copies of unit.
std::string Units(std::string const& unit, int64_t count) {
  std::string text;
  for (int64_t i = 0; i < count; ++i) text += unit;
  return text;
}

// How many copies of unit fit in n bytes, at least one.
int64_t Fitting(std::string const& unit, int64_t n) {
  return std::max<int64_t>(1, n / static_cast<int64_t>(unit.size()));
}

// The text each side reads, for the same tokens; sizes are those of ReParser's text.
struct Inputs {
  std::string zbutil;
  std::string boost;
};

Inputs PlainInputs(int64_t n) {
  const std::string unit = "alpha,beta,,gamma,";
  const std::string text = Units(unit, Fitting(unit, n));
  return {text, text};
}

// One escaped delimiter in every other token.
Inputs EscapedInputs(int64_t n) {
  const std::string unit = "alpha\\,beta,gamma,";
  const int64_t count = Fitting(unit, n);
  return {Units(unit, count), Units("\"alpha,beta\",gamma,", count)};
}

std::vector<std::string> BoostTokens(std::string const& text) {
  const BoostTokenizer tokens(text, boost::escaped_list_separator<char>('\\', ',', '"'));
  return std::vector<std::string>(tokens.begin(), tokens.end());
}

std::vector<std::string> ZbutilTokens(std::string const& text) {
  const ReParser parser(text, ",", '\\');
  std::vector<std::string> tokens;
  for (unsigned long i = 0; i < parser.GetTokenCount(); ++i) tokens.push_back(parser[i]);
  return tokens;
}

template <Inputs (*Make)(int64_t)>
void TokenizeZbutil(benchmark::State& state) {
  const Inputs inputs = Make(state.range(0));
  if (ZbutilTokens(inputs.zbutil) != BoostTokens(inputs.boost)) {
    state.SkipWithError("tokens differ from Boost's");
  }
  const String text(inputs.zbutil);
  const String delimiter(",");
  for (auto _ : state) {
    const ReParser parser(text, delimiter, '\\');
    benchmark::DoNotOptimize(parser.GetTokenCount());
  }
}

template <Inputs (*Make)(int64_t)>
void TokenizeBoost(benchmark::State& state) {
  const std::string text = Make(state.range(0)).boost;
  for (auto _ : state) benchmark::DoNotOptimize(BoostTokens(text));
}

}  // namespace

BENCHMARK(TokenizeZbutil<PlainInputs>)->Name("Tokenize/zbutil")->Apply(AtThreeSizes);
BENCHMARK(TokenizeBoost<PlainInputs>)->Name("Tokenize/boost")->Apply(AtThreeSizes);
BENCHMARK(TokenizeZbutil<EscapedInputs>)->Name("TokenizeEscaped/zbutil")->Apply(AtThreeSizes);
BENCHMARK(TokenizeBoost<EscapedInputs>)->Name("TokenizeEscaped/boost")->Apply(AtThreeSizes);

BENCHMARK_MAIN();
