#!/usr/bin/env bash
# Installs what is needed, builds, and runs the application on $DISPLAY.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
exec ./build/pixkit
