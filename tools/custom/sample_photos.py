#!/usr/bin/python3
"""Writes folders of made-up photos for trying and measuring the maker (avrel-custom).

    sample_photos.py mixed DIR            the awkward cases a real folder holds
    sample_photos.py scenes DIR [N]       N landscapes (default 12), some upright
    sample_photos.py large DIR [N] [MP]   N photos (default 20) of MP megapixels
                                          (default 12) as a camera writes them

Every picture is seeded, so two runs give the same files.
"""

import io
import os
import struct
import sys
import zlib

import numpy as np
from PIL import Image

STRIPES_SIZE = (1200, 600)  # red | yellow | cyan | red; cover on 4:3 keeps only the middle


def scene(width, height, seed):
    """A landscape-like picture: a sky gradient, a sun, layered hills, grain."""
    rng = np.random.default_rng(seed)
    y = np.linspace(0.0, 1.0, height, dtype=np.float32)[:, None, None]
    x = np.linspace(0.0, 1.0, width, dtype=np.float32)[None, :, None]
    top, bottom = rng.uniform(0, 255, 3), rng.uniform(0, 255, 3)
    img = top * (1 - y) + bottom * y + np.zeros((1, width, 1), np.float32)
    cx, cy, r = rng.uniform(0.2, 0.8), rng.uniform(0.1, 0.4), rng.uniform(0.05, 0.12)
    sun = np.exp(-(((x - cx) * width / height) ** 2 + (y - cy) ** 2) / (r * r))
    img = img * (1 - sun) + np.array([255, 235, 180], np.float32) * sun
    for layer in range(3):
        colour = rng.uniform(0, 200, 3)
        phase, freq = rng.uniform(0, 6.3), rng.uniform(3, 9)
        ridge = 0.55 + 0.12 * layer + 0.06 * np.sin(x * freq + phase)
        img = np.where(y > ridge, colour * (0.7 + 0.3 * (1 - y)), img)
    img += rng.normal(0, 4, (height, width, 1)).astype(np.float32)
    return np.clip(img, 0, 255).astype(np.uint8)


def stripes():
    w, h = STRIPES_SIZE
    a = np.zeros((h, w, 3), np.uint8)
    a[:, :] = (255, 0, 0)
    a[:, 200:600] = (255, 255, 0)
    a[:, 600:1000] = (0, 255, 255)
    return a


def exif_orientation(value):
    """A minimal EXIF block holding only the orientation tag."""
    ifd = struct.pack("<H", 1) + struct.pack("<HHII", 0x0112, 3, 1, value) + struct.pack("<I", 0)
    return b"Exif\x00\x00" + b"II*\x00" + struct.pack("<I", 8) + ifd


def icc_profile(space, profile_class, tags, pcs=b"XYZ "):
    """An ICC version 2 profile of `space` (b"RGB ", b"CMYK") from a list of
    (signature, tag body) pairs, with a D50 white point in its header."""
    def s15(v):
        return struct.pack(">i", int(round(v * 65536)))

    offset = 128 + 4 + 12 * len(tags)
    table, data = struct.pack(">I", len(tags)), b""
    for sig, body in tags:
        body += b"\0" * (-len(body) % 4)
        table += sig + struct.pack(">II", offset + len(data), len(body))
        data += body
    size = offset + len(data)
    header = (struct.pack(">I", size) + b"\0" * 4 + struct.pack(">I", 0x02100000) + profile_class
              + space + pcs + b"\0" * 12 + b"acsp" + b"\0" * 24 + struct.pack(">I", 0)
              + s15(0.9642) + s15(1.0) + s15(0.8249) + b"\0" * 48)
    assert len(header) == 128
    return header + table + data


def xyz_tag(x, y, z):
    return b"XYZ \0\0\0\0" + b"".join(struct.pack(">i", int(round(v * 65536))) for v in (x, y, z))


def desc_tag(text):
    text = text.encode("ascii")
    return (b"desc\0\0\0\0" + struct.pack(">I", len(text) + 1) + text + b"\0"
            + b"\0" * 8 + b"\0" * 3 + b"\0" * 67)


def matrix_profile(name, red, green, blue, curve):
    """An RGB display profile: the D50 XYZ of its red, green and blue
    primaries and one tone curve tag ('curv' or 'para') for all three."""
    tags = [(b"desc", desc_tag(name)), (b"wtpt", xyz_tag(0.9642, 1.0, 0.8249)),
            (b"rXYZ", xyz_tag(*red)), (b"gXYZ", xyz_tag(*green)), (b"bXYZ", xyz_tag(*blue)),
            (b"rTRC", curve), (b"gTRC", curve), (b"bTRC", curve)]
    return icc_profile(b"RGB ", b"mntr", tags)


def gamma_curve(gamma):
    """A 'curv' tag of one power (u8Fixed8, so 2.2 is stored as 563/256)."""
    return b"curv\0\0\0\0" + struct.pack(">IH", 1, int(round(gamma * 256))) + b"\0\0"


