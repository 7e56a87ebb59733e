# Type stubs of floatstate.batch.
import os
from typing import Any, Dict, Iterable, List, Optional, Union

Run = Union[Dict[str, Any], str, os.PathLike[str]]

def run(
    cases: Iterable[Run],
    client: Optional[Any] = None,
    *,
    processes: Optional[int] = None,
    chunk_size: Optional[int] = None,
) -> List[Union[Dict[str, Any], BaseException]]:
    """Runs every case and returns their reports (or exceptions) in order."""
