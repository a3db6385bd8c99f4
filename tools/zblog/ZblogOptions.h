#ifndef ZBUTIL_TOOLS_ZBLOG_ZBLOGOPTIONS_H_
#define ZBUTIL_TOOLS_ZBLOG_ZBLOGOPTIONS_H_

// The command line of zblog: the subcommand its first word names, and that
// subcommand's options (each parsed and documented beside its subcommand).

#include <string>
#include <vector>

#include "parse/ParseOptions.h"
#include "ship/ShipOptions.h"
#include "write/WriteOptions.h"

namespace zblog {

enum class Command { kWrite, kParse, kShip, kHelp, kVersion };

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

// The text of --help: every subcommand's synopsis, then their paragraphs.
std::string UsageText();

// The text of --version: the program, the package and its version.
char const* VersionText();

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_ZBLOGOPTIONS_H_
