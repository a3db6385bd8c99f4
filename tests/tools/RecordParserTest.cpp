#include <gtest/gtest.h>
#include <unistd.h>

#include "ParsedLog.h"
#include "logging/LoggerTestSupport.h"

namespace zblog_test {
namespace {

using logger_test::ProbeLogger;
using logger_test::ReadFile;
using logger_test::TempDir;

struct Written {
  zbLogLevel m_eLevel;
  char const* m_pszSource;
  unsigned long m_ulLine;
  std::string m_strMessage;
  std::string m_strLevel;   // as parsed
  std::string m_strSource;  // as parsed
  int64_t m_iLine;          // as parsed
};

// Records whose bytes a plausible parser gets wrong.
std::vector<Written> const& Cases() {
  static const std::vector<Written> cases = {
      {zbLogError, "main.cpp", 42, "disk full", "Error", "main.cpp", 42},
      {zbLogWarning, "a.cpp", 1, "two\nlines\n", "Warning", "a.cpp", 1},
      // A line feed and something header-like that is not a header stays in the message.
      {zbLogTrace, "b.cpp", 2, "x\n    1A2B|2026/12/04|18:17:47|nope", "Trace", "b.cpp", 2},
      {zbLogPerfTiming, "a_source_file_name_longer_than_27.cpp", 123456, "", "Perf. Timing",
       "a_source_file_name_longer_t", 123456},
      {static_cast<zbLogLevel>(3), "c.cpp", 4294967295UL, "|x| - y", "Unknown", "c.cpp", -1},
      {zbLogCriticalFailure, "", 0, "\n", "Critical Failure", "", 0},
      {zbLogAudit, "d.cpp", 7, "last, no line feed behind it", "Audit", "d.cpp", 7},
  };
  return cases;
}

// Writes every case through the library into a log that rotates, and returns the
// content of the backups (oldest first) and the log, as one stream.
std::string WriteAll(TempDir const& dir, uint32_t maxSize) {
  {
    ProbeLogger logger(dir.Path(), "app.log", maxSize, 20);
    for (Written const& w : Cases()) {
      logger.Log(w.m_eLevel, w.m_pszSource, w.m_ulLine, "%s", w.m_strMessage.c_str());
    }
  }
  std::string all;
  for (int n = 1; logger_test::Exists(dir.File("app.log_" + std::to_string(n) + ".Bak")); ++n) {
    all += ReadFile(dir.File("app.log_" + std::to_string(n) + ".Bak"));
  }
  return all + ReadFile(dir.File("app.log"));
}

void ExpectAllCases(ParsedLog const& parsed) {
  ASSERT_EQ(parsed.m_vRecords.size(), Cases().size());
  EXPECT_TRUE(parsed.m_vDiagnostics.empty()) << parsed.m_vDiagnostics[0];
  for (size_t i = 0; i < Cases().size(); ++i) {
    Written const& w = Cases()[i];
    Record const& r = parsed.m_vRecords[i];
    EXPECT_EQ(r.m_uPid, static_cast<uint64_t>(getpid()));
    EXPECT_EQ(std::tie(r.m_strLevel, r.m_strSource, r.m_iLine, r.m_strMessage),
              std::tie(w.m_strLevel, w.m_strSource, w.m_iLine, w.m_strMessage))
        << "record " << i;
  }
}

// With and without rotation between records, fed whole or in pieces that cut headers
// anywhere: the same records, messages with their line feeds.
TEST(RecordParser, ReadsWhatTheLoggerWroteAcrossBackupsAndPieces) {
  for (uint32_t maxSize : {268435456u, 150u}) {
    TempDir dir;
    const std::string bytes = WriteAll(dir, maxSize);
    if (maxSize == 150u) {
      ASSERT_TRUE(logger_test::Exists(dir.File("app.log_3.Bak")));
    }
    for (size_t piece : {size_t{1}, size_t{7}, size_t{64}, bytes.size()}) {
      SCOPED_TRACE("max size " + std::to_string(maxSize) + ", piece " + std::to_string(piece));
      ExpectAllCases(Parse(bytes, piece));
    }
  }
}

// A log cut anywhere inside its last record: the records before it intact, the last
// one shorter or dropped with a message, never a crash.
TEST(RecordParser, TruncatedTailAtEveryPosition) {
  TempDir dir;
  const std::string bytes = WriteAll(dir, 268435456u);
  const size_t lastStart = bytes.rfind("\n", bytes.rfind("|Audit: - "));
  const size_t headerEnd = bytes.rfind("|Audit: - ") + 10;
  for (size_t cut = lastStart; cut < bytes.size(); ++cut) {
    const ParsedLog parsed = Parse(bytes.substr(0, cut), 5);
    const bool inHeader = cut > lastStart + 1 && cut < headerEnd;
    ASSERT_EQ(parsed.m_vRecords.size(), Cases().size() - (cut < headerEnd ? 1 : 0)) << cut;
    ASSERT_EQ(parsed.m_vDiagnostics.size(), inHeader ? 1u : 0u) << cut;
    if (inHeader) {
      EXPECT_NE(parsed.m_vDiagnostics[0].find("cut short"), std::string::npos);
    }
    if (cut >= headerEnd) {
      EXPECT_EQ(parsed.m_vRecords.back().m_strMessage,
                Cases().back().m_strMessage.substr(0, cut - headerEnd));
    }
  }
}

TEST(RecordParser, MalformedInputIsReportedNotFatal) {
  const std::string record = "\n    1A2B|2026/12/04|18:17:47|" + std::string(19, ' ') +
                             "main.cpp|   42|Error: - disk full";
  struct Case {
    std::string m_strInput;
    size_t m_uRecords;
    std::string m_strDiagnostic;  // empty: none
  } const cases[] = {
      {"", 0, ""},
      {"hello\nworld", 0, "0: 11 bytes outside any record skipped"},
      {"junk" + record + record, 2, "0: 4 bytes outside any record skipped"},
      {record.substr(1) + record, 1, "0: 81 bytes outside any record skipped"},  // no first LF
      // Fields that are not what the format writes: lower-case hex, a narrow pid,
      // blanks inside the line field, an unknown level name.
      {"\n    1a2b" + record.substr(9), 0, "bytes outside any record skipped"},
      {"\n1A2B" + record.substr(9), 0, "bytes outside any record skipped"},
      {record.substr(0, 58) + " 4 2 |Error: - x", 0, "bytes outside any record skipped"},
      {record.substr(0, 64) + "Fatal: - x", 0, "bytes outside any record skipped"},
      // Wider than their fields is fine.
      {"\n123456789|" + record.substr(10, 48) + "-2147483648|Error: - x", 1, ""},
      {std::string(100000, '\n'), 0, "100000 bytes outside any record skipped"},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.m_strInput.substr(0, 80));
    const ParsedLog parsed = Parse(c.m_strInput, 3);
    EXPECT_EQ(parsed.m_vRecords.size(), c.m_uRecords);
    if (c.m_strDiagnostic.empty()) {
      EXPECT_TRUE(parsed.m_vDiagnostics.empty());
    } else {
      ASSERT_EQ(parsed.m_vDiagnostics.size(), 1u);
      EXPECT_NE(parsed.m_vDiagnostics[0].find(c.m_strDiagnostic), std::string::npos)
          << parsed.m_vDiagnostics[0];
    }
  }
}

}  // namespace
}  // namespace zblog_test
