#!/usr/bin/python3
"""Plots a long voyage's report (zge_soak voyage, tools/soak.sh <tree> voyage).

    tools/plot-voyage.py build/results/soak-win64-voyage.txt docs/voyage.png

One point per 1,000-call window: the memory of both processes (the host's
private bytes, the stand-in's private bytes) and the LoadLiveGPS call time
(p50 and p99), with the stand-in's frame time when its statistics are in
the report. Reads the report's own lines; matplotlib from Debian
(python3-matplotlib, hence
Debian's own /usr/bin/python3).
"""
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

COLUMNS = ("window calls host_private_kb gps_p50_ms gps_p99_ms gps_max_ms leg_p50_ms "
           "standin_private_kb errors").split()


def read_windows(path):
    """The report's window lines as dicts, the stand-in's statistics merged in."""
    windows = []
    with open(path, encoding="utf-8", errors="replace") as report:
        for line in report:
            fields, _, stats = line.strip().partition(" | ")
            values = fields.split()
            if len(values) != len(COLUMNS) or not values[0].isdigit():
                continue
            row = {}
            for name, text in zip(COLUMNS, values):
                row[name] = None if text == "-" else float(text)
            words = stats.split()
            for name, text in zip(words[::2], words[1::2]):
                try:
                    row["standin_" + name] = float(text)
                except ValueError:
                    pass
            windows.append(row)
    return windows


def series(windows, name, scale=1.0):
    points = [(w["window"], w[name] * scale) for w in windows if w.get(name) is not None]
    return [p[0] for p in points], [p[1] for p in points]


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    windows = read_windows(sys.argv[1])
    if not windows:
        sys.exit(f"{sys.argv[1]}: no window lines of a voyage report")
    calls = int(windows[-1]["calls"])
    figure, (memory, times) = plt.subplots(2, 1, figsize=(9, 7), sharex=True)
    figure.suptitle(f"Long voyage: {calls:,} LoadLiveGPS calls, one point per 1,000 calls")

    memory.plot(*series(windows, "host_private_kb", 1 / 1024), label="host (ZelkanGE.dll)")
    memory.plot(*series(windows, "standin_private_kb", 1 / 1024), label="stand-in Earth server")
    memory.set_ylabel("private memory (MB)")
    memory.set_ylim(bottom=0)
    memory.grid(alpha=0.3)
    memory.legend(loc="lower right")

    times.plot(*series(windows, "gps_p50_ms"), label="LoadLiveGPS p50")
    times.plot(*series(windows, "gps_p99_ms"), label="LoadLiveGPS p99")
    if any("standin_frame_ms_p50" in w for w in windows):
        times.plot(*series(windows, "standin_frame_ms_p50"), label="stand-in frame p50", ls="--")
    times.set_ylabel("time (ms)")
    times.set_xlabel("1,000-call window")
    times.set_ylim(bottom=0)
    times.grid(alpha=0.3)
    times.legend(loc="upper right")

    figure.tight_layout()
    figure.savefig(sys.argv[2], dpi=100)
    print(f"{sys.argv[2]}: {len(windows)} windows")


if __name__ == "__main__":
    main()
