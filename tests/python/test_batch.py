"""floatstate.batch: the same reports, in the same order, run here one after another, on a pool
of local processes, on the workers of a Dask cluster, and by floatstate --batch."""

import json
import os

import pytest
import yaml

import floatstate
import floatstate.batch
from conftest import EXAMPLES, SOURCE, assert_same_report, ellipsoid, example_file, obj_text, run_program


def twenty_runs(tmp_path):
    """Twenty runs of four bodies (three SET files and a mesh) under several loadings and both
    methods, two of which fail."""
    vertices, triangles = ellipsoid(rings=12, sectors=24)
    mesh = tmp_path / "egg.obj"
    mesh.write_text(obj_text(vertices, triangles))
    semi = example_file(next(f for f in EXAMPLES if f.name == "semi_submersible"))
    spar = example_file(next(f for f in EXAMPLES if f.name == "spar"))
    barge = example_file(next(f for f in EXAMPLES if f.name == "pontoon_barge"))
    runs = []
    for k in range(16):
        body = (semi, spar, barge, None)[k % 4]
        method = "newton" if k % 3 else "greedy"
        if body is None:
            runs.append({"body": {"mesh": str(mesh)}, "displacement": 900.0 + 40 * k,
                         "gravity": [0.2 * k, 0.1, -1.5], "method": method})
        elif k % 2:
            runs.append({"body": str(body), "method": method, "gz": [0, 30, 10]})
        else:
            base = floatstate.Body.from_set(body)
            runs.append({"body": str(body), "method": method,
                         "displacement": base.displacement * (0.9 + 0.01 * k),
                         "gravity": [base.gravity[0] + 0.05 * k, base.gravity[1],
                                     base.gravity[2]]})
    runs.insert(3, {"body": str(tmp_path / "none.txt")})
    runs.insert(7, {"body": str(semi), "displacement": 1e9})
    runs.insert(11, {"body": str(spar), "pillars": False, "answer": True, "max_steps": 5})
    runs.insert(15, {"body": str(semi), "marks": str(tmp_path / "none.csv")})
    assert len(runs) == 20
    return runs


def assert_same_results(results, expected):
    assert len(results) == len(expected)
    for k, (got, want) in enumerate(zip(results, expected)):
        if isinstance(want, Exception):
            assert type(got) is type(want), (k, got)
            assert str(got) == str(want), k
        else:
            assert isinstance(got, dict), (k, got)
            assert_same_report(got, want)


@pytest.fixture(scope="module")
def serial(tmp_path_factory):
    folder = tmp_path_factory.mktemp("runs")
    runs = twenty_runs(folder)
    return runs, floatstate.batch.run(runs, processes=0)


def test_serial_results_are_the_solves_and_faults_in_place(serial):
    runs, results = serial
    errors = [k for k, r in enumerate(results) if isinstance(r, Exception)]
    assert errors == [3, 7, 15]
    assert isinstance(results[3], FileNotFoundError)
    assert isinstance(results[7], ValueError) and "cannot float" in str(results[7])
    assert isinstance(results[15], FileNotFoundError)
    # Each report is the one solve() gives.
    for k in (0, 1, 2, 5, 11):
        settings = {key: value for key, value in runs[k].items() if key != "body"}
        body = runs[k]["body"]
        body = (floatstate.Body.from_mesh(body["mesh"]) if isinstance(body, dict)
                else floatstate.Body.from_set(body))
        if "answer" in settings:
            settings["answer"] = settings["answer"] is True
        assert_same_report(results[k], floatstate.solve(body, **settings))


def test_a_dask_cluster_gives_the_serial_results(serial):
    distributed = pytest.importorskip("distributed")
    runs, expected = serial
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None, host="127.0.0.1") as cluster, \
            distributed.Client(cluster) as client:
        results = floatstate.batch.run(runs, client=client, chunk_size=3)
        # Each worker read each body file it floated once, however many runs named it.
        reads = client.run(lambda: floatstate._core._body_cache_reads())
    assert_same_results(results, expected)
    assert len(reads) == 2
    # Four body files, and the one that does not exist, which is tried by the run that names it.
    assert all(count <= 5 for count in reads.values()), reads


