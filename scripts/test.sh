#!/bin/sh
# Installs what is missing, then builds and tests every configuration:
# x86_64 (GCC), i386 (GCC -m32), and x86_64 under ASan + UBSan (Clang); runs the
# logger's tests under ThreadSanitizer, the x86_64 tests under valgrind memcheck, and
# each fuzz target for ZBUTIL_FUZZ_SECONDS (default 20); checks formatting and
# clang-tidy; builds a program against each installed library; builds, lints,
# installs, uses and purges the Debian packages of both architectures; and compares
# the exported interface with the checked-in baselines in abi/.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

for preset in default i386 asan; do
  echo "=== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "=== tsan: the logger's tests"
cmake --preset tsan
cmake --build --preset tsan
# Without address randomisation where the sandbox allows it: Clang 14's
# ThreadSanitizer cannot map its shadow memory on kernels that randomise mmap with
# more than 28 bits.
norandom=""
setarch "$(uname -m)" -R true 2>/dev/null && norandom="setarch $(uname -m) -R"
$norandom ctest --preset tsan

echo "=== memcheck"
scripts/memcheck.sh build/default

echo "=== fuzz"
scripts/fuzz.sh "${ZBUTIL_FUZZ_SECONDS:-20}"

echo "=== install: pkg-config and find_package, both architectures"
scripts/check-install.sh default
scripts/check-install.sh i386

echo "=== packages: build, lintian, install, use and purge (amd64, i386)"
scripts/check-packages.sh

echo "=== abi: the exported interface against the checked-in baselines"
scripts/abi.sh check default
scripts/abi.sh check i386

echo "=== lint"
scripts/lint.sh
echo "all tests passed"
