// Cutting a byte stream into records: find each line feed, test for a header there,
// and close the open record when the next one starts.
#include "RecordParser.h"

#include <string.h>

#include <utility>

#include "RecordHeader.h"

namespace zblog {

RecordParser::RecordParser(RecordSink records, DiagnosticSink diagnostics)
    : m_fnRecords(std::move(records)), m_fnDiagnostics(std::move(diagnostics)) {}

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

void RecordParser::Emit(size_t end) {
  LogRecord record;
  size_t length = 0;
  MatchHeader(m_strBuffer.data() + m_uStart, end - m_uStart, record, length);
  record.m_uOffset = m_uBufferOffset + m_uStart;
  record.m_strMessage =
      std::string_view(m_strBuffer.data() + m_uStart + length, end - m_uStart - length);
  m_fnRecords(record);
  m_uStart = end;
}

void RecordParser::Skip(size_t end) {
  if (end <= m_uStart) return;
  if (m_uSkipped == 0) m_uSkippedAt = m_uBufferOffset + m_uStart;
  m_uSkipped += end - m_uStart;
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
