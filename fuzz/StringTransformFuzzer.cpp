// Fuzz target: case-insensitive search, trimming, case mapping, reversal, escape
// removal and StringSplit on arbitrary bytes, each checked against a plain reference
// written from its header comment. The fuzzer runs in the C locale, where only ASCII
// letters fold.

#include <ctype.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <stdint.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "strings/AnsiString.h"
#include "strings/String.h"

namespace {

using fuzz::BeforeNul;

constexpr size_t kNpos = std::string::npos;
// The naive search is quadratic; it checks every result only for inputs this small.
constexpr size_t kNaiveSearchWork = 1 << 16;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// The first occurrence of needle at or after start in text, case ignored, or npos.
size_t NaiveFindIcase(std::string const& text, std::string const& needle, size_t start) {
  const std::string haystack = Upper(text);
  const std::string wanted = Upper(needle);
  for (size_t at = start; at <= haystack.size() && wanted.size() <= haystack.size() - at; ++at) {
    if (haystack.compare(at, wanted.size(), wanted) == 0) return at;
  }
  return kNpos;
}

void CheckSearch(std::string const& a, std::string const& b, FuzzedDataProvider& in) {
  String const text(a);
  String const needle(b);
  const std::string haystack = BeforeNul(a);
  const std::string wanted = BeforeNul(b);
  const size_t found = text.find_icase(needle);
  FUZZ_CHECK(text.IsSubString(needle) == (found != kNpos));
  FUZZ_CHECK(AnsiString(a.c_str()).find_icase(AnsiString(b.c_str())) == found);
  const long start = in.ConsumeIntegralInRange<long>(-1, static_cast<long>(haystack.size()) + 1);
  const size_t foundFrom = text.find_icase(needle, start);
  FUZZ_CHECK(AnsiString(a.c_str()).find_icase(AnsiString(b.c_str()), start) == foundFrom);
  if (start < 0 || static_cast<size_t>(start) > haystack.size()) {
    FUZZ_CHECK(foundFrom == kNpos);
    return;
  }
  if (haystack.size() * (wanted.size() + 1) <= kNaiveSearchWork) {
    FUZZ_CHECK(found == NaiveFindIcase(haystack, wanted, 0));
    FUZZ_CHECK(foundFrom == NaiveFindIcase(haystack, wanted, static_cast<size_t>(start)));
  } else if (foundFrom != kNpos) {
    FUZZ_CHECK(foundFrom >= static_cast<size_t>(start));
    FUZZ_CHECK(Upper(haystack.substr(foundFrom, wanted.size())) == Upper(wanted));
  }
}

void CheckTrim(std::string const& a, std::string const& set, char c) {
  String const text(a);
  const size_t first = a.find_first_not_of(c);
  const size_t last = a.find_last_not_of(c);
  const std::string left = first == kNpos ? "" : a.substr(first);
  const std::string right = last == kNpos ? "" : a.substr(0, last + 1);
  FUZZ_CHECK(text.leftTrim(c) == left);
  FUZZ_CHECK(text.rightTrim(c) == right);
  FUZZ_CHECK(text.Trim(c) == String(right).leftTrim(c));
  FUZZ_CHECK(text.Trim(c) == text.TrimWhiteSpaces(String(1, c)));
  AnsiString const ansi(text.c_str());
  if (BeforeNul(a) == a) {
    FUZZ_CHECK(ansi.leftTrim(c) == left);
    FUZZ_CHECK(ansi.rightTrim(c) == right);
    FUZZ_CHECK(ansi.Trim(c) == text.Trim(c));
  }

  // TrimWhiteSpaces: a piece of the text whose ends are not in the set, and all that
  // was cut off is in the set.
  const String trimmed = text.TrimWhiteSpaces(set);
  if (set.empty()) {
    FUZZ_CHECK(trimmed == a);
    return;
  }
  if (trimmed.empty()) {
    FUZZ_CHECK(a.find_first_not_of(set) == kNpos);
    return;
  }
  const size_t at = a.find_first_not_of(set);
  FUZZ_CHECK(a.compare(at, trimmed.size(), trimmed) == 0);
  FUZZ_CHECK(set.find(trimmed.front()) == kNpos && set.find(trimmed.back()) == kNpos);
  FUZZ_CHECK(a.find_first_not_of(set, at + trimmed.size()) == kNpos);
}

void CheckCaseAndReversal(std::string const& a) {
  String const text(a);
  const std::string before = BeforeNul(a);
  const String upper = text.Uppercase(String("ignored"));
  const String lower = text.Lowercase(String());
  FUZZ_CHECK(upper == Upper(before));
  FUZZ_CHECK(lower == Lower(before));

  const String reversed = text.reverseString();
  FUZZ_CHECK(reversed.size() == a.size());
  FUZZ_CHECK(reversed.reverseString() == a);
  std::string expected(a);
  std::reverse(expected.begin(), expected.begin() + static_cast<long>(before.size()));
  FUZZ_CHECK(reversed == expected);
  FUZZ_CHECK(AnsiString(a.c_str()).reverseString() == BeforeNul(expected));
  FUZZ_CHECK(text == a);  // const members leave the object alone
}

// Escape removal escape by escape, as the header states the rule.
std::string ReferenceWithoutEscapes(std::string const& text) {
  if (text.size() <= 1) return text;
  std::string result;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '\\') {
      result += text[i++];
    } else if (i + 1 < text.size()) {
      result += text[i + 1];
      i += 2;
    } else {
      break;  // a final backslash with nothing to escape
    }
  }
  const size_t n = text.size();
  if (text[n - 1] == '\\' && text[n - 2] != '\\') result += '\\';
  return result;
}

