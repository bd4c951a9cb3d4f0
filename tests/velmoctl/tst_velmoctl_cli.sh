#!/bin/bash
# velmoctl against the virtual controller (device id 14, axes 0-2).
# Usage: tst_velmoctl_cli.sh <path to velmoctl>
# Needs LD_LIBRARY_PATH with the virtual controller first.

set -u
CTL=${1:?usage: $0 <velmoctl>}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# run <name> <expected exit status> <velmoctl arguments...>; keeps stdout and
# stderr in $WORK/<name>.out / .err.
run() {
    local name=$1 expected=$2
    shift 2
    "$CTL" "$@" >"$WORK/$name.out" 2>"$WORK/$name.err"
    local status=$?
    # Builds with sanitizers report through stderr, sometimes with the expected status.
    if grep -q 'Sanitizer' "$WORK/$name.err"; then
        fail "$name: sanitizer report"
        sed 's/^/    stderr: /' "$WORK/$name.err"
    fi
    if [ "$status" -ne "$expected" ]; then
        fail "$name: exit status $status, expected $expected (velmoctl $*)"
        sed 's/^/    stdout: /' "$WORK/$name.out"
        sed 's/^/    stderr: /' "$WORK/$name.err"
        return 1
    fi
    return 0
}

# expect <name> <stream out|err> <extended regex>
expect() {
    if ! grep -Eq -- "$3" "$WORK/$1.$2"; then
        fail "$1: $2 does not match /$3/"
        sed "s/^/    $2: /" "$WORK/$1.$2"
    fi
}

# json <name> <python expression on d, the parsed stdout>
json() {
    if ! python3 -c "import json,sys; d=json.load(open(sys.argv[1])); sys.exit(0 if ($2) else 1)" "$WORK/$1.out"; then
        fail "$1: stdout is not JSON with $2"
        sed 's/^/    stdout: /' "$WORK/$1.out"
    fi
}

# ---------------------------------------------------------------- identity
echo "== identity"
# Quiet by default: an open and a few exchanges leave stderr empty; the
# wire trace appears only when asked for.
(unset QT_LOGGING_RULES VELMO_TRACE; run quiet 0 info) && [ ! -s "$WORK/quiet.err" ] \
    || fail "quiet: stderr not empty: $(head -3 "$WORK/quiet.err")"
VELMO_TRACE=1 run trace 0 pos && expect trace err 'velmo\.exchange.*send->|send->' && expect trace err '打开设备成功'
(unset QT_LOGGING_RULES VELMO_TRACE; run verbose 0 pos --verbose) && expect verbose err 'send->'
QT_LOGGING_RULES='velmo.exchange.debug=true' run trace_rules 0 pos && expect trace_rules err 'send->'
if grep -q '打开设备成功' "$WORK/trace_rules.err"; then fail "trace_rules: velmo.usb debug on without being asked"; fi

run list 0 list && expect list out '^14 .*VM-0001.*VM 1\.0\.0.*3 axes'
run list_json 0 list --json && json list_json 'd["controllers"][0]["id"] == 14'

run info 0 info
expect info out 'serial number +VM-0001'
expect info out 'firmware +VM 1\.0\.0'
run info_json 0 info --json
json info_json 'd["id"] == 14 and d["axisCount"] == 3 and len(d["axes"]) == 3'
json info_json '[a["unit"] for a in d["axes"][:2]] == ["mm", "\u00b0"] and d["axes"][0]["autoDetect"] == 2'
run info_axis 0 info --axis 1 --json && json info_axis '[a["axis"] for a in d["axes"]] == [1]'

run state_json 0 state --axis 0 --json
json state_json 'd["state"]["isStop"] is True and set(d["state"]) >= {"isCanRun", "isEnable", "isHome", "isLeftLimit", "currentJog"}'

# ------------------------------------------------------------------ motion
echo "== motion"
if run move_abs 0 move 2 --axis 0 --speed 20 --acc 100 --wait; then
    tail -n 1 "$WORK/move_abs.out" | grep -Eq 'stopped at 2\.000 mm$' \
        || fail "move_abs: last line is not the final position 2.000 mm: $(tail -n 1 "$WORK/move_abs.out")"
fi

