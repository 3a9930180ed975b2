#!/usr/bin/env bash
# The house style checks: clang-format over every C and C++ file; clang-tidy
# over every C++ file, each with the compile commands of a tree that builds
# it (below); shellcheck over every shell script and pyflakes over every
# Python one. clang-tidy checks a folder's files as one batch
# (tools/tidy-batches.py), JOBS batches at a time.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
mapfile -t sources < <(git ls-files '*.c' '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"

# tidy <build tree> <batch folder name> [clang-tidy arguments...]; the
# files come on stdin, NUL-separated.
tidy() {
  local tree=$1 batches=build/lint/$2
  shift 2
  rm -rf "$batches"
  tools/tidy-batches.py "$tree" "$batches" |
    xargs -0 -n 1 -P "${JOBS:-2}" clang-tidy -p "$batches" --quiet "$@" \
      2> >(grep -v "warnings generated" >&2)
}

# The fuzz, tsan and bench trees compile only their own programs; their
# compile commands come from configuring them (seconds). The system tests
# and the fuzzer include the export list generated from the table, which a
# tree only configured does not have yet.
for preset in fuzz tsan bench; do
  [[ -f build/$preset/CMakeCache.txt ]] || cmake --preset "$preset" >/dev/null
done
for tree in win64 fuzz; do
  cmake --build "build/$tree" --target zge_export_table >/dev/null
done

# Clang finds mingw's headers but not its C++ library, which Debian keeps
# under a GCC version clang does not parse (12-posix): mingw's g++ names its
# own C++ directories.
mingw=(--extra-arg=--target=x86_64-w64-mingw32)
while read -r dir; do
  mingw+=(--extra-arg=-isystem"$dir")
done < <(x86_64-w64-mingw32-g++-posix -xc++ -E -v - </dev/null 2>&1 |
  sed -n '/^#include <...> search starts here/,/^End of search list/p' |
  sed -n 's|^ *\(.*/include/c++.*\)$|\1|p')

# Every C++ file is checked once, with the compile commands of the first
# tree that compiles it: the native tree (the portable code and its tests),
# the win64 tree (what only mingw compiles), then the trees of the fuzzers,
# the ThreadSanitizer tests and the benchmarks. A file no tree compiles
# fails the check, but the SDK's consumer: it is built only from an
# unpacked archive (tests/sdk/run.sh), so it is read as the demo's host
# code is compiled, with the version the package's CMake files define and
# the warnings a host's build would have (-Wall -Wextra: the public header's
# C macros cast in C's way).
consumer=tests/sdk/consumer/consumer.cpp
trees=(build/native build/win64 build/fuzz build/tsan build/bench)
status=0  # every tree is checked, so that one run shows every finding
owners=$(git ls-files -z '*.cpp' | grep -zvxF "$consumer" | tools/tidy-batches.py --owners "${trees[@]}")
for tree in "${trees[@]}"; do
  args=()
  [[ $tree == build/win64 ]] && args=("${mingw[@]}")
  awk -v tree="$tree" '$1 == tree { printf "%s%c", $2, 0 }' <<<"$owners" |
    tidy "$tree" "$(basename "$tree")" "${args[@]}" || status=1
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win64/CMakeCache.txt)
IFS=. read -r major minor patch <<<"$version"
printf '%s=demo/host/plugin.cpp\0' "$consumer" |
  tidy build/win64 sdk-consumer "${mingw[@]}" --extra-arg=-Wno-old-style-cast \
    --extra-arg=-DZGE_PACKAGE_VERSION_MAJOR="$major" \
    --extra-arg=-DZGE_PACKAGE_VERSION_MINOR="$minor" \
    --extra-arg=-DZGE_PACKAGE_VERSION_PATCH="$patch" \
    --extra-arg=-DZGE_PACKAGE_VERSION="\"$version\"" || status=1
((status == 0)) || exit 1

mapfile -t scripts < <(git ls-files '*.sh' .ci/run)
shellcheck -x "${scripts[@]}"
mapfile -t programs < <(git ls-files '*.py')
pyflakes3 "${programs[@]}"
echo "lint: clean"
