#ifndef ZBUTIL_FUZZ_JSONCHECK_H_
#define ZBUTIL_FUZZ_JSONCHECK_H_

// Checks of zblog's JSON lines for the fuzz targets that read logs.

#include <ctype.h>
#include <stddef.h>

#include <string_view>

namespace fuzz {

// A JSON value as AppendRecordJson writes them: a string or an integer.
inline bool Value(std::string_view json, size_t& at);

inline bool String(std::string_view json, size_t& at) {
  if (at >= json.size() || json[at++] != '"') return false;
  while (at < json.size() && json[at] != '"') {
    const unsigned char c = static_cast<unsigned char>(json[at++]);
    if (c < 0x20) return false;
    if (c == '\\') {
      if (at >= json.size()) return false;
      const char escaped = json[at++];
      if (escaped == 'u') {
        for (int i = 0; i < 4; ++i, ++at) {
          if (at >= json.size() || !isxdigit(static_cast<unsigned char>(json[at]))) return false;
        }
      } else if (std::string_view("\"\\/bfnrt").find(escaped) == std::string_view::npos) {
        return false;
      }
    }
  }
  return at++ < json.size();
}

inline bool Value(std::string_view json, size_t& at) {
  if (at < json.size() && json[at] == '"') return String(json, at);
  const size_t start = at;
  if (at < json.size() && json[at] == '-') ++at;
  while (at < json.size() && json[at] >= '0' && json[at] <= '9') ++at;
  return at > start && json[at - 1] != '-';
}

// One object of string keys and values, then a line feed, and nothing else.
inline bool IsJsonLine(std::string_view json) {
  size_t at = 0;
  if (json.empty() || json[at++] != '{') return false;
  do {
    if (!String(json, at) || at >= json.size() || json[at++] != ':' || !Value(json, at)) {
      return false;
    }
  } while (at < json.size() && json[at] == ',' && ++at);
  return json.substr(at) == "}\n";
}

// Valid UTF-8: the JSON replaces every byte that is not.
inline bool IsUtf8(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead < 0x80                   ? 1
                          : lead >= 0xC2 && lead < 0xE0 ? 2
                          : lead >= 0xE0 && lead < 0xF0 ? 3
                          : lead >= 0xF0 && lead < 0xF5 ? 4
                                                        : 0;
    if (length == 0 || at + length > text.size()) return false;
    for (size_t i = 1; i < length; ++i) {
      if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return false;
    }
    at += length;
  }
  return true;
}

}  // namespace fuzz

#endif  // ZBUTIL_FUZZ_JSONCHECK_H_
