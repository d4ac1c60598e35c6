#!/usr/bin/env bash
# Installs what is needed, builds the application, and runs it on $DISPLAY. Without a display
# it runs the application by its shipped script instead and prints where the results are.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Only the program and what it needs: the tests and examples wait for scripts/test.sh.
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j2 --target pixkit_app
if [ -n "${DISPLAY:-}" ]; then
  exec ./build/pixkit
fi
out=${PIXKIT_SCRIPT_OUT:-out}
./build/pixkit --script examples/scripts/test_pattern.txt --out "$out"
echo "no display: the application ran by examples/scripts/test_pattern.txt"
echo "  sheet:       $out/test_pattern.png"
echo "  text window: $out/text0.txt"
echo "  screen:      $out/screen.png"
