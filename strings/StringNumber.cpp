// Number parsing of String and AnsiString: the longest decimal number at the start of
// the text (up to its first NUL), read by the C library under the current locale.

#include <limits.h>
#include <stdlib.h>

#include "strings/AnsiString.h"
#include "strings/String.h"

namespace {

long ParseLong(char const* text) { return strtol(text, nullptr, 10); }

// strtol's value clamped to the int range. Where long is 32 bits wide strtol already
// stops at INT_MIN and INT_MAX; where it is 64 bits wide a plain conversion would keep
// the low 32 bits instead ("3000000000" would give -1294967296), so the clamp gives
// both architectures the same int for every text.
int ParseInt(char const* text) {
  const long value = ParseLong(text);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

double ParseDouble(char const* text) { return strtod(text, nullptr); }

}  // namespace

int String::getInt() const { return ParseInt(c_str()); }

long String::getLong() const { return ParseLong(c_str()); }

double String::getDoubleFloat() const { return ParseDouble(c_str()); }

int AnsiString::getInt() const { return ParseInt(c_str()); }

long AnsiString::getLong() const { return ParseLong(c_str()); }

double AnsiString::getDoubleFloat() const { return ParseDouble(c_str()); }
