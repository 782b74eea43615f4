#!/usr/bin/env bash
# The link verbs of tarnix-cli, run as a user would, against simulated controllers and the real driver.
set -u
CLI="${TARNIX_CLI:?TARNIX_CLI names the tarnix-cli binary}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# run EXPECTED_RC ARGS...: runs the CLI, keeps stdout in $out and stderr in $err.
run() {
    local want="$1"
    shift
    "$CLI" "$@" >"$work/out" 2>"$work/err"
    rc=$?
    out="$(cat "$work/out")"
    err="$(cat "$work/err")"
    [ "$rc" -eq "$want" ] || fail "'$*' exited $rc, expected $want (stdout: $out; stderr: $err)"
}

# One simulated controller: both status texts.
run 0 --sim version
[ "$out" = $'USB: KELVOX simulator  s/n: SIM00001\nKelvox v1.20 ready' ] || fail "--sim version printed: $out"

# Two simulated controllers are listed.
run 0 --sim=2 devices
[ "$(printf '%s\n' "$out" | wc -l)" -eq 2 ] || fail "--sim=2 devices listed: $out"
printf '%s\n' "$out" | grep -q $'^1\tKELVOX simulator\tSIM00002$' || fail "second device line missing: $out"

# Several and no --serial: listed, no guess.
run 2 --sim=2 version
printf '%s\n' "$err" | grep -q "SIM00002" || fail "several controllers not listed: $err"
run 0 --sim=2 --serial SIM00002 version
printf '%s\n' "$out" | grep -q "s/n: SIM00002" || fail "--serial did not choose: $out"
run 2 --sim=2 --serial SIM00009 version

# The trace of a version query: one write of 9 bytes, a 50 ms pause, a read of 9 bytes.
run 0 --sim --trace "$work/trace" version
grep -A2 ' write 9 24 24 24 43 46 47 5F 5A 00$' "$work/trace" >"$work/seq" || fail "no command write in the trace"
sed -n 2p "$work/seq" | grep -Eq '^[0-9]+\.[0-9]{3} pause 50$' || fail "no 50 ms pause after the command: $(cat "$work/seq")"
sed -n 3p "$work/seq" | grep -Eq '^[0-9]+\.[0-9]{3} read 9 -> 9 24 24 4B 58( [0-9A-F]{2}){5}$' ||
    fail "no 9-byte read after the pause: $(cat "$work/seq")"

# Faults: a version query without reply exits 3; a malformed fault switch is a usage error.
run 3 --sim --sim-fault CFG_Z:noreply version
run 1 --sim --sim-fault CFG_Z:explode version

# A raw transaction, and the EEPROM kept across runs in the state file.
run 0 --sim send '$$$DSP_A'
[ "$(echo "$out" | wc -w)" -eq 113 ] || fail "DSP_A reply is not 113 bytes: $out"
hw="$(for i in $(seq 96); do printf '5A '; done)"
run 0 --sim --sim-state "$work/state" send '$$$CFG_W' --payload "$hw"
run 0 --sim --sim-state "$work/state" send '$$$CFG_R'
[ "$out" = "${hw% }" ] || fail "hardware block not kept across runs: $out"
run 1 --sim send '$$$CFG_W' --payload 'zz'
run 3 --sim --sim-fault 'DSP_A:short' send '$$$DSP_A'

# The real driver with no controller attached.
run 2 version
case "$out" in
"USB: Kelvox not detected"*) ;;
*) fail "real driver printed: $out" ;;
esac

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "test_cli_link: all checks passed"
