#ifndef ZBUTIL_TOOLS_ZBLOG_LOGFOLLOWER_H_
#define ZBUTIL_TOOLS_ZBLOG_LOGFOLLOWER_H_

// LogFollower: reads a live log from its start and keeps reading what is appended,
// through rotations, handing every record to a parser once.
//
// Rotation copies the log into a backup and empties it in place. The follower polls
// (every 100 ms): it notices a rotation when the log is shorter than what it has read,
// or when the bytes just before its read position (or at the start) are no longer the
// ones it read. It then finds the backup that begins with the bytes it read, reads the
// rest of it from the same position, reads whole any backup written after that one
// (more rotations between two polls), and goes on at the start of the live log. A log
// replaced by a new file (deleted and created anew) is read to its end, then the new
// one from its start.
//
// Limits: records are lost (and reported) when the backup holding the unread bytes is
// gone before the poll sees the rotation: with no backups kept, or when more rotations
// than backups kept happen between two polls. A new log that grows past its limit and
// rotates before the first poll has read any of it is not noticed. A record is handed
// on once the next one starts, or once the log has not grown for one poll.

#include <signal.h>
#include <sys/types.h>

#include <functional>
#include <string>

#include "RecordParser.h"

namespace zblog {

class LogFollower {
 public:
  // `flush` is called after each poll that read something; `report` gets a sentence
  // about trouble (rotations that lost bytes, read errors).
  LogFollower(std::string path, RecordParser& parser, std::function<void()> flush,
              std::function<void(std::string const&)> report);
  ~LogFollower();
  LogFollower(LogFollower const&) = delete;
  LogFollower& operator=(LogFollower const&) = delete;

  // Follows until `stop` becomes non-zero (a signal handler sets it), then hands on the
  // last record. Returns 0, or 1 when the log cannot be opened at the start.
  int Run(volatile sig_atomic_t const& stop);

 private:
  bool Open();
  void Close();
  // Reads from the read position to the end and returns the number of bytes read;
  // stops early, setting `rotated`, when the log no longer holds what was read.
  size_t ReadAvailable(bool& rotated);
  // True when the bytes remembered at the start and before the read position are still
  // in the file at their offsets.
  bool StillSameContent(int fd, off_t size) const;
  // After a rotation: the unread rest from the backups, then the live log from 0.
  void Recover();
  void FeedFile(int fd, off_t from);
  bool IsReplaced() const;

  std::string m_strPath;
  RecordParser& m_Parser;
  std::function<void()> m_fnFlush;
  std::function<void(std::string const&)> m_fnReport;
  int m_iFd = -1;      // the live log; -1 while not open
  dev_t m_Device = 0;  // identity of the file m_iFd reads
  ino_t m_Inode = 0;
  off_t m_Position = 0;   // bytes of the current generation read and fed
  std::string m_strHead;  // its first bytes (up to kMemoryBytes)
  std::string m_strTail;  // its last bytes before m_Position (up to kMemoryBytes)
};

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_LOGFOLLOWER_H_
