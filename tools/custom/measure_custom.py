#!/usr/bin/python3
"""Measures the maker (avrel-custom): the time and peak memory to make an
Avrel.scr from COUNT photos of MP megapixels, the closeness of its still
pictures as the show draws them (decoded and dithered onto the file's own
palette exactly as the program does, through libjpeg's djpeg) to the photos
fitted by Pillow's Lanczos to each slot, next to the same figure for the
shipped pictures against the paintings they were made from, and the sizes
of the result and of avrel-custom.

    measure_custom.py [--custom AVREL_CUSTOM] [--scr BASE] [--count N] [--megapixels MP]
                      [--before ROOT --before-build DIR]

--before runs an older checkout's tools/custom/make_custom.py (the Python
maker, which links the program again with the Windows build in DIR) on the
same photos, measured and judged the same way, for a side-by-side figure.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

import numpy as np
from PIL import Image

import asset_art
import gen_assets
import sample_photos
from pe_resources import PeFile

ROOT = gen_assets.ROOT
STAGE_SLOTS = [1000, 1001, 1002, 1003, 1004, 2000, 2001, 2002, 2003, 2004, 3000, 3001, 3002,
               3003, 4000, 4001, 4002, 4003, 5000, 5001, 5002, 5003, 5004, 5008]


def slot_size(pid):
    return gen_assets.CATALOGUE[pid][2], gen_assets.CATALOGUE[pid][3]


def shown(jpeg, palette, work):
    """RGB of the picture as the show draws it: libjpeg maps it onto the
    palette with Floyd-Steinberg dithering, as the program's decoder does."""
    ppm, source, bmp = (os.path.join(work, n) for n in ("palette.ppm", "picture.jpg", "shown.bmp"))
    with open(ppm, "wb") as out:
        out.write(b"P6\n256 1\n255\n" + palette)
    with open(source, "wb") as out:
        out.write(jpeg)
    subprocess.run(["djpeg", "-map", ppm, "-dither", "fs", "-rgb", "-bmp", "-outfile", bmp, source],
                   check=True)
    with Image.open(bmp) as im:
        return np.asarray(im.convert("RGB"), np.float64)


def fitted(path, size):
    """The photo covering `size`, cropped around the centre, by Pillow's
    Lanczos from the full-size picture: the reference every maker is
    judged against."""
    with Image.open(path) as im:
        im = im.convert("RGB")
        w, h = size
        scale = max(w / im.width, h / im.height)
        cw, ch = w / scale, h / scale
        box = (max(0.0, (im.width - cw) / 2), max(0.0, (im.height - ch) / 2),
               min(float(im.width), (im.width + cw) / 2), min(float(im.height), (im.height + ch) / 2))
        return np.asarray(im.resize(size, Image.Resampling.LANCZOS, box=box), np.float64)


def to_lab(rgb):
    c = rgb / 255.0
    c = np.where(c <= 0.04045, c / 12.92, ((c + 0.055) / 1.055) ** 2.4)
    xyz = c @ np.array([[0.4124, 0.3576, 0.1805], [0.2126, 0.7152, 0.0722],
                        [0.0193, 0.1192, 0.9505]]).T / np.array([0.95047, 1.0, 1.08883])
    f = np.where(xyz > (6 / 29) ** 3, np.cbrt(xyz), xyz / (3 * (6 / 29) ** 2) + 4 / 29)
    return np.stack([116 * f[..., 1] - 16, 500 * (f[..., 0] - f[..., 1]),
                     200 * (f[..., 1] - f[..., 2])], -1)


def delta_e_2000(lab1, lab2):
    """CIEDE2000 (kL = kC = kH = 1) of Lab colours in the last axis."""
    L1, a1, b1 = np.moveaxis(lab1, -1, 0)
    L2, a2, b2 = np.moveaxis(lab2, -1, 0)
    cbar = (np.hypot(a1, b1) + np.hypot(a2, b2)) / 2
    g = 0.5 * (1 - np.sqrt(cbar ** 7 / (cbar ** 7 + 25.0 ** 7)))
    a1p, a2p = (1 + g) * a1, (1 + g) * a2
    c1p, c2p = np.hypot(a1p, b1), np.hypot(a2p, b2)
    h1p = np.degrees(np.arctan2(b1, a1p)) % 360
    h2p = np.degrees(np.arctan2(b2, a2p)) % 360
    dlp, dcp = L2 - L1, c2p - c1p
    dh = h2p - h1p
    dh = np.where(dh > 180, dh - 360, np.where(dh < -180, dh + 360, dh))
    dh = np.where(c1p * c2p == 0, 0, dh)
    dhp = 2 * np.sqrt(c1p * c2p) * np.sin(np.radians(dh) / 2)
    lbar, cbarp = (L1 + L2) / 2, (c1p + c2p) / 2
    hsum = h1p + h2p
    hbar = np.where(np.abs(h1p - h2p) > 180, np.where(hsum < 360, hsum + 360, hsum - 360), hsum) / 2
    hbar = np.where(c1p * c2p == 0, hsum, hbar)
    t = (1 - 0.17 * np.cos(np.radians(hbar - 30)) + 0.24 * np.cos(np.radians(2 * hbar))
         + 0.32 * np.cos(np.radians(3 * hbar + 6)) - 0.20 * np.cos(np.radians(4 * hbar - 63)))
    sl = 1 + 0.015 * (lbar - 50) ** 2 / np.sqrt(20 + (lbar - 50) ** 2)
    sc, sh = 1 + 0.045 * cbarp, 1 + 0.015 * cbarp * t
    rt = (-2 * np.sqrt(cbarp ** 7 / (cbarp ** 7 + 25.0 ** 7))
          * np.sin(np.radians(60 * np.exp(-(((hbar - 275) / 25) ** 2)))))
    return np.sqrt((dlp / sl) ** 2 + (dcp / sc) ** 2 + (dhp / sh) ** 2 + rt * (dcp / sc) * (dhp / sh))


