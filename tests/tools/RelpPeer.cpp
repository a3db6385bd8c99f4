// relp_peer: a RELP client that sends each line of standard input, as it stands, as one
// syslog message to 127.0.0.1 PORT, then sends marks (dropped by the receiving
// configuration) until the receiver has acknowledged every line. The tests use it as a
// peer that names itself what it likes.
//   relp_peer PORT CA CERT KEY PEER   TLS, the receiver's certificate must name PEER
//   relp_peer PORT --insecure-no-tls  plain RELP
// Exit status 0 when every message was acknowledged, 1 when the session was refused or
// broke (the reason on standard error), 2 for a usage error.
#include <stdio.h>

#include <iostream>
#include <string>

#include "ship/RelpSender.h"

int main(int argc, char** argv) {
  zblog::RelpTls tls;
  if (argc == 3 && std::string(argv[2]) == "--insecure-no-tls") {
    tls.m_bEnabled = false;
  } else if (argc == 6) {
    tls.m_strCaFile = argv[2];
    tls.m_strCertFile = argv[3];
    tls.m_strKeyFile = argv[4];
    tls.m_vPeerNames.push_back(argv[5]);
  } else {
    fputs("usage: relp_peer PORT (CA CERT KEY PEER | --insecure-no-tls) < MESSAGES\n", stderr);
    return 2;
  }
  zblog::RelpSender sender("127.0.0.1", argv[1], tls, 64, 5);
  const std::string error = sender.Connect();
  if (!error.empty()) {
    fprintf(stderr, "relp_peer: %s\n", error.c_str());
    return 1;
  }
  for (std::string line; std::getline(std::cin, line);) {
    if (!sender.Send(line)) {
      fputs("relp_peer: the session broke\n", stderr);
      return 1;
    }
  }
  const uint64_t lines = sender.Sent();
  const std::string mark = "<135>1 - relp-peer zblog-ship-mark - - - mark";
  for (int i = 0; i < sender.Window() && sender.Acknowledged() < lines; ++i) {
    if (!sender.Send(mark)) {
      fputs("relp_peer: the session broke\n", stderr);
      return 1;
    }
  }
  return sender.Acknowledged() >= lines ? 0 : 1;
}
