#!/usr/bin/env bash
# Measures the processor time an idle running pixkit uses: starts the program (headless unless
# PIXKIT_BACKEND says otherwise), lets its start-up and drop-in animation pass, then reads the
# process's user and system ticks from /proc over the measuring window and prints the share of
# one core. Usage: bench/idle_cpu.sh [program] [seconds]   (default build/pixkit, 5 s)
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/pixkit}
seconds=${2:-5}
export PIXKIT_BACKEND=${PIXKIT_BACKEND:-headless}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
"$program" >/dev/null 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

# utime + stime (fields 14 and 15 of /proc/PID/stat; the name field may hold spaces).
ticks() { sed 's/^.*) //' "/proc/$pid/stat" | awk '{print $12 + $13}'; }

sleep 3   # start-up: the animation, the set-up entry and the first pass of the main entry
t0=$(ticks)
sleep "$seconds"
t1=$(ticks)
hz=$(getconf CLK_TCK)
awk -v d=$((t1 - t0)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "idle cpu: %.2f%% of one core over %d s (%d ticks at %d Hz)\n", 100 * d / hz / s, s, d, hz }'
