#!/usr/bin/env bash
# The house style checks: clang-format over every C and C++ file, clang-tidy
# over the portable core (with the native build's compile commands), one
# clang-tidy per file, JOBS at a time.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
mapfile -t sources < <(git ls-files '*.c' '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"
git ls-files -z 'src/core/*.cpp' 'tests/fakes/*.cpp' |
  xargs -0 -n 4 -P "${JOBS:-2}" clang-tidy -p build/native --quiet \
    2> >(grep -v "warnings generated" >&2)
echo "lint: clean"
