#!/usr/bin/python3
"""End-to-end tests of Avrel.scr under Wine: avrel_e2e.py SCENARIO --program
Avrel.scr --probe avrel_sheet_probe.exe --prefix WINEPREFIX --arch win32|win64
--reference DIR. Each scenario starts its own Xvfb (1024 x 768, 24-bit) and
Wine server, bounds every wait, and ends only the processes it started.
Exit status 0 when every check held; each failed check prints what was
expected and what came.
"""
import json
import os
import subprocess
import sys
import time

import e2e_support
from e2e_support import CLOSE_LIMIT, LOGO, SCREEN, STAGE, START_LIMIT, start_saver
from saver_session import WINDOW_NAME, palette_colours, wait_exit
from stage_geometry import CORNER_LOGO_SIZE, STAGE_SIZE

from PIL import Image


def close_by(session, checks, process, action, what):
    """Runs the input `action` and expects the saver to end with 0 in time."""
    start = time.monotonic()
    action()
    code, _ = wait_exit(process, 15)
    elapsed = time.monotonic() - start
    checks.expect(code == 0, f"exit code 0 after {what}",
                  "still running after 15 s" if code is None else f"exit code {code}")
    checks.expect(code is not None and elapsed <= CLOSE_LIMIT,
                  f"end within {CLOSE_LIMIT:.1f} s of {what}", f"{elapsed:.3f} s")
    checks.note(f"{what}: process ended {elapsed:.3f} s after the input")


def press_key(session):
    return lambda: session.xdotool("key", "a")


def scenario_saver_screen(session, checks, args):
    session.xdotool("mousemove", "1000", "10")
    process, window = start_saver(session, checks, "/s")
    if window is None:
        return
    geometry = session.xdotool("getwindowgeometry", str(window))
    checks.expect("Position: 0,0" in geometry and "Geometry: 1024x768" in geometry,
                  "window at 0,0 of size 1024x768", geometry.replace("\n", " ").strip())

    palette = palette_colours(args.palette)
    reference = Image.open(os.path.join(args.reference, "1000.bmp")).convert("RGB")
    # Stage columns 0-50 keep picture 1000 for the whole first chapter.
    expected_strip = reference.crop((0, 0, 51, STAGE_SIZE[1])).tobytes()
    strip_box = (STAGE[0], STAGE[1], STAGE[0] + 51, STAGE[3])
    shot, appeared = None, None
    started = time.monotonic()
    while time.monotonic() - started < 30:
        shot = session.screenshot()
        if shot.crop(strip_box).tobytes() == expected_strip:
            appeared = time.monotonic() - started
            break
        time.sleep(0.2)
    checks.expect(appeared is not None, "picture 1000 at stage (0, 0), pixel for pixel",
                  "no match within 30 s")
    if appeared is not None:
        checks.note(f"first picture complete {appeared:.2f} s after the window appeared")
    shot.save(os.path.join(args.workdir, "e2e_saver_screen.png"))

    stage_colours = set(shot.crop(STAGE).getdata())
    foreign = stage_colours - palette
    checks.expect(not foreign, "only show-palette colours on the stage",
                  f"{len(foreign)} other colours, e.g. {sorted(foreign)[:3]}")
    outside = [(x, y) for (x, y) in _outside_points() if shot.getpixel((x, y)) != (0, 0, 0)]
    checks.expect(not outside, "black everywhere outside the stage and the corner logo",
                  f"{len(outside)} non-black points, first {outside[:3]}")

    logos = []
    for _ in range(12):
        logos.append(session.screenshot(LOGO).tobytes())
        time.sleep(0.25)
    distinct = len(set(logos))
    checks.expect(distinct >= 2, "the corner logo to change over 3 s",
                  f"{distinct} distinct picture(s)")
    logo_colours = set()
    for raw in logos:
        logo_colours |= set(Image.frombytes("RGB", CORNER_LOGO_SIZE, raw).getdata())
    checks.expect(logo_colours - {(0, 0, 0)}, "light logo marks in the corner area",
                  "only black")
    checks.expect(not (logo_colours - palette), "only show-palette colours in the corner logo",
                  f"{len(logo_colours - palette)} other colours")
    close_by(session, checks, process, press_key(session), "a key press")


