#include <gtest/gtest.h>
#include <printf.h>
#include <stdio.h>

#include <string>

#include "ScopedLocale.h"
#include "strings/String.h"

namespace {

// A printf conversion of our own, "%W", that writes as many 'w' as its int argument
// says and counts how often it runs: the number of formatting passes.
int g_iPasses = 0;

int PrintW(FILE* stream, const printf_info* /*info*/, const void* const* args) {
  ++g_iPasses;
  const int n = *static_cast<const int*>(args[0]);
  for (int i = 0; i < n; ++i) fputc('w', stream);
  return n;
}

int PrintWArgs(const printf_info* /*info*/, size_t n, int* types, int* sizes) {
  if (n > 0) {
    types[0] = PA_INT;
    sizes[0] = sizeof(int);
  }
  return 1;
}

bool RegisterW() {
  static const bool registered = register_printf_specifier('W', PrintW, PrintWArgs) == 0;
  g_iPasses = 0;
  return registered;
}

// Returns the passes that formatting n bytes through "%W" took, and the text.
int PassesFor(int n, String& s) {
  EXPECT_TRUE(RegisterW());
  char const* format = "%W";  // not a literal: the compiler does not know %W
  EXPECT_EQ(s.FormatMessageEx(format, n), 0);
  return g_iPasses;
}

TEST(StringFormat, AtMostTwoPasses) {
  String s;
  EXPECT_EQ(PassesFor(0, s), 1);
  EXPECT_EQ(PassesFor(254, s), 1);
  EXPECT_EQ(s, std::string(254, 'w'));
  EXPECT_EQ(PassesFor(255, s), 2);
  EXPECT_EQ(s, std::string(255, 'w'));
  EXPECT_EQ(PassesFor(1000000, s), 2);
  EXPECT_EQ(s.size(), 1000000u);
}

TEST(StringFormat, ReplacesTheText) {
  String s("old text");
  EXPECT_EQ(s.FormatMessageEx("%d", 7), 0);
  EXPECT_EQ(s, "7");
  EXPECT_EQ(s.FormatMessageEx("%s-%05.1f-%c", "ab", 2.25, 'x'), 0);
  EXPECT_EQ(s, "ab-002.2-x");
}

TEST(StringFormat, EmptyResultStillReplacesTheText) {
  String s("old");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-zero-length"
  EXPECT_EQ(s.FormatMessageEx(""), 0);
#pragma GCC diagnostic pop
  EXPECT_TRUE(s.empty());
  s = "old";
  EXPECT_EQ(s.FormatMessageEx("%s", ""), 0);
  EXPECT_TRUE(s.empty());
}

TEST(StringFormat, EveryPassFormatsAllArguments) {
  const std::string tail(400, 'y');
  String s;
  ASSERT_EQ(s.FormatMessageEx("%d:%s:%d", 1, tail.c_str(), 2), 0);
  EXPECT_EQ(s, "1:" + tail + ":2");
}

TEST(StringFormat, TextStopsAtAFormattedNul) {
  String s;
  EXPECT_EQ(s.FormatMessageEx("ab%cde", '\0'), 0);
  EXPECT_EQ(s, "ab");
}

TEST(StringFormat, FailureLeavesTheStringUnchanged) {
  String s("kept");
  EXPECT_EQ(s.FormatMessageEx(nullptr), E_GENERAL_FAILURE);
  EXPECT_EQ(s, "kept");

  // A wide argument the C locale cannot represent is an output error at every size:
  // the call fails after one pass instead of growing the buffer.
  ScopedLocale posix("C");
  ASSERT_TRUE(posix.ok() && RegisterW());
  char const* format = "%W%ls";
  EXPECT_EQ(s.FormatMessageEx(format, 1, L"\u20ac"), -268435451L);
  EXPECT_EQ(g_iPasses, 1);
  EXPECT_EQ(s, "kept");
}

}  // namespace
