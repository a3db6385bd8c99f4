#ifndef ZBUTIL_TOOLS_ZBLOG_SHIP_RELPTLS_H_
#define ZBUTIL_TOOLS_ZBLOG_SHIP_RELPTLS_H_

// How zblog ship secures its RELP session. By default TLS with certificates on both
// sides: the receiver must present a certificate signed by the CA and carrying one of
// the expected names, and ship presents its own for the receiver to check. Plain RELP
// (no encryption, no authentication either way) only when asked for by name.

#include <string>
#include <vector>

namespace zblog {

struct RelpTls {
  bool m_bEnabled = true;
  std::string m_strCaFile;                // PEM: the CA that signed the receiver's certificate
  std::string m_strCertFile;              // PEM: ship's own certificate
  std::string m_strKeyFile;               // PEM: its private key
  std::vector<std::string> m_vPeerNames;  // the receiver's certificate names one; empty: the target
};

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_SHIP_RELPTLS_H_
