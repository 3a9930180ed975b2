#!/usr/bin/env bash
# make test: builds the three trees, runs the native unit tests and the Wine
# system tests of both bitnesses, and ends with one summary line.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
results=$root/build/results
rm -rf "$results"
mkdir -p "$results"
jobs=${JOBS:-2}

build_tree() {
  local preset=$1
  if [[ ! -f build/$preset/CMakeCache.txt ]]; then
    cmake --preset "$preset" || return 1
  fi
  cmake --build "build/$preset" -j"$jobs"
}

for preset in native win32 win64; do
  echo "=== build $preset"
  if ! build_tree "$preset"; then
    echo "=== build $preset FAILED"
    echo "0 1" >"$results/build-$preset"
  fi
done

if [[ ! -f $results/build-native ]]; then
  tools/run-ctest.sh unit-native --test-dir build/native --output-on-failure -j"$jobs" --timeout 120
  echo "=== lint"
  if tools/lint.sh; then echo "1 0" >"$results/lint"; else echo "0 1" >"$results/lint"; fi
fi
# A bounded libFuzzer run: fuzz_stage <result> <target> <corpus> [options].
# New inputs go to build/fuzz/<corpus>, the committed seeds are fuzz/<corpus>.
fuzz_stage() {
  local result=$1 target=$2 corpus=$3
  shift 3
  echo "=== $result"
  mkdir -p "build/fuzz/$corpus"
  if [[ -x build/fuzz/fuzz/$target ]] &&
    timeout 90 "build/fuzz/fuzz/$target" -max_total_time=20 -artifact_prefix=build/fuzz/ "$@" \
      "build/fuzz/$corpus" "fuzz/$corpus" >"$results/$result.log" 2>&1; then
    tail -n 2 "$results/$result.log"
    echo "1 0" >"$results/$result"
  else
    tail -n 30 "$results/$result.log" 2>/dev/null
    echo "=== $result FAILED (log: build/results/$result.log)"
    echo "0 1" >"$results/$result"
  fi
}

# The fuzz targets need clang.
if command -v clang++ >/dev/null 2>&1; then
  if ! build_tree fuzz; then
    echo "=== build fuzz FAILED"
    echo "0 1" >"$results/build-fuzz"
  fi
  # Every overlay document stays well-formed KML.
  fuzz_stage fuzz zge_kml_fuzz corpus
  # Random export sequences through the core with injected failures.
  fuzz_stage fuzz-exports zge_export_fuzz corpus-exports -max_len=512
  # The watch thread against panels coming and going, under ThreadSanitizer.
  echo "=== tsan"
  if build_tree tsan; then
    tools/run-ctest.sh tsan --test-dir build/tsan --output-on-failure --timeout 120
  else
    echo "=== build tsan FAILED"
    echo "0 1" >"$results/tsan"
  fi
else
  echo "=== fuzz and tsan: not run, clang++ is not installed"
fi
for preset in win32 win64; do
  if [[ ! -f $results/build-$preset ]]; then
    if tools/check-exports.sh "build/$preset/src/dll/ZelkanGE.dll"; then
      echo "1 0" >"$results/exports-$preset"
    else
      echo "0 1" >"$results/exports-$preset"
    fi
    tools/system-tests.sh "$preset" || true
  fi
done
# The SDK archive, unpacked and used as a host developer would.
if [[ ! -f $results/build-win32 && ! -f $results/build-win64 ]]; then
  tests/sdk/run.sh || true
fi

passed=0
failed=0
echo "=== results"
for file in "$results"/*; do
  [[ $file == *.log ]] && continue
  read -r p f note reason <"$file"
  if [[ ${note:-} == skipped ]]; then
    printf '  %-16s NOT RUN (%s)\n' "$(basename "$file")" \
      "${reason:-no 32-bit Windows programs on this machine}"
    continue
  fi
  if [[ ${note:-} == disabled ]]; then
    printf '  %-16s %3d passed, %3d failed, %s disabled: NOT RUN (listed in its log)\n' \
      "$(basename "$file")" "$p" "$f" "$reason"
  else
    printf '  %-16s %3d passed, %3d failed\n' "$(basename "$file")" "$p" "$f"
  fi
  passed=$((passed + p))
  failed=$((failed + f))
done
echo "$passed passed, $failed failed"
((failed == 0))
