#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang and runs each for a short while
# (FUZZ_SECONDS, 20 by default). A crash or a broken invariant fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
dir=${BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S fuzz -B "$dir" -G Ninja >/dev/null
cmake --build "$dir" -j2
for target in "$dir"/fuzz_*; do
  [ -x "$target" ] || continue
  echo "fuzzing $(basename "$target") for ${FUZZ_SECONDS:-20} s"
  "$target" -max_total_time="${FUZZ_SECONDS:-20}" -artifact_prefix="$dir/" 2>&1 | tail -n 2
done
