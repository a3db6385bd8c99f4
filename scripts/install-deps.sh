#!/bin/sh
# Installs the Debian packages that a task needs and the machine lacks.
#   scripts/install-deps.sh demo   what building and running the demo needs
#   scripts/install-deps.sh test   what the whole test suite needs (both architectures)
#   scripts/install-deps.sh bench  what scripts/bench.sh needs
set -eu

demo="cmake ninja-build g++ libgtest-dev"
# locales: the glibc locale sources from which the string tests compile a Latin-1
# locale; libbenchmark-dev: the benchmarks; libclang-rt-14-dev: the sanitizer and
# libFuzzer runtimes (only recommended by clang); valgrind: the memcheck run;
# abigail-tools: the interface check against abi/.
test="$demo g++-multilib googletest clang pkg-config clang-format clang-tidy locales libbenchmark-dev"
test="$test libclang-rt-14-dev valgrind abigail-tools"
# The peers of the benchmarks (Boost, Abseil, spdlog, rsyslog for syslog), the report generator
# and its pictures (matplotlib); the test build compiles the benchmarks too, so they
# cannot rot unnoticed.
bench="$demo libbenchmark-dev libboost-dev libabsl-dev libspdlog-dev rsyslog python3 python3-matplotlib"
# The logger's benchmark of the 32-bit build as well.
bench="$bench g++-multilib libbenchmark-dev:i386 libspdlog-dev:i386"
test="$test libboost-dev libabsl-dev libspdlog-dev"
# rsyslog: the log-shipping tests, which run rsyslogd themselves (the package's own
# service is kept from starting, see below); rsyslog-relp: its RELP receiver, imrelp;
# librelp-dev: the RELP client that `zblog ship` is built on (found through pkg-config);
# openssl: the shipping tests make their CA and certificates with it.
test="$test rsyslog rsyslog-relp librelp-dev openssl"
# time: GNU time, which measures the peak memory of zblog in the untrusted-input test.
test="$test time"
# python3: the shipping test validates `zblog ship --status --json` with its JSON parser.
test="$test python3"
# The package test: the packaging tools, lintian, man (for `man -w`), zblog's RELP
# library and pkg-config for i386, the i386 binutils that debhelper calls when the host
# architecture differs, and the i386 C++ runtime that the i386 packages depend on.
test="$test build-essential debhelper lintian man-db binutils-i686-linux-gnu"
# systemd: systemd-analyze, which rates the sandbox of the shipping unit offline.
test="$test systemd"
test="$test librelp-dev:i386 pkg-config:i386 libstdc++6:i386"

case "${1:-}" in
  demo) wanted=$demo ;;
  test) wanted=$test ;;
  bench) wanted=$bench ;;
  *) echo "usage: $0 demo|test|bench" >&2; exit 2 ;;
esac

missing=""
for pkg in $wanted; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
    missing="$missing $pkg"
done
[ -z "$missing" ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "installing:$missing"
case "$missing" in
  *:i386*)
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386 ;;
esac
# Packages start their services when installed unless policy-rc.d forbids it. Where
# the machine has no policy, forbid it for this install only, so that no system
# daemon (rsyslog's among them) is left running.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
  $sudo chmod 755 "$policy"
  trap '$sudo rm -f "$policy"' EXIT
fi
# An index that fails to download (a mirror caught syncing) leaves apt with the
# previous one; the install below still fails if something is really missing.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q ||
  echo "apt-get update failed for some index; going on with the indexes apt has" >&2

# An i386 library installs only beside the same version of its amd64 twin
# (Multi-Arch: same). When the two architectures' indexes disagree (one mirror updated
# later than the other), ask for the amd64 twins at the i386 version explicitly.
align=""
# shellcheck disable=SC2086
i386=$(printf '%s\n' $missing | grep ':i386$' || true)
if [ -n "$i386" ]; then
  # shellcheck disable=SC2086
  twins=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances $i386 | grep -E '^[a-z0-9].*:i386$' | sort -u)
  for pkg in $twins; do
    pkg=${pkg%:i386}
    have=$(dpkg-query -W -f='${Version}' "$pkg:amd64" 2>/dev/null || true)
    want=$(apt-cache policy "$pkg:i386" | sed -n 's/^ *Candidate: //p')
    if [ -n "$have" ] && [ -n "$want" ] && [ "$want" != "(none)" ] && [ "$have" != "$want" ]; then
      align="$align $pkg:amd64=$want"
    fi
  done
fi
# shellcheck disable=SC2086
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
  --allow-downgrades $missing $align
