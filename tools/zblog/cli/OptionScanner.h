#ifndef ZBUTIL_TOOLS_ZBLOG_CLI_OPTIONSCANNER_H_
#define ZBUTIL_TOOLS_ZBLOG_CLI_OPTIONSCANNER_H_

// What every subcommand's option parsing shares: getopt_long over a copy of the
// arguments, and checked decimal numbers.

#include <getopt.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace zblog {

// What a command line asks for besides the subcommand's own work.
enum class Request { kRun, kHelp, kVersion };

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

// A decimal number in [minimum, maximum], the whole text (no sign, blank or '+').
bool ParseNumber(std::string const& text, long long minimum, long long maximum, long long& value);

// A decimal number from 0 to 4294967295, the whole text.
bool ParseUnsigned(std::string const& text, uint32_t& value);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_CLI_OPTIONSCANNER_H_
