// Options of writing: getopt_long with the message's words after them.
#include "write/WriteOptions.h"

#include <getopt.h>

#include <limits>
#include <string_view>
#include <utility>

#include "LogFileDefaults.h"
#include "LogLevels.h"

namespace zblog {
namespace {

constexpr char kSynopsis[] = "usage: zblog [OPTION]... [--] [MESSAGE]...\n";

// The defaults of --max-size and --backups come from the logger's own, in between.
constexpr char kUsageHead[] =
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
    "      --version         show the version\n";

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

}  // namespace

std::string ParseWriteArguments(std::vector<std::string> const& arguments, WriteOptions& write,
                                Request& request) {
  std::vector<std::string> argv{"zblog"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  OptionScanner scanner(std::move(argv), kWriteShort, kWriteLong);
  for (int option = scanner.Next(); option != -1; option = scanner.Next()) {
    switch (option) {
      case '?':
      case ':':
        return scanner.Error(option);
      case 'h':
        request = Request::kHelp;
        return "";
      case kVersion:
        request = Request::kVersion;
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

char const* WriteSynopsis() { return kSynopsis; }

std::string WriteHelp() {
  return kUsageHead + std::to_string(zbutil_logfile::kDefaultMaxLogFileSize) + kUsageMiddle +
         std::to_string(zbutil_logfile::kDefaultMaxBackupFiles) + kUsageTail;
}

}  // namespace zblog
