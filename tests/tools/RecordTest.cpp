#include <gtest/gtest.h>
#include <unistd.h>

#include "logging/LoggerTestSupport.h"
#include "record/RecordJson.h"
#include "record/RecordParser.h"

namespace zblog_test {
namespace {

struct Parsed {
  std::vector<std::string> records;  // "pid|source|line|level|message"
  std::string diagnostics;           // "offset: text" lines
  std::string json;                  // the records' JSON
};

// Feeds `bytes` in pieces of `feed` bytes, then ends the input.
Parsed Parse(std::string const& bytes, size_t feed) {
  Parsed p;
  zblog::RecordParser parser(
      [&](zblog::LogRecord const& r) {
        p.records.push_back(std::to_string(r.m_uPid) + "|" + std::string(r.m_strSource) + "|" +
                            std::to_string(r.m_iLine) + "|" + std::string(r.m_strLevel) + "|" +
                            std::string(r.m_strMessage));
        zblog::AppendRecordJson(r, p.json);
      },
      [&p](uint64_t offset, std::string const& text) {
        p.diagnostics += std::to_string(offset) + ": " + text + "\n";
      });
  for (size_t at = 0; at < bytes.size(); at += feed) {
    parser.Feed(bytes.data() + at, std::min(feed, bytes.size() - at));
  }
  parser.Finish();
  return p;
}

// Records whose bytes a plausible parser gets wrong: level, source, line and message
// as written, then as parsed (without the pid). The last one must stay last.
const std::vector<std::tuple<zbLogLevel, char const*, unsigned long, std::string, std::string>>
    kCases = {
        {zbLogWarning, "a.cpp", 1, "two\nlines\n", "a.cpp|1|Warning|two\nlines\n"},
        // A line feed and something header-like that is not a header stays in the message.
        {zbLogTrace, "b.cpp", 2, "x\n    1A2B|2026/12/04|18:17:47 nope",
         "b.cpp|2|Trace|x\n    1A2B|2026/12/04|18:17:47 nope"},
        {zbLogPerfTiming, "source_file_name_longer_than_27.cpp", 123456, "",
         "source_file_name_longer_tha|123456|Perf. Timing|"},
        {static_cast<zbLogLevel>(3), "c.cpp", 4294967295UL, "|x| - y", "c.cpp|-1|Unknown||x| - y"},
        {zbLogCriticalFailure, "", 0, "\n", "|0|Critical Failure|\n"},
        {zbLogAudit, "d.cpp", 7, "no line feed behind it", "d.cpp|7|Audit|no line feed behind it"},
};

// Fed in pieces that cut headers: the records the library wrote, messages with their
// line feeds. Cut anywhere inside its last record: the records
// before it intact, the last one shorter, or dropped and reported when its header is cut.
TEST(RecordParser, ReadsWhatTheLoggerWroteInPiecesAndCut) {
  logger_test::TempDir dir;
  {
    logger_test::ProbeLogger logger(dir.Path());
    for (auto const& [level, source, line, message, parsed] : kCases) {
      logger.Log(level, source, line, "%s", message.c_str());
    }
  }
  const std::string bytes = logger_test::ReadFile(dir.File("app.log"));
  std::vector<std::string> expected;
  for (auto const& c : kCases) expected.push_back(std::to_string(getpid()) + "|" + std::get<4>(c));
  const Parsed parsed = Parse(bytes, 7);  // any cut: the record_parser fuzz target
  EXPECT_EQ(parsed.records, expected);
  EXPECT_EQ(parsed.diagnostics, "");
  const size_t headerEnd = bytes.rfind("|Audit: - ") + 10;
  const size_t lastStart = bytes.rfind('\n', headerEnd);
  for (size_t cut = lastStart; cut < bytes.size(); ++cut) {
    const auto [records, diagnostics, json] = Parse(bytes.substr(0, cut), 5);
    ASSERT_EQ(records.size(), kCases.size() - (cut < headerEnd ? 1 : 0)) << cut;
    const bool inHeader = cut > lastStart + 1 && cut < headerEnd;
    EXPECT_EQ(diagnostics, !inHeader
                               ? ""
                               : std::to_string(lastStart) +
                                     ": record cut short: the input ends inside its header (" +
                                     std::to_string(cut - lastStart) + " bytes dropped)\n");
    if (cut >= headerEnd) {
      EXPECT_EQ(records.back(),
                expected.back().substr(0, expected.back().size() - (bytes.size() - cut)));
    }
  }
}

TEST(RecordParser, MalformedInputIsReportedNotFatal) {
  const std::string record = "\n    1A2B|2026/12/04|18:17:47|" + std::string(19, ' ') +
                             "main.cpp|   42|Error: - disk full";
  const std::string skipped = " bytes outside any record skipped";
  const std::tuple<std::string, size_t, std::string> cases[] = {
      // Input, records found, a part of the diagnostics (empty: none).
      {"junk" + record + record, 2, "0: 4" + skipped},
      {record.substr(1) + record, 1, "0: 81" + skipped},  // the file starts inside a record
      {std::string(100000, '\n'), 0, "0: 100000" + skipped},
      // A header cut short by the next record (a partial write) is set apart, not glued
      // on; shorter header-like lines stay in the message.
      {record + record.substr(0, 40) + record, 2, "82: record cut short: an incomplete header (40"},
      {record + record.substr(0, 29) + record, 2, ""},
      // Fields that are not what the format writes: lower-case hex, a narrow pid,
      // blanks inside the line field, an unknown level name, no separator.
      {"\n    1a2b" + record.substr(9), 0, skipped},
      {"\n1A2B" + record.substr(9), 0, skipped},
      {record.substr(0, 58) + " 4 2 |Error: - x", 0, skipped},
      {record.substr(0, 64) + "Fatal: - x", 0, skipped},
      {record.substr(0, 64) + "Error:- x", 0, skipped},
      // Wider than their fields is fine.
      {"\n123456789|" + record.substr(10, 48) + "-2147483648|Error: - x", 1, ""},
  };
  for (auto const& [input, records, diagnostic] : cases) {
    const auto [found, diagnostics, json] = Parse(input, 3);
    EXPECT_EQ(found.size(), records) << input.substr(0, 80);
    EXPECT_EQ(diagnostics.empty(), diagnostic.empty()) << diagnostics;
    EXPECT_NE(diagnostics.find(diagnostic), std::string::npos) << diagnostics;
  }
  EXPECT_EQ(Parse(std::get<0>(cases[10]), 3).records,
            std::vector<std::string>{"4886718345|main.cpp|-2147483648|Error|x"});
}

// The record object is checked through the command.
TEST(RecordJson, EscapesAndReplacesWhatIsNotUtf8) {
  const std::string u = "\\ufffd";
  const std::pair<std::string, std::string> cases[] = {
      {std::string("q\" b\\ /\n\t\r\b\f\x01\x1f\x7f\0x", 17),
       "\"q\\\" b\\\\ /\\n\\t\\r\\b\\f\\u0001\\u001f\x7f\\u0000x\""},
      {"\xc3\xa9 \xe2\x9c\x93 \xf0\x9f\x98\x80", "\"\xc3\xa9 \xe2\x9c\x93 \xf0\x9f\x98\x80\""},
      // Never valid, a stray continuation byte, overlong NUL and three-byte forms, a
      // surrogate, above U+10FFFF, cut before ASCII and at the end.
      {"\xff|\x80|\xc0\x80|\xe0\x9f\xbf|\xed\xa0\x80|\xf4\x90\x80\x80|\xe2\x9c|\xe2\x9c",
       "\"" + u + "|" + u + "|" + u + u + "|" + u + u + u + "|" + u + u + u + "|" + u + u + u + u +
           "|" + u + u + "|" + u + u + "\""},
  };
  for (auto const& [text, json] : cases) {
    std::string out;
    zblog::AppendJsonString(text, out);
    EXPECT_EQ(out, json);
  }
}

}  // namespace
}  // namespace zblog_test
