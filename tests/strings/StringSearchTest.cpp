#include <gtest/gtest.h>

#include <string>

#include "Latin1Locale.h"
#include "ScopedLocale.h"
#include "strings/AnsiString.h"
#include "strings/ReRegEx.h"
#include "strings/String.h"

namespace {

using namespace std::string_literals;

constexpr size_t npos = std::string::npos;

TEST(StringFindIcase, FindsTheFirstOccurrenceWhateverItsCase) {
  EXPECT_EQ(String("Hello World").find_icase("WORLD"), 6u);
  EXPECT_EQ(String("Hello World").find_icase("world", 6), 6u);
  EXPECT_EQ(String("Hello World").find_icase("world", 7), npos);
  EXPECT_EQ(String("abcABC").find_icase("C"), 2u);
  EXPECT_EQ(String("abcABC").find_icase("c", 3), 5u);
  EXPECT_EQ(String("ab").find_icase("abc"), npos);
  EXPECT_EQ(AnsiString("Hello World").find_icase(AnsiString("WORLD")), 6u);
  EXPECT_EQ(AnsiString("abcABC").find_icase(AnsiString("c"), 3), 5u);
}

TEST(StringFindIcase, StartPositionsAtAndBeyondTheEnd) {
  const String s("abc");
  EXPECT_EQ(String().find_icase(""), 0u);
  EXPECT_EQ(s.find_icase("", 3), 3u);
  EXPECT_EQ(s.find_icase("", 4), npos);
  EXPECT_EQ(s.find_icase("", -1), npos);
  EXPECT_EQ(s.find_icase("C", 2), 2u);
  EXPECT_EQ(AnsiString("abc").find_icase(AnsiString(""), -2), npos);
}

TEST(StringFindIcase, OnlyTextBeforeTheFirstNulTakesPart) {
  const String s("ab\0cd"s);
  EXPECT_EQ(s.find_icase("cd"), npos);
  EXPECT_EQ(s.find_icase("", 3), npos);  // the searched text is two bytes long
  EXPECT_EQ(String("xab").find_icase(String("b\0x"s)), 2u);
  EXPECT_FALSE(s.IsSubString("CD"));
  EXPECT_EQ(AnsiString("ab\0cd"s.c_str()).find_icase(AnsiString("cd")), npos);
}

TEST(StringFindIcase, LongNeedlesWithRepeatedPrefixes) {
  // A naive scan backtracks here; the result must still be the first occurrence.
  const std::string needle = std::string(50, 'a') + "b";
  const String text(std::string(200, 'A') + "AB" + std::string(60, 'a') + "b");
  EXPECT_EQ(text.find_icase(String(needle)), 151u);
  EXPECT_EQ(text.find_icase(String(needle), 152), 212u);
}

TEST(StringFindIcase, FoldingFollowsTheLocale) {
  {
    ScopedLocale posix("C");
    ASSERT_TRUE(posix.ok());
    EXPECT_EQ(String("x\xe9").find_icase("\xe9"), 1u);
    EXPECT_EQ(String("x\xe9").find_icase("\xc9"), npos);
    EXPECT_FALSE(String("x\xe9").IsSubString("\xc9"));
  }
  {
    // UTF-8 folds whole characters, not bytes: byte by byte nothing changes.
    ScopedLocale utf8("C.UTF-8");
    ASSERT_TRUE(utf8.ok());
    EXPECT_EQ(String("caf\xc3\xa9").find_icase("\xc3\x89"), npos);
    EXPECT_EQ(String("caf\xc3\xa9").find_icase("AF"), 1u);
  }
  ScopedLatin1Locale latin1;
  ASSERT_TRUE(latin1.ok());
  EXPECT_EQ(String("x\xe9").find_icase("\xc9"), 1u);
  EXPECT_EQ(AnsiString("x\xe9").find_icase(AnsiString("\xc9")), 1u);
  EXPECT_TRUE(String("CAF\xc9").IsSubString("f\xe9"));
}

TEST(StringIsSubString, IgnoresCase) {
  EXPECT_TRUE(String("Hello").IsSubString("ELL"));
  EXPECT_FALSE(String("Hello").IsSubString("hello world"));
  EXPECT_TRUE(String("Hello").IsSubString(""));
  EXPECT_TRUE(String().IsSubString(""));
  EXPECT_FALSE(String().IsSubString("a"));
}

TEST(StringRegularExpression, NothingMatches) {
  EXPECT_FALSE(String("abc").MatchesRegularExpression(""));
  EXPECT_FALSE(String("abc").MatchesRegularExpression(".*"));
  EXPECT_FALSE(String("abc").MatchesRegularExpression("abc"));

  ReRegEx regex;
  EXPECT_EQ(regex.Parse(""), static_cast<int32_t>(0xF0000005u));
  EXPECT_LT(regex.Parse(""), 0);
  EXPECT_EQ(regex.Parse("a"), 0);
  bool matched = true;
  EXPECT_EQ(regex.Match("a", matched), 0);
  EXPECT_FALSE(matched);
}

}  // namespace
