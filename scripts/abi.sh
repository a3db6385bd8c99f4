#!/bin/sh
# Guards the exported interface of libzbutil.so against incompatible changes.
#   scripts/abi.sh check PRESET    compare the preset's build with abi/<arch>.abi
#   scripts/abi.sh update PRESET   rewrite the baseline (a deliberate ABI change)
# The baseline is the abidw dump of the library as seen through its installed
# headers, so internal types do not count. New symbols pass; any other difference
# fails until the baseline is deliberately rewritten.
set -eu
cd "$(dirname "$0")/.."
action="$1"
preset="$2"
case "$preset" in
  i386) arch=i386 ;;
  *) arch=x86_64 ;;
esac
baseline="abi/libzbutil-$arch.abi"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

cmake --install "build/$preset" --prefix "$root" >/dev/null
lib=$(find "$root" -name 'libzbutil.so.*.*.*' | head -n 1)
headers="$root/include/zbutil"
dump() {
  abidw --no-corpus-path --drop-private-types --headers-dir "$headers" "$lib"
}

case "$action" in
  update)
    mkdir -p abi
    dump >"$baseline"
    echo "wrote $baseline"
    ;;
  check)
    # Added symbols pass; any other difference fails, since callers derive from the
    # library's classes and depend on their layout and virtual tables too.
    if ! abidiff --no-added-syms --headers-dir2 "$headers" "$baseline" "$lib" >"$root/report"; then
      cat "$root/report"
      echo "libzbutil ($arch): the interface differs from $baseline."
      echo "If the change is deliberate (and the SONAME bumped where callers break), run:"
      echo "  scripts/abi.sh update $preset"
      exit 1
    fi
    echo "abi ok ($arch)"
    ;;
  *)
    echo "usage: $0 check|update PRESET" >&2
    exit 2
    ;;
esac
