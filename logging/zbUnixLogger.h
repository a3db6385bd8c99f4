#ifndef ZBUTIL_LOGGING_ZBUNIXLOGGER_H_
#define ZBUTIL_LOGGING_ZBUNIXLOGGER_H_

// zbUnixLogger: the file logger that many processes share.
//
// One object stands for one log file and one lock file in one directory. Nothing is
// touched until the first Log() call, which fills in the settings (built-in defaults,
// then the environment variable LogLevel, then the LoadLogSettings hook), asks
// GetGroupID for the files' group and opens both files. From then on the logger is
// either open for its whole life or, when that first open failed, silent for good: it
// is never retried. Once open, a log found moved or removed at a rotation is opened
// again at its path (RotateLogBackup); the lock file never is.
//
// Each record is one line, written with one write(2) while the process holds an
// exclusive POSIX record lock on the lock file:
//
//   "\n" PID(%8X) "|" YYYY/MM/DD "|" HH:MM:SS "|" file(%27.27s) "|" line(%5d) "|"
//   level name " - " message (at most 2046 bytes)
//
// Past the size limit, the log's content is copied into numbered backups
// ("<log path>_<n>.Bak", 1 = oldest) and the log is emptied in place, so every
// process keeps writing into the same file through the descriptor it holds. A
// rotation that fails or is killed half-way destroys no record counted as written and
// leaves no empty or zero-filled backup; another program emptying the log meanwhile
// fails that rotation, it never kills the caller.
//
// Files: only regular files are opened, and no file is opened, created, emptied or
// given a group through a symbolic link that is the last component of the log, lock or
// backup path (links higher up the directory path are followed); a FIFO is never
// waited for. Descriptors are not inherited across exec. Records dropped again and
// again (rotation failing, the lock kept by another process for 10 s and more) are
// reported to syslog at most once a minute.
//
// Ownership: the logger owns its two descriptors and closes them when destroyed; the
// files stay on disk. It cannot be copied or moved.
//
// Threads and processes: a logger may be shared by the threads of one process. They
// take turns (a thread waits for another to finish its record), and local time is
// taken with localtime_r, the time zone being read again when the second changes.
// Between processes the lock file serialises writers; the lock is requested without
// waiting, and a record is dropped, not queued, when another process holds it. Record
// locks belong to the process, so loggers of one process that share a lock file (by
// device and inode, whatever the names) take turns through a process-wide table
// instead, and no descriptor of a locked file is closed while another of them holds
// the lock (a destructor waits).
//
// Lost records: Log() reports nothing to its caller, but each logger counts what
// became of its records (GetRecordsWritten and its siblings), and its owner may let
// Log() wait a bounded time for the lock (SetLockWaitMilliseconds).
//
// Layout: the object holds exactly the members declared below, in that order, so that
// programs built for this interface (and classes they derive from it) run unchanged.
// What the logger keeps beyond them (counts, the wait, the turn on its lock file) lives
// in a process-wide table, made at the first use and freed by the destructor.
//
// fork(): a logger may be used in a child process, also when another thread of the
// parent was inside Log() at the moment of the fork: the mutexes behind it remember the
// process they belong to and are re-created at their first use in any other. Every
// record carries the process id of its writer, taken at each call. A child starts from
// the parent's counts.
//
// The logger's reports go to syslog at LOG_LOCAL0 | LOG_INFO (134): a file group that
// cannot be set, a name refused (a symbolic link, or not a regular file), a log
// reopened after it was moved or removed, records dropped again and again.

#include <sys/types.h>

#include "logging/zbILogger.h"
#include "platform/Export.h"
#include "strings/String.h"

class ZBUTIL_API zbUnixLogger : public zbILogger {
 public:
  // A logger for the log file `logFileName` (a bare name). The lock file name is that
  // name with every ".log" replaced by ".lock" ("app.log" -> "app.lock"); a name
  // without ".log" makes the lock file the log file itself. Touches no file.
  // Throws std::invalid_argument when the name is empty.
  explicit zbUnixLogger(String const& logFileName);
  // The same with an explicit lock file name, kept unchanged. Throws
  // std::invalid_argument when either name is empty.
  zbUnixLogger(String const& logFileName, String const& lockFileName);
  // Closes whichever descriptors are open; writes and removes nothing.
  ~zbUnixLogger() override;

