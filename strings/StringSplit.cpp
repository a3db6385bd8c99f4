// String::StringSplit: cuts the text into trimmed fields at single delimiter bytes.

#include <stdint.h>
#include <string.h>

#include <string_view>
#include <vector>

#include "strings/String.h"
#include "strings/StringDetail.h"

namespace {

using zbutil_detail::ByteSet;

// Every field is stripped of these, as TrimWhiteSpaces(" \t\n\r") would strip it.
constexpr ByteSet kWhiteSpace(" \t\n\r");

// The fields of a text, in order, each trimmed. A single delimiter byte, the usual
// case, is looked for sixteen bytes at a time; a set with one table lookup per byte,
// so the cost does not grow with the set.
class Fields {
 public:
  Fields(std::string_view text, String const& delimiters)
      : m_svText(text),
        m_isDelimiter(delimiters),
        m_bSingle(delimiters.size() == 1),
        m_cDelimiter(delimiters.empty() ? '\0' : delimiters[0]) {}

  // Calls field(trimmed) for each field; a field of white space only is empty.
  template <typename Field>
  void ForEach(Field field) const {
    char const* const data = m_svText.data();
    const size_t n = m_svText.size();
    for (size_t begin = 0;;) {
      const size_t end = End(begin);
      field(zbutil_detail::TrimmedView(std::string_view(data + begin, end - begin), kWhiteSpace,
                                       true, true));
      if (end == n) return;
      begin = end + 1;
    }
  }

 private:
  // The position of the first delimiter at or after begin, or the text's end.
  size_t End(size_t begin) const {
    char const* const data = m_svText.data();
    const size_t n = m_svText.size();
    if (m_bSingle) {
      // Sixteen bytes a step, in line: fields are often shorter than a call to memchr.
      using zbutil_detail::Bytes16;
      const Bytes16 delimiter = Bytes16{} + static_cast<signed char>(m_cDelimiter);
      size_t at = begin;
      for (; n - at >= sizeof(Bytes16); at += sizeof(Bytes16)) {
        Bytes16 bytes;
        zbutil_detail::LoadBytes(data + at, bytes);
        const Bytes16 hits = bytes == delimiter;
        uint64_t half[2];
        memcpy(half, &hits, sizeof half);
        if (half[0] != 0) return at + static_cast<size_t>(__builtin_ctzll(half[0])) / 8;
        if (half[1] != 0) return at + 8 + static_cast<size_t>(__builtin_ctzll(half[1])) / 8;
      }
      while (at < n && data[at] != m_cDelimiter) ++at;
      return at;
    }
    size_t i = begin;
    while (i < n && !m_isDelimiter.Contains(data[i])) ++i;
    return i;
  }

  std::string_view m_svText;
  ByteSet m_isDelimiter;
  bool m_bSingle;
  char m_cDelimiter;
};

}  // namespace

// By value as callers link against it; only read.
std::vector<String> String::StringSplit(
    String delimiters,  // NOLINT(performance-unnecessary-value-param)
    bool keepEmpty) const {
  std::vector<String> result;
  if (empty()) return result;
  const Fields fields(c_str(), delimiters);
  fields.ForEach([&result, keepEmpty](std::string_view field) {
    if (keepEmpty || !field.empty()) {
      result.emplace_back(field.data(), static_cast<unsigned long>(field.size()));
    }
  });
  return result;
}
