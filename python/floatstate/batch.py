"""Many runs in one call, on a pool of local processes or on the workers of a Dask cluster.

A run is one of:

* a solve job, a dict with the keys of a `floatstate --batch` list's jobs::

      {"body": "hull.txt"}                                    a SET file as it is
      {"body": "hull.txt", "displacement": 9000, "gravity": [30, 25, 14], "method": "newton"}
      {"body": {"mesh": "hull.stl"}, "mass": 9225, "density": 1.025, "gravity": [0, 0, 3]}

  "body" is a SET file's path, {"set": PATH} or {"mesh": PATH}; the other keys are solve()'s
  keyword arguments by the same names ("displacement", "mass", "density", "gravity", "method",
  "pillars", "marks", "gz", "max_steps", "answer": "yes" | "no", "strict");
* a loading condition: the path of a case file, or a dict with a case file's keys (one of
  "weights", "tanks", "compartments", "heeling_moments", "water_density"), run as run_case runs
  it.

Relative paths are taken from the current folder, here, before the runs leave for other
processes, so every worker must see the files at the same absolute paths (a shared or copied
folder, see docs/cluster.md). Each worker process reads a body file once and floats copies of it
for every run that names it, until the file changes (its modification time or size).

The reports come back in the order of the runs, each the dict solve() returns; a run that fails
gives its exception (ValueError, OSError, ...) in its place instead, and the
others go on.
"""

import json as _json
import math as _math
import multiprocessing as _multiprocessing
import os as _os
from concurrent.futures import ProcessPoolExecutor as _ProcessPoolExecutor

import floatstate as _floatstate
from floatstate import _core

__all__ = ["run"]

_PATH_KEYS = ("pillars", "marks")


def _absolute(path):
    return _os.path.abspath(_os.fspath(path))


def _plain(value):
    """Values of numpy and of tuples as JSON takes them."""
    if hasattr(value, "tolist"):
        return value.tolist()
    if isinstance(value, (tuple, list)):
        return [_plain(v) for v in value]
    if isinstance(value, dict):
        return {k: _plain(v) for k, v in value.items()}
    if isinstance(value, bool) or value is None or isinstance(value, (int, str)):
        return value
    if isinstance(value, float):
        if not _math.isfinite(value):
            raise ValueError(f"{value!r} is not a finite number")
        return value
    if isinstance(value, _os.PathLike):
        return _os.fspath(value)
    return value


def _solve_job(job):
    """The job as JSON text, its paths made absolute."""
    job = _plain(dict(job))
    body = job.get("body")
    if isinstance(body, str):
        job["body"] = _absolute(body)
    elif isinstance(body, dict) and len(body) == 1:
        ((kind, path),) = body.items()
        if isinstance(path, str):
            job["body"] = {kind: _absolute(path)}
    for key in _PATH_KEYS:
        if isinstance(job.get(key), str):
            job[key] = _absolute(job[key])
    if isinstance(job.get("answer"), bool):
        job["answer"] = "yes" if job["answer"] else "no"
    return ("solve", _json.dumps(job))


def _job(run):
    """What is sent to a worker: ("solve", JSON text), ("case", path) or ("case", dict, the
    folder its relative paths are taken from)."""
    if isinstance(run, (str, _os.PathLike)):
        return ("case", _absolute(run))
    if isinstance(run, dict):
        if _floatstate.CASE_KEYS.intersection(run):
            return ("case", _plain(dict(run)), _os.getcwd())
        return _solve_job(run)
    raise TypeError(f"a run is a dict (a solve job or a loading condition) or the path of a case "
                    f"file, not {type(run).__name__}")


def _run_one(job):
    """The report of one job, or the exception it raised."""
    try:
        kind, what, *folder = job
        if kind == "solve":
            return _json.loads(_core._run_job(what, ""))
        return _floatstate._run_case(what, folder[0] if folder else _os.getcwd())
    except Exception as error:  # noqa: BLE001 - every fault of a run goes in its place
        return error


def _share_threads(count):
    _core._share_threads(count)


def _run_chunk(jobs):
    return [job if isinstance(job, Exception) else _run_one(job) for job in jobs]


def _chunks(jobs, size):
    return [jobs[i:i + size] for i in range(0, len(jobs), size)]


def _chunk_size(count, workers, chunk_size):
    if chunk_size is not None:
        if not isinstance(chunk_size, int) or chunk_size < 1:
            raise ValueError(f"chunk_size: expected a whole number of at least 1, not "
                             f"{chunk_size!r}")
        return chunk_size
    # About four chunks per worker: few enough that the scheduling costs little beside short
    # runs, enough that a worker that finishes early takes more.
    return max(1, -(-count // (4 * max(workers, 1))))


def _local_context():
    # The extension starts threads; a forked copy of a process with threads may hold a lock
    # forever. A fresh interpreter (forkserver, or spawn where there is none) has none.
    methods = _multiprocessing.get_all_start_methods()
    return _multiprocessing.get_context("forkserver" if "forkserver" in methods else "spawn")


def _gather(futures):
    """Each future's result, or its exception (a worker lost on the way, say), in order."""
    from distributed import wait

    wait(futures)
    results = []
    for future in futures:
        if future.status == "finished":
            results.append(future.result())
        else:
            error = future.exception()
            results.append(error if isinstance(error, BaseException)
                           else RuntimeError(f"the run's task ended as {future.status}"))
    return results


def run(cases, client=None, *, processes=None, chunk_size=None):
    """Runs every case and returns their reports, in order.

    cases       an iterable of solve jobs (dicts with "body"), loading conditions (dicts with a
                case file's keys) and case file paths; see the module's help
    client      a dask.distributed.Client: the runs go to its workers (one machine or many);
                None: a pool of processes on this machine
    processes   without a client, the number of processes (default: os.cpu_count()); 0 runs
                every case here, one after another
    chunk_size  how many runs go to a worker at once (default: about four chunks per worker)

    Returns a list as long as cases: the report dict of each run that ended with one, the
    exception of each that did not.
    """
    jobs = []
    for case in cases:
        try:
            jobs.append(_job(case))
        except Exception as error:  # noqa: BLE001 - a run that cannot be sent fails in its place
            jobs.append(error)
    if not jobs:
        return []
    if client is not None:
        workers = max(1, len(client.scheduler_info().get("workers", {})))
        chunks = _chunks(jobs, _chunk_size(len(jobs), workers, chunk_size))
        futures = client.map(_run_chunk, chunks, pure=False)
        results = []
        for chunk, result in zip(chunks, _gather(futures)):
            results.extend(result if isinstance(result, list) else [result] * len(chunk))
        return results
    if processes == 0:
        return _run_chunk(jobs)
    if processes is not None and (not isinstance(processes, int) or processes < 0):
        raise ValueError(f"processes: expected a whole number of at least 0, not {processes!r}")
    workers = min(processes or _os.cpu_count() or 1, len(jobs))
    chunks = _chunks(jobs, _chunk_size(len(jobs), workers, chunk_size))
    # Each process evaluates on its share of the machine's threads, not on all of them.
    share = max(1, (_os.cpu_count() or 1) // workers)
    with _ProcessPoolExecutor(max_workers=workers, mp_context=_local_context(),
                              initializer=_share_threads, initargs=(share,)) as pool:
        futures = [pool.submit(_run_chunk, chunk) for chunk in chunks]
        results = []
        for chunk, future in zip(chunks, futures):
            error = future.exception()  # a process lost on the way: its runs fail with it
            results.extend([error] * len(chunk) if error is not None else future.result())
        return results

