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

case "$case_name" in
example_gbk:*)
  name=${case_name#example_gbk:}
  run /dev/null "$(example_file "$name")"
  expect_rc 0
  iconv -f UTF-8 -t GBK "$examples/$name/expected_output.txt" >"$work/expected" ||
    fail "expected output is not convertible to GBK"
  mask_time <"$work/out" | cmp -s - "$work/expected" ||
    fail "output differs from $name/expected_output.txt (compared as GBK bytes)"
  ;;
example_utf8:*)
  name=${case_name#example_utf8:}
  LC_ALL=C.UTF-8 "$program" "$(example_file "$name")" </dev/null >"$work/out" 2>"$work/err"
  rc=$?
  expect_rc 0
  mask_time <"$work/out" | cmp -s - "$examples/$name/expected_output.txt" ||
    fail "UTF-8 output differs from $name/expected_output.txt"
  ;;
barge_by_hand)
  # The barge is a 40 x 12 x 4 m box on its keel at z = 0. Upright, a displacement of 960 m^3
  # needs the draft T = 960 / (40 * 12) = 2 m, so the water plane is z = 2, i.e. (0, 0, 1, -2).
  # The submerged part is the box 40 x 12 x 2, whose centroid B = (20, 6, 1). G = (20, 6, 3)
  # lies on the vertical through B, so the lines of action coincide and no tilt is needed. Every
  # pillar is vertical, so each reads the draft 2.
  run /dev/null "$(example_file pontoon_barge)"
  expect_rc 0
  expect_line '水平面方程四个系数:A= 0 , B=0 , C=1 , D=-2'
  expect_line '浮体坐标系下, 浮心坐标( 20 , 6 , 1 ).'
  for k in 1 2 3 4; do expect_line "${k}号立柱吃水=2"; done
  ;;
cancel)
  run /dev/null
  expect_rc 1
  printf '%s\n SET file(Format2) read error! \n' "$banner" | iconv -f UTF-8 -t GBK >"$work/expected"
  cmp -s "$work/out" "$work/expected" || fail "standard output is not banner + read error"
  expect_err 'Warning!'
  expect_err '文件打开失败!'
  ;;
typed_path)
  example_file pontoon_barge >"$work/in"
  run "$work/in"
  expect_rc 0
  expect_err 'Select a text file.'
  expect_line '1号立柱吃水=2'
  ;;
typed_path_txt_default)
  cp "$(example_file pontoon_barge)" "$work/body.txt"
  cp "$examples/pontoon_barge/FourPillars.txt" "$work/"
  printf '%s\n' "$work/does-not-exist.txt" "$work/body" >"$work/in"
  run "$work/in"
  expect_rc 0
  expect_line '4号立柱吃水=2'
  ;;
missing_pillars)
  cp "$(example_file pontoon_barge)" "$work/body.txt"
  run /dev/null "$work/body.txt"
  expect_rc 1
  expect_line '浮体坐标系下, 浮心坐标( 20 , 6 , 1 ).'
  [ "$(tail -n 1 "$work/out")" = 'Pillar file read error! ' ] || fail "last line is not the pillar error"
  ;;
no_elements)
  write_set "$work/body.txt" 1 0 0 0
  run /dev/null "$work/body.txt"
  expect_rc 1
  grep -q 'no elements' "$work/out" || fail "no message about the empty body"
  ;;
bad_volume)
  for v in 0 -5; do
    write_set "$work/body.txt" "$v" 0.5 0.5 0.3 "$unit_cube"
    run /dev/null "$work/body.txt"
    expect_rc 1
    grep -q "Volume of Displacement=$v" "$work/out" || fail "volume $v not named in the message"
  done
  ;;
volume_above_body)
  write_set "$work/body.txt" 2 0.5 0.5 0.3 "$unit_cube"
  run /dev/null "$work/body.txt"
  expect_rc 1
  grep -q 'Volume of Displacement=2 .*volume of the whole body (1)' "$work/out" ||
    fail "message does not name both volumes"
  ;;
bad_gravity)
  write_set "$work/body.txt" 0.5 0.5 inf 0.3 "$unit_cube"
  run /dev/null "$work/body.txt"
  expect_rc 1
  grep -q 'line 3' "$work/out" || fail "the non-finite centre of gravity is not reported"
  ;;
json_report)
  # The console's six digits and, at --digits 17, the summary's are the JSON's doubles.
  name=semi_submersible
  run /dev/null "$(example_file $name)" --summary --digits 17 --json "$work/r.json"
  expect_rc 0
  expect_no_temporary "$work/r.json"
  iconv -f UTF-8 -t GBK "$examples/$name/expected_output.txt" >"$work/expected"
  head -n "$(wc -l <"$work/expected")" "$work/out" | mask_time | cmp -s - "$work/expected" ||
    fail "the fixed lines differ from the default output"
  check_json "$work/r.json" '
g6 = lambda x: "%g" % x
p = j["waterPlane"]
assert numbers(line("水平面方程四个系数:")) == [float(g6(p[k])) for k in "ABCD"]
assert numbers(line("浮体坐标系下, 浮心坐标(")) == [float(g6(x)) for x in j["centreOfBuoyancy"]]
for pillar in j["pillars"]:
    assert numbers(line("%d号立柱吃水=" % pillar["index"])) == [float(g6(pillar["draft"]))]
assert numbers(line("横倾角(+y侧下沉为正)")) == [j["heelDeg"]]
assert numbers(line("纵倾角(+x端下沉为正)")) == [j["trimDeg"]]
assert numbers(line("浮心高度KB")) == [j["centreOfBuoyancy"][2]]
drafts = [p["draft"] for p in j["pillars"]]
assert abs(numbers(line("平均吃水"))[0] - sum(drafts) / 4) <= 1e-14 * 16
assert j["verdict"] == "stable" and j["solver"]["converged"] is True
assert j["input"]["elements"] == {"tetrahedra": 0, "hexahedra": 96, "prisms": 0, "cylinders": 16}
assert j["input"]["displacementVolume"] == 11690.9 and j["input"]["centreOfGravity"] == [30.6, 25.4, 14]
h = j["hydrostatics"]
assert numbers(line("水线面面积")) == [h["waterplaneArea"], 2]
assert numbers(line("漂心坐标")) == h["centreOfFlotation"]
for key, label in (("BMt", "横稳心半径BMt"), ("BMl", "纵稳心半径BMl"), ("GMt", "横稳性高GMt"), ("GMl", "纵稳性高GMl")):
    assert numbers(line(label)) == [h[key]], key