def test_a_local_process_pool_gives_the_serial_results(serial):
    runs, expected = serial
    assert_same_results(floatstate.batch.run(runs, processes=2), expected)


def test_runs_that_are_no_jobs_fail_in_their_place(tmp_path):
    case = {"body": "hull.txt", "weights": []}
    results = floatstate.batch.run([case, tmp_path / "case.yaml", 42, {"body": 3},
                                    {"body": "x.txt", "gravity": [0, 0, float("nan")]}],
                                   processes=0)
    assert isinstance(results[0], ValueError) and "weights" in str(results[0])
    assert isinstance(results[1], FileNotFoundError)
    assert isinstance(results[2], TypeError)
    assert isinstance(results[3], ValueError) and str(results[3]).startswith("body: expected")
    assert isinstance(results[4], ValueError)
    assert floatstate.batch.run([]) == []
    with pytest.raises(ValueError):
        floatstate.batch.run([case], processes=-1)


def test_the_programs_batch_gives_the_same_lines(serial, program, tmp_path):
    runs, expected = serial
    listing = tmp_path / "list.json"
    listing.write_text(json.dumps({"cases": runs}))
    code, out, err = run_program(program, "--batch", listing, "--json-lines", "-", "--jobs", "2")
    assert code == 1, err
    lines = [json.loads(line) for line in out.decode("utf-8").splitlines()]
    assert len(lines) == len(expected)
    for line, want in zip(lines, expected):
        if isinstance(want, Exception):
            message = want.strerror if isinstance(want, OSError) else str(want)
            assert line["error"]["message"] == message
            assert line["error"]["kind"] == ("file" if isinstance(want, OSError) else "input")
        else:
            assert_same_report(line, want)
    assert b"20 runs, 17 reports, 3 errors" in err


def test_cases_in_a_yaml_list_give_the_reports_of_run_case(program, tmp_path):
    """A YAML list of case files (relative to the list) and cases given inline, in the package
    and in the program."""
    cases = sorted(SOURCE.glob("examples/*/case.yaml"))
    assert len(cases) >= 2
    ballast = yaml.safe_load(cases[-1].read_text(encoding="utf-8"))
    ballast["body"] = str((cases[-1].parent / ballast["body"]).resolve())
    heavier = json.loads(json.dumps(ballast))
    heavier["weights"][0]["mass"] *= 1.05
    listing = tmp_path / "list.yaml"
    relative = [os.path.relpath(c, tmp_path) for c in cases]
    listing.write_text(yaml.safe_dump({"cases": relative + [ballast, heavier]}))
    expected = [floatstate.run_case(c) for c in cases]
    expected += [floatstate.run_case(ballast), floatstate.run_case(heavier)]
    assert expected[-1]["input"]["displacementVolume"] > expected[-2]["input"]["displacementVolume"]
    assert_same_results(floatstate.batch.run([str(c) for c in cases] + [ballast, heavier],
                                             processes=0), expected)
    code, out, err = run_program(program, "--batch", listing, "--json-lines", "-", "--jobs", "2")
    assert code == 0, err
    lines = [json.loads(line) for line in out.decode("utf-8").splitlines()]
    assert len(lines) == len(expected)
    for k, (line, want) in enumerate(zip(lines, expected)):
        # The files are the same, named from the list's folder or from the case's; an inline
        # case is named after the list.
        for key in ("setFile", "pillarFile", "caseFile"):
            got, given = line["input"].pop(key, None), want["input"].pop(key, None)
            if key == "caseFile" and k >= len(cases):
                assert got == f"{listing} run {k + 1}"
            elif given is not None:
                assert os.path.realpath(got) == os.path.realpath(given), (k, key)
        assert_same_report(line, want)
