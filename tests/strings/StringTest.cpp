#include <gtest/gtest.h>
#include <limits.h>
#include <printf.h>
#include <stdio.h>
#include <stdlib.h>
#include <strings.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "ScopedLocale.h"
#include "strings/AnsiString.h"
#include "strings/String.h"

namespace {

using namespace std::string_literals;

// What the fuzz targets cannot reach: null pointers, and wide text cut at a NUL. They
// check the rest (longs, self-assignment, Replace, numbers) against references.
TEST(StringConstruction, NullPointersAndEmbeddedNuls) {
  EXPECT_TRUE(String(static_cast<char const*>(nullptr)).empty());
  EXPECT_TRUE(String(5u, static_cast<char const*>(nullptr)).empty());
  EXPECT_TRUE(String(static_cast<wchar_t const*>(nullptr)).empty());
  EXPECT_EQ(String("ab\0cd"s).GetUnicodeString(), L"ab");
}

// "%W" writes as many 'w' as its int argument says and counts the formatting passes.
int g_iPasses = 0;

int PrintW(FILE* stream, const printf_info* /*info*/, const void* const* args) {
  ++g_iPasses;
  return fprintf(stream, "%s", std::string(*static_cast<const int*>(args[0]), 'w').c_str());
}

// glibc asks for at least one argument's type.
int PrintWArgs(const printf_info* /*info*/, size_t /*n*/, int* types, int* sizes) {
  types[0] = PA_INT;
  sizes[0] = sizeof(int);
  return 1;
}

TEST(StringFormat, AtMostTwoPassesEachWithAllArgumentsAndNoChangeOnFailure) {
  // First: once a conversion of our own is registered, glibc copies the arguments for
  // every format, which would hide a second pass that sees what the first consumed.
  const std::string tail(400, 'y');
  String s;
  EXPECT_EQ(s.FormatMessageEx("%d:%s:%d", 1, tail.c_str(), 2), 0);
  EXPECT_EQ(s, "1:" + tail + ":2");
  ASSERT_EQ(register_printf_specifier('W', PrintW, PrintWArgs), 0);
  char const* format = "%W";  // not a literal: the compiler does not know %W
  for (int n : {0, 254, 255, 1000000}) {
    g_iPasses = 0;
    EXPECT_EQ(s.FormatMessageEx(format, n), 0);
    EXPECT_EQ(s, std::string(n, 'w'));
    EXPECT_EQ(g_iPasses, n < 255 ? 1 : 2) << n << " bytes";
  }
  EXPECT_EQ(s.FormatMessageEx(nullptr), E_GENERAL_FAILURE);
  // A wide argument the C locale cannot represent is an output error at every size:
  // the call fails after one pass instead of growing the buffer.
  g_iPasses = 0;
  char const* failing = "%W%ls";
  EXPECT_EQ(s.FormatMessageEx(failing, 1, L"\u20ac"), -268435451L);
  EXPECT_EQ(g_iPasses, 1);
  EXPECT_EQ(s.size(), 1000000u);
}

TEST(StringLocale, Utf8ConvertsWholeCharactersButFoldsBytes) {
  ScopedLocale utf8("C.UTF-8");
  ASSERT_TRUE(utf8.ok());
  // Three wide characters that need seven bytes: not cut at one byte per character.
  String s(L"\u00e9t\u20ac");
  EXPECT_EQ(s, "\xc3\xa9t\xe2\x82\xac");
  EXPECT_EQ(s.GetUnicodeString(), L"\u00e9t\u20ac");
  EXPECT_EQ(s.find_icase("\xc3\x89"), std::string::npos);
  s = "\xff";
  try {
    s.GetUnicodeString();
    ADD_FAILURE() << "no exception";
  } catch (long code) {
    EXPECT_EQ(code, -268435451L);  // 0xF0000005 as a signed 32-bit value
  }
  EXPECT_EQ(s, "\xff");
}

TEST(StringLocale, UnrepresentableWideTextThrows) {
  ScopedLocale posix("C");
  ASSERT_TRUE(posix.ok());
  String s("old");
  EXPECT_THROW(s = std::wstring(L"x\u20ac"), long);
  EXPECT_EQ(s, "old");
  EXPECT_THROW(s = L"x\u20ac", long);
  EXPECT_TRUE(s.empty());
}

TEST(StringCompare, SignsByUnsignedBytes) {
  EXPECT_GT(String("abd").Compare("abc", false), 0);
  EXPECT_EQ(String("abc").Compare("ABC", true), 0);
  EXPECT_GT(String("\xe9").compare_case("z"), 0);
  EXPECT_GT(String("\xe9").compare_icase("z"), 0);
  // A negative count compares the whole texts, also where long is 64 bits wide.
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

// Runs to strip of every length across the sixteen-byte steps of the scan, at either
// end, around a middle with a NUL and a byte above 0x7F, and texts made only of the set.
TEST(StringTrim, RunsOfEveryLengthAcrossTheScansSteps) {
  for (std::string const& set : {" \t\n\r"s, "\xA0"s, "x"s}) {
    for (size_t left = 0; left <= 40; ++left) {
      for (size_t right : {size_t{0}, size_t{1}, left, size_t{47} - left}) {
        std::string text;
        for (size_t i = 0; i < left; ++i) text += set[i % set.size()];
        text += std::string{'a', '\0', '\xA1', 'b'};
        for (size_t i = 0; i < right; ++i) text += set[(i + 1) % set.size()];
        const std::string middle = text.substr(left, 4);
        EXPECT_EQ(String(text).TrimWhiteSpaces(set), middle) << left << " " << right;
        if (set.size() == 1) {
          EXPECT_EQ(String(text).Trim(set[0]), middle);
          EXPECT_EQ(String(text).leftTrim(set[0]), text.substr(left));
          EXPECT_EQ(String(text).rightTrim(set[0]), text.substr(0, left + 4));
        }
      }
      EXPECT_EQ(String(std::string(left, set[0])).TrimWhiteSpaces(set), "");
    }
  }
}

// The rest of find_icase, the escapes and StringSplit are checked against references
// by the string_transform fuzz target.
TEST(StringFindIcase, APartialMatchDoesNotHideTheOneInsideIt) {
  const std::string needle = std::string(50, 'a') + "b";
  const std::string text = std::string(200, 'A') + "AB" + std::string(60, 'a') + "b";
  EXPECT_EQ(String(text).find_icase(needle), 151u);  // a naive scan backtracks here
  // Pattern matching is a stub that matches nothing, not even the text itself.
  EXPECT_FALSE(String("abc").MatchesRegularExpression("abc"));
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