assert j["solver"]["steps"] == 6 and j["solver"]["draftSearches"] > 7
'
  # The box barge by hand (40 x 12 m, draft 2, KG 3): BM = B^2 / 12T about x, L^2 / 12T about y,
  # GM = KB + BM - KG.
  run /dev/null "$(example_file pontoon_barge)" --json "$work/barge.json"
  expect_rc 0
  check_json "$work/barge.json" '
h = j["hydrostatics"]
near = lambda a, b: abs(a - b) <= 1e-9 * max(1, abs(b))
assert near(h["waterplaneArea"], 480) and near(h["BMt"], 6) and near(h["BMl"], 1600 / 24)
assert near(h["GMt"], 4) and near(h["GMl"], 1600 / 24 - 2) and near(h["GMmin"], 4)
assert j["heelDeg"] == 0 and j["trimDeg"] == 0 and j["solver"]["steps"] == 0
'
  ;;
json_stdout)
  # Standard output holds the JSON alone; the console texts move to standard error unchanged.
  name=spar
  env LANG=C "$program" "$(example_file $name)" --json - </dev/null 2>"$work/err" |
    python3 -m json.tool >"$work/out" || fail "standard output is not one JSON document"
  grep -q '"verdict": "stable"' "$work/out" || fail "no verdict in the JSON"
  iconv -f UTF-8 -t GBK "$examples/$name/expected_output.txt" >"$work/expected"
  mask_time <"$work/err" | cmp -s - "$work/expected" || fail "standard error is not the console output"
  ;;
heel_trim_signs)
  # G moved towards +y heels the box so that its +y side lies deeper (pillar 3 at y = 4 reads more
  # than pillar 2 at y = 0); G moved towards +x trims it so that its +x end lies deeper.
  write_box "$work" 5 2.2
  run /dev/null "$work/box.txt" --json "$work/heel.json"
  expect_rc 0
  check_json "$work/heel.json" '
d = [p["draft"] for p in j["pillars"]]
assert j["heelDeg"] > 1 and abs(j["trimDeg"]) < 1e-6 and d[2] > d[1] and d[3] > d[0], j
'
  write_box "$work" 5.5 2
  run /dev/null "$work/box.txt" --json "$work/trim.json"
  expect_rc 0
  check_json "$work/trim.json" '
d = [p["draft"] for p in j["pillars"]]
assert j["trimDeg"] > 1 and abs(j["heelDeg"]) < 1e-6 and d[1] > d[0] and d[2] > d[3], j
'
  ;;
marks)
  # Marks on their own (no pillar file); a mark parallel to the water plane has no draft.
  write_box "$work" 5 2
  rm "$work/FourPillars.txt"
  printf 'name,x1,y1,z1,x2,y2,z2\nbow,10,2,0,10,2,2\n"keel, flat",0,0,0,10,0,0\n' >"$work/m.csv"
  run /dev/null "$work/box.txt" --marks "$work/m.csv" --summary --lang en --json "$work/r.json"
  expect_rc 0
  grep -q '^  draft mark bow  *1 L$' "$work/out" || fail "no summary line of the mark"
  check_json "$work/r.json" '
assert j["marks"] == [{"name": "bow", "draft": 1.0}, {"name": "keel, flat", "draft": None}], j
assert j["pillars"] == [] and j["input"]["pillarFile"] is None
'
  printf 'name,x1,y1,z1,x2,y2\nbow,10,2,0,10,2\n' >"$work/m.csv"
  run /dev/null "$work/box.txt" --marks "$work/m.csv"
  expect_rc 1
  expect_err "marks file $work/m.csv line 1: no column z2"
  ;;
lang_en)
  # English: pure ASCII, and line for line the same numbers as Chinese. The bodies reach every
  # text: an example with the summary, a box whose centre of gravity lies on its centre of
  # buoyancy, and one whose centre of gravity is too high (the question, answered by end of input).
  write_box "$work" 5 2
  cp "$work/box.txt" "$work/upright.txt"
  write_set "$work/high.txt" 40 5 2.1 3 "$(box_block 10 4 2)"
  for body in "$(example_file semi_submersible) --summary" "$work/upright.txt" "$work/high.txt"; do
    # shellcheck disable=SC2086
    run /dev/null $body
    mask_time <"$work/out" >"$work/zh"
    # shellcheck disable=SC2086
    run /dev/null $body --lang en
    mask_time <"$work/out" >"$work/en"
    LC_ALL=C grep -n '[^ -~]' "$work/en" && fail "English output of $body is not printable ASCII"
    python3 - "$work/zh" "$work/en" <<'EOF' || fail "English and Chinese differ for $body"
import re, sys
zh = open(sys.argv[1], 'rb').read().decode('gbk').splitlines()
en = open(sys.argv[2]).read().splitlines()
assert len(zh) == len(en) > 10, (len(zh), len(en))
numbers = lambda text: re.findall(r'\d+(?:\.\d+)?(?:e[-+]\d+)?', text)
for a, b in zip(zh, en):
    assert numbers(a) == numbers(b), (a, b)
EOF
  done
  ;;
quiet)
  # --quiet leaves out the step lines and nothing else.
  run /dev/null "$(example_file prism_hull)" --quiet
  expect_rc 0
  iconv -f UTF-8 -t GBK "$examples/prism_hull/expected_output.txt" | grep -av '^Step' >"$work/expected"
  mask_time <"$work/out" | cmp -s - "$work/expected" || fail "not the output without its step lines"
  ;;
