#ifndef ZBUTIL_TOOLS_ZBLOG_PARSE_PARSEOPTIONS_H_
#define ZBUTIL_TOOLS_ZBLOG_PARSE_PARSEOPTIONS_H_

// The command line of "zblog parse".

#include <string>
#include <vector>

#include "cli/OptionScanner.h"

namespace zblog {

struct ParseOptions {
  bool m_bFollow = false;
  std::vector<std::string> m_vFiles;  // none, or "-": standard input
};

// Fills `parse` from the arguments, the first being the word "parse". Sets `request`
// for --help. Returns an empty string, or the reason the command line is not valid.
std::string ParseParseArguments(std::vector<std::string> const& arguments, ParseOptions& parse,
                                Request& request);

// The synopsis line and the help paragraph of parse, for --help.
char const* ParseSynopsis();
char const* ParseHelp();

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_PARSE_PARSEOPTIONS_H_
