#!/usr/bin/env bash
# The web page's libraries for WebAssembly: libjpeg (build-libjpeg.sh wasm)
# and the maker's photo libraries (build-photo-libs.sh), side by side.
# Each spends a good part of its time in a configure step that keeps one
# core busy, which the other's compilation fills. Fails when either fails.
set -uo pipefail

here=$(dirname "$0")
bash "$here/build-libjpeg.sh" wasm &
libjpeg=$!
bash "$here/build-photo-libs.sh"
photos=$?
wait "$libjpeg"
jpeg=$?
exit $((photos != 0 || jpeg != 0))
