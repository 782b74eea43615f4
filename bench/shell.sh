#!/usr/bin/env bash
# Start-up time, idle CPU and peak memory of the main window against one simulated controller,
# offscreen. Prints the median start-up of five runs (start to the first status poll answered with the
# controller's version), the CPU used over 30 s of idle polling, and the peak resident memory.
# Usage: bench/shell.sh [build dir]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tarnix="$build/src/app/tarnix"
[ -x "$tarnix" ] || { echo "build first: scripts/build" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen TARNIX_AUTO_ANSWER=1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_RUNTIME_DIR="$tmp/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
printf '[RS232]\nComport=none\n' > "$tmp/seed.ini"
mkdir -p "$XDG_CONFIG_HOME/ornwerks" && cp "$tmp/seed.ini" "$XDG_CONFIG_HOME/ornwerks/Tarnix.ini"

times=()
for i in 1 2 3 4 5; do
    t0=$(date +%s%N)
    out=$(TARNIX_BENCH_READY=exit "$tarnix" --simulate 2>/dev/null)
    t1=$(printf '%s\n' "$out" | awk '/^ready-epoch-ns/ {print $2}')
    [ -n "$t1" ] || { echo "run $i: the controller was never reported ready" >&2; exit 1; }
    times+=($(( (t1 - t0) / 1000000 )))
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
median=$(printf '%s\n' "$sorted" | sed -n 3p)
echo "startup to first status poll answered: median ${median} ms (runs: ${times[*]} ms; target 300 ms)"

"$tarnix" --simulate >/dev/null 2>&1 &
pid=$!
sleep 2
read -r u0 s0 < <(awk '{print $14, $15}' "/proc/$pid/stat")
sleep 30
read -r u1 s1 < <(awk '{print $14, $15}' "/proc/$pid/stat")
hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
kill "$pid"
wait "$pid" 2>/dev/null || true
hz=$(getconf CLK_TCK)
cpu=$(awk -v d=$(( (u1 + s1) - (u0 + s0) )) -v hz="$hz" 'BEGIN { printf "%.2f", 100 * d / hz / 30 }')
echo "idle CPU over 30 s: ${cpu} % of one core (target below 1 %)"
echo "peak resident memory: $(( hwm / 1024 )) MB (target below 80 MB)"
