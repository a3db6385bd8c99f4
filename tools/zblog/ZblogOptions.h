#ifndef ZBUTIL_TOOLS_ZBLOG_ZBLOGOPTIONS_H_
#define ZBUTIL_TOOLS_ZBLOG_ZBLOGOPTIONS_H_

// The command line of zblog: what to do and with which settings.

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include <logging/zbILogger.h>

#include "RelpTls.h"

namespace zblog {

enum class Command { kWrite, kParse, kShip, kHelp, kVersion };

// Writing records. Unset settings keep the logger's built-in defaults.
struct WriteOptions {
  std::optional<std::string> m_strDirectory;
  std::string m_strLogName = "zblog.log";
  int32_t m_iLevel = zbLogInformation;
  std::optional<uint32_t> m_uMaxSize;
  std::optional<uint32_t> m_uBackups;
  std::string m_strSource = "zblog";
  uint32_t m_uLine = 0;
  // How long to keep trying when another process holds the lock; 0 drops at once.
  unsigned long m_ulWaitMilliseconds = 100;
  // The message words, joined by blanks; none: one record per line of standard input.
  std::vector<std::string> m_vMessage;
};

struct ParseOptions {
  bool m_bFollow = false;
  std::vector<std::string> m_vFiles;  // none, or "-": standard input
};

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

struct Options {
  Command m_eCommand = Command::kWrite;
  WriteOptions m_Write;
  ParseOptions m_Parse;
  ShipOptions m_Ship;
};

// Fills `options` from the arguments after the program name: a subcommand word first
// ("parse", "ship"; none: write), then its options as getopt_long reads them (a long
// name may be abbreviated; a value follows as the next argument or after '='). Write's
// options end at the message's first word, parse's and ship's may stand among the
// files. Returns an empty string, or the reason the command line is not valid (one
// sentence, no program name).
std::string ParseArguments(std::vector<std::string> const& arguments, Options& options);

// A level given by name (case-insensitive: "error", "Error:", "info", "perf", ...) or
// by decimal number (any 32-bit value). Returns false when it is neither.
bool ParseLevel(std::string const& text, int32_t& level);

// The text of --help.
char const* UsageText();

// The text of --version: the program, the package and its version.
char const* VersionText();

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_ZBLOGOPTIONS_H_
