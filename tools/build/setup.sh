#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, once. Safe to run
# again: it only calls apt-get when a package is missing.
set -euo pipefail

packages=(
    cmake ninja-build ccache g++ pkg-config
    libjpeg62-turbo-dev libjpeg-turbo-progs libpng-dev libgtest-dev googletest libbenchmark-dev
    liblcms2-dev libwebp-dev libheif-dev libfreetype-dev
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    mingw-w64-x86-64-dev
    nasm dpkg-dev
    clang libclang-rt-14-dev
    wine wine32:i386 wine64 xvfb xauth x11-apps xdotool
    python3 python3-pil python3-numpy python3-pefile fonts-dejavu-core fonts-dejavu-extra
    libx11-dev libxext-dev libxrender-dev libxdamage-dev xscreensaver x11-utils procps passwd util-linux
    lintian man-db mmdebstrap
    linux-perf valgrind
    emscripten chromium python3-websocket
)

sudo=""
if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi

# One query for all of them: this runs before every build and test.
installed=$(dpkg-query -W -f='${Package}:${Architecture} ${Status}\n' 2>/dev/null |
            sed -n 's/ install ok installed$//p')
native_arch=$(dpkg --print-architecture)
missing=()
for p in "${packages[@]}"; do
    case $p in *:*) want=$p ;; *) want=$p:$native_arch ;; esac
    if ! grep -qxF -e "$want" -e "${p%%:*}:all" <<<"$installed"; then
        missing+=("$p")
    fi
done

# Wine's 32-bit half needs the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
    echo "setup: installing ${missing[*]:-package lists}"
    # A mirror caught mid-sync serves one list short (seen with the
    # security suite's i386 list). Wine's 32-bit half then cannot match its
    # amd64 twins' versions, so take every package from the release itself,
    # where both architectures always agree, rather than stop.
    release=()
    if ! $sudo apt-get update -q; then
        echo "setup: some package lists could not be fetched; installing from bookworm itself"
        release=(-t bookworm)
    fi
    if [ ${#missing[@]} -gt 0 ]; then
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
            "${release[@]}" "${missing[@]}"
    fi
fi
