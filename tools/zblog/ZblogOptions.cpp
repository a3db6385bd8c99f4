// Command-line parsing for zblog: the subcommand word, then getopt_long per subcommand.
#include "ZblogOptions.h"

#include <errno.h>
#include <getopt.h>
#include <stdlib.h>
#include <strings.h>

#include <limits>
#include <string_view>
#include <utility>

#include "LogFileDefaults.h"
#include "LogLevels.h"

namespace zblog {
namespace {

// The defaults of --max-size and --backups come from the logger's own, in between.
constexpr char kUsageHead[] =
    "usage: zblog [OPTION]... [--] [MESSAGE]...\n"
    "       zblog parse [--follow] [FILE]...\n"
    "       zblog ship --target HOST [--port PORT] (--state FILE | --state-dir DIR)\n"
    "                  --tls-ca FILE --tls-cert FILE --tls-key FILE [--tls-peer NAME]...\n"
    "                  [--hostname NAME] [--unparsed ship|skip] [--from-oldest]\n"
    "                  [--metrics FILE] LOG...\n"
    "       zblog ship --status [--json] (--state FILE | --state-dir DIR) LOG...\n"
    "\n"
    "Appends one record (MESSAGE, words joined by blanks) to a shared log, or one\n"
    "record per non-empty line of standard input when no MESSAGE is given. Records,\n"
    "lock file and rotation are those of the library's logger. Put '--' before a\n"
    "message that starts with '-' or is the word 'parse'.\n"
    "\n"
    "  -d, --directory DIR   directory of the log (default: the library's)\n"
    "  -n, --name NAME       log file name (default: zblog.log; lock: .log -> .lock)\n"
    "  -l, --level LEVEL     critical, error, exception, warning, information (info),\n"
    "                        trace, perf, audit, or a number (default: information)\n"
    "  -s, --max-size BYTES  rotate once the log is larger (default: ";
constexpr char kUsageMiddle[] =
    ")\n"
    "  -b, --backups N       number of backups kept (default: ";
constexpr char kUsageTail[] =
    ")\n"
    "  -f, --file NAME       source file shown in the header (default: zblog)\n"
    "  -L, --line N          source line shown in the header (default: 0)\n"
    "  -w, --wait MS         wait at most MS milliseconds for the lock (default: 100)\n"
    "      --no-wait         drop a record at once when another process holds the lock\n"
    "  -h, --help            show this text\n"
    "      --version         show the version\n"
    "\n"
    "parse prints one JSON object per record of each FILE (a log or a backup; none\n"
    "or '-': standard input). --follow keeps reading one live log and continues\n"
    "through its rotations. The environment variable LogLevel filters records as it\n"
    "does for every program using the logger.\n"
    "\n"
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
    "ship's counters in the Prometheus text format.\n"
    "\n"
    "Exit status: 0 success; 1 a log that cannot be opened, records lost (another\n"
    "process held the lock past the wait, or rotation failed), or input that is not a\n"
    "clean log (each reported on standard error); 2 a usage error.\n";

// A decimal number in [minimum, maximum], the whole text.
bool ParseNumber(std::string const& text, long long minimum, long long maximum, long long& value) {
  if (text.empty() || text.size() > 20) return false;
  char* end = nullptr;
  errno = 0;
  const long long parsed = strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || text[0] == ' ' || text[0] == '+') return false;
  if (parsed < minimum || parsed > maximum) return false;
  value = parsed;
  return true;
}

bool ParseUnsigned(std::string const& text, uint32_t& value) {
  long long parsed = 0;
  if (!ParseNumber(text, 0, std::numeric_limits<uint32_t>::max(), parsed)) return false;
  value = static_cast<uint32_t>(parsed);
  return true;
}

// getopt_long over a copy of `arguments`, whose first stands for the program name (the
// subcommand's word, or "zblog"). getopt's state is global, so every scanner starts it
// afresh (optind = 0); it reports nothing itself (opterr = 0): Error words the reason.
class OptionScanner {
 public:
  OptionScanner(std::vector<std::string> arguments, char const* shortOptions,
                struct option const* longOptions)
      : m_vArguments(std::move(arguments)), m_pszShort(shortOptions), m_pLong(longOptions) {
    for (std::string& argument : m_vArguments) m_vArgv.push_back(argument.data());
    m_vArgv.push_back(nullptr);
    optind = 0;
    opterr = 0;
  }
  OptionScanner(OptionScanner const&) = delete;
  OptionScanner& operator=(OptionScanner const&) = delete;

