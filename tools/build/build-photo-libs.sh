#!/usr/bin/env bash
# Builds the photo readers' libraries for the web page's maker as static
# WebAssembly libraries, by Debian's emscripten from Debian's source
# packages, once, into .cache/photo-libs-wasm: zlib and libpng (PNG), lcms2
# (colour profiles) and libwebp with its demuxer (WebP). emscripten's own
# "ports" of them would be downloaded from elsewhere. libjpeg comes from
# build-libjpeg.sh wasm. Nothing of it is kept in git.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$root/.cache/photo-libs-wasm
work=$root/.cache/photo-libs-src-wasm
libs=(libz.a libpng16.a liblcms2.a libwebp.a libwebpdemux.a)

done_already=1
for lib in "${libs[@]}"; do
    [ -f "$prefix/lib/$lib" ] || done_already=0
done
if [ $done_already = 1 ] && [ -f "$prefix/include/png.h" ]; then
    exit 0
fi

bash "$root/tools/build/deb-src.sh" zlib

export NODE_PATH=/usr/share/nodejs  # Debian's emcc needs Debian's node modules
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/lib" "$prefix/include"
for package in zlib libpng1.6 lcms2 libwebp; do
    (cd "$work" && apt-get source -q "$package" >/dev/null)
done
source_of() {
    find "$work" -maxdepth 1 -mindepth 1 -type d -name "$1-*" | head -n 1
}

# Optimised for speed, as libjpeg is: the page's making time is what a
# person waits for.
cmake_build() {  # SOURCE BUILD TARGET... -- CMAKE-OPTIONS...
    local src=$1 build=$2
    shift 2
    local targets=()
    while [ "$1" != -- ]; do targets+=("$1"); shift; done
    shift
    emcmake cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_COMPILER_LAUNCHER=ccache "$@" >/dev/null
    for target in "${targets[@]}"; do
        cmake --build "$build" --target "$target" >/dev/null
    done
}

# zlib's CMake file names a Windows resource that Debian's source lacks;
# zlib and lcms2 need no configuration, so their sources are compiled as
# they are.
compile_lib() {  # LIBRARY INCLUDE-DIR SOURCE... (extra flags in $cflags)
    local lib=$1 include=$2
    shift 2
    local objects=() c object
    for c in "$@"; do
        object=$work/${lib%.a}-$(basename "$c" .c).o
        ccache emcc -O3 $cflags -I"$include" -c "$c" -o "$object"
        objects+=("$object")
    done
    emar rcs "$prefix/lib/$lib" "${objects[@]}"
}

zlib=$(source_of zlib)
cflags="" compile_lib libz.a "$zlib" "$zlib"/{adler32,crc32,inffast,inflate,inftrees,zutil}.c
cp "$zlib/zlib.h" "$zlib/zconf.h" "$prefix/include/"

png=$(source_of libpng1.6)
cmake_build "$png" "$work/png-build" png_static -- \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DPNG_HARDWARE_OPTIMIZATIONS=OFF -Dld-version-script=OFF \
    -DZLIB_INCLUDE_DIR="$prefix/include" -DZLIB_LIBRARY="$prefix/lib/libz.a"
cp "$work/png-build/libpng16.a" "$prefix/lib/"
cp "$png/png.h" "$png/pngconf.h" "$work/png-build/pnglibconf.h" "$prefix/include/"

lcms=$(source_of lcms2)
cflags=-DCMS_NO_PTHREADS=1 compile_lib liblcms2.a "$lcms/include" "$lcms"/src/*.c
cp "$lcms/include/lcms2.h" "$prefix/include/"

webp=$(source_of libwebp)
cmake_build "$webp" "$work/webp-build" webp webpdemux -- \
    -DWEBP_ENABLE_SIMD=OFF -DWEBP_USE_THREAD=OFF -DWEBP_BUILD_ANIM_UTILS=OFF \
    -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF -DWEBP_BUILD_GIF2WEBP=OFF \
    -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF -DWEBP_BUILD_WEBPINFO=OFF \
    -DWEBP_BUILD_LIBWEBPMUX=OFF -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF
cp "$work/webp-build/libwebp.a" "$work/webp-build/libwebpdemux.a" "$prefix/lib/"
mkdir -p "$prefix/include/webp"
cp "$webp"/src/webp/*.h "$prefix/include/webp/"

for lib in "${libs[@]}"; do
    [ -f "$prefix/lib/$lib" ]
done
echo "photo libraries (wasm) in $prefix"
