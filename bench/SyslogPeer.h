#ifndef ZBUTIL_BENCH_SYSLOGPEER_H_
#define ZBUTIL_BENCH_SYSLOGPEER_H_

// The peer of the contention benchmark: syslog(3) into a local rsyslogd that writes one
// file, which is what many processes writing one log on Linux use instead. The
// benchmark starts its own rsyslogd, with its own configuration and socket in a scratch
// directory (rate limiting off), so that it needs no root and leaves the machine's
// syslog alone. syslog(3) always sends to /dev/log; SyslogSender does exactly what it
// does per message, to the benchmark's socket instead.

#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

namespace zbutil_bench {

// glibc's syslog(3) per message: its lock, the time stamp "<pri>Mmm dd hh:mm:ss " in
// local time, "ident[pid]: ", the message through vsnprintf, one send() on a blocking
// datagram socket connected on first use, and one reconnect and resend on failure.
class SyslogSender {
 public:
  SyslogSender(std::string socketPath, char const* ident)
      : m_strSocket(std::move(socketPath)), m_pszIdent(ident) {}
  ~SyslogSender() { Disconnect(); }
  SyslogSender(SyslogSender const&) = delete;
  SyslogSender& operator=(SyslogSender const&) = delete;

  // Returns whether the message was handed to the socket.
  bool Log(int priority, char const* format, ...) __attribute__((format(printf, 3, 4))) {
    std::lock_guard<std::mutex> lock(m_mtx);
    char message[2048];
    const time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%h %e %T ", &local);
    int length = snprintf(message, sizeof message, "<%d>%s%s[%d]: ", priority, stamp, m_pszIdent,
                          static_cast<int>(getpid()));
    va_list arguments;
    va_start(arguments, format);
    length += vsnprintf(message + length, sizeof message - static_cast<size_t>(length), format,
                        arguments);
    va_end(arguments);
    const size_t size = std::min(static_cast<size_t>(length), sizeof message - 1);
    if (Send(message, size)) return true;
    Disconnect();
    return Send(message, size);
  }

 private:
  bool Send(char const* data, size_t size) {
    if (m_iFd < 0 && !Connect()) return false;
    return send(m_iFd, data, size, MSG_NOSIGNAL) >= 0;
  }
  bool Connect() {
    m_iFd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    struct sockaddr_un address {};
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", m_strSocket.c_str());
    if (m_iFd >= 0 && connect(m_iFd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      return true;
    }
    Disconnect();
    return false;
  }
  void Disconnect() {
    if (m_iFd >= 0) close(m_iFd);
    m_iFd = -1;
  }

  std::mutex m_mtx;
  std::string m_strSocket;
  char const* m_pszIdent;
  int m_iFd = -1;
};

// An rsyslogd of the benchmark's own: listens on `<directory>/log.sock` and writes every
// message to `<directory>/syslog.log` in the traditional file format, one line each.
// Stopped (SIGTERM) by the destructor at the latest.
class Rsyslogd {
 public:
  explicit Rsyslogd(std::string directory) : m_strDirectory(std::move(directory)) {
    std::ofstream(File("rsyslog.conf"))
        << "global(workDirectory=\"" << m_strDirectory << "\" maxMessageSize=\"8k\")\n"
        << "module(load=\"imuxsock\" SysSock.Use=\"off\")\n"
        << "input(type=\"imuxsock\" Socket=\"" << Socket() << "\" RateLimit.Interval=\"0\")\n"
        << "action(type=\"omfile\" file=\"" << LogFile()
        << "\" template=\"RSYSLOG_TraditionalFileFormat\")\n";
    m_pid = fork();
    if (m_pid == 0) {
      const int null = open("/dev/null", O_RDWR);
      dup2(null, 1);
      dup2(null, 2);
      execl(kProgram, "rsyslogd", "-n", "-f", File("rsyslog.conf").c_str(), "-i",
            File("rsyslogd.pid").c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    // Ready once the socket is there; started well within a few seconds.
    struct stat status {};
    for (int i = 0; i < 500 && stat(Socket().c_str(), &status) != 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_bReady = m_pid > 0 && stat(Socket().c_str(), &status) == 0;
  }
  ~Rsyslogd() { Stop(); }
  Rsyslogd(Rsyslogd const&) = delete;
  Rsyslogd& operator=(Rsyslogd const&) = delete;

  static constexpr char kProgram[] = "/usr/sbin/rsyslogd";
  bool IsReady() const { return m_bReady; }
  std::string Socket() const { return File("log.sock"); }
  std::string LogFile() const { return File("syslog.log"); }

  // Sends a last message and waits until it is in the file, so that everything sent
  // before it is there too (one socket, one queue, in order). Returns the lines before
  // it, or -1 when it did not arrive within 30 s.
  long Drain() {
    SyslogSender(Socket(), "drain").Log(134, "%s", kLastLine);
    for (int i = 0; i < 6000 && !EndsWithLastLine(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!EndsWithLastLine()) return -1;
    std::ifstream in(LogFile(), std::ios::binary);
    long lines = 0;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
      lines += static_cast<long>(std::count(buffer, buffer + in.gcount(), '\n'));
    }
    return lines - 1;
  }

  // Stops the daemon; returns the CPU time it used (user and system), in seconds.
  double Stop() {
    if (m_pid <= 0) return 0;
    kill(m_pid, SIGTERM);
    int status = 0;
    struct rusage usage {};
    wait4(m_pid, &status, 0, &usage);
    m_pid = -1;
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
  }

  // CPU time used so far, in seconds (clock ticks of /proc).
  double CpuSeconds() const {
    std::ifstream in("/proc/" + std::to_string(m_pid) + "/stat");
    std::string line;
    std::getline(in, line);
    const size_t name = line.rfind(')');  // fields counted after the command name
    if (name == std::string::npos) return 0;
    std::istringstream fields(line.substr(name + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) fields >> skip;
    double user = 0, system = 0;
    fields >> user >> system;
    return (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }

 private:
  static constexpr char kLastLine[] = "zbutil-bench: the last line";

  std::string File(char const* name) const { return m_strDirectory + "/" + name; }
  bool EndsWithLastLine() const {
    std::ifstream in(LogFile(), std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
    if (size < 64) return false;
    std::string tail(64, '\0');
    in.seekg(size - 64);
    in.read(tail.data(), 64);
    return tail.find(kLastLine) != std::string::npos;
  }

  std::string m_strDirectory;
  pid_t m_pid = -1;
  bool m_bReady = false;
};

}  // namespace zbutil_bench

#endif  // ZBUTIL_BENCH_SYSLOGPEER_H_
