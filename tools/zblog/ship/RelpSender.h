#ifndef ZBUTIL_TOOLS_ZBLOG_SHIP_RELPSENDER_H_
#define ZBUTIL_TOOLS_ZBLOG_SHIP_RELPSENDER_H_

// RelpSender: one RELP session (librelp) to a receiver, sending syslog messages and
// telling how many of them the receiver has acknowledged (see AckCounter).
//
// librelp reads acknowledgments only while it sends: a sender that has nothing more to
// send confirms the rest by sending marks (messages the receiving configuration drops).
// Over TLS librelp takes in one TLS record, one acknowledgment, per send, so the count
// lags by nearly a window: after a break, up to a window of messages the receiver had
// are sent again.
// The session is TLS unless `tls` says otherwise: a receiver whose certificate the CA did
// not sign, or that names none of the expected peers, is refused before anything is sent.
// Owns its librelp engine and client; single-threaded.

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>

#include "ship/AckCounter.h"
#include "ship/MessageSender.h"
#include "ship/RelpTls.h"

struct relpEngine_s;
struct relpClt_s;

namespace zblog {

class RelpSender : public MessageSender {
 public:
  RelpSender(std::string host, std::string port, RelpTls tls, int window, unsigned timeoutSeconds);
  ~RelpSender() override;
  RelpSender(RelpSender const&) = delete;
  RelpSender& operator=(RelpSender const&) = delete;

  std::string Connect() override;
  bool IsConnected() const override { return m_pClient != nullptr; }
  bool Send(std::string_view message) override;
  std::string const& BreakReason() const override { return m_strBreak; }
  uint64_t Sent() const override { return m_Acks.Sent(); }
  uint64_t Acknowledged() const override { return m_Acks.Acknowledged(); }
  int Window() const override { return static_cast<int>(m_Acks.Window()); }
  void Close() override;

  // librelp's debug printer and its error callbacks, during a call of this sender.
  void OnDebug(char const* format, va_list arguments) { m_Acks.OnDebug(format, arguments); }
  void NoteError(char const* text);

 private:
  int EnableTls();    // a relpRetVal
  void EndSession();  // Close, also from the destructor (no virtual call there)
  std::string m_strHost;
  std::string m_strPort;
  RelpTls m_Tls;
  AckCounter m_Acks;
  std::string m_strError;  // librelp's first error text during Connect
  std::string m_strBreak;  // set when Send finds the session broken
  unsigned m_uTimeout;
  relpEngine_s* m_pEngine = nullptr;  // both null while not connected
  relpClt_s* m_pClient = nullptr;
};

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_SHIP_RELPSENDER_H_