righting_arm)
  # The curve and the picture come after the default output, which stays as it is; the table's
  # numbers are the JSON's; the picture parses and renders.
  name=semi_submersible
  run /dev/null "$(example_file $name)" --gz 0:60:5 --svg "$work/p.svg" --json "$work/r.json"
  expect_rc 0
  iconv -f UTF-8 -t GBK "$examples/$name/expected_output.txt" >"$work/expected"
  head -n "$(wc -l <"$work/expected")" "$work/out" | mask_time | cmp -s - "$work/expected" ||
    fail "the default lines differ"
  expect_line '复原力臂曲线(L为SET文件的长度单位):'
  check_json "$work/r.json" '
lines = out.splitlines()
title = lines.index("复原力臂曲线(L为SET文件的长度单位):")
rows = [numbers(l) for l in lines[title + 2:title + 15]]
assert [p["heelDeg"] for p in j["gz"]] == list(range(0, 61, 5)), j["gz"]
assert rows == [[float("%g" % p[k]) for k in ("heelDeg", "trimDeg", "gz")] for p in j["gz"]], rows
s = j["gzSummary"]
assert numbers(lines[title + 15]) == [float("%g" % s["maxGz"])]
assert numbers(lines[title + 16]) == [float("%g" % s["maxGzHeelDeg"])]
assert 30 < s["maxGzHeelDeg"] < 40 and s["vanishingHeelDeg"] is None
assert 0 < s["areaTo30Deg"] < s["areaTo40Deg"] and s["unbalancedTrimHeelsDeg"] == []
'
  expect_picture "$work/p.svg"
  grep -q 'Righting arm GZ' "$work/p.svg" || fail "no curve panel in the picture"
  # The box barge (40 x 12 m, draft 2, KG 3) is wall-sided up to 18.4 degrees:
  # GZ = sin(phi) (GM + BM tan^2(phi) / 2) with GM = 4, BM = 6.
  run /dev/null "$(example_file pontoon_barge)" --gz 0:18:3 --json "$work/b.json" --svg "$work/b.svg"
  expect_rc 0
  check_json "$work/b.json" '
import math
for p in j["gz"]:
    phi = math.radians(p["heelDeg"])
    want = math.sin(phi) * (4 + 6 * math.tan(phi) ** 2 / 2)
    assert abs(p["gz"] - want) <= 1e-6 * want + 1e-12 and p["trimDeg"] == 0, (p, want)
'
  expect_picture "$work/b.svg"
  ;;
picture_and_range_errors)
  # Without --gz the picture has no curve panel; a picture that cannot be written ends the run
  # with exit code 1 after the report; a heel range that is not one is a command-line error.
  run /dev/null "$(example_file spar)" --svg "$work/s.svg" --lang en
  expect_rc 0
  expect_picture "$work/s.svg"
  grep -q 'Righting arm' "$work/s.svg" && fail "a curve panel without --gz"
  run /dev/null "$(example_file spar)" --svg "$work/missing/s.svg"
  expect_rc 1
  expect_err "floatstate: cannot write the picture $work/missing/s.svg"
  for range in 0:60 0:60:0 10:0:5 0:200:5 a:b:c 0:60:5:1; do
    run /dev/null "$(example_file spar)" --gz "$range"
    expect_rc 2
    grep -q -- '--gz' "$work/err" || fail "the error for --gz $range does not name the option"
  done
  ;;
methods)
  # --method newton: the tilt iteration's header and step lines, the same equilibrium (drafts to
  # the tolerance's order), far fewer draft searches, the method in the report.
  name=prism_hull
  run /dev/null "$(example_file $name)" --method newton --json "$work/n.json"
  expect_rc 0
  iconv -f UTF-8 -t GBK "$examples/$name/expected_output.txt" >"$work/expected"
  head -n 8 "$work/out" | cmp -s - <(head -n 8 "$work/expected") || fail "header lines differ"
  check_json "$work/n.json" '
assert j["solver"]["method"] == "newton" and j["verdict"] == "stable"
assert len([l for l in out.splitlines() if l.startswith("Step")]) == j["solver"]["steps"] + 1
assert j["solver"]["draftSearches"] <= 10
greedy = [float(l.split("=")[1]) for l in open("'"$work/expected"'", "rb").read().decode("gbk").splitlines() if "号立柱吃水=" in l]
assert all(abs(p["draft"] - g) < 1e-3 for p, g in zip(j["pillars"], greedy)), (j["pillars"], greedy)
'
  # --max-steps ends the iteration unconverged, at its last step line.
  run /dev/null "$(example_file $name)" --max-steps 3 --json "$work/g.json"
  expect_rc 3
  expect_err 'floatstate: the iteration stopped at its limit of 3 steps (--max-steps)'
  [ "$(grep -ac '^Step' "$work/out")" -eq 4 ] || fail "not four step lines"
  check_json "$work/g.json" 'assert j["solver"]["method"] == "greedy" and j["solver"]["steps"] == 3'
  # G far above the deck: the restoring matrix is not positive definite and no tilt helps; the
  # matrix's own rotation reaches the heeled equilibrium nearby, which is unstable. The solver
  # leaves it down the potential to the side G leans to, and the box capsizes: upside down, G lies
  # 5 below its new keel, a stable equilibrium.
  corner_pillars
  write_set "$work/body.txt" 10000 50 11 15 "$(box_block 100 20 10)"
  run /dev/null "$work/body.txt" --method newton --json "$work/c.json"
  expect_rc 0
  expect_err 'floatstate: newton: the restoring matrix was not positive definite'
  expect_err 'followed the Newton rotation of the indefinite restoring matrix'
  expect_err 'floatstate: newton: passed 1 unstable equilibrium and went on down the potential'
  check_json "$work/c.json" '