  // The next option (its short name, or its value in the long table), -1 once the
  // options end, or '?' / ':' for an unknown option / a missing value.
  int Next() { return getopt_long(Count(), m_vArgv.data(), m_pszShort, m_pLong, nullptr); }
  // The reason for the '?' or ':' that Next returned last.
  std::string Error(int result) const {
    // A missing value ends its argument, and so does a long option; an unknown short
    // option may stand inside a cluster such as "-xa", so it is named alone.
    const std::string last(m_vArgv[static_cast<size_t>(optind) - 1]);
    const bool whole = result == ':' || optopt == 0 || optopt >= kLongOnly ||
                       (last.compare(0, 2, "--") == 0 && last.find('=') != std::string::npos);
    const std::string option = whole ? last : std::string("-") + static_cast<char>(optopt);
    if (result == ':') return "option '" + option + "' needs a value";
    return "unknown option: '" + option + "'";
  }
  // The arguments after the options (all non-options, where options may be mixed in).
  std::vector<std::string> Operands() const {
    return std::vector<std::string>(m_vArgv.begin() + optind, m_vArgv.end() - 1);
  }

  static constexpr int kLongOnly = 0x100;  // values of options with no short name

 private:
  int Count() const { return static_cast<int>(m_vArgv.size() - 1); }

