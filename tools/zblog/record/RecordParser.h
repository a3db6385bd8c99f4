#ifndef ZBUTIL_TOOLS_ZBLOG_RECORD_RECORDPARSER_H_
#define ZBUTIL_TOOLS_ZBLOG_RECORD_RECORDPARSER_H_

// RecordParser: cuts the bytes of a log (or a backup) into records, as they arrive.
//
// A record starts at a line feed followed by a complete header
//
//   "\n" PID(%8X) "|" YYYY/MM/DD "|" HH:MM:SS "|" file(27 bytes) "|" line(%5d) "|"
//   level name " - "
//
// and runs to the next such line feed or to the end of the input, so a message keeps
// the line feeds it holds. The process id and the line may be wider than their fields;
// the level must be one of the logger's display names. A line feed followed by
// anything else belongs to the message before it, except a header cut short: a line
// that fits a header through its time field and ends where a complete header starts
// is what a partial write leaves, so it is reported and kept apart, not glued on.
//
// Input is fed in pieces of any size; a record is handed on once the next header (or
// the end of the input) shows where it ends. Bytes that belong to no record (before
// the first header, or after FlushPending) and a header cut off by the end of the
// input are reported as diagnostics, never thrown. A lone line feed at the end counts
// as the end of the last message (messages may end with one), a longer piece of a
// header as a record cut short. Linear in the input.
//
// Memory is bounded whatever the input: a record longer than the parser's limit is
// handed on in pieces of at most that many bytes, as its bytes arrive (a piece never
// ends inside a UTF-8 sequence), and so are runs of bytes outside any record. Memory
// is then the limit plus the last piece fed.

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <string>
#include <string_view>

#include "record/LogRecord.h"

namespace zblog {

// The most bytes of a record handed on at once unless a parser is given its own limit.
constexpr size_t kMaxPieceBytes = size_t{64} * 1024;

class RecordParser {
 public:
  using RecordSink = std::function<void(LogRecord const&)>;
  // Called with the input offset the trouble starts at and a sentence describing it.
  using DiagnosticSink = std::function<void(uint64_t, std::string const&)>;
  // Gets every run of bytes that is part of no record (the ones diagnostics report),
  // in input order with its offset, so that a caller can pass them on or count them.
  using UnparsedSink = std::function<void(uint64_t, std::string_view)>;

  // `maxPieceBytes` (at least 256) bounds every view handed to `records` and `unparsed`.
  RecordParser(RecordSink records, DiagnosticSink diagnostics, UnparsedSink unparsed = nullptr,
               size_t maxPieceBytes = kMaxPieceBytes);

  // Adds the next `size` bytes of the input.
  void Feed(char const* data, size_t size);
  // The input has ended: hands on the last record, and reports bytes outside any
  // record and a header cut short. The parser is then ready for a new input at offset 0.
  void Finish();
  // Hands on the record still open, if its header is complete, as if the input ended
  // here, but keeps the offset running: later bytes start outside any record.
  void FlushPending();
  // Before the first Feed of an input: its first byte is at `offset` (a read that goes
  // on where an earlier one stopped).
  void StartAt(uint64_t offset) { m_uBufferOffset = offset; }
  // Total bytes fed since the input started (at its starting offset).
  uint64_t InputOffset() const { return m_uBufferOffset + m_strBuffer.size(); }
  // True while any diagnostic has been reported since construction.
  bool SawTrouble() const { return m_bTrouble; }

 private:
  void Scan();
  // Where the bytes fed so far end for a record that must close now: before a header
  // cut short at the end, or at the end.
  size_t ClosingEnd() const;
  // Hands on the open record up to `end`, in pieces within the limit; the last piece
  // closes the record only when `closes`, else up to a limit's worth stays.
  void Emit(size_t end, bool closes = true);
  void EmitPiece(size_t end, bool continues);
  void Skip(size_t end);
  // At the line feed at `at`, not a header: true when the line behind it is a header
  // cut short by the next record (reported and set apart); sets `wait` when the next
  // header is not all here yet.
  bool SetApartCutHeader(size_t at, bool& wait);
  void ReportSkipped();
  void Report(uint64_t offset, std::string const& text);

  RecordSink m_fnRecords;
  DiagnosticSink m_fnDiagnostics;
  UnparsedSink m_fnUnparsed;
  size_t m_uMaxPieceBytes;
  uint64_t m_uPiece = 0;    // of the open record, the next piece's number
  std::string m_strHeader;  // the open record's header once its first piece is gone
  // Bytes from input offset m_uBufferOffset on; those before m_uStart are done with
  // and are dropped at the next Feed, so that handing on a record copies nothing.
  std::string m_strBuffer;
  uint64_t m_uBufferOffset = 0;
  size_t m_uStart = 0;
  size_t m_uScan = 0;         // next buffer position to look for a line feed from
  bool m_bInRecord = false;   // m_uStart is the line feed of a matched header
  uint64_t m_uSkipped = 0;    // bytes outside any record not yet reported
  uint64_t m_uSkippedAt = 0;  // where they start
  bool m_bTrouble = false;
};

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_RECORD_RECORDPARSER_H_
