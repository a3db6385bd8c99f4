#ifndef ZBUTIL_TOOLS_ZBLOG_SHIP_RELPSENDER_H_
#define ZBUTIL_TOOLS_ZBLOG_SHIP_RELPSENDER_H_

// RelpSender: one RELP session (librelp) to a receiver, sending syslog messages and
// telling how many of them the receiver has acknowledged.
//
// RELP acknowledges every message, in order. librelp counts the messages not yet
// acknowledged and reads acknowledgments only while it sends: a sender that has
// nothing more to send confirms the rest by sending marks (messages the receiving
// configuration drops). Where librelp does not tell its count, the sender falls back to
// the window: librelp lets at most `window` messages be unacknowledged, so once a send
// returns, all but the last `window` have been acknowledged. Over TLS librelp takes in
// one TLS record, one acknowledgment, per send, so the count lags by nearly a window:
// after a break, up to a window of messages the receiver had are sent again.
// The session is TLS unless `tls` says otherwise: a receiver whose certificate the CA did
// not sign, or that names none of the expected peers, is refused before anything is sent.
// Owns its librelp engine and client; single-threaded.

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>

#include "ship/RelpTls.h"

struct relpEngine_s;
struct relpClt_s;

namespace zblog {

class RelpSender {
 public:
  RelpSender(std::string host, std::string port, RelpTls tls, int window, unsigned timeoutSeconds);
  ~RelpSender();
  RelpSender(RelpSender const&) = delete;
  RelpSender& operator=(RelpSender const&) = delete;

  // Opens a session. Returns an empty string, or why it could not.
  std::string Connect();
  bool IsConnected() const { return m_pClient != nullptr; }
  // Sends one message on the open session. Returns false when the session broke (it is
  // then closed; what was sent on it and not acknowledged must be sent again).
  bool Send(std::string_view message);
  // Why the last session broke, in a few words ("no acknowledgment within 10 s").
  std::string const& BreakReason() const { return m_strBreak; }
  // Messages sent on this session (since Connect).
  uint64_t Sent() const { return m_uSent; }
  // Of those, how many are acknowledged at least.
  uint64_t Acknowledged() const;
  // librelp's count of messages not acknowledged, as it changes.
  void CountUnacknowledged(int count, bool added);
  // librelp's words for an error inside a call (a refused certificate, a TLS failure).
  void NoteError(char const* text);
  int Window() const { return static_cast<int>(m_uWindow); }
  // Closes the session, politely when it is still up.
  void Close();

 private:
  int EnableTls();  // a relpRetVal
  std::string m_strHost;
  std::string m_strPort;
  RelpTls m_Tls;
  std::string m_strError;  // librelp's first error text during Connect
  std::string m_strBreak;  // set when Send finds the session broken
  uint64_t m_uWindow;
  unsigned m_uTimeout;
  relpEngine_s* m_pEngine = nullptr;  // both null while not connected
  relpClt_s* m_pClient = nullptr;
  uint64_t m_uSent = 0;
  int m_iUnacknowledged = -1;  // librelp's count on this session; -1 until it tells
};

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_SHIP_RELPSENDER_H_