assert j["verdict"] == "stable" and j["waterPlane"]["C"] < -0.99, j["waterPlane"]
'
  for bad in '--method fast' '--max-steps 0' '--max-steps x'; do
    run /dev/null "$(example_file $name)" $bad
    expect_rc 2
  done
  ;;
long_run)
  # A random body (a sliver of a millionth of its volume, far from the origin) on which the tilt
  # step collapses: at the 10,000th step the iteration says so once on standard error and goes on
  # to its equilibrium; the Newton solver finds the same one in a few dozen steps.
  body="$(dirname "${BASH_SOURCE[0]}")/long_run/body.txt"
  run /dev/null "$body" --json "$work/g.json"
  expect_rc 0
  [ "$(grep -c 'has taken 10000 steps and its angle step has stalled at ' "$work/err")" -eq 1 ] ||
    fail "not one long-run note"
  expect_err '; --method newton converges faster'
  run /dev/null "$body" --method newton --json "$work/n.json"
  expect_rc 0
  ! grep -q 'has taken' "$work/err" || fail "a long-run note from the Newton solver"
  check_json "$work/n.json" '
g = json.load(open("'"$work/g.json"'"))
assert g["solver"]["steps"] > 10000 and j["solver"]["steps"] < 50
assert all(abs(a["draft"] - b["draft"]) < 1e-3 for a, b in zip(j["pillars"], g["pillars"]))
'
  ;;
pillars_optional)
  # A finished run is never thrown away: without its pillar file a SET file run writes every report
  # it was asked for, then ends as it always has (the console's last line, exit code 1); the
  # pillars of another file, none at all, or a mesh run without a pillar file end normally.
  write_box "$work" 5 2
  mv "$work/FourPillars.txt" "$work/other_pillars.txt"
  run /dev/null "$work/box.txt" --summary --json "$work/r.json" --svg "$work/p.svg" --gz 0:10:5 --lang en
  expect_rc 1
  [ "$(tail -n 1 "$work/out")" = 'Pillar file read error! ' ] || fail "last line is not the pillar error"
  grep -q '^  verdict  *stable equilibrium$' "$work/out" || fail "no summary before the error"
  expect_err "floatstate: cannot open pillar file '$work/FourPillars.txt': No such file or directory"
  expect_picture "$work/p.svg"
  check_json "$work/r.json" '
assert j["pillars"] is None and j["input"]["pillarFile"] is None, j
assert "cannot open pillar file" in j["input"]["pillarFileError"], j["input"]
assert j["verdict"] == "stable" and [p["heelDeg"] for p in j["gz"]] == [0, 5, 10]
'
  # A pillar file that cannot be read: the same, its fault named by file and line.
  printf '#1:\n0,0,0\n0,0,2\n#2:\n10,0\n' >"$work/FourPillars.txt"
  run /dev/null "$work/box.txt" --json "$work/r.json"
  expect_rc 1
  expect_err "floatstate: $work/FourPillars.txt: Pillar file line 5: expected the first point (x,y,z) of pillar 2"
  check_json "$work/r.json" 'assert j["pillars"] is None and j["verdict"] == "stable"'
  # --pillars FILE reads the other file; --no-pillars reads none.
  run /dev/null "$work/box.txt" --pillars "$work/other_pillars.txt" --json "$work/r.json"
  expect_rc 0
  expect_line '3号立柱吃水=1'
  check_json "$work/r.json" '
assert j["input"]["pillarFile"] == "'"$work/other_pillars.txt"'" and len(j["pillars"]) == 4
'
  run /dev/null "$work/box.txt" --no-pillars --json "$work/r.json"
  expect_rc 0
  iconv -f GBK -t UTF-8 "$work/out" | grep -q '立柱吃水' && fail "pillar drafts with --no-pillars"
  check_json "$work/r.json" 'assert j["pillars"] == [] and j["input"]["pillarFile"] is None'
  # A pillar file named on the command line is read before the run: a fault ends it at once.
  run /dev/null "$work/box.txt" --pillars "$work/missing.txt" --json "$work/r.json.2"
  expect_rc 1
  expect_err "floatstate: cannot open pillar file '$work/missing.txt': No such file or directory"
  grep -aq '^Step' "$work/out" && fail "the body was floated"
  [ ! -e "$work/r.json.2" ] || fail "a report of a run that did not take place"
  run /dev/null "$work/box.txt" --pillars "$work/a" --no-pillars
  expect_rc 2
  # A mesh run without a pillar file: no draft lines, exit code 0.
  box_obj "$work/barge.obj"
  rm -f "$work/FourPillars.txt"
  run /dev/null --mesh "$work/barge.obj" --displacement 960 --gravity 20,6,3 --svg "$work/m.svg"
  expect_rc 0
  [ ! -s "$work/err" ] || fail "standard error is not empty"
  iconv -f GBK -t UTF-8 "$work/out" | grep -q '立柱吃水' && fail "pillar drafts without a pillar file"
  grep -q 'surface edges under water' "$work/m.svg" || fail "the legend does not name the surface"
  grep -q -e 'element edges' -e '>pillar' "$work/m.svg" && fail "the legend names elements or pillars"
  ;;
answer_unattended)
  # --answer: the question is shown with its answer and nothing reads standard input, so a pipe
  # that never closes cannot hold the run; without a SET file nothing is asked either.
  write_set "$work/high.txt" 40 5 2.1 3 "$(box_block 10 4 2)"
  corner_pillars
  for answer in no yes; do
    start=$SECONDS
    timeout 10 env LANG=C "$program" "$work/high.txt" --answer "$answer" --lang en < <(sleep 30) \
      >"$work/out" 2>"$work/err"
    rc=$?
    [ $((SECONDS - start)) -lt 5 ] || fail "--answer $answer took $((SECONDS - start)) s"
    [ "$rc" -ne 124 ] || fail "--answer $answer timed out"
    grep -A1 "otherwise enter 'n'" "$work/out" | tail -n 1 | grep -qx "${answer:0:1}" ||
      fail "the answer ${answer:0:1} does not follow the question"
  done
  # The prompt for a file: without --answer an empty line or the end of the input chooses no
  # file; with --answer there is no prompt.
  printf '\n' >"$work/in"
  run "$work/in"
  expect_rc 1
  expect_err 'floatstate: no SET file was chosen'
  timeout 10 env LANG=C "$program" --answer no < <(sleep 30) >"$work/out" 2>"$work/err"
  rc=$?
  expect_rc 1
  expect_err 'floatstate: no SET file given: with --answer nothing is asked on the console'
  grep -q 'File name' "$work/err" && fail "a file prompt with --answer"
  run /dev/null "$work/high.txt" --answer maybe
  expect_rc 2
  run /dev/null --help
  grep -q 'Unattended runs' "$work/out" || fail "--help does not say how to run unattended"
  ;;
