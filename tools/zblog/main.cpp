// zblog: writes records to a shared log from the shell, reads logs as JSON lines, and
// ships them to a RELP receiver.
#include <stdio.h>

#include <string>
#include <vector>

#include "ZblogOptions.h"
#include "parse/ParseCommand.h"
#ifdef ZBLOG_HAVE_SHIP
#include "ship/ShipCommand.h"
#endif
#include "ship/StatusCommand.h"
#include "write/WriteCommand.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  zblog::Options options;
  const std::string error = zblog::ParseArguments(arguments, options);
#ifndef ZBLOG_HAVE_SHIP
  // --status reads files only: it works without librelp.
  if (options.m_eCommand == zblog::Command::kShip && !options.m_Ship.m_bStatus) {
    fputs("zblog: this zblog was built without ship (librelp was not found)\n", stderr);
    return 2;
  }
#endif
  if (!error.empty()) {
    fprintf(stderr, "zblog: %s\nTry 'zblog --help'.\n", error.c_str());
    return 2;
  }
  switch (options.m_eCommand) {
    case zblog::Command::kHelp:
      fputs(zblog::UsageText().c_str(), stdout);
      return 0;
    case zblog::Command::kVersion:
      fputs(zblog::VersionText(), stdout);
      return 0;
    case zblog::Command::kParse:
      return zblog::RunParse(options.m_Parse);
    case zblog::Command::kShip:
      if (options.m_Ship.m_bStatus) return zblog::RunShipStatus(options.m_Ship);
#ifdef ZBLOG_HAVE_SHIP
      return zblog::RunShip(options.m_Ship);
#else
      break;  // refused above
#endif
    case zblog::Command::kWrite:
      break;
  }
  return zblog::RunWrite(options.m_Write);
}
