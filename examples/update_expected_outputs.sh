#!/usr/bin/env bash
# Rewrites every example's expected_output.txt from the program's own output (UTF-8, standard
# input closed, the elapsed time masked as the end-to-end tests mask it), and every case
# example's expected_case_output.txt from a run of its case.yaml. Review the diff before
# committing: the end-to-end tests compare against these files byte for byte.
# Usage: examples/update_expected_outputs.sh PATH/TO/floatstate
set -euo pipefail
program=$(realpath "$1")
cd "$(dirname "$0")"
for dir in */; do
  name=${dir%/}
  [ -f "$name/$name.txt" ] || continue
  LC_ALL=C.UTF-8 "$program" "$name/$name.txt" </dev/null |
    LC_ALL=C sed -E 's/[0-9]+\.[0-9]{2} seconds$/#.## seconds/' >"$name/expected_output.txt"
  echo "$name: $(wc -l <"$name/expected_output.txt") lines"
done
for dir in */; do
  name=${dir%/}
  [ -f "$name/case.yaml" ] || continue
  LC_ALL=C.UTF-8 "$program" --case "$name/case.yaml" </dev/null |
    LC_ALL=C sed -E 's/[0-9]+\.[0-9]{2} seconds$/#.## seconds/' >"$name/expected_case_output.txt"
  echo "$name (case): $(wc -l <"$name/expected_case_output.txt") lines"
done
