// Comparison of String and AnsiString. Every operation reads its texts up to the first
// NUL and hands them to the C library, whose locale applies.

#include <string.h>
#include <strings.h>

#include "strings/AnsiString.h"
#include "strings/String.h"

namespace {

// A negative count becomes a huge size_t and so compares the whole texts.
int CompareIcaseCounted(char const* a, char const* b, long n) {
  return strncasecmp(a, b, static_cast<size_t>(n));
}

}  // namespace

int String::compare_case(String const& s) const { return strcmp(c_str(), s.c_str()); }

int String::compare_icase(String const& s) const { return strcasecmp(c_str(), s.c_str()); }

int String::compare_icase(String const& s, long n) const {
  return CompareIcaseCounted(c_str(), s.c_str(), n);
}

int String::Compare(String const& s, bool ignoreCase) const {
  return ignoreCase ? compare_icase(s) : compare_case(s);
}

int String::Compare(String const& s, long n, bool ignoreCase) const {
  // The case-sensitive form counts by the length of s, not by n: callers rely on it
  // as a prefix test ("does this text start with s").
  return ignoreCase ? CompareIcaseCounted(c_str(), s.c_str(), n)
                    : strncmp(c_str(), s.c_str(), s.size());
}

int AnsiString::compare_icase(AnsiString const& s) const { return strcasecmp(c_str(), s.c_str()); }

int AnsiString::compare_icase(AnsiString const& s, long n) const {
  return CompareIcaseCounted(c_str(), s.c_str(), n);
}
