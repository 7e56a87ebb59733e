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
expect_picture() {
  [ ! -e "$1.floatstate-tmp" ] || fail "temporary file left beside $1"
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
  [ ! -e "$work/r.json.floatstate-tmp" ] || fail "temporary file left behind"
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
  # matrix's own rotation reaches the heeled equilibrium nearby, which is unstable.
  corner_pillars
  write_set "$work/body.txt" 10000 50 11 15 "$(box_block 100 20 10)"
  run /dev/null "$work/body.txt" --method newton
  expect_rc 4
  expect_err 'floatstate: newton: the restoring matrix was not positive definite'
  expect_err 'followed the Newton rotation of the indefinite restoring matrix'
  expect_err 'floatstate: unstable equilibrium: metacentric height'
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
    'SET file line 38: the cylinder'"'"'s radius -1 is not positive' \
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
case_gbk:*)
  # A case example: its default output, as the console writes it, is its expected output; nothing
  # on standard error.
  name=${case_name#case_gbk:}
  run /dev/null --case "$examples/$name/case.yaml"
  expect_rc 0
  iconv -f UTF-8 -t GBK "$examples/$name/expected_case_output.txt" >"$work/expected" ||
    fail "expected output is not convertible to GBK"
  mask_time <"$work/out" | cmp -s - "$work/expected" ||
    fail "output differs from $name/expected_case_output.txt (compared as GBK bytes)"
  [ ! -s "$work/err" ] || fail "standard error is not empty"
  ;;
case_json:*)
  # The same case as JSON (what the Windows build reads) gives the same output.
  name=${case_name#case_json:}
  run /dev/null --case "$examples/$name/case.json"
  expect_rc 0
  iconv -f UTF-8 -t GBK "$examples/$name/expected_case_output.txt" >"$work/expected" ||
    fail "expected output is not convertible to GBK"
  mask_time <"$work/out" | cmp -s - "$work/expected" ||
    fail "output of case.json differs from $name/expected_case_output.txt (compared as GBK bytes)"
  ;;
case_utf8:*)
  name=${case_name#case_utf8:}
  LC_ALL=C.UTF-8 "$program" --case "$examples/$name/case.yaml" </dev/null >"$work/out" 2>"$work/err"
  rc=$?
  expect_rc 0
  mask_time <"$work/out" | cmp -s - "$examples/$name/expected_case_output.txt" ||
    fail "UTF-8 output differs from $name/expected_case_output.txt"
  ;;
case_by_hand)
  # Both case examples against hand calculations, with both solvers; each solve stops within
  # d_error of the balance, where the arm grows at about GM per radian.
  # The flooded barge: hull 40 x 12 x 4 and its void [16, 24] x [0, 4] x [0, 4] are wall-sided, so
  # by the lost-buoyancy method the buoyant waterplane is the hull's less 0.95 x the void's,
  # T = V / A, F lies at y_F off the centre line, and the heel solves the wall-sided balance about
  # F: tan(phi) (GM + BM tan^2(phi) / 2) = y_G - y_F.
  for method in newton greedy; do
    run /dev/null --case "$examples/flooded_barge/case.yaml" --method $method --json "$work/b.json"
    expect_rc 0
    check_json "$work/b.json" '
import math
p, M, rho = 0.95, 384.0 + 600.0, 1.025
V = M / rho
A = 480 - p * 32; yF = (480 * 6 - p * 32 * 2) / A; T = V / A
I = 40 * 12 ** 3 / 12 + 480 * (6 - yF) ** 2 - p * (8 * 4 ** 3 / 12 + 32 * (2 - yF) ** 2)
KG = (384 * 2.5 + 600 * 3.32) / M
GM, BM, e = T / 2 + I / V - KG, I / V, 6 - yF
t = e / GM
for _ in range(60):
    t -= (t * (GM + BM * t * t / 2) - e) / (GM + 1.5 * BM * t * t)
