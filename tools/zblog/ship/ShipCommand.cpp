// zblog ship: logs to a RELP receiver, every record acknowledged before the state
// file moves past it.
#include "ship/ShipCommand.h"

#include <signal.h>
#include <stdio.h>

#include <string>

#include "ship/RelpSender.h"
#include "ship/ShipState.h"
#include "ship/Shipper.h"

namespace zblog {
namespace {

constexpr int kWindow = 64;
constexpr unsigned kTimeoutSeconds = 10;

volatile sig_atomic_t sg_iStop = 0;

void RequestStop(int /*signal*/) { sg_iStop = 1; }

}  // namespace

int RunShip(ShipOptions const& options) {
  if (!options.m_Tls.m_bEnabled) {
    fprintf(stderr,
            "zblog: warning: --insecure-no-tls: records go to %s in clear text, to whoever "
            "answers there, and the receiver cannot tell ship from anyone else\n",
            options.m_strTarget.c_str());
  }
  struct sigaction action {};
  action.sa_handler = RequestStop;  // no SA_RESTART: a pause ends at once
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);  // a receiver that goes away is an error result, not a signal
  // The state names its log by absolute path, whatever the directory ship runs in.
  ShipOptions absolute = options;
  for (std::string& log : absolute.m_vLogs) log = AbsoluteLogPath(log);
  RelpSender sender(absolute.m_strTarget, absolute.m_strPort, absolute.m_Tls, kWindow,
                    kTimeoutSeconds);
  return ShipLogs(absolute, sender, sg_iStop);
}

}  // namespace zblog
