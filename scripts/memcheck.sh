#!/bin/sh
# Runs every test executable of a built preset (default: build/default) under valgrind
# memcheck: any invalid access, use of uninitialised memory or leak (definite, indirect
# or possible) fails the run. Children forked by the tests stay under valgrind and are
# checked the same way; exec'd programs are not traced. scripts/valgrind.supp names the
# glibc internals that memcheck misreads (two possible leaks, one vector read).
#   scripts/memcheck.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
build="${1:-build/default}"

# Not the crash test: its writers fork and die by hundreds, and it stands in for libc
# calls that valgrind replaces itself (see tests/logging/CMakeLists.txt).
executables=$(find "$build/tests" -type f -name 'zbutil_*_tests' ! -name 'zbutil_logging_crash_tests' \
  -perm -u+x | sort)
[ -n "$executables" ] || { echo "no test executables under $build/tests" >&2; exit 1; }
for exe in $executables; do
  echo "=== memcheck $(basename "$exe")"
  valgrind --quiet --error-exitcode=99 --trace-children=no --track-origins=yes \
    --suppressions=scripts/valgrind.supp \
    --leak-check=full --show-leak-kinds=definite,indirect,possible \
    --errors-for-leak-kinds=definite,indirect,possible \
    "$exe" --gtest_brief=1
done
echo "memcheck ok"