tolerance = math.degrees(2 * j["solver"]["distanceTolerance"] / GM)
assert abs(j["heelDeg"] - math.degrees(math.atan(t))) <= tolerance, (j["heelDeg"], math.degrees(math.atan(t)))
assert abs(j["trimDeg"]) <= tolerance and j["verdict"] == "stable"
w = j["waterPlane"]
assert abs(w["A"] * 20 + w["B"] * yF + w["C"] * T + w["D"]) <= 1e-6, "the plane turns about F"
c = j["case"]
assert abs(c["displacementVolume"] - V) <= 1e-9 * V and abs(c["mass"] - M) <= 1e-9 * M
assert abs(c["centreOfGravitySolid"][2] - KG) <= 1e-12 and c["freeSurfaceCorrection"] == {"t": 0, "l": 0}
f = c["compartments"][0]
# Flooded: 0.95 x the void below the heeled plane, a prism 8 long under the line y -> T + (y - yF) tan(phi).
flooded = p * 8 * 4 * (T + (2 - yF) * math.tan(math.radians(j["heelDeg"])))
assert abs(f["floodedVolume"] - flooded) <= 1e-6 * flooded, (f, flooded)
'
  done
  # The ballasted semi-submersible: its columns are vertical and its pontoons wholly under water,
  # so the hull is wall-sided about the centre of the columns' waterplane F = (30, 25); so is the
  # slack tank WB2P (30 x 10, 2.7 m of liquid of the sea's density, permeability 0.98), whose
  # liquid's centre moves as B does with 0.98 x its surface's second moments in place of the
  # waterplane's. With the slope s = (tan trim, tan heel) of the plane, B - G is parallel to the
  # normal (-s, 1) when (J - K) s / V + (h + s (J - K) s / 2V) s = G0 - B0 + the crane's arm.
  for method in newton greedy; do
    run /dev/null --case "$examples/semi_ballast/case.yaml" --method $method --json "$work/s.json"
    expect_rc 0
    check_json "$work/s.json" '
import math
step, R = 2 * 3.1415926 / 30, 6.0
pts = [(R * math.cos(k * step), R * math.sin(k * step)) for k in range(31)]
Ac = Sx = Sy = Ixx = Iyy = Ixy = 0
for k in range(30):  # the column section: the fan of its 30 sectors
    (x1, y1), (x2, y2) = pts[k], pts[k + 1]
    cr = x1 * y2 - x2 * y1
    Ac += cr / 2; Sx += (x1 + x2) * cr / 6; Sy += (y1 + y2) * cr / 6
    Ixx += (x1 * x1 + x1 * x2 + x2 * x2) * cr / 12; Iyy += (y1 * y1 + y1 * y2 + y2 * y2) * cr / 12
    Ixy += (x1 * y2 + 2 * x1 * y1 + 2 * x2 * y2 + x2 * y1) * cr / 24
cx, cy = Sx / Ac, Sy / Ac
Ixx -= Ac * cx * cx; Iyy -= Ac * cy * cy; Ixy -= Ac * cx * cy
cap = 0.98 * 30 * 10 * 6
parts = [(5600, 35.5, 27, 16), (1970, 35.7, 27.6, 26), (1.025 * cap, 15, 5, 3),
         (1.025 * 0.45 * cap, 45, 5, 1.35), (1.025 * cap, 15, 45, 3)]
M = sum(q[0] for q in parts); V = M / 1.025
G0 = [sum(q[0] * q[i] for q in parts) / M for i in (1, 2, 3)]
cols = [(10 + cx, 5 + cy), (50 + cx, 5 + cy), (50 + cx, 45 + cy), (10 + cx, 45 + cy)]
Vc = (V - 7200) / 4; T = 6 + Vc / Ac
F = [sum(c[0] for c in cols) / 4, sum(c[1] for c in cols) / 4]
B0 = [(7200 * 30 + Vc * sum(c[0] for c in cols)) / V, (7200 * 25 + Vc * sum(c[1] for c in cols)) / V,
      (7200 * 3 + 4 * Vc * (6 + T) / 2) / V]
J = [[sum(Ixx + Ac * (c[0] - F[0]) ** 2 for c in cols), sum(Ixy + Ac * (c[0] - F[0]) * (c[1] - F[1]) for c in cols)], [0, 0]]
J[1] = [J[0][1], sum(Iyy + Ac * (c[1] - F[1]) ** 2 for c in cols)]
K = [[0.98 * 10 * 30 ** 3 / 12, 0], [0, 0.98 * 30 * 10 ** 3 / 12]]
arm = 4000 / M
D = [[(J[a][b] - K[a][b]) / V for b in (0, 1)] for a in (0, 1)]
def residual(s):
    Ds = [D[0][0] * s[0] + D[0][1] * s[1], D[1][0] * s[0] + D[1][1] * s[1]]
    h = B0[2] - G0[2] + (s[0] * Ds[0] + s[1] * Ds[1]) / 2
    n = math.hypot(1, s[1])  # the arm acts level, across the body
    return [B0[0] - G0[0] + Ds[0] + h * s[0], B0[1] - G0[1] - arm / n + Ds[1] + (h - arm * s[1] / n) * s[1]]
