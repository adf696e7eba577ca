#!/usr/bin/env python3
"""Runs the benchmarks of both engines in one process on the same inputs and
prints, for every operation and level, the fast engine's time, the
reference engine's time and their ratio; then the path queries' median and
worst times and the scaling of path queries over threads.

    bench/compare.py [BENCH_BINARY] [--filter REGEX] [--json FILE]

BENCH_BINARY defaults to build/bench/bench_levels. BSP_MAPS_DIR names the
folder of grid maps (default ../shared/maps beside the project).
"""
import argparse
import json
import os
import subprocess
import sys
from collections import defaultdict


def run(binary, regex, out_file):
    command = [binary, "--benchmark_format=console", "--benchmark_out_format=json",
               "--benchmark_out=" + out_file]
    if regex:
        command.append("--benchmark_filter=" + regex)
    subprocess.run(command, check=True, stdout=sys.stderr)
    with open(out_file) as f:
        return json.load(f)["benchmarks"]


def milliseconds(b):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    return b["real_time"] * scale


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("binary", nargs="?", default=os.path.join(here, "..", "build", "bench", "bench_levels"))
    parser.add_argument("--filter", default="", help="only benchmarks matching this regular expression")
    parser.add_argument("--json", default="bench_results.json", help="where to keep the raw results")
    args = parser.parse_args()

    results = run(args.binary, args.filter, args.json)
    times = defaultdict(dict)      # (operation, level) -> engine -> ms
    paths = defaultdict(dict)      # level -> engine -> (median, worst)
    threads = defaultdict(dict)    # level -> threads -> queries per second
    order = []
    for b in results:
        parts = b["run_name"].split("/")
        operation, level, engine = parts[0], parts[1], parts[2]
        if operation == "threads_path":
            threads[level][b["threads"]] = b["items_per_second"]
            continue
        if (operation, level) not in times:
            order.append((operation, level))
        times[(operation, level)][engine] = milliseconds(b)
        if operation == "path":
            paths[level][engine] = (b["median_ms"], b["worst_ms"])

    print("%-10s %-28s %14s %14s %10s" % ("operation", "level", "fast ms", "reference ms", "ratio"))
    for operation, level in order:
        t = times[(operation, level)]
        fast, reference = t.get("fast"), t.get("reference")
        ratio = "%.1f" % (reference / fast) if fast and reference else "-"
        print("%-10s %-28s %14s %14s %10s" % (operation, level,
                                              "%.4f" % fast if fast else "-",
                                              "%.4f" % reference if reference else "-", ratio))
    print()
    print("path queries, 1,000 random reachable pairs per level (ms per query)")
    print("%-28s %12s %12s %14s %14s" % ("level", "fast median", "fast worst", "ref. median", "ref. worst"))
    for level, engines in paths.items():
        fast = engines.get("fast", ("-", "-"))
        reference = engines.get("reference", ("-", "-"))
        fmt = lambda v: "%.4f" % v if isinstance(v, float) else v
        print("%-28s %12s %12s %14s %14s" % (level, fmt(fast[0]), fmt(fast[1]), fmt(reference[0]), fmt(reference[1])))
    if threads:
        print()
        print("path queries from several threads on one world (fast engine, queries per second)")
        for level, by_count in threads.items():
            one, two = by_count.get(1), by_count.get(2)
            scaling = "%.2f" % (two / one) if one and two else "-"
            print("%-28s 1 thread %10.0f   2 threads %10.0f   scaling %s" % (level, one or 0, two or 0, scaling))


if __name__ == "__main__":
    main()
