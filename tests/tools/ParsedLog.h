#ifndef ZBUTIL_TESTS_TOOLS_PARSEDLOG_H_
#define ZBUTIL_TESTS_TOOLS_PARSEDLOG_H_

// Shared by the zblog tests: a log's bytes run through RecordParser, kept as values.

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "RecordParser.h"

namespace zblog_test {

struct Record {
  uint64_t m_uPid;
  std::string m_strSource;
  int64_t m_iLine;
  std::string m_strLevel;
  std::string m_strMessage;
};

struct ParsedLog {
  std::vector<Record> m_vRecords;
  std::vector<std::string> m_vDiagnostics;
};

// Feeds `bytes` in pieces of `piece` bytes, then ends the input.
inline ParsedLog Parse(std::string const& bytes, size_t piece = 1 << 20) {
  ParsedLog parsed;
  zblog::RecordParser parser(
      [&parsed](zblog::LogRecord const& r) {
        parsed.m_vRecords.push_back({r.m_uPid, std::string(r.m_strSource), r.m_iLine,
                                     std::string(r.m_strLevel), std::string(r.m_strMessage)});
      },
      [&parsed](uint64_t offset, std::string const& text) {
        parsed.m_vDiagnostics.push_back(std::to_string(offset) + ": " + text);
      });
  for (size_t at = 0; at < bytes.size(); at += piece) {
    parser.Feed(bytes.data() + at, std::min(piece, bytes.size() - at));
  }
  parser.Finish();
  return parsed;
}

}  // namespace zblog_test

#endif  // ZBUTIL_TESTS_TOOLS_PARSEDLOG_H_
