// Cutting a byte stream into records: find each line feed, test for a header there,
// and close the open record when the next one starts.
#include "RecordParser.h"

#include <string.h>

#include <utility>

#include "RecordHeader.h"

namespace zblog {
namespace {

// A line taken for a cut header must fit one through "\nPID|YYYY/MM/DD|HH:MM:SS|":
// shorter header-like lines are too common inside messages to judge.
constexpr size_t kMinCutHeader = 30;

}  // namespace

RecordParser::RecordParser(RecordSink records, DiagnosticSink diagnostics, UnparsedSink unparsed)
    : m_fnRecords(std::move(records)),
      m_fnDiagnostics(std::move(diagnostics)),
      m_fnUnparsed(std::move(unparsed)) {}

void RecordParser::Feed(char const* data, size_t size) {
  if (m_uStart > 0) {  // drop what is done with, once per piece
    m_strBuffer.erase(0, m_uStart);
    m_uBufferOffset += m_uStart;
    m_uScan -= m_uStart;
    m_uStart = 0;
  }
  m_strBuffer.append(data, size);
  Scan();
}

void RecordParser::Scan() {
  char const* base = m_strBuffer.data();
  const size_t size = m_strBuffer.size();
  while (m_uScan < size) {
    void const* found = memchr(base + m_uScan, '\n', size - m_uScan);
    if (found == nullptr) {
      m_uScan = size;
      break;
    }
    const size_t at = static_cast<size_t>(static_cast<char const*>(found) - base);
    LogRecord header;
    size_t length = 0;
    const HeaderMatch match = MatchHeader(base + at, size - at, header, length);
    if (match == HeaderMatch::kCutShort) {
      m_uScan = at;  // decided when more bytes come
      break;
    }
    if (match == HeaderMatch::kNone) {
      bool wait = false;
      if (m_bInRecord && SetApartCutHeader(at, wait)) continue;
      if (wait) break;
      m_uScan = at + 1;
      continue;
    }
    if (m_bInRecord) {
      Emit(at);
    } else {
      Skip(at);
      ReportSkipped();
    }
    m_uStart = at;
    m_bInRecord = true;
    m_uScan = at + length;
  }
  if (!m_bInRecord) Skip(m_uScan);  // no record can start before the scan position
}

size_t RecordParser::ClosingEnd() const {
  const size_t size = m_strBuffer.size();
  return size - m_uScan > 1 ? m_uScan : size;
}

bool RecordParser::SetApartCutHeader(size_t at, bool& wait) {
  char const* base = m_strBuffer.data();
  const size_t size = m_strBuffer.size();
  void const* found = memchr(base + at + 1, '\n', size - at - 1);
  if (found == nullptr) return false;
  const size_t next = static_cast<size_t>(static_cast<char const*>(found) - base);
  LogRecord header;
  size_t length = 0;
  if (next - at < kMinCutHeader ||
      MatchHeader(base + at, next - at, header, length) != HeaderMatch::kCutShort) {
    return false;
  }
  const HeaderMatch following = MatchHeader(base + next, size - next, header, length);
  if (following == HeaderMatch::kCutShort) {
    m_uScan = at;  // decided when the next header is all here
    wait = true;
    return false;
  }
  if (following != HeaderMatch::kComplete) return false;
  Emit(at);
  m_bInRecord = false;
  if (m_fnUnparsed) m_fnUnparsed(m_uBufferOffset + at, std::string_view(base + at, next - at));
  Report(m_uBufferOffset + at, "record cut short: an incomplete header (" +
                                   std::to_string(next - at) + " bytes) skipped");
  m_uStart = next;
  m_uScan = next;
  return true;
}

void RecordParser::Emit(size_t end) {
  LogRecord record;
  size_t length = 0;
  MatchHeader(m_strBuffer.data() + m_uStart, end - m_uStart, record, length);
  record.m_uOffset = m_uBufferOffset + m_uStart;
  record.m_strMessage =
      std::string_view(m_strBuffer.data() + m_uStart + length, end - m_uStart - length);
  record.m_strBytes = std::string_view(m_strBuffer.data() + m_uStart, end - m_uStart);
  m_fnRecords(record);
  m_uStart = end;
}

void RecordParser::Skip(size_t end) {
  if (end <= m_uStart) return;
  if (m_uSkipped == 0) m_uSkippedAt = m_uBufferOffset + m_uStart;
  m_uSkipped += end - m_uStart;
  if (m_fnUnparsed) {
    m_fnUnparsed(m_uBufferOffset + m_uStart,
                 std::string_view(m_strBuffer.data() + m_uStart, end - m_uStart));
  }
  m_uStart = end;
}

void RecordParser::ReportSkipped() {
  if (m_uSkipped == 0) return;
  Report(m_uSkippedAt, std::to_string(m_uSkipped) + " bytes outside any record skipped");
  m_uSkipped = 0;
}

void RecordParser::Report(uint64_t offset, std::string const& text) {
  m_bTrouble = true;
  m_fnDiagnostics(offset, text);
}

void RecordParser::FlushPending() {
  const size_t end = ClosingEnd();
  if (end < m_strBuffer.size()) return;  // a header is still arriving
  if (m_bInRecord) {
    Emit(end);
    m_bInRecord = false;
  }
  Skip(end);
  ReportSkipped();
  m_uScan = end;
}

void RecordParser::Finish() {
  const size_t size = m_strBuffer.size();
  const size_t end = ClosingEnd();
  if (m_bInRecord) Emit(end);
  Skip(end);
  ReportSkipped();
  if (end < size) {
    if (m_fnUnparsed) {
      m_fnUnparsed(m_uBufferOffset + end, std::string_view(m_strBuffer.data() + end, size - end));
    }
    Report(m_uBufferOffset + end, "record cut short: the input ends inside its header (" +
                                      std::to_string(size - end) + " bytes dropped)");
  }
  m_strBuffer.clear();
  m_uBufferOffset = 0;
  m_uStart = 0;
  m_uScan = 0;
  m_bInRecord = false;
}

}  // namespace zblog
