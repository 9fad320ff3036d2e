#!/usr/bin/env bash
# Makes `apt-get source PACKAGE` work: adds deb-src entries beside the
# binary ones, once. The scripts that build libraries from Debian's source
# packages call it first, through fetch-sources.sh.
#
# deb-src.sh PACKAGE   (a source package to try the lists with)
set -euo pipefail

if apt-get source --print-uris "$1" >/dev/null 2>&1; then
    exit 0
fi
sudo=""
if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi
src=/etc/apt/sources.list.d/avrel-deb-src.sources
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$src" >/dev/null
else
    grep -h '^deb ' /etc/apt/sources.list 2>/dev/null | sed 's/^deb /deb-src /' |
        $sudo tee /etc/apt/sources.list.d/avrel-deb-src.list >/dev/null
fi
# A list that a mirror serves short (mid-sync) fails the update as a whole;
# the source lists it did fetch are all this needs.
$sudo apt-get update -q || echo "deb-src: some package lists could not be fetched"
