#!/usr/bin/env bash
# tarnix-cli dsp load / upload / direct and ad603 send on a copy of the demo Vantor folder, against the
# simulated controller and the simulated DSP on a pseudo-terminal: the printed result lines and the
# exit codes (0 sent, 3 a transfer failed, 5 the checksums differ, 4 a file refused).
set -u
CLI=${TARNIX_CLI:?TARNIX_CLI names the tarnix-cli binary}
SRC=${TARNIX_SRC:?TARNIX_SRC names the source tree}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
cp -r "$SRC/share/demo" "$work/vantor"
V="$work/vantor"
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
run() { # run EXPECTED-EXIT ARGS...: output in $out, standard error in $work/err
    local want=$1
    shift
    out=$("$CLI" "$@" 2>"$work/err")
    local rc=$?
    [ "$rc" -eq "$want" ] || fail "$* exited $rc, not $want: $out $(cat "$work/err")"
}

# Code and parameters: the result lines, both checksums the same.
run 0 --sim --vantor "$V" dsp load --code --params
size=$("$CLI" --vantor "$V" dsp image -o "$work/usb.bin" | sed -n 's/^DSP code: \([0-9]*\) bytes.*/\1/p')
[ "$(sed -n 1p <<<"$out")" = "DSP code: $size bytes sent" ] || fail "code line: $out"
[ "$(sed -n 2p <<<"$out")" = "DSP params sent ok" ] || fail "params line: $out"
[ "$(sed -n 3p <<<"$out")" = "Checksum verification of DSP code transmission:" ] || fail "heading: $out"
pc=$(sed -n 's/^Checksum on code bytes as sent from PC  =  //p' <<<"$out")
avr=$(sed -n 's/^Checksum on code bytes as received by Kelvox  =  //p' <<<"$out")
[ -n "$pc" ] && [ "$pc" = "$avr" ] || fail "checksums '$pc' and '$avr'"

# The controller vanishing in the middle of the code.
run 3 --sim --sim-fault DSP_C:vanish=100 --vantor "$V" dsp load --code --params
grep -qx "DSP code transmission by USB failed" <<<"$out" || fail "no code failure line: $out"
grep -q "Checksum on code" <<<"$out" && fail "checksums shown after a failed transfer"

# A checksum reply that does not match: exit 5, the lines still printed.
run 5 --sim --sim-fault DSP_C:garbage=2 --vantor "$V" dsp load --code
grep -q "^Checksum on code bytes as received by Kelvox" <<<"$out" || fail "no controller checksum: $out"

# Parameters only, with the stored Vantor folder instead of --vantor.
"$CLI" settings set Vantor VantorFolder "$V" || fail "settings set"
run 0 --sim dsp load --params
[ "$out" = $'Sending default parameters to Kelvox\nDSP params sent ok' ] || fail "params only: $out"

# Upload after a parameter load in an earlier run (the simulator's EEPROM kept in a state file): the
# files are rewritten and parse to the same parameter set (but for parameter 65, which the load
# derives from parameter 63).
"$CLI" --vantor "$V" params show | grep -v "^65"$'\t' >"$work/before.txt" || fail "params show"
run 0 --sim --sim-state "$work/sim.state" --vantor "$V" dsp load --params
run 0 --sim --sim-state "$work/sim.state" --vantor "$V" dsp upload
grep -qx "DSP params received ok" <<<"$out" || fail "upload result: $out"
grep -qx "Params saved to: $V/User2B2.KVQ" <<<"$out" || fail "saved line: $out"
"$CLI" --vantor "$V" params show | grep -v "^65"$'\t' >"$work/after.txt" || fail "params show after"
cmp -s "$work/before.txt" "$work/after.txt" || fail "the upload changed the set: $(diff "$work/before.txt" "$work/after.txt" | head)"

# An upload whose fourth block comes short: failure, the files untouched.
cp "$V/User2B2.KVQ" "$work/user.kvq"
run 3 --sim --sim-fault DSP_S:short=250 --vantor "$V" dsp upload
grep -qx "DSP params reception failed" <<<"$out" || fail "short upload: $out"
cmp -s "$V/User2B2.KVQ" "$work/user.kvq" || fail "parameter file rewritten after a failed upload"

# No controller.
run 2 --vantor "$V" dsp load --params

# A missing code file: refused before anything is sent.
mv "$V/VANTOR2b1x.kvq" "$work/code.kvq"
run 4 --sim --vantor "$V" dsp load --code
grep -q "Cannot find your DSP code file:  $V/VANTOR2b1x.kvq" "$work/err" || fail "missing code: $(cat "$work/err")"
mv "$work/code.kvq" "$V/VANTOR2b1x.kvq"

# AD603 curve.
run 0 --sim --vantor "$V" ad603 send
[ "$out" = "AD603 calibration sent" ] || fail "ad603: $out"
run 3 --sim --sim-fault DSP_V:vanish=0 --vantor "$V" ad603 send
[ "$out" = "Failed to send AD603 calibration" ] || fail "ad603 failure: $out"

# Direct to the simulated DSP on a pseudo-terminal.
serial=$("$CLI" --vantor "$V" dsp image --serial -o "$work/serial.bin" | sed -n 's/^DSP code: \([0-9]*\) bytes.*/\1/p')
run 0 --vantor "$V" dsp direct --sim-dsp
[ "$(sed -n 1p <<<"$out")" = "DSP codes: $serial bytes send to DSP." ] || fail "direct code line: $out"
grep -qx "Params sent to DSP" <<<"$out" || fail "direct params: $out"
grep -q "image of $serial bytes, 1 start(s), 0 stray bytes" <<<"$out" || fail "DSP received: $out"
run 3 --vantor "$V" dsp direct --port "$work/no-such-port" --code
grep -qx "DSP code transmission by serial port failed" <<<"$out" || fail "bad port: $out"

[ $fails -eq 0 ] && echo "all dsp load checks passed"
exit $((fails > 0))
