#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

#include "logging/LoggerTestSupport.h"

namespace zblog_test {
namespace {

using logger_test::ReadFile;
using logger_test::TempDir;

struct Outcome {
  int m_iStatus;
  std::string m_strOut;
  std::string m_strErr;
};

// Starts the zblog program with `arguments`, standard input from `input`, and standard
// output and error into files of `dir`; returns its process id.
pid_t Start(TempDir const& dir, std::vector<std::string> arguments, std::string const& input) {
  logger_test::WriteFile(dir.File("stdin"), input);
  return logger_test::Spawn([&dir, &arguments] {
    std::vector<char*> argv{const_cast<char*>(ZBLOG_PATH)};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int in = open(dir.File("stdin").c_str(), O_RDONLY);
    const int out = open(dir.File("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(dir.File("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
      return 126;
    }
    execv(ZBLOG_PATH, argv.data());
    return 127;
  });
}

Outcome Zblog(TempDir const& dir, std::vector<std::string> arguments,
              std::string const& input = "") {
  const int status = logger_test::Reap(Start(dir, std::move(arguments), input));
  return {status, ReadFile(dir.File("stdout")), ReadFile(dir.File("stderr"))};
}

// The "message" values of JSON lines, in order (the messages here need no unescaping).
std::vector<std::string> Messages(std::string const& json) {
  std::vector<std::string> messages;
  const std::string key = "\"message\":\"";
  for (size_t at = json.find(key); at != std::string::npos; at = json.find(key, at + 1)) {
    const size_t start = at + key.size();
    messages.push_back(json.substr(start, json.find("\"}\n", start) - start));
  }
  return messages;
}

TEST(ZblogCommand, WritesFromArgumentsAndInputThenParsesBack) {
  TempDir dir;
  const std::vector<std::string> where = {"-d", dir.Path(), "-n", "t.log"};
  auto with = [&where](std::vector<std::string> more) {
    more.insert(more.begin(), where.begin(), where.end());
    return more;
  };
  ASSERT_EQ(
      Zblog(dir, with({"-l", "error", "-f", "x.cpp", "-L", "9", "--", "50%s", "-n"})).m_iStatus, 0);
  ASSERT_EQ(Zblog(dir, with({"-l", "3"}), "one\n\ntwo \"q\"\n").m_iStatus, 0);
  const Outcome parsed = Zblog(dir, {"parse", dir.File("t.log")});
  EXPECT_EQ(parsed.m_iStatus, 0) << parsed.m_strErr;
  EXPECT_EQ(Messages(parsed.m_strOut),
            (std::vector<std::string>{"50%s -n", "one", "two \\\"q\\\""}));
  EXPECT_NE(parsed.m_strOut.find("\"source\":\"x.cpp\",\"line\":9,\"level\":\"Error\""),
            std::string::npos);
  EXPECT_NE(parsed.m_strOut.find("\"source\":\"zblog\",\"line\":0,\"level\":\"Unknown\""),
            std::string::npos);

  // Size limit and backups reach the logger: every record after the first rotates.
  ASSERT_EQ(Zblog(dir, with({"-s", "0", "-b", "1", "again"})).m_iStatus, 0);
  EXPECT_EQ(Messages(ReadFile(dir.File("t.log"))).size(), 0u);
  EXPECT_EQ(Messages(Zblog(dir, {"parse", dir.File("t.log_1.Bak"), dir.File("t.log")}).m_strOut),
            (std::vector<std::string>{"50%s -n", "one", "two \\\"q\\\"", "again"}));
}

TEST(ZblogCommand, ExitStatusAndMessages) {
  TempDir dir;
  mkdir(dir.File("sub.log").c_str(), 0700);
  struct Case {
    std::vector<std::string> m_vArguments;
    std::string m_strInput;
    int m_iStatus;
    std::string m_strErr;  // part of standard error
  } const cases[] = {
      {{"--help"}, "", 0, ""},
      {{"--bogus"}, "", 2, "unknown option: '--bogus'"},
      {{"-d", dir.File("missing"), "x"}, "", 1, "cannot open directory"},
      {{"-d", dir.Path(), "-n", "sub.log", "x"}, "", 1, "cannot open the log"},
      {{"-d", dir.Path(), "-n", "sub.log"}, "", 0, ""},  // nothing to write
      {{"parse", dir.File("missing")}, "", 1, "missing: cannot open"},
      {{"parse", "-"}, "not a log\n", 1, "standard input: byte 0: 10 bytes outside any record"},
      {{"parse"}, "\n       1|2026/12/04|18:17:47|", 1, "record cut short"},
  };
  for (Case const& c : cases) {
    const Outcome run = Zblog(dir, c.m_vArguments, c.m_strInput);
    EXPECT_EQ(run.m_iStatus, c.m_iStatus) << c.m_vArguments[0] << ": " << run.m_strErr;
    EXPECT_NE(run.m_strErr.find(c.m_strErr), std::string::npos) << run.m_strErr;
  }
  EXPECT_EQ(Zblog(dir, {"-h"}).m_strOut.rfind("usage: zblog", 0), 0u);
}

// Waits (bounded) until the follower has printed `count` records.
bool WaitForRecords(TempDir const& dir, size_t count) {
  for (int i = 0; i < 1000; ++i) {
    const std::string out = ReadFile(dir.File("stdout"));
    if (static_cast<size_t>(std::count(out.begin(), out.end(), '\n')) >= count) return true;
    struct timespec pause = {0, 10 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  return false;
}

// A child that is sent SIGTERM and reaped when the test ends, on any path.
class Interrupted {
 public:
  explicit Interrupted(pid_t child) : m_Child(child) {}
  ~Interrupted() { Stop(); }
  Interrupted(Interrupted const&) = delete;
  Interrupted& operator=(Interrupted const&) = delete;
  // Returns the child's exit status (see Reap).
  int Stop() {
    if (m_Child > 0) {
      kill(m_Child, SIGTERM);
      m_iStatus = logger_test::Reap(m_Child);
      m_Child = -1;
    }
    return m_iStatus;
  }

 private:
  pid_t m_Child;
  int m_iStatus = -1;
};

// Rotations while following, one at a time and two between polls: every record once,
// in order, the last one too.
TEST(ZblogCommand, FollowContinuesThroughRotations) {
  TempDir dir;
  logger_test::ProbeLogger logger(dir.Path(), "f.log", 200, 4);
  int next = 0;
  auto write = [&logger, &next](int count) {
    for (int i = 0; i < count; ++i) logger.Log(zbLogError, "f.cpp", 1, "record %03d", ++next);
  };
  write(2);
  Interrupted follower(Start(dir, {"parse", "--follow", dir.File("f.log")}, ""));
  ASSERT_TRUE(WaitForRecords(dir, 1));  // the last one waits for the next or a quiet poll
  write(7);                             // two rotations at once
  ASSERT_TRUE(WaitForRecords(dir, 9));
  write(2);  // one rotation
  ASSERT_TRUE(WaitForRecords(dir, 11));
  write(1);
  EXPECT_EQ(follower.Stop(), 0);
  EXPECT_EQ(ReadFile(dir.File("stderr")), "");
  std::vector<std::string> expected;
  for (int i = 1; i <= next; ++i)
    expected.push_back("record " + std::string(i < 10 ? "00" : "0") + std::to_string(i));
  EXPECT_EQ(Messages(ReadFile(dir.File("stdout"))), expected);
  EXPECT_TRUE(logger_test::Exists(dir.File("f.log_3.Bak")));
}

}  // namespace
}  // namespace zblog_test
