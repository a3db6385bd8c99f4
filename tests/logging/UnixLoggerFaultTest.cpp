// Faults on disk and in other processes. In each: Log neither crashes, nor blocks (an
// alarm ends a test that hangs), nor reports anything to its caller, and once the fault
// is gone logging goes on as the logger's rules say, written down per test.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "LoggerTestSupport.h"

namespace logger_test {
namespace {

constexpr uid_t kNobody = 65534;
constexpr int kUnreachable = 77;  // as in the group test: nobody cannot enter the directory
constexpr unsigned kWatchdogSeconds = 60;  // generous: valgrind runs these too

// Kills the test process (SIGALRM) if a scope takes too long: Log must never block.
class Watchdog {
 public:
  Watchdog() { alarm(kWatchdogSeconds); }
  ~Watchdog() { alarm(0); }
  Watchdog(Watchdog const&) = delete;
  Watchdog& operator=(Watchdog const&) = delete;
};

off_t SizeOf(std::string const& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? status.st_size : -1;
}

// The content of the file an open descriptor refers to, also after it was unlinked.
std::string ReadDescriptor(int fd) { return ReadFile("/proc/self/fd/" + std::to_string(fd)); }

bool Holds(std::string const& content, std::string const& message) {
  return content.find("|Error: - " + message) != std::string::npos;
}

// Logs numbered records until the log passes `limit` bytes; the next record rotates.
void FillPast(ProbeLogger& logger, std::string const& path, off_t limit) {
  for (int i = 0; SizeOf(path) <= limit; ++i) logger.Log(zbLogError, "f", 1, "fill %d", i);
}

bool SetFileSizeLimit(rlim_t bytes) {
  struct rlimit limit {};
  if (getrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
  limit.rlim_cur = bytes;
  return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

// Disk full, as a file size limit in a child that ignores SIGXFSZ (the library does not
// ignore it for its caller). While it lasts, the record that reaches the limit is cut
// there and later ones fail; a rotation whose copy fails drops its record and leaves
// the log untouched. Once it is lifted, the next record is written whole after the cut
// one (which stays as one broken line), and the next rotation succeeds.
TEST(UnixLoggerFault, FullDiskLosesRecordsUntilSpaceReturns) {
  Watchdog watchdog;
  TempDir dir;
  const std::string log = dir.File("app.log");
  const std::string backup = dir.File("app.log_1.Bak");
  const std::string filler(60, 'x');
  const pid_t child = Spawn([&] {
    alarm(kWatchdogSeconds);
    signal(SIGXFSZ, SIG_IGN);
    ProbeLogger logger(dir.Path(), "app.log", 1000, 1);
    logger.Log(zbLogError, "f", 1, "opened");
    const off_t full = SizeOf(log) + 150;  // room for one record and part of another
    if (!SetFileSizeLimit(static_cast<rlim_t>(full))) return 1;
    for (int i = 0; i < 4; ++i) logger.Log(zbLogError, "f", 1, "%s %d", filler.c_str(), i);
    if (SizeOf(log) != full || !Holds(ReadFile(log), filler + " 0")) return 2;
    if (!SetFileSizeLimit(RLIM_INFINITY)) return 3;
    logger.Log(zbLogError, "f", 1, "space again");
    const std::string content = ReadFile(log);
    if (content.compare(content.size() - 11, 11, "space again") != 0) return 4;

    FillPast(logger, log, 1000);
    const std::string before = ReadFile(log);
    if (!SetFileSizeLimit(static_cast<rlim_t>(before.size() / 2))) return 5;
    logger.Log(zbLogError, "f", 1, "dropped");
    if (ReadFile(log) != before || SizeOf(backup) != 0) return 6;
    if (!SetFileSizeLimit(RLIM_INFINITY)) return 7;
    logger.Log(zbLogError, "f", 1, "rotated");
    if (ReadFile(backup) != before || SplitRecords(ReadFile(log)).size() != 1) return 8;
    return CapturedSyslog().empty() ? 0 : 9;
  });
  EXPECT_EQ(Reap(child), 0);
}

// A file system that is really full: a 64 KiB tmpfs in a private mount namespace
// (skipped where mounting is not permitted). A rotation that finds no room for the
// backup must drop its record and leave the log alone; once the file system grows, the
// next record rotates. Disabled: the copy writes through a shared mapping of a sparse
// backup, and the first page without a free block kills the caller with SIGBUS.
TEST(UnixLoggerFault, FullFileSystemDuringRotationDoesNotKillTheCaller) {
  Watchdog watchdog;
  TempDir dir;
  const std::string log = dir.File("app.log");
  const pid_t child = Spawn([&] {
    alarm(kWatchdogSeconds);
    char const* path = dir.Path().c_str();
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", "none", MS_REC | MS_PRIVATE, nullptr) ||
        mount("tmpfs", path, "tmpfs", 0, "size=64k") != 0) {
      return kUnreachable;
    }
    ProbeLogger logger(dir.Path(), "app.log", 40000, 1);
    FillPast(logger, log, 40000);
    const std::string before = ReadFile(log);
    logger.Log(zbLogError, "f", 1, "no room for the backup");
    if (ReadFile(log) != before) return 1;
    if (mount(nullptr, path, "none", MS_REMOUNT, "size=256k") != 0) return 2;
    logger.Log(zbLogError, "f", 1, "rotated");
    return ReadFile(dir.File("app.log_1.Bak")) == before ? 0 : 3;
  });
  const int status = Reap(child);
  if (status == kUnreachable) GTEST_SKIP() << "cannot mount a small file system here";
  EXPECT_EQ(status, 0);
}

// The log file alone, or its whole directory, removed while the logger has it open.
// The logger never opens its files again: records go on into the unlinked log, visible
// nowhere, until it passes the size limit; from then on every record is lost, since
// rotation copies the log by its path. A directory made anew stays untouched by this
// logger; a logger created afterwards (a new process) writes there as usual.
TEST(UnixLoggerFault, RemovedLogOrDirectoryTakesTheRecordsWithIt) {
  for (bool wholeDirectory : {false, true}) {
    SCOPED_TRACE(wholeDirectory ? "directory removed" : "log file removed");
    Watchdog watchdog;
    TempDir dir;
    const std::string logs = dir.File("logs");
    ASSERT_EQ(mkdir(logs.c_str(), 0700), 0);
    CapturedSyslog().clear();
    ProbeLogger logger(logs, "app.log", 600, 1);
    logger.Log(zbLogError, "f", 1, "before");
    if (wholeDirectory) {
      ASSERT_EQ(unlink((logs + "/app.lock").c_str()), 0);
      ASSERT_EQ(unlink((logs + "/app.log").c_str()), 0);
      ASSERT_EQ(rmdir(logs.c_str()), 0);
    } else {
      ASSERT_EQ(unlink((logs + "/app.log").c_str()), 0);
    }
    logger.Log(zbLogError, "f", 1, "unlinked");
    EXPECT_TRUE(Holds(ReadDescriptor(logger.m_iLogFd), "unlinked"));
    if (wholeDirectory) {
      ASSERT_EQ(mkdir(logs.c_str(), 0700), 0);
    }
    logger.Log(zbLogError, "f", 1, "not reopened");
    EXPECT_FALSE(Exists(logs + "/app.log"));

    for (int i = 0; ReadDescriptor(logger.m_iLogFd).size() <= 600; ++i) {
      logger.Log(zbLogError, "f", 1, "fill %d", i);
    }
    const std::string full = ReadDescriptor(logger.m_iLogFd);
    logger.Log(zbLogError, "f", 1, "lost");
    EXPECT_EQ(ReadDescriptor(logger.m_iLogFd), full);
    EXPECT_FALSE(Exists(logs + "/app.log_1.Bak"));
    EXPECT_TRUE(CapturedSyslog().empty());

    ProbeLogger next(logs, "app.log", 600, 1);
    next.Log(zbLogError, "f", 1, "fresh");
    EXPECT_EQ(SplitRecords(ReadFile(logs + "/app.log")).size(), 1u);
  }
}

// A directory where the backup shift must rename onto backup 1: the rename fails, so
// every record is lost, without waiting, while the log is over the limit, and the log
// and backup 2 keep their content. Once the directory is gone, the next record rotates
// into the free backup 1 and is written.
TEST(UnixLoggerFault, DirectoryInPlaceOfABackupDropsRecordsUntilRemoved) {
  Watchdog watchdog;
  TempDir dir;
  const std::string log = dir.File("app.log");
  ASSERT_EQ(mkdir(dir.File("app.log_1.Bak").c_str(), 0700), 0);
  WriteFile(dir.File("app.log_2.Bak"), "second");
  CapturedSyslog().clear();
  ProbeLogger logger(dir.Path(), "app.log", 300, 2);
  FillPast(logger, log, 300);
  const std::string full = ReadFile(log);
  for (int i = 0; i < 3; ++i) logger.Log(zbLogError, "f", 1, "lost %d", i);
  EXPECT_EQ(ReadFile(log), full);
  EXPECT_EQ(ReadFile(dir.File("app.log_2.Bak")), "second");

  ASSERT_EQ(rmdir(dir.File("app.log_1.Bak").c_str()), 0);
  logger.Log(zbLogError, "f", 1, "written");
  EXPECT_EQ(ReadFile(dir.File("app.log_1.Bak")), full);
  EXPECT_EQ(ReadFile(dir.File("app.log_2.Bak")), "second");
  const std::vector<std::string> records = SplitRecords(ReadFile(log));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_TRUE(Holds("\n" + records[0], "written"));
  EXPECT_TRUE(CapturedSyslog().empty());
}

// A lock file that cannot be opened for writing makes the first Log fail to open the
// logger, which then stays silent for good, also once the file is writable again (the
// failure goes to syslog as the lock file's group error). A logger created afterwards
// (a new process) logs as usual. Run as a user for whom the permission bits count.
TEST(UnixLoggerFault, UnwritableLockFileSilencesTheLoggerForGood) {
  Watchdog watchdog;
  TempDir dir;
  ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);
  const std::string lock = dir.File("app.lock");
  const pid_t child = Spawn([&] {
    if (geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
      return 1;
    }
    if (access(dir.Path().c_str(), W_OK | X_OK) != 0) return kUnreachable;
    WriteFile(lock, "");
    if (chmod(lock.c_str(), 0444) != 0) return 2;
    ProbeLogger logger(dir.Path());
    logger.Log(zbLogError, "f", 1, "lost");
    if (logger.m_bLogFileOpen || CapturedSyslog().size() != 1) return 3;
    if (chmod(lock.c_str(), 0660) != 0) return 4;
    logger.Log(zbLogError, "f", 1, "still lost");
    if (Holds(ReadFile(dir.File("app.log")), "still lost")) return 5;
    ProbeLogger next(dir.Path());
    next.Log(zbLogError, "f", 1, "written");
    return SplitRecords(ReadFile(dir.File("app.log"))).size() == 1 ? 0 : 6;
  });
  const int status = Reap(child);
  if (status == kUnreachable) GTEST_SKIP() << dir.Path() << " is out of reach for nobody";
  EXPECT_EQ(status, 0);
}

// Another process takes the lock and is killed while holding it. Meanwhile records are
// dropped at once; the kernel releases a record lock with its process, so the first
// record after the death is written: nothing stale is left to clean up.
TEST(UnixLoggerFault, LockOfAProcessThatDiesIsFreedWithIt) {
  Watchdog watchdog;
  TempDir dir;
  CapturedSyslog().clear();
  ProbeLogger logger(dir.Path());
  logger.Log(zbLogError, "f", 1, "first");
  int locked[2];
  ASSERT_EQ(pipe(locked), 0);
  const pid_t holder = Spawn([&] {
    const int fd = open(dir.File("app.lock").c_str(), O_WRONLY);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (fd < 0 || fcntl(fd, F_SETLK, &lock) != 0) return 1;
    if (write(locked[1], "L", 1) != 1) return 2;
    for (;;) pause();  // until killed
  });
  close(locked[1]);
  char ready = 0;
  ASSERT_EQ(read(locked[0], &ready, 1), 1);
  close(locked[0]);
  logger.Log(zbLogError, "f", 1, "while held");
  ASSERT_EQ(kill(holder, SIGKILL), 0);
  EXPECT_EQ(Reap(holder), -1);  // killed, not exited
  logger.Log(zbLogError, "f", 1, "after death");

  const std::string content = ReadFile(dir.File("app.log"));
  EXPECT_FALSE(Holds(content, "while held"));
  EXPECT_TRUE(Holds(content, "after death"));
  EXPECT_TRUE(CapturedSyslog().empty());
}

}  // namespace
}  // namespace logger_test
