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
# The peers of the benchmarks (Boost, Abseil, spdlog) and the report generator; the
# test build compiles the benchmarks too, so they cannot rot unnoticed.
bench="$demo libbenchmark-dev libboost-dev libabsl-dev libspdlog-dev python3"
test="$test libboost-dev libabsl-dev libspdlog-dev"
# rsyslog: the log-shipping test, which runs rsyslogd itself (the package's own
# service is kept from starting, see below).
test="$test rsyslog"

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
# Packages start their services when installed unless policy-rc.d forbids it. Where
# the machine has no policy, forbid it for this install only, so that no system
# daemon (rsyslog's among them) is left running.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
  $sudo chmod 755 "$policy"
  trap '$sudo rm -f "$policy"' EXIT
fi
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
# shellcheck disable=SC2086
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
