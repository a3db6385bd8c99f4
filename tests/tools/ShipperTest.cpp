#include <gtest/gtest.h>
#include <signal.h>
#include <stdarg.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "logging/LoggerTestSupport.h"
#include "ship/AckCounter.h"
#include "ship/MessageSender.h"
#include "ship/Shipper.h"

namespace zblog_test {
namespace {

// A receiver in the process: keeps the record messages it gets (marks aside) and
// acknowledges at most `acknowledges` messages a session; the session breaks once, at
// record message `breakAt` (0: never). It asks ship to stop once `stopAfter` record
// messages have come, and from then on breaks every send, as a receiver gone away
// would: ship stops at once with what is unconfirmed. After 10 s it stops ship anyway,
// so that a fault fails the test rather than hangs it.
struct FakeSender : zblog::MessageSender {
  FakeSender(size_t stop, uint64_t acknowledge, size_t breakAt)
      : stopAfter(stop), acknowledges(acknowledge), breakAt(breakAt) {}
  std::string Connect() override {
    if (onConnect) std::exchange(onConnect, nullptr)();
    connected = stopped == 0;
    sent = 0;
    return connected ? "" : "gone";
  }
  bool IsConnected() const override {
    if (std::chrono::steady_clock::now() > deadline) stopped = 1;
    return connected;
  }
  bool Send(std::string_view message) override {
    const bool record = message.find("zblog-ship-mark") == std::string_view::npos;
    if (stopped != 0 || (record && records.size() + 1 == breakAt)) {
      breakAt = 0;
      return connected = false;
    }
    ++sent;
    if (record) records.emplace_back(message.substr(message.rfind(" - ") + 3));
    if (records.size() >= stopAfter) stopped = 1;
    return true;
  }
  std::string const& BreakReason() const override { return reason; }
  uint64_t Sent() const override { return sent; }
  uint64_t Acknowledged() const override { return std::min(sent, acknowledges); }
  int Window() const override { return 4; }
  void Close() override { connected = false; }

  size_t stopAfter;
  uint64_t acknowledges;
  size_t breakAt;
  mutable volatile sig_atomic_t stopped = 0;
  std::vector<std::string> records;  // the messages of the records received
  bool connected = false;
  uint64_t sent = 0;
  std::chrono::steady_clock::time_point deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::string reason = "broken by the test";
  std::function<void()> onConnect;  // run at the first Connect, after ship has started
};

std::vector<std::string> Messages(int first, int last, std::vector<std::string> messages = {}) {
  for (int i = first; i <= last; ++i) messages.push_back("record " + std::to_string(i));
  return messages;
}

// The state moves only past what the receiver acknowledged, through rotations: a ship
// whose receiver confirms 5 records a session, with a broken session in between (what
// was unconfirmed goes again, in order), then a restart that gets the rest (and only
// that), then a receiver that confirms nothing, after which the next ship sends the
// same records again.
TEST(Shipper, StateAdvancesOnlyOverAcknowledgedRecords) {
  logger_test::TempDir dir;
  logger_test::ProbeLogger logger(dir.Path(), "app.log", 700, 9);
  for (int i = 1; i <= 20; ++i) logger.Log(zbLogError, "ship.cpp", i, "record %d", i);
  ASSERT_TRUE(logger_test::Exists(dir.File("app.log_1.Bak")));  // rotated in between

  zblog::ShipOptions options;
  options.m_vLogs = {dir.File("app.log")};
  options.m_strTarget = "receiver";
  options.m_strStateFile = dir.File("app.state");
  const auto ship = [&options](size_t stopAfter, uint64_t acknowledges, bool fromOldest,
                               size_t breakAt = 0) {
    FakeSender sender(stopAfter, acknowledges, breakAt);
    options.m_bFromOldest = fromOldest;
    EXPECT_EQ(zblog::ShipLogs(options, sender, sender.stopped), 0);
    return sender.records;
  };

  EXPECT_EQ(ship(24, 5, true, 10), Messages(6, 20, Messages(1, 9)));
  EXPECT_EQ(ship(10, UINT64_MAX, false), Messages(11, 20));
  for (int i = 21; i <= 25; ++i) logger.Log(zbLogError, "ship.cpp", i, "record %d", i);
  EXPECT_EQ(ship(5, 0, false), Messages(21, 25));
  EXPECT_EQ(ship(5, UINT64_MAX, false), Messages(21, 25));

  // Restarted while a rotation is under way (the backup in place, the log not emptied
  // yet): ship goes on in the log, and the log emptied then is no loss.
  int n = 1;
  while (logger_test::Exists(dir.File("app.log_" + std::to_string(n) + ".Bak"))) ++n;
  logger_test::WriteFile(dir.File("app.log_" + std::to_string(n) + ".Bak"),
                         logger_test::ReadFile(dir.File("app.log")));
  FakeSender sender(2, UINT64_MAX, 0);
  sender.onConnect = [&] {
    ASSERT_EQ(truncate(dir.File("app.log").c_str(), 0), 0);
    for (int i = 26; i <= 27; ++i) logger.Log(zbLogError, "ship.cpp", i, "record %d", i);
  };
  EXPECT_EQ(zblog::ShipLogs(options, sender, sender.stopped), 0);
  EXPECT_EQ(sender.records, Messages(26, 27));
}

void Feed(zblog::AckCounter& counter, char const* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  counter.OnDebug(format, arguments);
  va_end(arguments);
}

// librelp's count where it prints it as expected; otherwise the window bound, never
// more than the receiver can have confirmed.
TEST(AckCounter, CountsLibrelpsLinesAndFallsBackToTheWindow) {
  char session;
  zblog::AckCounter counter(64);
  for (int i = 0; i < 100; ++i) counter.CountSent();
  EXPECT_EQ(counter.Acknowledged(), 36u);  // nothing told: all but a window
  Feed(counter, "DEL sess %p unacked %d, sessState %d\n", &session, 0, 0);
  EXPECT_EQ(counter.Acknowledged(), 36u);  // a DEL before any ADD is no count of ours
  Feed(counter, "ADD sess %p unacked %d, sessState %d\n", &session, 10, 0);
  EXPECT_EQ(counter.Acknowledged(), 90u);
  Feed(counter, "DEL sess %p unacked %d, sessState %d\n", &session, 3, 0);
  EXPECT_EQ(counter.Acknowledged(), 97u);

  zblog::AckCounter other(64);  // a librelp that prints otherwise
  for (int i = 0; i < 100; ++i) other.CountSent();
  Feed(other, "ADD session %p, %d unacknowledged\n", &session, 0);
  Feed(other, "ADD sess %s unacked %d\n", "x", 0);
  Feed(other, "ADD sess %p unacked %d\n", &session, 1000);  // more than a window
  Feed(other, "ADD sess %p unacked %d\n", &session, -1);
  EXPECT_EQ(other.Acknowledged(), 36u);
  other.Reset();
  EXPECT_EQ(other.Acknowledged(), 0u);
}

}  // namespace
}  // namespace zblog_test
