#!/bin/sh
# clang-format and clang-tidy over the library, its tools, examples and tests.
set -eu
cd "$(dirname "$0")/.."
sources=$(git ls-files --cached --others --exclude-standard '*.cpp' '*.h')
# shellcheck disable=SC2086
clang-format --dry-run -Werror $sources
# clang-tidy needs the compile commands of the default preset (the tests' own
# .clang-tidy drops the checks that do not fit test code). tests/install is built
# outside the tree, against an installed library.
[ -f build/default/compile_commands.json ] ||
  { echo "lint: configure the default preset first (cmake --preset default)" >&2; exit 1; }
tidy=$(git ls-files --cached --others --exclude-standard 'strings/*.cpp' 'tokenizer/*.cpp' \
  'logging/*.cpp' 'platform/*.cpp' 'tools/*.cpp' 'examples/*.cpp' 'tests/*.cpp' |
  grep -v '^tests/install/')
# shellcheck disable=SC2086
printf '%s\n' $tidy | xargs -P 2 -n 4 clang-tidy -quiet -p build/default
echo "lint ok"
