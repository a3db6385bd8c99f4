// The service manager's notification protocol: datagrams to $NOTIFY_SOCKET.
#include "ship/ServiceNotifier.h"

#include <stddef.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zblog {
namespace {

constexpr long long kStatusMilliseconds = 1000;

// A decimal environment value, or 0 when unset or not a positive number.
long long EnvironmentNumber(char const* name) {
  char const* text = getenv(name);
  if (text == nullptr || *text == '\0') return 0;
  char* end = nullptr;
  const long long value = strtoll(text, &end, 10);
  return *end == '\0' && value > 0 ? value : 0;
}

}  // namespace

ServiceNotifier::ServiceNotifier() {
  char const* address = getenv("NOTIFY_SOCKET");
  if (address == nullptr || (address[0] != '/' && address[0] != '@') ||
      strlen(address) >= sizeof(sockaddr_un::sun_path)) {
    return;
  }
  m_strAddress = address;
  if (m_strAddress[0] == '@') m_strAddress[0] = '\0';
  m_Socket.Reset(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  const long long watchdogPid = EnvironmentNumber("WATCHDOG_PID");
  if (watchdogPid == 0 || watchdogPid == getpid()) {
    m_llWatchdogMilliseconds = EnvironmentNumber("WATCHDOG_USEC") / 2000;
  }
}

bool ServiceNotifier::StatusDue(long long nowMilliseconds) const {
  return m_Socket.IsOpen() &&
         (m_llLastStatus == 0 || nowMilliseconds - m_llLastStatus >= kStatusMilliseconds);
}

void ServiceNotifier::Status(std::string const& line, long long nowMilliseconds) {
  if (!StatusDue(nowMilliseconds) || line == m_strLastStatus) return;
  m_strLastStatus = line;
  m_llLastStatus = nowMilliseconds;
  Send("STATUS=" + line);
}

void ServiceNotifier::Watchdog(long long nowMilliseconds) {
  if (m_llWatchdogMilliseconds == 0 || nowMilliseconds - m_llLastPing < m_llWatchdogMilliseconds) {
    return;
  }
  m_llLastPing = nowMilliseconds;
  Send("WATCHDOG=1");
}

void ServiceNotifier::Send(std::string const& text) {
  if (!m_Socket.IsOpen()) return;
  struct sockaddr_un address {};
  address.sun_family = AF_UNIX;
  memcpy(address.sun_path, m_strAddress.data(), m_strAddress.size());
  const socklen_t length =
      static_cast<socklen_t>(offsetof(struct sockaddr_un, sun_path) + m_strAddress.size());
  // MSG_DONTWAIT: a manager that does not read never stalls the main loop.
  sendto(m_Socket.Get(), text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT,
         reinterpret_cast<struct sockaddr const*>(&address), length);
}

}  // namespace zblog
