#include "tokenizer/ReParser.h"

#include <gtest/gtest.h>
#include <string.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Tokens = std::vector<std::string>;

Tokens ListOf(ReParser const& parser) {
  Tokens tokens;
  for (unsigned long i = 0; i < parser.GetTokenCount(); ++i) tokens.push_back(parser[i]);
  return tokens;
}

Tokens SequenceOf(ReParser& parser) {
  Tokens tokens;
  while (parser.MoreTokens()) tokens.push_back(parser.GetToken());
  return tokens;
}

struct Case {
  std::string text;
  std::string delimiter;
  Tokens tokens;
};

// Texts without NUL bytes and without a delimiter at the end, where the token list
// and the sequential reading must give the same tokens.
TEST(ReParserReadings, AgreeOnTheSameTexts) {
  const std::vector<Case> cases = {
      {"a;b;c", ";", {"a", "b", "c"}},
      {"a;;b", ";", {"a", "", "b"}},
      {";a", ";", {"", "a"}},
      {";;a", ";;", {"", "a"}},
      {"abc", ";", {"abc"}},
      {"a;b", "", {"a;b"}},
      {"x::y::z", "::", {"x", "y", "z"}},
      {"x:::y", "::", {"x", ":y"}},
      {"x::::y", "::", {"x", "", "y"}},
      // Escapes: dropped before a delimiter, kept everywhere else.
      {"a!;b;c", ";", {"a;b", "c"}},
      {"a!!;b", ";", {"a!;b"}},
      {"a!;b!;c;d", ";", {"a;b;c", "d"}},
      {"a!;;b", ";", {"a;", "b"}},
      {"a!b;c!", ";", {"a!b", "c!"}},
      {"x!::y::z", "::", {"x::y", "z"}},
      {"x:!:y", "::", {"x:!:y"}},
      // An escape character that starts a token still escapes the delimiter after it.
      {"!;a", ";", {";a"}},
      {"a;!;b;c", ";", {"a", ";b", "c"}},
      {"a;!", ";", {"a", "!"}},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE("text '" + c.text + "', delimiter '" + c.delimiter + "'");
    ReParser parser(c.text, c.delimiter, '!');
    EXPECT_EQ(ListOf(parser), c.tokens);
    EXPECT_EQ(SequenceOf(parser), c.tokens);
    EXPECT_FALSE(parser.MoreTokens());
    EXPECT_EQ(parser.GetToken(), "");
  }
}

TEST(ReParserReadings, OnlyTheListKeepsAFinalEmptyToken) {
  ReParser parser("a;", ";", '!');
  EXPECT_EQ(ListOf(parser), (Tokens{"a", ""}));
  EXPECT_EQ(SequenceOf(parser), (Tokens{"a"}));

  // An escaped delimiter at the end ends no token.
  ReParser escaped("a!;", ";", '!');
  EXPECT_EQ(ListOf(escaped), (Tokens{"a;"}));
  EXPECT_EQ(SequenceOf(escaped), (Tokens{"a;"}));
}

TEST(ReParserReadings, EmptyTextHasNoTokens) {
  ReParser parser("", ";", '!');
  EXPECT_EQ(parser.GetTokenCount(), 0u);
  EXPECT_FALSE(parser.MoreTokens());
  EXPECT_FALSE(parser.MoreDelimiterExists());
  EXPECT_EQ(parser.GetToken(), "");
  EXPECT_EQ(parser.GetRemaining(), "");

  ReParser noDelimiter("", "", '!');
  EXPECT_EQ(noDelimiter.GetTokenCount(), 0u);
  EXPECT_TRUE(noDelimiter.MoreDelimiterExists());
}

