#!/usr/bin/env bash
# Checks that the installed library keeps its internal names to itself, so that a user
# program's globals never collide with them:
#  1. a C program defining the short names the library's state once had (current_image,
#     item_count, draw_state, ...) builds against the installed library as an outside
#     project and runs headless through a short script (tests/exports/);
#  2. nm of the installed archives lists no exported data symbol outside the names the public
#     headers declare (extern in include/), the library's namespace pxk and the standard
#     library's template instances.
# Runs after a build of build/ (or the folder in BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BUILD_DIR:-build}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cmake --install "$dir" --prefix "$tmp/prefix" >/dev/null
cmake -S tests/exports -B "$tmp/build" -G Ninja -DCMAKE_PREFIX_PATH="$tmp/prefix" >/dev/null
cmake --build "$tmp/build" >/dev/null
mkdir -p "$tmp/run"
PIXKIT_BACKEND=headless XDG_RUNTIME_DIR="$tmp/run" \
  "$tmp/build/user_names" --script tests/exports/user_names.txt --out "$tmp/out" --timeout 60
echo "check_exports: a program defining the library's former internal names links and runs"

# The data the public headers share with user programs: every name declared extern there.
allowed=$(sed -n 's/^extern [^;(]*[ *]\([A-Za-z_][A-Za-z0-9_]*\);.*/\1/p' include/pxk.h include/pxk/*.h | sort -u)
mapfile -t archives < <(find "$tmp/prefix" -name 'libpixkit*.a')
[ ${#archives[@]} -ge 3 ] || { echo "check_exports: installed archives not found" >&2; exit 1; }
# Defined global data (B bss, D data, R read-only, V weak object, G/S small data, C common,
# u unique), demangled; C++ guard variables, typeinfo and vtables are judged by their type.
bad=$(nm -g --defined-only --format=posix "${archives[@]}" |
  awk 'NF >= 2 && $2 ~ /^[BDRVGSCu]$/ && $1 !~ /^DW\.ref\./ { print $1 }' | sort -u | c++filt |
  sed -E 's/^(guard variable for |typeinfo name for |typeinfo for |vtable for |VTT for )//' |
  grep -vE '^(pxk|std|__gnu_cxx)::' | grep -vxF -f <(printf '%s\n' "$allowed") || true)
if [ -n "$bad" ]; then
  echo "check_exports: data exported outside the public headers (put it in namespace pxk or make it static):" >&2
  echo "$bad" | sed 's/^/  /' >&2
  exit 1
fi
echo "check_exports: exported data is only $(echo $allowed)"