s = [0.0, 0.0]
for _ in range(40):
    r = residual(s)
    d = 1e-8
    a = [[(residual([s[0] + d * (k == 0), s[1] + d * (k == 1)])[i] - r[i]) / d for k in (0, 1)] for i in (0, 1)]
    det = a[0][0] * a[1][1] - a[0][1] * a[1][0]
    s = [s[0] - (a[1][1] * r[0] - a[0][1] * r[1]) / det, s[1] - (a[0][0] * r[1] - a[1][0] * r[0]) / det]
GM = B0[2] + J[1][1] / V - G0[2] - K[1][1] / V
tolerance = math.degrees(2 * j["solver"]["distanceTolerance"] / GM)
assert abs(j["heelDeg"] - math.degrees(math.atan(s[1]))) <= tolerance, (j["heelDeg"], math.degrees(math.atan(s[1])))
assert abs(j["trimDeg"] - math.degrees(math.atan(s[0]))) <= tolerance, (j["trimDeg"], math.degrees(math.atan(s[0])))
w = j["waterPlane"]
assert abs(w["A"] * F[0] + w["B"] * F[1] + w["C"] * T + w["D"]) <= 1e-6, "the plane turns about F"
c = j["case"]
phi = math.radians(j["heelDeg"])
# The transverse free-surface moment of the heeled surface, 10 / cos(phi) wide, over the mass.
fsc = 1.025 * 0.98 * 30 * (10 / math.cos(phi)) ** 3 / 12 / M
assert abs(c["freeSurfaceCorrection"]["t"] - fsc) <= 1e-4 * fsc, (c["freeSurfaceCorrection"], fsc)
assert abs(c["tanks"][1]["freeSurfaceMoment"] - fsc * M) <= 1e-4 * fsc * M
h = j["hydrostatics"]
assert abs(h["GMtSolid"] - h["GMt"] - c["freeSurfaceCorrection"]["t"]) <= 1e-12
assert abs(c["centreOfGravityFluid"][2] - c["centreOfGravitySolid"][2] - c["freeSurfaceCorrection"]["t"]) <= 1e-12
assert abs(c["mass"] - M) <= 1e-9 * M and [t["volume"] for t in c["tanks"]] == [cap, 0.45 * cap, cap, 0]
'
  done
  ;;
case_report)
  # What a case run writes besides the default lines: the JSON case object with exactly its keys,
  # the Loading condition block whose numbers are the JSON's, the curve with its heeling arm, and
  # the picture with the tanks' liquid and the flood.
  run /dev/null --case "$examples/semi_ballast/case.yaml" --lang en --digits 17 --summary \
    --gz -10:40:5 --json "$work/r.json" --svg "$work/p.svg"
  expect_rc 0
  check_json "$work/r.json" '
c = j["case"]
assert list(c) == ["waterDensity", "mass", "displacementVolume", "centreOfGravitySolid",
                   "centreOfGravityFluid", "freeSurfaceCorrection", "weights", "tanks",
                   "compartments", "heelingMoments"], list(c)
assert list(c["freeSurfaceCorrection"]) == ["t", "l"]
assert [list(w) for w in c["weights"]] == [["name", "mass", "centre"]] * 2
assert [list(t) for t in c["tanks"]] == [["name", "capacity", "volume", "mass", "centre", "freeSurfaceMoment"]] * 4
assert c["compartments"] == [] and c["heelingMoments"] == [{"name": "crane", "moment": 4000, "direction": "heel"}]
assert c["tanks"][3]["centre"] == [None, None, None] and c["tanks"][3]["mass"] == 0
assert j["input"]["caseFile"].endswith("semi_ballast/case.yaml") and j["solver"]["method"] == "newton"
h = j["hydrostatics"]
assert "GMtSolid" in h and "GMlSolid" in h
assert numbers(line("mass  ")) == [c["mass"]]
assert numbers(line("KG solid")) == [c["centreOfGravitySolid"][2]]
assert numbers(line("KG fluid")) == [c["centreOfGravityFluid"][2]]
assert numbers(line("free-surface correction, transverse")) == [c["freeSurfaceCorrection"]["t"]]
assert numbers(line("GMt solid")) == [h["GMtSolid"]] and numbers(line("GMt fluid")) == [h["GMt"]]
assert numbers(line("GMl solid")) == [h["GMlSolid"]] and numbers(line("GMl fluid")) == [h["GMl"]]
assert numbers(line("tank WB2P"))[-4:-1] == c["tanks"][1]["centre"]
g = j["gzSummary"]
assert abs(g["heelingArm"] - 4000 / c["mass"]) <= 1e-15 * 4000
assert abs(g["heelingArmCrossingHeelDeg"] - j["heelDeg"]) < 0.05, g
assert g["residualArea"] > 0 and g["residualAreaToEndOfRange"] is True
assert numbers(line("heel where GZ meets the heeling arm")) == [g["heelingArmCrossingHeelDeg"]]
'
  expect_picture "$work/p.svg"
  grep -q 'class="liquid"' "$work/p.svg" || fail "the picture draws no tank liquid"
  grep -q 'heeling arm' "$work/p.svg" || fail "the picture draws no heeling arm"
  run /dev/null --case "$examples/flooded_barge/case.yaml" --svg "$work/b.svg" --json -
  expect_rc 0
  python3 -c 'import json, sys; json.load(open(sys.argv[1]))' "$work/out" || fail "standard output is not the JSON report"
  expect_picture "$work/b.svg"
  grep -q 'class="flood"' "$work/b.svg" || fail "the picture draws no flooded compartment"
  ;;
