// zblog writing records: the message from the arguments or from standard input.
#include "write/WriteCommand.h"

#include <dirent.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <iostream>
#include <string>

#include "write/ZblogLogger.h"

namespace zblog {
namespace {

// The library falls back to its default directory when the configured one cannot be
// opened; from the shell an explicit directory that does not exist is an error.
bool CheckDirectory(std::string const& directory) {
  DIR* opened = opendir(directory.c_str());
  if (opened == nullptr) {
    fprintf(stderr, "zblog: cannot open directory '%s': %s\n", directory.c_str(), strerror(errno));
    return false;
  }
  closedir(opened);
  return true;
}

}  // namespace

int RunWrite(WriteOptions const& options) {
  if (options.m_strDirectory && !CheckDirectory(*options.m_strDirectory)) return 1;
  ZblogLogger logger(options);
  const auto level = static_cast<zbLogLevel>(options.m_iLevel);
  // The message is an argument, never the format: a '%' in it is just a character.
  const auto write = [&](std::string const& message) {
    logger.Log(level, options.m_strSource.c_str(), options.m_uLine, "%s", message.c_str());
  };

  size_t records = 0;
  if (!options.m_vMessage.empty()) {
    std::string message;
    for (std::string const& word : options.m_vMessage) {
      if (!message.empty()) message += ' ';
      message += word;
    }
    write(message);
    ++records;
  } else {
    std::string line;
    while (std::getline(std::cin, line)) {
      if (line.empty()) continue;
      write(line);
      ++records;
    }
  }
  if (records > 0 && !logger.IsOpen()) {
    fprintf(stderr, "zblog: cannot open the log '%s' or its lock file\n", logger.LogPath().c_str());
    return 1;
  }
  // The logger tells its caller nothing, but it counts: a script learns of lost records.
  const unsigned long long locked = logger.GetRecordsDroppedLocked();
  const unsigned long long lost = locked + logger.GetRecordsDroppedOther();
  if (lost > 0) {
    fprintf(stderr,
            "zblog: %llu of %zu records lost (%llu because another process held the lock)\n", lost,
            records, locked);
    return 1;
  }
  return 0;
}

}  // namespace zblog
