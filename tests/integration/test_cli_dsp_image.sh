#!/usr/bin/env bash
# tarnix-cli dsp image on a copy of the demo Vantor folder: both targets, the folder's kvq.ini, and the
# refusals (exit 4 with a message, no output file).
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

# USB target.
out=$("$CLI" --vantor "$V" dsp image -o "$work/usb.bin" 2>"$work/err") || fail "usb image exit $? $(cat "$work/err")"
size=$(stat -c %s "$work/usb.bin" 2>/dev/null || echo 0)
grep -q "DSP code: $size bytes (USB target)" <<<"$out" || fail "size line missing: $out"
[ "$(head -c 14 "$work/usb.bin")" = "#############x" ] || fail "usb head"
[ "$(tail -c 7 "$work/usb.bin")" = "#######" ] || fail "tail"
[ "$(head -c 17 "$work/usb.bin" | tail -c 3)" = '$DP' ] || fail "first record"

# Serial target: the same image after a 4-byte head.
"$CLI" --vantor "$V" dsp image --serial -o "$work/serial.bin" >/dev/null 2>&1 || fail "serial image exit $?"
[ "$(head -c 4 "$work/serial.bin" | od -An -c | tr -d ' \n')" = '$$$\r' ] || fail "serial head"
cmp -s <(tail -c +15 "$work/usb.bin") <(tail -c +5 "$work/serial.bin") || fail "serial body differs from usb body"

# The DSP file named in kvq.ini is used.
cp "$V/VANTOR2b1x.kvq" "$V/Other.kvq"
printf '[DSP file]\r\nfile=Other.kvq\r\n[Params]\r\nfile=User2B2.KVQ\r\n' >"$V/kvq.ini"
out=$("$CLI" --vantor "$V" dsp image -o "$work/other.bin" 2>&1) || fail "kvq.ini name exit $?"
grep -q "Other.kvq" <<<"$out" || fail "kvq.ini name not used: $out"
cmp -s "$work/usb.bin" "$work/other.bin" || fail "same code gives another image"

# A missing code file: exit 4 with the warning, nothing written.
printf '[DSP file]\r\nfile=Missing.kvq\r\n' >"$V/kvq.ini"
"$CLI" --vantor "$V" dsp image -o "$work/missing.bin" >/dev/null 2>"$work/err"
rc=$?
[ $rc -eq 4 ] || fail "missing code file exit $rc"
grep -q "Cannot find your DSP code file:  $V/Missing.kvq" "$work/err" || fail "missing message: $(cat "$work/err")"
[ ! -e "$work/missing.bin" ] || fail "output written for a missing file"

# A line that is not hexadecimal: exit 4, the message names file, line and what is expected.
printf 'title\r\n@PA\r\n0200\r\n00G000\r\n#\r\n\033\r\n' >"$V/Bad.kvq"
printf '[DSP file]\r\nfile=Bad.kvq\r\n' >"$V/kvq.ini"
"$CLI" --vantor "$V" dsp image -o "$work/bad.bin" >/dev/null 2>"$work/err"
rc=$?
[ $rc -eq 4 ] || fail "bad code file exit $rc"
grep -q "Bad.kvq, line 4: .*hexadecimal" "$work/err" || fail "bad line message: $(cat "$work/err")"
[ ! -e "$work/bad.bin" ] || fail "output written for a refused file"

# Usage errors.
"$CLI" --vantor "$V" dsp image >/dev/null 2>&1
[ $? -eq 1 ] || fail "missing -o is not a usage error"

[ $fails -eq 0 ] && echo "all dsp image checks passed"
exit $((fails > 0))
