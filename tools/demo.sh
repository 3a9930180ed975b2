#!/usr/bin/env bash
# make demo: the demo host replays the sample voyage under Wine with the
# stand-in Earth server and leaves its pictures, files and summary in out/.
#   tools/demo.sh [preset [host arguments...]]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-lib.sh"

# The 32-bit build is what hosts load most; fall back to the 64-bit one
# where this machine cannot start 32-bit programs.
preset=${1:-}
if [[ -z $preset ]]; then
  if zge_can_run_32bit; then preset=win32; else preset=win64; fi
fi
build=$ZGE_ROOT/build/$preset
# Written by the build (file(GENERATE)): not there to follow before it.
# shellcheck source=/dev/null
source "$build/demo/zge-paths.env"
loader=$(zge_loader_for "$preset")
out=$ZGE_ROOT/out
png=$out/zelkange-view.png
mkdir -p "$out"
rm -rf "$png" "${png%.png}-bitmap.png" "${png%.png}.kml" "$out"/view-[12].png "$out/host-window.png" \
  "$out/summary.txt" "$out/features" "$out/standin-journal.txt" "$out/standin-stats.txt"

zge_ensure_template
WINEPREFIX=$(zge_fresh_prefix "demo-$preset")
export WINEPREFIX
trap zge_stop_server EXIT
zge_start_server
zge_register_standin "$loader" "$ZGE_STANDIN_EXE"

# The sample voyage (samples/, beside the program) replayed headless; more
# arguments go to the host (--speed, --from, --to, --heading-up ...).
windows_out=$("$WINE64_LOADER" winepath -w "$out")
# The stand-in journals every call it answers: its count of round trips.
"$loader" reg add 'HKCU\Software\ZelkanGE\EarthStandIn' /v JournalPath \
  /d "$windows_out\standin-journal.txt" /f >/dev/null
# Its frames: how many it painted and how long they took.
"$loader" reg add 'HKCU\Software\ZelkanGE\EarthStandIn' /v StatsPath \
  /d "$windows_out\standin-stats.txt" /f >/dev/null
echo "[demo] $preset build: $ZGE_DEMO_EXE"
"$loader" "$ZGE_DEMO_EXE" --headless --out "$windows_out" "${@:2}"
for file in "$png" "${png%.png}-bitmap.png" "${png%.png}.kml" "$out/view-1.png" \
  "$out/view-2.png" "$out/host-window.png" "$out/summary.txt"; do
  if [[ ! -s $file ]]; then
    echo "[demo] nothing at $file" >&2
    exit 1
  fi
done
if [[ -s $out/standin-stats.txt ]]; then
  echo "Stand-in frames: $(tr '\n' ' ' <"$out/standin-stats.txt")" | tee -a "$out/summary.txt"
fi
round_trips=$(wc -l <"$out/standin-journal.txt" 2>/dev/null || echo 0)
echo "Round trips counted by the stand-in: $round_trips" | tee -a "$out/summary.txt"
# Every feature the host loaded (the harbours and the route) saved as KML.
features=$(find "$out/features" -name '*.kml' -size +0 2>/dev/null | wc -l)
if ((features < 2)); then
  echo "[demo] only $features saved features in $out/features" >&2
  exit 1
fi
echo "[demo] in $out: the view at three moments (view-1.png, view-2.png, zelkange-view.png)," \
  "as the host's bitmap (zelkange-view-bitmap.png), the host's window (host-window.png)," \
  "its placemark (zelkange-view.kml), $features saved features, summary.txt," \
  "the stand-in's journal (standin-journal.txt)"
