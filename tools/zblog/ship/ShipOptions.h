#ifndef ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPOPTIONS_H_
#define ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPOPTIONS_H_

// The command line of "zblog ship" (and of its --status).

#include <string>
#include <vector>

#include "cli/OptionScanner.h"
#include "ship/RelpTls.h"

namespace zblog {

// Shipping logs to a RELP receiver.
struct ShipOptions {
  std::vector<std::string> m_vLogs;
  std::string m_strTarget;          // receiver host (required)
  std::string m_strPort = "2514";   // receiver port
  std::string m_strStateFile;       // --state: one log's state file
  std::string m_strStateDirectory;  // --state-dir: "<log name>.state" per log
  std::string m_strHostname;        // the host name sent; empty: this machine's
  bool m_bSkipUnparsed = false;     // bytes outside records: skipped, not shipped
  bool m_bFromOldest = false;       // ignore the state: start at the oldest backup
  RelpTls m_Tls;                    // --tls-*; --insecure-no-tls turns it off
  std::string m_strMetricsFile;     // --metrics: rewritten every few seconds
  bool m_bStatus = false;           // --status: report the states, ship nothing
  bool m_bJson = false;             // --json: the report as JSON lines
};

// Fills `ship` from the arguments, the first being the word "ship". Sets `request` for
// --help. Returns an empty string, or the reason the command line is not valid.
std::string ParseShipArguments(std::vector<std::string> const& arguments, ShipOptions& ship,
                               Request& request);

// The synopsis lines and the help paragraphs of ship, for --help.
char const* ShipSynopsis();
char const* ShipHelp();

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPOPTIONS_H_
