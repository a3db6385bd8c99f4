// Options of "zblog parse".
#include "parse/ParseOptions.h"

#include <getopt.h>

namespace zblog {
namespace {

constexpr char kSynopsis[] = "       zblog parse [--follow] [FILE]...\n";
constexpr char kHelp[] =
    "parse prints one JSON object per record of each FILE (a log or a backup; none\n"
    "or '-': standard input). --follow keeps reading one live log and continues\n"
    "through its rotations. The environment variable LogLevel filters records as it\n"
    "does for every program using the logger.\n";
constexpr struct option kParseLong[] = {{"follow", no_argument, nullptr, 'F'},
                                        {"help", no_argument, nullptr, 'h'},
                                        {nullptr, 0, nullptr, 0}};

}  // namespace

std::string ParseParseArguments(std::vector<std::string> const& arguments, ParseOptions& parse,
                                Request& request) {
  OptionScanner scanner(arguments, ":Fh", kParseLong);
  for (int option = scanner.Next(); option != -1; option = scanner.Next()) {
    switch (option) {
      case 'h':
        request = Request::kHelp;
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

char const* ParseSynopsis() { return kSynopsis; }
char const* ParseHelp() { return kHelp; }

}  // namespace zblog
