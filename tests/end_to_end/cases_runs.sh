# shellcheck shell=bash
# Runs that keep their results and never block, memory and concurrency, the command line, the
# verdicts and the input findings, terminals.
# Sourced by cases.sh, which defines the helpers and $case_name; a case that is not here
# returns to cases.sh.
case "$case_name" in
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
  # The same body as a case floated by the tilt iteration: its question is answered too.
  printf 'body: high.txt\nwater_density: 1.0\nweights:\n  - {name: w, mass: 40, x: 5, y: 2.1, z: 3}\n' \
    >"$work/high.yaml"
  for answer in no yes; do
    timeout 10 env LANG=C "$program" --case "$work/high.yaml" --method greedy --answer "$answer" \
      --lang en < <(sleep 30) >"$work/out" 2>"$work/err"
    rc=$?
    [ "$rc" -ne 124 ] || fail "the case with --answer $answer timed out"
    grep -A1 "otherwise enter 'n'" "$work/out" | tail -n 1 | grep -qx "${answer:0:1}" ||
      fail "the case's answer ${answer:0:1} does not follow the question"
  done
  # The prompt for a file: without --answer an empty line or the end of the input chooses no
  # file; with --answer there is no prompt.
  printf '\n' >"$work/in"
  run "$work/in"
  expect_rc 1
  expect_err 'floatstate: no file was chosen (an empty name, the end of the input or a cancelled dialog): there is no SET file to read'
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
  return 0
  ;;
esac
exit 0