# A relative move by a negative distance: "-1.5" is the target, not an option.
run pos_before 0 pos --axis 0 --json
start=$(python3 -c 'import json,sys; print(json.load(sys.stdin)["position"])' <"$WORK/pos_before.out" 2>/dev/null)
if run move_rel 0 move -1.5 --relative --axis 0 --speed 20 --acc 100 --wait --json; then
    json move_rel "abs(d['position'] - ($start - 1.5)) < 1e-6 and d['relative'] is True and d['state']['isStop']"
fi

run home 0 home --axis 0 --wait && expect home out 'stopped at 0\.000 mm$'
run jog 0 jog + --axis 0 --step 0.5 --count 2 --delay 10 --wait --json \
    && json jog "abs(d['position'] - ($start + 1.0)) < 1e-6"
run rotation 0 move 45 --axis 1 --speed 30 --acc 100 --wait && expect rotation out 'stopped at 45\.000°$'

# Waiting gives up with status 3 and leaves the axis moving.
run drive_timeout 3 drive + --axis 0 --wait --timeout 0.3 && expect drive_timeout err 'still moving after 0\.3 s'

# Ctrl-C during a wait stops the axis and still closes the controller.
"$CTL" drive - --axis 1 --wait >"$WORK/interrupt.out" 2>"$WORK/interrupt.err" &
pid=$!
sleep 0.5
kill -INT "$pid"
wait "$pid"
status=$?
[ "$status" -eq 130 ] || fail "interrupt: exit status $status, expected 130"
expect interrupt err 'interrupted; axis 1 stopped'

# A stopped axis: --watch prints its position once and ends.
run watch 0 pos --watch --axis 1 && expect watch out '^90\.000°$'

run enable_off 0 enable off --axis 2 && expect enable_off out 'axis 2: motor disabled'

# ---------------------------------------------------------- parameter block
echo "== params"
# The block persists across runs only with a state file.
export VELMO_SIM_SCENARIO="{\"stateFile\": \"$WORK/flash.json\"}"
run params_get 0 params get --axis 0 --file "$WORK/block.json" && expect params_get out 'written to .*block\.json$'
python3 - "$WORK/block.json" "$WORK/changed.json" <<'PY' || fail "params_get: the block file is not the expected JSON"
import json, sys
block = json.load(open(sys.argv[1]))
assert len(block) == 23 and block["modelName"] == "VLS-50", block
block["pulse"] = block["pulse"] * 2
block["modelName"] = "VLS-50-MOD"
block["optOrder"] = "PZN"
json.dump(block, open(sys.argv[2], "w"))
PY
run params_set 0 params set "$WORK/changed.json" --axis 0 --json
json params_set 'sorted(d["changed"]) == ["modelName", "optOrder", "pulse"] and d["written"] is True'
run params_reread 0 params get --axis 0
python3 - "$WORK/block.json" "$WORK/params_reread.out" <<'PY' || fail "params_reread: the block does not show exactly the change"
import json, sys
before, after = json.load(open(sys.argv[1])), json.load(open(sys.argv[2]))
expected = dict(before, pulse=before["pulse"] * 2, modelName="VLS-50-MOD", optOrder="PZN")
assert after == expected, (after, expected)
PY
# The other axes keep their blocks.
run params_axis1 0 params get --axis 1 --json && json params_axis1 'd["modelName"] == "VRS-360"'

# A rejected file changes nothing on the controller.
printf '{"pulse": -5, "modelNam": "x"}' >"$WORK/bad.json"
run params_bad 2 params set "$WORK/bad.json" --axis 0
expect params_bad err 'unknown field "modelNam"'
expect params_bad err 'pulse: expected a whole number'
printf '{"pulse": 100,' >"$WORK/broken.json"
run params_broken 2 params set "$WORK/broken.json" --axis 0 && expect params_broken err 'broken\.json: invalid JSON at line 1'
run params_after_bad 0 params get --axis 0
cmp -s "$WORK/params_reread.out" "$WORK/params_after_bad.out" || fail "params_after_bad: a rejected file changed the block"
echo '{"returnTrip": 9}' | "$CTL" params set - --axis 0 >/dev/null 2>&1 || fail "params set from stdin failed"
run params_stdin 0 params get --axis 0 --json && json params_stdin 'd["returnTrip"] == 9'

