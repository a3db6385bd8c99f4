#ifndef ZBUTIL_TOOLS_ZBLOG_FOLLOW_LOGFOLLOWER_H_
#define ZBUTIL_TOOLS_ZBLOG_FOLLOW_LOGFOLLOWER_H_

// LogFollower: reads a live log and keeps reading what is appended, through
// copy-and-truncate rotations, handing every byte of every generation (the log's
// content between two emptyings) to a parser exactly once and in order, wherever
// rotation has moved it (into the backups, renumbered or not). A log replaced by a new
// file is read to its end, then the new one from its start.
//
// Every loss it cannot avoid is reported, never skipped silently: the rest of a
// generation whose backup is gone before the follower saw it (no backups kept, or more
// rotations than backups kept between two polls), and generations that may have been
// rotated away unseen. A record is handed on once the next one starts, or once the log
// has not grown for one poll. Single-threaded.
//
// Whoever can write the log's directory is not trusted: the log and the backups are
// read only as regular files, never through a symbolic link at their names, and a FIFO
// there never blocks the follower.

#include <signal.h>
#include <stdint.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "follow/BackupFiles.h"
#include "follow/FollowCursor.h"
#include "follow/LogWatch.h"
#include "record/RecordParser.h"

namespace zblog {

class LogFollower {
 public:
  // `report` gets a sentence about trouble (losses, read errors).
  LogFollower(std::string path, RecordParser& parser,
              std::function<void(std::string const&)> report);
  ~LogFollower();
  LogFollower(LogFollower const&) = delete;
  LogFollower& operator=(LogFollower const&) = delete;

  // Opens the log. With `resume`, reading goes on where it names, in the live log or in
  // the backup that holds that generation now; otherwise from the start of the oldest
  // backup when `fromOldest`, else from the live log's start (the backups present then
  // count as read). Returns false (reported) when the log cannot be opened.
  bool Start(FollowCursor const* resume, bool fromOldest);
  // Reads what is new, through any rotations, stopping once about `budget` bytes are
  // handed on (a recovery from the backups goes on at the next poll); returns the
  // number of bytes handed on. When nothing was new, hands on the last record (the log
  // has been quiet for a poll), and opens the file at the log's name if it is another
  // regular file; anything else there (a link, a FIFO) is reported once and not read.
  uint64_t Poll(uint64_t budget = UINT64_MAX);
  // The input ends: hands on the last record.
  void Finish() { m_Parser.Finish(); }
  // The watch on the log's directory: waiting on it wakes at the next change.
  LogWatch const& Watch() const { return m_Watch; }
  // For `zblog parse --follow`: Start, then Poll at each change of the log's directory,
  // or every 100 ms where events are not available (calling `flush` after each)
  // until `stop` becomes non-zero (a signal handler sets it), then Finish. Returns 0, or
  // 1 when the log cannot be opened.
  int Run(volatile sig_atomic_t const& stop, std::function<void()> const& flush);
  // True once a loss has been reported.
  bool LostAny() const { return m_bLost; }

 private:
  bool Open();
  void Close();
  // Start's resumption in the live log, which holds the cursor; `backups` listed before.
  void ResumeInLive(std::vector<BackupFile> const& backups);
  // True when the live log still holds what was read of the current generation, as far
  // as its size and the bytes at the start and before the read position tell.
  bool LiveHolds() const;
  // Those of `listed` not seen before, oldest first.
  std::vector<BackupFile> FreshBackups(std::vector<BackupFile> const& listed) const;
  // After a rotation: queues the rest of the backup that took the generation, then the
  // newer backups whole, for GoOnRecovering; the live log is read from 0 after them.
  // Returns false, changing nothing, when no backup is new. Returns false also while
  // the rotation seems not to have emptied the log yet (the newest new backup empty or
  // as large as the log), for 2 s at most; then it goes on (a log that regrew to that
  // very size).
  bool Recover();
  // Reads the queued backups on, adding the bytes handed on to `total`, until `total`
  // reaches `budget`. Returns true once they are all read.
  bool GoOnRecovering(uint64_t& total, uint64_t budget);
  // True when `fd` starts with the bytes read of the current generation.
  bool HoldsCursor(int fd) const;
  // Hands on the bytes of the backup `fd` from `from` until its end (then sets `ended`) or until
  // about `budget` bytes; returns how many.
  uint64_t FeedFile(int fd, uint64_t from, uint64_t budget, bool& ended);
  void Accept(char const* data, size_t size);  // hands on and advances the cursor
  void NewGeneration();
  void Lose(std::string const& text);
  bool IsReplaced();

  std::string m_strPath;
  RecordParser& m_Parser;
  std::function<void(std::string const&)> m_fnReport;
  int m_iFd = -1;      // the live log; -1 while not open
  dev_t m_Device = 0;  // identity of the file m_iFd reads
  ino_t m_Inode = 0;
  std::vector<BackupFile> m_vKnown;  // backups whose content is read or predates the start
  // A recovery in progress: the backups still to read, and the listing that becomes
  // m_vKnown once they are read. Polls read nothing else meanwhile.
  struct PendingBackup {
    BackupFile m_Backup;
    uint64_t m_uAt;   // read up to here
    bool m_bStarted;  // its generation has begun (from the start: the rest of the current one)
  };
  std::vector<PendingBackup> m_vRecovery;
  std::vector<BackupFile> m_vRecoveryListing;
  FollowCursor m_Cursor;  // of the generation being read
  std::string m_strHead;  // its first bytes (up to kMemoryBytes)
  std::string m_strTail;  // its last bytes before the cursor (up to kMemoryBytes)
  bool m_bLost = false;
  bool m_bNameRefused = false;      // what is at the log's name was reported as no log
  long long m_llSettlingSince = 0;  // since when a rotation in progress is waited for (ms)
  LogWatch m_Watch;
};

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_FOLLOW_LOGFOLLOWER_H_
