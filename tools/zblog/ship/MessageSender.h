#ifndef ZBUTIL_TOOLS_ZBLOG_SHIP_MESSAGESENDER_H_
#define ZBUTIL_TOOLS_ZBLOG_SHIP_MESSAGESENDER_H_

// MessageSender: what ship needs of a session to a receiver that acknowledges every
// message, in order (RELP; RelpSender is the real one). Ship moves a log's state only
// past messages that Acknowledged counts, so a sender must never count one the
// receiver has not confirmed.

#include <stdint.h>

#include <string>
#include <string_view>

namespace zblog {

class MessageSender {
 public:
  virtual ~MessageSender() = default;

  // Opens a session. Returns an empty string, or why it could not.
  virtual std::string Connect() = 0;
  virtual bool IsConnected() const = 0;
  // Sends one message on the open session. Returns false when the session broke (it is
  // then closed; what was sent on it and not acknowledged must be sent again).
  virtual bool Send(std::string_view message) = 0;
  // Why the last session broke, in a few words ("no acknowledgment within 10 s").
  virtual std::string const& BreakReason() const = 0;
  // Messages sent on this session (since Connect).
  virtual uint64_t Sent() const = 0;
  // Of those, how many are acknowledged at least.
  virtual uint64_t Acknowledged() const = 0;
  // How many may be unacknowledged at once: that many more sends confirm all before.
  virtual int Window() const = 0;
  // Closes the session, politely when it is still up.
  virtual void Close() = 0;
};

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_SHIP_MESSAGESENDER_H_
