#!/bin/sh
# Builds the library and runs the demo. Usage: scripts/demo.sh [demo arguments]
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh demo
cmake --preset default >/dev/null
cmake --build --preset default --target zbutil_demo
exec build/default/examples/zbutil_demo "$@"
