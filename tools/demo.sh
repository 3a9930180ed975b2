#!/usr/bin/env bash
# make demo: runs the demo host under Wine with the stand-in Earth server and
# leaves a picture of the embedded view at out/zelkange-view.png.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-lib.sh"

# The 32-bit build is what hosts load most; fall back to the 64-bit one
# where this machine cannot start 32-bit programs.
preset=${1:-}
if [[ -z $preset ]]; then
  if zge_can_run_32bit; then preset=win32; else preset=win64; fi
fi
build=$ZGE_ROOT/build/$preset
source "$build/demo/zge-paths.env"
loader=$(zge_loader_for "$preset")
png=$ZGE_ROOT/out/zelkange-view.png
mkdir -p "$ZGE_ROOT/out"
rm -f "$png" "${png%.png}-bitmap.png" "${png%.png}.kml"

zge_ensure_template
WINEPREFIX=$(zge_fresh_prefix "demo-$preset")
export WINEPREFIX
trap zge_stop_server EXIT
zge_start_server
zge_register_standin "$loader" "$ZGE_STANDIN_EXE"

windows_png=$("$WINE64_LOADER" winepath -w "$png")
echo "[demo] $preset build: $ZGE_DEMO_EXE"
"$loader" "$ZGE_DEMO_EXE" "$windows_png"
for file in "$png" "${png%.png}-bitmap.png" "${png%.png}.kml"; do
  if [[ ! -s $file ]]; then
    echo "[demo] nothing at $file" >&2
    exit 1
  fi
done
echo "[demo] the view is at $png, as the host's bitmap at ${png%.png}-bitmap.png," \
  "its placemark at ${png%.png}.kml"
