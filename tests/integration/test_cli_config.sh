#!/usr/bin/env bash
# tarnix-cli's configuration verbs on copies of the demo Vantor folder.
set -euo pipefail
cli=${TARNIX_CLI:?TARNIX_CLI names the tarnix-cli binary}
src=${TARNIX_SRC:?TARNIX_SRC names the source tree}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
fail() { echo "FAIL: $*" >&2; exit 1; }

cp -r "$src/share/demo" "$work/vantor"

# The parameter image of the demo folder.
"$cli" --vantor "$work/vantor" params image -o "$work/image.bin" || fail "params image exited $?"
[ "$(stat -c %s "$work/image.bin")" = 1048 ] || fail "image is not 1048 bytes"
[ "$(head -c 14 "$work/image.bin" | od -An -c | tr -d ' \n')" = '#############\r' ] || fail "image head"

# show lists every defined parameter; save on the demo writes the same files again.
n=$("$cli" --vantor "$work/vantor" params show | grep -vc '^#')
[ "$n" = 74 ] || fail "params show listed $n parameters"
"$cli" --vantor "$work/vantor" params save || fail "params save"
cmp "$work/vantor/User2B2.KVQ" "$src/share/demo/User2B2.KVQ" || fail "save changed the demo parameter file"
cmp "$work/vantor/Filters/xparams.dat" "$src/share/demo/Filters/xparams.dat" || fail "xparams.dat differs"
"$cli" --vantor "$work/vantor" params save --backup || fail "params save --backup"
[ -f "$work/vantor/User2B2.BAK" ] && [ -f "$work/vantor/Filters/xparams.BAK" ] || fail "no .BAK twins"

# A folder whose parameter file is missing.
cp -r "$src/share/demo" "$work/nofile"
rm "$work/nofile/User2B2.KVQ"
set +e
"$cli" --vantor "$work/nofile" params image -o "$work/none.bin" 2>"$work/err"
rc=$?
set -e
[ "$rc" = 4 ] || fail "missing parameter file exited $rc"
grep -qF "Cannot find your parameter file:  $work/nofile/User2B2.KVQ" "$work/err" || fail "message: $(cat "$work/err")"
[ ! -e "$work/none.bin" ] || fail "an image was written"

# A refused file: exit 4, file untouched.
cp "$src/share/demo/User2B2.KVQ" "$work/nofile/User2B2.KVQ"
printf 'Bad, 1, 120, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1\r\n' >>"$work/nofile/User2B2.KVQ"
sed -i 's/^END FILE\r$//' "$work/nofile/User2B2.KVQ"
before=$(md5sum <"$work/nofile/User2B2.KVQ")
set +e
"$cli" --vantor "$work/nofile" params save 2>"$work/err"
rc=$?
set -e
[ "$rc" = 4 ] || fail "refused parameter file exited $rc"
grep -q "parameter number 120" "$work/err" || fail "refusal message: $(cat "$work/err")"
[ "$before" = "$(md5sum <"$work/nofile/User2B2.KVQ")" ] || fail "refused file was changed"

# The controller settings file: show and rewrite.
out=$("$cli" --vantor "$work/vantor" eemem-ini show)
echo "$out" | grep -qx 'bandlast/Last6mFreq=50313000' || fail "6 m slot not shown"
echo "$out" | grep -qx 'PCA9555tasks/PCA9555_Task1_Operation=set_bits_Tx_only' || fail "task 1"
[ "$(echo "$out" | wc -l)" = 473 ] || fail "show printed $(echo "$out" | wc -l) lines"
"$cli" --vantor "$work/vantor" eemem-ini rewrite || fail "rewrite"
cmp "$work/vantor/KelvoxEemem.ini" "$src/share/demo/KelvoxEemem.ini" || fail "rewrite changed the demo file"
printf '[PCA9555tasks]\r\nPCA9555_Task2_Operation=Set_Bits\r\n' >"$work/k.ini"
"$cli" eemem-ini rewrite --ini "$work/k.ini" >/dev/null || fail "rewrite --ini"
grep -q '^PCA9555_Task2_Operation=no_action' "$work/k.ini" || fail "Set_Bits not rewritten as no_action"
set +e
"$cli" eemem-ini show --ini "$work/missing.ini" 2>/dev/null
rc=$?
set -e
[ "$rc" = 4 ] || fail "show of a missing file exited $rc"
echo "ok"
