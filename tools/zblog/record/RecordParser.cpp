// Cutting a byte stream into records: find each line feed, test for a header there,
// and close the open record when the next one starts.
#include "record/RecordParser.h"

#include <string.h>

#include <algorithm>
#include <utility>

#include "record/RecordHeader.h"

namespace zblog {
namespace {

// A line taken for a cut header must fit one through "\nPID|YYYY/MM/DD|HH:MM:SS|":
// shorter header-like lines are too common inside messages to judge.
constexpr size_t kMinCutHeader = 30;
// Room for the longest header (widened numbers included) and a UTF-8 sequence.
constexpr size_t kMinPieceBytes = 256;

// Where a piece from `start` that may run to `limit` ends: before a UTF-8 sequence that
// the limit would cut, so that each piece is text on its own.
size_t PieceEnd(char const* base, size_t start, size_t limit) {
  for (size_t back = 1; back <= 3 && limit - back > start; ++back) {
    const auto byte = static_cast<uint8_t>(base[limit - back]);
    if (byte < 0x80) return limit;
    if (byte >= 0xC0) {  // a lead byte: does its sequence end by the limit?
      const size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
      return length > back ? limit - back : limit;
    }
  }
  return limit;
}

}  // namespace

RecordParser::RecordParser(RecordSink records, DiagnosticSink diagnostics, UnparsedSink unparsed,
                           size_t maxPieceBytes)
    : m_fnRecords(std::move(records)),
      m_fnDiagnostics(std::move(diagnostics)),
      m_fnUnparsed(std::move(unparsed)),
      m_uMaxPieceBytes(std::max(maxPieceBytes, kMinPieceBytes)) {}

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
  // No record can start before the scan position: what lies before it is settled.
  if (m_bInRecord) {
    Emit(m_uScan, false);
  } else {
    Skip(m_uScan);
  }
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

void RecordParser::Emit(size_t end, bool closes) {
  while (end - m_uStart > m_uMaxPieceBytes) {
    EmitPiece(PieceEnd(m_strBuffer.data(), m_uStart, m_uStart + m_uMaxPieceBytes), true);
  }
  if (closes) EmitPiece(end, false);
}

void RecordParser::EmitPiece(size_t end, bool continues) {
  char const* start = m_strBuffer.data() + m_uStart;
  LogRecord record;
  size_t length = 0;
  if (m_uPiece == 0) {
    MatchHeader(start, end - m_uStart, record, length);
    if (continues) m_strHeader.assign(start, length);
  } else {
    MatchHeader(m_strHeader.data(), m_strHeader.size(), record, length);
    length = 0;  // the header went with the first piece
  }
  record.m_uOffset = m_uBufferOffset + m_uStart;
  record.m_uPiece = m_uPiece;
  record.m_bContinues = continues;
  record.m_strMessage = std::string_view(start + length, end - m_uStart - length);
  record.m_strBytes = std::string_view(start, end - m_uStart);
  m_uPiece = continues ? m_uPiece + 1 : 0;
  m_fnRecords(record);
  m_uStart = end;
}

void RecordParser::Skip(size_t end) {
  if (end <= m_uStart) return;
  if (m_uSkipped == 0) m_uSkippedAt = m_uBufferOffset + m_uStart;
  m_uSkipped += end - m_uStart;
  while (m_uStart < end) {
    const size_t piece = std::min(end - m_uStart, m_uMaxPieceBytes);
    if (m_fnUnparsed) {
      m_fnUnparsed(m_uBufferOffset + m_uStart,
                   std::string_view(m_strBuffer.data() + m_uStart, piece));
    }
    m_uStart += piece;
  }
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
