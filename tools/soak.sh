#!/usr/bin/env bash
# Full runs of the soak host (tests/soak) for docs/robustness.md:
#   tools/soak.sh <build-tree> [random|cycles|voyage|all] [seed] [more zge_soak options]
# e.g. tools/soak.sh h3-win64 all. Each run gets a fresh copy of the
# template prefix with the tree's stand-in registered; reports go to
# build/results/soak-<tree>-<mode>.txt.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-lib.sh"

preset=${1:?usage: soak.sh <build-tree> [random|cycles|voyage|all] [seed]}
what=${2:-all}
seed=${3:-$(( (RANDOM << 15) | RANDOM ))}
build=$ZGE_ROOT/build/$preset
results=$ZGE_ROOT/build/results
mkdir -p "$results"

# Written by the build (file(GENERATE)): not there to follow before it.
# shellcheck source=/dev/null
source "$build/tests/system/zge-paths.env"
loader=$(zge_loader_for "$preset")
soak=$build/tests/soak/zge_soak.exe

run() {
  local mode=$1
  shift
  local report=$results/soak-$preset-$mode.txt
  zge_ensure_template
  WINEPREFIX=$(zge_fresh_prefix "soak-$preset-$mode")
  export WINEPREFIX
  zge_start_server
  zge_register_standin "$loader" "$ZGE_STANDIN_EXE"
  local status=0
  rm -f "$report"
  # The report is written by the host (a Windows path) and copied out.
  # wine-exec.sh fails a run that crashed whatever its exit code; a run
  # passes only when the host wrote its verdict.
  "$ZGE_ROOT/tools/wine-exec.sh" "$soak" "$mode" "$@" --report 'C:\soak-report.txt' || status=$?
  cp "$WINEPREFIX/drive_c/soak-report.txt" "$report" 2>/dev/null || true
  if (( status == 0 )) && [[ $(tail -n 1 "$report" 2>/dev/null | tr -d '\r') != PASS ]]; then
    echo "soak $mode: the host ended without its verdict" >&2
    status=1
  fi
  zge_stop_server
  echo "=== soak $mode: exit $status, report $report"
  return "$status"
}

status=0
case $what in
  random) run random --calls 10000 --seed "$seed" "${@:4}" || status=$? ;;
  cycles) run cycles --cycles 200 || status=$? ;;
  voyage) run voyage --calls 86400 --legs 1440 || status=$? ;;
  all)
    run random --calls 10000 --seed "$seed" || status=$?
    run cycles --cycles 200 || status=$?
    run voyage --calls 86400 --legs 1440 || status=$?
    ;;
  *) echo "unknown run $what" >&2; exit 2 ;;
esac
exit "$status"
