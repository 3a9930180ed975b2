#!/usr/bin/env bash
# Runs the Wine system tests of one Windows build tree (win32 or win64), with
# that bitness's stand-in registered. The tests are dealt round-robin into
# ZGE_SHARDS shards (default: JOBS + 1, else 3); each shard runs in a fresh copy
# of the template prefix with a wineserver of its own, so shards share no
# registry, no stand-in instance and no temporary folder. A shard mostly
# waits (process starts, COM, timers), so there are more shards than cores.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-lib.sh"

preset=$1  # further arguments go to ctest (-R, -E ...)
build=$ZGE_ROOT/build/$preset
suite=system-$preset
results=$ZGE_ROOT/build/results
shards=${ZGE_SHARDS:-$((${JOBS:-2} + 1))}
mkdir -p "$results"
# Parts of a run that cannot be measured here report themselves NOT RUN there.
export ZGE_RESULTS_DIR=$results

if [[ $preset == *win32 ]] && ! zge_can_run_32bit; then
  reason=$(zge_no_32bit_reason)
  echo "=== $suite: NOT RUN: $reason"
  echo "0 0 skipped $reason" >"$results/$suite"
  [[ ${ZGE_REQUIRE_WIN32:-0} == 1 ]] && exit 1
  exit 0
fi

# Paths of the DLL and the stand-in, written by tests/system at generation.
# shellcheck source=/dev/null
source "$build/tests/system/zge-paths.env"
loader=$(zge_loader_for "$preset")

zge_ensure_template

# Targets whose emulator is the toolchain's plain `wine` get the loader of
# their bitness too.
mkdir -p "$ZGE_WINE_DIR/bin"
ln -sf "$ZGE_ROOT/tools/wine-exec.sh" "$ZGE_WINE_DIR/bin/wine"
export PATH=$ZGE_WINE_DIR/bin:$PATH

# One shard: its own prefix and server; the tests numbered k, k+n, k+2n ...
# Inside a shard the tests run one at a time: they share the stand-in's
# registry key and its single running instance.
run_shard() {
  local k=$1 n=$2
  shift 2
  local name=$suite
  ((n > 1)) && name=$suite-$k
  WINEPREFIX=$(zge_fresh_prefix "$name")
  export WINEPREFIX
  trap zge_stop_server EXIT
  zge_start_server
  zge_register_standin "$loader" "$ZGE_STANDIN_EXE"
  local stride=()
  ((n > 1)) && stride=(-I "$k,,$n")
  "$ZGE_ROOT/tools/run-ctest.sh" "$name" --test-dir "$build" --timeout 120 \
    --output-on-failure "${stride[@]}" "$@"
}

if ((shards <= 1)); then
  run_shard 1 1 "${@:2}"
  exit
fi

pids=()
for ((k = 1; k <= shards; k++)); do
  (run_shard "$k" "$shards" "${@:2}" >/dev/null 2>&1) &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done

# One result and one log for the suite: the shards' sums, their logs in turn.
passed=0
failed=0
disabled=0
: >"$results/$suite.log"
for ((k = 1; k <= shards; k++)); do
  shard=$suite-$k
  cat "$results/$shard.log" >>"$results/$suite.log"
  if [[ -f $results/$shard ]]; then
    read -r p f note d <"$results/$shard"
    [[ ${note:-} == disabled ]] && disabled=$((disabled + d))
  else
    p=0 f=1
  fi
  passed=$((passed + p))
  failed=$((failed + f))
  rm -f "$results/$shard" "$results/$shard.log"
done
grep -E '(Failed|Not Run|Timeout|Exception)|tests passed|Total Test time' "$results/$suite.log" || true
echo "=== $suite: $passed passed, $failed failed in $shards shards (log: build/results/$suite.log)"
if ((disabled > 0)); then
  echo "$passed $failed disabled $disabled" >"$results/$suite"
else
  echo "$passed $failed" >"$results/$suite"
fi
exit "$status"