def swapped_profile():
    """An ICC display profile whose red and green primaries are sRGB's green
    and red (gamma 2.2): a photo tagged with it shows red where its numbers
    say green, and the reverse."""
    return matrix_profile("swapped primaries", (0.3851, 0.7169, 0.0971),
                          (0.4361, 0.2225, 0.0139), (0.1431, 0.0606, 0.7141), gamma_curve(2.2))


def png_claiming(width, height):
    """A PNG header that claims a giant picture, with a token of data."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(b"\x00" * 64)) + chunk(b"IEND", b""))


def write_mixed(folder):
    """Returns {file name: what it is}."""
    os.makedirs(folder, exist_ok=True)
    made = {}

    def save(name, im, what, **opts):
        im.save(os.path.join(folder, name), **opts)
        made[name] = what

    save("01-landscape.jpg", Image.fromarray(scene(1200, 800, 1)), "JPEG 1200 x 800", quality=92)
    # Shown upright as 600 x 900; stored on its side with orientation 6.
    upright = Image.fromarray(scene(600, 900, 2))
    save("02-portrait-rotated.jpg", upright.transpose(Image.Transpose.ROTATE_90),
         "JPEG stored on its side, EXIF orientation 6", quality=92, exif=exif_orientation(6))
    save("03-stripes.png", Image.fromarray(stripes()), "PNG of known content")
    grey = (np.linspace(0, 65535, 800, dtype=np.float64)[None, :] * np.ones((600, 1))).astype(np.uint16)
    save("04-grey-16bit.png", Image.fromarray(grey, "I;16"), "16-bit grey PNG")
    save("05-palette.png", Image.fromarray(scene(800, 600, 5)).quantize(64), "palette PNG")
    rgba = Image.fromarray(scene(800, 600, 6)).convert("RGBA")
    alpha = np.zeros((600, 800), np.uint8)
    alpha[100:500, 200:600] = 255
    rgba.putalpha(Image.fromarray(alpha))
    save("06-transparent.png", rgba, "PNG with transparency")
    cmyk = np.zeros((600, 800, 4), np.uint8)
    cmyk[:, :400] = (0, 255, 255, 0)  # red
    cmyk[:, 400:] = (255, 0, 255, 0)  # green
    save("07-cmyk.jpg", Image.fromarray(cmyk, "CMYK"), "CMYK JPEG", quality=95)
    save("08-tiny.jpg", Image.fromarray(scene(120, 90, 8)), "JPEG 120 x 90", quality=90)
    buf = io.BytesIO()
    Image.fromarray(scene(800, 600, 9)).save(buf, "JPEG", quality=90)
    with open(os.path.join(folder, "09-broken.jpg"), "wb") as f:
        f.write(buf.getvalue()[:len(buf.getvalue()) // 3])
    made["09-broken.jpg"] = "JPEG cut short"
    with open(os.path.join(folder, "10-notes.txt"), "w") as f:
        f.write("not a picture\n")
    made["10-notes.txt"] = "text file"
    with open(os.path.join(folder, "11-giant.png"), "wb") as f:
        f.write(png_claiming(30000, 30000))
    made["11-giant.png"] = "PNG claiming 30000 x 30000"
    return made


def write_large(folder, count=20, megapixels=12):
    os.makedirs(folder, exist_ok=True)
    h = int(round((megapixels * 1e6 * 3 / 4) ** 0.5))
    w = h * 4 // 3
    base = scene(w // 4, h // 4, 100)
    for i in range(count):
        # Scenes at a quarter size, enlarged: cheap to make, camera-sized files
        small = scene(w // 4, h // 4, 100 + i) if i else base
        im = Image.fromarray(small).resize((w, h), Image.Resampling.BILINEAR)
        noise = np.random.default_rng(i).normal(0, 6, (h, w, 1)).astype(np.int16)
        a = np.clip(np.asarray(im, np.int16) + noise, 0, 255).astype(np.uint8)
        Image.fromarray(a).save(os.path.join(folder, "IMG_%04d.jpg" % (i + 1)), quality=90)
    return w, h


def write_scenes(folder, count=12):
    os.makedirs(folder, exist_ok=True)
    for i in range(count):
        w, h = (1600, 1200) if i % 4 != 3 else (1000, 1500)
        Image.fromarray(scene(w, h, 200 + i)).save(
            os.path.join(folder, "scene-%02d.jpg" % (i + 1)), quality=92)


def main(argv):
    if len(argv) >= 3 and argv[1] == "scenes":
        write_scenes(argv[2], int(argv[3]) if len(argv) > 3 else 12)
        return 0
    if len(argv) >= 3 and argv[1] == "mixed":
        for name, what in sorted(write_mixed(argv[2]).items()):
            print("%-26s %s" % (name, what))
        return 0
    if len(argv) >= 3 and argv[1] == "large":
        count = int(argv[3]) if len(argv) > 3 else 20
        mp = float(argv[4]) if len(argv) > 4 else 12
        w, h = write_large(argv[2], count, mp)
        print("%d photos of %d x %d in %s" % (count, w, h, argv[2]))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
