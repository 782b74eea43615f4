#!/usr/bin/env bash
# The demo's tour writes a picture and the texts of every window; the main window shows the
# simulated controller and its version. A second instance is refused while the first runs.
set -euo pipefail
: "${TARNIX:?}"
tmp=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp"' EXIT
export QT_QPA_PLATFORM=offscreen TARNIX_AUTO_ANSWER=1
fail() { echo "FAIL: $*" >&2; exit 1; }

"$TARNIX" --demo --tour "$tmp/tour" > "$tmp/out" 2>&1 || { cat "$tmp/out"; fail "the tour did not end with 0"; }
[ -s "$tmp/tour/TfrmMain.png" ] || fail "no TfrmMain.png"
grep -qx "USB: KELVOX simulator  s/n: SIM00001" "$tmp/tour/TfrmMain.txt" || { cat "$tmp/tour/TfrmMain.txt"; fail "no link text"; }
grep -qE "^Kelvox v.+ ready$" "$tmp/tour/TfrmMain.txt" || fail "no version text"
grep -qx "No COM port" "$tmp/tour/TfrmMain.txt" || fail "no COM pane text"
for w in TfrmComSel TfrmSelectVantorDir TSetupForm TAboutBox; do
    [ -s "$tmp/tour/$w.png" ] && [ -s "$tmp/tour/$w.txt" ] || fail "no tour shot of $w"
done
grep -qx "Version: 1.2.0.3" "$tmp/tour/TAboutBox.txt" || fail "About box version"

# Single instance: both runs share one runtime folder.
export XDG_RUNTIME_DIR="$tmp/run" XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$TARNIX" --simulate > "$tmp/first" 2>&1 &
first=$!
for _ in $(seq 50); do [ -e "$XDG_RUNTIME_DIR/tarnix.lock" ] && break; sleep 0.1; done
set +e
timeout 20 "$TARNIX" --simulate > "$tmp/second" 2>&1
rc=$?
set -e
kill "$first"
[ "$rc" -eq 1 ] || { cat "$tmp/second"; fail "second instance exit code $rc"; }
grep -q "Another instance of TARNIX is already running" "$tmp/second" || fail "no warning"
echo "tour and single instance: ok"
