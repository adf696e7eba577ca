#!/usr/bin/env python3
"""Runs the benchmarks of both engines in one process on the same inputs and
prints, for every operation and level, the fast engine's time, the
reference engine's time and their ratio; then the path queries' median and
worst times and the scaling of path queries over threads.

Then the shortest routes for a square agent (Find_Shortest_Path, half-sizes
0 and 4): per grid map and half-size, the query's median and 95th percentile
on 1,000 pairs of open cell centres, its median time against Find_Path's and
the grid A*'s on the same pairs, its route length against theirs (median of
the per-query ratios), and the build of the half-size's structures against
the world's build (squares + portals + waypoints, fast engine), each target
marked PASS or FAIL:

    median <= Find_Path median;  p95 <= 20 ms (512x512 maps only);
    median < grid A* median;     half-size build <= world build.

The same figures follow for the other levels (against the path benchmark's
Find_Path), with the baselines on the grid maps.

Then the route queries of crowds and storms (bench_routes.cpp) on
random512-10-0 and maze512-1-0, half-sizes 0 and 4, targets marked:

    a route field's build and 1,000 answers <= 30 single queries (of the
    mean time, over 4 goals); an answer <= 1/10 of a single query's median;
    the field's bytes <= the half-size's route structures; a partial route
    <= 2x the failing query on the same pair (median and totals); a batch on
    2 threads >= 1.8x the queries per second on 1. Only these, with:

    bench/compare.py build/bench/bench_levels --filter '(crowd|partial|batch|nearest_goal|standing)/'

    bench/compare.py [BENCH_BINARY] [--filter REGEX] [--json FILE]

BENCH_BINARY defaults to build/bench/bench_levels. BSP_MAPS_DIR names the
folder of grid maps (default the repository's maps/). --filter is
handed to the binary as --benchmark_filter; to run only what the shortest
routes' table needs on two maps:

    bench/compare.py build/bench/bench_levels --filter \
        '(shortest_path|agent_build|path_cells|grid_astar|squares|portals|waypoints)/(den012d|maze512-1-0)/(h[04]|fast|grid)(/|$)'
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


# The benchmarks of doors that open and close.
DOOR_OPERATIONS = {"door_world_build", "door_change", "door_path", "door_route"}

# The benchmarks of the route queries of crowds and storms (bench_routes.cpp).
ROUTE_QUERY_OPERATIONS = {"crowd", "partial", "batch", "nearest_goal", "standing"}

# The benchmarks of the shortest routes and of their baselines.
ROUTE_OPERATIONS = {"shortest_path", "agent_build", "path_cells", "grid_astar"}
HALF_SIZES = (0, 4)
P95_LIMIT_MS = 20.0


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
    routes = defaultdict(dict)     # (operation, level) -> half-size or engine -> the benchmark's record
    paths = defaultdict(dict)      # level -> engine -> (median, worst)
    threads = defaultdict(dict)    # level -> threads -> queries per second
    doors = {}                     # (operation, level, state) -> the benchmark's record
    route_queries = {}             # (operation, level, half-size or threads) -> the benchmark's record
    order = []
    for b in results:
        parts = b["run_name"].split("/")
        operation, level, engine = parts[0], parts[1], parts[2]
        if b.get("error_occurred"):
            continue
        if operation in ROUTE_OPERATIONS:
            routes[(operation, level)][engine] = b
            continue
        if operation in DOOR_OPERATIONS:
            doors[(operation, level, engine)] = b
            continue
        if operation in ROUTE_QUERY_OPERATIONS:
            route_queries[(operation, level, engine)] = b
            continue
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
    if routes:
        print_routes(routes, times, paths)
    if doors:
        print_doors(doors)
    if route_queries:
        print_route_queries(route_queries)


def ratio(a, b):
    return a / b if a is not None and b else None


def fmt(value, digits=3):
    return "-" if value is None else "%.*f" % (digits, value)


def verdict(ok):
    return "-" if ok is None else ("PASS" if ok else "FAIL")


def world_build(times, level):
    """The fast engine's build of the level: its three steps, or None."""
    steps = [times.get((step, level), {}).get("fast") for step in ("squares", "portals", "waypoints")]
    return sum(steps) if all(s is not None for s in steps) else None


