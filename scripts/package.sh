#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a fresh folder with dpkg -x (nothing is installed on
# the machine) and builds an example against it twice: with plain cc and pkg-config, and with
# CMake's find_package. Each program then runs headless through a script that only exits, and a
# course exercise passes its installed script against its installed reference pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BUILD_DIR:-build}
bash scripts/setup.sh
bash scripts/build.sh "$@"
rm -f "$dir"/pixkit_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/pixkit_*.deb)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg -x "$deb" "$work/root"
prefix="$work/root/usr"
echo "package: $(basename "$deb"), $(dpkg-deb -c "$deb" | wc -l) entries"
for f in bin/pixkit include/pxk.h lib/libpixkit.a lib/libpixkit_platform.a lib/libpixkit_codec.a \
         lib/pkgconfig/pixkit.pc lib/cmake/pixkit/pixkitConfig.cmake \
         include/pxk/pxk_opencv.hpp share/doc/pixkit/examples/hello_text.c \
         share/doc/pixkit/examples/course/threshold.c share/doc/pixkit/examples/data/course.png; do
  [ -e "$prefix/$f" ] || { echo "the package lacks $f" >&2; exit 1; }
done
examples="$prefix/share/doc/pixkit/examples"
PKG_CONFIG_PATH="$prefix/lib/pkgconfig" \
  cc -Wall -o "$work/hello_pc" "$examples/hello_text.c" $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs pixkit)
cmake -S "$examples" -B "$work/cm" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cm" >/dev/null
printf 'settle\nexit\n' > "$work/exit.txt"
for prog in "$work/hello_pc" "$work/cm/hello_text" "$work/cm/draw_shapes"; do
  PIXKIT_BACKEND=headless XDG_RUNTIME_DIR="$work" "$prog" --script "$work/exit.txt" --out "$work/out" >/dev/null 2>&1 \
    || { echo "$(basename "$prog") built against the package did not run" >&2; exit 1; }
  echo "built against the package and ran: $prog" | sed "s|$work/||"
done
# A course exercise built against the package follows its installed script, which compares its
# pictures with the installed references: the data folder and the references travel with it.
PIXKIT_BACKEND=headless XDG_RUNTIME_DIR="$work" "$work/cm/course_threshold" \
  --script "$examples/scripts/course_threshold.txt" --out "$work/out" >/dev/null 2>&1 \
  || { echo "course_threshold built against the package failed its installed script" >&2; exit 1; }
echo "built against the package and passed its script: cm/course_threshold"