case_errors)
  # A case file's faults end the run with exit code 1 and one line naming the file, the line and
  # the key; a case that sinks, or refers to a missing pillar file, ends it too.
  hull="$examples/pontoon_barge/pontoon_barge.txt"
  weights='weights:\n  - {name: w, mass: 984, x: 20, y: 6, z: 3}\n'
  while IFS='|' read -r text expected; do
    printf "body: $hull\n$text" >"$work/c.yaml"
    run /dev/null --case "$work/c.yaml"
    expect_rc 1
    [ "$(cat "$work/err")" = "floatstate: $work/c.yaml: $expected" ] ||
      fail "for '$text' standard error is '$(cat "$work/err")', expected '$expected'"
  done <<EOF
${weights}tanks:\n  - {name: T, box: [0, 1, 0, 1, 0, 1], density: 1, fill: 2}\n|line 5: tanks[0].fill: 2 is out of range (0 to 1 of the capacity)
${weights}colour: red\n|line 4: colour: unknown key (the keys here: body, pillars, marks, water_density, weights, tanks, compartments, heeling_moments)
weights:\n  - {name: w, x: 20, y: 6, z: 3}\n|line 3: weights[0].mass: missing: this key is required
${weights}heeling_moments:\n  - {name: m, moment: ten, direction: heel}\n|line 5: heeling_moments[0].moment: expected a finite number, found "ten"
EOF
  printf 'body: %s\nweights:\n  - {name: w, mass: 2000, x: 20, y: 6, z: 3}\n' "$hull" >"$work/c.yaml"
  run /dev/null --case "$work/c.yaml" --lang en
  expect_rc 1
  grep -q 'exceeds what the hull can buoy (1920 m^3): the body sinks' "$work/out" || fail "no sinking message"
  printf "body: $hull\npillars: nowhere.txt\n$weights" >"$work/c.yaml"
  run /dev/null --case "$work/c.yaml"
  expect_rc 1
  expect_err "cannot open pillar file '$work/nowhere.txt'"
  # A compartment through the side: a warning that names it; --strict refuses it.
  printf "body: $hull\n${weights}compartments:\n  - {name: leak, box: [16, 24, -2, 4, 0, 4]}\n" >"$work/c.yaml"
  run /dev/null --case "$work/c.yaml"
  expect_rc 0
  expect_err "floatstate: warning: $work/c.yaml: compartments[0] 'leak' reaches outside the hull"
  run /dev/null --case "$work/c.yaml" --strict
  expect_rc 1
  expect_err 'floatstate: --strict'
  run /dev/null --case "$work/missing.yaml"
  expect_rc 1
  expect_err "floatstate: cannot open case file '$work/missing.yaml'"
  ;;
case_usage)
  # The case file names the body: neither a SET file nor --mesh goes with it; --help says how.
  for args in "--case c.yaml a.txt" "--case c.yaml --mesh x.stl --displacement 1 --gravity 1,2,3"; do
    # shellcheck disable=SC2086
    run /dev/null $args
    expect_rc 2
    grep -q '^Usage: floatstate' "$work/err" || fail "no usage for '$args'"
  done
  run /dev/null --help
  expect_rc 0
  grep -q -- '--case CASE.yaml' "$work/out" || fail "--help does not show --case"
  grep -q 'metres, tonnes, t/m^3, t\*m' "$work/out" || fail "--help does not give the units"
  ;;
*)
  fail "unknown case"
  ;;
esac
exit 0
