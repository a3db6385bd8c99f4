// A record's bytes, made by hand: the header's fields as the printf conversions they
// stand for, and the message as vsnprintf makes it, cut at every limit.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/types.h>

#include <random>
#include <string>
#include <string_view>

#include "MessageFormat.h"
#include "RecordFormat.h"

namespace {

// Expects FormatMessage and vsnprintf to leave the same bytes in buffers of `limit` bytes
// and a margin, and FormatMessage to answer the length up to the first NUL.
void ExpectSameAsVsnprintf(size_t limit, char const* format, ...) {
  std::string ours(limit + 8, '#');
  std::string theirs(limit + 8, '#');
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  const size_t length = zbutil_logfile::FormatMessage(ours.data(), limit, format, arguments);
  vsnprintf(theirs.data(), limit, format, again);
  va_end(again);
  va_end(arguments);
  EXPECT_EQ(ours, theirs) << "format \"" << format << "\", limit " << limit;
  EXPECT_EQ(length, strlen(theirs.c_str())) << "format \"" << format << "\"";
}

// Each field at the ends of its type, and a whole header, against snprintf.
TEST(RecordFormat, HeaderFieldsAreTheirConversions) {
  using namespace zbutil_logfile;
  char ours[kMaxHeaderBytes];
  char theirs[256];
  for (uint32_t pid : {0u, 0x1234u, 0xABCDEFu, 0xFFFFFFFFu}) {
    snprintf(theirs, sizeof theirs, "%8X", pid);
    EXPECT_EQ(std::string(ours, WritePid(ours, pid)), theirs);
  }
  for (int32_t line : {INT32_MIN, -1, 0, 42, 99999, 100000, INT32_MAX}) {
    snprintf(theirs, sizeof theirs, "%5d", line);
    EXPECT_EQ(std::string(ours, WriteLine(ours, line)), theirs);
  }
  struct tm local {};
  for (int year : {-1901, -1900, 26, 126, 8099, 8100}) {
    local = {};
    local.tm_year = year;
    local.tm_mon = 11;
    local.tm_mday = 9;
    local.tm_hour = -3;
    local.tm_sec = 60;
    snprintf(theirs, sizeof theirs, "%04d/%02d/%02d|%02d:%02d:%02d", year + 1900, 12, 9, -3, 0, 60);
    EXPECT_EQ(std::string(ours, WriteDateTime(ours, local)), theirs);
  }
  const std::string longSource(40, 's');
  for (char const* source : {"", "main.cpp", longSource.c_str()}) {
    snprintf(theirs, sizeof theirs, "\n%8X|2026/12/06|18:00:00|%27.27s|%5d|Error: - ", 0xBEEFu,
             source, -7);
    char* const end = WriteHeader(ours, "    BEEF", "2026/12/06|18:00:00", source, -7, "Error:");
    EXPECT_EQ(std::string(ours, end), theirs);
  }
}

TEST(MessageFormat, PlainConversionsAtTheEndsOfTheirTypes) {
  ExpectSameAsVsnprintf(64, "%d %i %d %d|%u %x %X", INT_MIN, INT_MAX, 0, -7, UINT_MAX, 0xABCDEFu,
                        0xABCDEFu);
  ExpectSameAsVsnprintf(64, "%hhd %hhu %hd %hu %hhx", 200, -1, 40000, -1, 0x1FF);
  ExpectSameAsVsnprintf(64, "%ld %lu %lx", LONG_MIN, ULONG_MAX, ULONG_MAX);
  ExpectSameAsVsnprintf(64, "%lld %llu %llX %lli", LLONG_MIN, ULLONG_MAX, ULLONG_MAX, 1LL << 40);
  ExpectSameAsVsnprintf(64, "%zd %zu %jd %ju %td %tx", static_cast<ssize_t>(-5), SIZE_MAX,
                        INTMAX_MIN, UINTMAX_MAX, static_cast<ptrdiff_t>(-3),
                        static_cast<ptrdiff_t>(-3));
  ExpectSameAsVsnprintf(64, "100%% %s%c%s", "done", '!', "");
}

TEST(MessageFormat, AnythingElseIsVsnprintfsWhole) {
  ExpectSameAsVsnprintf(64, "%d then %5d %-3d| %+d %05x %#x", 1, 2, 3, 4, 5, 6);
  ExpectSameAsVsnprintf(64, "%d %.1s %*d %2$d", 1, "ab", 4, 5);
  ExpectSameAsVsnprintf(64, "%u %f %p %o %e", 1u, 2.5, static_cast<void*>(nullptr), 8, 1e9);
  ExpectSameAsVsnprintf(64, "%s and %s", "text", static_cast<char const*>(nullptr));
  ExpectSameAsVsnprintf(64, "%d %l% %hs %lc %ls", 1, "x", L'y', L"z");
  ExpectSameAsVsnprintf(64, "%d %y %q %", 1, 2, 3);
}

// Every cut of a message with literal text, numbers and strings, from nothing up to
// the whole; a "%c" of 0 ends the length wherever it falls.
TEST(MessageFormat, CutAtEveryLimit) {
  for (size_t limit = 1; limit <= 40; ++limit) {
    ExpectSameAsVsnprintf(limit, "id %d: %s at %X%c", -12345, "a string", 0xBEEFu, '.');
    ExpectSameAsVsnprintf(limit, "%c in %s", 0, "the middle");
  }
  const std::string longText(5000, 'm');
  ExpectSameAsVsnprintf(2047, "%s%d", longText.c_str(), 1);
}

// Formats drawn at random from the plain conversions of an int, with literal text,
// against vsnprintf at random limits.
TEST(MessageFormat, RandomPlainFormats) {
  static char const* const kPieces[] = {"%d", "%i",  "%u",   "%x", "%X", "%c",
                                        "%%", "%hd", "%hhu", "ab", "-",  "text "};
  std::mt19937 random(2026);
  for (int round = 0; round < 2000; ++round) {
    std::string format;
    for (auto piece = random() % 9; piece > 0; --piece) {
      format += kPieces[random() % (sizeof kPieces / sizeof kPieces[0])];
    }
    const size_t limit = 1 + random() % 48;
    // More arguments than conversions are ignored, as by vsnprintf.
    ExpectSameAsVsnprintf(limit, format.c_str(), INT_MIN, -1, 0, 65, 0x7FFF, 255, 256, INT_MAX,
                          -300);
  }
}

}  // namespace
