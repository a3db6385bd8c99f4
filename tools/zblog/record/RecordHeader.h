#ifndef ZBUTIL_TOOLS_ZBLOG_RECORD_RECORDHEADER_H_
#define ZBUTIL_TOOLS_ZBLOG_RECORD_RECORDHEADER_H_

// Recognises the header that starts a log record (see RecordParser.h for its layout,
// and the library's RecordFormat.h for the widths and separators it is made of).

#include <stddef.h>

#include "record/LogRecord.h"

namespace zblog {

enum class HeaderMatch {
  kNone,      // the bytes are not a header
  kComplete,  // a whole header
  kCutShort,  // every byte so far fits a header, but the input ends before it does
};

// Matches the `size` bytes at `data` (starting with the line feed) against a header.
// On kComplete fills the header fields of `record` (all but the offset and the
// message, views into `data`) and sets `length` to the header's length.
HeaderMatch MatchHeader(char const* data, size_t size, LogRecord& record, size_t& length);

}  // namespace zblog

#endif  // ZBUTIL_TOOLS_ZBLOG_RECORD_RECORDHEADER_H_
