# shellcheck shell=bash
# Surface meshes (closed and open), the baseline, and the stability booklet: hydrostatic tables,
# cross curves, criteria.
# Sourced by cases.sh, which defines the helpers and $case_name; a case that is not here
# returns to cases.sh.
case "$case_name" in
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
  # A surface open at its bottom (the water reaches the opening at once), a doubled facet, edges of
  # four triangles and a file that is not a mesh: exit 1, the file and the reason on standard
  # error. An inside-out surface: turned around with a warning, the run goes on.
  box_obj "$work/open.obj" "${box_faces[@]:1}"
  run_mesh "$work/open.obj" --displacement 960 --gravity 20,6,3
  expect_rc 1
  expect_err "floatstate: note: $work/open.obj: the surface is open: 4 edges belong to one triangle only, in 1 loop; the lowest point of the opening is (0, 0, 0)"
  expect_err "floatstate: $work/open.obj: the water reaches the open edge of the surface at (0, 0, 0)"
  box_obj "$work/doubled.obj" "${box_faces[@]}" "1 4 3"
  run_mesh "$work/doubled.obj" --displacement 960 --gravity 20,6,3
  expect_rc 1
  expect_err "floatstate: $work/doubled.obj: 1 triangle lies on another one with the same orientation (a doubled facet), e.g. the triangles from line 9 and line 15"
  box_obj "$work/crowded.obj" "${box_faces[@]}" "1 3 7" "1 7 5"
  run_mesh "$work/crowded.obj" --displacement 960 --gravity 20,6,3
  expect_rc 1
  expect_err "floatstate: $work/crowded.obj: the surface does not bound a solid: 4 edges belong to more than two triangles (the surface is not manifold)"
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
booklet_tables)
  # --hydrostatics alone solves no equilibrium: the input lines, then the table; the JSON report
  # and the CSV file hold the same rows, analytic for the 40 x 12 x 4 box: V = 480 T, KB = T / 2,
  # BMt = 12^2 / (12 T), BMl = 40^2 / (12 T), TPC = 1.025 x 480 / 100, MCT = 1.025 V BMl / 4000.
  write_set "$work/body.txt" 960 20 6 3 "$(box_block 40 12 4)"
  run /dev/null "$work/body.txt" --lang en --hydrostatics 0.5:3.5:0.5 --json "$work/h.json" \
    --csv "$work/h.csv"
  expect_rc 0
  [ ! -s "$work/err" ] || fail "standard error is not empty"
  expect_line 'Displacement volume=960'
  grep -aq -e 'Start of the iteration' -e 'Pillar' "$work/out" && fail "an equilibrium was solved"
  expect_line '  water density (t/m^3): 1.025 (no loading condition: sea water)'
  check_json "$work/h.json" '
import csv
assert "verdict" not in j and "waterPlane" not in j and j["waterDensity"] == 1.025, list(j)
rows = j["hydrostaticTable"]
names = ["draft", "volume", "displacement", "LCB", "TCB", "KB", "waterplaneArea", "LCF", "TCF",
         "TPC", "BMt", "BMl", "KMt", "KMl", "MCT", "waterlineLength", "waterlineBreadth", "Cb",
         "Cwp"]
assert [list(r) for r in rows] == [names] * 7, rows[0]
for r in rows:
    T = r["draft"]
    want = {"volume": 480 * T, "displacement": 492 * T, "LCB": 20, "TCB": 6, "KB": T / 2,
            "waterplaneArea": 480, "LCF": 20, "TCF": 6, "TPC": 4.92, "BMt": 12 / T,
            "BMl": 400 / (3 * T), "KMt": T / 2 + 12 / T, "KMl": T / 2 + 400 / (3 * T),
            "MCT": 1.025 * 12 * 1600 / 1200, "waterlineLength": 40, "waterlineBreadth": 12,
            "Cb": 1, "Cwp": 1}
    for k, v in want.items():
        assert abs(r[k] - v) <= 1e-9 * max(1, abs(v)), (T, k, r[k], v)
table = list(csv.reader(open("'"$work/h.csv"'")))
assert table[0] == names, table[0]
assert [[float(x) for x in row] for row in table[1:]] == [[r[n] for n in names] for r in rows]
lines = out.splitlines()
head = [l.split() for l in lines if l.split()[:2] == ["draft", "volume"]]
assert head == [names], head
'
  # A mesh needs no loading for the tables alone; the report then has none.
  box_obj "$work/barge.obj"
  run /dev/null --mesh "$work/barge.obj" --hydrostatics 1:3:1 --json "$work/m.json"
  expect_rc 0
  check_json "$work/m.json" '
