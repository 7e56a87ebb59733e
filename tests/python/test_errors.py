"""Faults: ValueError for an input's content, OSError for a file, each with the program's own
message; NotImplementedError where this build has no reader."""

import errno
import re

import numpy as np
import pytest

import floatstate
from conftest import EXAMPLES, ellipsoid, example_file, obj_text, run_program

SPAR = example_file(next(f for f in EXAMPLES if f.name == "spar"))


def program_message(program, *args):
    """The program's line on standard error that says why it stopped, without its prefix."""
    code, _, err = run_program(program, *args)
    assert code == 1, err
    lines = [line for line in err.decode("utf-8").splitlines()
             if line.startswith("floatstate: ") and not line.startswith("floatstate: warning")]
    assert lines, err
    return lines[-1][len("floatstate: "):]


def test_a_missing_file_is_file_not_found_with_the_programs_message(program, tmp_path):
    missing = tmp_path / "none.txt"
    for read, args in ((floatstate.Body.from_set, [missing]),
                       (floatstate.Body.from_mesh, ["--mesh", missing, "--displacement", "1",
                                                    "--gravity", "0,0,0"])):
        with pytest.raises(FileNotFoundError) as caught:
            read(missing)
        assert caught.value.errno == errno.ENOENT
        assert caught.value.strerror == program_message(program, *args)
        assert str(caught.value) == f"[Errno {errno.ENOENT}] {caught.value.strerror}"


def test_a_folder_is_no_file(tmp_path):
    with pytest.raises(OSError):
        floatstate.Body.from_mesh(tmp_path)


@pytest.mark.parametrize("text, found", [
    ("Volume of Displacement=abc\n", "line 1"),
    ("Volume of Displacement=100\nGra_Pt.x=0\nGra_Pt.y=0\nGra_Pt.z=0\nHexahedron\n0,0,0\n1,0,x\n",
     "line 7"),
])
def test_a_broken_set_file_is_a_value_error_with_the_programs_message(program, tmp_path, text,
                                                                       found):
    path = tmp_path / "broken.txt"
    path.write_text(text)
    with pytest.raises(ValueError) as caught:
        floatstate.Body.from_set(path)
    assert str(caught.value) == program_message(program, path)
    assert found in str(caught.value)


def test_a_surface_that_bounds_no_solid_is_a_value_error_with_the_programs_message(program,
                                                                                   tmp_path):
    vertices, triangles = ellipsoid(rings=6, sectors=8)
    turned = triangles.copy()
    turned[0] = turned[0][::-1]
    path = tmp_path / "turned.obj"
    path.write_text(obj_text(vertices, turned))
    with pytest.raises(ValueError) as caught:
        floatstate.Body.from_mesh(path)
    message = program_message(program, "--mesh", path, "--displacement", "1", "--gravity", "0,0,0")
    assert str(caught.value) == message
    assert "does not bound a solid" in message
    with pytest.raises(ValueError, match=r"^arrays: the surface does not bound a solid.*"
                                         r"triangles\[\d+\]"):
        floatstate.Body.from_arrays(vertices, turned)


def test_a_body_that_cannot_float_is_a_value_error_with_the_programs_message(program, tmp_path):
    heavy = tmp_path / "spar.txt"
    heavy.write_text(re.sub(r"^Volume of Displacement=.*$", "Volume of Displacement=1e9",
                            SPAR.read_text(), count=1, flags=re.M))
    (tmp_path / "FourPillars.txt").write_bytes((SPAR.parent / "FourPillars.txt").read_bytes())
    with pytest.raises(ValueError) as caught:
        floatstate.solve(floatstate.Body.from_set(heavy))
    assert str(caught.value) == program_message(program, heavy)
    assert "cannot float" in str(caught.value)
    # The same displacement given to the run.
    with pytest.raises(ValueError, match="cannot float"):
        floatstate.solve(floatstate.Body.from_set(SPAR), displacement=1e9)
    vertices, triangles = ellipsoid(rings=6, sectors=8)
    with pytest.raises(ValueError, match="^arrays: .*cannot float"):
        floatstate.solve(floatstate.Body.from_arrays(vertices, triangles), displacement=1e9,
                         gravity=(0, 0, 0))


@pytest.mark.parametrize("vertices, triangles, message", [
    (np.zeros((4, 2)), [[0, 1, 2]], r"^vertices: expected the shape \(n, 3\), not \(4, 2\)$"),
    (np.zeros(12), [[0, 1, 2]], r"^vertices: expected the shape \(n, 3\), not \(12,\)$"),
    (np.eye(3), [[0, 1]], r"^triangles: expected the shape \(m, 3\), not \(1, 2\)$"),
    (np.eye(3), [[0.0, 1.0, 2.0]], r"^triangles: expected integers"),
    (np.eye(3), [[0, 1, 3]], r"^arrays: triangles\[0\] refers to vertex 3, but the vertices are "
                             r"numbered 0 to 2$"),
    (np.eye(3), [[0, -1, 2]], r"^arrays: triangles\[0\] refers to vertex -1"),
    ([[0, 0, 0], [1, np.nan, 0], [0, 1, 0]], [[0, 1, 2]],
     r"^arrays: vertices\[1\]: y is not a finite number$"),
    (np.eye(3), np.zeros((0, 3), dtype=int), r"^arrays: no triangles are given$"),
    ([["a", "b", "c"]], [[0, 0, 0]], r"^vertices: expected"),
])
def test_arrays_that_are_no_surface_are_value_errors(vertices, triangles, message):
    with pytest.raises(ValueError, match=message):
        floatstate.Body.from_arrays(vertices, triangles)


