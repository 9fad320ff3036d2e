#!/usr/bin/env bash
# Fetches Debian source packages, unpacked with Debian's patches, into
# .cache/sources once, for the scripts that build libraries from them
# (build-libjpeg.sh, build-photo-libs.sh). With no package named, all of
# theirs: `make test` fetches them beside the first builds, which need
# none of them, so the downloads never hold up a build.
#
# fetch-sources.sh [PACKAGE...]   the folder of each on standard output
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
sources=$root/.cache/sources
if [ $# -eq 0 ]; then
    set -- libjpeg-turbo zlib libpng1.6 lcms2 libwebp freetype
fi

mkdir -p "$sources"
# One fetch at a time: a build may ask for a package the fetch beside it
# is unpacking.
exec 9>"$sources/.lock"
flock 9

unpacked() {
    find "$sources" -maxdepth 1 -mindepth 1 -type d -name "$1-[0-9]*" | head -n 1
}

# The newest version the lists name that the mirror can serve. A mirror's
# lists can name a security update whose files it does not hold yet (seen:
# 404 for zlib's and libpng's); the version before it is then taken, and
# said so, instead of failing every build that needs the library.
fetch_newest() {
    local package=$1 into=$2 version
    for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -u | sort -rV); do
        if (cd "$into" && apt-get source -q "$package=$version" >/dev/null 2>"$into/.why"); then
            return 0
        fi
        echo "fetch-sources: $package $version could not be fetched:" >&2
        grep '^E:' "$into/.why" | head -n 2 >&2 || true
    done
    echo "fetch-sources: no version of $package could be fetched" >&2
    return 1
}

for package in "$@"; do
    if [ -z "$(unpacked "$package")" ]; then
        bash "$root/tools/build/deb-src.sh" "$package" >&2
        # Unpacked aside and moved in whole: an interrupted fetch leaves
        # nothing that looks finished.
        incoming=$sources/.incoming
        rm -rf "$incoming"
        mkdir -p "$incoming"
        fetch_newest "$package" "$incoming"
        folder=$(find "$incoming" -maxdepth 1 -mindepth 1 -type d -name "$package-[0-9]*" | head -n 1)
        mv "$folder" "$sources/"
        rm -rf "$incoming"
    fi
    unpacked "$package"
done
