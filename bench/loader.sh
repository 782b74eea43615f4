#!/usr/bin/env bash
# The DSP loaders on a code image of about 30 000 bytes: the USB load of code and parameter sets into
# the simulated controller on the real clock, its wall time next to the sum of the pauses the loader
# prescribes (target: at most 3 % above), and the direct loader's time for the same image to the
# simulated DSP on a pseudo-terminal.
# Usage: bench/loader.sh [build dir]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli="$build/src/app/tarnix-cli"
[ -x "$cli" ] || { echo "build first: scripts/build" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data"

# A Vantor folder with the demo's filters and parameter files and a generated code file: a start
# section of 8000 program words, a program section of 1500 words and a data section of 300 words.
cp -r share/demo "$tmp/vantor"
awk 'BEGIN {
    srand(7)
    printf "Benchmark DSP code\r\n"
    section("@PA", "0000", 8000, 6)
    section("@PA", "2000", 1500, 6)
    section("@DA", "0000", 300, 4)
    printf "\033\r\n"
}
function section(type, addr, n, digits,   i) {
    printf "%s\r\n%s\r\n", type, addr
    for (i = 0; i < n; i++)
        printf (digits == 6 ? "%06X\r\n" : "%04X\r\n"), int(rand() * (digits == 6 ? 16777216 : 65536))
    printf "#\r\n"
}' >"$tmp/vantor/BENCH.kvq"
printf '[DSP file]\r\nfile=BENCH.kvq\r\n[Params]\r\nfile=User2B2.KVQ\r\n' >"$tmp/vantor/kvq.ini"

"$cli" --vantor "$tmp/vantor" dsp image -o "$tmp/image.bin" | grep "^DSP code:"

echo "USB load of code and parameter sets into the simulated controller:"
"$cli" --sim --vantor "$tmp/vantor" dsp load --code --params --timing >"$tmp/usb.out" 2>"$tmp/usb.err" ||
    { cat "$tmp/usb.out" "$tmp/usb.err"; exit 1; }
grep -v "^USB:" "$tmp/usb.err" | sed 's/^/  /'
grep "Checksum on code" "$tmp/usb.out" | sed 's/^/  /'
above=$(sed -n 's/.*, \([-0-9.]*\) % above/\1/p' "$tmp/usb.err")
verdict=$(awk -v a="$above" 'BEGIN { print (a <= 3.0 ? "within" : "ABOVE") }')
echo "  target: at most 3 % above the pauses: $verdict"
echo "  (the wall time includes the 20 ms read time-out of the controller's checksum reply)"

echo "Direct load of the same image and the green SSB parameters to the simulated DSP (pseudo-terminal):"
"$cli" --vantor "$tmp/vantor" dsp direct --sim-dsp --timing >"$tmp/direct.out" 2>"$tmp/direct.err" ||
    { cat "$tmp/direct.out" "$tmp/direct.err"; exit 1; }
sed 's/^/  /' "$tmp/direct.err"
sed 's/^/  /' "$tmp/direct.out"
