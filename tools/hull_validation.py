#!/usr/bin/python3
"""Floats real hull meshes that nobody on this project wrote and compares the results with what is
known about them: the DTC container-ship model of the openfoam-examples package with the loading
and waterline of its tutorial, and the Wigley hulls of the same package with the closed formulas
of their analytic form. Writes the table of docs/validation.md.

Usage: hull_validation.py FLOATSTATE [--write FILE | --check FILE] [--geometry DIR]
  --write FILE  write the table to FILE
  --check FILE  fail unless FILE holds exactly the table this run produces
Exit codes: 0 every difference within its tolerance (and, with --check, the file up to date),
1 a difference beyond its tolerance or a stale file, 77 the geometry is not installed.

Uses the Python standard library only.
"""
import argparse
import gzip
import json
import os
import subprocess
import sys
import tempfile

GEOMETRY = "/usr/share/doc/openfoam-examples/examples/resources/geometry"
OUTPUT = "docs/validation.md"

# The DTC tutorial (multiphase/interFoam/RAS/DTCHull of openfoam-examples) models half the hull
# with half its mass, 412.73 kg; the whole hull has 825.46 kg in water of 998.8 kg/m^3, its centre
# of mass at (2.929541, 0, 0.2), and the tutorial's still water stands at z = 0.244 (its keel at
# z = 0).
DTC_MASS, DTC_DENSITY = 825.46, 998.8
DTC_GRAVITY = (2.929541, 0.0, 0.2)
DTC_WATERLINE = 0.244


def extents(path):
    """The box of an ASCII STL file's vertices: ((xmin, xmax), (ymin, ymax), (zmin, zmax))."""
    lo = [float("inf")] * 3
    hi = [float("-inf")] * 3
    with open(path) as f:
        for line in f:
            words = line.split()
            if len(words) == 4 and words[0] == "vertex":
                for k in range(3):
                    v = float(words[k + 1])
                    lo[k] = min(lo[k], v)
                    hi[k] = max(hi[k], v)
    return tuple(zip(lo, hi))


def unpack(name, folder):
    target = os.path.join(folder, name[:-len(".gz")])
    with gzip.open(os.path.join(args.geometry, name)) as source, open(target, "wb") as out:
        out.write(source.read())
    return target


def run(mesh, loading, gravity, baseline, marks, folder):
    """One run of the program on the mesh: its JSON report and what it wrote on standard error."""
    marks_file = os.path.join(folder, "marks.csv")
    with open(marks_file, "w") as f:
        f.write("name,x1,y1,z1,x2,y2,z2\n")
        for name, x, z0, z1 in marks:
            f.write("%s,%r,0,%r,%r,0,%r\n" % (name, x, z0, x, z1))
    report = os.path.join(folder, "report.json")
    command = [args.floatstate, "--mesh", mesh] + loading + [
        "--gravity", ",".join(repr(c) for c in gravity), "--baseline", repr(baseline),
        "--marks", marks_file, "--json", report, "--quiet", "--lang", "en"]
    done = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit("floatstate ended with exit code %d:\n%s" % (done.returncode, done.stderr))
    with open(report) as f:
        return json.load(f), done.stderr


def notes(stderr, mesh):
    """The program's notes and warnings on the mesh, without its folder."""
    lines = [l.replace(mesh, os.path.basename(mesh)) for l in stderr.splitlines()
             if l.startswith("floatstate: note:") or l.startswith("floatstate: warning:")]
    return lines


class Table:
    def __init__(self):
        self.rows = []
        self.failed = []

    def add(self, quantity, ours, reference, tolerance, relative=True, unit=""):
        """A row: the difference ours - reference, relative to the reference (in %) or absolute."""
        difference = ours - reference
        measure = abs(difference / reference) if relative else abs(difference)
        within = measure <= tolerance
        if not within:
            self.failed.append(quantity)
        if relative:
            diff_text = "%+.3f %%" % (100 * difference / reference)
            tol_text = "%g %%" % (100 * tolerance)
        else:
            diff_text = "%+.3g%s" % (difference, unit)
            tol_text = "%g%s" % (tolerance, unit)
        self.rows.append("| %s | %.6g%s | %.6g%s | %s | %s | %s |" % (
            quantity, ours, unit, reference, unit, diff_text, tol_text,
            "yes" if within else "**no**"))

    def text(self):
        head = ["| quantity | floatstate | reference | difference | tolerance | within |",
                "|---|---:|---:|---:|---:|:---:|"]
        return "\n".join(head + self.rows) + "\n"


