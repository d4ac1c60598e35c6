#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang and runs each for a short while
# (FUZZ_SECONDS, 20 by default), or only those named (scripts/fuzz.sh heif). A target with a
# folder of seeds in fuzz/corpus/<name> (files that once broke it) starts from a copy of them in
# the build folder, so that what the run adds stays out of the tree. A crash, a broken
# invariant or a run out of memory fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
dir=${BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S fuzz -B "$dir" -G Ninja >/dev/null
cmake --build "$dir" -j2
for target in "$dir"/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target"); name=${name#fuzz_}
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
  corpus=()
  if [ -d "fuzz/corpus/$name" ]; then
    mkdir -p "$dir/corpus/$name"
    cp fuzz/corpus/"$name"/* "$dir/corpus/$name/"
    corpus=("$dir/corpus/$name")
  fi
  echo "fuzzing $name for ${FUZZ_SECONDS:-20} s"
  "$target" -max_total_time="${FUZZ_SECONDS:-20}" -artifact_prefix="$dir/" "${corpus[@]}" 2>&1 | tail -n 2
done
