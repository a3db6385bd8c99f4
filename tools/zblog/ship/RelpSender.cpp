// The RELP client of zblog ship, on librelp.
#include "ship/RelpSender.h"

// librelp.h declares C functions without extern "C" and uses size_t without stddef.h.
#include <stddef.h>
extern "C" {
#include <librelp.h>
}
#include <sys/socket.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <utility>

namespace zblog {
namespace {

// librelp tells of acknowledgments only through its debug printer (which it calls
// unconditionally, so one must be set); AckCounter reads the lines that count.
thread_local RelpSender* tl_pSending = nullptr;  // the sender inside a librelp call

constexpr char kConnectFailed[] = "error opening connection to remote peer";

void PrintDebug(char* format, ...) {
  if (tl_pSending == nullptr) return;
  va_list arguments;
  va_start(arguments, format);
  tl_pSending->OnDebug(format, arguments);
  va_end(arguments);
}

// librelp reports a refused certificate or a failed handshake only through callbacks.
void NoteError(char const* message) {
  if (tl_pSending != nullptr && message != nullptr) tl_pSending->NoteError(message);
}
void OnAuthError(void* /*user*/, char* /*peer*/, char* message, relpRetVal /*code*/) {
  NoteError(message);
}
void OnError(void* /*user*/, char* /*object*/, char* message, relpRetVal /*code*/) {
  NoteError(message);
}
void OnGenericError(char* /*object*/, char* message, relpRetVal /*code*/) { NoteError(message); }

// librelp's setters take char* for texts they only read.
char* Text(std::string const& text) { return const_cast<char*>(text.c_str()); }

// Marks the sender as the one librelp's debug printer speaks of, for one call.
class Sending {
 public:
  explicit Sending(RelpSender* sender) { tl_pSending = sender; }
  ~Sending() { tl_pSending = nullptr; }
  Sending(Sending const&) = delete;
  Sending& operator=(Sending const&) = delete;
};

}  // namespace

RelpSender::RelpSender(std::string host, std::string port, RelpTls tls, int window,
                       unsigned timeoutSeconds)
    : m_strHost(std::move(host)),
      m_strPort(std::move(port)),
      m_Tls(std::move(tls)),
      m_Acks(static_cast<uint64_t>(window)),
      m_uTimeout(timeoutSeconds) {}

RelpSender::~RelpSender() { EndSession(); }

// Mutual authentication by name: the receiver's certificate must chain to the CA and
// carry one of the expected names (subjectAltName, or the common name).
int RelpSender::EnableTls() {
  relpRetVal result = relpCltEnableTLS(m_pClient);
  if (result == RELP_RET_OK) result = relpCltSetCACert(m_pClient, Text(m_Tls.m_strCaFile));
  if (result == RELP_RET_OK) result = relpCltSetOwnCert(m_pClient, Text(m_Tls.m_strCertFile));
  if (result == RELP_RET_OK) result = relpCltSetPrivKey(m_pClient, Text(m_Tls.m_strKeyFile));
  if (result == RELP_RET_OK) result = relpCltSetAuthMode(m_pClient, const_cast<char*>("name"));
  if (m_Tls.m_vPeerNames.empty() && result == RELP_RET_OK) {
    result = relpCltAddPermittedPeer(m_pClient, Text(m_strHost));
  }
  for (std::string const& peer : m_Tls.m_vPeerNames) {
    if (result == RELP_RET_OK) result = relpCltAddPermittedPeer(m_pClient, Text(peer));
  }
  return result;
}

std::string RelpSender::Connect() {
  Close();
  m_Acks.Reset();
  m_strError.clear();
  Sending sending(this);
  relpRetVal result = relpEngineConstruct(&m_pEngine);
  if (result == RELP_RET_OK) result = relpEngineSetDbgprint(m_pEngine, PrintDebug);
  if (result == RELP_RET_OK) result = relpEngineSetOnAuthErr(m_pEngine, OnAuthError);
  if (result == RELP_RET_OK) result = relpEngineSetOnErr(m_pEngine, OnError);
  if (result == RELP_RET_OK) result = relpEngineSetOnGenericErr(m_pEngine, OnGenericError);
  if (result == RELP_RET_OK) {
    result = relpEngineSetEnableCmd(m_pEngine,
                                    reinterpret_cast<unsigned char*>(const_cast<char*>("syslog")),
                                    eRelpCmdState_Required);
  }
  if (result == RELP_RET_OK) result = relpEngineCltConstruct(m_pEngine, &m_pClient);
  if (result == RELP_RET_OK) result = relpCltSetTimeout(m_pClient, m_uTimeout);
  if (result == RELP_RET_OK)
    result = relpCltSetConnTimeout(m_pClient, static_cast<int>(m_uTimeout));
  if (result == RELP_RET_OK) result = relpCltSetWindowSize(m_pClient, Window());
  if (result == RELP_RET_OK && m_Tls.m_bEnabled) result = EnableTls();
  if (result == RELP_RET_OK) {
    result = relpCltConnect(m_pClient, AF_UNSPEC, reinterpret_cast<unsigned char*>(&m_strPort[0]),
                            reinterpret_cast<unsigned char*>(&m_strHost[0]));
  }
  if (result == RELP_RET_OK) return "";
  Close();
  const std::string peer = m_strHost + " port " + m_strPort;
  if (!m_strError.empty()) return "cannot open a RELP session with " + peer + ": " + m_strError;
  return result == RELP_RET_SESSION_BROKEN || result == RELP_RET_IO_ERR
             ? "cannot connect to " + peer
             : "cannot open a RELP session with " + peer + " (librelp error " +
                   std::to_string(result) + ")";
}

void RelpSender::NoteError(char const* text) {
  // The first is the cause, the rest follow from it; librelp's closing summary of a
  // failed connect says no more than the result does.
  if (m_strError.empty() && strcmp(text, kConnectFailed) != 0) m_strError = text;
}

bool RelpSender::Send(std::string_view message) {
  if (m_pClient == nullptr) return false;
  // librelp takes the buffer as non-const but only reads it.
  auto* bytes = reinterpret_cast<unsigned char*>(const_cast<char*>(message.data()));
  Sending sending(this);
  const relpRetVal result = relpCltSendSyslog(m_pClient, bytes, message.size());
  if (result != RELP_RET_OK) {
    m_strBreak = result == RELP_RET_TIMED_OUT
                     ? "no acknowledgment within " + std::to_string(m_uTimeout) + " s"
                 : result == RELP_RET_SESSION_BROKEN || result == RELP_RET_IO_ERR
                     ? "the connection broke"
                     : "librelp error " + std::to_string(result);
    Close();
    return false;
  }
  m_Acks.CountSent();
  return true;
}

void RelpSender::Close() { EndSession(); }

void RelpSender::EndSession() {
  Sending sending(this);
  if (m_pClient != nullptr) relpEngineCltDestruct(m_pEngine, &m_pClient);
  if (m_pEngine != nullptr) relpEngineDestruct(&m_pEngine);
  m_pClient = nullptr;
  m_pEngine = nullptr;
}

}  // namespace zblog
