// The process-wide table of lock files and the loggers that use them.
#include "logging/LockFileTable.h"

#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "logging/ThreadLock.h"

namespace zbutil_detail {

struct LockFileEntry {
  dev_t m_devFile = 0;
  ino_t m_inoFile = 0;
  std::mutex m_mtxTurn;
  std::atomic<pid_t> m_pidTurn{0};
  // The thread whose turn it is (0 between turns), so that a rotation knows whether
  // to put off its closes.
  std::atomic<pthread_t> m_thrHolder{0};
  // Descriptors to close at the end of the current turn; guarded by m_mtxTurn.
  std::vector<int> m_viDeferred;
  // Loggers registered on it, plus closes in progress; guarded by the registry mutex.
  unsigned m_uRefs = 0;
};

namespace {

// Descriptor number -> logger state, in chunks made on first use and never freed, so
// that a lookup needs no lock: 4096 chunks of 1024 cover 4 million descriptors.
constexpr int kChunkBits = 10;
constexpr int kChunkSlots = 1 << kChunkBits;
constexpr int kChunks = 4096;
using Chunk = std::atomic<LoggerState*>;
std::atomic<Chunk*> g_apChunks[kChunks];

struct Registry {
  std::mutex m_mtx;
  std::atomic<pid_t> m_pid{0};
  std::vector<LockFileEntry*> m_vEntries;
  std::unordered_map<zbUnixLogger const*, LoggerState*> m_mapLoggers;
};

Registry& TheRegistry() {
  static Registry* const registry = new Registry();  // never destroyed: loggers may outlive statics
  return *registry;
}

// The turn shared by loggers whose lock descriptor was never registered.
LockFileEntry& FallbackEntry() {
  static LockFileEntry* const entry = new LockFileEntry();
  return *entry;
}

Chunk* SlotOf(int fd, bool create) {
  if (fd < 0 || (fd >> kChunkBits) >= kChunks) return nullptr;
  std::atomic<Chunk*>& chunkRef = g_apChunks[fd >> kChunkBits];
  Chunk* chunk = chunkRef.load(std::memory_order_acquire);
  if (chunk == nullptr && create) {
    Chunk* fresh = new Chunk[kChunkSlots]();
    if (chunkRef.compare_exchange_strong(chunk, fresh, std::memory_order_acq_rel)) {
      chunk = fresh;
    } else {
      delete[] fresh;  // another thread installed one first: `chunk` now holds it
    }
  }
  return chunk == nullptr ? nullptr : &chunk[fd & (kChunkSlots - 1)];
}

// The entry for a file, with a reference taken; nullptr when none exists and `create`
// is false.
LockFileEntry* Acquire(struct stat const& file, bool create) {
  Registry& registry = TheRegistry();
  ThreadLock guard(registry.m_mtx, registry.m_pid, getpid());
  for (LockFileEntry* entry : registry.m_vEntries) {
    if (entry->m_devFile == file.st_dev && entry->m_inoFile == file.st_ino) {
      ++entry->m_uRefs;
      return entry;
    }
  }
  if (!create) return nullptr;
  auto* entry = new LockFileEntry();
  entry->m_devFile = file.st_dev;
  entry->m_inoFile = file.st_ino;
  entry->m_uRefs = 1;
  registry.m_vEntries.push_back(entry);
  return entry;
}

void Release(LockFileEntry* entry) {
  Registry& registry = TheRegistry();
  ThreadLock guard(registry.m_mtx, registry.m_pid, getpid());
  if (--entry->m_uRefs != 0) return;
  auto& entries = registry.m_vEntries;
  entries.erase(std::remove(entries.begin(), entries.end(), entry), entries.end());
  delete entry;
}

bool IsFileOf(LockFileEntry const* entry, int fd) {
  struct stat file {};
  return fstat(fd, &file) == 0 && file.st_dev == entry->m_devFile &&
         file.st_ino == entry->m_inoFile;
}

// Closes `fd` during the turn of its file's entry, if its file has one.
void CloseDuringTurn(int fd) {
  struct stat file {};
  LockFileEntry* entry = fstat(fd, &file) == 0 ? Acquire(file, false) : nullptr;
  if (entry == nullptr) {
    close(fd);
    return;
  }
  {
    ThreadLock turn(entry->m_mtxTurn, entry->m_pidTurn, getpid());
    close(fd);
  }
  Release(entry);
}

}  // namespace

uint64_t DropReport::Note(long persistSeconds) {
  struct timespec now {};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  const long second = static_cast<long>(now.tv_sec) + 1;  // never 0, which means "none"
  ++m_ullSince;
  if (m_tRunStart == 0) m_tRunStart = second;
  if (second - m_tRunStart < persistSeconds ||
      (m_tLastReport != 0 && second - m_tLastReport < kReportSeconds)) {
    return 0;
  }
  m_tLastReport = second;
  const uint64_t dropped = m_ullSince;
  m_ullSince = 0;
  return dropped;
}

LoggerState* StateOf(zbUnixLogger const* logger) {
  Registry& registry = TheRegistry();
  ThreadLock guard(registry.m_mtx, registry.m_pid, getpid());
  LoggerState*& state = registry.m_mapLoggers[logger];
  if (state == nullptr) state = new LoggerState(logger);
  return state;
}

LoggerState* FindState(zbUnixLogger const* logger) {
  Registry& registry = TheRegistry();
  ThreadLock guard(registry.m_mtx, registry.m_pid, getpid());
  auto found = registry.m_mapLoggers.find(logger);
  return found == registry.m_mapLoggers.end() ? nullptr : found->second;
}

LoggerState* FindOpenState(zbUnixLogger const* logger, int lockFd) {
  Chunk* slot = SlotOf(lockFd, false);
  LoggerState* state = slot == nullptr ? nullptr : slot->load(std::memory_order_acquire);
  return state != nullptr && state->m_pOwner == logger ? state : FindState(logger);
}

bool RegisterLockFile(LoggerState* state, int lockFd) {
  struct stat file {};
  Chunk* slot = SlotOf(lockFd, true);
  if (slot == nullptr || fstat(lockFd, &file) != 0) return false;
  if (state->m_pEntry != nullptr) Release(state->m_pEntry);  // opened a second time
  state->m_pEntry = Acquire(file, true);
  state->m_iLockFd = lockFd;
  // A slot still naming another logger: its descriptor was closed behind the table's
  // back. That logger finds its state through the map from now on.
  slot->store(state, std::memory_order_release);
  return true;
}

void ForgetLogger(zbUnixLogger const* logger, int logFd, int lockFd) {
  LoggerState* state = nullptr;
  {
    Registry& registry = TheRegistry();
    ThreadLock guard(registry.m_mtx, registry.m_pid, getpid());
    auto found = registry.m_mapLoggers.find(logger);
    if (found != registry.m_mapLoggers.end()) {
      state = found->second;
      registry.m_mapLoggers.erase(found);
    }
  }
  if (state != nullptr) {
    Chunk* slot = SlotOf(state->m_iLockFd, false);
    LoggerState* expected = state;
    if (slot != nullptr) slot->compare_exchange_strong(expected, nullptr);
  }
  if (logFd >= 0) CloseDuringTurn(logFd);
  if (lockFd >= 0) CloseDuringTurn(lockFd);
  if (state != nullptr) {
    if (state->m_pEntry != nullptr) Release(state->m_pEntry);
    delete state;
  }
}

void CloseKeepingLocks(LoggerState* state, int fd) {
  if (fd < 0) return;
  LockFileEntry* entry = state == nullptr ? nullptr : state->m_pEntry;
  if (entry != nullptr &&
      pthread_equal(entry->m_thrHolder.load(std::memory_order_relaxed), pthread_self())) {
    entry->m_viDeferred.push_back(fd);
    return;
  }
  CloseDuringTurn(fd);
}

LockFileTurn::LockFileTurn(LoggerState* state, pid_t self)
    : m_pState(state),
      m_pEntry(state != nullptr && state->m_pEntry != nullptr ? state->m_pEntry : &FallbackEntry()),
      // A report sent during the turn to a syslog that the program routes back into a
      // logger of the same lock file: the turn is this thread's already.
      m_bNested(pthread_equal(m_pEntry->m_thrHolder.load(std::memory_order_relaxed),
                              pthread_self()) != 0) {
  if (m_bNested) return;
  ThreadLock::Lock(m_pEntry->m_mtxTurn, m_pEntry->m_pidTurn, self);
  m_pEntry->m_thrHolder.store(pthread_self(), std::memory_order_relaxed);
}

LockFileTurn::~LockFileTurn() {
  if (m_bNested) return;  // the outer turn closes what is put off
  // The record lock is released by now. A descriptor of this entry's own file is
  // closed before another logger can take the lock; any other waits for its own
  // file's turn, after this one ends.
  std::vector<int> later;
  for (const int fd : m_pEntry->m_viDeferred) {
    if (m_pEntry != &FallbackEntry() && !IsFileOf(m_pEntry, fd)) {
      later.push_back(fd);
    } else {
      close(fd);
    }
  }
  m_pEntry->m_viDeferred.clear();
  m_pEntry->m_thrHolder.store(0, std::memory_order_relaxed);
  m_pEntry->m_mtxTurn.unlock();
  for (const int fd : later) CloseDuringTurn(fd);
}

void LockFileTurn::CutBack(int logFd, long written) const {
  if (m_pState == nullptr || m_pState->m_llLogSize < 0 || written <= 0) return;
  struct stat file {};
  // Only our own fragment: the file ends where the write left it.
  if (fstat(logFd, &file) == 0 && file.st_size == m_pState->m_llLogSize + written) {
    (void)!ftruncate(logFd, static_cast<off_t>(m_pState->m_llLogSize));
  }
}

}  // namespace zbutil_detail
