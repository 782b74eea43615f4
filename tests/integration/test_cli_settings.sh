#!/usr/bin/env bash
# tarnix-cli settings: defaults on an empty profile, a set/get round trip, refusals, and kvq.ini.
set -euo pipefail
cli=${TARNIX_CLI:?TARNIX_CLI names the tarnix-cli binary}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data
mkdir -p "$HOME"

fail() { echo "FAIL: $*" >&2; exit 1; }
expect_line() { grep -qxF -- "$2" <<<"$1" || fail "missing line: $2"; }

# An empty profile lists the defaults of every setting, and reading them writes nothing.
out=$("$cli" settings dump)
[ "$(wc -l <<<"$out")" -eq 79 ] || fail "expected 79 settings, got $(wc -l <<<"$out")"
[ "$(head -n1 <<<"$out")" = "DSP/dsptelemetry=0" ] || fail "first line: $(head -n1 <<<"$out")"
[ "$(tail -n1 <<<"$out")" = "DxSummaryPrinting/Orientation=poPortrait" ] || fail "last line"
for line in "Vantor/VantorFolder=$HOME/Kelvox" "Files/TFTflashFile=" "RS232/Comport=/dev/ttyS0" \
    "Files/fwdcalfile=$XDG_DATA_HOME/tarnix/Caldata/Bramble_default.fwd" "Display/PrintInColor=1" \
    "Summaries/SummaryExportFolder=$HOME" "Summaries/SummaryExportFile=TempSummary.rtf" \
    "coordinates/mainformtop=30" "coordinates/mainformheight=300" "coordinates/summformheight=939" \
    "DebugForm/DebugRefresh=20" "DebugForm/DebugViewPorts=1" "DxSummaryPrinting/DMPaper=9" \
    "DxSummaryPrinting/PageFooterFontName=Times New Roman" "DxSummaryPrinting/PageHeaderFontStyle=B" \
    "DxSummaryPrinting/PageNumberFormat=poNumeral"; do
    expect_line "$out" "$line"
done
[ ! -e "$XDG_CONFIG_HOME/ornwerks/Tarnix.ini" ] || fail "dump wrote the settings file"

# Set and get, names in any case; the saver's spelling goes into the file.
"$cli" settings set rs232 COMPORT /dev/ttyUSB0
"$cli" settings set coordinates mainformleft 120
"$cli" settings set Summaries SummaryExportAfter "two words"
[ "$("$cli" settings get RS232 Comport)" = /dev/ttyUSB0 ] || fail "get Comport"
[ "$("$cli" settings get COORDINATES MainFormLeft)" = 120 ] || fail "get mainformleft"
[ "$("$cli" settings get Summaries SummaryExportAfter)" = "two words" ] || fail "get SummaryExportAfter"
grep -qxF "comport=/dev/ttyUSB0" "$XDG_CONFIG_HOME/ornwerks/Tarnix.ini" || fail "comport line"
expect_line "$("$cli" settings dump)" "coordinates/mainformleft=120"

# Refusals: a clear message and a non-zero exit, and the file is unchanged.
before=$(cat "$XDG_CONFIG_HOME/ornwerks/Tarnix.ini")
for args in "get Nowhere key" "get RS232 baud" "set coordinates mainformleft wide" "set DSP" "frobnicate"; do
    # shellcheck disable=SC2086
    if "$cli" settings $args >"$tmp/out" 2>"$tmp/err"; then fail "settings $args succeeded"; fi
    [ -s "$tmp/err" ] || fail "settings $args gave no message"
done
grep -q 'no settings section "Nowhere"' <("$cli" settings get Nowhere key 2>&1 || true) || fail "section message"
[ "$(cat "$XDG_CONFIG_HOME/ornwerks/Tarnix.ini")" = "$before" ] || fail "a refused set changed the file"

# kvq.ini of the Vantor folder, given for this run only.
mkdir -p "$tmp/vantor"
printf '; our radio\n[DSP file]\nfile=Mine.kvq\n' >"$tmp/vantor/kvq.ini"
kvq=$("$cli" --vantor "$tmp/vantor" settings kvq)
[ "$kvq" = $'DSP file=Mine.kvq\nParams file=User2B2.KVQ' ] || fail "kvq: $kvq"
[ "$("$cli" --vantor "$tmp/vantor" settings get Vantor VantorFolder)" = "$tmp/vantor" ] || fail "--vantor"
! grep -qi vantorfolder "$XDG_CONFIG_HOME/ornwerks/Tarnix.ini" || fail "--vantor was stored"

# A config folder that cannot be made: reading still works, saving says so.
export XDG_CONFIG_HOME=$tmp/vantor/kvq.ini/below
"$cli" settings dump >/dev/null
if "$cli" settings set RS232 Comport none 2>"$tmp/err"; then fail "set without a config folder succeeded"; fi
grep -q "could not be saved" "$tmp/err" || fail "no message for an unsaved setting"
echo "ok"
