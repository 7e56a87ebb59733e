"""floatstate: the floating equilibrium of a body, from Python.

The same runs as the ``floatstate`` program, in the same process: a body is read once
(``Body.from_set``, ``Body.from_mesh``, ``Body.from_arrays``) and floated under any loading
(``solve``), and every result is the program's ``--json`` report as a dict, with the same keys
and the same doubles, bit for bit. Lengths are in the body's own unit (the SET or mesh file's),
angles in degrees, volumes in that unit cubed.

Faults raise ``ValueError`` (an input's content: a file's syntax, a body that cannot float, a
setting out of range) or ``OSError`` (a file that cannot be opened or read; its subclass, e.g.
``FileNotFoundError``, follows the error number), with the program's messages. Nothing is
written to standard output or standard error, and the runs release the GIL, so that threads
float bodies side by side. Many runs at once, on this machine or a Dask cluster:
``floatstate.batch.run``.
"""

import json as _json
import math as _math
import os as _os

from . import _core
from ._core import Body

__version__ = _core.__version__

__all__ = ["Body", "solve", "gz", "run_case", "hydrostatics", "batch", "__version__"]

# The keys of a loading condition (a case file's), which make a dict a case rather than a solve
# job in floatstate.batch.
CASE_KEYS = frozenset({"weights", "tanks", "compartments", "heeling_moments", "water_density"})


def _number(name, value):
    try:
        number = float(value)
    except (TypeError, ValueError):
        raise ValueError(f"{name}: expected a number, not {value!r}") from None
    if not _math.isfinite(number):
        raise ValueError(f"{name}: expected a finite number, not {value!r}")
    return number


def _point(name, value):
    try:
        coordinates = [_number(name, x) for x in value]
    except TypeError:
        raise ValueError(f"{name}: expected a point (x, y, z), not {value!r}") from None
    if len(coordinates) != 3:
        raise ValueError(f"{name}: expected a point (x, y, z), not {value!r}")
    return coordinates


def _pillars(value):
    if isinstance(value, bool):
        return value  # False: none; True is no choice, which the run says
    if isinstance(value, (str, _os.PathLike)):
        return _os.fspath(value)
    try:
        rows = [[_point("pillars", end) for end in pillar] for pillar in value]
    except TypeError:
        rows = None
    if rows is None or len(rows) != 4 or any(len(ends) != 2 for ends in rows):
        raise ValueError("pillars: expected None, False, a file, or four pillars of two points "
                         "each, shape (4, 2, 3)")
    return rows


def _settings(displacement=None, gravity=None, method="greedy", pillars=None, marks=None,
              mass=None, density=None, gz=None, max_steps=None, answer=False, strict=False):
    """The keyword arguments of solve as the settings of a solve job (floatstate.batch)."""
    settings = {}
    for name, value in (("displacement", displacement), ("mass", mass), ("density", density)):
        if value is not None:
            settings[name] = _number(name, value)
    if gravity is not None:
        settings["gravity"] = _point("gravity", gravity)
    if method is not None:
        settings["method"] = method
    if pillars is not None:
        settings["pillars"] = _pillars(pillars)
    if marks is not None:
        settings["marks"] = _os.fspath(marks)
    if gz is not None:
        settings["gz"] = gz if isinstance(gz, str) else [_number("gz", x) for x in gz]
    if max_steps is not None:
        settings["max_steps"] = max_steps
    settings["answer"] = "yes" if answer else "no"
    if strict:
        settings["strict"] = True
    return settings


