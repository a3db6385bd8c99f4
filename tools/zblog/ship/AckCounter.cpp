// Acknowledgments counted from librelp's debug lines.
#include "ship/AckCounter.h"

#include <string.h>

namespace zblog {
namespace {

constexpr char kAdded[] = "ADD sess %p unacked %d";
constexpr char kDeleted[] = "DEL sess %p unacked %d";

}  // namespace

void AckCounter::OnDebug(char const* format, va_list arguments) {
  if (format == nullptr) return;
  // librelp's format goes on (", sessState %d\n"); a format that starts so has a
  // pointer and an int as its first arguments, whatever follows.
  const bool added = strncmp(format, kAdded, sizeof kAdded - 1) == 0;
  if (!added && strncmp(format, kDeleted, sizeof kDeleted - 1) != 0) return;
  va_list copy;
  va_copy(copy, arguments);
  // The analyzer does not see va_copy initialise the list.
  va_arg(copy, void*);  // NOLINT(clang-analyzer-valist.Uninitialized)
  const int unacknowledged = va_arg(copy, int);
  va_end(copy);
  // A count below zero or above the window is not librelp's: keep the window bound.
  if (unacknowledged < 0 || static_cast<uint64_t>(unacknowledged) > m_uWindow) return;
  // Until a message has gone out, a "DEL" belongs to no count of ours.
  if (added || m_iUnacknowledged >= 0) m_iUnacknowledged = unacknowledged;
}

uint64_t AckCounter::Acknowledged() const {
  const uint64_t behind =
      m_iUnacknowledged >= 0 ? static_cast<uint64_t>(m_iUnacknowledged) : m_uWindow;
  return m_uSent > behind ? m_uSent - behind : 0;
}

}  // namespace zblog