def scenario_saver_moments(session, checks, args):
    """The saver shows, in turn, each stage area of --moments (a JSON list
    of {"what", "box": [x, y, w, h], "reference": a 640 x 480 stage PNG,
    "limit": s}) pixel for pixel as the reference has it, each within its
    limit of seconds from the window's appearing."""
    with open(args.moments) as f:
        moments = json.load(f)
    session.xdotool("mousemove", "1000", "10")
    process, window = start_saver(session, checks, "/s")
    if window is None:
        return
    e2e_support.watch_moments(checks, moments, session.screenshot, STAGE, process)
    close_by(session, checks, process, press_key(session), "a key press")


def _outside_points():
    """Every point outside the stage and the logo area, on a 4-pixel grid
    plus the lines right next to the stage's edges."""
    points = set()
    for y in range(0, SCREEN[1], 4):
        for x in range(0, SCREEN[0], 4):
            points.add((x, y))
    for x in range(STAGE[0] - 1, STAGE[2] + 1):
        points.add((x, STAGE[1] - 1))
        points.add((x, STAGE[3]))
    for y in range(STAGE[1], STAGE[3]):
        points.add((STAGE[0] - 1, y))
        points.add((STAGE[2], y))

    def inside(box, p):
        return box[0] <= p[0] < box[2] and box[1] <= p[1] < box[3]

    return sorted(p for p in points if not inside(STAGE, p) and not inside(LOGO, p))


def start_settled(session, checks, still_running=None):
    """Parks the pointer (the window's first mouse report is where it rests),
    starts the saver with /s and gives it 2 s, then checks that it runs, as
    `still_running` says, if given; its process, or None when no window
    came."""
    session.xdotool("mousemove", "600", "400")
    process, window = start_saver(session, checks, "/s")
    if window is None:
        return None
    time.sleep(2)
    if still_running:
        checks.expect(process.poll() is None, still_running, f"exit code {process.poll()}")
    return process


def scenario_key_closes(session, checks, args):
    process = start_settled(session, checks, "the saver still running before any input")
    if process is None:
        return
    close_by(session, checks, process, press_key(session), "a key press")


def scenario_mouse_closes(session, checks, args):
    process = start_settled(session, checks)
    if process is None:
        return
    session.xdotool("mousemove", "600", "400")
    time.sleep(0.5)
    checks.expect(process.poll() is None, "the first mouse position not to close the saver",
                  f"exit code {process.poll()}")
    close_by(session, checks, process, lambda: session.xdotool("mousemove", "601", "400"),
             "a one-pixel mouse move")


def scenario_single_instance(session, checks, args):
    session.xdotool("mousemove", "600", "400")
    first, window = start_saver(session, checks, "/s")
    if window is None:
        return
    for switches in (["/s"], ["/c"], []):
        started = time.monotonic()
        second = session.start(session.program, *switches)
        code, _ = wait_exit(second, 30)
        taken = time.monotonic() - started
        checks.expect(code == 0, f"second instance {switches} to end with 0",
                      "still running after 30 s" if code is None else f"exit code {code}")
        checks.note(f"second instance {switches} ended after {taken:.2f} s")
        checks.expect(len(session.windows_named()) == 1,
                      f"one window named \"{WINDOW_NAME}\" after second instance {switches}",
                      f"{len(session.windows_named())}")
    checks.expect(first.poll() is None, "the first saver still running", "it ended")
    close_by(session, checks, first, press_key(session), "a key press")


def scenario_declined_modes(session, checks, args):
    for switches in (["/p", "1234"], ["-P"], ["/a"], ["x"], ["/"]):
        trace = os.path.join(args.workdir, "declined.trace")
        with open(trace, "wb") as sink:
            env = dict(session.env, WINEDEBUG="trace+win")
            process = subprocess.Popen([session.loader, session.program, *switches], env=env,
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=sink)
            session.started.append(process)
            code, taken = wait_exit(process, 30)
        checks.expect(code == 0, f"{switches} to end with 0",
                      "still running after 30 s" if code is None else f"exit code {code}")
        checks.note(f"{switches} ended after {taken:.2f} s")
        text = open(trace, "rb").read().decode("utf-8", "replace")
        # The saver window by its name, any dialog (the sheet) by its class
        # atom, which Wine's trace shows as #8002 (#32770).
        created = [line for line in text.splitlines() if "WIN_CreateWindowEx" in line
                   and any(mark in line for mark in ("Veltrona", "#8002", "#32770"))]
        checks.expect("trace:win:" in text, "Wine's window trace to be readable", "no trace")
        checks.expect(not created, f"no saver window or sheet for {switches}",
                      created[0][:120] if created else "")


