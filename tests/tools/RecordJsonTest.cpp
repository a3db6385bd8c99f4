#include <gtest/gtest.h>

#include "RecordJson.h"
#include "ZblogOptions.h"

namespace zblog_test {
namespace {

TEST(RecordJson, EscapesAndReplacesWhatIsNotUtf8) {
  struct Case {
    std::string m_strText;
    std::string m_strJson;
  } const cases[] = {
      {"plain", "\"plain\""},
      {"q\" b\\ /", "\"q\\\" b\\\\ /\""},
      {"\n\t\r\b\f\x01\x1f\x7f", "\"\\n\\t\\r\\b\\f\\u0001\\u001f\x7f\""},
      {std::string("nul\0x", 5), "\"nul\\u0000x\""},
      {"\xc3\xa9 \xe2\x9c\x93 \xf0\x9f\x98\x80", "\"\xc3\xa9 \xe2\x9c\x93 \xf0\x9f\x98\x80\""},
      {"\xff", "\"\\ufffd\""},                                   // never valid
      {"\x80x", "\"\\ufffdx\""},                                 // stray continuation byte
      {"\xc0\x80", "\"\\ufffd\\ufffd\""},                        // overlong NUL
      {"\xe0\x9f\xbf", "\"\\ufffd\\ufffd\\ufffd\""},             // overlong three-byte form
      {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},             // surrogate
      {"\xf4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},  // above U+10FFFF
      {"\xe2\x9c", "\"\\ufffd\\ufffd\""},                        // cut at the end
      {"\xe2\x9cx", "\"\\ufffd\\ufffdx\""},                      // cut before ASCII
  };
  for (Case const& c : cases) {
    std::string out;
    zblog::AppendJsonString(c.m_strText, out);
    EXPECT_EQ(out, c.m_strJson);
  }
}

TEST(RecordJson, RecordObject) {
  zblog::LogRecord record;
  record.m_uPid = 6699;
  record.m_strDate = "2026/12/04";
  record.m_strTime = "18:17:47";
  record.m_strSource = "main.cpp";
  record.m_iLine = -1;
  record.m_strLevel = "Perf. Timing";
  record.m_strMessage = "a\nb";
  std::string out;
  zblog::AppendRecordJson(record, out);
  EXPECT_EQ(out,
            "{\"pid\":6699,\"date\":\"2026-12-04\",\"time\":\"18:17:47\",\"source\":\"main.cpp\","
            "\"line\":-1,\"level\":\"Perf. Timing\",\"message\":\"a\\nb\"}\n");
}

TEST(ZblogOptions, CommandLines) {
  struct Case {
    std::vector<std::string> m_vArguments;
    std::string m_strError;  // a part of it; empty: accepted
  } const cases[] = {
      {{"-d", "/tmp", "--name=x.log", "-lerror", "-s", "0", "-b", "4294967295", "--", "-m"}, ""},
      {{"--level", "-2147483648", "--wait", "5", "--no-wait", "hello", "-d"}, ""},
      {{"-l", "2147483648"}, "unknown level"},
      {{"-l", "fatal"}, "unknown level"},
      {{"-s", "4294967296"}, "invalid size"},
      {{"-s", "-1"}, "invalid size"},
      {{"-b", " 1"}, "invalid number of backups"},
      {{"-L", "1x"}, "invalid line"},
      {{"-n", "a/b.log"}, "bare name"},
      {{"-w"}, "needs a value"},
      {{"--bogus"}, "unknown option"},
      {{"parse", "--follow"}, "exactly one log file"},
      {{"parse", "--follow", "a", "b"}, "exactly one log file"},
      {{"parse", "-x"}, "unknown option"},
  };
  for (Case const& c : cases) {
    zblog::Options options;
    const std::string error = zblog::ParseArguments(c.m_vArguments, options);
    SCOPED_TRACE(c.m_vArguments[0] + " ... -> " + error);
    if (c.m_strError.empty()) {
      EXPECT_EQ(error, "");
    } else {
      EXPECT_NE(error.find(c.m_strError), std::string::npos);
    }
  }
  zblog::Options options;
  ASSERT_EQ(zblog::ParseArguments(cases[0].m_vArguments, options), "");
  zblog::WriteOptions const& w = options.m_Write;
  EXPECT_EQ(std::tie(*w.m_strDirectory, w.m_strLogName, w.m_iLevel, *w.m_uMaxSize, *w.m_uBackups),
            std::make_tuple("/tmp", "x.log", 1, 0u, 4294967295u));
  EXPECT_EQ(w.m_vMessage, std::vector<std::string>{"-m"});
  ASSERT_EQ(zblog::ParseArguments(cases[1].m_vArguments, options), "");
  EXPECT_EQ(options.m_Write.m_ulWaitMilliseconds, 0u);
  EXPECT_EQ(options.m_Write.m_vMessage, (std::vector<std::string>{"hello", "-d"}));
}

TEST(ZblogOptions, LevelsByNameAndNumber) {
  const std::pair<char const*, int32_t> cases[] = {{"critical", 0},
                                                   {"Critical Failure:", 0},
                                                   {"ERROR", 1},
                                                   {"exception", 2},
                                                   {"warn", 4},
                                                   {"info", 8},
                                                   {"Information:", 8},
                                                   {"trace", 16},
                                                   {"Perf. Timing", 32},
                                                   {"audit", 64},
                                                   {"3", 3},
                                                   {"-1", -1}};
  for (auto const& [text, level] : cases) {
    int32_t parsed = 12345;
    EXPECT_TRUE(zblog::ParseLevel(text, parsed)) << text;
    EXPECT_EQ(parsed, level) << text;
  }
}

}  // namespace
}  // namespace zblog_test
