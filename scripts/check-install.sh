#!/bin/sh
# Installs the library built by a preset into a scratch prefix and builds a program
# outside the tree that includes only <zbutil.h>, once through pkg-config and once
# through find_package(zbutil CONFIG). Usage: scripts/check-install.sh default|i386
set -eu
cd "$(dirname "$0")/.."
preset="$1"
flags=""
cmake_arch=""
if [ "$preset" = i386 ]; then
  flags="-m32"
  cmake_arch="-DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/toolchains/i386.cmake"
fi
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

cmake --install "build/$preset" --prefix "$root/prefix" >/dev/null
libdir=$(dirname "$(find "$root/prefix" -name zbutil.pc)")/..
test -f "$root/prefix/include/zbutil/zbutil.h"
test -f "$root/prefix/share/man/man1/zblog.1"
"$root/prefix/bin/zblog" --help >/dev/null  # finds the library beside it

# pkg-config
PKG_CONFIG_PATH="$libdir/pkgconfig" sh -c \
  "g++ $flags -std=c++17 tests/install/consumer.cpp \$(pkg-config --cflags --libs zbutil) \
     -Wl,-rpath,$libdir -o $root/by-pkg-config"
"$root/by-pkg-config" "$root"

# find_package
cmake -S tests/install -B "$root/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$root/prefix" \
  ${cmake_arch:+"$cmake_arch"} >/dev/null
cmake --build "$root/cmake" >/dev/null
"$root/cmake/consumer" "$root"
echo "install ok ($preset)"
