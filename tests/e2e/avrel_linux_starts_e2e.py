#!/usr/bin/python3
"""Every start of the Linux program shows the show: avrel_linux_starts_e2e.py
--program avrel --probe avrel_x_probe --reference DIR --workdir DIR [--starts N].

40 starts of `avrel -root` in a row on one Xvfb (1024 x 768), each a new
process, while full-screen grabs every 0.12 s keep the X server busy: in each
the stage shows picture 1000, pixel-exact, within 2 s of the start, and
SIGTERM ends it with status 0. Before each start the root window is exposed
afresh, so a picture left by the start before cannot pass for this one's.
Uses avrel_linux_e2e.py's scenario helpers and ends only what it started.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import time

from avrel_e2e import Checks
from avrel_linux_e2e import FIRST_PICTURE_LIMIT, STRIP, Scenario
from starts_e2e import BusyServer

STARTS = 40
ORIGIN = (192, 144)  # the stage on a 1024 x 768 root window


def expose_root(s, xvfb):
    """Covers the whole screen with a window and takes it away again, so the
    server repaints the root window's own background."""
    s.window(xvfb, "1024x768+0+0")
    helper = s.started.pop()
    helper.stdin.close()
    helper.wait(10)


def one_start(s, xvfb, number, expected):
    what = f"start {number}"
    expose_root(s, xvfb)
    box = (ORIGIN[0], ORIGIN[1], ORIGIN[0] + STRIP, ORIGIN[1] + 480)
    if not s.checks.expect(xvfb.screenshot(box).tobytes() != expected,
                           f"{what}: no picture 1000 on the screen before the start",
                           "the last start's picture still there"):
        return False
    started = time.monotonic()
    process = s.avrel(xvfb, "-root")
    shown = s.wait_for_picture(xvfb, process, ORIGIN, started=started,
                               what=f"{what}: picture 1000")
    process.send_signal(signal.SIGTERM)
    try:
        code = process.wait(5)
    except subprocess.TimeoutExpired:
        code = None
    s.started.remove(process)
    if code is None:
        process.kill()
        process.wait()
    s.checks.expect(code == 0, f"{what}: exit 0 after SIGTERM", f"{code}")
    s.checks.note(f"{what}: " + (f"picture 1000 after {shown:.2f} s" if shown is not None
                                 else "no picture 1000") + f", exit {code}")
    return shown is not None and code == 0


def busy_starts(s):
    xvfb = s.server(1024, 768)
    expected = s.expected_strip()
    busy = BusyServer(xvfb.env)
    good = 0
    started = time.monotonic()
    try:
        for number in range(1, s.args.starts + 1):
            good += one_start(s, xvfb, number, expected)
    finally:
        busy.stop()
    s.checks.note(f"good starts: {good} of {s.args.starts} (picture 1000 within "
                  f"{FIRST_PICTURE_LIMIT} s; {busy.grabs} busy grabs, "
                  f"{time.monotonic() - started:.0f} s)")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--reference", required=True)
    parser.add_argument("--workdir", required=True)
    parser.add_argument("--starts", type=int, default=STARTS)
    args = parser.parse_args()
    os.makedirs(args.workdir, exist_ok=True)
    if shutil.which("Xvfb") is None or shutil.which("xwd") is None:
        print("Xvfb and xwd are needed (tools/build/setup.sh installs them)")
        return 1
    checks = Checks("busy_starts")
    scenario = Scenario(args, checks)
    try:
        busy_starts(scenario)
    finally:
        scenario.close()
    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
