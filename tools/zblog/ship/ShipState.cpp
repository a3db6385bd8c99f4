// The shipper's state file: parsed strictly, replaced atomically.
#include "ship/ShipState.h"

#include <errno.h>
#include <fcntl.h>
#include <inttypes.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <sstream>

#include "LogPaths.h"
#include "ScopedOwners.h"
#include "files/AtomicFile.h"
#include "files/RegularFile.h"

namespace zblog {
namespace {

using zbutil_detail::ScopedFd;

constexpr char kMagic[] = "zblog ship state 1";
constexpr size_t kMaxStateBytes = 8192;

}  // namespace

std::string ShipAppName(std::string const& logPath) {
  std::string name(zbutil_logfile::FileNameOf(logPath));
  if (name.size() > 48) name.resize(48);
  for (char& c : name) {
    if (c <= ' ' || c > '~') c = '_';
  }
  if (name.empty() || name[0] == '.') name.insert(0, "_");
  return name;
}

std::string ShipStatePath(std::string const& stateFile, std::string const& stateDirectory,
                          std::string const& logPath) {
  return stateFile.empty() ? stateDirectory + "/" + ShipAppName(logPath) + ".state" : stateFile;
}

std::string AbsoluteLogPath(std::string const& path) {
  char directory[PATH_MAX];
  if (path.empty() || path[0] == '/' || getcwd(directory, sizeof directory) == nullptr) {
    return path;
  }
  return std::string(directory) + "/" + path;
}

StateLoad LoadShipState(std::string const& statePath, std::string const& logPath,
                        FollowCursor& cursor, std::string& error) {
  std::string why;
  ScopedFd fd(OpenRegularFile(statePath, why));
  if (!fd.IsOpen() && errno == ENOENT) return StateLoad::kMissing;
  if (!fd.IsOpen()) {
    error = "cannot read the state file " + statePath + ": " + why;
    return StateLoad::kRefused;
  }
  std::string text(kMaxStateBytes, '\0');
  const ssize_t got = read(fd.Get(), &text[0], text.size());
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  std::istringstream lines(text);
  std::string magic, logKey, log, positionKey, hashKey;
  uint64_t position = 0;
  std::string hash;
  std::getline(lines, magic);
  lines >> logKey >> std::ws;
  std::getline(lines, log);
  lines >> positionKey >> position >> hashKey >> hash;
  char* end = nullptr;
  const unsigned long long value = strtoull(hash.c_str(), &end, 16);
  if (magic != kMagic || logKey != "log" || positionKey != "position" || hashKey != "hash" ||
      lines.fail() || hash.size() != 16 || *end != '\0') {
    error = "the state file " + statePath + " is corrupt (not written by zblog ship)";
    return StateLoad::kRefused;
  }
  if (log != logPath) {
    error = "the state file " + statePath + " belongs to another log: " + log;
    return StateLoad::kRefused;
  }
  cursor.m_uPosition = position;
  cursor.m_uHash = value;
  return StateLoad::kLoaded;
}

std::string SaveShipState(std::string const& statePath, std::string const& logPath,
                          FollowCursor const& cursor) {
  char hash[17];
  snprintf(hash, sizeof hash, "%016" PRIx64, cursor.m_uHash);
  const std::string text = std::string(kMagic) + "\nlog " + logPath + "\nposition " +
                           std::to_string(cursor.m_uPosition) + "\nhash " + hash + "\n";
  return ReplaceFileAtomically(statePath, text, 0640, true);
}

}  // namespace zblog