loll)
  # A box 60 x 10 x 8 at draft 4: KB = 2, BM = 10^2 / (12 * 4) = 2.0833, KG = 4.5, so GM = -0.4167.
  # With G 0.001 off the centre line it lolls to its side: wall-sided, GZ(phi) =
  # sin(phi) (GM + BM tan^2(phi) / 2) - 0.001 cos(phi) = 0 at 32.36 degrees. The tilt iteration gets
  # there when told to go on at each question; the Newton solver passes the unstable equilibrium
  # a fraction of a degree to the other side and goes on down to the loll, and says so.
  hull='Hexahedron
0,-5,0
60,-5,0
60,5,0
0,5,0
0,-5,8
60,-5,8
60,5,8
0,5,8
'
  write_set "$work/loll.txt" 2400 30 0.001 4.5 "$hull"
  printf '#1:\n0,-5,-1\n0,-5,9\n#2:\n60,-5,-1\n60,-5,9\n#3:\n60,5,-1\n60,5,9\n#4:\n0,5,-1\n0,5,9\n' >"$work/FourPillars.txt"
  run /dev/null "$work/loll.txt" --answer yes --json "$work/g.json" --summary
  expect_rc 0
  [ "$(grep -c '^y$' "$work/out")" -gt 10 ] || fail "the question was not answered yes"
  expect_line '  纵倾角(+x端下沉为正)  0 度'
  run /dev/null "$work/loll.txt" --method newton --json "$work/n.json"
  expect_rc 0
  expect_err 'floatstate: newton: passed 1 unstable equilibrium and went on down the potential to the side the body leans'
  check_json "$work/n.json" '
import math
g = json.load(open("'"$work/g.json"'"))
GM, BM = 2 + 100 / 48 - 4.5, 100 / 48
lo, hi = math.radians(1), math.radians(60)
arm = lambda phi: math.sin(phi) * (GM + BM * math.tan(phi) ** 2 / 2) - 0.001 * math.cos(phi)
for _ in range(100):
    mid = (lo + hi) / 2
    lo, hi = (mid, hi) if arm(mid) < 0 else (lo, mid)
loll = math.degrees(lo)
assert abs(loll - 32.36) < 0.01, loll
for r in (g, j):
    assert r["verdict"] == "stable" and abs(r["heelDeg"] - loll) < 0.01 and r["trimDeg"] == 0, r
    assert r["hydrostatics"]["GMt"] > 0
'
  # G on the centre line: the body leans to neither side, and the unstable upright equilibrium is
  # the result of both solvers.
  write_set "$work/loll.txt" 2400 30 0 4.5 "$hull"
  for method in greedy newton; do
    run /dev/null "$work/loll.txt" --method $method
    expect_rc 4
    expect_err 'floatstate: unstable equilibrium: metacentric height -0.416667 about the x axis (heel)'
  done
  ;;
concurrent_writers)
  # Runs that write the same report and picture at once: each writes a temporary file of its own
  # and renames it over the report, so the report is always one run's whole file, and nothing is
  # left beside it.
  write_box "$work" 5 2.2
  for round in 1 2 3; do
    pids=()
    for k in 1 2 3 4; do
      env LANG=C "$program" "$work/box.txt" --json "$work/r.json" --svg "$work/p.svg" --gz 0:40:5 \
        </dev/null >"$work/out.$k" 2>"$work/err.$k" &
      pids+=($!)
    done
    for pid in "${pids[@]}"; do
      wait "$pid" || fail "a concurrent run failed in round $round: $(cat "$work"/err.*)"
    done
    python3 -m json.tool "$work/r.json" >/dev/null || fail "the report is not one whole JSON document"
    expect_picture "$work/p.svg"
    expect_no_temporary "$work/r.json"
  done
  ;;
letters_memory)
  # A file of 20 MB of the letter H behind a unit cube: the letters are no blocks and cost no
  # memory. The run floats the cube under an address-space limit of three times the file, and
  # its largest resident set stays within the file's size and a few megabytes.
  skip_if_sanitized
  { printf 'Volume of Displacement=0.5\nGra_Pt.x=0.5\nGra_Pt.y=0.5\nGra_Pt.z=0.3\n%s' "$unit_cube"
    head -c 20000000 /dev/zero | tr '\0' 'H'
    echo; } >"$work/body.txt"
  cp "$examples/pontoon_barge/FourPillars.txt" "$work/"
  run_limited 60000
  expect_rc 0
  expect_line '4号立柱吃水=0.5'
  python3 - "$program" "$work/body.txt" <<'EOF' || fail "the run's memory is not bounded by the file"
import os, resource, subprocess, sys
size = os.path.getsize(sys.argv[2])
subprocess.run([sys.argv[1], sys.argv[2]], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
               stderr=subprocess.DEVNULL, check=True)
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss * 1024
assert peak < size + 16 * 2**20, (peak, size)
EOF
  ;;
input_messages)
  # Each fault of a SET file is named on standard error with the file's path, at the line where it
  # stands and with what was found there; the console keeps its line. FILE TEXT | MESSAGE.
  corner_pillars
  while IFS='|' read -r text message; do
    printf "$text" >"$work/bad.txt"
    run /dev/null "$work/bad.txt"
    expect_rc 1
    expect_err "floatstate: $work/bad.txt: $message"
    [ "$(tail -n 1 "$work/out")" = "$message" ] || fail "the console's last line is not '$message'"
  done <<'EOF'