def print_routes(routes, times, paths):
    levels = []
    for operation, level in routes:
        if level not in levels:
            levels.append(level)
    # A grid map's benchmarks carry its size.
    grid_maps = [level for level in levels
                 if any("map_width" in b for (operation, name), by_key in routes.items() if name == level
                        for b in by_key.values())]
    others = [level for level in levels if level not in grid_maps]

    def get(operation, level, key):
        return routes.get((operation, level), {}).get(key)

    def counter(b, name):
        return b.get(name) if b is not None else None

    fails = 0
    if grid_maps:
        print()
        print("shortest routes (Find_Shortest_Path) on the grid maps, 1,000 random pairs of open cell centres")
        print("(t = median query time, a query's time being its least over three passes, for every method alike;")
        print(" len = median of the per-query route length ratios; FP = Find_Path on the same pairs, grid = grid A*;")
        print(" build = Prepare_Agent(h) / the world's build)")
        header = ("%-16s %2s %10s %10s %8s %8s %8s %8s %8s   %-8s %-9s %-8s %-8s"
                  % ("map", "h", "median ms", "p95 ms", "t/FP", "t/grid", "len/FP", "len/grid", "build",
                     "t<=FP", "p95<=20ms", "t<grid", "build<=world"))
        print(header)
        for level in grid_maps:
            cells = get("path_cells", level, "fast")
            grid = get("grid_astar", level, "grid")
            build = world_build(times, level)
            for h in HALF_SIZES:
                b = get("shortest_path", level, "h%d" % h)
                agent = get("agent_build", level, "h%d" % h)
                median, p95 = counter(b, "median_ms"), counter(b, "p95_ms")
                fp_median, grid_median = counter(cells, "median_ms"), counter(grid, "median_ms")
                agent_ms = milliseconds(agent) if agent is not None else None
                large = b is not None and b.get("map_width", 0) >= 512 and b.get("map_height", 0) >= 512
                checks = [
                    None if median is None or fp_median is None else median <= fp_median,
                    None if p95 is None or not large else p95 <= P95_LIMIT_MS,
                    None if median is None or grid_median is None else median < grid_median,
                    None if agent_ms is None or build is None else agent_ms <= build,
                ]
                fails += sum(1 for c in checks if c is False)
                print("%-16s %2d %10s %10s %8s %8s %8s %8s %8s   %-8s %-9s %-8s %-8s"
                      % (level, h, fmt(median, 4), fmt(p95, 4), fmt(ratio(median, fp_median)),
                         fmt(ratio(median, grid_median)), fmt(counter(b, "len_vs_path_median")),
                         fmt(counter(b, "len_vs_grid_median")), fmt(ratio(agent_ms, build)),
                         *[verdict(c) for c in checks]))
        print()
        print("baselines on the same cell pairs (ms per query; lengths in level units, median over found routes)")
        print("%-16s %12s %10s %12s %10s %12s %12s %10s %10s %8s"
              % ("map", "FP median", "FP p95", "grid median", "grid p95", "FP length", "grid length",
                 "world ms", "h0 build", "h4 build"))
        for level in grid_maps:
            cells = get("path_cells", level, "fast")
            grid = get("grid_astar", level, "grid")
            agents = [get("agent_build", level, "h%d" % h) for h in HALF_SIZES]
            print("%-16s %12s %10s %12s %10s %12s %12s %10s %10s %8s"
                  % (level, fmt(counter(cells, "median_ms"), 4), fmt(counter(cells, "p95_ms"), 4),
                     fmt(counter(grid, "median_ms"), 4), fmt(counter(grid, "p95_ms"), 4),
                     fmt(counter(cells, "length_median"), 1), fmt(counter(grid, "length_median"), 1),
                     fmt(world_build(times, level), 2),
                     *[fmt(milliseconds(a), 2) if a is not None else "-" for a in agents]))
            for b in (cells, grid):
                if b is not None and b.get("found") != b.get("queries"):
                    print("  %s: %d of %d pairs without a route" % (b["run_name"], b["queries"] - b["found"],
                                                                    b["queries"]))
        print("grid-map targets failed: %d" % fails)
    if others:
        print()
        print("shortest routes on the other levels, the path benchmark's pairs (random reachable points;")
        print("with h = 4 a point whose square meets a wall has no route; len/FP over the routes found)")
        print("%-28s %2s %10s %10s %10s %10s %8s %10s %10s %10s %8s"
              % ("level", "h", "found", "median ms", "p95 ms", "worst ms", "t/FP", "len/FP", "len/FP max",
                 "build ms", "build"))
        for level in others:
            path_median = paths.get(level, {}).get("fast", (None,))[0]
            build = world_build(times, level)
            for h in HALF_SIZES:
                b = get("shortest_path", level, "h%d" % h)
                agent = get("agent_build", level, "h%d" % h)
                agent_ms = milliseconds(agent) if agent is not None else None
                found = "%d/%d" % (b["found"], b["queries"]) if b is not None else "-"
                print("%-28s %2d %10s %10s %10s %10s %8s %10s %10s %10s %8s"
                      % (level, h, found, fmt(counter(b, "median_ms"), 4), fmt(counter(b, "p95_ms"), 4),
                         fmt(counter(b, "worst_ms"), 4), fmt(ratio(counter(b, "median_ms"), path_median)),
                         fmt(counter(b, "len_vs_path_median")), fmt(counter(b, "len_vs_path_worst")),
                         fmt(agent_ms, 3), fmt(ratio(agent_ms, build))))



