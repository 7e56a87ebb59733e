"""Reports of the package against the program's --json, bit for bit, and bodies given as arrays
against the same surfaces read from files."""

import pickle
import threading
import time

import numpy as np
import pytest
import yaml

import floatstate
from conftest import (EXAMPLES, SOURCE, assert_same_report, ellipsoid, example_file, obj_text,
                      program_report, stl_binary)


@pytest.mark.parametrize("method", ["greedy", "newton"])
@pytest.mark.parametrize("folder", EXAMPLES, ids=lambda f: f.name)
def test_every_example_gives_the_programs_report(program, tmp_path, folder, method):
    path = example_file(folder)
    expected, code = program_report(program, tmp_path, path, "--method", method, "--gz", "0:40:10")
    body = floatstate.Body.from_set(path)
    report = floatstate.solve(body, method=method, gz="0:40:10")
    assert_same_report(report, expected)
    # Without the curve, and the body floated again: the same as the program's plain run.
    plain, _ = program_report(program, tmp_path, path, "--method", method)
    assert_same_report(floatstate.solve(body, method=method), plain)
    assert code in (0, 3, 4)


def test_examples_are_all_there():
    assert len(EXAMPLES) >= 4


@pytest.mark.parametrize("folder", EXAMPLES[:2], ids=lambda f: f.name)
def test_pillars_given_as_a_file_as_none_or_as_an_array(program, tmp_path, folder):
    path = example_file(folder)
    pillars = tmp_path / "pillars.txt"
    pillars.write_text("#1:\n0,0,-10\n0,0,100\n#2:\n5,0,-10\n5,1,100\n#3:\n5,5,-10\n5,5,100\n"
                       "#4:\n0,5,-10\n1,5,100\n")
    marks = tmp_path / "marks.csv"
    marks.write_text("name,x1,y1,z1,x2,y2,z2\nbow,1,2,-50,1,2,150\n\"stern, port\",3,0,-50,3,0,150\n")
    body = floatstate.Body.from_set(path)
    expected, _ = program_report(program, tmp_path, path, "--pillars", pillars, "--marks", marks)
    assert_same_report(floatstate.solve(body, pillars=pillars, marks=str(marks)), expected)
    expected, _ = program_report(program, tmp_path, path, "--no-pillars")
    assert_same_report(floatstate.solve(body, pillars=False), expected)
    # The same four pillars in memory: only the report's pillar file differs.
    rows = np.array([[[0, 0, -10], [0, 0, 100]], [[5, 0, -10], [5, 1, 100]],
                     [[5, 5, -10], [5, 5, 100]], [[0, 5, -10], [1, 5, 100]]], dtype=float)
    from_file = floatstate.solve(body, pillars=pillars)
    in_memory = floatstate.solve(body, pillars=rows)
    assert in_memory["input"]["pillarFile"] is None
    in_memory["input"]["pillarFile"] = from_file["input"]["pillarFile"]
    assert_same_report(in_memory, from_file)


def write_surfaces(tmp_path, vertices, triangles):
    obj = tmp_path / "hull.obj"
    obj.write_text(obj_text(vertices, triangles))
    stl = tmp_path / "hull.stl"
    stl.write_bytes(stl_binary(vertices, triangles))
    return obj, stl


@pytest.mark.parametrize("method", ["greedy", "newton"])
def test_arrays_float_as_the_same_surface_read_from_a_file(program, tmp_path, method):
    # Float coordinates, so that the binary STL file holds the same points.
    vertices, triangles = ellipsoid()
    vertices = vertices.astype(np.float32).astype(np.float64)
    obj, stl = write_surfaces(tmp_path, vertices, triangles)
    loading = dict(displacement=1500.0, gravity=(1.5, 0.25, -1.0), method=method)
    args = ["--displacement", "1500", "--gravity", "1.5,0.25,-1", "--method", method]
    for path in (obj, stl):
        expected, _ = program_report(program, tmp_path, "--mesh", path, *args)
        from_file = floatstate.solve(floatstate.Body.from_mesh(path), **loading)
        assert_same_report(from_file, expected)
    # As indexed arrays (the OBJ file's points and faces) and as the STL file's corner soup.
    indexed = floatstate.solve(floatstate.Body.from_arrays(vertices, triangles), **loading)
    soup = floatstate.Body.from_arrays(vertices[triangles.reshape(-1)],
                                       np.arange(triangles.size).reshape(-1, 3))
    assert indexed["input"]["mesh"] is None
    for report in (indexed, floatstate.solve(soup, **loading)):
        report["input"]["mesh"] = str(obj)
        assert_same_report(report, floatstate.solve(floatstate.Body.from_mesh(obj), **loading))


def test_arrays_of_other_types_and_a_mass_with_its_density(tmp_path):
    vertices, triangles = ellipsoid(rings=8, sectors=12)
    reference = floatstate.solve(floatstate.Body.from_arrays(vertices, triangles),
                                 displacement=820.0 / 1.025, gravity=(0, 0, -1))
    # Lists, float32 points and 32-bit indices are taken as float64 and int64.
    for v, t in ((vertices.tolist(), triangles.tolist()),
                 (vertices.astype(np.float64), triangles.astype(np.uint32)),
                 (np.asfortranarray(vertices), triangles.astype(np.int32))):
        report = floatstate.solve(floatstate.Body.from_arrays(v, t), mass=820.0, density=1.025,
                                  gravity=np.array([0.0, 0.0, -1.0]))
        assert_same_report(report, reference)


