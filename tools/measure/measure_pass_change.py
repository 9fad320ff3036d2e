#!/usr/bin/python3
"""Measures the change from the first pass of the show to the second on a
real player, for each program file given (the shipped one and a personal
one with a pass table, say): the time from the last frame of the closing
logo's fade to the first frame of the second pass, and the spacing of the
frames of the second pass's first cross-fade, as the player draws them in
real time.

    measure_pass_change.py wine --program A.scr [--program B.scr] --prefix WINEPREFIX --arch win64
    measure_pass_change.py avrel --avrel build/native/linux/avrel --probe avrel_x_probe
                           --program A.scr [--program B.scr]
    measure_pass_change.py page --page build/web/avrel.html --program A.scr [--program B.scr]

Each run plays about 100 s of show. Wine: the render thread's block
transfers from Wine's timestamped trace; avrel: the drawing the X server
reports on the stage (DAMAGE); the page: the stage states it presents.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

import avrel_x
import measure_saver
import saver_session

HERE = os.path.dirname(os.path.abspath(__file__))
RUN_SECONDS = 100
PASS_S = 84.245
CLOSING_LOGO = (417, 29)  # the last logo of a pass, faded out before the next begins
STAGE = (640, 480)


def pass_change(frames):
    """From (time s, kind) draws of the stage, kind CLOSING_LOGO for a frame
    of a logo (or a black stage) and STAGE for any other: the gap (ms) from
    the closing logo's last frame to the second pass's first, and the gaps
    (ms) between the frames of that pass's first cross-fade."""
    if not frames:
        return None, []
    first = frames[0][0]
    change = next((i for i in range(len(frames) - 1)
                   if frames[i][1] == CLOSING_LOGO and frames[i + 1][1] == STAGE
                   and PASS_S - 3 < frames[i][0] - first < PASS_S + 5), None)
    if change is None:
        return None, []
    fade = [t for t, kind in frames[change + 1:] if kind == STAGE][:16]
    return (1000 * (frames[change + 1][0] - frames[change][0]),
            [1000 * (b - a) for a, b in zip(fade, fade[1:])])


def kind(width, height):
    return CLOSING_LOGO if width <= CLOSING_LOGO[0] and height <= CLOSING_LOGO[1] else STAGE


def wine_frames(args, program):
    with saver_session.measured_saver(args.prefix, args.arch, program) as session:
        trace = measure_saver.traced_run(session, RUN_SECONDS,
                                         os.path.dirname(os.path.abspath(args.prefix)))
    return [(t, kind(*size)) for t, size in measure_saver.render_blits(trace)]


def avrel_frames(args, program):
    """What the X server saw drawn on the stage of `avrel -root -scr`, as
    (time s, kind of the stage's changed box)."""
    xvfb = avrel_x.Xvfb(1024, 768, probe=args.probe)
    try:
        watch = subprocess.Popen([args.probe, "pushes", "192", "144", "640", "480",
                                  str(RUN_SECONDS)], env=xvfb.env, stdout=subprocess.PIPE,
                                 text=True)
        watch.stdout.readline()  # ready
        process = avrel_x.start_avrel(args.avrel, xvfb.env, "-root", "-scr", program)
        out, _ = watch.communicate(timeout=RUN_SECONDS + 30)
        avrel_x.end_process(process)
    finally:
        xvfb.stop()
    frames = []
    for line in out.splitlines():
        ms, left, top, right, bottom = map(int, line.split())
        frames.append((ms / 1000.0, kind(right - left, bottom - top)))
    return frames


def page_frames(args, program):
    """The stage states the page presents while it plays `program`, as
    (time s, kind): a black stage counts as the closing logo's last frame,
    since its fade ends there."""
    sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "web"))
    import web_page_test
    from browser import Browser
    import numpy as np
    black = web_page_test.region_hash(np.zeros((480, 640, 3), np.uint8))
    with Browser(1024, 768) as browser:
        page = web_page_test.open_page(browser, "file://" + os.path.abspath(args.page))
        page.wait_for("window.avrelNotes && avrelNotes.stage.length > 0", timeout=6)
        page.call("DOM.enable")
        chosen = page.evaluate("performance.now()")
        web_page_test.choose_file(page, os.path.abspath(program))
        time.sleep(RUN_SECONDS)
        notes = page.evaluate("avrelNotes.stage")
        page.call("Page.close")
    # the file starts the show anew
    return [(n["t"] / 1000.0, CLOSING_LOGO if n["h"] == black else STAGE) for n in notes
            if n["t"] > chosen]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("player", choices=["wine", "avrel", "page"])
    parser.add_argument("--program", action="append", required=True)
    parser.add_argument("--prefix")
    parser.add_argument("--arch", default="win64")
    parser.add_argument("--avrel")
    parser.add_argument("--probe")
    parser.add_argument("--page")
    args = parser.parse_args()
    frames_of = {"wine": wine_frames, "avrel": avrel_frames, "page": page_frames}[args.player]
    for program in args.program:
        gap, spacing = pass_change(frames_of(args, program))
        print(f"{args.player}: {os.path.basename(program)}")
        print("  closing logo's last frame to the second pass's first: %s ms"
              % ("(not seen)" if gap is None else "%.1f" % gap))
        if spacing:
            print("  the second pass's first cross-fade: %d frames, median spacing %.1f ms, "
                  "largest %.1f ms" % (len(spacing) + 1, statistics.median(spacing),
                                       max(spacing)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
