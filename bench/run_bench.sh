#!/usr/bin/env bash
# Runs the benchmarks (the reference, a literal run of the algorithm, and the fast paths side by
# side, in one run) and prints tables of the figures, the ratios, how the draft searches judged
# their trials, and the reading rates of SET and mesh files (MB/s). Extra arguments go to the
# benchmark, e.g.
#   bench/run_bench.sh --benchmark_filter='barge_100000'
# Builds the release preset first when needed.
set -euo pipefail
cd "$(dirname "$0")/.."
bench=build/release/bench/floatstate_bench
if [ ! -x "$bench" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target floatstate_bench
fi
json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$bench" --benchmark_format=json --benchmark_out="$json" --benchmark_out_format=json "$@" >/dev/null
echo "Machine: $(nproc) hardware threads, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
python3 - "$json" <<'PY'
import json, sys
runs = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    # A repeated benchmark (the fast solves) reports its best run as the aggregate "min".
    if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "min":
        continue
    kind, body, path = b["run_name"].split("/")[:3]
    runs[(kind, body, path)] = b
# In the order the bodies are measured, the reading of some of them (registered first) aside.
bodies = []
for kind, body, _ in sorted(runs, key=lambda run: run[0] == "reading"):
    if body not in bodies:
        bodies.append(body)
def ms(b):
    return b["real_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
print("| body | water tets | measure | reference | fast, 1 thread | fast, 2 threads | 1 thread vs reference | 2 threads vs reference |")
print("|---|---:|---|---:|---:|---:|---:|---:|")
for body in bodies:
    for kind in ("evaluation", "draft_search", "solve", "newton"):
        r, f1, f2 = (runs.get((kind, body, p)) for p in ("reference", "fast1", "fast2"))
        if not (r and f1 and f2):
            continue
        if kind == "evaluation":
            cells = ["%.1f ns/tet" % b["ns_per_tet"] for b in (r, f1, f2)]
        else:
            cells = ["%.1f ms" % ms(b) for b in (r, f1, f2)]
        print("| %s | %d | %s | %s | %s | %s | %.1fx | %.1fx |" % (
            body, r["water_tets"], kind.replace("_", " "), *cells, ms(r) / ms(f1), ms(r) / ms(f2)))
print()
print("| body | solve: draft searches' trials | decided by the bounds | of them by a window | exact evaluations per search | output as the reference |")
print("|---|---:|---:|---:|---:|---|")
for body in bodies:
    f = runs.get(("solve", body, "fast1"))
    if f and "trials_per_search" in f:
        print("| %s | %.1f per search | %.2f %% | %.2f %% | %.2f | %s |" % (
            body, f["trials_per_search"], 100 * f["filter_hit_rate"], 100 * f["window_rate"],
            f["exact_per_search"], "identical" if f.get("same_output") == 1 else "DIFFERENT"))
print()
print("Whole solves: the tilt iteration run literally (the reference evaluation) against the Newton")
print("solver on the fast evaluation, elapsed time and CPU time of all threads:")
print()
print("| body | tilt iteration, reference: draft searches, ms | newton, fast 2 threads: draft searches, ms | elapsed ratio | CPU ratio |")
print("|---|---:|---:|---:|---:|")
def cpu_ms(b):
    return b["cpu_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
for body in bodies:
    g, n = runs.get(("solve", body, "reference")), runs.get(("newton", body, "fast2"))
    if g and n:
        print("| %s | %d, %.1f | %d, %.1f | %.0fx | %.0fx |" % (
            body, g["draft_searches"], ms(g), n["draft_searches"], ms(n), ms(g) / ms(n),
            cpu_ms(g) / cpu_ms(n)))
print()
print("| body | bytes per water tetrahedron: reference body | with the fast evaluation |")
print("|---|---:|---:|")
for body in bodies:
    r, f = runs.get(("evaluation", body, "reference")), runs.get(("evaluation", body, "fast1"))
    if r and f:
        print("| %s | %.0f | %.0f |" % (body, r["bytes_per_tet"], f["bytes_per_tet"]))
def pair_table(kind, first, second, header, align, row):
    """A table of the bodies measured both ways, if any: header and alignment, then a row each."""
    found = [b for b in bodies if runs.get((kind, b, first)) and runs.get((kind, b, second))]
    if found:
        print()
        print(header)
        print(align)
    for body in found:
        print(row(body, runs[(kind, body, first)], runs[(kind, body, second)]))
pair_table("righting_arm", "fast1", "fast2",
           "| body | 60-point righting-arm curve, fast, 1 thread | fast, 2 threads | draft searches per heel |",
           "|---|---:|---:|---:|",
           lambda body, f1, f2: "| %s | %.0f ms | %.0f ms | %.2f |" % (
               body, ms(f1), ms(f2), f1["searches_per_point"]))
def rate(b):
    return "%.1f ms, %.0f MB/s" % (ms(b), b["bytes_per_second"] * 1e-6)
set_files = [b for b in bodies
             if all(runs.get(("reading", b, p)) for p in ("stream", "memory", "memory1", "program"))]
if set_files:
    print()
    print("| body written as a SET file | MB | stream | from memory, 1 thread | from memory, 2 threads "
          "| as the program reads (2 threads, notes for the checks) | same numbers |")
    print("|---|---:|---:|---:|---:|---:|---|")
for body in set_files:
    s, m1, m2, m3 = (runs[("reading", body, p)] for p in ("stream", "memory1", "memory", "program"))
    print("| %s | %.1f | %s | %s | %s | %s | %s |" % (
        body, s["megabytes"], rate(s), rate(m1), rate(m2), rate(m3),
        "yes" if all(b["same_body"] == 1 for b in (s, m1, m2, m3)) else "NO"))
meshes = [b for b in bodies if runs.get(("reading", b, "mesh")) and runs.get(("reading", b, "mesh1"))]
if meshes:
    print()
    print("| mesh file, read from memory | MB | triangles | one thread "
          "| as the program reads (STL in two halves) |")
    print("|---|---:|---:|---:|---:|")
for body in meshes:
    one, program = runs[("reading", body, "mesh1")], runs[("reading", body, "mesh")]
    print("| %s | %.1f | %d | %s | %s |" % (body, one["megabytes"], one["triangles"], rate(one),
                                             rate(program)))
PY