def solve(body, displacement=None, gravity=None, method="greedy", pillars=None, marks=None, *,
          mass=None, density=None, gz=None, max_steps=None, answer=False, strict=False):
    """Floats the body and returns the program's JSON report as a dict.

    body          a Body (Body.from_set, Body.from_mesh, Body.from_arrays)
    displacement  the displacement volume V (the body's unit cubed); or give mass and density,
                  V = mass / density. A surface needs one; for a SET body it replaces the file's.
    gravity       the centre of gravity (x, y, z): a surface needs it; for a SET body it replaces
                  the file's
    method        "greedy" (the tilt iteration, the program's default) or "newton"
    pillars       None: FourPillars.txt beside the body's file, as the program reads it (a SET
                  body needs it; a body from arrays has none); False: no pillar drafts (as
                  --no-pillars); a path (as --pillars); or the four pillars themselves, an array
                  of shape (4, 2, 3): two points per pillar
    marks         a CSV file of draft marks (as --marks)
    gz            "FROM:TO:STEP" or (FROM, TO, STEP), heels in degrees: the righting-arm curve
                  (report keys "gz" and "gzSummary"), as --gz
    max_steps     the solver's step limit (as --max-steps)
    answer        the answer to the tilt iteration's question when no tilt helps: False stops
                  there (as --answer no, and as the program does when nothing is typed), True
                  goes on (as --answer yes)
    strict        True: a body with findings is refused (ValueError), as --strict

    The report's keys are those of `floatstate --json`: "program", "input", "solver",
    "waterPlane", "centreOfBuoyancy", "heelDeg", "trimDeg", "pillars", ("marks"),
    "hydrostatics", ("gz", "gzSummary"), "verdict", "warnings". Only "solver"/"seconds" (the time
    taken) differs from run to run. A number that does not exist is None.

    Raises ValueError for a setting out of range, a body that cannot float at this loading or
    findings under strict; OSError for a pillar or marks file that cannot be read.
    """
    settings = _settings(displacement, gravity, method, pillars, marks, mass, density, gz,
                         max_steps, answer, strict)
    return _json.loads(_core._solve(body, _json.dumps(settings)))


def gz(body, heels="0:60:5", **settings):
    """The righting-arm curve of the body over the heels, at its equilibrium.

    heels is "FROM:TO:STEP" or (FROM, TO, STEP) in degrees; the other keyword arguments are
    solve's. Returns {"gz": [{"heelDeg", "trimDeg", "gz"}, ...], "gzSummary": {"maxGz",
    "maxGzHeelDeg", "vanishingHeelDeg", "areaTo30Deg", "areaTo40Deg", "unbalancedTrimHeelsDeg"}}:
    the report's keys of `floatstate --gz`, GZ in the body's length unit, areas in that unit times
    radians.
    """
    report = solve(body, gz=heels, **settings)
    return {"gz": report["gz"], "gzSummary": report["gzSummary"]}


def run_case(case):
    """Floats a loading condition: a case file (path) or its content as a dict.

    The case is what `floatstate --case FILE` reads (YAML, or JSON: a dict is passed on as JSON
    text, which is YAML too): the body, its weights, tanks, flooded compartments and heeling
    moments. Paths in a dict are taken from the current folder, in a file from the file's folder.
    Returns the program's JSON report of the case.

    Raises ValueError for a case that is not one (the message names the line and the key) and
    OSError for a file that cannot be read.
    """
    return _run_case(case, _os.getcwd())


def _run_case(case, folder):
    """run_case with the paths of a dict taken from folder (where the batch was called)."""
    if isinstance(case, dict):
        text = _json.dumps(case)
        return _json.loads(_core._run_case_text(text, _os.path.join(folder, "<dict>")))
    path = _os.fspath(case)
    with open(path, encoding="utf-8") as file:
        text = file.read()
    return _json.loads(_core._run_case_text(text, path))


def hydrostatics(body, drafts, *, density=None):
    """The upright hydrostatic table of the body over the drafts, as `floatstate --hydrostatics`.

    drafts is "FROM:TO:STEP" or (FROM, TO, STEP) in the body's length unit; density is the
    water's (t/m^3; default sea water, 1.025). Returns one dict per draft, the report's
    "hydrostaticTable": draft, volume, displacement, LCB, TCB, KB, waterplaneArea, LCF, TCF, TPC,
    BMt, BMl, KMt, KMl, MCT, waterlineLength, waterlineBreadth, Cb, Cwp.

    Raises ValueError for drafts or a density out of range.
    """
    if not isinstance(drafts, str):
        values = [_number("drafts", x) for x in drafts]
        if len(values) != 3:
            raise ValueError(f"drafts: expected (FROM, TO, STEP), not {drafts!r}")
        drafts = ":".join(repr(x) for x in values)
    water = 1.025 if density is None else _number("density", density)
    return _json.loads(_core._hydrostatics(body, drafts, water))["hydrostaticTable"]


from . import batch  # noqa: E402  (after the functions it runs)
