#include <gtest/gtest.h>

#include <string>

#include "Latin1Locale.h"
#include "ScopedLocale.h"
#include "strings/AnsiString.h"
#include "strings/String.h"

namespace {

using namespace std::string_literals;

// The sanitizers replace strcasecmp and strncasecmp with their own versions, which fold
// ASCII letters only, whatever the locale.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kRuntimeCaseCompare = false;
#elif defined(__has_feature)
constexpr bool kRuntimeCaseCompare = !__has_feature(address_sanitizer);
#else
constexpr bool kRuntimeCaseCompare = true;
#endif

TEST(StringCompare, SignFollowsByteOrder) {
  EXPECT_LT(String("abc").compare_case("abd"), 0);
  EXPECT_GT(String("abd").compare_case("abc"), 0);
  EXPECT_EQ(String("abc").Compare("ABC", true), 0);
  EXPECT_NE(String("abc").Compare("ABC", false), 0);
  // Bytes compare as unsigned: 0xE9 sorts after every ASCII byte.
  EXPECT_GT(String("\xe9").compare_case("z"), 0);
  EXPECT_GT(String("\xe9").compare_icase("z"), 0);
}

TEST(StringCompare, CaseSensitiveCountedFormIsAPrefixTestOfTheArgument) {
  // The count is the length of the argument; n is not used.
  EXPECT_EQ(String("abcdef").Compare("abc", 1, false), 0);
  EXPECT_EQ(String("abcdef").Compare("abc", 100, false), 0);
  EXPECT_EQ(String("abcdef").Compare("abc", -1, false), 0);
  EXPECT_LT(String("abc").Compare("abcdef", 3, false), 0);
  EXPECT_LT(String("abc").Compare("abcdef", -1, false), 0);
}

TEST(StringCompare, CountedIgnoreCaseUsesTheCountAndNegativeMeansAll) {
  EXPECT_EQ(String("ABCx").compare_icase("abcy", 3), 0);
  EXPECT_EQ(String("ABCx").Compare("abcy", 3, true), 0);
  EXPECT_EQ(String("abc").compare_icase("xyz", 0), 0);
  EXPECT_NE(String("ABCx").compare_icase("abcy", -1), 0);
  EXPECT_EQ(AnsiString("ABCx").compare_icase(AnsiString("abcy"), 3), 0);
  EXPECT_NE(AnsiString("ABCx").compare_icase(AnsiString("abcy"), -5), 0);
}

TEST(StringCompare, TextsEndAtTheirFirstNul) {
  EXPECT_EQ(String("ab\0c"s).compare_case("ab"), 0);
  EXPECT_EQ(String("AB\0x"s).compare_icase(String("ab\0y"s)), 0);
}

TEST(StringCompare, IgnoreCaseFoldsThroughTheLocale) {
  {
    ScopedLocale posix("C");
    ASSERT_TRUE(posix.ok());
    EXPECT_NE(String("\xe9").compare_icase("\xc9"), 0);
    EXPECT_NE(AnsiString("\xe9").compare_icase(AnsiString("\xc9")), 0);
  }
  if (!kRuntimeCaseCompare) GTEST_SKIP() << "strcasecmp is the sanitizer's, ASCII only";
  ScopedLatin1Locale latin1;
  ASSERT_TRUE(latin1.ok());
  EXPECT_EQ(String("caf\xe9").compare_icase("CAF\xc9"), 0);
  EXPECT_EQ(String("caf\xe9!").Compare("CAF\xc9?", 4, true), 0);
  EXPECT_EQ(AnsiString("\xe9").compare_icase(AnsiString("\xc9")), 0);
}

TEST(StringNumbers, ReadTheLeadingNumber) {
  for (char const* text : {"  42abc", "-7", "+5", "abc", "", "0x1A", "\t\n 12 34", "12\0 9"}) {
    const long expected = strtol(text, nullptr, 10);
    SCOPED_TRACE(text);
    EXPECT_EQ(String(text).getInt(), expected);
    EXPECT_EQ(String(text).getLong(), expected);
    EXPECT_EQ(AnsiString(text).getInt(), expected);
    EXPECT_EQ(AnsiString(text).getLong(), expected);
  }
  EXPECT_EQ(String("  42abc").getInt(), 42);
  EXPECT_EQ(String("-2147483648").getInt(), -2147483647 - 1);
  // Only the text before the first NUL is read.
  EXPECT_EQ(String("\0"
                   "42"s)
                .getInt(),
            0);
}

TEST(StringNumbers, DoubleFollowsTheLocaleDecimalPoint) {
  {
    ScopedLocale posix("C");
    ASSERT_TRUE(posix.ok());
    EXPECT_DOUBLE_EQ(String("3.5e2xyz").getDoubleFloat(), 350.0);
    EXPECT_DOUBLE_EQ(AnsiString(" -0.25").getDoubleFloat(), -0.25);
    EXPECT_DOUBLE_EQ(String("abc").getDoubleFloat(), 0.0);
    EXPECT_DOUBLE_EQ(String("3,5").getDoubleFloat(), 3.0);
  }
  ScopedLatin1Locale german;
  ASSERT_TRUE(german.ok());
  EXPECT_DOUBLE_EQ(String("3,5").getDoubleFloat(), 3.5);
  EXPECT_DOUBLE_EQ(AnsiString("3,5").getDoubleFloat(), 3.5);
  EXPECT_DOUBLE_EQ(String("3.5").getDoubleFloat(), 3.0);
}

}  // namespace
