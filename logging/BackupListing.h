#ifndef ZBUTIL_LOGGING_BACKUPLISTING_H_
#define ZBUTIL_LOGGING_BACKUPLISTING_H_

// Internal: which numbered backups of a log exist, read from its directory in one pass.
// Not installed.

#include <stdint.h>

#include <string>
#include <vector>

namespace zbutil_detail {

struct BackupListing {
  std::vector<uint32_t> m_vNumbers;   // present backups among 1..N, ascending
  bool m_bDirectoryInTheWay = false;  // one of them is a directory: nothing can move
};

// Fills `listing` with the backups of `logPath` numbered 1 to `maxBackups`, and removes
// a leftover temporary backup of a killed rotation (the name only, never what a link
// points to). Returns false, `listing` untouched, when the directory cannot be read.
bool ListBackups(std::string const& logPath, uint32_t maxBackups, BackupListing& listing);

}  // namespace zbutil_detail

#endif  // ZBUTIL_LOGGING_BACKUPLISTING_H_
