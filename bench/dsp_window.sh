#!/usr/bin/env bash
# The DSP window's polling against the simulators, offscreen: opens the window on the demo set-up,
# lets it run for 30 s and prints the achieved rates of the status poll (its timer asks for 2 per
# second) and of the telemetry poll (target: at least 5 per second), and the program's processor use
# over that time (target on route U: below 3 % of one core).
# Usage: bench/dsp_window.sh [build dir] [routes]   (defaults: build, "U S")
#   route U: through the simulated controller; route S: a simulated DSP on a pseudo-terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
routes=${2:-U S}
seconds=${TARNIX_BENCH_SECONDS:-30}
tarnix="$build/src/app/tarnix"
[ -x "$tarnix" ] || { echo "build first: scripts/build" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen TARNIX_AUTO_ANSWER=1 TARNIX_BENCH_SECONDS=$seconds
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_RUNTIME_DIR="$tmp/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

status=0
for route in $routes; do
    out=$(TARNIX_BENCH_DSP=$route timeout $((seconds + 30)) "$tarnix" --demo 2>"$tmp/err.txt") || true
    line=$(printf '%s\n' "$out" | grep '^dsp-bench ' || true)
    if [ -z "$line" ]; then
        echo "route $route: no result" >&2
        cat "$tmp/err.txt" >&2
        status=1
        continue
    fi
    # dsp-bench route U seconds 30.0 status-polls 60 telemetry-polls 166 cpu-ms 420
    read -r _ _ r _ secs _ st _ te _ cpu <<<"$line"
    awk -v r="$r" -v s="$secs" -v st="$st" -v te="$te" -v cpu="$cpu" 'BEGIN {
        if (r == "U")
            status = sprintf("status poll %.2f/s (target 2)", st / s)
        else
            status = "no status poll (the serial route has none)"
        printf "route %s over %.1f s: %s, telemetry poll %.2f/s (target >= 5), CPU %.2f %% of one core%s\n",
               r, s, status, te / s, 100 * cpu / 1000 / s, r == "U" ? " (target below 3 %)" : ""
    }'
done
exit $status