Volume of Displacement=3600,5\nGra_Pt.x=1\n|SET file line 1: unexpected ",5" after the number (Volume of Displacement)
Volume of Displacement=1\nGra_Pt.x=0\nGra_Pt.y=0\nGra_Pt.z=0\nTetrahedron\n0,0,0,\n1,0,0\n|SET file line 6: unexpected "," after the number (vertex 1 of the Tetrahedron that starts at line 5)
Volume of Displacement=1\nGra_Pt.x=0\nGra_Pt.y=0\nGra_Pt.z=0\nHexahedron\n0,0,0\n1;0,0\n|SET file line 7: expected vertex 2 (x,y,z) of the Hexahedron that starts at line 5, found "1;0,0"
Volume of Displacement=1\nGra_Pt.x=0\nGra_Pt.z=0\n|SET file line 3: expected "Gra_Pt.y=" followed by a number, found "Gra_Pt.z=0"
EOF
  # A byte-order mark is passed over: the same run as without it.
  write_set "$work/plain.txt" 0.5 0.5 0.5 0.3 "$unit_cube"
  printf '\xEF\xBB\xBF' | cat - "$work/plain.txt" >"$work/marked.txt"
  run /dev/null "$work/plain.txt"
  mask_time <"$work/out" >"$work/plain.out"
  run /dev/null "$work/marked.txt"
  expect_rc 0
  mask_time <"$work/out" | cmp -s - "$work/plain.out" || fail "a byte-order mark changes the run"
  # A cone alone is named; a negative radius is named with the radius used.
  write_set "$work/cone.txt" 10 0 0 1 'Cylinder
0,0,0
2
0,0,5
1
'
  run /dev/null "$work/cone.txt"
  expect_err "floatstate: warning: SET file line 5: the cylinder's second radius 1 differs from its first, 2"
  [ "$(grep -c warning: "$work/err")" -eq 1 ] || fail "not one warning for the cone"
  for radius in 2 -2; do
    write_set "$work/r.txt" 10 0 0 1 "Cylinder
0,0,0
$radius
0,0,5
$radius
"
    run /dev/null "$work/r.txt" --json "$work/r$radius.json"
  done
  expect_err "floatstate: warning: SET file line 5: the cylinder's radius -2 is negative: its absolute value, 2, is used"
  check_json "$work/r-2.json" '
p = json.load(open("'"$work/r2.json"'"))
assert abs(j["input"]["bodyVolume"] - p["input"]["bodyVolume"]) < 1e-9 * p["input"]["bodyVolume"]
assert abs(j["centreOfBuoyancy"][2] - p["centreOfBuoyancy"][2]) < 1e-9, (j, p)
'
  run /dev/null "$work/plain.txt" --max-steps 0
  expect_rc 2
  expect_err 'floatstate: --max-steps: the number of steps must be at least 1, not 0'
  ;;
help)
  run /dev/null --help
  expect_rc 0
  grep -q '^Usage: floatstate' "$work/out" || fail "no usage on standard output"
  run /dev/null -h
  expect_rc 0
  ;;
version)
  run /dev/null --version
  expect_rc 0
  grep -qE '^floatstate [0-9]+\.[0-9]+\.[0-9]+$' "$work/out" || fail "no version line"
  ;;
unknown_option)
  run /dev/null --frobnicate
  expect_rc 2
  grep -q '^Usage: floatstate' "$work/err" || fail "no usage on standard error"
  [ ! -s "$work/out" ] || fail "standard output is not empty"
  # The argument is quoted as typed: its UTF-8 bytes pass the console's conversion untouched.
  LC_ALL=C.UTF-8 "$program" --größe </dev/null >"$work/out" 2>"$work/err"
  rc=$?
  expect_rc 2
  grep -q -- '--größe' "$work/err" || fail "the option is not quoted unconverted"
  ;;
strict)
  # The prism hull's warped prisms are findings: --strict refuses to float it.
  run /dev/null "$(example_file prism_hull)" --strict
  expect_rc 1
  expect_err 'floatstate: --strict'
  grep -aq '^Step' "$work/out" && fail "the body was floated"
  run /dev/null "$(example_file spar)" --strict
  expect_rc 0
  ;;
two_files)
  run /dev/null a.txt b.txt
  expect_rc 2
  grep -q '^Usage: floatstate' "$work/err" || fail "no usage on standard error"
  ;;
out_of_memory)
  # A body much larger than the memory the run may have (its 400,000 hexahedra alone take 100 MB,
  # the run may have 80 MB): the program must say so and exit 1, not abort.
  skip_if_sanitized
  write_slab "$work/body.txt" 400000 1000 1 "1 0 0 0"
  run_limited 80000
  expect_rc 1
  grep -q '^Out of memory' "$work/out" || fail "no out-of-memory message"
  ;;
fast_evaluation_fallback)
  # Memory for the body but not for the fast evaluation beside it: one line on standard error,
  # then the plain evaluation gives the same output. The smallest address-space limit (in steps of
  # 4 MB) under which the run succeeds lies inside that window, since the fast evaluation of this
  # body needs about 25 MB more than the body itself.
  skip_if_sanitized
  write_slab "$work/body.txt" 60000 300 2 "50000 150 100 1"
  cp "$examples/pontoon_barge/FourPillars.txt" "$work/"
  run /dev/null "$work/body.txt"
  expect_rc 0
  mask_time <"$work/out" >"$work/unlimited"
  for limit in $(seq 8000 4000 400000); do
    run_limited "$limit"
    [ "$rc" -eq 0 ] && break
    [ "$rc" -eq 1 ] || fail "exit code $rc under a limit of $limit kB"
  done
  expect_rc 0
  expect_err 'floatstate: not enough memory for the fast evaluation: the plain one is used'
  mask_time <"$work/out" | cmp -s - "$work/unlimited" || fail "the plain evaluation's output differs"
  ;;
