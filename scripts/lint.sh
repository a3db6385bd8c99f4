#!/bin/sh
# clang-format and clang-tidy over the library, its tools, examples and tests.
set -eu
cd "$(dirname "$0")/.."
sources=$(git ls-files --cached --others --exclude-standard '*.cpp' '*.h')
# shellcheck disable=SC2086
clang-format --dry-run -Werror $sources
lib=$(git ls-files --cached --others --exclude-standard 'strings/*.cpp' 'tokenizer/*.cpp' 'logging/*.cpp' 'platform/*.cpp' 'tools/*.cpp')
# shellcheck disable=SC2086
printf '%s\n' $lib | xargs -P 2 -n 4 clang-tidy -quiet -p build/default
echo "lint ok"
