#!/usr/bin/env python3
"""Checks that every project include runs downward: a folder's sources include only their own
folder and the folders its library links. The build enforces calls (an upward call fails to link);
this enforces the include graph, where an upward include of a header-only piece would not show.
Also checks that no source file exceeds the length a reader can hold in mind.

Usage: check_layering.py SOURCE_DIR
"""
import pathlib
import re
import sys

# What each folder may include besides itself, as its library links it (CMakeLists.txt).
ALLOWED = {
    "geometry": set(),
    "elements": {"geometry"},
    "submerged": {"elements", "geometry"},
    "solver": {"submerged", "elements", "geometry"},
    "stability": {"solver", "submerged", "elements", "geometry"},
    "loading": {"solver", "submerged", "elements", "geometry"},
    "app/platform": {"elements", "geometry"},
    "app/input": {"app/platform", "elements", "geometry"},
    "app/mesh": {"app/platform", "elements", "geometry"},
    "app/report": {"stability", "solver", "submerged", "app/input", "app/platform", "elements",
                   "geometry"},
    "app": {"app/report", "app/input", "app/mesh", "app/platform", "stability", "loading", "solver",
            "submerged", "elements", "geometry"},
    # The Python extension module, on top of everything.
    "python/src": {"app", "app/report", "app/input", "app/mesh", "app/platform", "stability",
                   "loading", "solver", "submerged", "elements", "geometry"},
}
MAX_LINES = 1000
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def folder_of(header):
    parts = header.split("/")[:-1]
    for depth in range(len(parts), 0, -1):
        candidate = "/".join(parts[:depth])
        if candidate in ALLOWED:
            return candidate
    return None


def main():
    root = pathlib.Path(sys.argv[1])
    problems = []
    checked = 0
    for folder, allowed in ALLOWED.items():
        sources = sorted(p for ext in ("*.h", "*.cpp") for p in (root / folder).glob(ext))
        if not sources:
            problems.append(f"{folder}/: no sources found (is the layout as expected?)")
        for path in sources:
            checked += 1
            text = path.read_text(encoding="utf-8", errors="replace")
            lines = text.count("\n")
            if lines > MAX_LINES:
                problems.append(f"{path.relative_to(root)}: {lines} lines (at most {MAX_LINES})")
            for header in INCLUDE.findall(text):
                target = folder_of(header)
                if target is not None and target != folder and target not in allowed:
                    problems.append(f"{path.relative_to(root)}: includes {header}, "
                                    f"a layer {folder}/ does not link")
    for line in problems:
        print(line)
    print(f"{checked} files checked, {len(problems)} problems")
    return 1 if problems or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
