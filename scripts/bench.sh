#!/usr/bin/env bash
# Builds the benchmarks into build-bench/ and runs each one, printing only its summary: the
# check of our pixels against the references and each case beside its baseline and goal.
# Usage: scripts/bench.sh [name ...]   (names without the bench_ prefix; default all). Each
# case is the median of five runs; the X11 benches (present, start_exit) run on a private Xvfb. The OpenCV
# columns appear when libopencv-dev is installed (scripts/setup.sh does not install it).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=build-bench bash scripts/build.sh -DCMAKE_BUILD_TYPE=Release -DPIXKIT_BENCH=ON >/dev/null
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in build-bench/bench/bench_*; do [ -x "$f" ] && names+=("${f##*/bench_}"); done
fi
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
for name in "${names[@]}"; do
  echo "== $name"
  if { [ "$name" = present ] || [ "$name" = start_exit ]; } && [ -z "${DISPLAY:-}" ]; then
    # shellcheck source=/dev/null
    source scripts/xvfb.sh
    start_xvfb >/dev/null
  fi
  # Google Benchmark's own table and machine description are left out: the ratios follow it.
  build-bench/bench/bench_"$name" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
      --benchmark_color=false 2>&1 |
    grep -avE $'^(\e|BM_|-{10}|Benchmark |Run on|CPU Caches|  L[123] |Load Average|\\*\\*\\*WARNING|[0-9-]+T[0-9:]+|Running )' || true
done