# A controller that refuses one field's write: the failing step is named.
export VELMO_SIM_SCENARIO='{"controllers": [{"faults": {"replies": [{"kind": "status", "code": 4125}]}}]}' # 0x101D
run params_refused 1 params set "$WORK/changed.json" --axis 0
expect params_refused err 'setMotorParams failed on controller 14 axis 0 at field 12 \(unitType\): no valid reply from the controller \(code -24\)'

export VELMO_SIM_SCENARIO='{"controllers": [{"faults": {"replies": [{"kind": "status", "code": 1}]}}]}' # startMove
run move_refused 1 move 3 --axis 0
expect move_refused err '^velmoctl: startMove failed on controller 14 axis 0: no valid reply from the controller \(code -2\)$'
run move_refused_json 1 move 3 --axis 0 --json && json move_refused_json 'd["code"] == -2 and "startMove" in d["error"]'
export VELMO_SIM_SCENARIO=

# ---------------------------------------------------------- scan and run
echo "== scan and run"
export VELMO_SIM_SCENARIO='{"timeScale": 10}'
# Points in order, each reached before the next, with the dwell between them.
if run scan_json 0 scan 10 12 0.5 --dwell 300 --json; then
    python3 - "$WORK/scan_json.out" <<'PY' || fail "scan_json: points, order or dwell wrong"
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1])]
points, summary = lines[:-1], lines[-1]
assert [p["point"] for p in points] == [0, 1, 2, 3, 4], points
assert [p["target"] for p in points] == [10, 10.5, 11, 11.5, 12], points
assert all(abs(p["position"] - p["target"]) < 1e-9 and p["unit"] == "mm" and p["axis"] == 0 for p in points), points
gaps = [b["time"] - a["time"] for a, b in zip(points, points[1:])]
assert all(g >= 0.3 for g in gaps), gaps
assert summary == {"command": "scan", "id": 14, "axis": 0, "points": 5, "passes": 1, "reached": 5}, summary
PY
fi
run scan_text 0 scan 90 0 -45 --axis 1 --repeat 2
expect scan_text out '^controller 14 axis 1: 3 points from 90\.000° to 0\.000°, 2 passes$'
expect scan_text out '^pass 2 point 2 axis 1: target 0\.000°, reached 0\.000°, [0-9.]+ s$'
expect scan_text out '^controller 14: 6 points reached$'

# --csv: every reading of the scan, in the columns of the program's chart export.
if run scan_csv 0 scan 10 20 5 --csv "$WORK/scan.csv"; then
    python3 - "$WORK/scan.csv" <<'PY' || fail "scan_csv: the record is wrong"
import csv, datetime, sys
rows = list(csv.reader(open(sys.argv[1])))
assert rows[0] == ["time", "seconds", "position", "unit", "running", "positive_limit", "negative_limit", "fault"], rows[0]
data = rows[1:]
assert len(data) >= 5, len(data)
times = [datetime.datetime.fromisoformat(r[0].replace("Z", "+00:00")) for r in data]
seconds = [float(r[1]) for r in data]
positions = [float(r[2]) for r in data]
assert times == sorted(times) and seconds == sorted(seconds) and seconds[0] == 0.0
assert abs((times[-1] - times[0]).total_seconds() - seconds[-1]) < 0.002
assert positions == sorted(positions), positions   # the stage only went forward
assert positions[-1] == 20.0 and data[-1][4] == "0", data[-1]
assert all(r[3] == "mm" for r in data) and any(r[4] == "1" for r in data)
assert all(r[5:] == ["0", "0", "0"] for r in data)
PY
fi
run scan_csv_unwritable 1 scan 10 20 5 --csv "$WORK/missing/scan.csv" && expect scan_csv_unwritable err '^velmoctl: cannot write .*missing/scan\.csv'
[ -s "$WORK/scan_csv_unwritable.out" ] && fail "scan_csv_unwritable: started anyway: $(cat "$WORK/scan_csv_unwritable.out")"

