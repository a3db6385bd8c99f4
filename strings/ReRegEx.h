#ifndef ZBUTIL_STRINGS_REREGEX_H_
#define ZBUTIL_STRINGS_REREGEX_H_

// ReRegEx: the pattern matcher behind String::MatchesRegularExpression. It compiles
// nothing and matches nothing: Parse only checks that a pattern is given, and Match
// always reports no match. Stateless, so any number of threads may use one object.

#include <stdint.h>

#include "platform/Export.h"
#include "strings/String.h"

class ZBUTIL_API ReRegEx {
 public:
  // Do nothing; out of line, so that programs built for this interface find them.
  ReRegEx();
  ~ReRegEx();  // NOLINT(performance-trivially-destructible): exported, so out of line

  // Returns 0 when pattern is not empty and E_GENERAL_FAILURE when it is. Nothing
  // of the pattern is kept.
  int32_t Parse(String const& pattern);
  // Sets matched to false and returns 0; text is not read.
  int32_t Match(String const& text, bool& matched);
};

#endif  // ZBUTIL_STRINGS_REREGEX_H_
