#!/usr/bin/python3
"""Every start of Avrel.scr /s shows the show, and keeps showing it:
starts_e2e.py SCENARIO --program Avrel.scr --prefix WINEPREFIX --arch
win32|win64 --reference DIR --x-probe avrel_x_probe [--render avrel-render].

  busy_starts  40 starts of /s in a row, each a new process, while the X
               server is kept busy by full-screen grabs every 0.12 s (as a
               screen recorder would): each shows picture 1000 on the stage
               within 2.5 s of its window appearing and ends on a key with 0
  whole_pass   one start watched for a whole pass: every steady hold of the
               pass, as avrel-render draws it, appears on the stage in order

Start-up races under Wine show only in a share of starts, and only while
the X server is busy; one watched start passes them. Wine runs managed, as
in a fresh prefix, with avrel_x_probe keeping the windows' states as a
window manager would (without one, each close waits two seconds for it).
Like avrel_e2e.py, each scenario has its own Xvfb and
Wine server and ends only what it started.
"""
import hashlib
import os
import subprocess
import sys
import tempfile
import time

import e2e_support
from e2e_support import STAGE, BusyServer
from saver_session import wait_exit
from stage_geometry import STAGE_SIZE

from PIL import Image

STARTS = 40
PICTURE_LIMIT = 2.5  # s from the window appearing to picture 1000 complete
STRIP = 51  # stage columns 0-50 keep picture 1000 for the whole first chapter
PASS_MS = 84245  # one pass of the show
HOLD_MS = 300  # a stage that stays the same this long is a steady hold
SAMPLE_MS = 120  # between looks at the stage, each a few milliseconds
RENDER_PERIOD = 100  # ms between avrel-render's screenshots of the pass


def expected_strip(args):
    picture = Image.open(os.path.join(args.reference, "1000.bmp")).convert("RGB")
    return picture.crop((0, 0, STRIP, STAGE_SIZE[1])).tobytes()


def one_start(session, checks, number, strip, box):
    """One start of /s; True when its own window came, picture 1000 was on
    the stage in time and a key ended it with 0."""
    what = f"start {number}"
    process = session.start(session.program, "/s")
    window = session.wait_for_window(timeout=60, process=process)
    if not checks.expect(window is not None, f"{what}: a saver window of its own",
                         f"none (process {'ended' if process.poll() is not None else 'running'})"):
        wait_exit(process, 15)
        return False
    appeared = time.monotonic()
    shown = None
    while shown is None and time.monotonic() - appeared <= PICTURE_LIMIT:
        if session.screenshot(box).tobytes() == strip:
            shown = time.monotonic() - appeared
        else:
            time.sleep(0.05)
    checks.expect(shown is not None,
                  f"{what}: picture 1000 on the stage within {PICTURE_LIMIT} s of the window",
                  "no pixel-exact match")
    checks.expect(process.poll() is None, f"{what}: the saver running before the key",
                  f"exit code {process.poll()}")
    session.xdotool("key", "a")
    code, closing = wait_exit(process, 15)
    checks.expect(code == 0, f"{what}: exit code 0 after a key",
                  "still running after 15 s" if code is None else f"exit code {code}")
    good = shown is not None and code == 0
    checks.note(f"{what}: " + (f"picture 1000 after {shown:.2f} s" if shown is not None
                               else "no picture 1000") + f", exit {code} {closing:.2f} s "
                f"after the key")
    return good


def scenario_busy_starts(session, checks, args):
    strip = expected_strip(args)
    box = (STAGE[0], STAGE[1], STAGE[0] + STRIP, STAGE[3])
    # Parked: the window's first mouse report is where the pointer rests.
    session.xdotool("mousemove", "600", "400")
    busy = BusyServer(session.env)
    good = 0
    started = time.monotonic()
    try:
        for number in range(1, args.starts + 1):
            good += one_start(session, checks, number, strip, box)
    finally:
        busy.stop()
    checks.note(f"good starts: {good} of {args.starts} ({busy.grabs} busy grabs, "
                f"{time.monotonic() - started:.0f} s)")


def start_render(args, work):
    """avrel-render drawing one pass with a screenshot every RENDER_PERIOD
    ms, in the background; its Popen."""
    return subprocess.Popen([args.render, "show", "--out", os.path.join(work, "pass"), "--size",
                             "640x480", "--every", str(RENDER_PERIOD), "--to", str(PASS_MS)],
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)


