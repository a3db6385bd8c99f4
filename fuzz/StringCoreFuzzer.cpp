// Fuzz target: String construction and assignment, Replace, comparison, numbers and
// FormatMessageEx on arbitrary bytes (embedded NULs included), each checked against
// what its header promises.

#include <fuzzer/FuzzedDataProvider.h>
#include <limits.h>
#include <stdint.h>

#include <stdexcept>
#include <string>

#include "FuzzCheck.h"
#include "strings/AnsiString.h"
#include "strings/String.h"

namespace {

using fuzz::BeforeNul;
using fuzz::Sign;

void CheckConstruction(std::string const& bytes, FuzzedDataProvider& in) {
  FUZZ_CHECK(String(bytes) == bytes);
  FUZZ_CHECK(String(bytes.data(), static_cast<unsigned long>(bytes.size())) == bytes);
  FUZZ_CHECK(String(static_cast<unsigned int>(bytes.size()), bytes.data()) == bytes);
  FUZZ_CHECK(String(bytes.c_str()) == BeforeNul(bytes));
  FUZZ_CHECK(AnsiString(bytes.c_str()) == BeforeNul(bytes));
  FUZZ_CHECK(String(bytes).GetAnsiString() == bytes);
  FUZZ_CHECK(String(bytes).GetAnsiStringEx() == bytes);

  const size_t pos = in.ConsumeIntegralInRange<size_t>(0, bytes.size() + 1);
  const unsigned long n = in.ConsumeIntegral<unsigned long>();
  if (pos <= bytes.size()) {
    FUZZ_CHECK(String(bytes, pos, n) == bytes.substr(pos, n));
  } else {
    bool refused = false;
    try {
      String(bytes, pos, n);
    } catch (std::out_of_range const&) {
      refused = true;
    }
    FUZZ_CHECK(refused);
  }

  // Assignment from a std::string and from a pointer reads up to the first NUL, also
  // when the source is the String itself.
  String assigned("previous text");
  assigned = bytes;
  FUZZ_CHECK(assigned == BeforeNul(bytes));
  String self(bytes);
  self = static_cast<std::string const&>(self);
  FUZZ_CHECK(self == BeforeNul(bytes));
  String fromPointer(bytes);
  fromPointer = fromPointer.c_str() + fromPointer.size() / 2;
  FUZZ_CHECK(fromPointer == BeforeNul(bytes.substr(bytes.size() / 2)));
  String copy(self);
  String moved(std::move(copy));
  FUZZ_CHECK(moved == self);
}

void CheckNumbers(std::string const& bytes, FuzzedDataProvider& in) {
  const long value = in.ConsumeIntegral<long>();
  FUZZ_CHECK(String(value) == std::to_string(value));
  FUZZ_CHECK(AnsiString(value) == std::to_string(value));
  FUZZ_CHECK(String(value).getLong() == value);
  const int small = in.ConsumeIntegral<int>();
  FUZZ_CHECK(String(static_cast<long>(small)).getInt() == small);

  // Both getInt give the same value for every text whose number fits in an int.
  String const text(bytes);
  AnsiString const ansi(bytes.c_str());
  const long number = text.getLong();
  FUZZ_CHECK(ansi.getLong() == number);
  if (number >= INT_MIN && number <= INT_MAX) {
    FUZZ_CHECK(text.getInt() == number);
    FUZZ_CHECK(ansi.getInt() == number);
  }
  const double real = text.getDoubleFloat();
  const double ansiReal = ansi.getDoubleFloat();
  FUZZ_CHECK(real == ansiReal || (real != real && ansiReal != ansiReal));  // NaN too
}

void CheckComparison(std::string const& a, std::string const& b, FuzzedDataProvider& in) {
  String const left(a);
  String const right(b);
  const std::string leftText = BeforeNul(a);
  const std::string rightText = BeforeNul(b);
  FUZZ_CHECK((left.compare_case(right) == 0) == (leftText == rightText));
  FUZZ_CHECK(Sign(left.compare_case(right)) == -Sign(right.compare_case(left)));
  FUZZ_CHECK(Sign(left.compare_icase(right)) == -Sign(right.compare_icase(left)));
  // In the C locale of the fuzzer, ignoring case means equal once lower-cased.
  FUZZ_CHECK((left.compare_icase(right) == 0) ==
             (left.Lowercase(String()) == right.Lowercase(String())));
  FUZZ_CHECK(Sign(left.Compare(right, true)) == Sign(left.compare_icase(right)));
  FUZZ_CHECK(Sign(left.Compare(right, false)) == Sign(left.compare_case(right)));
  FUZZ_CHECK(left.compare_icase(right, 0) == 0);
  FUZZ_CHECK(Sign(left.compare_icase(right, -1)) == Sign(left.compare_icase(right)));

  const long n = in.ConsumeIntegralInRange<long>(-2, 64);
  FUZZ_CHECK(Sign(left.Compare(right, n, true)) == Sign(left.compare_icase(right, n)));
  FUZZ_CHECK(Sign(AnsiString(a.c_str()).compare_icase(AnsiString(b.c_str()), n)) ==
             Sign(left.compare_icase(right, n)));
  // Case-sensitive with a count: a prefix test by the length of the argument.
  if (rightText.size() == b.size()) {
    FUZZ_CHECK((left.Compare(right, n, false) == 0) ==
               (leftText.compare(0, rightText.size(), rightText) == 0));
  }
}

// Replace as the header describes it, one occurrence at a time in place.
int ReferenceReplace(std::string& text, std::string const& pattern,
                     std::string const& replacement) {
  if (text.empty() || pattern.empty()) return 0;
  int count = 0;
  for (size_t pos = text.find(pattern); pos != std::string::npos;
       pos = text.find(pattern, pos + replacement.size())) {
    text.replace(pos, pattern.size(), replacement);
    ++count;
  }
  return count;
}

void CheckReplace(std::string const& text, std::string const& pattern,
                  std::string const& replacement) {
  String replaced(text);
  const int count = replaced.Replace(pattern, replacement);
  std::string expected(text);
  FUZZ_CHECK(count == ReferenceReplace(expected, pattern, replacement));
  FUZZ_CHECK(replaced == expected);
  const long grown = static_cast<long>(replacement.size()) - static_cast<long>(pattern.size());
  FUZZ_CHECK(static_cast<long>(replaced.size()) == static_cast<long>(text.size()) + count * grown);
  // Replacing a pattern by itself counts the occurrences and changes nothing.
  String same(text);
  FUZZ_CHECK(same.Replace(pattern, pattern) == count);
  FUZZ_CHECK(same == text);
}

// A fixed format; only the arguments come from the input. Texts longer than 254
// bytes take the second formatting pass.
void CheckFormat(std::string const& a, std::string const& b, FuzzedDataProvider& in) {
  const long number = in.ConsumeIntegral<long>();
  const int precision = in.ConsumeIntegralInRange<int>(-1, 600);
  const char byte = in.ConsumeIntegral<char>();
  String formatted("stale");
  const long result =
      formatted.FormatMessageEx("%s|%ld|%.*s|%c", a.c_str(), number, precision, b.c_str(), byte);
  std::string expected =
      BeforeNul(a) + "|" + std::to_string(number) + "|" +
      BeforeNul(b).substr(0, precision < 0 ? std::string::npos : static_cast<size_t>(precision)) +
      "|" + std::string(1, byte);
  FUZZ_CHECK(result == 0);
  FUZZ_CHECK(formatted == BeforeNul(expected));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string a = in.ConsumeRandomLengthString(size);
  const std::string b = in.ConsumeRandomLengthString(64);
  const std::string c = in.ConsumeRandomLengthString(64);
  CheckConstruction(a, in);
  CheckNumbers(a, in);
  CheckComparison(a, b, in);
  CheckReplace(a, b, c);
  CheckFormat(a, b, in);
  return 0;
}