assert j["input"]["displacementVolume"] is None and j["input"]["centreOfGravity"] is None
assert [abs(r["volume"] - 480 * r["draft"]) < 1e-9 for r in j["hydrostaticTable"]] == [True] * 3
'
  # With an output that needs the equilibrium the normal output comes first, unchanged.
  name=pontoon_barge
  run /dev/null "$(example_file $name)" --hydrostatics 1:2:1
  expect_rc 0
  iconv -f UTF-8 -t GBK "$examples/$name/expected_output.txt" >"$work/expected"
  head -n "$(wc -l <"$work/expected")" "$work/out" | mask_time | cmp -s - "$work/expected" &&
    fail "the tables alone solved the equilibrium"
  run /dev/null "$(example_file $name)" --hydrostatics 1:2:1 --summary
  expect_rc 0
  head -n "$(wc -l <"$work/expected")" "$work/out" | mask_time | cmp -s - "$work/expected" ||
    fail "the default lines differ"
  for args in "--csv $work/x.csv" "--kn 0:30:10" "--kn-volumes 10" "--kn-lcg 2" \
    "--hydrostatics 3:1:1" "--hydrostatics 0:1:0" "--hydrostatics 0:100000:1" "--kn 0:30:10 --kn-volumes 0" \
    "--windage 100,2" "--criteria is2008 --windage 0,2" "--criteria area-ratio" \
    "--criteria nine" "--criteria area-ratio --wind-heeling-arm 10:1,5:1" "--opening a,1,2"; do
    # shellcheck disable=SC2086
    run /dev/null "$(example_file $name)" $args
    expect_rc 2
  done
  run /dev/null --mesh "$work/barge.obj" --hydrostatics 1:3:1 --summary
  expect_rc 2
  expect_err "--mesh needs --displacement"
  run /dev/null "$work/body.txt" --kn 0:30:10 --kn-volumes 960,2000
  expect_rc 1
  expect_err "floatstate: --kn-volumes: the volume 2000 exceeds the whole body's volume 1920"
  ;;
cross_curves)
  # KN of the 40 x 12 x 4 box, whose centre line is y = 6: KN = 6 cos(phi) + sin(phi) (T / 2 + BM +
  # BM tan^2(phi) / 2) while it is wall-sided (to 9.5 degrees at T = 3); the cross curves' CSV beside the table's, the panel
  # in the picture.
  write_set "$work/body.txt" 960 20 6 3 "$(box_block 40 12 4)"
  cp "$examples/pontoon_barge/FourPillars.txt" "$work/"
  run /dev/null "$work/body.txt" --lang en --kn 0:9:3 --kn-volumes 960,1440 --hydrostatics 2:3:1 \
    --csv "$work/t.csv" --json "$work/k.json" --svg "$work/k.svg"
  expect_rc 0
  expect_line 'Cross curves of stability KN (L is the length unit; the reference point on the baseline z = 0 and the centre line y = 0):'
  expect_picture "$work/k.svg"
  grep -q 'Cross curves KN' "$work/k.svg" || fail "no cross-curves panel"
  check_json "$work/k.json" '
import csv, math
curves = j["crossCurves"]
assert [c["displacementVolume"] for c in curves] == [960, 1440]
rows = list(csv.reader(open("'"$work/t.kn.csv"'")))
assert rows[0] == ["displacementVolume", "heelDeg", "trimDeg", "kn"], rows[0]
flat = []
for c in curves:
    T = c["displacementVolume"] / 480
    BM = 12 / T
    assert c["referenceX"] == 20 and [p["heelDeg"] for p in c["points"]] == [0, 3, 6, 9]
    for p in c["points"]:
        phi = math.radians(p["heelDeg"])
        want = 6 * math.cos(phi) + math.sin(phi) * (T / 2 + BM + BM * math.tan(phi) ** 2 / 2)
        assert abs(p["kn"] - want) <= 1e-9 and abs(p["trimDeg"]) <= 1e-9, (p, want)
        flat.append([c["displacementVolume"], p["heelDeg"], p["trimDeg"], p["kn"]])
assert [[float(x) for x in r] for r in rows[1:]] == flat
assert len(list(csv.reader(open("'"$work/t.csv"'")))) == 3
'
  ;;
