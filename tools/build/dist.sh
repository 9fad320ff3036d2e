#!/usr/bin/env bash
# Packs the releases from built trees: the Windows zip from build/windows
# (the 32-bit product) and the Debian package from build/native, into
# OUT (default build/dist), with SHA256SUMS for both. Build first
# (`make dist` does).
#
# Reproducible: the same sources give the same bytes in any folder, on any
# day. Every file time in both packages is SOURCE_DATE_EPOCH (default: the
# time of the last commit), files stand in name order with fixed owners and
# modes, and the compressors' settings are fixed: the zip is written again
# by Python's zipfile (deflate level 9), the .deb by dpkg-deb (xz), which
# also puts SOURCE_DATE_EPOCH in the ar headers. The programs themselves
# carry no build folder (-ffile-prefix-map) and no link time (PE time stamp 0).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(realpath -m "${1:-$root/build/dist}")
mkdir -p "$out"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null ||
                        stat -c %Y "$root/CMakeLists.txt")
fi
export SOURCE_DATE_EPOCH

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each run packs into a folder of its own, and one at a time per tree
# (CPack first brings the tree up to date), so two runs on the same trees
# (the tests' packing beside each other) never take each other's files.
for tree in windows native; do
    if [ ! -f "$root/build/$tree/CPackConfig.cmake" ]; then
        echo "dist: build/$tree is not configured; run make dist" >&2
        exit 1
    fi
    (cd "$root/build/$tree" &&
        flock .packing cpack -B "$work/$tree" -D CPACK_OUTPUT_FILE_PREFIX="$work/$tree" >/dev/null)
done

setting() {
    sed -n "s/^set($1 \"\(.*\)\")\$/\1/p" "$root/build/native/CPackConfig.cmake"
}
version=$(setting CPACK_PACKAGE_VERSION)
architecture=$(setting CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
zip=Avrel-$version-windows.zip
deb=avrel_${version}_${architecture}.deb

/usr/bin/python3 - "$work/windows/$zip" "$out/$zip" <<'EOF'
import os, sys, time, zipfile
epoch = max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800)  # zip dates start in 1980
stamp = time.gmtime(epoch)[:6]
with zipfile.ZipFile(sys.argv[1]) as packed, zipfile.ZipFile(sys.argv[2] + ".part", "w") as z:
    for name in sorted(packed.namelist()):
        entry = zipfile.ZipInfo(name, stamp)
        entry.create_system = 3  # Unix, for the mode below
        entry.external_attr = 0o100644 << 16
        z.writestr(entry, packed.read(name), zipfile.ZIP_DEFLATED, 9)
os.replace(sys.argv[2] + ".part", sys.argv[2])
EOF

dpkg-deb --raw-extract "$work/native/$deb" "$work/deb"
find "$work/deb" -exec touch --no-dereference --date="@$SOURCE_DATE_EPOCH" {} +
dpkg-deb --root-owner-group -Zxz -z6 --build "$work/deb" "$out/$deb" >/dev/null

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
