#include "LoggerTestSupport.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace logger_test {

TempDir::TempDir() : m_strPath(std::filesystem::temp_directory_path() / "zbutil-logger-XXXXXX") {
  if (mkdtemp(m_strPath.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(m_strPath, ignored);
}

std::string ReadFile(std::string const& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(std::string const& path, std::string const& content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::string MessageOf(std::string const& record) {
  const size_t dash = record.find(" - ");
  return dash == std::string::npos ? std::string() : record.substr(dash + 3);
}

std::vector<std::string> SplitRecords(std::string const& content) {
  std::vector<std::string> records;
  for (size_t at = content.find('\n'), end = 0; at < content.size(); at = end) {
    end = std::min(content.find('\n', at + 1), content.size());
    records.push_back(content.substr(at + 1, end - at - 1));
  }
  return records;
}

int BecomeNobody(std::string const& directory) {
  constexpr uid_t kNobody = 65534;
  if (chmod(directory.c_str(), 0777) != 0 ||
      (geteuid() == 0 &&
       (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))) {
    return 1;
  }
  return access(directory.c_str(), W_OK | X_OK) == 0 ? 0 : kSkip;
}

pid_t Spawn(std::function<int()> const& body) {
  const pid_t child = fork();
  if (child == 0) _exit(body());
  return child;
}

std::thread StartAndWaitUntilSleeping(std::function<void()> body) {
  std::atomic<long> tid(0);
  std::thread thread([&tid, body = std::move(body)] {
    tid = syscall(SYS_gettid);
    body();
  });
  while (tid == 0) std::this_thread::yield();
  // The state follows the command name, which may hold anything but ends at the last ")".
  const std::string stat = "/proc/self/task/" + std::to_string(tid) + "/stat";
  for (int polls = 0; polls < 50000; ++polls) {  // 10 s
    const std::string text = ReadFile(stat);
    if (text.empty() || text.compare(text.rfind(") ") + 2, 1, "S") == 0) break;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return thread;
}

int Reap(pid_t child) {
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

LockHolder::LockHolder(std::string const& lockPath) {
  int held[2];
  if (pipe(held) != 0) throw std::runtime_error("pipe");
  m_pidHolder = Spawn([&] {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    const int fd = open(lockPath.c_str(), O_WRONLY);
    if (fd < 0 || fcntl(fd, F_SETLK, &lock) != 0 || write(held[1], "L", 1) != 1) return 1;
    alarm(10);  // SIGALRM ends it unless Finish did first
    for (;;) pause();
  });
  close(held[1]);
  char byte = 0;
  const bool locked = read(held[0], &byte, 1) == 1;
  close(held[0]);
  if (!locked) {
    Finish();
    throw std::runtime_error("the lock holder did not get the lock");
  }
}

int LockHolder::Finish() {
  int status = 0;
  const pid_t holder = std::exchange(m_pidHolder, -1);
  if (holder < 0 || kill(holder, SIGTERM) != 0 || waitpid(holder, &status, 0) != holder) return -1;
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM ? 0 : 1;
}

}  // namespace logger_test

// The library's syslog calls resolve to this definition in the test executable, so the
// tests see what would have been sent, formatted as syslog would (a text passed as a
// format would show). Exported, or the library would not see it.
extern "C" __attribute__((visibility("default"))) void syslog(int priority, char const* format,
                                                              ...) {
  char text[4096];
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  logger_test::CapturedSyslog() += std::to_string(priority) + " " + text + "\n";
  if (auto hook = std::exchange(logger_test::SyslogHook(), nullptr)) hook();
}
