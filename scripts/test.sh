#!/bin/sh
# Installs what is missing, then builds and tests every configuration:
# x86_64 (GCC), i386 (GCC -m32), and x86_64 under ASan + UBSan (Clang); checks
# formatting and clang-tidy; and builds a program against each installed library.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

for preset in default i386 asan; do
  echo "=== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "=== install: pkg-config and find_package, both architectures"
scripts/check-install.sh default ""
scripts/check-install.sh i386 -m32

echo "=== lint"
scripts/lint.sh
echo "all tests passed"
