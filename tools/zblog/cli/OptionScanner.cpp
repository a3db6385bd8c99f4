#include "cli/OptionScanner.h"

#include <errno.h>
#include <stdlib.h>

#include <limits>

namespace zblog {

bool ParseNumber(std::string const& text, long long minimum, long long maximum, long long& value) {
  if (text.empty() || text.size() > 20) return false;
  char* end = nullptr;
  errno = 0;
  const long long parsed = strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || text[0] == ' ' || text[0] == '+') return false;
  if (parsed < minimum || parsed > maximum) return false;
  value = parsed;
  return true;
}

bool ParseUnsigned(std::string const& text, uint32_t& value) {
  long long parsed = 0;
  if (!ParseNumber(text, 0, std::numeric_limits<uint32_t>::max(), parsed)) return false;
  value = static_cast<uint32_t>(parsed);
  return true;
}

}  // namespace zblog
