#include "tokenizer/ReParser.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Tokens = std::vector<std::string>;

struct Case {
  std::string text, delimiter;
  Tokens list;
  Tokens sequence{};  // when the sequential reading differs from the list
  char escape = '!';
};

// The token list and the sequential reading of each text, escape character '!' unless
// told. After the last token the sequential reading looks for no more delimiters.
TEST(ReParserReadings, TokensOfBothReadings) {
  for (Case const& c :
       std::vector<Case>{{"a;b;c", ReParser::sm_pszSemicolon, {"a", "b", "c"}},
                         {",a,,b", ReParser::sm_pszComma, {"", "a", "", "b"}},
                         {"a;b", "", {"a;b"}},
                         {"x:::y", "::", {"x", ":y"}},
                         {"a!;b!;c;d", ";", {"a;b;c", "d"}},
                         {"a!!;b", ";", {"a!;b"}},
                         {"a!;;b!", ";", {"a;", "b!"}},
                         {"x!::y::z", "::", {"x::y", "z"}},
                         // An escape character that starts a token escapes the delimiter after it.
                         {"!;a;!;b", ";", {";a", ";b"}},
                         {"", ";", {}},
                         // Only the list has a final empty token; only the sequential reading ends
                         // at a NUL byte; the delimiter is matched with all of its bytes.
                         {"a;", ";", {"a", ""}, {"a"}},
                         {"a!;", ";", {"a;"}},
                         {"a;b\0c;d"s, ";", {"a", "b\0c"s, "d"}, {"a", "b"}},
                         {"a!;\0b;c"s, ";", {"a;\0b"s, "c"}, {"a;"}},
                         {"ab\0c"s, "", {"ab\0c"s}, {"ab"}},
                         {"a\0b"s, "\0"s, {"a", "b"}, {"a"}},
                         {"a;b", ";\0"s, {"a;b"}},
                         // An escape character that the delimiter contains follows the same
                         // rule: only the byte before an occurrence, inside the token, escapes.
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
    EXPECT_EQ(parser.GetToken(), "");
    EXPECT_EQ(parser.MoreDelimiterExists(), c.delimiter.empty());
  }
}

TEST(ReParserSequential, LooksAheadOnlyUpToTheFirstNul) {
  ReParser parser("a;b!;c\0;d"s, ";", '!');
  EXPECT_TRUE(parser.MoreDelimiterExists());
  EXPECT_EQ(parser.GetToken(), "a");
  EXPECT_TRUE(parser.MoreDelimiterExists());  // escaped ones count
  EXPECT_EQ(parser.GetRemaining(), "b!;c");   // escapes untouched
  EXPECT_FALSE(parser.MoreTokens());
  ReParser beyondNul("a;b\0;"s, ";", '!');
  beyondNul.GetToken();
  EXPECT_FALSE(beyondNul.MoreDelimiterExists());
  EXPECT_TRUE(beyondNul.MoreTokens());
}

TEST(ReParserList, InitializeAppendsFromThePositionAndIndexIsChecked) {
  ReParser parser("a;b;c", ";", '!');
  EXPECT_EQ(parser.GetToken(), "a");
  parser.InitializeTokensInVector();
  EXPECT_EQ(parser.GetTokenCount(), 5u);
  EXPECT_EQ(parser[3], "b");
  EXPECT_EQ(parser.GetToken(), "b");
  EXPECT_THROW(parser[5], std::out_of_range);
  EXPECT_THROW(parser[static_cast<unsigned long>(-1)], std::out_of_range);
}

}  // namespace
