#!/usr/bin/env bash
# Checks the export table of a built ZelkanGE.dll against the list the build
# made from src/dll/exports.table (ZelkanGE.exports beside the DLL): every
# function by its plain name at its ordinal, nothing else, and no decorated
# (Name@N) name. The 32-bit DLL is checked here even where no 32-bit
# program can run.
#   check-exports.sh path/to/ZelkanGE.dll [path/to/ZelkanGE.exports]
set -euo pipefail
dll=$1
expected=${2:-$(dirname "$dll")/ZelkanGE.exports}

# "name ordinal" per export; objdump numbers the table from 0.
exports=$(x86_64-w64-mingw32-objdump -p "$dll" |
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -nE 's/^[[:space:]]*\[ *([0-9]+)\] ([^ ]+)$/\2 \1/p' |
  awk '{ print $1, $2 + 1 }')

failures=0
while read -r name want; do
  got=$(awk -v n="$name" '$1 == n { print $2 }' <<<"$exports")
  if [[ $got != "$want" ]]; then
    echo "exports: $name has ordinal '${got:-missing}', expected $want" >&2
    failures=$((failures + 1))
  fi
done <"$expected"
while read -r name _; do
  if ! awk -v n="$name" '$1 == n { found = 1 } END { exit !found }' "$expected"; then
    echo "exports: $name is exported but not in the export table" >&2
    failures=$((failures + 1))
  fi
done <<<"$exports"
if grep -q '@' <<<"$exports"; then
  echo "exports: decorated names: $(grep '@' <<<"$exports" | tr '\n' ' ')" >&2
  failures=$((failures + 1))
fi
if ((failures > 0)); then
  echo "exports: $dll: $failures problems" >&2
  exit 1
fi
echo "exports: $dll: $(wc -l <"$expected") plain names at the export table's ordinals"
