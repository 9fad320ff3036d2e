#!/usr/bin/env bash
# Makes a Wine prefix, unless PREFIX already holds one:
#   new-prefix.sh PREFIX win32|win64
# wineboot -i spends about 13 s and 6 CPU-s installing Wine's own setup
# into a new prefix, and `make test` plays in ten. The first prefix made
# for an architecture and Wine version is kept as a template
# (build/wine-template), and every later one is a copy of it: the same files
# as a prefix made anew, in a fraction of a second. A copy has an inode of
# its own, so its Wine server is its own too. Callers that share a prefix
# hold its lock; DISPLAY is set as for the programs to be run there.
set -eu
prefix=$1 arch=$2
[ -f "$prefix/system.reg" ] && exit 0

. "$(dirname "$0")/wine-env.sh"

# Makes a prefix in place, as Wine makes one on first use.
boot() {
    WINEPREFIX=$1 "$loader" wineboot -i </dev/null >/dev/null 2>&1
    WINEPREFIX=$1 "$server" -w
}

mkdir -p "$(dirname "$prefix")"
if [ -e "$prefix" ]; then
    boot "$prefix"  # a folder of the caller's: made where it stands
    exit 0
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
version=$("$loader" --version | tr -cs 'A-Za-z0-9.\n' '-')
template=$root/build/wine-template/$arch-$version
mkdir -p "$(dirname "$template")"
(
    flock 9
    if [ ! -f "$template/system.reg" ]; then
        rm -rf "$template.new" "$template"
        boot "$template.new" 9>&-
        mv -T "$template.new" "$template"
    fi
) 9>"$template.lock"
rm -rf "$prefix.new"
cp -a "$template" "$prefix.new"
mv -T "$prefix.new" "$prefix"
