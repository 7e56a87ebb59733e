"""The notebook-style example runs without a display and writes its picture."""

import os
import pathlib
import subprocess
import sys

import floatstate
from conftest import SOURCE


def test_the_gz_curve_example_writes_a_png(tmp_path):
    picture = tmp_path / "gz.png"
    environment = dict(os.environ, MPLBACKEND="Agg", MPLCONFIGDIR=str(tmp_path / "mpl"))
    environment.pop("DISPLAY", None)
    # The package under test, wherever the tests found it.
    package = str(pathlib.Path(floatstate.__file__).resolve().parents[1])
    environment["PYTHONPATH"] = os.pathsep.join(
        [package] + [p for p in environment.get("PYTHONPATH", "").split(os.pathsep) if p])
    done = subprocess.run([sys.executable, str(SOURCE / "examples" / "python" / "gz_curve.py"),
                           str(picture)], capture_output=True, text=True, env=environment,
                          cwd=tmp_path, timeout=300, check=False)
    assert done.returncode == 0, done.stderr
    assert f"wrote {picture}" in done.stdout
    data = picture.read_bytes()
    assert data.startswith(b"\x89PNG\r\n\x1a\n") and len(data) > 10000
    assert "verdict stable" in done.stdout
