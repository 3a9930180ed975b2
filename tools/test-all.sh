#!/usr/bin/env bash
# make test: builds the trees, runs the native unit tests, the style checks,
# the fuzzers, the Wine system tests of both bitnesses and the SDK stage,
# and ends with one summary line. Every stage's wall and CPU time is kept in
# build/results/timings and printed before the summary.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
# shellcheck source=tools/wine-lib.sh
source tools/wine-lib.sh
results=$root/build/results
rm -rf "$results"
mkdir -p "$results"
jobs=${JOBS:-2}
timings=$results/timings.log
started=$(date +%s.%N)

# record <result> <passed> <failed> [skipped reason]
record() {
  echo "$2 $3${4:+ skipped $4}" >"$results/$1"
}

# The CPU time of the finished children of this shell, in seconds, in
# $cpu_now (`times` must run in this shell, not in a subshell).
children_cpu() {
  times >"$results/.times"
  cpu_now=$(tail -n 1 "$results/.times" | awk '{
    split($1, u, /[ms]/); split($2, s, /[ms]/); print u[1] * 60 + u[2] + s[1] * 60 + s[2] }')
}

# stage <name> <command...>: runs one stage and keeps its times.
stage() {
  local name=$1 wall cpu status
  shift
  echo "=== $name"
  wall=$(date +%s.%N)
  children_cpu
  cpu=$cpu_now
  "$@"
  status=$?
  children_cpu
  awk -v n="$name" -v w0="$wall" -v w1="$(date +%s.%N)" -v c0="$cpu" -v c1="$cpu_now" \
    'BEGIN { printf "%-18s %7.1f s wall %7.1f s CPU\n", n, w1 - w0, c1 - c0 }' >>"$timings"
  return "$status"
}

build_tree() {
  local preset=$1
  if [[ ! -f build/$preset/CMakeCache.txt ]]; then
    cmake --preset "$preset" >/dev/null || return 1
  fi
  cmake --build "build/$preset" -j"$jobs"
}

# build <preset>: a failed build is one failure, and its tests do not run.
build() {
  if ! build_tree "$1"; then
    echo "=== build $1 FAILED"
    record "build-$1" 0 1
    return 1
  fi
}

lint() {
  if tools/lint.sh; then record lint 1 0; else record lint 0 1; fi
}

# A bounded libFuzzer run: fuzz_run <result> <target> <corpus> [options].
# New inputs go to build/fuzz/<corpus>, the committed seeds are fuzz/<corpus>.
fuzz_run() {
  local result=$1 target=$2 corpus=$3
  shift 3
  mkdir -p "build/fuzz/$corpus"
  if [[ -x build/fuzz/fuzz/$target ]] &&
    timeout 90 "build/fuzz/fuzz/$target" -max_total_time=20 -artifact_prefix=build/fuzz/ "$@" \
      "build/fuzz/$corpus" "fuzz/$corpus" >"$results/$result.log" 2>&1; then
    tail -n 2 "$results/$result.log"
    record "$result" 1 0
  else
    tail -n 30 "$results/$result.log" 2>/dev/null
    echo "=== $result FAILED (log: build/results/$result.log)"
    record "$result" 0 1
  fi
}

fuzz_stages() {
  build fuzz || return
  # Each fuzzer keeps one core busy: both at once.
  # Every overlay document stays well-formed KML.
  fuzz_run fuzz zge_kml_fuzz corpus &
  # Random export sequences through the core with injected failures.
  fuzz_run fuzz-exports zge_export_fuzz corpus-exports -max_len=512 &
  wait
}

# The watch thread against panels coming and going, under ThreadSanitizer.
tsan_stage() {
  build tsan || return
  tools/run-ctest.sh tsan --test-dir build/tsan --output-on-failure --timeout 120
}

windows_stages() {  # windows_stages <preset>
  local preset=$1
  [[ -f $results/build-$preset ]] && return
  if tools/check-exports.sh "build/$preset/src/dll/ZelkanGE.dll"; then
    record "exports-$preset" 1 0
  else
    record "exports-$preset" 0 1
  fi
  tools/system-tests.sh "$preset" || true
}

