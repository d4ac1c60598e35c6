#!/usr/bin/env bash
# Configures and builds into build/ (or the folder in BUILD_DIR) with extra CMake arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BUILD_DIR:-build}
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" -j2
