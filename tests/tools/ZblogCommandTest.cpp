#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <regex>

#include "ZblogOptions.h"
#include "logging/LoggerTestSupport.h"

namespace zblog_test {
namespace {

using logger_test::ReadFile;
using logger_test::TempDir;

// Starts the zblog program with `arguments`, standard input from `input`, and standard
// output and error into files of `dir`; returns its process id.
pid_t Start(TempDir const& dir, std::vector<std::string> arguments, std::string const& input) {
  logger_test::WriteFile(dir.File("stdin"), input);
  return logger_test::Spawn([&dir, &arguments] {
    std::vector<char*> argv{const_cast<char*>(ZBLOG_PATH)};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (!freopen(dir.File("stdin").c_str(), "r", stdin) ||
        !freopen(dir.File("stdout").c_str(), "w", stdout) ||
        !freopen(dir.File("stderr").c_str(), "w", stderr))
      return 126;
    execv(ZBLOG_PATH, argv.data());
    return 127;
  });
}

// Runs zblog to its end; returns its exit status.
int Zblog(TempDir const& dir, std::vector<std::string> arguments, std::string const& input = "") {
  return logger_test::Reap(Start(dir, std::move(arguments), input));
}

// Standard output without the pid, date and time, which vary from run to run.
std::string Output(TempDir const& dir) {
  static const std::regex varying("\"pid\":[0-9]+,\"date\":\"[0-9-]{10}\",\"time\":\"[0-9:]{8}\",");
  return std::regex_replace(ReadFile(dir.File("stdout")), varying, "");
}

TEST(ZblogCommand, WritesFromArgumentsAndInputThenParsesBack) {
  TempDir dir;
  const std::string d = dir.Path();
  ASSERT_EQ(Zblog(dir, {"-d", d, "--name=t.log", "-lERROR", "-fx.cpp", "--", "50%s", "-n"}), 0);
  ASSERT_EQ(Zblog(dir, {"-d", d, "-n", "t.log", "--level", "3"}, "one\n\ntwo \"q\"\n"), 0);
  // Size limit and backups reach the logger: the next record rotates the log first.
  ASSERT_EQ(Zblog(dir, {"-d", d, "-nt.log", "-s", "0", "-b1", "-L4294967295", "again", "-d"}), 0);
  ASSERT_EQ(Zblog(dir, {"parse", dir.File("t.log_1.Bak"), dir.File("t.log")}), 0);
  EXPECT_EQ(
      Output(dir),
      "{\"source\":\"x.cpp\",\"line\":0,\"level\":\"Error\",\"message\":\"50%s -n\"}\n"
      "{\"source\":\"zblog\",\"line\":0,\"level\":\"Unknown\",\"message\":\"one\"}\n"
      "{\"source\":\"zblog\",\"line\":0,\"level\":\"Unknown\",\"message\":\"two \\\"q\\\"\"}\n"
      "{\"source\":\"zblog\",\"line\":-1,\"level\":\"Information\",\"message\":\"again -d\"}\n");
}

TEST(ZblogCommand, ExitStatusAndMessages) {
  TempDir dir;
  mkdir(dir.File("sub.log").c_str(), 0700);
  const std::tuple<std::vector<std::string>, std::string, int, std::string> cases[] = {
      // Arguments, standard input, exit status, a part of standard error.
      {{"-d", dir.File("missing"), "x"}, "", 1, "cannot open directory"},
      {{"-d", dir.Path(), "-n", "sub.log", "x"}, "", 1, "cannot open the log"},
      {{"-d", dir.Path(), "-n", "sub.log", "-l", "-2147483648", "--no-wait"}, "", 0, ""},
      {{"parse", dir.File("missing")}, "", 1, "missing: cannot open"},
      {{"parse", "-"}, "not a log\n", 1, "standard input: byte 0: 10 bytes outside any record"},
      {{"parse"}, "\n       1|2026/12/04|18:17:47|", 1, "record cut short"},
      {{"-l", "2147483648"}, "", 2, "unknown level"},
      {{"-s", "4294967296"}, "", 2, "invalid size"},
      {{"-s", "-1"}, "", 2, "invalid size"},
      {{"-b", " 1"}, "", 2, "invalid number of backups"},
      {{"-L", "1x"}, "", 2, "invalid line"},
      {{"-n", "a/b.log"}, "", 2, "bare name"},
      {{"-w"}, "", 2, "needs a value"},
      {{"--bogus"}, "", 2, "unknown option: '--bogus'"},
      {{"parse", "--follow"}, "", 2, "exactly one log file"},
      {{"parse", "-x"}, "", 2, "unknown option"},
      {{"--help"}, "", 0, ""},  // stays last
  };
  for (auto const& [arguments, input, status, error] : cases) {
    EXPECT_EQ(Zblog(dir, arguments, input), status) << arguments[0] << " " << arguments.back();
    EXPECT_NE(ReadFile(dir.File("stderr")).find(error), std::string::npos) << arguments.back();
  }
  EXPECT_EQ(ReadFile(dir.File("stdout")).rfind("usage: zblog", 0), 0u);
  ASSERT_EQ(Zblog(dir, {"-d", dir.Path(), "-n", "held.log", "x"}), 0);
  logger_test::LockHolder holder(dir.File("held.lock"));  // the record is lost: status 1
  EXPECT_EQ(Zblog(dir, {"-d", dir.Path(), "-n", "held.log", "--no-wait", "x"}), 1);
  EXPECT_NE(ReadFile(dir.File("stderr")).find("1 of 1 records lost"), std::string::npos);
}

// Waits (bounded) until the follower has printed `count` records.
bool WaitForRecords(TempDir const& dir, long count) {
  for (int i = 0; i < 1000; ++i, usleep(10 * 1000)) {
    const std::string out = ReadFile(dir.File("stdout"));
    if (std::count(out.begin(), out.end(), '\n') >= count) return true;
  }
  return false;
}

// The follower is stopped while the log rotates several times (faster than it polls):
// with enough backups every record comes once, in order, also from a log replaced by a
// new file; with too few, the loss is reported and the exit status is 1.
TEST(ZblogCommand, FollowerLosesNothingSilently) {
  for (const uint32_t backups : {4u, 1u}) {
    TempDir dir;
    logger_test::ProbeLogger logger(dir.Path(), "f.log", 200, backups);
    std::string expected;
    auto write = [&expected](logger_test::ProbeLogger& to, std::string const& message) {
      to.Log(zbLogError, "f.cpp", 1, "%s", message.c_str());
      expected += R"({"source":"f.cpp","line":1,"level":"Error","message":")" + message + "\"}\n";
    };
    for (int n = 0; n < 2; ++n) write(logger, "record " + std::to_string(n));
    // No early return from here on: the follower must be stopped.
    const pid_t follower = Start(dir, {"parse", "--follow", dir.File("f.log")}, "");
    EXPECT_TRUE(WaitForRecords(dir, 1));  // the last one waits for the next or a quiet poll
    kill(follower, SIGSTOP);
    for (int n = 2; n < 11; ++n) write(logger, "record " + std::to_string(n));  // 4 rotations
    kill(follower, SIGCONT);
    if (backups == 4) {
      EXPECT_TRUE(WaitForRecords(dir, 11));
      unlink(dir.File("f.log").c_str());
      logger_test::ProbeLogger replacement(dir.Path(), "f.log", 200, backups);
      write(replacement, "in the new file");
      EXPECT_TRUE(WaitForRecords(dir, 12));
    }
    kill(follower, SIGTERM);
    EXPECT_EQ(logger_test::Reap(follower), backups == 4 ? 0 : 1);
    const std::string errors = ReadFile(dir.File("stderr"));
    if (backups == 4) {
      EXPECT_EQ(errors, "");
      EXPECT_EQ(Output(dir), expected);
    } else {
      // The first record and the newest backup's and the log's records, the rest reported.
      EXPECT_NE(errors.find("lost"), std::string::npos) << errors;
      const std::string out = Output(dir);
      EXPECT_LT(out.size(), expected.size());
      EXPECT_EQ(out.substr(0, out.find('\n')), expected.substr(0, expected.find('\n')));
      EXPECT_EQ(expected.compare(expected.size() - 200, 200, out, out.size() - 200, 200), 0);
    }
  }
}

// Plain RELP is never what ship falls into: without all three TLS files it refuses to
// start, and the insecure option does not mix with them. Parsed in the process, so
// that it holds also where zblog is built without ship.
TEST(ZblogCommand, ShipUsesTlsUnlessPlainIsAskedForByName) {
  auto parse = [](std::vector<std::string> tail, zblog::Options&& options = {}) {
    std::vector<std::string> arguments{"ship", "--target", "logs.example.net", "--state", "s"};
    arguments.insert(arguments.end(), tail.begin(), tail.end());
    const std::string error = zblog::ParseArguments(arguments, options);
    return error.empty() && options.m_Ship.m_Tls.m_bEnabled ? "TLS" : error;
  };
  EXPECT_NE(parse({"a.log"}).find("--tls-ca, --tls-cert and --tls-key"), std::string::npos);
  EXPECT_NE(parse({"--tls-ca", "ca.pem", "--tls-cert", "c.pem", "a.log"}), "");
  EXPECT_NE(parse({"--insecure-no-tls", "--tls-peer", "x", "a.log"}), "");
  EXPECT_EQ(parse({"--insecure-no-tls", "a.log"}), "");
}

}  // namespace
}  // namespace zblog_test