# A stage run in the background while others go on: its output goes to
# build/results/<name>.out and is shown when it is waited for. The Wine
# suites wait on timers, process starts and COM far more than they compute,
# so they overlap the builds and the native stages, which keep both cores
# busy.
declare -A background=()
stage_in_background() {
  local name=$1
  shift
  echo "=== $name: started in the background (output: build/results/$name.out)"
  (stage "$@" >"$results/$name.out" 2>&1) &
  background[$name]=$!
}
wait_for() {
  local name=$1
  [[ -n ${background[$name]:-} ]] || return 0
  wait "${background[$name]}"
  echo "=== $name: finished"
  grep -E '^=== ' "$results/$name.out" | sed 's/^/  /'
  unset "background[$name]"
}

# Both Windows trees first, so that both Wine suites (the longest stages,
# mostly waiting) run while the native tree builds and its stages run.
stage build-win64 build win64
[[ -f $results/build-win64 ]] || stage_in_background system-win64 system-win64 windows_stages win64

stage build-win32 build win32
if [[ ! -f $results/build-win32 ]]; then
  if zge_can_run_32bit; then
    stage_in_background system-win32 system-win32 windows_stages win32
  else
    # Exports are checked without running anything; the suite reports why.
    windows_stages win32
  fi
fi

stage build-native build native
if [[ ! -f $results/build-native ]]; then
  # Each test is a process of its own that mostly waits: more at once than cores.
  stage unit-native tools/run-ctest.sh unit-native --test-dir build/native --output-on-failure \
    -j$((jobs * 3)) --timeout 120
  stage lint lint
fi

# The fuzz targets and ThreadSanitizer need clang and its runtimes.
if command -v clang++ >/dev/null 2>&1 && [[ -d /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux ]]; then
  stage fuzz fuzz_stages
  stage tsan tsan_stage
else
  why="clang or its sanitizer runtimes are not installed (packages clang, libclang-rt-14-dev)"
  echo "=== fuzz and tsan: NOT RUN: $why"
  record fuzz 0 0 "$why"
  record fuzz-exports 0 0 "$why"
  record tsan 0 0 "$why"
fi

wait_for system-win64
wait_for system-win32
# The SDK archive, unpacked and used as a host developer would.
if [[ ! -f $results/build-win32 && ! -f $results/build-win64 ]]; then
  stage sdk tests/sdk/run.sh || true
fi

awk -v w0="$started" -v w1="$(date +%s.%N)" \
  'BEGIN { printf "%-18s %7.1f s wall\n", "make test", w1 - w0 }' >>"$timings"

# A stage that could not run counts as neither passed nor failed, unless
# ZGE_REQUIRE_WIN32=1 asks for the 32-bit ones.
passed=0
failed=0
echo "=== times"
sed 's/^/  /' "$timings"
echo "=== results"
for file in "$results"/*; do
  [[ $file == *.log || $file == *.out ]] && continue
  read -r p f note reason <"$file"
  name=$(basename "$file")
  if [[ ${note:-} == skipped ]]; then
    if [[ ${ZGE_REQUIRE_WIN32:-0} == 1 && $name == *win32* ]]; then
      printf '  %-16s FAILED: not run, and ZGE_REQUIRE_WIN32=1 (%s)\n' "$name" "$reason"
      failed=$((failed + 1))
    else
      printf '  %-16s NOT RUN (%s)\n' "$name" "$reason"
    fi
    continue
  fi
  if [[ ${note:-} == disabled ]]; then
    printf '  %-16s %3d passed, %3d failed, %s disabled: NOT RUN (listed in its log)\n' \
      "$name" "$p" "$f" "$reason"
  else
    printf '  %-16s %3d passed, %3d failed\n' "$name" "$p" "$f"
  fi
  passed=$((passed + p))
  failed=$((failed + f))
done
echo "$passed passed, $failed failed"
((failed == 0))