verdicts)
  # A 100 x 10 x 10 box at draft 5 upright: KB = 2.5, BM = (100 * 10^3 / 12) / 5000 = 1.6667, so
  # GM = 4.1667 - KG about the x axis; KG = 6 is an upright equilibrium that would capsize.
  expect_verdict 0 '' 5000 50 5 3 "$(box_block 100 10 10)"
  expect_verdict 4 'floatstate: unstable equilibrium: metacentric height -1.83333 about the x axis (heel)' \
    5000 50 5 6 "$(box_block 100 10 10)"
  # G far above the deck and off the middle: no tilt brings B and G onto one vertical, the
  # iteration stops at its question, answered "no" by the end of the input.
  expect_verdict 3 'floatstate: not in equilibrium: the lines of action of gravity and buoyancy are 1 apart (tolerance 0.00010247)' \
    10000 50 11 15 "$(box_block 100 20 10)"
  ;;
input_warnings)
  # Each kind of finding names the line where its element or line starts; the run goes on.
  z_hex='Hexahedron
0,0,0
10,0,0
0,10,0
10,10,0
0,0,10
10,0,10
0,10,10
10,10,10
'
  write_set "$work/body.txt" 500 5 5 30 "$(box_block 100 20 10)
Hexahedron:
$(box_block 10 10 10 200 | tail -n 8)
$z_hex
Cylinder
0,0,0
5
0,0,10
3
Cylinder
20,0,0
-1
20,0,10
-1
Tetrahedron
0,0,0
1,0,0
2,0,0
0,0,1
"
  corner_pillars
  run /dev/null "$work/body.txt"
  expect_rc 3 # the run goes on to its end; G above the deck leaves the body out of equilibrium
  for line in \
    'SET file line 2: the centre of gravity (5, 5, 30) lies outside' \
    'SET file line 14: "Hexahedron:" is not read as a keyword' \
    'SET file line 23: the hexahedron'"'"'s volume depends on how it is split' \
    'SET file line 33: the cylinder'"'"'s second radius 3 differs from its first, 5' \
    'SET file line 38: the cylinder'"'"'s radius -1 is negative: its absolute value, 1, is used' \
    'SET file line 43: the tetrahedron has volume 0'; do
    grep -qF -- "floatstate: warning: $line" "$work/err" || fail "no warning '$line'"
  done
  [ "$(grep -c warning: "$work/err")" -eq 6 ] || fail "expected 6 warnings"
  ;;
no_wait_unless_terminal)
  # Standard input open but silent: any wait would hang until the timeout.
  timeout 10 "$program" "$work/missing.txt" < <(sleep 15 2>/dev/null) >"$work/out" 2>"$work/err"
  rc=$?
  expect_rc 1
  grep -qF "cannot open SET file '$work/missing.txt': No such file or directory" "$work/err" ||
    fail "the reason is not on standard error"
  # Typed in a terminal with standard output redirected to a file: no pause at the end.
  command -v script >/dev/null || fail "the script command (util-linux) is not installed"
  timeout 10 script -qec "'$program' '$(example_file pontoon_barge)' >'$work/result'" /dev/null \
    < <(sleep 15 2>/dev/null) >/dev/null 2>&1
  rc=$?
  expect_rc 0
  grep -q 'Press any key' "$work/result" && fail "the pause text went into the file"
  ;;
interactive_terminal)
  # A real terminal: the path is typed at the prompt and the final pause is answered.
  command -v script >/dev/null || fail "the script command (util-linux) is not installed"
  printf '%s\n\n' "$(example_file pontoon_barge)" >"$work/in"
  LC_ALL=C.UTF-8 timeout 60 script -qec "$program" /dev/null <"$work/in" >"$work/out" 2>"$work/err"
  rc=$?
  expect_rc 0
  grep -q '4号立柱吃水=2' "$work/out" || fail "the run did not complete in the terminal"
  ;;
mesh_barge_by_hand)
  # The pontoon barge as a closed surface: the console lines of its SET file (barge_by_hand), but
  # for the distance in the step line, 0 for the elements and a rounding error for the surface.
  box_stl_ascii "$work/barge.stl"
  run_mesh "$work/barge.stl" --displacement 960 --gravity 20,6,3
  expect_rc 0
  [ ! -s "$work/err" ] || fail "standard error is not empty"
  mask_time <"$work/out" | sed 's/ d=[^,]*,/ d=#,/' >"$work/mesh_out"
  run /dev/null "$(example_file pontoon_barge)"
  mask_time <"$work/out" | sed 's/ d=[^,]*,/ d=#,/' | cmp -s - "$work/mesh_out" ||
    fail "the mesh run's lines differ"
  ;;
mesh_formats)
  # One box as ASCII STL and as OBJ, and the mass and density that give its displacement: one
  # output, with the result lines of the box as a hexahedron.
  write_set "$work/body.txt" 960 20.5 6.25 3 "$(box_block 40 12 4)"
  cp "$examples/pontoon_barge/FourPillars.txt" "$work/"
  run /dev/null "$work/body.txt"
  grep -av -e '^Step' -e seconds "$work/out" >"$work/elements"
  box_stl_ascii "$work/ascii.stl"
  run_mesh "$work/ascii.stl" --displacement 960 --gravity 20.5,6.25,3
  mask_time <"$work/out" >"$work/first"
  box_obj "$work/box.obj"
  for args in "$work/box.obj --displacement=960" "$work/box.obj --mass 984000 --density 1025"; do
    # shellcheck disable=SC2086
    run_mesh $args --gravity=20.5,6.25,3
    expect_rc 0
    mask_time <"$work/out" | cmp -s - "$work/first" || fail "output of '$args' differs"
  done
  [ "$(wc -l <"$work/elements")" -eq 14 ] || fail "the hexahedron's run has no result lines"
  grep -av -e '^Step' -e seconds "$work/out" | cmp -s - "$work/elements" ||
    fail "the result differs from the hexahedron's"
  ;;
