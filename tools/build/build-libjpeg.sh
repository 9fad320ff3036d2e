#!/usr/bin/env bash
# Cross-builds libjpeg (Debian's libjpeg-turbo source package, the release
# 6b interface) as a static library for a Windows build, once, into
# .cache/libjpeg-ARCH. ARCH is i686 (the product, default) or x86_64 (the
# test build for machines that cannot run 32-bit programs), fuzz: a
# native build by clang instrumented for libFuzzer and the sanitizers, so
# the fuzz targets are guided by coverage inside the library too, or wasm:
# WebAssembly for the web page, by Debian's emscripten. Nothing of it is
# kept in git.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
arch=${1:-i686}
prefix=$root/.cache/libjpeg-$arch
work=$root/.cache/libjpeg-build-$arch

if [ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/include/jpeglib.h" ]; then
    exit 0
fi

srcdir=$(bash "$root/tools/build/fetch-sources.sh" libjpeg-turbo)
rm -rf "$work"
mkdir -p "$work"
launcher=ccache

if [ "$arch" = fuzz ]; then
    flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer"
    target=(-DCMAKE_C_COMPILER=clang "-DCMAKE_C_FLAGS=$flags" -DWITH_SIMD=OFF -DREQUIRE_SIMD=OFF)
elif [ "$arch" = wasm ]; then
    # Debian's emcc needs Debian's node modules beside this machine's node.
    export NODE_PATH=/usr/share/nodejs
    bash "$root/tools/build/emcc-launcher.sh" "$work/compile"
    launcher=$work/compile
    # Its type-size probes cannot run their test programs here: wasm32 has
    # 4-byte size_t and long.
    target=(-DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake
            -DWITH_SIMD=OFF -DREQUIRE_SIMD=OFF -DHAVE_SIZE_T=TRUE -DSIZE_T=4
            -DHAVE_UNSIGNED_LONG=TRUE -DUNSIGNED_LONG=4)
else
    target=("-DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-$arch.cmake" -DWITH_SIMD=ON -DREQUIRE_SIMD=ON)
fi
cmake -S "$srcdir" -B "$work/build" -G Ninja "${target[@]}" \
    -DCMAKE_C_COMPILER_LAUNCHER="$launcher" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_JPEG7=OFF -DWITH_JPEG8=OFF >/dev/null
cmake --build "$work/build" --target jpeg-static >/dev/null
mkdir -p "$prefix/lib" "$prefix/include"
cp "$work/build/libjpeg.a" "$prefix/lib/libjpeg.a"
cp "$work/build/jconfig.h" "$srcdir/jpeglib.h" "$srcdir/jmorecfg.h" "$srcdir/jerror.h" \
    "$prefix/include/"
grep -q 'JPEG_LIB_VERSION *62' "$prefix/include/jconfig.h"
echo "libjpeg ($arch) in $prefix"
