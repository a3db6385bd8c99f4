#ifndef ZBUTIL_TOOLS_ZBLOG_WRITE_WRITEOPTIONS_H_
#define ZBUTIL_TOOLS_ZBLOG_WRITE_WRITEOPTIONS_H_

// The command line of zblog's default subcommand, which writes records.

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include <logging/zbILogger.h>

#include "cli/OptionScanner.h"

namespace zblog {

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

// Fills `write` from the arguments (no subcommand word): getopt_long options, which
// end at the message's first word. Sets `request` for --help and --version. Returns an
// empty string, or the reason the command line is not valid.
std::string ParseWriteArguments(std::vector<std::string> const& arguments, WriteOptions& write,
                                Request& request);

// A level given by name (case-insensitive: "error", "Error:", "info", "perf", ...) or
// by decimal number (any 32-bit value). Returns false when it is neither.
bool ParseLevel(std::string const& text, int32_t& level);

// The synopsis line and the help paragraphs of writing, for --help.
char const* WriteSynopsis();
std::string WriteHelp();

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_WRITE_WRITEOPTIONS_H_