def scenario_config_sheet(session, checks, args):
    for switches in (["/c"], ["-C:1234"], []):
        process = session.start(session.program, *switches)
        probe = session.run([args.probe, "60"], timeout=120)
        facts = dict(line.split("=", 1) for line in
                     probe.stdout.decode("utf-8", "replace").replace("\r", "").splitlines()
                     if "=" in line)
        what = f"the sheet of {switches}"
        checks.expect(facts.get("sheet") == "found", f"{what} to appear", facts.get("sheet"))
        checks.expect(facts.get("title") == WINDOW_NAME, f"{what} titled \"{WINDOW_NAME}\"",
                      repr(facts.get("title")))
        checks.expect(facts.get("tabs") == "2", f"{what} with About and Preferences tabs",
                      f"{facts.get('tabs')} tabs")
        checks.expect(facts.get("selected") == "0" and facts.get("about") == "1"
                      and facts.get("checkbox") == "0", f"{what} open on the About page",
                      f"tab {facts.get('selected')}, about text {facts.get('about')}, "
                      f"check box {facts.get('checkbox')}")
        checks.expect(facts.get("apply") == "0", f"{what} without an Apply button",
                      f"apply shown: {facts.get('apply')}")
        sheets = session.windows_named()
        if sheets:
            session.xdotool("windowfocus", "--sync", str(sheets[0]))
        close_by(session, checks, process, lambda: session.xdotool("key", "Escape"),
                 f"Escape on {what}")


def covers_screen_and_draws(session, checks, window, what):
    """The saver window over the whole screen, with the show on its stage."""
    geometry = session.xdotool("getwindowgeometry", str(window))
    checks.expect("Position: 0,0" in geometry and "Geometry: 1024x768" in geometry,
                  f"{what}: window at 0,0 of size 1024x768", geometry.replace("\n", " ").strip())
    drawn, trouble = False, "a black stage for 20 s"
    started = time.monotonic()
    while not drawn and time.monotonic() - started < 20:
        try:
            drawn = session.screenshot(STAGE).getbbox() is not None
        except ValueError as error:  # the screen as a whole could not be read
            trouble = f"no screenshot: {error}"
            break
        time.sleep(0.2)
    checks.expect(drawn, f"{what}: the show on the stage", trouble)


def scenario_minimised_start(session, checks, args):
    # A shortcut set to run minimised, or `start /min`, asks for a minimised
    # window; the saver shows itself normally all the same.
    session.xdotool("mousemove", "600", "400")
    process = subprocess.Popen([session.loader, "start", "/wait", "/min", "/unix",
                                os.path.abspath(session.program), "/s"], env=session.env,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    session.started.append(process)
    window = session.wait_for_window(timeout=START_LIMIT, process=process)
    checks.expect(window is not None, "a saver window after start /min", "none")
    if window is None:
        return
    covers_screen_and_draws(session, checks, window, "start /min")
    close_by(session, checks, process, press_key(session), "a key press after start /min")


def scenario_deactivation_closes(session, checks, args):
    process = start_settled(session, checks, "the saver's own start-up not to close it")
    if process is None:
        return

    # Another program taking the activation, as Alt+Tab would.
    launched = time.monotonic()
    other = subprocess.Popen([session.loader, "notepad"], env=session.env,
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    session.started.append(other)
    shown = ended = None
    while time.monotonic() - launched < 30 and (shown is None or ended is None):
        if shown is None and session.windows_named("Untitled - Notepad"):
            shown = time.monotonic() - launched
        if ended is None and process.poll() is not None:
            ended = time.monotonic() - launched
        time.sleep(0.02)
    code = process.poll()
    checks.expect(code == 0, "exit code 0 after another program took the activation",
                  "still running 30 s after notepad started" if code is None
                  else f"exit code {code}")
    checks.expect(shown is not None, "notepad's window", "none within 30 s")
    if shown is not None and ended is not None:
        checks.note(f"deactivation: notepad's window seen {shown:.3f} s after its start, "
                    f"the saver ended at {ended:.3f} s ({ended - shown:+.3f} s)")


def add_arguments(parser):
    e2e_support.wine_arguments(parser)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--reference", required=True)
    parser.add_argument("--palette", help="the program's palette.bin (default: the shipped one)")
    parser.add_argument("--moments", help="saver_moments: the JSON list of what to see")


if __name__ == "__main__":
    sys.exit(e2e_support.main(e2e_support.scenarios_of(globals()), add_arguments,
                              e2e_support.run_wine_scenario))
