// Test-only: stops or fails a process at a chosen step of what libzbutil asks of the
// system during rotation and writing, whatever order of calls the logger uses. Linked into the
// crash test ahead of libc (or loaded with LD_PRELOAD), it stands in for the calls below and is
// inert unless ZBUTIL_FAULT is set: "<function>:<k>" raises SIGKILL at the k-th call of <function>
// made by libzbutil itself (calls from elsewhere do not count); "<function>:<k>:<errno>"
// makes that call fail with errno instead; ZBUTIL_TRACE=<fd> writes the name of each
// call there. The 64-bit variants count as their base name, pwrite64 as write. Calls that
// a sanitizer intercepts in the executable reach it from there and are not counted.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static uintptr_t sBegin, sEnd;  // libzbutil's code
static long sCalls;             // calls so far of the armed function

static int FindLibrary(struct dl_phdr_info* info, size_t size, void* unused) {
  (void)size, (void)unused;
  for (int i = 0; strstr(info->dlpi_name, "libzbutil.so") && i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)* segment = &info->dlpi_phdr[i];
    if (segment->p_type == PT_LOAD && (segment->p_flags & PF_X) != 0) {
      sBegin = info->dlpi_addr + segment->p_vaddr;
      sEnd = sBegin + segment->p_memsz;
    }
  }
  return sEnd != 0;
}

// Runs once every library of the program is loaded; before that nothing counts.
__attribute__((constructor)) static void Init(void) { dl_iterate_phdr(FindLibrary, NULL); }

// The errno with which this call must fail, or 0 to make it; kills at the chosen call.
// With ZBUTIL_TRACE set to a descriptor, each call of libzbutil's is named there first.
static int Step(char const* function, void* caller) {
  const int ours = (uintptr_t)caller - sBegin < sEnd - sBegin;
  char const* trace = ours ? getenv("ZBUTIL_TRACE") : NULL;
  if (trace != NULL) dprintf(atoi(trace), "%s\n", function);
  char const* armed = ours ? getenv("ZBUTIL_FAULT") : NULL;
  const size_t length = strlen(function);
  if (armed == NULL || strncmp(armed, function, length) != 0 || armed[length] != ':') return 0;
  char* rest = NULL;
  if (++sCalls != strtol(armed + length + 1, &rest, 10)) return 0;
  if (*rest != ':') raise(SIGKILL);
  return atoi(rest + 1);
}

// A stand-in: result type, name, base name, result on failure, parameters, arguments,
// and what runs first.
#define WRAP(result, name, base, failed, params, args, ...)              \
  __attribute__((visibility("default"))) result name params {            \
    __VA_ARGS__;                                                         \
    static __typeof__(name)* real;                                       \
    if (real == NULL) real = (__typeof__(name)*)dlsym(RTLD_NEXT, #name); \
    const int error = Step(base, __builtin_return_address(0));           \
    if (error != 0) return errno = error, failed;                        \
    return real args;                                                    \
  }
// open's mode comes only with O_CREAT or O_TMPFILE.
#define MODE                                                                           \
  va_list more;                                                                        \
  va_start(more, flags);                                                               \
  const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(more, mode_t) : 0; \
  va_end(more)

// The library is built with 64-bit file offsets: these are the names its calls bind to.
WRAP(int, open64, "open", -1, (char const* path, int flags, ...), (path, flags, mode), MODE)
WRAP(int, close, "close", -1, (int fd), (fd))
WRAP(ssize_t, write, "write", -1, (int fd, void const* data, size_t size), (fd, data, size))
WRAP(ssize_t, pwrite64, "write", -1, (int fd, void const* data, size_t size, off64_t at),
     (fd, data, size, at))
WRAP(ssize_t, pread64, "pread", -1, (int fd, void* data, size_t size, off64_t at),
     (fd, data, size, at))
WRAP(int, ftruncate64, "ftruncate", -1, (int fd, off64_t size), (fd, size))
WRAP(int, fstat64, "fstat", -1, (int fd, struct stat64* status), (fd, status))
WRAP(int, rename, "rename", -1, (char const* from, char const* to), (from, to))
WRAP(int, unlink, "unlink", -1, (char const* path), (path))
WRAP(int, fchown, "fchown", -1, (int fd, uid_t owner, gid_t group), (fd, owner, group))
WRAP(int, access, "access", -1, (char const* path, int how), (path, how))
WRAP(ssize_t, copy_file_range, "copy_file_range", -1,
     (int in, loff_t* inAt, int out, loff_t* outAt, size_t size, unsigned flags),
     (in, inAt, out, outAt, size, flags))
WRAP(int, fdatasync, "fdatasync", -1, (int fd), (fd))
WRAP(int, fsync, "fsync", -1, (int fd), (fd))
WRAP(int, linkat, "linkat", -1, (int from, char const* old, int to, char const* name, int flags),
     (from, old, to, name, flags))
