#include "platform/Win32Runtime.h"

#include <gtest/gtest.h>
#include <stdint.h>

#include <string>

#include "ScopedLocale.h"

namespace {

TEST(Counters, ReturnTheNewValue) {
  int32_t v = 5;
  EXPECT_EQ(InterlockedIncrement(&v), 6);
  EXPECT_EQ(v, 6);
  v = 0;
  EXPECT_EQ(InterlockedDecrement(&v), -1);
  EXPECT_EQ(v, -1);
}

TEST(Counters, WrapInTwosComplement) {
  int32_t v = INT32_MAX;
  EXPECT_EQ(InterlockedIncrement(&v), INT32_MIN);
  EXPECT_EQ(v, INT32_MIN);
  EXPECT_EQ(InterlockedDecrement(&v), INT32_MAX);
  EXPECT_EQ(v, INT32_MAX);
}

TEST(Reversal, ReversesBeforeTheNul) {
  char abc[] = "abc";
  EXPECT_EQ(_strrev(abc), abc);
  EXPECT_STREQ(abc, "cba");
  char ab[] = "ab";
  EXPECT_STREQ(_strrev(ab), "ba");
  char a[] = "a";
  EXPECT_STREQ(_strrev(a), "a");
  char none[] = "";
  EXPECT_STREQ(_strrev(none), "");
  // Bytes after the first NUL stay where they are.
  char tail[] = "ab\0cd";
  _strrev(tail);
  EXPECT_EQ(std::string(tail, 5), std::string("ba\0cd", 5));

  wchar_t wide[] = L"abcd";
  EXPECT_EQ(_wcsrev(wide), wide);
  EXPECT_STREQ(wide, L"dcba");
  wchar_t odd[] = L"abc";
  EXPECT_STREQ(_wcsrev(odd), L"cba");
}

TEST(CaseMapping, PosixLocaleMapsOnlyAscii) {
  ScopedLocale posix("C");
  ASSERT_TRUE(posix.ok());
  char up[] = "aBc1-";
  EXPECT_EQ(_strupr(up), up);
  EXPECT_STREQ(up, "ABC1-");
  char low[] = "AbC";
  EXPECT_STREQ(_strlwr(low), "abc");

  // Every high byte, 0xFF (EOF as a signed char) included, stays as it was.
  char high[129];
  for (int i = 0; i < 128; ++i) high[i] = static_cast<char>(0x80 + i);
  high[128] = '\0';
  const std::string before(high);
  EXPECT_EQ(std::string(_strupr(high)), before);
  EXPECT_EQ(std::string(_strlwr(high)), before);
}

TEST(CaseMapping, StopsAtTheNul) {
  char text[] = "ab\0cd";
  _strupr(text);
  EXPECT_EQ(std::string(text, 5), std::string("AB\0cd", 5));
}

TEST(CaseMapping, WideFollowsTheLocale) {
  ScopedLocale utf8("C.UTF-8");
  ASSERT_TRUE(utf8.ok());
  wchar_t up[] = L"abc1\u00e9";
  EXPECT_EQ(_wcsupr(up), up);
  EXPECT_STREQ(up, L"ABC1\u00c9");
  wchar_t low[] = L"AB\u00c9";
  EXPECT_STREQ(_wcslwr(low), L"ab\u00e9");
  wchar_t empty[] = L"";
  EXPECT_EQ(_wcslwr(empty), empty);
  EXPECT_STREQ(empty, L"");
}

}  // namespace
