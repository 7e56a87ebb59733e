#!/usr/bin/env bash
# Builds the Python package floatstate for Debian's python3 and installs it into that
# interpreter's folder for packages installed by hand (or under DESTDIR when it is set), with the
# Debian packages it needs. Root (or sudo) is needed only for what must be installed.
# Usage: bash python/install.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash .ci/install-packages
cmake -S . -B build/python -DCMAKE_BUILD_TYPE=Release -DFLOATSTATE_PYTHON=ON \
  -DPython3_EXECUTABLE=/usr/bin/python3 -DFLOATSTATE_BUILD_TESTS=OFF -DFLOATSTATE_BUILD_BENCH=OFF \
  >/dev/null
cmake --build build/python --target floatstate_python -j 2
as_root=()
[ "$(id -u)" -ne 0 ] && [ -z "${DESTDIR:-}" ] && as_root=(sudo)
"${as_root[@]}" cmake --install build/python --component python
