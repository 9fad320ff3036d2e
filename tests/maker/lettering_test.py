#!/usr/bin/python3
"""The maker's lettering against the asset generator's: the show's own
words (VELTRONA  AVREL, Tidewater, INTO THE|Greenwood, Avrel three ways,
AMBER DUNES, NIGHT CITY, UNTIL DUSK AGAIN), and Greek, Cyrillic, accented,
x-height-only and shrunk lines, lettered by the C++ maker and painted by
asset_art.py's own rule before JPEG encoding, at the catalogue's sizes. Every
picture must agree pixel for pixel; the differences are printed.

    lettering_test.py --letter MAKER_LETTER_SHOW_WORDS --root SOURCE_TREE
"""
import argparse
import os
import subprocess
import sys
import tempfile

import numpy as np

import asset_art
import gen_assets

FONTS = "/usr/share/fonts/truetype/dejavu"
# (name, after-first, title 2, (small, large), title 4, title 5, closing)
OTHER_WORDS = ("Λισαβόνα 2026", "москва ееее", "xxxxx ooo", ("день третий", "Синтра и Καλημέρα"),
               "A long title that has to shrink to fit its box", "...,,,___",
               "Ωmega — “quoted” ŁÓDŹ")


def read_pgm(path):
    with open(path, "rb") as f:
        data = f.read()
    _, size, _, pixels = data.split(b"\n", 3)
    width, height = map(int, size.split())
    return np.frombuffer(pixels, np.uint8).reshape(height, width)


def generator_pictures(words):
    """The generator's title pictures for `words`, by its own rule."""
    name, after, two, (small, large), four, five, closing = words
    w = {pid: gen_assets.CATALOGUE[pid][2:] for pid in range(6000, 6009)}
    logo = asset_art.logo
    out = {6000: logo(*w[6000], after, "DejaVuSans.ttf", 236, 0.42, 0.4),
           6001: logo(*w[6001], two, "DejaVuSerif.ttf", 240, 0.06, 0.5),
           6006: logo(*w[6006], four, "DejaVuSans.ttf", 236, 0.45, 0.4),
           6007: logo(*w[6007], five, "DejaVuSans.ttf", 236, 0.6, 0.4),
           6008: logo(*w[6008], closing, "DejaVuSans.ttf", 230, 0.38, 0.4)}
    width, height = w[6002]
    top = logo(width, 40, small, "DejaVuSans.ttf", 200, 0.4, 0.0, 0.55)
    main = logo(width, 86, large, "DejaVuSerif-Italic.ttf", 244, 0.02, 0.5, 0.92)
    out[6002] = np.vstack([top, main[:height - 40]])
    for pid, (face, level, halo) in {6003: ("DejaVuSans-ExtraLight.ttf", 150, 0.0),
                                     6004: ("DejaVuSans.ttf", 206, 0.25),
                                     6005: ("DejaVuSans-Bold.ttf", 250, 0.6)}.items():
        width, height = w[pid]
        a = logo(width, height, name, face, level, 0.12, halo, 0.8)
        if pid == 6005:
            a[height - 8:height - 6, 60:width - 60] = np.maximum(
                a[height - 8:height - 6, 60:width - 60], 170)
        out[pid] = a
    return {pid: asset_art.clean_black(a) for pid, a in out.items()}


def compare(what, made_dir, wanted):
    bad = 0
    for pid in sorted(wanted):
        got = read_pgm(os.path.join(made_dir, "%d.pgm" % pid))
        diff = np.abs(got.astype(int) - wanted[pid].astype(int))
        differing = int((diff > 0).sum())
        print("%s %d: %d of %d pixels differ (largest difference %d)"
              % (what, pid, differing, diff.size, int(diff.max())), flush=True)
        bad += differing > 0
    return bad


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--letter", required=True)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="avrel-lettering-") as work:
        own = os.path.join(work, "own")
        os.makedirs(own)
        subprocess.run([args.letter, FONTS, own], check=True)
        bad = compare("the show's own words, picture", own,
                      {pid: asset_art.pic_logo(pid, *gen_assets.CATALOGUE[pid][2:])
                       for pid in range(6000, 6009)})

        other = os.path.join(work, "other")
        os.makedirs(other)
        name, after, two, (small, large), four, five, closing = OTHER_WORDS
        words = os.path.join(work, "words.txt")
        with open(words, "w", encoding="utf-8") as f:
            f.write("name: %s\nafter-first: %s\ntitle 2: %s\ntitle 3: %s|%s\ntitle 4: %s\n"
                    "title 5: %s\nclosing: %s\n" % (name, after, two, small, large, four, five,
                                                   closing))
        subprocess.run([args.letter, FONTS, other, words], check=True)
        bad += compare("other words, picture", other, generator_pictures(OTHER_WORDS))
    print("lettering: %s" % ("every picture as the generator paints it" if not bad
                             else "%d picture(s) differ" % bad))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