  std::vector<std::string> m_vArguments;
  std::vector<char*> m_vArgv;
  char const* m_pszShort;
  struct option const* m_pLong;
};

constexpr int kNoWait = OptionScanner::kLongOnly;
constexpr int kVersion = OptionScanner::kLongOnly + 1;
// "+": the options end at the message's first word; ":": a missing value is reported.
constexpr char kWriteShort[] = "+:d:n:l:s:b:f:L:w:h";
constexpr struct option kWriteLong[] = {
    {"directory", required_argument, nullptr, 'd'}, {"name", required_argument, nullptr, 'n'},
    {"level", required_argument, nullptr, 'l'},     {"max-size", required_argument, nullptr, 's'},
    {"backups", required_argument, nullptr, 'b'},   {"file", required_argument, nullptr, 'f'},
    {"line", required_argument, nullptr, 'L'},      {"wait", required_argument, nullptr, 'w'},
    {"no-wait", no_argument, nullptr, kNoWait},     {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},    {nullptr, 0, nullptr, 0}};

std::string ApplyValue(int option, std::string const& value, WriteOptions& write) {
  uint32_t number = 0;
  switch (option) {
    case 'd':
      if (value.empty()) return "empty directory";
      write.m_strDirectory = value;
      return "";
    case 'n':
      if (value.empty() || value.find('/') != std::string::npos) {
        return "the log file name must be a bare name: '" + value + "'";
      }
      write.m_strLogName = value;
      return "";
    case 'l':
      return ParseLevel(value, write.m_iLevel) ? "" : "unknown level: '" + value + "'";
    case 's':
      if (!ParseUnsigned(value, number))
        return "invalid size (bytes, 0 to 4294967295): '" + value + "'";
      write.m_uMaxSize = number;
      return "";
    case 'b':
      if (!ParseUnsigned(value, number)) return "invalid number of backups: '" + value + "'";
      write.m_uBackups = number;
      return "";
    case 'f':
      write.m_strSource = value;
      return "";
    case 'L':
      if (!ParseUnsigned(value, number)) return "invalid line (0 to 4294967295): '" + value + "'";
      write.m_uLine = number;
      return "";
    default:  // 'w'
      if (!ParseUnsigned(value, number)) return "invalid wait (milliseconds): '" + value + "'";
      write.m_ulWaitMilliseconds = number;
      return "";
  }
}

std::string ParseWrite(std::vector<std::string> const& arguments, Options& options) {
  WriteOptions& write = options.m_Write;
  std::vector<std::string> argv{"zblog"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  OptionScanner scanner(std::move(argv), kWriteShort, kWriteLong);
  for (int option = scanner.Next(); option != -1; option = scanner.Next()) {
    switch (option) {
      case '?':
      case ':':
        return scanner.Error(option);
      case 'h':
        options.m_eCommand = Command::kHelp;
        return "";
      case kVersion:
        options.m_eCommand = Command::kVersion;
        return "";
      case kNoWait:
        write.m_ulWaitMilliseconds = 0;
        break;
      default: {
        std::string error = ApplyValue(option, optarg, write);
        if (!error.empty()) return error;
      }
    }
  }
  write.m_vMessage = scanner.Operands();
  return "";
}

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

std::string ParseShip(std::vector<std::string> const& arguments, Options& options) {
  ShipOptions& ship = options.m_Ship;
  OptionScanner scanner(arguments, ":h", kShipLong);
  for (int option = scanner.Next(); option != -1; option = scanner.Next()) {
    const std::string value = optarg != nullptr ? optarg : "";
    long long port = 0;
    switch (option) {
      case 'h':
        options.m_eCommand = Command::kHelp;
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

constexpr struct option kParseLong[] = {{"follow", no_argument, nullptr, 'F'},
                                        {"help", no_argument, nullptr, 'h'},
                                        {nullptr, 0, nullptr, 0}};

std::string ParseParse(std::vector<std::string> const& arguments, Options& options) {
  ParseOptions& parse = options.m_Parse;
  OptionScanner scanner(arguments, ":Fh", kParseLong);
  for (int option = scanner.Next(); option != -1; option = scanner.Next()) {
    switch (option) {
      case 'h':
        options.m_eCommand = Command::kHelp;
        return "";
      case 'F':
        parse.m_bFollow = true;
        break;
      default:  // '?'
        return scanner.Error(option);
    }
  }
  parse.m_vFiles = scanner.Operands();
  if (parse.m_bFollow && (parse.m_vFiles.size() != 1 || parse.m_vFiles[0] == "-")) {
    return "--follow needs exactly one log file";
  }
  return "";
}

}  // namespace

bool ParseLevel(std::string const& text, int32_t& level) {
  std::string_view name(text);
  if (!name.empty() && name.back() == ':') name.remove_suffix(1);  // "info:" as "info"
  if (zbutil_logfile::LogLevel const* named = zbutil_logfile::LevelByName(name)) {
    level = named->m_iValue;
    return true;
  }
  long long number = 0;
  if (!ParseNumber(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                   number)) {
    return false;
  }
  level = static_cast<int32_t>(number);
  return true;
}

std::string ParseArguments(std::vector<std::string> const& arguments, Options& options) {
  if (!arguments.empty() && arguments[0] == "ship") {
    options.m_eCommand = Command::kShip;
    return ParseShip(arguments, options);
  }
  if (!arguments.empty() && arguments[0] == "parse") {
    options.m_eCommand = Command::kParse;
    return ParseParse(arguments, options);
  }
  options.m_eCommand = Command::kWrite;
  return ParseWrite(arguments, options);
}

char const* UsageText() {
  static const std::string text =
      kUsageHead + std::to_string(zbutil_logfile::kDefaultMaxLogFileSize) + kUsageMiddle +
      std::to_string(zbutil_logfile::kDefaultMaxBackupFiles) + kUsageTail;
  return text.c_str();
}

// ZBUTIL_VERSION comes from the project's version in the top-level CMakeLists.txt.
char const* VersionText() { return "zblog (zbutil) " ZBUTIL_VERSION "\n"; }

}  // namespace zblog
