#include "tokenizer/ReParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Tokens = std::vector<std::string>;

struct Case {
  std::string text, delimiter;
  Tokens list;
  Tokens sequence{};  // when the sequential reading differs from the list
  char escape = '!';
};

// Where the reparser fuzz target checks nothing but memory: an escape character that
// the delimiter contains, and the sequential reading after a final delimiter. The
// rest (NUL bytes, escapes apart from the delimiter, GetRemaining, the list from the
// position, the index check) it checks against a reference.
TEST(ReParserReadings, TokensOfBothReadings) {
  for (Case const& c :
       std::vector<Case>{// Only the list has a final empty token.
                         {"a;", ";", {"a", ""}, {"a"}},
                         // Only the byte before an occurrence, inside the token, escapes.
                         {"a;;b", ";", {"a", "", "b"}, {}, ';'},
                         {";;", ";", {"", "", ""}, {"", ""}, ';'},
                         {"a!;b", "!;", {"a", "b"}},
                         {"a!!;b!;c", "!;", {"a!;b", "c"}},
                         {"x;;;y", ";;", {"x", ";y"}, {}, ';'}}) {
    SCOPED_TRACE("text '" + c.text + "', delimiter '" + c.delimiter + "'");
    ReParser parser(c.text, c.delimiter, c.escape);
    Tokens list, sequence;
    for (unsigned long i = 0; i < parser.GetTokenCount(); ++i) list.push_back(parser[i]);
    while (parser.MoreTokens()) sequence.push_back(parser.GetToken());
    EXPECT_EQ(list, c.list);
    EXPECT_EQ(sequence, c.sequence.empty() ? c.list : c.sequence);
  }
}

}  // namespace
