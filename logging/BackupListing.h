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

// Lists the backups "<logPath>_<n>.Bak" with 1 <= n <= maxBackups (n written as
// String(long) writes it: no sign, no leading zero), and removes a leftover of the
// name "<logPath><temporarySuffix>" (the name only, never what a link points to).
// Returns false when the directory cannot be read.
bool ListBackups(std::string const& logPath, std::string const& temporarySuffix,
                 uint32_t maxBackups, BackupListing& listing);

}  // namespace zbutil_detail

#endif  // ZBUTIL_LOGGING_BACKUPLISTING_H_
