#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "ScopedLocale.h"
#include "strings/AnsiString.h"
#include "strings/String.h"

namespace {

using namespace std::string_literals;

TEST(StringConstruction, NullPointersGiveEmptyStrings) {
  EXPECT_TRUE(String(static_cast<char const*>(nullptr)).empty());
  EXPECT_TRUE(String(static_cast<wchar_t const*>(nullptr)).empty());
  EXPECT_TRUE(String(5u, static_cast<char const*>(nullptr)).empty());
  EXPECT_TRUE(String(static_cast<char const*>(nullptr), 0ul).empty());
  EXPECT_THROW(String(static_cast<char const*>(nullptr), 3ul), std::logic_error);
  EXPECT_TRUE(AnsiString(static_cast<char const*>(nullptr)).empty());
}

TEST(StringConstruction, LongGivesPrintfDecimal) {
  EXPECT_EQ(String(0L), "0");
  EXPECT_EQ(String(-2147483647L - 1), "-2147483648");
  EXPECT_EQ(String(2147483647L), "2147483647");
  EXPECT_EQ(AnsiString(-42L), "-42");
  if (sizeof(long) == 8) {
    // Wider longs are not cut short.
    EXPECT_EQ(String(static_cast<long>(-9223372036854775807LL - 1)), "-9223372036854775808");
  }
}

TEST(StringConstruction, CountedFormsKeepEmbeddedNuls) {
  const std::string five = "ab\0cd"s;
  EXPECT_EQ(String(five).size(), 5u);
  EXPECT_EQ(String(3u, "ab\0zz"), "ab\0"s);
  EXPECT_EQ(String("ab\0zz", 4ul), "ab\0z"s);
  EXPECT_EQ(String(five, 1, 100), "b\0cd"s);
  EXPECT_THROW(String(five, 6, 1), std::out_of_range);
  EXPECT_EQ(String(3ul, 'x'), "xxx");
}

TEST(StringAssignment, StdStringStopsAtFirstNul) {
  String s("old");
  s = "ab\0cd"s;
  EXPECT_EQ(s, "ab");

  String copy("x");
  copy = String("ab\0cd"s);  // a String is copied whole
  EXPECT_EQ(copy.size(), 5u);

  // Assigning a String to itself through its std::string face keeps it.
  String self("abc");
  self = static_cast<std::string const&>(self);
  EXPECT_EQ(self, "abc");
}

TEST(StringAssignment, NullPointersEmpty) {
  String s("abc");
  s = static_cast<char const*>(nullptr);
  EXPECT_TRUE(s.empty());
  s = "abc";
  s = static_cast<wchar_t const*>(nullptr);
  EXPECT_TRUE(s.empty());
  AnsiString a("abc");
  a = static_cast<char const*>(nullptr);
  EXPECT_TRUE(a.empty());
}

TEST(StringConversion, AnsiFormsCopyAllBytes) {
  const String s("ab\0cd"s);
  EXPECT_EQ(s.GetAnsiString(), "ab\0cd"s);
  EXPECT_EQ(s.GetAnsiString(), s.GetAnsiStringEx());
  EXPECT_TRUE(String().GetAnsiString().empty());
  EXPECT_TRUE(String().GetAnsiStringEx().empty());
}

TEST(StringConversion, Utf8RoundTrip) {
  ScopedLocale utf8("C.UTF-8");
  ASSERT_TRUE(utf8.ok());
  EXPECT_EQ(String("abc").GetUnicodeString(), L"abc");
  // Three wide characters that need seven bytes: the conversion is not cut short
  // at one byte per character.
  const String narrow(L"\u00e9t\u20ac");
  EXPECT_EQ(narrow, "\xc3\xa9t\xe2\x82\xac");
  EXPECT_EQ(narrow.GetUnicodeString(), L"\u00e9t\u20ac");
  // Only the text before the first NUL is converted.
  EXPECT_EQ(String("ab\0cd"s).GetUnicodeString(), L"ab");
  EXPECT_TRUE(String("\0x"s).GetUnicodeString().empty());
}

TEST(StringConversion, InvalidNarrowTextThrowsAndKeepsString) {
  ScopedLocale utf8("C.UTF-8");
  ASSERT_TRUE(utf8.ok());
  const String bad("\xff");
  try {
    bad.GetUnicodeString();
    FAIL() << "no exception";
  } catch (long code) {
    EXPECT_EQ(code, -268435451L);
    EXPECT_EQ(static_cast<uint32_t>(code), 0xF0000005u);
  }
  EXPECT_EQ(bad, "\xff");
}

TEST(StringConversion, UnrepresentableWideTextThrows) {
  ScopedLocale posix("C");
  ASSERT_TRUE(posix.ok());
  EXPECT_THROW(String(L"\u20ac"), long);

  String kept("old");
  EXPECT_THROW(kept = std::wstring(L"x\u20ac"), long);
  EXPECT_EQ(kept, "old");

  String emptied("old");
  EXPECT_THROW(emptied = L"x\u20ac", long);
  EXPECT_TRUE(emptied.empty());
}

TEST(StringConversion, WideAssignmentStopsAtWideNul) {
  String s("old");
  s = std::wstring(L"ab\0cd", 5);
  EXPECT_EQ(s, "ab");
  s = L"xyz";
  EXPECT_EQ(s, "xyz");
}

TEST(StringReplace, DoesNotRescanInsertedText) {
  String s("aaa");
  EXPECT_EQ(s.Replace("a", "aa"), 3);
  EXPECT_EQ(s, "aaaaaa");

  String t("aaaa");
  EXPECT_EQ(t.Replace("aa", "b"), 2);
  EXPECT_EQ(t, "bb");

  // Non-overlapping, left to right: "aaa" holds one "aa", not two.
  String u("aaa");
  EXPECT_EQ(u.Replace("aa", "x"), 1);
  EXPECT_EQ(u, "xa");
}

TEST(StringReplace, EmptyReplacementDeletesEveryOccurrence) {
  String s("abab");
  EXPECT_EQ(s.Replace("ab", ""), 2);
  EXPECT_TRUE(s.empty());

  String lock("my.logger.log");
  EXPECT_EQ(lock.Replace(".log", ".lock"), 2);
  EXPECT_EQ(lock, "my.lockger.lock");
}

TEST(StringReplace, NothingToDoReturnsZero) {
  String s("abc");
  EXPECT_EQ(s.Replace("x", "y"), 0);
  EXPECT_EQ(s.Replace("", "y"), 0);
  EXPECT_EQ(s, "abc");
  String empty;
  EXPECT_EQ(empty.Replace("a", "b"), 0);
  EXPECT_TRUE(empty.empty());
}

// The literal algorithm: erase and insert at each match in turn, the search going on
// after the inserted text.
int EraseAndInsertEach(std::string& s, std::string const& pattern, std::string const& with) {
  int count = 0;
  for (size_t at = s.find(pattern); at != std::string::npos;
       at = s.find(pattern, at + with.size())) {
    s.replace(at, pattern.size(), with);
    ++count;
  }
  return count;
}

TEST(StringReplace, SameResultAsEraseAndInsertEach) {
  // Near misses, overlapping candidates, matches at both ends, further apart than
  // the in-line scan, across NULs; patterns on both search paths (up to eight bytes,
  // and longer).
  const std::string run(40, 'a');
  const std::string texts[] = {"a",
                               "aab",
                               "abaabaaab",
                               "baaaaaaaaaaab",
                               run + "b" + run + "ab",
                               "ab" + std::string(30, '.') + "ab\0ab"s + run + "ab"};
  const std::string patterns[] = {"a", "b", "ab", "aab", "\0a"s, "aaaaaaab", "aaaaaaaaaaab"};
  for (std::string const& text : texts) {
    for (std::string const& pattern : patterns) {
      for (std::string const& with : {""s, "xyz"s}) {
        String s(text);
        std::string expected(text);
        EXPECT_EQ(s.Replace(pattern, with), EraseAndInsertEach(expected, pattern, with))
            << text << " / " << pattern;
        EXPECT_EQ(s, expected);
      }
    }
  }
}

TEST(StringReplace, MatchesAcrossEmbeddedNuls) {
  String s("a\0b\0a"s);
  EXPECT_EQ(s.Replace(String("\0"s), String("--")), 2);
  EXPECT_EQ(s, "a--b--a");
}

}  // namespace
