// Options of "zblog ship".
#include "ship/ShipOptions.h"

#include <getopt.h>

namespace zblog {
namespace {

constexpr char kSynopsis[] =
    "       zblog ship --target HOST [--port PORT] (--state FILE | --state-dir DIR)\n"
    "                  (--tls-ca FILE --tls-cert FILE --tls-key FILE [--tls-peer NAME]...\n"
    "                   | --insecure-no-tls)\n"
    "                  [--hostname NAME] [--unparsed ship|skip] [--from-oldest]\n"
    "                  [--metrics FILE] LOG...\n"
    "       zblog ship --status [--json] (--state FILE | --state-dir DIR) LOG...\n";
constexpr char kHelp[] =
    "ship follows each LOG as --follow does and sends every record, verbatim, to a RELP\n"
    "receiver (default port 2514), keeping in the state file how far the receiver has\n"
    "acknowledged; a restarted ship goes on from there, through rotations in between.\n"
    "Bytes outside records are shipped as they are (or skipped); --from-oldest ignores\n"
    "the state and starts again at the oldest backup. It runs until stopped.\n"
    "The session is TLS: the receiver's certificate must be signed by --tls-ca and name\n"
    "--tls-peer (default: the target); ship shows --tls-cert and --tls-key to the\n"
    "receiver. --insecure-no-tls sends in clear text to whoever answers instead.\n"
    "--status prints, per LOG, where its state stands: the acknowledged file and\n"
    "offset, the bytes and records behind the live log's end, the last acknowledgement\n"
    "and whether a ship holds the state (--json: one object per log); it changes\n"
    "nothing and may run beside ship. --metrics FILE rewrites FILE every 2 s with\n"
    "ship's counters in the Prometheus text format.\n";

enum ShipOption {
  kTarget = OptionScanner::kLongOnly,
  kPort,
  kState,
  kStateDir,
  kHostname,
  kUnparsed,
  kFromOldest,
  kTlsCa,
  kTlsCert,
  kTlsKey,
  kTlsPeer,
  kInsecureNoTls,
  kStatus,
  kJson,
  kMetrics
};
constexpr struct option kShipLong[] = {{"target", required_argument, nullptr, kTarget},
                                       {"port", required_argument, nullptr, kPort},
                                       {"state", required_argument, nullptr, kState},
                                       {"state-dir", required_argument, nullptr, kStateDir},
                                       {"hostname", required_argument, nullptr, kHostname},
                                       {"unparsed", required_argument, nullptr, kUnparsed},
                                       {"from-oldest", no_argument, nullptr, kFromOldest},
                                       {"tls-ca", required_argument, nullptr, kTlsCa},
                                       {"tls-cert", required_argument, nullptr, kTlsCert},
                                       {"tls-key", required_argument, nullptr, kTlsKey},
                                       {"tls-peer", required_argument, nullptr, kTlsPeer},
                                       {"insecure-no-tls", no_argument, nullptr, kInsecureNoTls},
                                       {"status", no_argument, nullptr, kStatus},
                                       {"json", no_argument, nullptr, kJson},
                                       {"metrics", required_argument, nullptr, kMetrics},
                                       {"help", no_argument, nullptr, 'h'},
                                       {nullptr, 0, nullptr, 0}};

// TLS needs all three files; plain RELP takes none, so that a half-done setup is not
// taken for a secured one.
std::string CheckTls(RelpTls const& tls) {
  const bool any = !tls.m_strCaFile.empty() || !tls.m_strCertFile.empty() ||
                   !tls.m_strKeyFile.empty() || !tls.m_vPeerNames.empty();
  if (!tls.m_bEnabled) return any ? "--insecure-no-tls excludes the --tls options" : "";
  if (tls.m_strCaFile.empty() || tls.m_strCertFile.empty() || tls.m_strKeyFile.empty()) {
    return "ship needs --tls-ca, --tls-cert and --tls-key (or --insecure-no-tls)";
  }
  return "";
}

}  // namespace

std::string ParseShipArguments(std::vector<std::string> const& arguments, ShipOptions& ship,
                               Request& request) {
  OptionScanner scanner(arguments, ":h", kShipLong);
  for (int option = scanner.Next(); option != -1; option = scanner.Next()) {
    const std::string value = optarg != nullptr ? optarg : "";
    long long port = 0;
    switch (option) {
      case 'h':
        request = Request::kHelp;
        return "";
      case kTarget:
        ship.m_strTarget = value;
        break;
      case kPort:
        if (!ParseNumber(value, 1, 65535, port)) return "invalid port: '" + value + "'";
        ship.m_strPort = value;
        break;
      case kState:
        ship.m_strStateFile = value;
        break;
      case kStateDir:
        ship.m_strStateDirectory = value;
        break;
      case kHostname:
        ship.m_strHostname = value;
        break;
      case kUnparsed:
        if (value != "ship" && value != "skip") return "--unparsed takes ship or skip";
        ship.m_bSkipUnparsed = value == "skip";
        break;
      case kFromOldest:
        ship.m_bFromOldest = true;
        break;
      case kTlsCa:
        ship.m_Tls.m_strCaFile = value;
        break;
      case kTlsCert:
        ship.m_Tls.m_strCertFile = value;
        break;
      case kTlsKey:
        ship.m_Tls.m_strKeyFile = value;
        break;
      case kTlsPeer:
        if (value.empty()) return "empty --tls-peer";
        ship.m_Tls.m_vPeerNames.push_back(value);
        break;
      case kInsecureNoTls:
        ship.m_Tls.m_bEnabled = false;
        break;
      case kStatus:
        ship.m_bStatus = true;
        break;
      case kJson:
        ship.m_bJson = true;
        break;
      case kMetrics:
        if (value.empty()) return "empty --metrics";
        ship.m_strMetricsFile = value;
        break;
      default:  // '?' or ':'
        return scanner.Error(option);
    }
  }
  ship.m_vLogs = scanner.Operands();
  if (ship.m_bJson && !ship.m_bStatus) return "--json goes with --status";
  if (ship.m_strTarget.empty() && !ship.m_bStatus) return "ship needs --target HOST";
  if (ship.m_vLogs.empty()) return "ship needs at least one log";
  if (ship.m_strStateFile.empty() == ship.m_strStateDirectory.empty()) {
    return "ship needs either --state FILE or --state-dir DIR";
  }
  if (!ship.m_strStateFile.empty() && ship.m_vLogs.size() > 1) {
    return "--state keeps one log's state: use --state-dir for several logs";
  }
  // The unit's command line with --status added reports on it: its TLS is not needed.
  return ship.m_bStatus ? "" : CheckTls(ship.m_Tls);
}

char const* ShipSynopsis() { return kSynopsis; }
char const* ShipHelp() { return kHelp; }

}  // namespace zblog
