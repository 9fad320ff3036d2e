#!/usr/bin/python3
"""Writes the photos the maker's tests read, into the folder given:

    make_test_photos.py DIR

  orient-N.jpg        N = 1..8: the test scene stored so that EXIF orientation
                      N turns it upright (JPEG APP1); orient-6.png (eXIf) and
                      orient-8.webp (EXIF chunk, lossless) likewise
  p3.png, p3.jpg      colour patches in Display P3 numbers, with a P3 profile
  adobe.webp          the same patches in Adobe RGB numbers, with its profile
  cmyk.jpg            ink patches in a CMYK JPEG (Adobe's inverted form) whose
                      profile prints cyan ink as magenta; cmyk-plain.jpg has
                      no profile
  grey16.png          16-bit grey bands 0, 16384, 49344, 65535
  palette-trns.png    palette bands red, green, blue with alpha 0, 128, 255
  rgba.png            bands of (200, 100, 50) with alpha 255, 0, 128
  interlaced.png      Adam7-interlaced noise, noise.bin its pixels
  lossy.webp          the test scene upright, lossy
  alpha.webp          rgba.png's bands, lossless
  tiny.jpg            40 x 30
  truncated.jpg/.png/.webp, corrupt.png, notes.txt: damaged or not pictures
  bomb.jpg, bomb.png  headers claiming 20000 x 10000 pixels
  reference.png and reference-FIT-WxH.ppm: a photo and Pillow's Lanczos fits
                      of it, by the rules the photos were fitted with before

The test scene is 400 x 200: red bands 50 wide at both ends, between them
quadrants green, blue (top), yellow, magenta (bottom). Deterministic.
"""
import io
import os
import struct
import sys
import zlib

import numpy as np
from PIL import Image

import sample_photos

T = Image.Transpose
# The transposition that stores an upright picture so that EXIF
# orientation N turns it back.
STORE = {1: [], 2: [T.FLIP_LEFT_RIGHT], 3: [T.ROTATE_180], 4: [T.FLIP_TOP_BOTTOM],
         5: [T.TRANSPOSE], 6: [T.ROTATE_90], 7: [T.TRANSVERSE], 8: [T.ROTATE_270]}

P3 = ((0.680, 0.320), (0.265, 0.690), (0.150, 0.060))
ADOBE = ((0.640, 0.330), (0.210, 0.710), (0.150, 0.060))
D65 = (0.3127, 0.3290)
PATCHES = [(200, 80, 60), (110, 170, 120), (60, 90, 190), (128, 128, 128)]
INKS = [(255, 0, 0, 0), (0, 0, 255, 0), (0, 0, 0, 255), (0, 0, 0, 0)]


def scene():
    a = np.zeros((200, 400, 3), np.uint8)
    a[:, :] = (255, 0, 0)
    a[:100, 50:200] = (0, 200, 0)
    a[:100, 200:350] = (0, 0, 230)
    a[100:, 50:200] = (230, 230, 0)
    a[100:, 200:350] = (230, 0, 230)
    return Image.fromarray(a)


