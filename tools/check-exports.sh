#!/usr/bin/env bash
# Checks the export table of a built ZelkanGE.dll: the 29 functions by their
# plain names with ordinals 1 to 29 in the order hosts expect, and no
# decorated (Name@N) name. The 32-bit DLL is checked here even where no
# 32-bit program can run.
#   check-exports.sh path/to/ZelkanGE.dll
set -euo pipefail
dll=$1
readonly expected=(
  LoadGE SetOnLoadedGE SetShutDownGE CloseGE OnMouseWheelM OnMouseWheelW SynchronizeView
  LoadWaypoint LoadLiveGPS HideWaypoint LoadRoute LoadTrackLeg FeatureCount FeatureList
  SaveFeature SaveFeaturesKML LoadKMLData OpenKMLFile OpenFeaturesKML CameraPoint ViewBox
  GEPanelXYtoLatLon CanvasGE GetImageGE SaveImageGE HideAllLoadedKML ShowAllLoadedKML
  SetFeatureVisibility SetRotation
)

# "name ordinal" per export; objdump numbers the table from 0.
exports=$(x86_64-w64-mingw32-objdump -p "$dll" |
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -nE 's/^[[:space:]]*\[ *([0-9]+)\] ([^ ]+)$/\2 \1/p' |
  awk '{ print $1, $2 + 1 }')

failures=0
for index in "${!expected[@]}"; do
  name=${expected[$index]}
  want=$((index + 1))
  got=$(awk -v n="$name" '$1 == n { print $2 }' <<<"$exports")
  if [[ $got != "$want" ]]; then
    echo "exports: $name has ordinal '${got:-missing}', expected $want" >&2
    failures=$((failures + 1))
  fi
done
# Later additions keep the ordinals they were given.
for pair in "ZgeVersion 120"; do
  read -r name want <<<"$pair"
  got=$(awk -v n="$name" '$1 == n { print $2 }' <<<"$exports")
  if [[ $got != "$want" ]]; then
    echo "exports: $name has ordinal '${got:-missing}', expected $want" >&2
    failures=$((failures + 1))
  fi
done
if grep -q '@' <<<"$exports"; then
  echo "exports: decorated names: $(grep '@' <<<"$exports" | tr '\n' ' ')" >&2
  failures=$((failures + 1))
fi
count=$(wc -l <<<"$exports")
if ((failures > 0)); then
  echo "exports: $dll: $failures problems" >&2
  exit 1
fi
echo "exports: $dll: $count plain names, the 29 functions at ordinals 1-29"