criteria)
  # The 60 x 10 x 10 box at T = 5 with GM = 1 passes every criterion of is2008 (exit code 0); a vent
  # that floods at 32 degrees fails the area between 30 degrees and it (exit code 5, named on
  # standard error); an unstable equilibrium keeps its exit code 4.
  box="$(box_block 60 10 10)"
  write_set "$work/body.txt" 3000 30 5 3.1666666666666667 "$box"
  cp "$examples/pontoon_barge/FourPillars.txt" "$work/"
  run /dev/null "$work/body.txt" --lang en --criteria is2008 --windage 300,6 --json "$work/c.json" \
    --svg "$work/c.svg"
  expect_rc 0
  expect_line '  verdict: pass'
  expect_picture "$work/c.svg"
  grep -q 'lw2' "$work/c.svg" || fail "no heeling arms in the picture"
  check_json "$work/c.json" '
import math
c = j["criteria"]
assert c["set"] == "is2008" and c["pass"] is True, c
ids = [r["id"] for r in c["results"]]
assert ids == ["area_0_30", "area_0_40", "area_30_40", "gz_30", "angle_max_gz", "gm0", "weather"]
assert all(set(r) >= {"id", "required", "attained", "unit", "pass"} for r in c["results"])
area = lambda d: (1 - math.cos(math.radians(d))) + 5 / 6 * (1 / math.cos(math.radians(d)) + math.cos(math.radians(d)) - 2)
r = {x["id"]: x for x in c["results"]}
assert abs(r["area_0_30"]["attained"] - area(30)) <= 1e-6 * area(30), r["area_0_30"]
assert abs(r["area_0_40"]["attained"] - area(40)) <= 1e-6 * area(40), r["area_0_40"]
assert abs(r["gm0"]["attained"] - 1) <= 1e-9 and r["weather"]["required"] == 1
'
  run /dev/null "$work/body.txt" --lang en --criteria is2008 --opening vent,30,10,8.124346759546636 \
    --json "$work/f.json"
  expect_rc 5
  expect_err "floatstate: criterion area_30_40 is not met"
  expect_err "floatstate: the weather criterion is not assessed"
  check_json "$work/f.json" '
c = j["criteria"]
assert c["pass"] is False and [x["id"] for x in c["results"] if not x["pass"]] == ["area_30_40"]
assert abs(c["sides"][0]["floodingAngle"]["heelDeg"] - 32) < 1e-6, c["sides"][0]
'
  write_set "$work/high.txt" 3000 30 5 9 "$box"
  run /dev/null "$work/high.txt" --criteria is2008
  expect_rc 4
  expect_err "floatstate: criterion gm0 is not met"
  # The area ratio of a column-stabilised unit against a wind heeling-arm table.
  run /dev/null "$work/body.txt" --lang en --criteria area-ratio --wind-heeling-arm 0:0.3,90:0.1 \
    --json "$work/a.json"
  expect_rc 0
  check_json "$work/a.json" '
c = j["criteria"]
assert c["set"] == "area-ratio" and [x["id"] for x in c["results"]] == ["area_ratio"], c
assert c["results"][0]["attained"] >= 1.3 and c["results"][0]["required"] == 1.3
'
  ;;
mesh_open_deck)
  # The barge open at its deck floats as the closed one (the same lines on standard output) with a
  # note naming the opening's lowest point; its righting-arm curve ends where the deck edge meets
  # the water, at atan(2 / 6) = 18.4 degrees; the picture draws the open edges.
  box_obj "$work/closed.obj"
  run_mesh "$work/closed.obj" --displacement 960 --gravity 20,6,3 --lang en
  mask_time <"$work/out" >"$work/closed_out"
  box_obj "$work/open.obj" "1 4 3 2" "${box_faces[@]:2}"
  run_mesh "$work/open.obj" --displacement 960 --gravity 20,6,3 --lang en
  expect_rc 0
  mask_time <"$work/out" | cmp -s - "$work/closed_out" || fail "the open barge floats otherwise"
  expect_err "floatstate: note: $work/open.obj: the surface is open: 4 edges belong to one triangle only, in 1 loop; the lowest point of the opening is (0, 0, 4), and the water must stay below it"
  run_mesh "$work/open.obj" --displacement 960 --gravity 20,6,3 --lang en --gz 0:30:2 \
    --json "$work/r.json" --svg "$work/p.svg"
  expect_rc 0
  expect_line '  the curve ends at a heel of 20 deg, where the water reaches the open edge of the surface at (0, 12, 4)'
  check_json "$work/r.json" '
