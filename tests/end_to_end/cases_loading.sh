# shellcheck shell=bash
# Loading conditions (--case): the case examples as the console writes them, hand calculations,
# the reports of a loaded body and the case file's errors.
# Sourced by cases.sh, which defines the helpers and $case_name; a case that is not here
# returns to cases.sh.
case "$case_name" in
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
${weights}colour: red\n|line 4: colour: unknown key (the keys here: body, pillars, marks, water_density, weights, tanks, compartments, heeling_moments, lpp, windage, bilge_keel_area, openings, wind_heeling_arm)
${weights}windage: {area: 120}\n|line 4: windage.lever: missing: this key is required
${weights}wind_heeling_arm: [[10, 0.2], [5, 0.1]]\n|line 4: wind_heeling_arm[1]: the heels must increase: 5 deg follows 10 deg
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
  # The booklet's options take a case: each runs on the flooded barge.
  for args in "--hydrostatics 1:2:1" "--criteria is2008" "--kn 0:30:10 --kn-volumes 100"; do
    # shellcheck disable=SC2086
    run /dev/null --case "$examples/flooded_barge/case.yaml" --lang en $args
    expect_rc 0
    [ ! -s "$work/err" ] || [ "$args" = "--criteria is2008" ] || fail "standard error for '$args'"
  done
  run /dev/null --help
  expect_rc 0
  grep -q -- '--case CASE.yaml' "$work/out" || fail "--help does not show --case"
  grep -q 'metres, tonnes, t/m^3, t\*m' "$work/out" || fail "--help does not give the units"
  ;;
case_booklet)
  # The booklet of a loading condition. The flooded barge's criteria on its curve with the
  # compartment flooding at every heel: the displacement is the case's mass, GM0 its fluid GMt.
  run /dev/null --case "$examples/flooded_barge/case.yaml" --lang en --criteria is2008 \
    --json "$work/f.json" --svg "$work/f.svg"
  expect_rc 0
  expect_err 'the weather criterion is not assessed: no windage was given'
  check_json "$work/f.json" '
c = j["criteria"]
assert c["set"] == "is2008" and c["pass"] is True and j["waterDensitySource"] == "case"
assert abs(c["displacement"] - j["case"]["mass"]) <= 1e-9 * j["case"]["mass"], c["displacement"]
gm0 = [r for r in c["results"] if r["id"] == "gm0"][0]
assert gm0["attained"] == j["hydrostatics"]["GMt"], (gm0, j["hydrostatics"])
area = c["results"][0]
assert area["id"] == "area_0_30" and line("area_0_30").split()[-3] == "pass"
assert numbers(line("area_0_30"))[3] == float("%.6g" % area["attained"]), line("area_0_30")
'
  expect_picture "$work/f.svg"
  # The barge 40 x 12 x 4 at T = 2 m with KG = 3 m (GM = 4 m) and a hatch at the +y deck edge that
  # floods at atan(1.9 / 6) = 17.57 degrees, before 30: area_30_40 has nothing to measure and fails
  # (exit code 5); the weather criterion reads the case's windage.
  hull="$examples/pontoon_barge/pontoon_barge.txt"
  printf 'body: %s\nlpp: 38\nwindage: {area: 120, lever: 3}\nopenings:\n  - {name: hatch, x: 20, y: 12, z: 3.9}\nweights:\n  - {name: w, mass: 984, x: 20, y: 6, z: 3}\n' "$hull" >"$work/b.yaml"
  run /dev/null --case "$work/b.yaml" --lang en --criteria is2008 --json "$work/b.json"
  expect_rc 5
  expect_err 'floatstate: criterion area_30_40 is not met: attained 0 m rad, required 0.03 m rad'
  check_json "$work/b.json" '
import math
s = j["criteria"]["sides"][0]
assert s["floodingAngle"]["opening"] == "hatch", s["floodingAngle"]
assert abs(s["floodingAngle"]["heelDeg"] - math.degrees(math.atan(1.9 / 6))) < 1e-6, s["floodingAngle"]
assert s["weather"] is not None and [r["id"] for r in j["criteria"]["results"]][-1] == "weather"
'
  # --opening takes the place of the case's openings: a vent far above floods at no heel.
  run /dev/null --case "$work/b.yaml" --lang en --criteria is2008 --opening vent,20,6,30 \
    --json "$work/v.json"
  expect_rc 0
  check_json "$work/v.json" 'assert [s["floodingAngle"] for s in j["criteria"]["sides"]] == [None, None]'
  # area-ratio: the wind arm from the option here; with neither it nor the case key, exit code 1.
  run /dev/null --case "$work/b.yaml" --lang en --criteria area-ratio --wind-heeling-arm 0:0.5,90:0.5
  expect_rc 5
  expect_err 'criterion area_ratio is not met'
  run /dev/null --case "$work/b.yaml" --lang en --criteria area-ratio
  expect_rc 1
  expect_err "floatstate: $work/b.yaml: --criteria area-ratio needs the wind's heeling arm"
  printf 'wind_heeling_arm: [[0, 0.1], [90, 0.1]]\n' >>"$work/b.yaml"
  run /dev/null --case "$work/b.yaml" --lang en --criteria area-ratio
  expect_rc 0  # the case's arm of 0.1 m: 0.193482 / 0.0306676 m rad up to the hatch's angle
  expect_line '  area ratio (+y): 0.193482 / 0.0306676 m rad up to 17.5713 deg'
  # The tables alone solve nothing: displacements in the case's fresh water, MCT over its lpp.
  printf 'body: %s\nwater_density: 1.0\nlpp: 38\nweights:\n  - {name: w, mass: 960, x: 20, y: 6, z: 3}\n' "$hull" >"$work/t.yaml"
  run /dev/null --case "$work/t.yaml" --lang en --hydrostatics 1:3:1 --json "$work/t.json" --csv "$work/t.csv"
  expect_rc 0
  check_json "$work/t.json" '
assert "verdict" not in j and "waterPlane" not in j and j["input"]["caseFile"].endswith("t.yaml")
assert j["waterDensity"] == 1.0 and j["waterDensitySource"] == "case"
for r in j["hydrostaticTable"]:
    T = r["draft"]
    assert abs(r["volume"] - 480 * T) <= 1e-9 * 480 * T and r["displacement"] == r["volume"]
    assert abs(r["BMl"] - 40 ** 2 / (12 * T)) <= 1e-9 * r["BMl"]
    assert abs(r["MCT"] - r["displacement"] * r["BMl"] / 3800) <= 1e-12 * r["MCT"], r
assert "(no loading condition" not in out
'
  [ "$(wc -l <"$work/t.csv")" -eq 4 ] || fail "the CSV has not one header and three rows"
  ;;
*)
  return 0
  ;;
esac
exit 0
