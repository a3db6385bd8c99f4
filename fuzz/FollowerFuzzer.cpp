// Fuzz target: zblog's follower on a log that grows and rotates as the input says:
// appends of any bytes, copy-and-truncate rotations into N backups (the lowest free
// number, or all shifted down once 1..N exist, as the logger does) and polls with any
// budget, in any order. Every record must come as a line of valid JSON at the offset
// where the bytes before it in its generation end; unless the follower reported a loss, the records
// and the runs of bytes outside records must be, in order, exactly the bytes appended unless a loss
// is reported, whenever no more rotations than backups came between two polls, and no
// loss may be reported when fewer came.

#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "FuzzCheck.h"
#include "JsonCheck.h"
#include "follow/LogFollower.h"
#include "record/RecordJson.h"
#include "record/RecordParser.h"

namespace {

constexpr uint32_t kMostBackups = 4;

std::string BackupPath(std::string const& log, uint32_t number) {
  return log + "_" + std::to_string(number) + ".Bak";
}

void RemoveBackups(std::string const& log) {
  for (uint32_t number = 1; number <= kMostBackups; ++number) {
    unlink(BackupPath(log, number).c_str());
  }
}

// A directory of its own for the process's runs, emptied before each and removed with
// what is left in it when the process exits.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    char name[] = "/tmp/zbutil-fuzz-follow.XXXXXX";
    FUZZ_CHECK(mkdtemp(name) != nullptr);
    m_strPath = name;
  }
  ~ScratchDirectory() {
    const std::string log = Log();
    RemoveBackups(log);
    unlink((log + ".Tmp").c_str());
    unlink(log.c_str());
    rmdir(m_strPath.c_str());
  }
  ScratchDirectory(ScratchDirectory const&) = delete;
  ScratchDirectory& operator=(ScratchDirectory const&) = delete;

  std::string Log() const { return m_strPath + "/app.log"; }

 private:
  std::string m_strPath;
};

void WriteFile(std::string const& path, std::string const& bytes, int flags) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0600);
  FUZZ_CHECK(fd >= 0);
  FUZZ_CHECK(write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
  close(fd);
}

// The logger's rotation, with what the test knows of the log's content.
void Rotate(std::string const& log, std::string& content, uint32_t backups) {
  uint32_t number = 1;
  while (number <= backups && access(BackupPath(log, number).c_str(), F_OK) == 0) ++number;
  if (number > backups) {
    for (number = 2; number <= backups; ++number) {
      FUZZ_CHECK(rename(BackupPath(log, number).c_str(), BackupPath(log, number - 1).c_str()) == 0);
    }
    number = backups;
  }
  // A new file each time, put in place by name, as the logger's unnamed one is.
  WriteFile(log + ".Tmp", content, O_TRUNC);
  FUZZ_CHECK(rename((log + ".Tmp").c_str(), BackupPath(log, number).c_str()) == 0);
  FUZZ_CHECK(truncate(log.c_str(), 0) == 0);
  content.clear();
}

// Offsets are those of the file read: they go on where the last bytes ended, or start
// again at 0 in the next generation.
uint64_t Continue(uint64_t next, uint64_t offset) {
  FUZZ_CHECK(offset == next || offset == 0);
  return offset;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  static const ScratchDirectory directory;
  const std::string log = directory.Log();
  const uint32_t backups = provider.ConsumeIntegralInRange<uint32_t>(1, 3);
  RemoveBackups(log);
  WriteFile(log, "", O_TRUNC);

  std::string appended, content, handed, object;
  uint64_t next = 0;
  bool reported = false;
  // More rotations between two polls than backups kept may lose a generation unseen:
  // nothing is left that tells of it. As many as backups are kept lose nothing, but
  // look the same to the follower when nothing of the live log was read: it may warn.
  uint32_t rotations = 0, most = 0, generation = 0;
  size_t newest = SIZE_MAX;  // the size of the newest backup
  zblog::RecordParser parser(
      [&](zblog::LogRecord const& record) {
        if (record.m_uPiece == 0) next = Continue(next, record.m_uOffset);
        next += record.m_strBytes.size();
        handed += record.m_strBytes;
        zblog::AppendRecordJson(record, object);
        if (!record.m_bContinues) {
          FUZZ_CHECK(fuzz::IsJsonLine(object) && fuzz::IsUtf8(object));
          object.clear();
        }
      },
      [](uint64_t, std::string const&) {},
      [&](uint64_t offset, std::string_view bytes) {
        next = Continue(next, offset) + bytes.size();
        handed += bytes;
      },
      256);
  zblog::LogFollower follower(log, parser, [&reported](std::string const&) { reported = true; });
  FUZZ_CHECK(follower.Start(nullptr, false));
  while (provider.remaining_bytes() > 0) {
    switch (provider.ConsumeIntegralInRange<int>(0, 2)) {
      case 0: {
        // Generations that start alike are told apart by no more than their first
        // bytes (a log's records carry times and process ids): each starts with its number.
        std::string bytes = content.empty() ? "#" + std::to_string(generation++) : "";
        bytes += provider.ConsumeRandomLengthString(600);
        // A log as large as the newest backup looks like a rotation in progress, which
        // the follower waits out by the clock (2 s): one byte more ends the likeness.
        if (content.size() + bytes.size() == newest) bytes += '\n';
        WriteFile(log, bytes, O_APPEND);
        appended += bytes;
        content += bytes;
        break;
      }
      case 1:
        if (content.empty()) break;
        newest = content.size();
        Rotate(log, content, backups);
        most = std::max(most, ++rotations);
        break;
      default:
        rotations = 0;
        follower.Poll(provider.ConsumeIntegralInRange<uint64_t>(1, 4096));
        break;
    }
  }
  for (int poll = 0; poll < 3; ++poll) follower.Poll();
  follower.Finish();
  FUZZ_CHECK(object.empty());
  if (most < backups) FUZZ_CHECK(!reported);
  if (most <= backups) FUZZ_CHECK(reported || handed == appended);
  return 0;
}