assert j["input"]["lowestOpenPoint"] == [0, 0, 4] and abs(j["input"]["bodyVolume"] - 1920) < 1e-9
assert [p["heelDeg"] for p in j["gz"]] == list(range(0, 19, 2)), j["gz"]
s = j["gzSummary"]
assert s["openingReachedHeelDeg"] == 20 and s["openingReachedAt"] == [0, 12, 4], s
assert s["areaTo30Deg"] is None and s["maxGzHeelDeg"] == 18, s
'
  expect_picture "$work/p.svg"
  ;;
mesh_open_deck_flooded)
  # Loads that bring the water over the open deck: more than the barge holds up to its deck, and a
  # centre of gravity so far off the centre line that it heels past the deck edge, by both
  # solvers. Exit 1, the point of the deck edge the water reaches on standard error.
  box_obj "$work/open.obj" "1 4 3 2" "${box_faces[@]:2}"
  for args in "--displacement 1930 --gravity 20,6,1:(0, 0, 4)" \
    "--displacement 1440 --gravity 20,8,3:(0, 12, 4)" \
    "--displacement 1440 --gravity 20,8,3 --method newton:(0, 12, 4)"; do
    # shellcheck disable=SC2086
    run_mesh "$work/open.obj" ${args%%:*}
    expect_rc 1
    expect_err "floatstate: $work/open.obj: the water reaches the open edge of the surface at ${args#*:}"
  done
  ;;
mesh_fins)
  # A fin of no thickness under the keel (one triangle both ways round) is left out with a note:
  # the barge floats as without it.
  box_obj "$work/plain.obj"
  run_mesh "$work/plain.obj" --displacement 960 --gravity 20,6,3
  mask_time <"$work/out" >"$work/plain_out"
  { for c in "${box_corners[@]}" "20 0 -1" "20 -1 0"; do echo "v $c"; done
    for f in "${box_faces[@]}" "1 2 9" "1 9 2" "1 10 2" "1 2 10"; do echo "f $f"; done; } >"$work/fin.obj"
  run_mesh "$work/fin.obj" --displacement 960 --gravity 20,6,3
  expect_rc 0
  expect_err "floatstate: note: $work/fin.obj: 2 pairs of coincident triangles of opposite orientation (a fin of no thickness) left out, e.g. the triangles from line 17 and line 18"
  mask_time <"$work/out" | cmp -s - "$work/plain_out" || fail "the barge with fins floats otherwise"
  ;;
baseline)
  # KB, KG, KM and the drafts above the baseline: a SET file run names it only when it is given
  # (its summary stays as it was), a mesh run always. The barge (draft 2, KB 1, KG 3, GMt 4) above
  # z = 1.5.
  run /dev/null "$(example_file pontoon_barge)" --summary --lang en --json "$work/plain.json"
  expect_rc 0
  expect_line 'Summary (L is the length unit of the SET file):'
  check_json "$work/plain.json" 'assert "baseline" not in j'
  run /dev/null "$(example_file pontoon_barge)" --summary --lang en --baseline 1.5 --json "$work/r.json"
  expect_rc 0
  expect_line 'Summary (L is the length unit of the SET file; KB and drafts above the baseline z = 1.5):'
  expect_line 'Pillar 1 draft=0.5'
  expect_line '  KB                     -0.5 L'
  check_json "$work/r.json" '
b = j["baseline"]
assert b["z"] == 1.5 and b["KB"] == -0.5 and b["KG"] == 1.5, b
assert abs(b["KMt"] - 5.5) < 1e-9 and abs(b["KMl"] - (1.5 + j["hydrostatics"]["GMl"])) < 1e-12, b
assert [p["draft"] for p in j["pillars"]] == [0.5] * 4, j["pillars"]
'
  box_obj "$work/barge.obj"
  run_mesh "$work/barge.obj" --displacement 960 --gravity 20,6,3 --summary --lang en --gz 0:10:10
  expect_rc 0
  expect_line 'Summary (L is the length unit of the mesh file; KB and drafts above the baseline z = 0):'
  expect_line 'Righting-arm curve (L is the length unit of the mesh file):'
  expect_line '  KB                     1 L'
  for value in x 1,2 inf; do
    run /dev/null "$(example_file pontoon_barge)" --baseline "$value"
    expect_rc 2
  done
  ;;
*)
  return 0
  ;;
esac
exit 0
