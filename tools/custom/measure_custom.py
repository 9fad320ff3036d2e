#!/usr/bin/python3
"""Measures make_custom.py: the time to build an Avrel.scr from 20 photos of
12 megapixels, the colour fidelity of the pictures as the show draws them
(decoded and dithered onto the palette exactly as the program does, through
libjpeg's djpeg) against the fitted photos, next to the same figure for the
shipped pictures against the paintings they were made from, and the size of
the resulting file.

    measure_custom.py [--build DIR] [--count N] [--megapixels MP]
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
import make_custom
import sample_photos


def shown(jpeg, palette_bin, work):
    """RGB of the picture as the show draws it: libjpeg maps it onto the
    palette with Floyd-Steinberg dithering, as the program's decoder does."""
    ppm, bmp = os.path.join(work, "palette.ppm"), os.path.join(work, "shown.bmp")
    with open(palette_bin, "rb") as f, open(ppm, "wb") as out:
        out.write(b"P6\n256 1\n255\n" + f.read())
    subprocess.run(["djpeg", "-map", ppm, "-dither", "fs", "-rgb", "-bmp", "-outfile", bmp, jpeg],
                   check=True)
    with Image.open(bmp) as im:
        return np.asarray(im.convert("RGB"), np.float64)


def psnr(a, b):
    mse = ((a.astype(np.float64) - b.astype(np.float64)) ** 2).mean()
    return 10 * np.log10(255.0 ** 2 / mse) if mse else float("inf")


def to_lab(rgb):
    c = rgb / 255.0
    c = np.where(c <= 0.04045, c / 12.92, ((c + 0.055) / 1.055) ** 2.4)
    xyz = c @ np.array([[0.4124, 0.3576, 0.1805], [0.2126, 0.7152, 0.0722],
                        [0.0193, 0.1192, 0.9505]]).T / np.array([0.95047, 1.0, 1.08883])
    f = np.where(xyz > (6 / 29) ** 3, np.cbrt(xyz), xyz / (3 * (6 / 29) ** 2) + 4 / 29)
    return np.stack([116 * f[..., 1] - 16, 500 * (f[..., 0] - f[..., 1]),
                     200 * (f[..., 1] - f[..., 2])], -1)


def ciede2000(rgb1, rgb2):
    """Mean CIEDE2000 colour difference between two RGB images."""
    return float(delta_e_2000(to_lab(rgb1.astype(np.float64)),
                              to_lab(rgb2.astype(np.float64))).mean())


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
    de = sum(ciede2000(a, b) * a.shape[0] * a.shape[1] for a, b in pairs) / n
    mse = sum(((a.astype(float) - b) ** 2).sum() for a, b in pairs) / (3 * n)
    return de, 10 * np.log10(255.0 ** 2 / mse)


def main(argv):
    p = argparse.ArgumentParser()
    p.add_argument("--build", default=os.path.join(gen_assets.ROOT, "build", "windows"))
    p.add_argument("--count", type=int, default=20)
    p.add_argument("--megapixels", type=float, default=12)
    args = p.parse_args(argv)
    with tempfile.TemporaryDirectory(prefix="avrel-measure-") as work:
        photos = os.path.join(work, "photos")
        w, h = sample_photos.write_large(photos, args.count, args.megapixels)
        size = sum(os.path.getsize(os.path.join(photos, n)) for n in os.listdir(photos))
        print("%d photos of %d x %d (%.1f MP), %.1f MB of JPEG"
              % (args.count, w, h, w * h / 1e6, size / 1e6), flush=True)
        out, res = os.path.join(work, "Avrel.scr"), os.path.join(work, "res")
        started = time.monotonic()
        done = subprocess.run([sys.executable, os.path.join(gen_assets.ROOT, "tools", "custom", "make_custom.py"),
                               photos, "--out", out, "--build", args.build, "--resources", res],
                              capture_output=True, text=True)
        elapsed = time.monotonic() - started
        if done.returncode != 0:
            print(done.stdout, done.stderr)
            return 1
        custom = [(np.asarray(Image.open(os.path.join(res, "fitted", "%d.png" % pid))),
                   shown(os.path.join(res, "pictures", "%d.jpg" % pid),
                         os.path.join(res, "palette.bin"), work))
                  for pid in make_custom.STAGE_SLOTS]
        shipped = [(asset_art.paint(pid, *make_custom.slot_size(pid)),
                    shown(os.path.join(gen_assets.ASSETS, "pictures", "%d.jpg" % pid),
                          os.path.join(gen_assets.ASSETS, "palette.bin"), work))
                   for pid in make_custom.STAGE_SLOTS]
        shipped_file = os.path.join(args.build, "shell", "Avrel.scr")
        print("time to build Avrel.scr:  %.1f s (wall clock, make_custom.py start to end)"
              % elapsed)
        print("fidelity, the %d still pictures as shown against their originals:"
              % len(make_custom.STAGE_SLOTS))
        print("  custom:  mean CIEDE2000 %.2f, PSNR %.2f dB (against the fitted photos)"
              % fidelity(custom))
        print("  shipped: mean CIEDE2000 %.2f, PSNR %.2f dB (against the paintings)"
              % fidelity(shipped))
        print("file size: custom %d bytes, shipped %d bytes"
              % (os.path.getsize(out), os.path.getsize(shipped_file)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