# Outside the stage's travel: refused before anything moves.
run scan_outside 2 scan 30 60 10 && expect scan_outside err 'point 3: 60\.000 mm is outside the travel of controller 14 axis 0 \(0\.000 mm to 50\.000 mm\); nothing moved'
[ -s "$WORK/scan_outside.out" ] && fail "scan_outside: printed points: $(cat "$WORK/scan_outside.out")"
run scan_no_travel 2 scan 0 1 1 --axis 2 && expect scan_no_travel err 'travel of controller 14 axis 2 is unknown: .*minPos = maxPos = 0.*--no-travel-check'
run move_outside 2 move 50.5 && expect move_outside err '^velmoctl: target: 50\.500 mm is outside the travel'
run move_huge 2 move 1e308 && expect move_huge err "^velmoctl: target: 1e308 is beyond 1000000"
[ "$(wc -c <"$WORK/move_huge.err")" -lt 300 ] || fail "move_huge: stderr is $(wc -c <"$WORK/move_huge.err") bytes"
run move_unchecked 0 move 3 --axis 2 --no-travel-check --wait && expect move_unchecked out 'stopped at 3\.000 mm$'
run scan_zero_step 2 scan 0 1 0 && expect scan_zero_step err 'STEP must not be 0'
run scan_wrong_way 2 scan 5 1 1 && expect scan_wrong_way err 'STEP must be negative to go from 5 to 1'
run scan_too_many 2 scan 0 50 1e-5 && expect scan_too_many err 'more than 1000000 points'

# A point file: CSV with comments, optional cells; JSON from stdin.
cat >"$WORK/points.csv" <<'CSV'
# alignment
axis,position,speed,dwell

0,20,8,
1,100,,250
0,5,,
CSV
run run_csv 0 run "$WORK/points.csv"
expect run_csv out '^point 0 \(line 4\) axis 0: target 20\.000 mm, reached 20\.000 mm'
expect run_csv out '^point 1 \(line 5\) axis 1: target 100\.000°, reached 100\.000°'
expect run_csv out '^point 2 \(line 6\) axis 0: target 5\.000 mm, reached 5\.000 mm'
echo '[{"axis": 1, "position": 45, "dwell": 100}, {"axis": 0, "position": 12}]' \
    | "$CTL" run - --json >"$WORK/run_stdin.out" 2>"$WORK/run_stdin.err" || fail "run_stdin: $(cat "$WORK/run_stdin.err")"
python3 - "$WORK/run_stdin.out" <<'PY' || fail "run_stdin: wrong points"
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1])]
assert [(p["axis"], p["position"], p["source"]) for p in lines[:-1]] == [(1, 45, "entry 1"), (0, 12, "entry 2")], lines
assert lines[-1]["command"] == "run" and lines[-1]["reached"] == 2, lines
PY

# Broken files: usage errors naming the line or entry, nothing moves.
printf 'axis,position\n0,1\n0,1.2.3\n' >"$WORK/bad_number.csv"
run run_bad_number 2 run "$WORK/bad_number.csv" && expect run_bad_number err "bad_number\.csv: line 3: position: '1\.2\.3' is not a number"
printf 'axis,position,sped\n0,1,2\n' >"$WORK/bad_column.csv"
run run_bad_column 2 run "$WORK/bad_column.csv" && expect run_bad_column err 'line 1: unknown column "sped"'
printf 'position\n1\n' >"$WORK/no_axis.csv"
run run_no_axis 2 run "$WORK/no_axis.csv" && expect run_no_axis err 'line 1: missing column "axis"'
printf 'axis,position,speed,dwell\n0,nan,,\n0,1,-3,\n0,2,,-1\n' >"$WORK/bad_values.csv"
run run_bad_values 2 run "$WORK/bad_values.csv"
expect run_bad_values err 'line 2: position is not a finite number; line 3: speed must be greater than 0, got -3; line 4: dwell must be from 0 to'
printf '[{"axis": 0, "position": 1, "speeed": 2}]' >"$WORK/bad_key.json"
run run_bad_key 2 run "$WORK/bad_key.json" && expect run_bad_key err 'bad_key\.json: entry 1: unknown key "speeed"'
printf 'axis,position\n0,1\n5,1\n' >"$WORK/bad_axis.csv"
run run_bad_axis 2 run "$WORK/bad_axis.csv" && expect run_bad_axis err 'bad_axis\.csv: line 3: controller 14 has no axis 5 \(it has axes 0 to 2\)'
[ -s "$WORK/run_bad_axis.out" ] && fail "run_bad_axis: something ran: $(cat "$WORK/run_bad_axis.out")"
printf 'axis,position\n0,1\n0,70\n' >"$WORK/outside.csv"
run run_outside 2 run "$WORK/outside.csv" && expect run_outside err 'outside\.csv: line 3: 70\.000 mm is outside the travel'
run run_missing 2 run "$WORK/missing.csv" && expect run_missing err 'cannot read .*missing\.csv'
run run_axis_option 2 run "$WORK/points.csv" --axis 1 && expect run_axis_option err "option --axis does not apply to 'run'"

