#ifndef ZBUTIL_TOOLS_ZBLOG_SHIP_ACKCOUNTER_H_
#define ZBUTIL_TOOLS_ZBLOG_SHIP_ACKCOUNTER_H_

// AckCounter: how many of the messages sent on a RELP session the receiver has
// acknowledged, learnt from librelp's debug printer.
//
// RELP acknowledges every message, in order. librelp counts the messages not yet
// acknowledged and tells that count only through its debug printer: "ADD sess %p
// unacked %d" when a message goes out, "DEL sess %p unacked %d" when its
// acknowledgment comes in. Where it prints otherwise (another version), the counter
// falls back to the window: librelp lets at most `window` messages be unacknowledged,
// so once a send returns, all but the last `window` are acknowledged. Either way the
// count never runs ahead of the receiver.

#include <stdarg.h>
#include <stdint.h>

namespace zblog {

class AckCounter {
 public:
  explicit AckCounter(uint64_t window) : m_uWindow(window) {}

  // A new session: nothing sent, and librelp's count unknown again.
  void Reset() {
    m_uSent = 0;
    m_iUnacknowledged = -1;
  }
  // A message went out (its send returned).
  void CountSent() { ++m_uSent; }
  // One call of librelp's debug printer: its format and the arguments after it. Reads
  // the arguments only when the format starts as one of the two lines above.
  void OnDebug(char const* format, va_list arguments);

  uint64_t Sent() const { return m_uSent; }
  // Of the messages sent, how many are acknowledged at least.
  uint64_t Acknowledged() const;
  uint64_t Window() const { return m_uWindow; }

 private:
  uint64_t m_uWindow;
  uint64_t m_uSent = 0;
  int m_iUnacknowledged = -1;  // librelp's count on this session; -1 until it tells
};

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_SHIP_ACKCOUNTER_H_
