# Type stubs of the floatstate package (the extension's Body and the package's functions).
import os
from typing import Any, Dict, List, Literal, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

from . import batch as batch

__version__: str
CASE_KEYS: frozenset[str]

Path = Union[str, os.PathLike[str]]
Point = Sequence[float]
HeelRange = Union[str, Sequence[float]]
Report = Dict[str, Any]

class Body:
    """A body read and checked once, to be floated any number of times."""

    @staticmethod
    def from_set(path: Path) -> Body:
        """Reads the SET file at path, as `floatstate PATH` reads it."""
    @staticmethod
    def from_mesh(path: Path) -> Body:
        """Reads and checks the closed triangle surface of a mesh file (STL, OBJ, OFF)."""
    @staticmethod
    def from_arrays(
        vertices: npt.ArrayLike, triangles: npt.ArrayLike, name: str = "arrays"
    ) -> Body:
        """The solid inside the closed surface of points (n, 3) and triangles (m, 3)."""
    @property
    def kind(self) -> Literal["set", "mesh", "arrays"]: ...
    @property
    def path(self) -> Optional[str]: ...
    @property
    def name(self) -> str: ...
    @property
    def warnings(self) -> List[Dict[str, Any]]: ...
    @property
    def displacement(self) -> Optional[float]: ...
    @property
    def gravity(self) -> Optional[Tuple[float, float, float]]: ...
    @property
    def elements(self) -> Dict[str, int]: ...
    @property
    def surface(self) -> Optional[Tuple[npt.NDArray[np.float64], npt.NDArray[np.int64]]]: ...
    @property
    def bounds(self) -> Tuple[Tuple[float, float, float], Tuple[float, float, float]]: ...

def solve(
    body: Body,
    displacement: Optional[float] = None,
    gravity: Optional[Point] = None,
    method: Literal["greedy", "newton"] = "greedy",
    pillars: Union[None, Literal[False], Path, npt.ArrayLike] = None,
    marks: Optional[Path] = None,
    *,
    mass: Optional[float] = None,
    density: Optional[float] = None,
    gz: Optional[HeelRange] = None,
    max_steps: Optional[int] = None,
    answer: bool = False,
    strict: bool = False,
) -> Report:
    """Floats the body and returns the program's JSON report as a dict."""

def gz(body: Body, heels: HeelRange = "0:60:5", **settings: Any) -> Dict[str, Any]:
    """The righting-arm curve over the heels: {"gz": [...], "gzSummary": {...}}."""

def run_case(case: Union[Path, Dict[str, Any]]) -> Report:
    """Floats a loading condition (a case file, or its content as a dict)."""

def hydrostatics(
    body: Body, drafts: HeelRange, *, density: Optional[float] = None
) -> List[Dict[str, Optional[float]]]:
    """The upright hydrostatic table over the drafts."""
