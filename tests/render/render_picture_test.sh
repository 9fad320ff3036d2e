#!/usr/bin/env bash
# avrel-render picture writes, for every picture, exactly the indices and
# colour table that libjpeg's own djpeg gives with the same colour map and
# dithering; bad arguments fail with a message.
# Usage: render_picture_test.sh AVREL_RENDER REFERENCE_DIR WORK_DIR
set -u
render=$1 reference=$2 work=$3
mkdir -p "$work"
failed=0 passed=0

# Pixel rows and colour table of an 8-bit BMP, whatever its other header fields.
body() { tail -c +"$(($(od -An -tu4 -j10 -N4 "$1") + 1))" "$1"; }
table() { head -c "$(od -An -tu4 -j10 -N4 "$1")" "$1" | tail -c 1024; }

for ref in "$reference"/*.bmp; do
    id=$(basename "$ref" .bmp)
    out=$work/$id.bmp
    if "$render" picture "$id" "$out" && cmp -s <(body "$out") <(body "$ref") &&
        cmp -s <(table "$out") <(table "$ref"); then
        passed=$((passed + 1))
    else
        echo "FAIL: picture $id differs from djpeg's"
        failed=$((failed + 1))
    fi
done

. "$(dirname "$0")/expect_failure.sh"
command=("$render")
expect_failure "no arguments"
expect_failure "unknown id" picture 4242 "$work/x.bmp"
expect_failure "non-numeric id" picture abc "$work/x.bmp"
expect_failure "unwritable path" picture 1000 /nonexistent/dir/x.bmp
expect_failure "missing output" picture 1000

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
