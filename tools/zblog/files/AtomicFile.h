#ifndef ZBUTIL_TOOLS_ZBLOG_FILES_ATOMICFILE_H_
#define ZBUTIL_TOOLS_ZBLOG_FILES_ATOMICFILE_H_

// Replacing a small file whole: a reader sees the old content or the new one, never a
// mix, and a symbolic link planted at the name or at the temporary "<path>.tmp" cannot
// redirect the write (the temporary is created exclusively, never through a link, and
// renamed over the name).

#include <sys/types.h>

#include <string>

namespace zblog {

// Replaces `path` with `text` in a new file of `mode` (the umask aside). With `durable`
// the file and its directory are synced, so that after a crash it holds the old content
// or the new, whole. Returns an empty string, or the reason it failed (the old file is
// then left as it was).
std::string ReplaceFileAtomically(std::string const& path, std::string const& text, mode_t mode,
                                  bool durable);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_FILES_ATOMICFILE_H_
