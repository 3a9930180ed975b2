#!/usr/bin/env bash
# Runs ctest for one suite and records "passed failed" in
# build/results/<suite>, for the summary of tools/test-all.sh.
set -uo pipefail
suite=$1
shift
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
results=$root/build/results
mkdir -p "$results"
log=$results/$suite.log

echo "=== $suite: ctest $*"
ctest "$@" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}

summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
if [[ -z $summary ]]; then
  # No tests found, or ctest itself failed: the suite did not run.
  echo "0 1" >"$results/$suite"
  echo "=== $suite: did not run (ctest exit $status)"
  exit 1
fi
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
failed=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
# Disabled tests are not counted by ctest: they are kept apart, as not run.
disabled=$(grep -c '(Disabled)$' "$log" || true)
if ((disabled > 0)); then
  echo "$((total - failed)) $failed disabled $disabled" >"$results/$suite"
else
  echo "$((total - failed)) $failed" >"$results/$suite"
fi
exit "$status"