def fidelity(pairs):
    """Pixel-weighted mean CIEDE2000 and PSNR over (original, shown) pairs."""
    n = sum(a.shape[0] * a.shape[1] for a, _ in pairs)
    de = sum(float(delta_e_2000(to_lab(a), to_lab(b)).mean()) * a.shape[0] * a.shape[1]
             for a, b in pairs) / n
    mse = sum(((a - b) ** 2).sum() for a, b in pairs) / (3 * n)
    return de, 10 * np.log10(255.0 ** 2 / mse)


def timed(command):
    """Runs `command`; its wall-clock seconds and peak resident memory (MB),
    as GNU time measures them."""
    with tempfile.NamedTemporaryFile("r") as report:
        started = time.monotonic()
        done = subprocess.run(["/usr/bin/time", "-o", report.name, "-f", "%M", *command],
                              capture_output=True, text=True)
        elapsed = time.monotonic() - started
        if done.returncode != 0:
            raise RuntimeError("%s failed:\n%s%s" % (command[0], done.stdout, done.stderr))
        return elapsed, int(report.read().split()[-1]) / 1024


def judge(name, program, photos, elapsed, peak, work):
    """Prints the figures of one maker's Avrel.scr."""
    with open(program, "rb") as f:
        pe = PeFile(f.read())

    def resource(pid):
        (_, _, _, _, at, size), = pe.find(10, pid)
        return bytes(pe.data[at:at + size])

    names = sorted(os.listdir(photos), key=lambda n: (n.casefold(), n))
    palette = resource(4098)
    pairs = [(fitted(os.path.join(photos, names[i % len(names)]), slot_size(pid)),
              shown(resource(pid), palette, work)) for i, pid in enumerate(STAGE_SLOTS)]
    de, psnr = fidelity(pairs)
    print("%s: %.2f s, peak memory %.0f MB, mean CIEDE2000 %.2f, PSNR %.2f dB, %d bytes"
          % (name, elapsed, peak, de, psnr, os.path.getsize(program)), flush=True)


def main(argv):
    p = argparse.ArgumentParser()
    p.add_argument("--custom", default=os.path.join(ROOT, "build", "native", "custom",
                                                    "avrel-custom"))
    p.add_argument("--scr", default=os.path.join(ROOT, "build", "windows", "shell", "Avrel.scr"))
    p.add_argument("--count", type=int, default=24)
    p.add_argument("--megapixels", type=float, default=12)
    p.add_argument("--before", metavar="ROOT")
    p.add_argument("--before-build", metavar="DIR")
    args = p.parse_args(argv)
    with tempfile.TemporaryDirectory(prefix="avrel-measure-") as work:
        photos = os.path.join(work, "photos")
        w, h = sample_photos.write_large(photos, args.count, args.megapixels)
        size = sum(os.path.getsize(os.path.join(photos, n)) for n in os.listdir(photos))
        print("%d photos of %d x %d (%.1f MP), %.1f MB of JPEG"
              % (args.count, w, h, w * h / 1e6, size / 1e6), flush=True)
        out = os.path.join(work, "Avrel.scr")
        elapsed, peak = timed([args.custom, photos, "-o", out, "--scr", args.scr])
        judge("avrel-custom", out, photos, elapsed, peak, work)
        if args.before:
            old = os.path.join(work, "before.scr")
            elapsed, peak = timed([sys.executable, os.path.join(args.before, "tools", "custom",
                                                                "make_custom.py"),
                                   photos, "--out", old, "--build", args.before_build])
            judge("make_custom.py (before)", old, photos, elapsed, peak, work)
        shipped = [(asset_art.paint(pid, *slot_size(pid)),
                    shown(open(os.path.join(gen_assets.ASSETS, "pictures", "%d.jpg" % pid),
                               "rb").read(),
                          open(os.path.join(gen_assets.ASSETS, "palette.bin"), "rb").read(), work))
                   for pid in STAGE_SLOTS]
        print("shipped pictures against the paintings: mean CIEDE2000 %.2f, PSNR %.2f dB"
              % fidelity([(a.astype(np.float64), b) for a, b in shipped]))
        stripped = os.path.join(work, "avrel-custom")
        subprocess.run(["strip", "-o", stripped, args.custom], check=True)
        print("avrel-custom: %d bytes, %d stripped; the base Avrel.scr %d bytes"
              % (os.path.getsize(args.custom), os.path.getsize(stripped),
                 os.path.getsize(args.scr)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