def rendered_holds(work):
    """The stage images the pass holds still for HOLD_MS or longer, in
    order, as avrel-render drew them; neighbours that are equal count once."""
    out = os.path.join(work, "pass")
    shots = sorted(name for name in os.listdir(out) if name.startswith("screen-"))
    runs = []  # [digest, first ms, last ms, image]
    for name in shots:
        ms = int(name[len("screen-"):-len(".png")])
        image = Image.open(os.path.join(out, name)).convert("RGB")
        digest = hashlib.sha1(image.tobytes()).hexdigest()
        if runs and runs[-1][0] == digest:
            runs[-1][2] = ms
        else:
            runs.append([digest, ms, ms, image])
    holds = []
    for digest, first, last, image in runs:
        if last - first >= HOLD_MS and (not holds or holds[-1]["digest"] != digest):
            holds.append({"digest": digest, "from": first, "to": last, "image": image})
    return holds


def scenario_whole_pass(session, checks, args):
    with tempfile.TemporaryDirectory(prefix="avrel-pass-", dir=args.workdir) as work:
        # The reference pass is drawn while the saver plays: both take a pass.
        render = start_render(args, work)
        try:
            session.xdotool("mousemove", "600", "400")
            process = session.start(session.program, "/s")
            window = session.wait_for_window(timeout=60, process=process)
            if not checks.expect(window is not None, "a saver window", "none"):
                return
            # Every change of the stage, in order, for a pass and a margin:
            # a look every SAMPLE_MS sees each hold at least once, where
            # looking without a pause kept a core busy for the whole pass.
            seen = []
            appeared = time.monotonic()
            while time.monotonic() - appeared < PASS_MS / 1000 + 3 and process.poll() is None:
                looked = time.monotonic()
                digest = hashlib.sha1(session.screenshot(STAGE).tobytes()).hexdigest()
                if not seen or seen[-1] != digest:
                    seen.append(digest)
                time.sleep(max(0.0, SAMPLE_MS / 1000 - (time.monotonic() - looked)))
            checks.expect(process.poll() is None, "the saver running after a whole pass",
                          f"exit code {process.poll()}")
            session.xdotool("key", "a")
            code, _ = wait_exit(process, 15)
            checks.expect(code == 0, "exit code 0 after a key",
                          "still running after 15 s" if code is None else f"exit code {code}")
            rendered = render.wait(300) == 0
        finally:
            if render.poll() is None:
                render.kill()
                render.wait()
        if not checks.expect(rendered, "avrel-render to draw the pass", "it failed"):
            return
        holds = rendered_holds(work)
        checks.expect(len(holds) >= 15, "at least 15 steady holds in a pass", f"{len(holds)}")
        # The holds as a subsequence of what the stage showed.
        at, found = 0, 0
        for hold in holds:
            while at < len(seen) and seen[at] != hold["digest"]:
                at += 1
            if at == len(seen):
                break
            found += 1
        missing = holds[found] if found < len(holds) else None
        if missing is not None:
            missing["image"].save(os.path.join(args.workdir, "whole_pass_missing_hold.png"))
        checks.expect(found == len(holds), f"all {len(holds)} holds of the pass in order",
                      f"{found}; the next, held from {missing['from'] if missing else 0} ms of "
                      "the pass on, never came")
        checks.note(f"whole pass: {found} of {len(holds)} holds seen in order among "
                    f"{len(seen)} stage changes")


def add_arguments(parser):
    e2e_support.wine_arguments(parser)
    parser.add_argument("--reference", required=True)
    parser.add_argument("--render", help="avrel-render of the native build (whole_pass)")
    parser.add_argument("--starts", type=int, default=STARTS)
    parser.add_argument("--x-probe", required=True,
                        help="avrel_x_probe of the native build, which keeps window states")


def run(scenario, args):
    if args.scenario == "whole_pass" and not (args.render and os.access(args.render, os.X_OK)):
        print(f"whole_pass: avrel-render is not built ({args.render}): make native")
        return 1
    # Managed, as in a fresh prefix: Wine then talks more to the X server
    # while it shows the window, which is when the start-up race bit.
    return e2e_support.run_wine_scenario(scenario, args, states_keeper=args.x_probe)


if __name__ == "__main__":
    sys.exit(e2e_support.main(e2e_support.scenarios_of(globals()), add_arguments, run))
