#!/bin/sh
# The Debian packages end to end: builds them for amd64 and i386 from a copy of the
# tree, runs lintian over them, installs both architectures side by side, builds the
# outside program of tests/install against each installed -dev package (pkg-config and
# CMake) and runs it, runs /usr/bin/zblog of each architecture, then purges everything
# and checks that no file of the packages is left. Needs root (or sudo) and what
# `scripts/install-deps.sh test` installs. Usage: scripts/check-packages.sh
set -eu
cd "$(dirname "$0")/.."
src=$PWD
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
apt_get() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@" >/dev/null; }
fail() { echo "check-packages: $*" >&2; exit 1; }

# One version: project(VERSION) in CMakeLists.txt, which debian/changelog repeats.
version=$(sed -n 's/^project(zbutil VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
changelog=$(dpkg-parsechangelog -S Version)
[ "$version" = "$changelog" ] ||
  fail "debian/changelog has version $changelog, CMakeLists.txt has $version"
interface=$(echo "$version" | cut -d. -f1-2)

purge() {
  installed=$(dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package}\n' \
    libzbutil2 libzbutil-dev zblog 2>/dev/null | awk '$1 != "un" {print $2}' || true)
  # shellcheck disable=SC2086
  [ -z "$installed" ] || apt_get purge $installed
}
work=$(mktemp -d)
trap 'purge; rm -rf "$work"' EXIT
purge  # what an interrupted earlier run left

echo "--- build (amd64, i386)"
mkdir "$work/zbutil"
git ls-files --cached --others --exclude-standard | tar -cf - -T - | tar -xf - -C "$work/zbutil"
for arch in amd64 i386; do
  (cd "$work/zbutil" &&
    DEB_BUILD_OPTIONS="nocheck parallel=2" dpkg-buildpackage -us -uc -b -a"$arch") \
    >"$work/build-$arch.log" 2>&1 || { tail -n 40 "$work/build-$arch.log"; fail "$arch build"; }
done
cd "$work"
ls -l ./*.deb

echo "--- lintian"
lint=0
lintian --fail-on error,warning --display-info "zbutil_${version}_amd64.changes" \
  "zbutil_${version}_i386.changes" >lintian.log 2>&1 || lint=$?
grep -v "root privileges" lintian.log || true
[ "$lint" -eq 0 ] || fail "lintian reports errors or warnings"

echo "--- contents and dependencies"
for arch in amd64 i386; do
  deb=libzbutil2_${version}_$arch.deb
  extra=$(dpkg-deb -c "$deb" | awk '{print $6}' |
    grep -Ev '/$|^\./usr/lib/[^/]*-linux-gnu/libzbutil\.so\.2(\.|$)|^\./usr/share/doc/libzbutil2/' ||
    true)
  [ -z "$extra" ] || fail "$deb holds more than the shared object: $extra"
  [ "$(dpkg-deb -f "$deb" Multi-Arch)" = same ] || fail "$deb is not Multi-Arch: same"
  shlibs=$(dpkg-deb --ctrl-tarfile "$deb" | tar -xOf - ./shlibs)
  [ "$shlibs" = "libzbutil 2 libzbutil2 (>= $interface)" ] || fail "$deb: shlibs '$shlibs'"
  dpkg-deb -f "zblog_${version}_$arch.deb" Depends | grep -q "libzbutil2 (>= $interface)" ||
    fail "zblog ($arch) does not depend on libzbutil2"
done

echo "--- install both architectures"
apt_get install "./libzbutil2_${version}_amd64.deb" "./libzbutil-dev_${version}_amd64.deb" \
  "./libzbutil2_${version}_i386.deb" "./libzbutil-dev_${version}_i386.deb" \
  "./zblog_${version}_amd64.deb"
for pkg in libzbutil2:amd64 libzbutil-dev:amd64 libzbutil2:i386 libzbutil-dev:i386 zblog:amd64; do
  dpkg -L "$pkg" >>files
done
man -w zblog | grep -q '/usr/share/man/man1/zblog\.1' || fail "man -w zblog"
# The shipping service and its sandbox: systemd's exposure score of an instance, from
# 0 (locked down) to 10, stays below 2 (1.4 when written; 7.5 without the sandbox).
unit=/lib/systemd/system/zblog-ship@.service
[ -f "$unit" ] || fail "zblog does not install $unit"
cp "$unit" "zblog-ship@var-log-agent.service"
systemd-analyze security --offline=true --threshold=20 "zblog-ship@var-log-agent.service" \
  >security.log 2>&1 || { cat security.log; fail "the unit's exposure is above 2"; }

echo "--- a program built against the installed -dev packages"
for arch in amd64 i386; do
  if [ "$arch" = i386 ]; then
    m32="-m32" pc=i686-linux-gnu-pkg-config toolchain="-DCMAKE_TOOLCHAIN_FILE=$src/cmake/toolchains/i386.cmake"
  else
    m32="" pc=pkg-config toolchain=""
  fi
  # shellcheck disable=SC2046,SC2086
  g++ $m32 -std=c++17 "$src/tests/install/consumer.cpp" $($pc --cflags --libs zbutil) \
    -o "consumer-pc-$arch"
  "./consumer-pc-$arch" "$work" || fail "consumer ($arch, pkg-config)"
  [ "$($pc --modversion zbutil)" = "$version" ] || fail "zbutil.pc ($arch) has another version"
  # shellcheck disable=SC2086
  cmake -S "$src/tests/install" -B "consumer-cmake-$arch" -G Ninja $toolchain >/dev/null
  cmake --build "consumer-cmake-$arch" >/dev/null
  "./consumer-cmake-$arch/consumer" "$work" || fail "consumer ($arch, CMake)"
done

echo "--- zblog from /usr/bin"
for arch in amd64 i386; do
  if [ "$arch" = i386 ]; then
    apt_get install "./zblog_${version}_i386.deb"  # replaces the amd64 one
    dpkg -L zblog:i386 >>files
  fi
  [ "$(dpkg-query -W -f='${Architecture}' zblog)" = "$arch" ] || fail "zblog is not $arch"
  [ "$(/usr/bin/zblog --version)" = "zblog (zbutil) $version" ] || fail "zblog --version"
  mkdir "logs-$arch"
  /usr/bin/zblog -d "logs-$arch" -n package.log -l error "written by the $arch package"
  /usr/bin/zblog parse "logs-$arch/package.log" |
    grep -q "\"level\":\"Error\",\"message\":\"written by the $arch package\"" ||
    fail "zblog ($arch) did not write or read back its record"
done

echo "--- purge"
purge
left=$(grep -vx '/\.' files | sort -u | while IFS= read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || continue
  # A directory that another package owns too stays.
  [ -d "$path" ] && dpkg -S "$path" >/dev/null 2>&1 && continue
  echo "$path"
done)
[ -z "$left" ] || fail "left after purge: $left"
echo "packages ok ($version: amd64, i386)"
