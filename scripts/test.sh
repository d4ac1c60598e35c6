#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: headless tests directly, the X11
# tests on a private Xvfb display with openbox.
#
# A case that fails is run once more, only to tell a fault that fails every time from one that
# depends on scheduling luck: the run fails either way, since a case that passes only on its
# second run is a fault too, and the cases that needed it are named at the end.
# PIXKIT_NO_RERUN=1 skips the second run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh "$@"
dir=${BUILD_DIR:-build}
source scripts/xvfb.sh
start_xvfb
cd "$dir"
read -r -a ctest_args <<< "${CTEST_ARGS:-}"
if ctest --output-on-failure -j2 "${ctest_args[@]}"; then
  exit 0
fi
failed=Testing/Temporary/LastTestsFailed.log
if [ "${PIXKIT_NO_RERUN:-0}" = 1 ] || [ ! -s "$failed" ]; then
  exit 1
fi
first=$(cut -d: -f2- "$failed")
echo
echo "Running the failed cases once more, to tell faults that fail every time from races:"
echo "$first" | sed 's/^/  /'
second=""
if ! ctest --output-on-failure --rerun-failed; then
  [ -s "$failed" ] && second=$(cut -d: -f2- "$failed")
fi
echo
echo "The run FAILED. Cases that failed only once and passed on their second run (faults to find):"
while IFS= read -r name; do
  [ -n "$name" ] || continue
  grep -qxF "$name" <<< "$second" || echo "  RERUN $name"
done <<< "$first"
if [ -n "$second" ]; then
  echo "Cases that failed both times:"
  echo "$second" | sed 's/^/  FAILED /'
fi
exit 1
