#!/usr/bin/env bash
# End-to-end cases for the floatstate program.
# Usage: cases.sh PROGRAM EXAMPLES_DIR CASE
# Each case runs the program, checks its exit code and what it wrote, and exits non-zero with a
# message on the first difference.
set -u
program=$1
examples=$2
case_name=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL ($case_name): $*" >&2
  for f in out err; do
    [ -f "$work/$f" ] && { echo "--- std$f:" >&2; head -c 4000 "$work/$f" >&2; echo >&2; }
  done
  exit 1
}

# run STDIN_FILE ARGS...: runs the program in a GBK console (LANG=C), leaving its standard output,
# standard error and exit code in $work/out, $work/err and $rc.
run() {
  local input=$1
  shift
  env -u LC_ALL -u LC_CTYPE -u LC_MESSAGES LANG=C "$program" "$@" <"$input" >"$work/out" 2>"$work/err"
  rc=$?
}

# The elapsed time is the only line that differs from run to run.
mask_time() { LC_ALL=C sed -E 's/[0-9]+\.[0-9]{2} seconds$/#.## seconds/'; }

expect_rc() { [ "$rc" -eq "$1" ] || fail "exit code $rc, expected $1"; }
# expect_line TEXT: standard output (converted to UTF-8) has a line that is exactly TEXT.
expect_line() {
  iconv -f GBK -t UTF-8 "$work/out" | grep -qxF -- "$1" || fail "no output line '$1'"
}
expect_err() { iconv -f GBK -t UTF-8 "$work/err" | grep -qF -- "$1" || fail "stderr lacks '$1'"; }
banner='Tarnwick Oskeld 设计 2023.10.17版本'

# write_set FILE VOLUME GX GY GZ [BODY]: a SET file with the given header and body text.
write_set() {
  printf 'Volume of Displacement=%s\nGra_Pt.x=%s\nGra_Pt.y=%s\nGra_Pt.z=%s\n%s' "$2" "$3" "$4" "$5" "${6:-}" >"$1"
}
unit_cube='Hexahedron
0,0,0
1,0,0
1,1,0
0,1,0
0,0,1
1,0,1
1,1,1
0,1,1
'

example_file() { echo "$examples/$1/$1.txt"; }

# Sanitized builds reserve terabytes of address space, so an address-space limit cannot apply.
skip_if_sanitized() {
  if ldd "$program" 2>/dev/null | grep -q -e libasan -e libubsan; then
    echo "skipped: a sanitized build cannot run under an address-space limit"
    exit 77
  fi
}

# write_slab FILE COUNT COLUMNS HEIGHT "V GX GY GZ": COUNT unit-square hexahedra of the height in
# rows of COLUMNS, with the SET header's volume and centre of gravity.
write_slab() {
  awk -v n="$2" -v columns="$3" -v h="$4" -v header="$5" 'BEGIN {
    split(header, v, " ")
    printf "Volume of Displacement=%s\nGra_Pt.x=%s\nGra_Pt.y=%s\nGra_Pt.z=%s\n", v[1], v[2], v[3], v[4]
    for (i = 0; i < n; i++) {
      x = i % columns; y = int(i / columns)
      printf "Hexahedron\n%d,%d,0\n%d,%d,0\n%d,%d,0\n%d,%d,0\n", x, y, x+1, y, x+1, y+1, x, y+1
      printf "%d,%d,%d\n%d,%d,%d\n%d,%d,%d\n%d,%d,%d\n", x, y, h, x+1, y, h, x+1, y+1, h, x, y+1, h
    }
  }' >"$1"
}

# run_limited KB: runs the program on $work/body.txt under an address-space limit of KB kilobytes.
run_limited() {
  (ulimit -v "$1" && exec env LANG=C "$program" "$work/body.txt" </dev/null >"$work/out" 2>"$work/err")
  rc=$?
}

# box_block LX LY LZ [X0]: a hexahedron filling x0..x0+LX, 0..LY, 0..LZ, numbered around its faces.
box_block() {
  local a=${4:-0} b=$((${4:-0} + $1))
  printf 'Hexahedron\n%s,0,0\n%s,0,0\n%s,%s,0\n%s,%s,0\n%s,0,%s\n%s,0,%s\n%s,%s,%s\n%s,%s,%s\n' \
    "$a" "$b" "$b" "$2" "$a" "$2" "$a" "$3" "$b" "$3" "$b" "$2" "$3" "$a" "$2" "$3"
}
# Vertical pillars at the corners of a 100 x 20 plan.
corner_pillars() {
  printf '#1:\n0,0,-1\n0,0,20\n#2:\n100,0,-1\n100,0,20\n#3:\n100,20,-1\n100,20,20\n#4:\n0,20,-1\n0,20,20\n' >"$work/FourPillars.txt"
}
# expect_verdict RC TEXT BODY...: the run ends with exit code RC, the four drafts on standard
# output, and standard error holding TEXT (nothing at all when TEXT is empty).
expect_verdict() {
  local want=$1 text=$2
  shift 2
  corner_pillars
  write_set "$work/body.txt" "$@"
  run /dev/null "$work/body.txt"
  expect_rc "$want"
  iconv -f GBK -t UTF-8 "$work/out" | grep -q '^4号立柱吃水=' || fail "no drafts on standard output"
  if [ -z "$text" ]; then
    [ ! -s "$work/err" ] || fail "standard error is not empty"
  else
    grep -qxF -- "$text" "$work/err" || fail "standard error lacks the line '$text'"
  fi
}

