#ifndef ZBUTIL_TOOLS_ZBLOG_RECORD_RECORDJSON_H_
#define ZBUTIL_TOOLS_ZBLOG_RECORD_RECORDJSON_H_

// A record as one line of JSON:
//
//   {"pid":6699,"date":"2026-12-04","time":"18:17:47","source":"main.cpp","line":42,
//    "level":"Error","message":"disk full"}
//
// Texts are JSON strings in UTF-8: '"', '\\' and control characters are escaped
// (\n, \t, \r, \b, \f, else \u00XX); each byte that is not part of a well-formed UTF-8
// sequence (a stray continuation byte, a cut or overlong sequence, a surrogate, a
// code point above U+10FFFF) is replaced by U+FFFD, written as "\ufffd".

#include <string>
#include <string_view>

#include "record/RecordParser.h"

namespace zblog {

// Appends `text` as a JSON string, quotes included, to `out`.
void AppendJsonString(std::string_view text, std::string& out);
// Appends `record` as one JSON object followed by a line feed to `out`. For a record
// in pieces (RecordParser), each piece appends its part of the one object: the first
// opens it, the last closes it, so the output is that of the whole record.
void AppendRecordJson(LogRecord const& record, std::string& out);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_RECORD_RECORDJSON_H_
