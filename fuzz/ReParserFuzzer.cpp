// Fuzz target: ReParser on arbitrary text, delimiter and escape character. The token
// list is checked against a plain reference written from the header comment, and the
// sequential reading against the list where the two readings must agree.

#include <fuzzer/FuzzedDataProvider.h>
#include <stdint.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "tokenizer/ReParser.h"

namespace {

using fuzz::BeforeNul;
using Tokens = std::vector<std::string>;

constexpr size_t kNpos = std::string::npos;

// The token list of text from pos: n unescaped delimiters give n + 1 tokens, NULs are
// ordinary bytes. Only for an escape character that the delimiter does not contain.
Tokens ReferenceTokens(std::string const& text, size_t pos, std::string const& delimiter,
                       char escape) {
  Tokens tokens;
  if (text.empty()) return tokens;
  if (delimiter.empty()) return {text.substr(pos)};
  std::string token;
  size_t tokenStart = pos;  // an occurrence right there is never escaped
  size_t from = pos;
  for (size_t hit = text.find(delimiter, from);; hit = text.find(delimiter, from)) {
    if (hit == kNpos) {
      tokens.push_back(token + text.substr(from));
      return tokens;
    }
    if (hit > tokenStart && text[hit - 1] == escape) {
      token += text.substr(from, hit - 1 - from) + delimiter;
    } else {
      tokens.push_back(token + text.substr(from, hit - from));
      token.clear();
      tokenStart = hit + delimiter.size();
    }
    from = hit + delimiter.size();
  }
}

// Opens up the position of the sequential reading.
class ProbeParser : public ReParser {
 public:
  using ReParser::ReParser;
  size_t Position() const { return m_ulPos; }
};

Tokens List(ReParser const& parser, unsigned long from = 0) {
  Tokens tokens;
  for (unsigned long i = from; i < parser.GetTokenCount(); ++i) tokens.push_back(parser[i]);
  return tokens;
}

// Reads sequentially to the end, checking MoreDelimiterExists before every token, or
// stops after `stopAfter` tokens and checks GetRemaining and the list continued from
// the position.
Tokens ReadSequentially(ProbeParser& parser, std::string const& text, std::string const& delimiter,
                        char escape, size_t stopAfter) {
  Tokens tokens;
  while (parser.MoreTokens()) {
    const std::string rest = BeforeNul(text.substr(parser.Position()));
    if (tokens.size() == stopAfter) {
      const unsigned long count = parser.GetTokenCount();
      parser.InitializeTokensInVector();
      if (delimiter.find(escape) == kNpos) {
        FUZZ_CHECK(List(parser, count) ==
                   ReferenceTokens(text, parser.Position(), delimiter, escape));
      }
      FUZZ_CHECK(parser.GetRemaining() == rest);
      FUZZ_CHECK(!parser.MoreTokens() && parser.GetToken().empty());
      break;
    }
    FUZZ_CHECK(parser.MoreDelimiterExists() ==
               (delimiter.empty() || rest.find(delimiter) != kNpos));
    tokens.push_back(parser.GetToken());
    FUZZ_CHECK(parser.Position() <= text.size());
  }
  return tokens;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string delimiter = in.ConsumeRandomLengthString(8);
  const char escape = in.ConsumeIntegral<char>();
  const size_t stopAfter = in.ConsumeIntegralInRange<size_t>(0, 64);
  const std::string text = in.ConsumeRemainingBytesAsString();

  ProbeParser parser(text, delimiter, escape);
  const Tokens list = List(parser);
  bool refused = false;
  try {
    parser[parser.GetTokenCount()];
  } catch (std::out_of_range const&) {
    refused = true;
  }
  FUZZ_CHECK(refused);

  // With the escape character inside the delimiter the results are unspecified: only
  // memory safety is checked then.
  const bool escapeApart = delimiter.find(escape) == kNpos;
  if (escapeApart) FUZZ_CHECK(list == ReferenceTokens(text, 0, delimiter, escape));

  const Tokens read = ReadSequentially(parser, text, delimiter, escape, kNpos);
  FUZZ_CHECK(List(parser) == list);  // the sequential reading leaves the list alone
  const std::string before = BeforeNul(text);
  if (escapeApart && before.size() == text.size()) {
    const bool endsWithDelimiter =
        !delimiter.empty() && text.size() >= delimiter.size() &&
        text.compare(text.size() - delimiter.size(), delimiter.size(), delimiter) == 0;
    if (!endsWithDelimiter) {
      FUZZ_CHECK(read == list);
    } else {
      // After a final unescaped delimiter the list has one more token, an empty one.
      Tokens shorter(list);
      if (!shorter.empty() && shorter.back().empty()) shorter.pop_back();
      FUZZ_CHECK(read == list || read == shorter);
    }
  } else if (escapeApart) {
    // The sequential reading ends at the first NUL; the position is not at the end
    // there yet, so a final empty token is still returned.
    const ReParser untilNul(before, delimiter, escape);
    FUZZ_CHECK(read == (before.empty() ? Tokens{""} : List(untilNul)));
  }

  ProbeParser partial(text, delimiter, escape);
  ReadSequentially(partial, text, delimiter, escape, stopAfter);
  return 0;
}
