#!/usr/bin/env bash
# Checks that each public header is self-contained: included alone (and twice, for its include
# guard) it compiles as C11 and as C++20 with warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
for header in include/pxk.h include/pxk/*.h; do
  printf '#include "%s"\n#include "%s"\n' "$PWD/$header" "$PWD/$header" > "$tmp/alone.c"
  cp "$tmp/alone.c" "$tmp/alone.cpp"
  cc -std=c11 -Wall -Wextra -pedantic -Werror -fsyntax-only "$tmp/alone.c" || { echo "  in C: $header" >&2; status=1; }
  c++ -std=c++20 -Wall -Wextra -pedantic -Werror -fsyntax-only "$tmp/alone.cpp" || { echo "  in C++: $header" >&2; status=1; }
done
[ $status -eq 0 ] && echo "check_headers: every public header compiles alone as C and C++"
exit $status
