// String::StringSplit: cuts the text into trimmed fields at single delimiter bytes.

#include <string.h>

#include <string_view>
#include <vector>

#include "strings/String.h"
#include "strings/StringDetail.h"

namespace {

// Every field is stripped of these, as TrimWhiteSpaces(" \t\n\r") would strip it.
constexpr zbutil_detail::ByteSet kWhiteSpace(" \t\n\r");

}  // namespace

// By value as callers link against it; only read.
std::vector<String> String::StringSplit(
    String delimiters,  // NOLINT(performance-unnecessary-value-param)
    bool keepEmpty) const {
  std::vector<String> fields;
  if (empty()) return fields;

  // One table lookup per byte, so the cost does not grow with the delimiter set.
  const zbutil_detail::ByteSet isDelimiter(delimiters);

  char const* const text = c_str();
  const size_t n = strlen(text);
  size_t begin = 0;
  for (size_t i = 0;; ++i) {
    if (i < n && !isDelimiter.Contains(text[i])) continue;
    const std::string_view field = zbutil_detail::TrimmedView(
        std::string_view(text + begin, i - begin), kWhiteSpace, true, true);
    if (keepEmpty || !field.empty()) {
      fields.emplace_back(field.data(), static_cast<unsigned long>(field.size()));
    }
    if (i == n) break;
    begin = i + 1;
  }
  return fields;
}