@pytest.mark.parametrize("settings, message", [
    (dict(method="fast"), r'^method: expected "greedy" or "newton"$'),
    (dict(gravity=(1, 2)), r"^gravity: expected a point"),
    (dict(gravity=(1, 2, float("inf"))), r"^gravity: expected a finite number"),
    (dict(displacement="much"), r"^displacement: expected a number"),
    (dict(displacement=1.0, mass=2.0, density=1.0), r"either the displacement or the mass"),
    (dict(mass=2.0), r"the mass and the density go together"),
    (dict(gz="60:0:5"), r"^gz: the heels must satisfy"),
    (dict(gz=(0, 10)), r"^gz: expected"),
    (dict(max_steps=0), r"^max_steps: expected a whole number"),
    (dict(pillars=np.zeros((4, 3))), r"^pillars: expected"),
    (dict(pillars=True), r"^pillars: true is not a choice"),
])
def test_settings_out_of_range_are_value_errors(settings, message):
    with pytest.raises(ValueError, match=message):
        floatstate.solve(floatstate.Body.from_set(SPAR), **settings)


def test_a_surface_needs_its_loading():
    vertices, triangles = ellipsoid(rings=6, sectors=8)
    body = floatstate.Body.from_arrays(vertices, triangles, name="egg")
    with pytest.raises(ValueError, match="^egg: a surface body needs its displacement volume"):
        floatstate.solve(body, gravity=(0, 0, 0))
    with pytest.raises(ValueError, match="^egg: a surface body needs its centre of gravity"):
        floatstate.solve(body, displacement=100.0)


def test_pillar_and_marks_files_that_cannot_be_read_are_os_errors(program, tmp_path):
    body = floatstate.Body.from_set(SPAR)
    missing = tmp_path / "none.csv"
    with pytest.raises(FileNotFoundError) as caught:
        floatstate.solve(body, pillars=missing)
    assert caught.value.strerror == program_message(program, SPAR, "--pillars", missing)
    with pytest.raises(FileNotFoundError) as caught:
        floatstate.solve(body, marks=missing)
    assert caught.value.strerror == program_message(program, SPAR, "--marks", missing)
    # A SET file without FourPillars.txt beside it: the program ends with exit code 1, after its
    # report; here the fault is raised.
    lonely = tmp_path / "spar.txt"
    lonely.write_bytes(SPAR.read_bytes())
    with pytest.raises(FileNotFoundError) as caught:
        floatstate.solve(floatstate.Body.from_set(lonely))
    assert caught.value.strerror == program_message(program, lonely)
    assert floatstate.solve(floatstate.Body.from_set(lonely), pillars=False)["pillars"] == []


def test_a_strict_run_refuses_a_body_with_findings():
    prism = example_file(next(f for f in EXAMPLES if f.name == "prism_hull"))
    body = floatstate.Body.from_set(prism)
    assert body.warnings and all(w["line"] > 0 for w in body.warnings)
    with pytest.raises(ValueError, match="^--strict: the SET file has findings"):
        floatstate.solve(body, strict=True)


def test_case_faults_name_the_line_and_the_key(tmp_path):
    case = {"body": str(SPAR), "weights": [{"name": "hull", "mass": -1, "x": 0, "y": 0,
                                            "z": 40}]}
    with pytest.raises(ValueError, match=r"weights\[0\]\.mass"):
        floatstate.run_case(case)
    path = tmp_path / "case.yaml"
    path.write_text("body: spar.txt\nweights:\n  - {name: w, mass: 10, x: 0, y: 0}\n")
    with pytest.raises(ValueError, match=r"case\.yaml: line 3: weights\[0\]"):
        floatstate.run_case(path)
    with pytest.raises(FileNotFoundError):
        floatstate.run_case(tmp_path / "none.yaml")
    path.write_text("body: none.txt\nweights:\n  - {name: w, mass: 10, x: 0, y: 0, z: 1}\n")
    with pytest.raises(FileNotFoundError, match="none.txt"):
        floatstate.run_case(path)


@pytest.mark.parametrize("drafts, message", [("5:1:1", "drafts"), ((1, 2), "drafts"),
                                             ("1:2:0", "drafts")])
def test_hydrostatic_drafts_out_of_range_are_refused(drafts, message):
    with pytest.raises(ValueError, match=message):
        floatstate.hydrostatics(floatstate.Body.from_set(SPAR), drafts)
    with pytest.raises(ValueError, match="density"):
        floatstate.hydrostatics(floatstate.Body.from_set(SPAR), "100:130:10", density=0)
