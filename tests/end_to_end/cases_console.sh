# shellcheck shell=bash
# The console program on SET files: the examples, the file choice, refusals of the input, the JSON
# report, the languages, the righting-arm curve and the picture, the solvers.
# Sourced by cases.sh, which defines the helpers and $case_name; a case that is not here
# returns to cases.sh.
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
*)
  return 0
  ;;
esac
exit 0