def print_doors(doors):
    """A door change against a rebuild of the world, and queries with doors."""
    print()
    print("doors: 1,000 doors across the corridors of the map, the fast engine")
    levels = sorted({level for (_, level, _) in doors})
    for level in levels:
        build = doors.get(("door_world_build", level, "fast"))
        change = doors.get(("door_change", level, "fast"))
        build_ms = milliseconds(build) if build else None
        if change:
            median_ms, worst_ms = change["median_us"] / 1000, change["worst_us"] / 1000
            print("%-16s change median %s us, worst %s us over %d changes; rebuild %s ms" %
                  (level, fmt(change["median_us"], 3), fmt(change["worst_us"], 3), change["changes"],
                   fmt(build_ms, 4)))
            print("%-16s change / rebuild: median %s, worst %s   worst <= 1 ms: %s" %
                  (level, "%.2g" % ratio(median_ms, build_ms) if build_ms else "-",
                   "%.2g" % ratio(worst_ms, build_ms) if build_ms else "-", verdict(worst_ms <= 1.0)))
        print("%-16s %-12s %8s %10s %10s %10s" % ("", "query", "found", "median ms", "p95 ms", "worst ms"))
        for state in ("closed", "half_open"):
            for name, key in (("Find_Path", ("door_path", level, state)),
                              ("route h=0", ("door_route", level, state + "_h0")),
                              ("route h=4", ("door_route", level, state + "_h4"))):
                b = doors.get(key)
                if b is None:
                    continue
                print("%-16s %-12s %8s %10s %10s %10s" % (state, name, "%d" % b["found"], fmt(b["median_ms"], 4),
                                                          fmt(b["p95_ms"], 4), fmt(b["worst_ms"], 4)))