void CheckEscapes(std::string const& a) {
  const String plain = String(a).GetStringWithoutEscapeChars();
  FUZZ_CHECK(plain == ReferenceWithoutEscapes(a));
  FUZZ_CHECK(plain.size() <= a.size());
  if (BeforeNul(a) == a) FUZZ_CHECK(AnsiString(a.c_str()).GetStringWithoutEscapeChars() == plain);
}

std::string TrimmedField(std::string const& field) {
  const char* const kWhite = " \t\n\r";
  const size_t first = field.find_first_not_of(kWhite);
  if (first == kNpos) return "";
  return field.substr(first, field.find_last_not_of(kWhite) - first + 1);
}

void CheckSplit(std::string const& a, std::string const& delimiters) {
  String const text(a);
  const std::vector<String> all = text.StringSplit(delimiters, true);
  const std::vector<String> kept = text.StringSplit(delimiters, false);
  if (a.empty()) {
    FUZZ_CHECK(all.empty() && kept.empty());
    return;
  }
  // n delimiter bytes before the first NUL give n + 1 fields before dropping.
  const std::string before = BeforeNul(a);
  std::vector<std::string> expected(1);
  for (char c : before) {
    if (delimiters.find(c) != kNpos) {
      expected.emplace_back();
    } else {
      expected.back() += c;
    }
  }
  FUZZ_CHECK(all.size() == expected.size());
  std::vector<String> nonEmpty;
  for (size_t i = 0; i < all.size(); ++i) {
    FUZZ_CHECK(all[i] == TrimmedField(expected[i]));
    if (!all[i].empty()) nonEmpty.push_back(all[i]);
  }
  FUZZ_CHECK(kept == nonEmpty);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string a = in.ConsumeRandomLengthString(size);
  const std::string b = in.ConsumeRandomLengthString(64);
  const char c = in.ConsumeIntegral<char>();
  CheckSearch(a, b, in);
  CheckTrim(a, b, c);
  CheckCaseAndReversal(a);
  CheckEscapes(a);
  CheckSplit(a, b);
  return 0;
}
