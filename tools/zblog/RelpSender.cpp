// The RELP client of zblog ship, on librelp.
#include "RelpSender.h"

// librelp.h declares C functions without extern "C" and uses size_t without stddef.h.
#include <stddef.h>
extern "C" {
#include <librelp.h>
}
#include <sys/socket.h>

#include <utility>

namespace zblog {
namespace {

// librelp calls its debug printer unconditionally; it has none until one is set.
void IgnoreDebug(char* /*format*/, ...) {}

}  // namespace

RelpSender::RelpSender(std::string host, std::string port, int window, unsigned timeoutSeconds)
    : m_strHost(std::move(host)),
      m_strPort(std::move(port)),
      m_uWindow(static_cast<uint64_t>(window)),
      m_uTimeout(timeoutSeconds) {}

RelpSender::~RelpSender() { Close(); }

std::string RelpSender::Connect() {
  Close();
  m_uSent = 0;
  relpRetVal result = relpEngineConstruct(&m_pEngine);
  if (result == RELP_RET_OK) result = relpEngineSetDbgprint(m_pEngine, IgnoreDebug);
  if (result == RELP_RET_OK) {
    result = relpEngineSetEnableCmd(m_pEngine,
                                    reinterpret_cast<unsigned char*>(const_cast<char*>("syslog")),
                                    eRelpCmdState_Required);
  }
  if (result == RELP_RET_OK) result = relpEngineCltConstruct(m_pEngine, &m_pClient);
  if (result == RELP_RET_OK) result = relpCltSetTimeout(m_pClient, m_uTimeout);
  if (result == RELP_RET_OK)
    result = relpCltSetConnTimeout(m_pClient, static_cast<int>(m_uTimeout));
  if (result == RELP_RET_OK) result = relpCltSetWindowSize(m_pClient, static_cast<int>(m_uWindow));
  if (result == RELP_RET_OK) {
    result = relpCltConnect(m_pClient, AF_UNSPEC, reinterpret_cast<unsigned char*>(&m_strPort[0]),
                            reinterpret_cast<unsigned char*>(&m_strHost[0]));
  }
  if (result == RELP_RET_OK) return "";
  Close();
  return result == RELP_RET_SESSION_BROKEN || result == RELP_RET_IO_ERR
             ? "cannot connect to " + m_strHost + " port " + m_strPort
             : "cannot open a RELP session with " + m_strHost + " port " + m_strPort +
                   " (librelp error " + std::to_string(result) + ")";
}

bool RelpSender::Send(std::string_view message) {
  if (m_pClient == nullptr) return false;
  // librelp takes the buffer as non-const but only reads it.
  auto* bytes = reinterpret_cast<unsigned char*>(const_cast<char*>(message.data()));
  if (relpCltSendSyslog(m_pClient, bytes, message.size()) != RELP_RET_OK) {
    Close();
    return false;
  }
  ++m_uSent;
  return true;
}

void RelpSender::Close() {
  if (m_pClient != nullptr) relpEngineCltDestruct(m_pEngine, &m_pClient);
  if (m_pEngine != nullptr) relpEngineDestruct(&m_pEngine);
  m_pClient = nullptr;
  m_pEngine = nullptr;
}

}  // namespace zblog
