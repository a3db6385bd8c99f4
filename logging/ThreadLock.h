#ifndef ZBUTIL_LOGGING_THREADLOCK_H_
#define ZBUTIL_LOGGING_THREADLOCK_H_

// Internal: a mutex of the threads of one process that stays usable in a child created
// by fork(). Not installed.
//
// fork() copies a mutex in whatever state it had, possibly locked by a thread that does
// not exist in the child, where it would then block for ever. So each mutex travels
// with the id of the process whose threads it serves. When that is not the caller's
// process, no thread of the caller's process can be holding it yet, and the first comer
// re-creates it (announcing -pid meanwhile, so that its siblings wait) before anyone
// locks it. std::mutex holds no resource, so ending the copied object leaks nothing.

#include <sched.h>
#include <sys/types.h>

#include <atomic>
#include <mutex>
#include <new>

namespace zbutil_detail {

class ThreadLock {
 public:
  ThreadLock(std::mutex& mutex, std::atomic<pid_t>& owner, pid_t self) : m_rMutex(mutex) {
    Lock(mutex, owner, self);
  }
  ~ThreadLock() { m_rMutex.unlock(); }
  ThreadLock(ThreadLock const&) = delete;
  ThreadLock& operator=(ThreadLock const&) = delete;

  // Locks `mutex` for the calling thread of process `self`, re-creating it first when
  // it was copied from another process. For owners that must unlock at their own time.
  static void Lock(std::mutex& mutex, std::atomic<pid_t>& owner, pid_t self) {
    Adopt(mutex, owner, self);
    mutex.lock();
  }

 private:
  static void Adopt(std::mutex& mutex, std::atomic<pid_t>& owner, pid_t self) {
    for (;;) {
      pid_t seen = owner.load(std::memory_order_acquire);
      if (seen == self) return;
      if (seen == -self) {  // a sibling thread is re-creating it right now
        sched_yield();
        continue;
      }
      // Another process's mutex (or a re-creation that a thread of another process
      // began before the fork): take it over.
      if (owner.compare_exchange_weak(seen, -self, std::memory_order_acq_rel)) {
        new (&mutex) std::mutex();
        owner.store(self, std::memory_order_release);
        return;
      }
    }
  }

  std::mutex& m_rMutex;
};

}  // namespace zbutil_detail

#endif  // ZBUTIL_LOGGING_THREADLOCK_H_
