#!/usr/bin/env python3
"""Prints, per workload, the document's time against its baselines.

Reads the JSON that zge_kml_bench writes with --benchmark_out; with
repetitions, the medians.
"""
import json
import sys


def main(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    times = {}
    counters = {}
    order = []
    for run in runs:
        # With repetitions, the median of each benchmark stands for it.
        if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
            continue
        workload, method = run.get("run_name", run["name"]).split("/", 1)
        if workload not in times:
            order.append(workload)
        times.setdefault(workload, {})[method] = run["cpu_time"]
        counters.setdefault(workload, {})[method] = run
    print()
    print(f"{'workload':<12} {'bytes':>10} {'allocs':>6} {'vs LowerBound':>13} "
          f"{'vs LowerBoundNew':>16} {'vs Snprintf':>11} {'vs Ostream':>10}")
    for workload in order:
        t = times[workload]
        doc = counters[workload]["Document"]
        print(f"{workload:<12} {int(doc['bytes']):>10} {doc['allocs']:>6.2f} "
              f"{t['Document'] / t['LowerBound']:>13.2f} "
              f"{t['Document'] / t['LowerBoundNew']:>16.2f} "
              f"{t['Document'] / t['Snprintf']:>11.2f} {t['Document'] / t['Ostream']:>10.2f}")
    print("\nRatios are the document's time over the baseline's (below 1: the document is faster).")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "build/bench/kml_bench.json")
