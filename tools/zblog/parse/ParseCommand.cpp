// zblog parse: logs and backups to JSON lines.
#include "parse/ParseCommand.h"

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "ScopedOwners.h"
#include "files/RegularFile.h"
#include "follow/LogFollower.h"
#include "record/RecordJson.h"
#include "record/RecordParser.h"

namespace zblog {
namespace {

constexpr size_t kReadBytes = size_t{64} * 1024;
constexpr size_t kFlushBytes = size_t{64} * 1024;
constexpr char kStandardInput[] = "-";

volatile sig_atomic_t sg_iStop = 0;

void RequestStop(int /*signal*/) { sg_iStop = 1; }

// JSON lines for standard output and diagnostics for standard error, for one input
// after another.
class Output {
 public:
  Output()
      : m_Parser([this](LogRecord const& record) { OnRecord(record); },
                 [this](uint64_t offset, std::string const& text) {
                   Report("byte " + std::to_string(offset) + ": " + text);
                 }) {}

  RecordParser& Parser() { return m_Parser; }
  void SetInput(std::string name) { m_strInput = std::move(name); }
  bool SawTrouble() const { return m_bTrouble || m_Parser.SawTrouble(); }

  void Report(std::string const& text) {
    Flush();  // keep records and diagnostics in order on a shared terminal
    fprintf(stderr, "zblog: %s: %s\n", m_strInput.c_str(), text.c_str());
    m_bTrouble = true;
  }
  void Flush() {
    if (m_strJson.empty()) return;
    fwrite(m_strJson.data(), 1, m_strJson.size(), stdout);
    fflush(stdout);
    m_strJson.clear();
  }

 private:
  void OnRecord(LogRecord const& record) {
    AppendRecordJson(record, m_strJson);
    if (m_strJson.size() >= kFlushBytes) Flush();
  }

  std::string m_strJson;
  std::string m_strInput;
  bool m_bTrouble = false;
  RecordParser m_Parser;
};

void ParseDescriptor(int fd, Output& output) {
  char buffer[kReadBytes];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) output.Report("read failed: " + std::string(strerror(errno)));
    if (got <= 0) break;
    output.Parser().Feed(buffer, static_cast<size_t>(got));
  }
  output.Parser().Finish();
  output.Flush();
}

int Follow(std::string const& path, Output& output) {
  struct sigaction action {};
  action.sa_handler = RequestStop;  // no SA_RESTART: the poll's sleep ends at once
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  output.SetInput(path);
  LogFollower follower(path, output.Parser(),
                       [&output](std::string const& text) { output.Report(text); });
  const int status = follower.Run(sg_iStop, [&output] { output.Flush(); });
  return status != 0 || output.SawTrouble() ? 1 : 0;
}

}  // namespace

int RunParse(ParseOptions const& options) {
  Output output;
  if (options.m_bFollow) return Follow(options.m_vFiles.front(), output);
  std::vector<std::string> files = options.m_vFiles;
  if (files.empty()) files.emplace_back(kStandardInput);
  for (std::string const& file : files) {
    if (file == kStandardInput) {
      output.SetInput("standard input");
      ParseDescriptor(STDIN_FILENO, output);
      continue;
    }
    output.SetInput(file);
    std::string why;
    zbutil_detail::ScopedFd fd(OpenRegularFile(file, why));
    if (!fd.IsOpen()) {
      output.Report("cannot open: " + why);
      continue;
    }
    ParseDescriptor(fd.Get(), output);
  }
  return output.SawTrouble() ? 1 : 0;
}

}  // namespace zblog
