#include <gtest/gtest.h>
#include <printf.h>
#include <stdio.h>

#include <string>

#include "ScopedLocale.h"
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

}  // namespace