TEST(ReParserReadings, NulBytesEndOnlyTheSequentialReading) {
  ReParser parser("a;b\0c;d"s, ";", '!');
  EXPECT_EQ(ListOf(parser), (Tokens{"a", "b\0c"s, "d"}));
  EXPECT_EQ(parser.GetToken(), "a");
  EXPECT_FALSE(parser.MoreDelimiterExists());  // the next one lies beyond the NUL
  EXPECT_EQ(parser.GetToken(), "b");
  EXPECT_FALSE(parser.MoreTokens());

  ReParser remaining("a;b\0c"s, ";", '!');
  remaining.GetToken();
  EXPECT_EQ(remaining.GetRemaining(), "b");
  EXPECT_FALSE(remaining.MoreTokens());

  // A NUL right after an escaped delimiter ends the token there.
  ReParser escaped("a!;\0b;c"s, ";", '!');
  EXPECT_EQ(ListOf(escaped), (Tokens{"a;\0b"s, "c"}));
  EXPECT_EQ(SequenceOf(escaped), (Tokens{"a;"}));

  ReParser wholeText("ab\0c"s, "", '!');
  EXPECT_EQ(ListOf(wholeText), (Tokens{"ab\0c"s}));
  EXPECT_EQ(SequenceOf(wholeText), (Tokens{"ab"}));
}

TEST(ReParserReadings, DelimiterIsMatchedWithAllItsBytes) {
  ReParser parser("a\0b"s, "\0"s, '!');
  EXPECT_EQ(ListOf(parser), (Tokens{"a", "b"}));
  EXPECT_FALSE(parser.MoreDelimiterExists());
  EXPECT_EQ(SequenceOf(parser), (Tokens{"a"}));

  ReParser longer("a;b;c", ";\0"s, '!');
  EXPECT_EQ(ListOf(longer), (Tokens{"a;b;c"}));
}

TEST(ReParserSequential, GetRemainingTakesTheRestUnresolved) {
  ReParser parser("a;b!;c;d", ";", '!');
  EXPECT_EQ(parser.GetToken(), "a");
  EXPECT_EQ(parser.GetRemaining(), "b!;c;d");
  EXPECT_FALSE(parser.MoreTokens());
  EXPECT_EQ(parser.GetToken(), "");
  EXPECT_EQ(parser.GetRemaining(), "");
}

TEST(ReParserSequential, MoreDelimiterExistsLooksOnlyAhead) {
  ReParser parser("a;b", ";", '!');
  EXPECT_TRUE(parser.MoreDelimiterExists());
  EXPECT_EQ(parser.GetToken(), "a");
  EXPECT_FALSE(parser.MoreDelimiterExists());
  EXPECT_TRUE(parser.MoreTokens());

  ReParser escaped("a!;b", ";", '!');
  EXPECT_TRUE(escaped.MoreDelimiterExists());  // escaped occurrences count

  ReParser noDelimiter("abc", "", '!');
  EXPECT_EQ(noDelimiter.GetToken(), "abc");
  EXPECT_TRUE(noDelimiter.MoreDelimiterExists());
}

TEST(ReParserList, InitializeAppendsFromThePositionWithoutMovingIt) {
  ReParser parser("a;b;c", ";", '!');
  EXPECT_EQ(parser.GetToken(), "a");
  EXPECT_EQ(parser.GetTokenCount(), 3u);  // reading does not touch the list
  parser.InitializeTokensInVector();
  EXPECT_EQ(ListOf(parser), (Tokens{"a", "b", "c", "b", "c"}));
  EXPECT_EQ(parser.GetToken(), "b");

  ReParser whole("a;b", "", '!');
  whole.GetToken();
  whole.InitializeTokensInVector();
  EXPECT_EQ(ListOf(whole), (Tokens{"a;b", ""}));
}

TEST(ReParserList, IndexReturnsCopiesAndRefusesOutOfRange) {
  ReParser parser("a;b", ";", '!');
  String first = parser[0];
  first.append("changed");
  EXPECT_EQ(parser[0], "a");
  EXPECT_THROW(parser[2], std::out_of_range);
  EXPECT_THROW(parser[static_cast<unsigned long>(-1)], std::out_of_range);
  EXPECT_THROW(ReParser("", ";", '!')[0], std::out_of_range);
}

TEST(ReParserStatics, NameTheCommonDelimiters) {
  EXPECT_STREQ(ReParser::sm_pszSemicolon, ";");
  EXPECT_STREQ(ReParser::sm_pszComma, ",");
}

}  // namespace