def test_a_body_pickles_as_its_source_and_floats_the_same(tmp_path):
    vertices, triangles = ellipsoid(rings=8, sectors=12)
    bodies = [floatstate.Body.from_set(example_file(EXAMPLES[0])),
              floatstate.Body.from_arrays(vertices, triangles, name="egg")]
    loading = [{}, dict(displacement=800.0, gravity=(0, 0, -1))]
    for body, settings in zip(bodies, loading):
        copy = pickle.loads(pickle.dumps(body))
        assert (copy.kind, copy.path, copy.name) == (body.kind, body.path, body.name)
        assert_same_report(floatstate.solve(copy, **settings), floatstate.solve(body, **settings))
    assert bodies[1].surface[0].shape == (vertices.shape[0], 3)
    assert bodies[1].kind == "arrays" and bodies[1].path is None and bodies[1].name == "egg"


def test_the_curve_of_gz_is_the_reports():
    body = floatstate.Body.from_set(example_file(EXAMPLES[0]))
    curve = floatstate.gz(body, (0, 30, 10), method="newton")
    report = floatstate.solve(body, method="newton", gz="0:30:10")
    assert curve == {"gz": report["gz"], "gzSummary": report["gzSummary"]}
    assert [p["heelDeg"] for p in curve["gz"]] == [0.0, 10.0, 20.0, 30.0]


def test_a_solve_releases_the_gil_and_runs_on_threads_alike():
    # A surface of 80,000 triangles and its curve over 91 heels: a few tenths of a second.
    vertices, triangles = ellipsoid(rings=200, sectors=200)
    body = floatstate.Body.from_arrays(vertices, triangles)
    settings = dict(displacement=1500.0, gravity=(1.0, 0.5, -1.0), method="newton", gz="0:90:1")
    started, done, reports = threading.Event(), threading.Event(), {}

    def float_body():
        started.set()
        reports["thread"] = floatstate.solve(body, **settings)
        done.set()

    worker = threading.Thread(target=float_body)
    start = time.perf_counter()
    worker.start()
    started.wait()
    # This thread sleeps, the worker takes the GIL into the solve. A solve that kept the GIL
    # would keep this thread from waking until it ended.
    time.sleep(0.02)
    woke = time.perf_counter() - start
    solving = not done.is_set()
    worker.join()
    seconds = time.perf_counter() - start
    assert solving, f"woke {woke:.3f} s after the start, the solve had ended ({seconds:.3f} s)"
    assert_same_report(reports["thread"], floatstate.solve(body, **settings))


def test_nothing_is_written_to_standard_output_or_error(capfd, tmp_path):
    body = floatstate.Body.from_set(example_file(EXAMPLES[-1]))
    floatstate.solve(body, gz="0:20:10")
    floatstate.solve(body, method="newton")
    for bad in (lambda: floatstate.Body.from_set(tmp_path / "none.txt"),
                lambda: floatstate.solve(body, displacement=1e12),
                lambda: floatstate.Body.from_arrays([[0, 0, 0]], [[0, 0, 1]])):
        with pytest.raises((ValueError, OSError)):
            bad()
    out, err = capfd.readouterr()
    assert out == "" and err == ""


def test_help_reads():
    assert "bit for bit" in floatstate.__doc__
    for function in (floatstate.solve, floatstate.gz, floatstate.run_case,
                     floatstate.hydrostatics, floatstate.batch.run, floatstate.Body.from_set,
                     floatstate.Body.from_mesh, floatstate.Body.from_arrays):
        assert len(function.__doc__ or "") > 100, function


CASES = sorted(SOURCE.glob("examples/*/case.yaml"))


@pytest.mark.parametrize("case", CASES, ids=lambda p: p.parent.name)
def test_every_case_gives_the_programs_report(program, tmp_path, case):
    expected, code = program_report(program, tmp_path, "--case", case, "--gz", "0:30:10")
    assert code in (0, 3, 4)
    # The case file itself, and its content as a dict with the body's path made absolute.
    given = floatstate.run_case(case)
    expected_plain, _ = program_report(program, tmp_path, "--case", case)
    assert_same_report(given, expected_plain)
    as_dict = yaml.safe_load(case.read_text(encoding="utf-8"))
    as_dict["body"] = str((case.parent / as_dict["body"]).resolve())
    from_dict = floatstate.run_case(as_dict)
    assert from_dict["case"] == expected_plain["case"]
    assert from_dict["waterPlane"] == expected_plain["waterPlane"]
    assert "gz" in expected and "gz" not in given


@pytest.mark.parametrize("folder", EXAMPLES, ids=lambda f: f.name)
def test_the_hydrostatic_table_is_the_programs(program, tmp_path, folder):
    path = example_file(folder)
    body = floatstate.Body.from_set(path)
    low, high = body.bounds[0][2], body.bounds[1][2]
    step = (high - low) / 7
    drafts = f"{low + step!r}:{high - step!r}:{step!r}"
    expected, code = program_report(program, tmp_path, path, "--hydrostatics", drafts)
    assert code == 0
    table = floatstate.hydrostatics(body, drafts)
    assert len(table) >= 5
    assert_same_report({"solver": {"seconds": 0}, "t": table},
                       {"solver": {"seconds": 0}, "t": expected["hydrostaticTable"]})
    fresh = floatstate.hydrostatics(body, drafts, density=1.0)
    assert [r["volume"] for r in fresh] == [r["volume"] for r in table]
    assert all(abs(r["displacement"] - r["volume"]) <= 1e-12 * r["volume"] for r in fresh)