mesh_faults)
  # An open surface and a file that is not a mesh: exit 1, the file and the reason on standard
  # error. An inside-out surface: turned around with a warning, the run goes on.
  box_obj "$work/open.obj" "${box_faces[@]:1}"
  run_mesh "$work/open.obj" --displacement 960 --gravity 20,6,3
  expect_rc 1
  expect_err "floatstate: $work/open.obj: the surface does not bound a solid: 4 edges belong to one triangle only"
  printf 'solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0\n' >"$work/broken.stl"
  run_mesh "$work/broken.stl" --displacement 960 --gravity 20,6,3
  expect_rc 1
  expect_err "floatstate: $work/broken.stl line 4: expected three numbers after \"vertex\", found the end of the file"
  box_obj "$work/inverted.obj" "1 2 3 4" "8 7 6 5" "5 6 2 1" "6 7 3 2" "7 8 4 3" "8 5 1 4"
  run_mesh "$work/inverted.obj" --displacement 960 --gravity 20,6,3
  expect_rc 0
  expect_err "floatstate: warning: $work/inverted.obj: the triangles face inwards (the surface encloses -1920 as given); they are turned around"
  expect_line '1号立柱吃水=2'
  ;;
mesh_usage)
  for args in "--mesh x.stl --gravity 1,2,3" "--mesh x.stl --displacement 1" \
    "--mesh x.stl --displacement 1 --mass 2 --density 1 --gravity 1,2,3" \
    "--mesh x.stl --displacement 1 --gravity 1,2" "--displacement 1" "a.txt --mesh x.stl"; do
    # shellcheck disable=SC2086
    run /dev/null $args
    expect_rc 2
    grep -q '^Usage: floatstate' "$work/err" || fail "no usage for '$args'"
  done
  ;;
mesh_report)
  # A mesh run's report: the mesh and its triangles as the input, a draft mark instead of pillars;
  # the Newton solver, the righting-arm curve and the picture on a mesh body.
  box_obj "$work/barge.obj"
  printf 'name,x1,y1,z1,x2,y2,z2\nbow,38,6,0,38,6,4\n' >"$work/m.csv"
  run /dev/null --mesh "$work/barge.obj" --displacement 960 --gravity 20,6,3 --marks "$work/m.csv" \
    --summary --json "$work/r.json" --method newton --gz 0:30:10 --svg "$work/p.svg"
  expect_rc 0
  xmllint --noout "$work/p.svg" || fail "the picture is not well-formed"
  grep -q 'class="wet"' "$work/p.svg" || fail "the picture draws no hull under water"
  check_json "$work/r.json" '
i = j["input"]
assert i["mesh"] == "'"$work/barge.obj"'" and i["triangles"] == 12, i
assert "setFile" not in i and "elements" not in i and i["pillarFile"] is None, i
assert abs(i["bodyVolume"] - 1920) <= 1e-9 and i["displacementVolume"] == 960, i
assert [m["name"] for m in j["marks"]] == ["bow"] and abs(j["marks"][0]["draft"] - 2) <= 1e-12
assert j["verdict"] == "stable" and j["pillars"] == [] and j["solver"]["method"] == "newton"
assert [p["heelDeg"] for p in j["gz"]] == [0, 10, 20, 30], j["gz"]
'
  ;;
batch)
  # A list of runs on two threads: one line per run in the list's order, each the report of the
  # same run of the program (its seconds aside), a fault in its place; then the usage mistakes.
  spar=$(example_file spar)
  semi=$(example_file semi_submersible)
  cat >"$work/list.json" <<LIST
[{"body": "$spar"}, {"body": "$semi", "method": "newton", "gz": "0:20:10"},
 {"body": "none.txt"}, {"body": "$spar", "displacement": 30000, "gravity": [0.4, 0, 40]}]
LIST
  run /dev/null --batch "$work/list.json" --json-lines "$work/out.jsonl" --jobs 2
  expect_rc 1
  [ ! -s "$work/out" ] || fail "the batch wrote to standard output"
  expect_err "floatstate: $work/list.json: run 3: cannot open SET file '$work/none.txt'"
  expect_err 'floatstate: batch: 4 runs, 3 reports, 1 errors'
  "$program" "$spar" --json "$work/1.json" </dev/null >/dev/null 2>&1
  "$program" "$semi" --method newton --gz 0:20:10 --json "$work/2.json" </dev/null >/dev/null 2>&1
  python3 - "$work" <<'EOF' || fail "the batch's lines are not the runs' reports"
import json, sys
work = sys.argv[1]
lines = [json.loads(l) for l in open(work + "/out.jsonl")]
assert len(lines) == 4, len(lines)
for k in (0, 1):
    expected = json.load(open(f"{work}/{k + 1}.json"))
    for r in (expected, lines[k]):
        del r["solver"]["seconds"]
    assert json.dumps(lines[k]) == json.dumps(expected), k
assert lines[2]["error"]["kind"] == "file", lines[2]
assert lines[3]["input"]["displacementVolume"] == 30000 and lines[3]["verdict"], lines[3]
EOF
  run /dev/null --batch "$work/list.json" --json-lines - --jobs 1
  expect_rc 1
  [ "$(wc -l <"$work/out")" -eq 4 ] || fail "not four lines on standard output"
  run /dev/null --batch "$work/list.json"
  expect_rc 2
  expect_err '--batch needs --json-lines OUT'
  run /dev/null --batch "$work/list.json" --json-lines - "$spar"
  expect_rc 2
  expect_err '--batch takes no other option or SET file'
  run /dev/null "$spar" --jobs 2
  expect_rc 2
  expect_err '--json-lines and --jobs go with --batch'
  run /dev/null --batch "$work/none.json" --json-lines -
  expect_rc 1
  expect_err "floatstate: cannot open the list $work/none.json"
  ;;
*)
  fail "unknown case"
  ;;
esac
exit 0