# A failure in the middle: the controller refuses setSpeed (0x0009), which
# only the third point sends. The points done are printed, the library's code
# is reported and the axis is sent a stop.
printf 'axis,position,speed\n0,11,\n0,12,\n0,13,4\n0,14,\n' >"$WORK/midway.csv"
export VELMO_SIM_SCENARIO='{"timeScale": 10, "controllers": [{"faults": {"replies": [{"kind": "status", "code": 9}]}}]}'
run run_midway 1 run "$WORK/midway.csv"
expect run_midway out '^point 1 \(line 3\) axis 0: target 12\.000 mm, reached 12\.000 mm'
grep -q '^point 2' "$WORK/run_midway.out" && fail "run_midway: the third point was reported reached"
expect run_midway err '^velmoctl: setSpeed failed on controller 14 axis 0: no valid reply from the controller \(code -2\); stop sent to axis 0$'
run run_midway_json 1 run "$WORK/midway.csv" --json
python3 - "$WORK/run_midway_json.out" <<'PY' || fail "run_midway_json: wrong lines"
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1])]
assert [p["point"] for p in lines[:-1]] == [0, 1], lines
assert lines[-1]["code"] == -2 and lines[-1]["exitStatus"] == 1 and "setSpeed" in lines[-1]["error"], lines
PY

# Ctrl-C during a scan stops the axis (10 mm at 2 mm/s between points).
export VELMO_SIM_SCENARIO=
"$CTL" scan 10 40 10 --speed 2 --csv "$WORK/interrupted.csv" >"$WORK/scan_interrupt.out" 2>"$WORK/scan_interrupt.err" &
pid=$!
sleep 1.5
kill -INT "$pid"
wait "$pid"
status=$?
[ "$status" -eq 130 ] || fail "scan_interrupt: exit status $status, expected 130"
expect scan_interrupt err '^velmoctl: interrupted; axis 0 stopped; 1 of 4 points reached$'
expect scan_interrupt out '^point 0 axis 0: target 10\.000 mm, reached 10\.000 mm'
# What was recorded up to Ctrl-C is still written.
[ "$(wc -l <"$WORK/interrupted.csv" 2>/dev/null || echo 0)" -ge 3 ] || fail "scan_interrupt: no motion record"

# --------------------------------------------------------------- bad input
echo "== bad input"
run unknown_command 2 frobnicate && expect unknown_command err "velmoctl: unknown command 'frobnicate'"
run unknown_option 2 move 1 --sped 3 && expect unknown_option err "unknown option '--sped'"
run misplaced_option 2 move 1 --step 3 && expect misplaced_option err "option --step does not apply to 'move'"
run bad_number 2 move 1e --axis 0 && expect bad_number err "'1e' is not a number"
run bad_speed 2 move 1 --speed -3 && expect bad_speed err '--speed must be greater than 0'
run not_finite 2 move inf && expect not_finite err "'inf' is not a number"
run bad_axis_text 2 pos --axis one && expect bad_axis_text err "--axis: 'one' is not a whole number"
run missing_value 2 pos --axis && expect missing_value err 'option --axis needs a value'
run bad_direction 2 jog up && expect bad_direction err 'direction must be \+ or -'
run missing_target 2 move && expect missing_target err 'usage: velmoctl move <target>'
run bad_enable 2 enable maybe && expect bad_enable err 'enable takes on or off'
run bad_params 2 params put && expect bad_params err "unknown params action 'put'"
run no_axis 2 pos --axis 3 && expect no_axis err 'controller 14 has no axis 3 \(it has axes 0 to 2'
run no_controller 1 info --id 99 && expect no_controller err 'cannot open controller 99: .*controllers on the bus: 14'
run no_file 2 params set "$WORK/missing.json" && expect no_file err 'cannot read .*missing\.json'
run json_error 2 --json frobnicate && json json_error '"unknown command" in d["error"] and d["exitStatus"] == 2'
run help 0 --help && expect help out 'zero-based'
expect help out '^  scan <start> <stop> <step>'
expect help out '^  run <file>'
expect help out '^Travel check: '
expect help out 'axis,position,speed,dwell'

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
