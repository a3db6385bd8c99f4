// zblog's command line: the subcommand word picks whose options follow.
#include "ZblogOptions.h"

namespace zblog {
namespace {

constexpr char kExitStatus[] =
    "Exit status: 0 success; 1 a log that cannot be opened, records lost (another\n"
    "process held the lock past the wait, or rotation failed), or input that is not a\n"
    "clean log (each reported on standard error); 2 a usage error.\n";

Command CommandOf(Request request, Command command) {
  switch (request) {
    case Request::kHelp:
      return Command::kHelp;
    case Request::kVersion:
      return Command::kVersion;
    case Request::kRun:
      break;
  }
  return command;
}

}  // namespace

std::string ParseArguments(std::vector<std::string> const& arguments, Options& options) {
  Request request = Request::kRun;
  std::string error;
  Command command = Command::kWrite;
  if (!arguments.empty() && arguments[0] == "ship") {
    command = Command::kShip;
    error = ParseShipArguments(arguments, options.m_Ship, request);
  } else if (!arguments.empty() && arguments[0] == "parse") {
    command = Command::kParse;
    error = ParseParseArguments(arguments, options.m_Parse, request);
  } else {
    error = ParseWriteArguments(arguments, options.m_Write, request);
  }
  options.m_eCommand = CommandOf(request, command);
  return error;
}

std::string UsageText() {
  return std::string(WriteSynopsis()) + ParseSynopsis() + ShipSynopsis() + "\n" + WriteHelp() +
         "\n" + ParseHelp() + "\n" + ShipHelp() + "\n" + kExitStatus;
}

// ZBUTIL_VERSION comes from the project's version in the top-level CMakeLists.txt.
char const* VersionText() { return "zblog (zbutil) " ZBUTIL_VERSION "\n"; }

}  // namespace zblog
