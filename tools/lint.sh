#!/usr/bin/env bash
# The house style checks: clang-format over every C and C++ file; clang-tidy
# over the portable core, the fakes and the stand-in's portable parts (with
# the native build's compile commands) and over the Win32 base, the Win32
# adapters, the DLL, the stand-in's Windows parts and the demo (with the
# win64 build's, read for mingw's target); shellcheck over every script.
# clang-tidy checks a folder's files as one batch (tools/tidy-batches.py),
# JOBS batches at a time.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
mapfile -t sources < <(git ls-files '*.c' '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"

# tidy <build tree> [clang-tidy arguments...]; the files come on stdin,
# NUL-separated.
tidy() {
  local tree=$1 batches
  shift
  batches=build/lint/$(basename "$tree")
  rm -rf "$batches"
  tools/tidy-batches.py "$tree" "$batches" |
    xargs -0 -n 1 -P "${JOBS:-2}" clang-tidy -p "$batches" --quiet "$@" \
      2> >(grep -v "warnings generated" >&2)
}
# The stand-in's portable files are those the native tree compiles.
standin_portable() {
  sed -n 's|^ *"file": "'"$root"'/\(standin/src/[^"]*\.cpp\)",\{0,1\}$|\1|p' \
    build/native/compile_commands.json | sort -u
}
{
  git ls-files -z 'src/core/*.cpp' 'tests/fakes/*.cpp'
  standin_portable | tr '\n' '\0'
} | tidy build/native

# Clang finds mingw's headers but not its C++ library, which Debian keeps
# under a GCC version clang does not parse (12-posix): mingw's g++ names its
# own C++ directories.
mingw=(--extra-arg=--target=x86_64-w64-mingw32)
while read -r dir; do
  mingw+=(--extra-arg=-isystem"$dir")
done < <(x86_64-w64-mingw32-g++-posix -xc++ -E -v - </dev/null 2>&1 |
  sed -n '/^#include <...> search starts here/,/^End of search list/p' |
  sed -n 's|^ *\(.*/include/c++.*\)$|\1|p')
git ls-files -z 'src/winbase/*.cpp' 'src/win32/*.cpp' 'src/dll/*.cpp' 'standin/src/*.cpp' 'demo/*.cpp' |
  grep -zvxF -f <(standin_portable) | tidy build/win64 "${mingw[@]}"

mapfile -t scripts < <(git ls-files 'tools/*.sh' 'tests/*.sh')
shellcheck -x "${scripts[@]}"
echo "lint: clean"
