#!/usr/bin/python3
"""Writes the test-only resources under tests/testdata: small pictures and
broken ones that the product never carries. Deterministic; rerun after
changing it and commit the outputs."""
import io
import os
import struct

import numpy as np
from PIL import Image

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "testdata")


def jpeg_bytes(image, **options):
    buffer = io.BytesIO()
    image.save(buffer, "JPEG", quality=85, **options)
    return buffer.getvalue()


def colour_picture(width, height):
    y, x = np.mgrid[0:height, 0:width].astype(np.float64)
    r = 128 + 127 * np.sin(x / 7.0)
    g = 255 * y / max(height - 1, 1)
    b = 255 * (x + y) / (width + height)
    return Image.fromarray(np.dstack([r, g, b]).clip(0, 255).astype(np.uint8), "RGB")


def grey_picture(width, height):
    y, x = np.mgrid[0:height, 0:width]
    return Image.fromarray(((x * 37 + y * 23) % 256).astype(np.uint8), "L")


def scan_data_start(data):
    """Offset of the first byte after the SOS segment."""
    i = 2
    while i < len(data):
        marker = data[i + 1]
        length = struct.unpack(">H", data[i + 2:i + 4])[0]
        if marker == 0xDA:
            return i + 2 + length
        i += 2 + length
    raise ValueError("no SOS")


def with_size(data, width, height):
    """The same stream with its frame header claiming another size."""
    patched = bytearray(data)
    sof = patched.index(b"\xff\xc0")
    patched[sof + 5:sof + 9] = struct.pack(">HH", height, width)
    return bytes(patched)


def without_segments(data, marker):
    """The stream with every header segment of one marker type removed."""
    out = bytearray(data[:2])
    i = 2
    while i < len(data):
        kind = data[i + 1]
        length = struct.unpack(">H", data[i + 2:i + 4])[0]
        if kind == 0xDA:
            out += data[i:]
            break
        if kind != marker:
            out += data[i:i + 2 + length]
        i += 2 + length
    return bytes(out)


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def main():
    os.makedirs(OUT, exist_ok=True)
    good = jpeg_bytes(colour_picture(64, 48), subsampling=2)
    write("good.jpg", good)
    start = scan_data_start(good)
    write("truncated.jpg", good[:start + (len(good) - start) // 3])
    write("grey6.jpg", jpeg_bytes(grey_picture(6, 9)))
    write("notjpeg.bin", b"This resource is text, not a picture.\n")
    write("huge.jpg", with_size(good, 65500, 65500))
    # A stream whose frame header is corrupt: a fatal error, not a warning.
    broken = bytearray(good)
    sof = broken.index(b"\xff\xc0")
    broken[sof + 9] = 0  # zero components
    write("badframe.jpg", bytes(broken))
    # No quantisation tables: the library fails only once decoding starts.
    write("noquant.jpg", without_segments(good, 0xDB))
    # A palette with no inverse map beside it.
    write("palette_only.bin", bytes(range(256)) * 3)
    # Pictures for comparing the decoder's own dithering with the library's
    # quantizer: odd sizes, every chroma subsampling, one pixel wide or
    # high, progressive, grey, and noise that drives the errors to their
    # limits and the colours past black and white.
    write("odd420.jpg", jpeg_bytes(colour_picture(37, 23), subsampling=2))
    write("odd422.jpg", jpeg_bytes(colour_picture(45, 31), subsampling=1))
    write("odd444.jpg", jpeg_bytes(colour_picture(33, 17), subsampling=0))
    write("column.jpg", jpeg_bytes(colour_picture(1, 40), subsampling=2))
    write("row.jpg", jpeg_bytes(colour_picture(40, 1), subsampling=2))
    write("dot.jpg", jpeg_bytes(colour_picture(1, 1)))
    write("greycolumn.jpg", jpeg_bytes(grey_picture(1, 17)))
    write("progressive.jpg", jpeg_bytes(colour_picture(97, 61), subsampling=2, progressive=True))
    write("greyprogressive.jpg", jpeg_bytes(grey_picture(53, 29), progressive=True))
    # Wide enough that the decoder dithers it in strips of fewer rows.
    write("wide.jpg", jpeg_bytes(colour_picture(1500, 40), subsampling=2))
    noise = np.random.default_rng(17).integers(0, 256, (48, 71, 3)).astype(np.uint8)
    write("noise.jpg", jpeg_bytes(Image.fromarray(noise, "RGB"), subsampling=0))
    # A palette full of ties: 128 colours on a grid whose midpoints fall on
    # the centres of the decoder's colour cells, then the same 128 again in
    # reverse order, so every entry has a duplicate.
    grid = [((i & 3) * 72, ((i >> 2) & 7) * 36, ((i >> 5) & 3) * 72) for i in range(128)]
    write("palette_ties.bin", bytes(c for colour in grid + grid[::-1] for c in colour))


if __name__ == "__main__":
    main()
