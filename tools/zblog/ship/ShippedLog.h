#ifndef ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPPEDLOG_H_
#define ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPPEDLOG_H_

// ShippedLog: one log on its way to the receiver. It follows the log (LogFollower),
// turns each record into a syslog message, keeps the messages until the receiver has
// acknowledged them, and writes the state file for those only.
//
// No message is longer than kMaxMessageBytes, the receiver's limit (rsyslog's
// maxMessageSize, imrelp's maxDataSize): a longer record goes in pieces, one message
// each, in order, and the state moves past a record only once all its pieces are
// acknowledged (a restart sends an unfinished record again from its start).

#include <stdint.h>
#include <time.h>

#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "ScopedOwners.h"
#include "follow/LogFollower.h"
#include "record/RecordParser.h"

namespace zblog {

// A message read from the log: the record (or the bytes outside records) as the
// receiver gets it, and where its bytes end in the log.
struct ShipItem {
  std::string m_strMessage;  // empty: skipped, nothing to send
  FollowCursor m_After;
  bool m_bEndsRecord = true;  // false for a piece of a record that more pieces follow
  uint64_t m_uSequence = 0;   // once sent: the session's count of messages sent with it
};

// What a log's shipping has done since ship started, for monitoring. A record in
// pieces counts once, when its last piece goes; bytes are those of the messages.
struct ShipCounters {
  uint64_t m_uSentRecords = 0;  // sent again after a broken session counts again
  uint64_t m_uSentBytes = 0;
  uint64_t m_uAcknowledgedRecords = 0;
  uint64_t m_uAcknowledgedBytes = 0;
  uint64_t m_uSkippedUnparsed = 0;  // runs of bytes outside records, with --unparsed skip
  time_t m_tLastAcknowledged = 0;   // wall clock; 0: none yet
};

// The longest syslog message sent, header included: the receiving configuration's limit.
constexpr size_t kMaxMessageBytes = size_t{64} * 1024;

class ShippedLog {
 public:
  // `prefix` builds the syslog header (priority, time, host, app-name) for a severity.
  using Prefix = std::function<std::string(int severity)>;

  ShippedLog(std::string path, std::string statePath, bool skipUnparsed, Prefix prefix,
             std::function<void(std::string const&)> report);
  ShippedLog(ShippedLog const&) = delete;
  ShippedLog& operator=(ShippedLog const&) = delete;

  // Loads the state and starts following. Returns an empty string, or why it cannot
  // (a state file that is corrupt, another log's or in use by another ship, a log that
  // cannot be opened).
  std::string Start(bool fromOldest);
  // Reads what is new into the queue of messages to send, about `budget` bytes at most.
  void Poll(uint64_t budget) { m_Follower.Poll(budget); }
  size_t QueuedBytes() const { return m_uQueuedBytes; }
  // Records read and not acknowledged yet (a record in pieces counts once).
  size_t QueuedRecords() const { return m_uQueuedRecords; }
  std::string const& Path() const { return m_strPath; }
  ShipCounters& Counters() { return m_Counters; }
  ShipCounters const& Counters() const { return m_Counters; }
  std::deque<ShipItem>& Pending() { return m_Pending; }    // read, not sent yet
  std::deque<ShipItem>& InFlight() { return m_InFlight; }  // sent, not acknowledged
  // The receiver has acknowledged the first `acknowledged` messages of the session.
  void Confirm(uint64_t acknowledged);
  // The session broke: what was in flight goes back in front of the pending messages.
  void Requeue();
  // Writes the state when it moved. Returns an empty string or the reason it failed.
  std::string SaveState();
  bool LostAny() const { return m_Follower.LostAny(); }
  LogWatch const& Watch() const { return m_Follower.Watch(); }

 private:
  void Add(uint64_t offset, std::string_view bytes, int severity, bool send, bool ends);

  std::string m_strPath;
  std::string m_strStatePath;
  zbutil_detail::ScopedFd m_StateLock;  // "<state>.lock", locked from Start on
  int m_iLockErrno;                     // why it could not be opened
  bool m_bSkipUnparsed;
  Prefix m_fnPrefix;
  RecordParser m_Parser;
  LogFollower m_Follower;
  FollowCursor m_Read;       // the log's bytes handed on so far
  FollowCursor m_Confirmed;  // acknowledged so far
  bool m_bStateMoved = false;
  std::deque<ShipItem> m_Pending;
  std::deque<ShipItem> m_InFlight;
  size_t m_uQueuedBytes = 0;
  size_t m_uQueuedRecords = 0;  // queued items that end a record
  ShipCounters m_Counters;
};

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_SHIP_SHIPPEDLOG_H_
