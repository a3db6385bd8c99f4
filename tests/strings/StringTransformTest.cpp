#include <gtest/gtest.h>

#include <string>

#include "Latin1Locale.h"
#include "ScopedLocale.h"
#include "strings/AnsiString.h"
#include "strings/String.h"

namespace {

using namespace std::string_literals;

TEST(StringTrim, RemovesRunsOfOneCharacter) {
  const String s("xxabcxx");
  EXPECT_EQ(s.leftTrim('x'), "abcxx");
  EXPECT_EQ(s.rightTrim('x'), "xxabc");
  EXPECT_EQ(s.Trim('x'), "abc");
  EXPECT_EQ(s, "xxabcxx");
  EXPECT_EQ(String("abc").Trim('x'), "abc");
  EXPECT_EQ(String("xax").Trim('x'), "a");
  // Runs longer than a machine word, ending inside one.
  const String runs(std::string(9, 'x') + "ab" + std::string(17, 'x'));
  EXPECT_EQ(runs.leftTrim('x'), "ab" + std::string(17, 'x'));
  EXPECT_EQ(runs.rightTrim('x'), std::string(9, 'x') + "ab");
  EXPECT_EQ(runs.Trim('x'), "ab");
  const AnsiString a("xxabcxx");
  EXPECT_EQ(a.leftTrim('x'), "abcxx");
  EXPECT_EQ(a.rightTrim('x'), "xxabc");
  EXPECT_EQ(a.Trim('x'), "abc");
}

TEST(StringTrim, EmptyOrAllTrimmedGivesEmpty) {
  for (char c : {'x', '\0', '\xff'}) {
    const String all(20ul, c);
    EXPECT_TRUE(all.leftTrim(c).empty());
    EXPECT_TRUE(all.rightTrim(c).empty());
    EXPECT_TRUE(all.Trim(c).empty());
    EXPECT_TRUE(String().Trim(c).empty());
  }
  EXPECT_TRUE(AnsiString("yy").Trim('y').empty());
}

TEST(StringTrim, ReadsByLengthSoNulsCanBeTrimmed) {
  const String s("\0\0a\0b\0"s);
  EXPECT_EQ(s.leftTrim('\0'), "a\0b\0"s);
  EXPECT_EQ(s.rightTrim('\0'), "\0\0a\0b"s);
  EXPECT_EQ(s.Trim('\0'), "a\0b"s);
  EXPECT_EQ(String("xa\0x"s).Trim('x'), "a\0"s);
}

TEST(StringTrimWhiteSpaces, RemovesAnyByteOfTheSet) {
  const String white(" \t\n\r");
  EXPECT_EQ(String("  a b\t").TrimWhiteSpaces(white), "a b");
  EXPECT_TRUE(String(" \t \t").TrimWhiteSpaces(white).empty());
  EXPECT_TRUE(String().TrimWhiteSpaces(white).empty());
  EXPECT_EQ(String(" a ").TrimWhiteSpaces(""), " a ");
  EXPECT_EQ(String("-+a-b+").TrimWhiteSpaces("+-"), "a-b");
  // Every byte of the set counts, NULs included.
  EXPECT_EQ(String("\0 x\0"s).TrimWhiteSpaces(String(" \0"s)), "x");
  EXPECT_EQ(String("\xe9\x61\xff").TrimWhiteSpaces("\xff\xe9"), "a");
}

TEST(StringCaseMapping, StopsAtFirstNulAndFollowsTheLocale) {
  EXPECT_EQ(String("AbC").Lowercase("anything"), "abc");
  EXPECT_EQ(String("Ab\0C"s).Uppercase(""), "AB");
  EXPECT_TRUE(String("\0A"s).Uppercase("").empty());
  {
    ScopedLocale posix("C");
    ASSERT_TRUE(posix.ok());
    EXPECT_EQ(String("a\xe9").Uppercase(""), "A\xe9");
    EXPECT_EQ(String("A\xc9").Lowercase(""), "a\xc9");
  }
  ScopedLatin1Locale latin1;
  ASSERT_TRUE(latin1.ok());
  EXPECT_EQ(String("a\xe9").Uppercase(""), "A\xc9");
  EXPECT_EQ(String("A\xc9").Lowercase(""), "a\xe9");
}

TEST(StringReverse, ReversesBeforeTheFirstNulAndKeepsTheRest) {
  const String s("abc");
  const String copy = s;
  EXPECT_EQ(s.reverseString(), "cba");
  EXPECT_EQ(s, "abc");
  EXPECT_EQ(copy, "abc");
  EXPECT_EQ(String("ab\0cd"s).reverseString(), "ba\0cd"s);
  EXPECT_EQ(String("\0cd"s).reverseString(), "\0cd"s);
  EXPECT_TRUE(String().reverseString().empty());
  EXPECT_EQ(String("a").reverseString(), "a");
  const AnsiString a("abcd");
  EXPECT_EQ(a.reverseString(), "dcba");
  EXPECT_EQ(a, "abcd");
}

// Each pair: the object, then the expected result.
TEST(StringEscapes, BackslashTakesTheNextByteLiterally) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"\\", "\\"},
      {"a", "a"},
      {"a\\b", "ab"},
      {"a\\\\b", "a\\b"},
      {"\\n", "n"},
      {"\\\\", "\\"},
      {"x\\", "x\\"},
      {"x\\\\", "x\\"},
      {"x\\\\\\", "x\\"},
      {"x\\\\\\\\", "x\\\\"},
      {"\\a\\", "a\\"},
      {"a\\\0b"s, "a\0b"s},
      {"\\\0"s, "\0"s},
      {"plain text", "plain text"},
  };
  for (const auto& [in, out] : cases) {
    SCOPED_TRACE(in);
    EXPECT_EQ(String(in).GetStringWithoutEscapeChars(), out);
    // AnsiString is built from NUL-terminated text only.
    if (in.find('\0') == std::string::npos) {
      EXPECT_EQ(AnsiString(in.c_str()).GetStringWithoutEscapeChars(), out);
    }
  }
}

}  // namespace