  zbUnixLogger(zbUnixLogger const&) = delete;
  zbUnixLogger& operator=(zbUnixLogger const&) = delete;

  // Writes one record of `level` from source file `file` (NUL-terminated, not null)
  // at `line`, with the printf-style message `format`, .... The record is written
  // when (level & mask) == level, where the mask is LogLevel from the environment
  // (read again at every call, parsed as decimal like strtol, clamped to 32 bits) or
  // else the one the settings hold. It is lost, silently, when the files could not be
  // opened, local time is unavailable, another process holds the lock (after the
  // bounded wait of GetLockWaitMilliseconds, if any), or rotation fails; also when a
  // settings hook of this logger calls it during the first call's set-up (other
  // threads wait for the set-up instead). A write that falls short (full disk, file
  // size limit) is cut back, so no fragment of a lost record stays.
  void Log(zbLogLevel level, char const* file, unsigned long line, char const* format, ...) override
      __attribute__((format(printf, 5, 6)));

  // Hook, called once, at the first Log(), with the defaults in `settings`
  // ("/qtr/bin/zoredezuv/logs", mask 255 or LogLevel, 268435456 bytes, 2 backups)
  // and the base directory against which a relative log directory is also tried.
  // Either may be changed. The result is ignored; this implementation returns 0.
  virtual int LoadLogSettings(zbLogSettings& settings, String& baseDirectory);
  // Hook, called once, at the first Log() after LoadLogSettings: the group given to
  // the lock file, the log file (before every write) and each new backup. This
  // implementation returns the effective group id of the process.
  virtual gid_t GetGroupID();
  // How many milliseconds Log(), finding the lock taken, may keep repeating the same
  // request, with pauses growing from 50 us to 1 ms, before it drops the record. Other
  // threads of the process wait behind the waiting one. 0, the default, drops at once.
  // May be set at any time, from any thread.
  void SetLockWaitMilliseconds(unsigned long milliseconds);
  unsigned long GetLockWaitMilliseconds() const;

  // What became of this logger's records so far. Each Log() call that returns counts
  // in exactly one of the four: written whole; dropped because the lock stayed taken
  // (or the lock request failed); dropped for another reason (files not open, local
  // time unavailable, rotation failed, or a write that failed or fell short); or
  // filtered out by the mask. Cheap to poll from any thread; no system call.
  unsigned long long GetRecordsWritten() const;
  unsigned long long GetRecordsDroppedLocked() const;
  unsigned long long GetRecordsDroppedOther() const;
  unsigned long long GetRecordsFiltered() const;

  // Stores `level` in m_siLogLevel. Changes the mask of no logger.
  static void SetLogLevel(int const& level);

  // Send one syslog message at `priority`: `text`, or `text` followed by `more`,
  // verbatim (a '%' is an ordinary character). Never calls openlog.
  void LogToSyslogFile(int priority, String const& text);
  void LogToSyslogFile(int priority, String const& text, String const& more);

  // Writes to `directory` the directory to use: the configured one if it opens as a
  // directory (a relative one from the working directory), else for a relative one
  // the base directory + "/" + it if that opens, else "/qtr/bin/zoredezuv/logs".
  // Returns 0 when a directory that opened was chosen, -1 for the fallback.
  int GetLogFileDirectory(String& directory);
  // Opens (creating with mode 0660 under a umask of 0, restored afterwards) the lock
  // and log files with O_WRONLY | O_CREAT | O_APPEND, gives the lock file the
  // logger's group (syslog on failure) and leaves the log path in m_strLogFilePath.
  // Two departures protect the caller's system: only regular files are opened, never
  // through a final symbolic link and never waiting on a FIFO (O_NOFOLLOW, O_NONBLOCK,
  // then fstat), so that what whoever can write the directory plants there is refused
  // (syslog names the path, once) instead of blocking the caller or receiving its
  // records; and close-on-exec, set right after each open, so programs the caller
  // starts do not inherit the files.
  // Returns 0, or -1 when either file could not be opened (or the lock file could not
  // be entered in the process's table of lock files).
  int OpenLogFile();

