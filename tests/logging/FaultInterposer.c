/* Test-only: stops or fails a process at a chosen step of what libzbutil asks of the
 * system, whatever order of calls the logger uses. Linked into the crash test ahead of
 * libc (or loaded with LD_PRELOAD), it stands in for the calls below and is inert unless
 * ZBUTIL_FAULT is set: "<function>:<k>" raises SIGKILL at the k-th call of <function>
 * made by libzbutil itself (calls from elsewhere are not counted), "<function>:<k>:<errno>"
 * makes that call fail with errno instead. Variants count as their base name (open64 and
 * openat as open, renameat as rename, lstat as stat, ...). Calls that a sanitizer
 * intercepts in the executable reach it from there and are not counted. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

static uintptr_t sLibraryBegin, sLibraryEnd; /* libzbutil's code */
static long sCalls;                          /* calls so far of the armed function */

static int FindLibrary(struct dl_phdr_info* info, size_t size, void* unused) {
  (void)size, (void)unused;
  if (strstr(info->dlpi_name, "libzbutil.so") == NULL) return 0;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)* segment = &info->dlpi_phdr[i];
    if (segment->p_type == PT_LOAD && (segment->p_flags & PF_X) != 0) {
      sLibraryBegin = info->dlpi_addr + segment->p_vaddr;
      sLibraryEnd = sLibraryBegin + segment->p_memsz;
    }
  }
  return 1;
}

/* Runs once every library of the program is loaded; before that nothing is counted. */
__attribute__((constructor)) static void Init(void) { dl_iterate_phdr(FindLibrary, NULL); }

/* The errno with which this call must fail, or 0 to make it; kills at the chosen call. */
static int Step(char const* function, void* caller) {
  const uintptr_t at = (uintptr_t)caller;
  char const* armed = at >= sLibraryBegin && at < sLibraryEnd ? getenv("ZBUTIL_FAULT") : NULL;
  const size_t length = strlen(function);
  if (armed == NULL || strncmp(armed, function, length) != 0 || armed[length] != ':') return 0;
  char* rest = NULL;
  if (++sCalls != strtol(armed + length + 1, &rest, 10)) return 0;
  if (*rest != ':') raise(SIGKILL);
  return atoi(rest + 1);
}

#define EXPORT __attribute__((visibility("default")))
#define REAL(name)                \
  static __typeof__(name)* real_; \
  if (real_ == NULL) real_ = (__typeof__(name)*)dlsym(RTLD_NEXT, #name)
#define STEP(base, failed)                                    \
  const int error_ = Step(base, __builtin_return_address(0)); \
  if (error_ != 0) return errno = error_, failed
/* A function: its result type, name, base name, result on failure, parameters, arguments. */
#define WRAP(result, name, base, failed, params, args) \
  EXPORT result name params {                          \
    REAL(name);                                        \
    STEP(base, failed);                                \
    return real_ args;                                 \
  }
#define WRAP_OPEN(name, params, args)           \
  EXPORT int name params {                      \
    mode_t mode = 0;                            \
    if ((flags & (O_CREAT | O_TMPFILE)) != 0) { \
      va_list more;                             \
      va_start(more, flags);                    \
      mode = va_arg(more, mode_t);              \
      va_end(more);                             \
    }                                           \
    REAL(name);                                 \
    STEP("open", -1);                           \
    return real_ args;                          \
  }

WRAP_OPEN(open, (char const* path, int flags, ...), (path, flags, mode))
WRAP_OPEN(open64, (char const* path, int flags, ...), (path, flags, mode))
WRAP_OPEN(openat, (int at, char const* path, int flags, ...), (at, path, flags, mode))
WRAP_OPEN(openat64, (int at, char const* path, int flags, ...), (at, path, flags, mode))
WRAP(int, close, "close", -1, (int fd), (fd))
WRAP(ssize_t, write, "write", -1, (int fd, void const* data, size_t size), (fd, data, size))
WRAP(off_t, lseek, "lseek", -1, (int fd, off_t at, int whence), (fd, at, whence))
WRAP(off64_t, lseek64, "lseek", -1, (int fd, off64_t at, int whence), (fd, at, whence))
WRAP(int, ftruncate, "ftruncate", -1, (int fd, off_t size), (fd, size))
WRAP(int, ftruncate64, "ftruncate", -1, (int fd, off64_t size), (fd, size))
WRAP(int, posix_fallocate, "posix_fallocate", error_, (int fd, off_t at, off_t size),
     (fd, at, size))
WRAP(int, posix_fallocate64, "posix_fallocate", error_, (int fd, off64_t at, off64_t size),
     (fd, at, size))
WRAP(int, fallocate, "fallocate", -1, (int fd, int how, off_t at, off_t size), (fd, how, at, size))
WRAP(void*, mmap, "mmap", MAP_FAILED,
     (void* at, size_t size, int protection, int flags, int fd, off_t offset),
     (at, size, protection, flags, fd, offset))
WRAP(void*, mmap64, "mmap", MAP_FAILED,
     (void* at, size_t size, int protection, int flags, int fd, off64_t offset),
     (at, size, protection, flags, fd, offset))
WRAP(int, munmap, "munmap", -1, (void* at, size_t size), (at, size))
WRAP(void*, memcpy, "memcpy", NULL, (void* to, void const* from, size_t size), (to, from, size))
WRAP(int, rename, "rename", -1, (char const* from, char const* to), (from, to))
WRAP(int, renameat, "rename", -1, (int at, char const* from, int toAt, char const* to),
     (at, from, toAt, to))
WRAP(int, renameat2, "rename", -1,
     (int at, char const* from, int toAt, char const* to, unsigned flags),
     (at, from, toAt, to, flags))
WRAP(int, link, "link", -1, (char const* from, char const* to), (from, to))
WRAP(int, linkat, "link", -1, (int at, char const* from, int toAt, char const* to, int flags),
     (at, from, toAt, to, flags))
WRAP(int, unlink, "unlink", -1, (char const* path), (path))
WRAP(int, unlinkat, "unlink", -1, (int at, char const* path, int flags), (at, path, flags))
WRAP(int, fchown, "fchown", -1, (int fd, uid_t owner, gid_t group), (fd, owner, group))
WRAP(int, chown, "chown", -1, (char const* path, uid_t owner, gid_t group), (path, owner, group))
WRAP(int, fstat, "fstat", -1, (int fd, struct stat* status), (fd, status))
WRAP(int, fstat64, "fstat", -1, (int fd, struct stat64* status), (fd, status))
WRAP(int, stat, "stat", -1, (char const* path, struct stat* status), (path, status))
WRAP(int, lstat, "stat", -1, (char const* path, struct stat* status), (path, status))
WRAP(int, fstatat, "stat", -1, (int at, char const* path, struct stat* status, int flags),
     (at, path, status, flags))
WRAP(int, access, "access", -1, (char const* path, int mode), (path, mode))
WRAP(int, fsync, "fsync", -1, (int fd), (fd))
WRAP(int, fdatasync, "fsync", -1, (int fd), (fd))
