#!/usr/bin/env bash
# Builds the libraries of the web page's maker as static WebAssembly
# libraries, by Debian's emscripten from Debian's source packages, into
# .cache/photo-libs-wasm: zlib and libpng (PNG), lcms2 (colour profiles),
# libwebp with its demuxer (WebP) and FreeType (the titles' lettering).
# emscripten's own "ports" of them would be downloaded from elsewhere.
# libjpeg comes from build-libjpeg.sh wasm. Only the sources the maker uses
# are compiled, through one small CMake project (photo-libs/), in parallel
# and through ccache; the result is kept, and a later run with the same
# script and project returns at once. Nothing of it is kept in git.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$root/.cache/photo-libs-wasm
work=$root/.cache/photo-libs-build-wasm
project=$root/tools/build/photo-libs
jobs=${JOBS:-2}

# What built the prefix: a change to either builds it anew.
recipe=$(cat "$0" "$project/CMakeLists.txt" | sha256sum | cut -d' ' -f1)
if [ -f "$prefix/recipe" ] && [ "$(cat "$prefix/recipe")" = "$recipe" ]; then
    exit 0
fi

export NODE_PATH=/usr/share/nodejs  # Debian's emcc needs Debian's node modules
mkdir -p "$work"
fetch() { bash "$root/tools/build/fetch-sources.sh" "$1"; }
zlib=$(fetch zlib)
png=$(fetch libpng1.6)
lcms2=$(fetch lcms2)
webp=$(fetch libwebp)
freetype=$(fetch freetype)

rm -rf "$prefix" "$work/build"
bash "$root/tools/build/emcc-launcher.sh" "$work/compile"
log=$work/build.log
# Optimised for speed, as libjpeg is: the page's making time is what a
# person waits for.
emcmake cmake -S "$project" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_COMPILER_LAUNCHER="$work/compile" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DZLIB_SOURCE="$zlib" -DPNG_SOURCE="$png" -DLCMS2_SOURCE="$lcms2" -DWEBP_SOURCE="$webp" \
    -DFREETYPE_SOURCE="$freetype" >"$log" 2>&1 &&
    cmake --build "$work/build" -j "$jobs" >>"$log" 2>&1 &&
    cmake --install "$work/build" >>"$log" 2>&1 || {
    tail -n 40 "$log"
    exit 1
}
echo "$recipe" >"$prefix/recipe"
echo "photo libraries (wasm) in $prefix"
