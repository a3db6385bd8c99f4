#ifndef ZBUTIL_STRINGS_STRINGDETAIL_H_
#define ZBUTIL_STRINGS_STRINGDETAIL_H_

// Internal helpers shared by the sources of String and AnsiString; not installed.

#include <string>
#include <string_view>
#include <utility>

#include "strings/String.h"

namespace zbutil_detail {

// A String that takes over the buffer of s, without copying the bytes.
inline String AdoptAsString(std::string&& s) {
  String result;
  result.swap(s);
  return result;
}

// text without the bytes of set at its start (when left) and at its end (when right).
// An empty set removes nothing; a text made only of bytes of set gives an empty view
// that still points into text.
inline std::string_view TrimmedView(std::string_view text, std::string_view set, bool left,
                                    bool right) {
  const size_t first = left ? text.find_first_not_of(set) : 0;
  if (first == std::string_view::npos) return text.substr(0, 0);
  const size_t last = right ? text.find_last_not_of(set) : text.size() - 1;
  return text.substr(first, last - first + 1);
}

}  // namespace zbutil_detail

#endif  // ZBUTIL_STRINGS_STRINGDETAIL_H_