def print_route_queries(records):
    """Route fields for crowds, partial routes, batches on threads, the nearest
    of several goals and the nearest place to stand, with their targets."""
    levels = sorted({level for (_, level, _) in records})
    fails = 0

    def get(operation, level, key):
        return records.get((operation, level, key))

    print()
    print("route fields: for 4 random goals, a field built, then 1,000 answers from random open cell centres,")
    print("against the 1,000 single route queries to the goal (each query's least time over three passes)")
    print("(crowd = the field's build and its 1,000 answers, against 30 single queries of their mean time,")
    print(" over the 4 goals and for the worst goal; answer = median answer / median single query;")
    print(" memory = the field's bytes / the half-size's route structures')")
    print("%-16s %2s %10s %10s %10s %9s %9s %8s %9s %10s %10s   %-9s %-9s %-9s"
          % ("map", "h", "build ms", "answer us", "single ms", "crowd", "worst", "answer", "memory", "field MB",
             "peak RSS MB", "crowd<=1", "ans<=0.1", "mem<=1"))
    for level in levels:
        for h in (0, 4):
            b = get("crowd", level, "h%d" % h)
            if b is None:
                continue
            checks = [b["crowd_vs_30_total"] <= 1.0, b["answer_vs_single"] <= 0.1, b["field_vs_mesh"] <= 1.0]
            fails += sum(1 for c in checks if not c)
            print("%-16s %2d %10s %10s %10s %9s %9s %8s %9s %10s %10s   %-9s %-9s %-9s"
                  % (level, h, fmt(b["field_build_ms"], 2), fmt(b["answer_median_ms"] * 1000, 2),
                     fmt(b["single_median_ms"], 3), fmt(b["crowd_vs_30_total"], 2), fmt(b["crowd_vs_30_worst"], 2),
                     fmt(b["answer_vs_single"], 4), fmt(b["field_vs_mesh"], 2), fmt(b["field_bytes"] / 1e6, 1),
                     fmt(b["peak_rss_mb"], 0), *[verdict(c) for c in checks]))
            if b.get("wrong"):
                print("  %s: %d answers differ from the single queries" % (b["run_name"], b["wrong"]))
                fails += 1
    print()
    print("partial routes: pairs of open cell centres without a route (closed doors), each query's least time;")
    print("the ratio is the partial query's time over the failing query's on the same pair")
    print("%-16s %2s %6s %10s %12s %9s %9s %9s %9s   %-12s"
          % ("map", "h", "pairs", "fail ms", "partial ms", "median", "p95", "worst", "total", "median/total<=2"))
    for level in levels:
        for h in (0, 4):
            b = get("partial", level, "h%d" % h)
            if b is None:
                continue
            ok = b["ratio_median"] <= 2.0 and b["ratio_total"] <= 2.0 and not b.get("not_partial")
            fails += 0 if ok else 1
            print("%-16s %2d %6d %10s %12s %9s %9s %9s %9s   %-12s"
                  % (level, h, b["pairs"], fmt(b["fail_median_ms"], 3), fmt(b["partial_median_ms"], 3),
                     fmt(b["ratio_median"], 2), fmt(b["ratio_p95"], 2), fmt(b["ratio_worst"], 2),
                     fmt(b["ratio_total"], 2), verdict(ok)))
    print()
    print("batches: 1,000 route queries (h = 0) through Find_Shortest_Paths, queries per second")
    for level in levels:
        one, two = get("batch", level, "t1"), get("batch", level, "t2")
        if one is None or two is None:
            continue
        scaling = two["items_per_second"] / one["items_per_second"]
        fails += 0 if scaling >= 1.8 else 1
        print("%-16s 1 thread %9.0f   2 threads %9.0f   scaling %5.2f   >=1.8: %s   (cores had: %s and %s)"
              % (level, one["items_per_second"], two["items_per_second"], scaling, verdict(scaling >= 1.8),
                 fmt(one.get("cores_used"), 2), fmt(two.get("cores_used"), 2)))
    print()
    print("the nearest of 8 goals (one search) against the 8 single queries; the nearest place to stand for")
    print("1,000 random points (ms per query)")
    for level in levels:
        for h in (0, 4):
            n, s = get("nearest_goal", level, "h%d" % h), get("standing", level, "h%d" % h)
            if n is not None:
                print("%-16s %2d nearest goal median %8s   8 singles median %8s   total ratio %6s"
                      % (level, h, fmt(n["nearest_median_ms"], 3), fmt(n["eight_singles_median_ms"], 3),
                         fmt(n["ratio_total"], 3)))
            if s is not None:
                print("%-16s %2d standing point median %8s   p95 %8s   moved %d of 1,000"
                      % (level, h, fmt(s["median_ms"], 4), fmt(s["p95_ms"], 4), s["moved"]))
    print("route query targets failed: %d" % fails)


if __name__ == "__main__":
    main()
