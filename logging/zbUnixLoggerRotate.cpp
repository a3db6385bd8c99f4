// Rotation: the numbered backups "<log path>_<n>.Bak", probed afresh each time.
#include <stdint.h>
#include <stdio.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include "logging/zbUnixLogger.h"

namespace {

constexpr char kBackupSeparator[] = "_";
constexpr char kBackupSuffix[] = ".Bak";
constexpr char kBackupGroupError[] = "Error setting gid on log file: ";

}  // namespace

void zbUnixLogger::BuildBackupLogFilePath(int const& number, String& path) {
  path = m_strLogFilePath;
  path += kBackupSeparator;
  path += String(static_cast<long>(number));
  path += kBackupSuffix;
}

void zbUnixLogger::GetNextBackupLogFileSequence(String& path, bool& allPresent, int& number) {
  allPresent = false;
  const uint32_t backups = m_LogSettings.m_ulMaxBackupFiles;
  if (backups == 0) {
    number = 0;
    return;
  }
  number = 1;
  for (;;) {
    path.clear();
    BuildBackupLogFilePath(number, path);
    if (access(path.GetAnsiString().c_str(), F_OK) != 0) {
      allPresent = false;
      return;
    }
    allPresent = true;
    if (static_cast<uint32_t>(number) + 1 > backups) {
      number = static_cast<int>(backups);
      return;
    }
    ++number;
  }
}

int zbUnixLogger::RotateLogBackup() {
  struct stat status {};
  const int statResult = fstat(m_iLogFd, &status);
  if (statResult != 0) return statResult;
  // Compared at full width: a log past 4 GiB must not look small.
  if (static_cast<uint64_t>(status.st_size) <= m_LogSettings.m_ulMaxLogFileSize) return 0;

  String backupPath;
  bool allPresent = false;
  int number = 0;
  GetNextBackupLogFileSequence(backupPath, allPresent, number);
  if (allPresent) {
    // Oldest content first out: k -> k-1 for k = 2..N; the first rename drops backup 1.
    String from;
    String to;
    for (uint32_t k = 2; k <= m_LogSettings.m_ulMaxBackupFiles; ++k) {
      BuildBackupLogFilePath(static_cast<int>(k - 1), to);
      BuildBackupLogFilePath(static_cast<int>(k), from);
      const int renamed = rename(from.GetAnsiString().c_str(), to.GetAnsiString().c_str());
      if (renamed != 0) return renamed;
    }
  }
  const int moved = MoveFileContent(m_strLogFilePath, backupPath);
  if (moved < 0) return moved;
  if (!backupPath.empty() &&
      chown(backupPath.GetAnsiString().c_str(), static_cast<uid_t>(-1), m_gidGroupID) == -1) {
    LogToSyslogFile(LOG_LOCAL0 | LOG_INFO, kBackupGroupError, backupPath);
  }
  return 0;
}
