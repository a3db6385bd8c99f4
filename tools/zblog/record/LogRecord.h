#ifndef ZBUTIL_TOOLS_ZBLOG_RECORD_LOGRECORD_H_
#define ZBUTIL_TOOLS_ZBLOG_RECORD_LOGRECORD_H_

// A record of the log as the parser hands it on (see RecordParser.h for the layout).

#include <stdint.h>

#include <string_view>

namespace zblog {

// One record; the views point into the parser's buffer and are valid only during the
// callback that receives them.
struct LogRecord {
  uint64_t m_uOffset = 0;        // input offset of the record's leading line feed
  uint64_t m_uPid = 0;           // process id (written in hexadecimal)
  std::string_view m_strDate;    // "YYYY/MM/DD"
  std::string_view m_strTime;    // "HH:MM:SS"
  std::string_view m_strSource;  // the 27-byte field, leading blanks removed
  int64_t m_iLine = 0;           // source line
  std::string_view m_strLevel;   // display name without its colon: "Error", "Perf. Timing"
  std::string_view m_strMessage;
  std::string_view m_strBytes;  // the whole record as read, header included
  // A record longer than the parser's limit comes in pieces, each with the header's
  // fields: the first (piece 0) has the header in m_strBytes; each later one has only
  // its own bytes, in both m_strMessage and m_strBytes. All but the last continue.
  uint64_t m_uPiece = 0;
  bool m_bContinues = false;
};

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_RECORD_LOGRECORD_H_
