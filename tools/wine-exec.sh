#!/usr/bin/env bash
# Runs a Windows program under the Wine loader of its bitness:
#   wine-exec.sh [32|64] program.exe [arguments...]
# Without the bitness it is read from the program's PE header. Installed as
# `wine` first on PATH for ctest, it replaces /usr/bin/wine, which picks the
# 32-bit loader for every program once wine32 is installed.
set -euo pipefail
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/wine-lib.sh"

# 64 or 32 from the PE machine field (0x8664 is x86-64).
pe_bits() {
  local offset machine
  offset=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$1" | tr -d ' ')
  [[ $machine == 8664 ]] && echo 64 || echo 32
}

# Without a prefix Wine would quietly make and use ~/.wine. (wine-lib.sh
# sets WINEPREFIX only in subshells of its own, for the template prefix.)
# shellcheck disable=SC2031
: "${WINEPREFIX:?wine-exec.sh: WINEPREFIX is not set}"

bits=${1:-}
if [[ $bits == 32 || $bits == 64 ]]; then
  shift
elif [[ -f $bits ]]; then
  bits=$(pe_bits "$1")
else
  bits=64
fi
loader=$WINE32_LOADER
[[ $bits == 64 ]] && loader=$WINE64_LOADER

# Wine reports a crash on stderr and starts its debugger; the exit code
# that follows is not always that of a failure (a crash inside a COM call
# was seen ending with 0). A reported crash therefore fails the run.
# stderr goes to a file, not a pipe: servers the program starts inherit it
# and may outlive it, and a pipe would wait for them.
crash_log=$(mktemp)
trap 'rm -f "$crash_log"' EXIT
status=0
"$loader" "$@" 2>"$crash_log" || status=$?
cat "$crash_log" >&2
if grep -qE '^wine: Unhandled|^Unhandled exception:' "$crash_log"; then
  echo "wine-exec.sh: $(basename "$1") crashed (exit code $status); see the backtrace above" >&2
  (( status != 0 )) || status=70
fi
exit "$status"
