// Command-line parsing for zblog: options first, then the message or the files.
#include "ZblogOptions.h"

#include <errno.h>
#include <stdlib.h>
#include <strings.h>

#include <algorithm>
#include <iterator>
#include <limits>

namespace zblog {
namespace {

constexpr char kUsage[] =
    "usage: zblog [OPTION]... [--] [MESSAGE]...\n"
    "       zblog parse [--follow] [FILE]...\n"
    "       zblog ship --target HOST [--port PORT] (--state FILE | --state-dir DIR)\n"
    "                  [--hostname NAME] [--unparsed ship|skip] [--from-oldest] LOG...\n"
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
    "  -s, --max-size BYTES  rotate once the log is larger (default: 268435456)\n"
    "  -b, --backups N       number of backups kept (default: 2)\n"
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
    "\n"
    "Exit status: 0 success; 1 a log that cannot be opened, records lost (another\n"
    "process held the lock past the wait, or rotation failed), or input that is not a\n"
    "clean log (each reported on standard error); 2 a usage error.\n";

struct LevelName {
  char const* m_pszName;
  int32_t m_iLevel;
};
constexpr LevelName kLevelNames[] = {
    {"critical", 0},      {"critical failure", 0}, {"error", 1}, {"exception", 2}, {"warning", 4},
    {"warn", 4},          {"information", 8},      {"info", 8},  {"trace", 16},    {"perf", 32},
    {"perf. timing", 32}, {"perftiming", 32},      {"audit", 64}};

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

// Options of the writer that take a value, by short and long name.
struct ValueOption {
  char m_cShort;
  char const* m_pszLong;
};
constexpr ValueOption kValueOptions[] = {{'d', "directory"}, {'n', "name"},    {'l', "level"},
                                         {'s', "max-size"},  {'b', "backups"}, {'f', "file"},
                                         {'L', "line"},      {'w', "wait"}};

std::string ApplyValue(char option, std::string const& value, WriteOptions& write) {
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
  size_t i = 0;
  for (; i < arguments.size(); ++i) {
    std::string const& argument = arguments[i];
    if (argument == "--") {
      ++i;
      break;
    }
    if (argument.size() < 2 || argument[0] != '-') break;  // the message starts
    if (argument == "-h" || argument == "--help") {
      options.m_eCommand = Command::kHelp;
      return "";
    }
    if (argument == "--version") {
      options.m_eCommand = Command::kVersion;
      return "";
    }
    if (argument == "--no-wait") {
      write.m_ulWaitMilliseconds = 0;
      continue;
    }
    // "-d DIR", "-dDIR", "--directory DIR" or "--directory=DIR".
    const bool isLong = argument[1] == '-';
    const std::string name =
        isLong ? argument.substr(2, argument.find('=') - 2) : argument.substr(1, 1);
    ValueOption const* match = nullptr;
    for (ValueOption const& option : kValueOptions) {
      if (isLong ? name == option.m_pszLong : name[0] == option.m_cShort) match = &option;
    }
    if (match == nullptr) return "unknown option: '" + argument + "'";
    std::string value;
    if (isLong && argument.find('=') != std::string::npos) {
      value = argument.substr(argument.find('=') + 1);
    } else if (!isLong && argument.size() > 2) {
      value = argument.substr(2);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      return "option '" + argument + "' needs a value";
    }
    std::string error = ApplyValue(match->m_cShort, value, write);
    if (!error.empty()) return error;
  }
  write.m_vMessage.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
  return "";
}

std::string ParseShip(std::vector<std::string> const& arguments, Options& options) {
  ShipOptions& ship = options.m_Ship;
  static char const* const kValued[] = {"--target",    "--port",     "--state",
                                        "--state-dir", "--hostname", "--unparsed"};
  for (size_t i = 1; i < arguments.size(); ++i) {
    std::string argument = arguments[i];
    if (argument == "--") {
      ship.m_vLogs.insert(ship.m_vLogs.end(),
                          arguments.begin() + static_cast<std::ptrdiff_t>(i + 1), arguments.end());
      break;
    }
    if (argument == "-h" || argument == "--help") {
      options.m_eCommand = Command::kHelp;
      return "";
    }
    if (argument == "--from-oldest") {
      ship.m_bFromOldest = true;
      continue;
    }
    if (argument.size() < 2 || argument[0] != '-') {
      ship.m_vLogs.push_back(argument);
      continue;
    }
    std::string value;
    const size_t equals = argument.find('=');
    if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
      argument.resize(equals);
    } else if (std::find(std::begin(kValued), std::end(kValued), argument) != std::end(kValued)) {
      if (i + 1 >= arguments.size()) return "option '" + argument + "' needs a value";
      value = arguments[++i];
    }
    if (argument == "--target") {
      ship.m_strTarget = value;
    } else if (argument == "--port") {
      long long port = 0;
      if (!ParseNumber(value, 1, 65535, port)) return "invalid port: '" + value + "'";
      ship.m_strPort = value;
    } else if (argument == "--state") {
      ship.m_strStateFile = value;
    } else if (argument == "--state-dir") {
      ship.m_strStateDirectory = value;
    } else if (argument == "--hostname") {
      ship.m_strHostname = value;
    } else if (argument == "--unparsed" && (value == "ship" || value == "skip")) {
      ship.m_bSkipUnparsed = value == "skip";
    } else {
      return argument == "--unparsed" ? "--unparsed takes ship or skip"
                                      : "unknown option: '" + arguments[i] + "'";
    }
  }
  if (ship.m_strTarget.empty()) return "ship needs --target HOST";
  if (ship.m_vLogs.empty()) return "ship needs at least one log";
  if (ship.m_strStateFile.empty() == ship.m_strStateDirectory.empty()) {
    return "ship needs either --state FILE or --state-dir DIR";
  }
  if (!ship.m_strStateFile.empty() && ship.m_vLogs.size() > 1) {
    return "--state keeps one log's state: use --state-dir for several logs";
  }
  return "";
}

std::string ParseParse(std::vector<std::string> const& arguments, Options& options) {
  ParseOptions& parse = options.m_Parse;
  bool optionsEnded = false;
  for (size_t i = 1; i < arguments.size(); ++i) {
    std::string const& argument = arguments[i];
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (argument == "-h" || argument == "--help")) {
      options.m_eCommand = Command::kHelp;
      return "";
    } else if (!optionsEnded && (argument == "-F" || argument == "--follow")) {
      parse.m_bFollow = true;
    } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
      return "unknown option: '" + argument + "'";
    } else {
      parse.m_vFiles.push_back(argument);
    }
  }
  if (parse.m_bFollow && (parse.m_vFiles.size() != 1 || parse.m_vFiles[0] == "-")) {
    return "--follow needs exactly one log file";
  }
  return "";
}

}  // namespace

bool ParseLevel(std::string const& text, int32_t& level) {
  std::string name = text;
  if (!name.empty() && name.back() == ':') name.pop_back();
  for (LevelName const& entry : kLevelNames) {
    if (strcasecmp(name.c_str(), entry.m_pszName) == 0) {
      level = entry.m_iLevel;
      return true;
    }
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

char const* UsageText() { return kUsage; }

// ZBUTIL_VERSION comes from the project's version in the top-level CMakeLists.txt.
char const* VersionText() { return "zblog (zbutil) " ZBUTIL_VERSION "\n"; }

}  // namespace zblog