def dtc(folder, out):
    mesh = unpack("DTC-scaled.stl.gz", folder)
    (x0, x1), (y0, y1), (z0, z1) = extents(mesh)
    x = DTC_GRAVITY[0]
    j, stderr = run(mesh, ["--mass", repr(DTC_MASS), "--density", repr(DTC_DENSITY)], DTC_GRAVITY,
                    0.0, [("centre", x, z0 - 1, z1 + 1)], folder)
    table = Table()
    draft = j["marks"][0]["draft"]
    table.add("draft at x = %g" % x, draft, DTC_WATERLINE, 0.0005, relative=False, unit=" m")
    table.add("trim", j["trimDeg"], 0.0, 0.01, relative=False, unit=" deg")
    table.add("heel", j["heelDeg"], 0.0, 0.01, relative=False, unit=" deg")
    out.append("## DTC container-ship model (`DTC-scaled.stl.gz`)\n")
    out.append("%d triangles, x %.6g .. %.6g, y %.6g .. %.6g, z %.6g .. %.6g (m), the keel at "
               "z = 0.\n" % (j["input"]["triangles"], x0, x1, y0, y1, z0, z1))
    out.append("Loading of the `DTCHull` tutorial: mass %g kg in water of %g kg/m^3 "
               "(displacement %.6g m^3), centre of mass (%g, %g, %g). Reference: the tutorial's "
               "still water at z = %g, the hull level; the tolerance on the draft is half a unit "
               "of its last digit.\n" % (DTC_MASS, DTC_DENSITY, j["input"]["displacementVolume"],
                                        *DTC_GRAVITY, DTC_WATERLINE))
    out.append("    floatstate --mesh DTC-scaled.stl --mass %g --density %g --gravity %g,%g,%g\n"
               % (DTC_MASS, DTC_DENSITY, *DTC_GRAVITY))
    out.append(table.text())
    out.append("Also computed there (no published reference in the package): waterplane area "
               "%.6g m^2, KB %.6g m, BMt %.6g m, GMt %.6g m, BMl %.6g m.\n" % (
                   j["hydrostatics"]["waterplaneArea"], j["baseline"]["KB"],
                   j["hydrostatics"]["BMt"], j["hydrostatics"]["GMt"], j["hydrostatics"]["BMl"]))
    for line in notes(stderr, mesh):
        out.append("Program's finding: `%s`\n" % line)
    return table.failed


def wigley(name, folder, out):
    """The Wigley hull y = (B/2)(1 - (2x/L)^2)(1 - (z/T)^2) below its waterline z = 0, floated at
    the displacement that brings its draft to T, against the closed formulas of that form."""
    mesh = unpack(name, folder)
    (x0, x1), (y0, y1), (z0, z1) = extents(mesh)
    L, B, T = x1 - x0, y1 - y0, 0.0 - z0
    V = 4 * L * B * T / 9
    gravity = ((x0 + x1) / 2, (y0 + y1) / 2, z0 + T / 2)
    marks = [("midship", (x0 + x1) / 2, z0 - 1, z1 + 1)]
    # Newton steps on the displacement: the draft rises by the volume change over the waterplane.
    volume = V
    for _ in range(4):
        j, stderr = run(mesh, ["--displacement", repr(volume)], gravity, z0, marks, folder)
        draft = j["marks"][0]["draft"]
        if abs(draft - T) <= 1e-9 * T:
            break
        volume += j["hydrostatics"]["waterplaneArea"] * (T - draft)
    h, b = j["hydrostatics"], j["baseline"]
    table = Table()
    tolerance = 0.01
    table.add("volume 4LBT/9", volume, V, tolerance)
    table.add("waterplane area 2LB/3", h["waterplaneArea"], 2 * L * B / 3, tolerance)
    table.add("KB 5T/8", b["KB"], 5 * T / 8, tolerance)
    table.add("BMt 3B^2/(35T)", h["BMt"], 3 * B * B / (35 * T), tolerance)
    table.add("BMl 3L^2/(40T)", h["BMl"], 3 * L * L / (40 * T), tolerance)
    out.append("## Wigley hull (`%s`)\n" % name)
    out.append("%d triangles. From the mesh's extents: L = %.6g (x %.6g .. %.6g), B = %.6g "
               "(y %.6g .. %.6g), T = %.6g, the keel at z = %.6g below the waterline z = 0 of the "
               "analytic form (its sections are widest there; above it, up to the open deck at "
               "z = %.6g, the mesh is wall-sided). Floated with the displacement that brings its "
               "draft amidships, above the keel (`--baseline %.6g`), to T = %.6g (it came to "
               "%.8g), the centre of gravity at (%.6g, %.6g, %.6g).\n" % (
                   j["input"]["triangles"], L, x0, x1, B, y0, y1, T, z0, z1, z0, T, draft,
                   *gravity))
    out.append("    floatstate --mesh %s --displacement %.8g --gravity %g,%g,%g --baseline %g\n"
               % (os.path.basename(mesh), volume, *gravity, z0))
    out.append(table.text())
    for line in notes(stderr, mesh):
        out.append("Program's finding: `%s`\n" % line)
    return table.failed


def main():
    if not os.path.isdir(args.geometry):
        print("skipped: %s is missing (Debian package openfoam-examples)" % args.geometry)
        return 77
    out = ["# Validation on real hull meshes\n",
           "Produced by `tools/hull_validation.py` (run by the tests: `ctest -R validation`), "
           "which floats hull meshes of the Debian package `openfoam-examples` "
           "(`%s`) with the built program and compares the results with known values. "
           "Each difference is floatstate's result minus the reference; the run fails when one "
           "exceeds its tolerance. The Wigley meshes are facetted, so their volume differs from "
           "the analytic form's by a few tenths of a percent; their tolerance is 1 %%. Regenerate "
           "with `python3 tools/hull_validation.py build/release/floatstate --write %s`.\n"
           % (args.geometry, OUTPUT)]
    failed = []
    with tempfile.TemporaryDirectory() as folder:
        failed += dtc(folder, out)
        for name in ("wigley.stl.gz", "wigley-scaled-oriented.stl.gz"):
            failed += wigley(name, folder, out)
    text = "\n".join(out)
    status = 0
    if failed:
        print("beyond the tolerance: " + ", ".join(failed), file=sys.stderr)
        status = 1
    if args.write:
        with open(args.write, "w") as f:
            f.write(text)
    elif args.check:
        with open(args.check) as f:
            if f.read() != text:
                print("%s is not the table this build produces; regenerate it with --write"
                      % args.check, file=sys.stderr)
                status = 1
    else:
        sys.stdout.write(text)
    return status


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("floatstate")
    parser.add_argument("--write")
    parser.add_argument("--check")
    parser.add_argument("--geometry", default=GEOMETRY)
    args = parser.parse_args()
    sys.exit(main())