# A box 10 x 4 x 2 floating at half its height, with four vertical pillars at its corners:
# (0,0), (10,0), (10,4), (0,4). write_box FOLDER GX GY.
write_box() {
  write_set "$1/box.txt" 40 "$2" "$3" 0.5 "$(box_block 10 4 2)"
  printf '#1:\n0,0,0\n0,0,2\n#2:\n10,0,0\n10,0,2\n#3:\n10,4,0\n10,4,2\n#4:\n0,4,0\n0,4,2\n' >"$1/FourPillars.txt"
}

# check_json FILE PYTHON: runs the Python statements with the parsed report in `j` and the
# program's standard output, decoded from GBK, in `out`; an AssertionError fails the case.
check_json() {
  python3 - "$1" "$work/out" "$2" <<'EOF' || fail "report check failed"
import json, re, sys
j = json.load(open(sys.argv[1]))
out = open(sys.argv[2], 'rb').read().decode('gbk')
def numbers(text):
    return [float(x) for x in re.findall(r'-?\d+(?:\.\d+)?(?:e[-+]\d+)?', text)]
def line(prefix):
    found = [l for l in out.splitlines() if l.lstrip().startswith(prefix)]
    assert len(found) == 1, (prefix, found)
    return found[0][len(found[0]) - len(found[0].lstrip()) + len(prefix):]
exec(sys.argv[3])
EOF
}

# expect_picture SVG: the file is well-formed XML and renders to a PNG of the size the SVG
# declares, with no temporary file left beside it.
# expect_no_temporary FILE: no temporary file of a report is left beside FILE.
expect_no_temporary() {
  local left
  left=$(find "$(dirname "$1")" -maxdepth 1 -name "$(basename "$1").floatstate-tmp*" | head -n 1)
  [ -z "$left" ] || fail "temporary file $left left beside $1"
}

expect_picture() {
  expect_no_temporary "$1"
  xmllint --noout "$1" 2>"$work/xml" || fail "$1 is not well-formed XML: $(head -3 "$work/xml")"
  rsvg-convert "$1" -o "$work/picture.png" || fail "$1 does not render"
  [ -s "$work/picture.png" ] || fail "the rendered picture is empty"
  local declared rendered
  declared=$(sed -n 's/^<svg[^>]* width="\([0-9]*\)" height="\([0-9]*\)".*/\1x\2/p' "$1")
  # The PNG header: width and height as big-endian 32-bit numbers at byte 16.
  rendered=$(od -An -tu1 -j16 -N8 "$work/picture.png" |
    awk '{ printf "%dx%d", (($1 * 256 + $2) * 256 + $3) * 256 + $4, (($5 * 256 + $6) * 256 + $7) * 256 + $8 }')
  [ -n "$declared" ] && [ "$declared" = "$rendered" ] ||
    fail "picture declared as '$declared' renders as '$rendered'"
}

# The pontoon barge's 40 x 12 x 4 box as a closed surface: its corners (1-based, bottom then top,
# counter-clockwise seen from above) and its six faces, each counter-clockwise seen from outside.
box_corners=("0 0 0" "40 0 0" "40 12 0" "0 12 0" "0 0 4" "40 0 4" "40 12 4" "0 12 4")
box_faces=("1 4 3 2" "5 6 7 8" "1 2 6 5" "2 3 7 6" "3 4 8 7" "4 1 5 8")
# box_obj FILE [FACES...]: the box as OBJ, with the given faces (default: all six).
box_obj() {
  local file=$1 c f
  shift
  [ $# -gt 0 ] || set -- "${box_faces[@]}"
  { for c in "${box_corners[@]}"; do echo "v $c"; done
    for f in "$@"; do echo "f $f"; done; } >"$file"
}
# The faces as triangles (a, b, c) and (a, c, d), one corner index triple per line.
box_triangles() {
  local f a b c d
  for f in "${box_faces[@]}"; do
    read -r a b c d <<<"$f"
    printf '%s %s %s\n%s %s %s\n' "$a" "$b" "$c" "$a" "$c" "$d"
  done
}
box_stl_ascii() {
  local t i
  { echo "solid barge"
    while read -r -a t; do
      printf ' facet normal 0 0 0\n  outer loop\n'
      for i in "${t[@]}"; do echo "   vertex ${box_corners[$((i - 1))]}"; done
      printf '  endloop\n endfacet\n'
    done < <(box_triangles)
    echo "endsolid barge"; } >"$1"
}
# run_mesh FILE ARGS...: a mesh run of FILE with the barge example's pillars beside it.
run_mesh() {
  cp "$examples/pontoon_barge/FourPillars.txt" "$(dirname "$1")/"
  run /dev/null --mesh "$@"
}

# Each file of cases returns when the case is not one of its own, and exits when it ran it.
here=$(dirname "${BASH_SOURCE[0]}")
for cases in "$here"/cases_*.sh; do
  # shellcheck source=/dev/null
  source "$cases"
done
fail "unknown case"
