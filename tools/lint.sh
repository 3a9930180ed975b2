#!/usr/bin/env bash
# The house style checks: clang-format over every C and C++ file, clang-tidy
# over the portable core (with the native build's compile commands).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
mapfile -t sources < <(git ls-files '*.c' '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"
mapfile -t core < <(git ls-files 'src/core/*.cpp' 'tests/fakes/*.cpp')
clang-tidy -p build/native --quiet "${core[@]}" 2> >(grep -v "warnings generated" >&2)
echo "lint: clean"
