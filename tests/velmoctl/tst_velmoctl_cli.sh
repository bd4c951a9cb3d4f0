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

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
