#!/usr/bin/env bash
# Decodes every picture with libjpeg's own djpeg, mapped onto the show
# palette with Floyd-Steinberg dithering, into OUTDIR/<id>.bmp: the indices
# the program's decoder must reproduce. Usage: make-reference.sh OUTDIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$1
mkdir -p "$out"
# djpeg takes its colour map from a picture's colours in scan order; all 256
# palette colours differ, so a 256 x 1 image keeps the entries' order.
{ printf 'P6\n256 1\n255\n'; cat "$root/assets/palette.bin"; } > "$out/palette.ppm"
for picture in "$root"/assets/pictures/*.jpg; do
    id=$(basename "$picture" .jpg)
    djpeg -map "$out/palette.ppm" -dither fs -rgb -bmp -outfile "$out/$id.bmp" "$picture"
done
touch "$out/stamp"
