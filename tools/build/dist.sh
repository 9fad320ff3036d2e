#!/usr/bin/env bash
# Packs the releases from built trees: the Windows zip from build/windows
# (the 32-bit product) and the Debian package from build/native, into
# OUT (default build/dist), with SHA256SUMS for both. Build first
# (`make dist` does).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(realpath -m "${1:-$root/build/dist}")
mkdir -p "$out"

for tree in windows native; do
    if [ ! -f "$root/build/$tree/CPackConfig.cmake" ]; then
        echo "dist: build/$tree is not configured; run make dist" >&2
        exit 1
    fi
    rm -rf "$root/build/$tree/packages"
    (cd "$root/build/$tree" && cpack >/dev/null)
done

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$root/build/native/CPackConfig.cmake")
zip=Avrel-$version-windows.zip
deb=avrel_${version}_amd64.deb
cp "$root/build/windows/packages/$zip" "$root/build/native/packages/$deb" "$out/"
(cd "$out" && sha256sum "$zip" "$deb" > SHA256SUMS)
# The web page, one self-contained file (`make dist` builds it first).
web=avrel-$version-web.html
if [ -f "$root/build/web/avrel.html" ]; then
    cp "$root/build/web/avrel.html" "$out/$web" && (cd "$out" && sha256sum "$web" >> SHA256SUMS)
    echo "dist: $out/$web"
else
    echo "dist: no build/web/avrel.html (make web); released without the web page" >&2
fi
echo "dist: $out/$zip"
echo "dist: $out/$deb"
echo "dist: $out/SHA256SUMS"
