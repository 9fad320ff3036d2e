#!/usr/bin/python3
"""All your photos and your words, end to end under Wine: avrel-custom
writes an Avrel.scr from this build's program file with 30 made-up photos
and chapter 2 titled "Lisbon"; avrel-render --scr draws that file's show,
and the saver under Wine shows, pixel for pixel as avrel-render draws them,
the title at its chapter's opening and, in the second pass, the 25th photo
where the first pass showed the first.

    custom_passes_test.py --build DIR --custom AVREL_CUSTOM --render AVREL_RENDER
                          --probe EXE --prefix WINEPREFIX --arch win32|win64

Without avrel-custom or avrel-render (make native) the test is skipped (77).
About two minutes: the second pass starts 84 s into the show.
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
import sample_photos
from PIL import Image

PASS_MS = 84245
TITLE_BOX = [72, 204, 496, 73]  # logo 6001 at the stage's centre
STRIP_BOX = [0, 0, 51, 480]  # stage columns 0-50 keep picture 1000 through chapter 1


def make_show(custom, render, base, work):
    """The personal saver, the moments to see in it ({what, box, reference
    PNG, limit s}) and avrel-render's stage 3 s into the first pass; Nones
    when a step failed. The photos are in WORK/photos."""
    photos = os.path.join(work, "photos")
    sample_photos.write_scenes(photos, 30)
    program = os.path.join(work, "Passes.scr")
    made = subprocess.run([custom, photos, "-o", program, "--scr", base, "--title", "2",
                           "Lisbon"], capture_output=True, text=True, timeout=600)
    print(made.stdout[-600:], made.stderr, flush=True)
    if made.returncode != 0:
        return None, None, None
    show = os.path.join(work, "render")
    drawn = subprocess.run([render, "--scr", program, "show", "--out", show, "--size", "640x480"],
                           capture_output=True, text=True, timeout=300)
    if drawn.returncode != 0:
        print(drawn.stderr, flush=True)
        return None, None, None
    with open(os.path.join(show, "timeline.jsonl")) as f:
        calls = [json.loads(line) for line in f]
    zoom = next(c for c in calls if c["name"] == "ZoomLogoIn" and c["arguments"] == [6001])
    title, second = zoom["end"] + 1000, PASS_MS + 3000
    drawn = subprocess.run([render, "--scr", program, "show", "--out", show, "--size", "640x480",
                            "--at", "3000,%d,%d" % (title, second)], capture_output=True,
                           text=True, timeout=300)
    if drawn.returncode != 0:
        print(drawn.stderr, flush=True)
        return None, None, None
    shot = lambda ms: os.path.join(show, "screen-%06d.png" % ms)
    moments = [{"what": "chapter 2's title 'Lisbon' at the stage's centre", "box": TITLE_BOX,
                "reference": shot(title), "limit": 45},
               {"what": "the 25th photo where the first pass showed the first", "box": STRIP_BOX,
                "reference": shot(second), "limit": 120}]
    return program, moments, shot(3000)


def main():
    parser = argparse.ArgumentParser()
    for name in ("--build", "--custom", "--render", "--probe", "--prefix"):
        parser.add_argument(name, required=True)
    parser.add_argument("--arch", default="win32")
    args = parser.parse_args()
    if not (os.access(args.custom, os.X_OK) and os.access(args.render, os.X_OK)):
        print("skipped: avrel-custom and avrel-render are not built (make native)", flush=True)
        return 77
    os.makedirs(os.path.dirname(args.prefix), exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="avrel-passes-e2e-",
                                     dir=os.path.dirname(args.prefix)) as work:
        made = make_show(args.custom, args.render, os.path.join(args.build, "shell", "Avrel.scr"),
                         work)
        if made[0] is None:
            print("FAIL: the personal saver and its reference screens", flush=True)
            return 1
        program, moments, first = made
        crops = []
        for path in (first, moments[1]["reference"]):
            with Image.open(path) as im:
                crops.append(im.convert("RGB").crop((0, 0, 51, 480)).tobytes())
        if crops[0] == crops[1]:
            print("FAIL: the second pass to show another photo than the first", flush=True)
            return 1
        moments_file = os.path.join(work, "moments.json")
        with open(moments_file, "w") as f:
            json.dump(moments, f)
        done = subprocess.run([sys.executable, os.path.join(HERE, "avrel_e2e.py"),
                               "saver_moments", "--program", program, "--probe", args.probe,
                               "--prefix", args.prefix, "--arch", args.arch,
                               "--reference", work, "--moments", moments_file], timeout=600)
        return done.returncode


if __name__ == "__main__":
    sys.exit(main())
