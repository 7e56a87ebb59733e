"""Shared pieces of the package's tests: the program built beside the package, the shipped
examples, closed surfaces made here, and a comparison of reports bit for bit."""

import json
import math
import os
import pathlib
import struct
import subprocess

import numpy as np
import pytest

SOURCE = pathlib.Path(os.environ.get("FLOATSTATE_SOURCE_DIR",
                                     pathlib.Path(__file__).resolve().parents[2]))
EXAMPLES = sorted(p.parent for p in SOURCE.glob("examples/*/expected_output.txt"))


def example_file(folder):
    return folder / f"{folder.name}.txt"


@pytest.fixture(scope="session")
def program():
    path = os.environ.get("FLOATSTATE_PROGRAM")
    if not path or not os.access(path, os.X_OK):
        pytest.fail("FLOATSTATE_PROGRAM must name the built floatstate program")
    return path


def run_program(program, *args, cwd=None):
    """The program's exit code, standard output and standard error (bytes)."""
    done = subprocess.run([program, *map(str, args)], stdin=subprocess.DEVNULL,
                          capture_output=True, cwd=cwd, timeout=300, check=False)
    return done.returncode, done.stdout, done.stderr


def program_report(program, tmp_path, *args):
    """The program's --json report of a run with these arguments."""
    out = tmp_path / "report.json"
    if out.exists():
        out.unlink()
    code, _, err = run_program(program, *args, "--json", out)
    assert out.exists(), err.decode("utf-8", "replace")
    return json.loads(out.read_text(encoding="utf-8")), code


def without_seconds(report):
    report = json.loads(json.dumps(report))
    del report["solver"]["seconds"]
    return report


def differences(a, b, where="report"):
    """Where two reports differ: keys, order, types, and every double bit for bit (0.0 and -0.0
    differ)."""
    if type(a) is not type(b):
        return [f"{where}: {a!r} ({type(a).__name__}) against {b!r} ({type(b).__name__})"]
    if isinstance(a, dict):
        if list(a) != list(b):
            return [f"{where}: keys {list(a)} against {list(b)}"]
        return [d for k in a for d in differences(a[k], b[k], f"{where}.{k}")]
    if isinstance(a, list):
        if len(a) != len(b):
            return [f"{where}: {len(a)} items against {len(b)}"]
        return [d for i, (x, y) in enumerate(zip(a, b)) for d in differences(x, y, f"{where}[{i}]")]
    if isinstance(a, float):
        same = struct.pack("<d", a) == struct.pack("<d", b)
        return [] if same else [f"{where}: {a!r} against {b!r}"]
    return [] if a == b else [f"{where}: {a!r} against {b!r}"]


def assert_same_report(a, b):
    found = differences(without_seconds(a), without_seconds(b))
    assert not found, "\n".join(found[:20])


def ellipsoid(a=20.0, b=8.0, c=6.0, rings=24, sectors=48, centre=(0.0, 0.0, 0.0)):
    """A closed surface: the ellipsoid with half-axes a, b, c, as points and triangles facing
    out (a pole at each end of the z axis)."""
    points = [(0.0, 0.0, -c)]
    for i in range(1, rings):
        theta = math.pi * i / rings
        for j in range(sectors):
            phi = 2 * math.pi * j / sectors
            points.append((a * math.sin(theta) * math.cos(phi), b * math.sin(theta) * math.sin(phi),
                           -c * math.cos(theta)))
    points.append((0.0, 0.0, c))
    top = len(points) - 1

    def ring(i, j):
        return 1 + (i - 1) * sectors + j % sectors

    triangles = []
    for j in range(sectors):
        triangles.append((0, ring(1, j + 1), ring(1, j)))
        triangles.append((top, ring(rings - 1, j), ring(rings - 1, j + 1)))
    for i in range(1, rings - 1):
        for j in range(sectors):
            triangles.append((ring(i, j), ring(i, j + 1), ring(i + 1, j + 1)))
            triangles.append((ring(i, j), ring(i + 1, j + 1), ring(i + 1, j)))
    vertices = np.array(points, dtype=np.float64) + np.array(centre, dtype=np.float64)
    return vertices, np.array(triangles, dtype=np.int64)


def obj_text(vertices, triangles):
    lines = [f"v {x!r} {y!r} {z!r}" for x, y, z in vertices.tolist()]
    lines += [f"f {a + 1} {b + 1} {c + 1}" for a, b, c in triangles.tolist()]
    return "\n".join(lines) + "\n"


def stl_binary(vertices, triangles):
    """A binary STL file of the surface (its coordinates must be floats to be kept exactly)."""
    data = bytearray(b"ellipsoid".ljust(80, b" "))
    data += struct.pack("<I", len(triangles))
    for t in triangles:
        data += struct.pack("<3f", 0, 0, 0)
        for k in t:
            data += struct.pack("<3f", *vertices[k])
        data += b"\0\0"
    return bytes(data)
