// One log's messages from the follower to the receiver and its state file.
#include "ship/ShippedLog.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/file.h>

#include <utility>

#include "LogLevels.h"
#include "ship/ShipState.h"

namespace zblog {
namespace {

// The syslog severity of a record's level, given by its display name without the colon.
int SeverityOf(std::string_view level) {
  zbutil_logfile::LogLevel const* known = zbutil_logfile::LevelByName(level);
  return known == nullptr ? zbutil_logfile::kUnknownLevelSeverity : known->m_iSeverity;
}

constexpr int kUnparsedSeverity = 4;

// The most bytes of the log one message carries: the rest of the limit is the header
// (its length is the same for every message of a log).
size_t PieceLimit(ShippedLog::Prefix const& prefix) {
  const size_t header = prefix(kUnparsedSeverity).size();
  return header < kMaxMessageBytes / 2 ? kMaxMessageBytes - header : kMaxMessageBytes / 2;
}

}  // namespace

ShippedLog::ShippedLog(std::string path, std::string statePath, bool skipUnparsed, Prefix prefix,
                       std::function<void(std::string const&)> report)
    : m_strPath(std::move(path)),
      m_strStatePath(std::move(statePath)),
      m_StateLock(open((m_strStatePath + ".lock").c_str(),
                       O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0640)),
      m_iLockErrno(errno),
      m_bSkipUnparsed(skipUnparsed),
      m_fnPrefix(std::move(prefix)),
      m_Parser(
          [this](LogRecord const& record) {
            Add(record.m_uOffset, record.m_strBytes, SeverityOf(record.m_strLevel), true,
                !record.m_bContinues);
          },
          [report](uint64_t offset, std::string const& text) {
            report("byte " + std::to_string(offset) + ": " + text);
          },
          [this](uint64_t offset, std::string_view bytes) {
            Add(offset, bytes, kUnparsedSeverity, !m_bSkipUnparsed, true);
          },
          PieceLimit(m_fnPrefix)),
      m_Follower(m_strPath, m_Parser, std::move(report)) {}

std::string ShippedLog::Start(bool fromOldest) {
  // Two shippers on one state would each send the log and move the state past the
  // other's records.
  if (!m_StateLock.IsOpen()) {
    return "cannot open " + m_strStatePath + ".lock: " + strerror(m_iLockErrno);
  }
  if (flock(m_StateLock.Get(), LOCK_EX | LOCK_NB) != 0) {
    return "another zblog ship uses the state file " + m_strStatePath;
  }
  FollowCursor cursor;
  std::string error;
  const StateLoad loaded =
      fromOldest ? StateLoad::kMissing : LoadShipState(m_strStatePath, m_strPath, cursor, error);
  if (loaded == StateLoad::kRefused) {
    return error + " (--from-oldest starts again at the oldest backup)";
  }
  m_Read = m_Confirmed = cursor;
  const bool resume = loaded == StateLoad::kLoaded;
  if (!m_Follower.Start(resume ? &cursor : nullptr, fromOldest)) return "cannot open " + m_strPath;
  return "";
}

void ShippedLog::Add(uint64_t offset, std::string_view bytes, int severity, bool send, bool ends) {
  if (offset == 0) m_Read = FollowCursor();  // a new generation starts
  m_Read.m_uHash = HashBytes(m_Read.m_uHash, bytes.data(), bytes.size());
  m_Read.m_uPosition = offset + bytes.size();
  ShipItem item;
  item.m_After = m_Read;
  item.m_bEndsRecord = ends;
  // A record's leading line feed separates records in the file; the receiver adds it
  // back (to every piece of a long record too: its copy has a line feed at each cut).
  if (!bytes.empty() && bytes[0] == '\n') bytes.remove_prefix(1);
  if (send && !bytes.empty()) item.m_strMessage = m_fnPrefix(severity).append(bytes);
  if (!send) ++m_Counters.m_uSkippedUnparsed;
  m_uQueuedBytes += item.m_strMessage.size();
  if (ends) ++m_uQueuedRecords;
  m_Pending.push_back(std::move(item));
}

void ShippedLog::Confirm(uint64_t acknowledged) {
  if (!m_InFlight.empty() && m_InFlight.front().m_uSequence <= acknowledged) {
    m_Counters.m_tLastAcknowledged = time(nullptr);
  }
  while (!m_InFlight.empty() && m_InFlight.front().m_uSequence <= acknowledged) {
    m_Counters.m_uAcknowledgedBytes += m_InFlight.front().m_strMessage.size();
    if (m_InFlight.front().m_bEndsRecord) {
      m_Confirmed = m_InFlight.front().m_After;
      m_bStateMoved = true;
      --m_uQueuedRecords;
      if (!m_InFlight.front().m_strMessage.empty()) ++m_Counters.m_uAcknowledgedRecords;
    }
    m_uQueuedBytes -= m_InFlight.front().m_strMessage.size();
    m_InFlight.pop_front();
  }
}

void ShippedLog::Requeue() {
  while (!m_InFlight.empty()) {
    m_Pending.push_front(std::move(m_InFlight.back()));
    m_InFlight.pop_back();
  }
}

std::string ShippedLog::SaveState() {
  if (!m_bStateMoved) return "";
  m_bStateMoved = false;
  return SaveShipState(m_strStatePath, m_strPath, m_Confirmed);
}

}  // namespace zblog
