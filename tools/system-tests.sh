#!/usr/bin/env bash
# Runs the Wine system tests of one Windows build tree (win32 or win64) in a
# fresh copy of the template prefix, with that bitness's stand-in registered.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-lib.sh"

preset=$1  # further arguments go to ctest (-R, -E ...)
build=$ZGE_ROOT/build/$preset
suite=system-$preset
results=$ZGE_ROOT/build/results
mkdir -p "$results"

if [[ $preset == *win32 ]] && ! zge_can_run_32bit; then
  echo "=== $suite: NOT RUN: this machine cannot start 32-bit programs" \
    "($WINE32_LOADER does not execute: the kernel runs no 32-bit ELF)"
  echo "0 0 skipped" >"$results/$suite"
  [[ ${ZGE_REQUIRE_WIN32:-0} == 1 ]] && exit 1
  exit 0
fi

# Paths of the DLL and the stand-in, written by tests/system at generation.
source "$build/tests/system/zge-paths.env"
loader=$(zge_loader_for "$preset")

zge_ensure_template
WINEPREFIX=$(zge_fresh_prefix "$suite")
export WINEPREFIX
trap zge_stop_server EXIT
zge_start_server
zge_register_standin "$loader" "$ZGE_STANDIN_EXE"

# Targets whose emulator is the toolchain's plain `wine` get the loader of
# their bitness too.
mkdir -p "$ZGE_WINE_DIR/bin"
ln -sf "$ZGE_ROOT/tools/wine-exec.sh" "$ZGE_WINE_DIR/bin/wine"
export PATH=$ZGE_WINE_DIR/bin:$PATH

# Every Windows test of the tree: the stand-in's own tests and the system
# tests, one process per test so that each loads the DLL afresh. They share
# the stand-in's registry key and its single running instance: one at a time.
"$ZGE_ROOT/tools/run-ctest.sh" "$suite" --test-dir "$build" --timeout 120 --output-on-failure \
  "${@:2}"