def quadrants(colours, size=64, mode="RGB"):
    """Four flat patches: colours[0] top left, [1] top right, [2] bottom left, [3] bottom right."""
    h = size // 2
    a = np.zeros((size, size, len(colours[0])), np.uint8)
    for i, c in enumerate(colours):
        a[(i // 2) * h:(i // 2 + 1) * h, (i % 2) * h:(i % 2 + 1) * h] = c
    return Image.fromarray(a, mode)


def bands(colours, mode, height=16, width=16):
    a = np.zeros((height, width * len(colours), len(colours[0])), np.uint8)
    for i, c in enumerate(colours):
        a[:, i * width:(i + 1) * width] = c
    return Image.fromarray(a, mode)


def d50_colorants(primaries, white=D65):
    """The D50 XYZ of each primary, adapted from `white` by Bradford, as an
    ICC profile stores them."""
    def xyz(x, y):
        return np.array([x / y, 1.0, (1 - x - y) / y])
    m = np.stack([xyz(*p) for p in primaries], 1)
    m = m * np.linalg.solve(m, xyz(*white))
    bradford = np.array([[0.8951, 0.2664, -0.1614], [-0.7502, 1.7135, 0.0367],
                         [0.0389, -0.0685, 1.0296]])
    d50 = np.array([0.9642, 1.0, 0.8249])
    cone = bradford @ d50 / (bradford @ xyz(*white))
    adapt = np.linalg.inv(bradford) @ np.diag(cone) @ bradford
    return [tuple(c) for c in (adapt @ m).T]


def srgb_curve():
    """sRGB's tone curve as a 'para' tag (function type 3)."""
    params = [2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045]
    return b"para\0\0\0\0" + struct.pack(">HH", 3, 0) + b"".join(
        struct.pack(">i", int(round(v * 65536))) for v in params)


def swapped_ink_profile(grid=5):
    """A CMYK printer profile (a lut16 of `grid` points to D50 XYZ) that prints by
    the plain ink rule with cyan and magenta swapped."""
    srgb_to_xyz = np.array([[0.4360747, 0.3850649, 0.1430804], [0.2225045, 0.7168786, 0.0606169],
                            [0.0139322, 0.0971045, 0.7141733]])
    clut = []
    for c in range(grid):
        for m in range(grid):
            for y in range(grid):
                for k in range(grid):
                    ink = np.array([m, c, y]) / (grid - 1)  # swapped
                    rgb = (1 - ink) * (1 - k / (grid - 1))
                    lin = np.where(rgb <= 0.04045, rgb / 12.92, ((rgb + 0.055) / 1.055) ** 2.4)
                    clut.extend(int(round(v * 32768)) for v in srgb_to_xyz @ lin)
    identity = struct.pack(">9i", 65536, 0, 0, 0, 65536, 0, 0, 0, 65536)
    body = (b"mft2\0\0\0\0" + bytes([4, 3, grid, 0]) + identity + struct.pack(">HH", 2, 2)
            + struct.pack(">8H", *([0, 65535] * 4)) + struct.pack(">%dH" % len(clut), *clut)
            + struct.pack(">6H", *([0, 65535] * 3)))
    tags = [(b"desc", sample_photos.desc_tag("swapped inks")),
            (b"wtpt", sample_photos.xyz_tag(0.9642, 1.0, 0.8249)), (b"A2B0", body)]
    return sample_photos.icc_profile(b"CMYK", b"prtr", tags)


def interlaced_png(a):
    """An 8-bit RGB PNG of `a`, Adam7-interlaced (Pillow writes none)."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    h, w = a.shape[:2]
    raw = b""
    for x0, y0, dx, dy in [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4),
                           (1, 0, 2, 2), (0, 1, 1, 2)]:
        sub = a[y0::dy, x0::dx]
        if sub.size:
            raw += b"".join(b"\0" + row.tobytes() for row in sub)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 1))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def pillow_fit(im, size, mode):
    """The fit the photos had before: Pillow's LANCZOS, cover cropping
    around the centre, contain letterboxed on black."""
    w, h = size
    iw, ih = im.size
    if mode == "contain":
        scale = min(w / iw, h / ih)
        inner = (max(1, min(w, round(iw * scale))), max(1, min(h, round(ih * scale))))
        out = Image.new("RGB", size, (0, 0, 0))
        out.paste(im.resize(inner, Image.Resampling.LANCZOS),
                  ((w - inner[0]) // 2, (h - inner[1]) // 2))
        return out
    scale = max(w / iw, h / ih)
    cw, ch = w / scale, h / scale
    box = (max(0.0, (iw - cw) / 2), max(0.0, (ih - ch) / 2),
           min(float(iw), (iw + cw) / 2), min(float(ih), (ih + ch) / 2))
    return im.resize(size, Image.Resampling.LANCZOS, box=box)


def main(out):
    os.makedirs(out, exist_ok=True)

    def save(name, im, **options):
        im.save(os.path.join(out, name), **options)

    def write(name, data):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)

    def encoded(im, fmt, **options):
        buffer = io.BytesIO()
        im.save(buffer, fmt, **options)
        return buffer.getvalue()

    upright = scene()
    for n, steps in STORE.items():
        stored = upright
        for step in steps:
            stored = stored.transpose(step)
        exif = sample_photos.exif_orientation(n)
        save("orient-%d.jpg" % n, stored, quality=95, subsampling=0, exif=exif)
        if n == 6:
            save("orient-6.png", stored, exif=exif)
        if n == 8:
            save("orient-8.webp", stored, lossless=True, exif=exif)

    p3 = sample_photos.matrix_profile("Display P3", *d50_colorants(P3), srgb_curve())
    adobe = sample_photos.matrix_profile("Adobe RGB", *d50_colorants(ADOBE),
                                         sample_photos.gamma_curve(563 / 256))
    save("p3.png", quadrants(PATCHES), icc_profile=p3)
    save("p3.jpg", quadrants(PATCHES), quality=95, subsampling=0, icc_profile=p3)
    save("adobe.webp", quadrants(PATCHES), lossless=True, icc_profile=adobe)
    save("cmyk.jpg", quadrants(INKS, mode="CMYK"), quality=95, icc_profile=swapped_ink_profile())
    save("cmyk-plain.jpg", quadrants(INKS, mode="CMYK"), quality=95)

    grey = np.repeat(np.array([0, 16384, 49344, 65535], np.uint16), 16)[None, :].repeat(16, 0)
    save("grey16.png", Image.fromarray(grey, "I;16"))
    palette = Image.fromarray(np.repeat(np.arange(3, dtype=np.uint8), 16)[None, :].repeat(16, 0),
                              "P")
    palette.putpalette([255, 0, 0, 0, 255, 0, 0, 0, 255])
    save("palette-trns.png", palette, transparency=bytes([0, 128, 255]))
    rgba = bands([(200, 100, 50, 255), (200, 100, 50, 0), (200, 100, 50, 128)], "RGBA")
    save("rgba.png", rgba)
    save("alpha.webp", rgba, lossless=True, exact=True)
    noise = np.random.default_rng(26).integers(0, 256, (23, 37, 3), dtype=np.uint8)
    write("interlaced.png", interlaced_png(noise))
    write("noise.bin", noise.tobytes())
    save("lossy.webp", upright, quality=90)
    save("tiny.jpg", upright.resize((40, 30)), quality=95)

    jpeg = encoded(upright, "JPEG", quality=95)
    write("truncated.jpg", jpeg[:len(jpeg) // 2])
    png = encoded(Image.fromarray(sample_photos.scene(300, 200, 7)), "PNG")
    write("truncated.png", png[:len(png) // 2])
    webp = encoded(upright, "WEBP", quality=90)
    write("truncated.webp", webp[:len(webp) // 2])
    idat = png.index(b"IDAT") + 4
    write("corrupt.png", png[:idat + 100] + bytes(b ^ 0x5A for b in png[idat + 100:idat + 400])
          + png[idat + 400:])
    write("notes.txt", b"not a picture\n")
    sof = jpeg.index(b"\xff\xc0")
    write("bomb.jpg", jpeg[:sof + 5] + struct.pack(">HH", 10000, 20000) + jpeg[sof + 9:])
    write("bomb.png", sample_photos.png_claiming(20000, 10000))

    photo = sample_photos.scene(1237, 811, 4)
    photo[::7, ::5] = np.random.default_rng(4).integers(0, 256, photo[::7, ::5].shape)
    reference = Image.fromarray(photo)
    save("reference.png", reference)
    for mode, size in [("cover", (640, 480)), ("cover", (171, 95)), ("cover", (2000, 300)),
                       ("contain", (211, 250)), ("contain", (6, 290))]:
        fitted = pillow_fit(reference, size, mode)
        write("reference-%s-%dx%d.ppm" % (mode, *size),
              b"P6\n%d %d\n255\n" % size + fitted.tobytes())


if __name__ == "__main__":
    main(sys.argv[1])
