#!/bin/sh
# Redraws every image in resources/img/ with make_art.
# Needs cmake, a C++17 compiler, libsdl1.2-compat-dev, libsdl-ttf2.0-dev and fonts-dejavu-core.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${ART_BUILD_DIR:-$root/build-art}
fonts=${ART_FONT_DIR:-/usr/share/fonts/truetype/dejavu}

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target make_art
mkdir -p "$root/resources/img"
"$build/make_art" "$root/resources/img" "$fonts"
