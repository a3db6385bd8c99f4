#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <strings.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ScopedLocale.h"
#include "strings/AnsiString.h"
#include "strings/String.h"

namespace {

using namespace std::string_literals;

constexpr size_t npos = std::string::npos;

TEST(StringCompare, SignsByUnsignedBytesAndTheCountRules) {
  EXPECT_GT(String("abd").Compare("abc", false), 0);
  EXPECT_EQ(String("abc").Compare("ABC", true), 0);
  EXPECT_GT(String("\xe9").compare_case("z"), 0);
  EXPECT_GT(String("\xe9").compare_icase("z"), 0);
  // Case-sensitive, the count is the length of the argument, whatever n is.
  EXPECT_EQ(String("abcdef").Compare("abc", 100, false), 0);
  EXPECT_LT(String("abc").Compare("abcdef", 3, false), 0);
  // Ignoring case, n is the count, and a negative one compares the whole texts.
  EXPECT_EQ(String("ABCx").Compare("abcy", 3, true), 0);
  EXPECT_EQ(String("abc").compare_icase("xyz", 0), 0);
  EXPECT_LT(String("ABCx").compare_icase("abcy", -1), 0);
  EXPECT_LT(AnsiString("ABCx").compare_icase(AnsiString("abcy"), LONG_MIN), 0);
}

// getInt saturates at the int range on every architecture; getLong at the range of
// long, whose width is the platform's.
TEST(StringNumbers, LeadingDecimalNumberOrZeroAndIntSaturates) {
  for (auto const& [text, value, wide] : std::vector<std::tuple<char const*, int, long long>>{
           {"  42abc", 42, 42},
           {"abc", 0, 0},
           {"0x1A", 0, 0},
           {"012", 12, 12},
           {"-2147483648", INT_MIN, INT_MIN},
           {"2147483648", INT_MAX, 2147483648LL},
           {"3000000000", INT_MAX, 3000000000LL},
           {"-99999999999999999999", INT_MIN, LLONG_MIN}}) {
    SCOPED_TRACE(text);
    const long expected = static_cast<long>(std::clamp<long long>(wide, LONG_MIN, LONG_MAX));
    EXPECT_EQ(String(text).getInt(), value);
    EXPECT_EQ(AnsiString(text).getInt(), value);
    EXPECT_EQ(String(text).getLong(), expected);
    EXPECT_EQ(AnsiString(text).getLong(), expected);
  }
}

// From 0 the one-argument form and IsSubString must agree.
TEST(StringFindIcase, FirstOccurrenceAndStartsAtAndBeyondTheEnd) {
  const std::string needle = std::string(50, 'a') + "b";
  const std::string text = std::string(200, 'A') + "AB" + std::string(60, 'a') + "b";
  for (auto const& [s, n, start, found] :
       std::vector<std::tuple<std::string, std::string, long, size_t>>{
           {"Hello World", "WORLD", 0, 6},
           {"Hello World", "world", 6, 6},
           {"Hello World", "world", 7, npos},
           {"Hello", "hello world", 0, npos},
           {"", "", 0, 0},
           {"abc", "", 3, 3},
           {"abc", "", 4, npos},
           {"abc", "", -1, npos},
           {text, needle, 0, 151}}) {  // a naive scan backtracks here
    SCOPED_TRACE(s + " / " + n + " from " + std::to_string(start));
    EXPECT_EQ(String(s).find_icase(n, start), found);
    EXPECT_EQ(AnsiString(s.c_str()).find_icase(AnsiString(n.c_str()), start), found);
    if (start != 0) continue;
    EXPECT_EQ(String(s).find_icase(n), found);
    EXPECT_EQ(String(s).IsSubString(n), found != npos);
  }
  // Pattern matching is a stub that matches nothing, not even the text itself.
  EXPECT_FALSE(String("abc").MatchesRegularExpression("abc"));
}

// Each backslash takes the next byte literally (a backslash or NUL too); a final one
// with nothing to escape stays, unless it is the escaped byte of a pair.
TEST(StringEscapes, BackslashTakesTheNextByteLiterally) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\\b", "ab"},       {"a\\\\b", "a\\b"}, {"\\n", "n"},     {"x\\", "x\\"},
      {"x\\\\", "x\\"},     {"x\\\\\\", "x\\"}, {"\\", "\\"},     {"", ""},
      {"a\\\0b"s, "a\0b"s}, {"\\\\\\a", "\\a"}, {"ab\\", "ab\\"}, {"\\x\\", "x\\"}};
  for (auto const& [text, plain] : cases) {
    EXPECT_EQ(String(text).GetStringWithoutEscapeChars(), plain) << text;
    if (text.find('\0') == std::string::npos) {
      EXPECT_EQ(AnsiString(text.c_str()).GetStringWithoutEscapeChars(), plain) << text;
    }
  }
}

TEST(StringSplit, TrimmedFieldsWithAndWithoutEmptyOnes) {
  using Fields = std::vector<String>;
  for (auto const& [text, delimiters, keep, drop] :
       std::vector<std::tuple<std::string, char const*, Fields, Fields>>{
           {"a;b,c", ";,", {"a", "b", "c"}, {"a", "b", "c"}},
           {", a, ,b,", ",", {"", "a", "", "b", ""}, {"a", "b"}},  // a blank field is empty
           {"\r\n x y\v\t", ",", {"x y\v"}, {"x y\v"}},            // only " \t\n\r" is stripped
           {"\t x \t", "\t", {"", "x", ""}, {"x"}},
           {"", ",", {}, {}},
           {" \t ", ",", {""}, {}},
           {"a,b\0,c"s, ",", {"a", "b"}, {"a", "b"}},
           {"\0a,b"s, ",", {""}, {}}}) {
    SCOPED_TRACE(text + " / " + delimiters);
    EXPECT_EQ(String(text).StringSplit(delimiters, true), keep);
    EXPECT_EQ(String(text).StringSplit(delimiters, false), drop);
  }
}

TEST(StringLocale, Latin1FoldsAccentedBytesAndReadsADecimalComma) {
  // The German ISO-8859-1 locale that the build compiles into its own tree. LOCPATH
  // names the tree only while it loads, since it hides the system's own locales.
  setenv("LOCPATH", ZBUTIL_TEST_LOCPATH, 1);
  ScopedLocale latin1(ZBUTIL_TEST_LATIN1_LOCALE);
  unsetenv("LOCPATH");
  ASSERT_TRUE(latin1.ok());
  EXPECT_EQ(String("x\xe9").find_icase("\xc9"), 1u);
  // Long enough a text that the search first collects the bytes folding like the needle's.
  EXPECT_EQ(String(std::string(2000, '.') + "\xc9\xe9y").find_icase("\xe9\xc9Y"), 2000u);
  EXPECT_EQ(String("a\xe9").Uppercase(""), "A\xc9");
  EXPECT_EQ(String("A\xc9").Lowercase("anything"), "a\xe9");
  EXPECT_DOUBLE_EQ(String("3,5").getDoubleFloat(), 3.5);
  EXPECT_DOUBLE_EQ(AnsiString("3.5").getDoubleFloat(), 3.0);
  // The sanitizers' strcasecmp folds ASCII only, whatever the locale.
  if (strcasecmp("\xe9", "\xc9") != 0) GTEST_SKIP() << "strcasecmp folds ASCII only here";
  EXPECT_EQ(String("caf\xe9").compare_icase("CAF\xc9"), 0);
  EXPECT_EQ(AnsiString("caf\xe9!").compare_icase(AnsiString("CAF\xc9?"), 4), 0);
}

}  // namespace