  // Moves the log's content into the next backup when the log is larger than the
  // limit, then empties the log in place. The next backup is the lowest missing number
  // (probed by name with access), or, when 1..N all exist, N after shifting k to k-1.
  // With no backups configured, the log is emptied and its content discarded.
  // Returns 0 when nothing was needed or the rotation succeeded, -1 when a step failed
  // (the log then keeps its records). A backup whose group cannot be set is reported
  // to syslog and still counts as success. Call only while holding the record lock.
  // To keep records and the caller safe, it departs from a plain copy and truncate:
  // - the log's path must still name the regular file that is open (no link followed,
  //   no FIFO waited for); when the log was moved or removed, nothing is copied or
  //   emptied: the log is reopened at its path (syslog says so) and the old file keeps
  //   its records; a name refused is reported to syslog once per logger and path;
  // - the copy is made with copy_file_range or read and write, never a mapping, into a
  //   file without a name (or an exclusive "<log path>_<n>.Tmp" where the file system
  //   has none) that is placed only when complete: a log that another program empties
  //   meanwhile fails the rotation instead of killing the caller, and no half-made
  //   backup is ever in place;
  // - the new backup's bytes, and its name where the directory can be opened for
  //   reading, are flushed to disk before the log is emptied, so a power cut leaves
  //   every record in the log or a backup. A kill between placing the backup and
  //   emptying the log leaves that content to be copied once more.
  int RotateLogBackup();
  // Where the next rotation writes: with N backups configured, `allPresent`
  // is true when backups 1..N all exist (then `number` is N and `path` names it);
  // otherwise `number` is the lowest missing backup and `path` its name. With N = 0,
  // `number` is 0 and `path` is left as it was.
  void GetNextBackupLogFileSequence(String& path, bool& allPresent, int& number);
  // Replaces `path` by the name of backup `number`: "<log path>_<number>.Bak".
  void BuildBackupLogFilePath(int const& number, String& path);

  // Copies the bytes of file `source` into `destination` (created with mode 0660
  // under the process's umask, or emptied) through two shared mappings. Returns 0, or
  // -1 on any failure (an empty or missing source among them, and a full file system,
  // which gives -1, never SIGBUS); a destination created or emptied before the failure
  // may be left empty, or as long as the source and filled with zero bytes. Uses no
  // member of the logger. A source that another process
  // shortens during the copy faults the mapping (SIGBUS), which is why rotation does
  // not use it.
  int MemCopyFile(String const& source, String const& destination) const;
  // Copies `source` into `destination` unless `destination` is an empty name, then truncates
  // the open log descriptor to length 0. Returns 0, or -1 when the copy (log left
  // untouched) or the truncation failed. Call only while holding the record lock.
  int MoveFileContent(String const& source, String const& destination);

  // Process-wide; starts at 255. Written by SetLogLevel and by a first Log() call
  // when LogLevel is set; read by no operation of the library.
  static int m_siLogLevel;
  // Process-wide; starts at 1. Neither read nor changed by the library.
  static unsigned long sm_ulMsgNo;

 protected:
  zbLogSettings m_LogSettings;  // filled at the first Log() call
  int m_iLogFd;                 // the open log file; -1 while there is none
  int m_iLockFd;                // the open lock file; -1 while there is none
  gid_t m_gidGroupID;           // set at the first Log() call from GetGroupID
  bool m_bLogFileOpen;          // both files open; set only by the first Log() call
  bool m_bInitialised;          // the first Log() call has run its set-up
  String m_strLogFilePath;      // the log's full path once OpenLogFile has run
  String m_strLockFileName;     // bare name
  String m_strLogFileName;      // bare name
  String m_strBaseDirectory;    // set only by the LoadLogSettings hook
};

#endif  // ZBUTIL_LOGGING_ZBUNIXLOGGER_H_
