"""What the end-to-end scripts share: checks that say what was expected and
what came, a busy X server, the Wine scenario runner, and the one `main`
every script runs its scenarios through."""
import argparse
import contextlib
import fcntl
import os
import subprocess
import threading
import time

import saver_session
import stage_geometry
from PIL import Image
from saver_session import WINDOW_NAME

SCREEN = (1024, 768)
# The saver's client is the whole screen: the stage centred, the corner logo
# just beyond its lower-right corner.
STAGE, LOGO = stage_geometry.boxes_in(SCREEN)
CLOSE_LIMIT = 1.0  # seconds from input to the end of the process
START_LIMIT = 60.0
GRAB_PERIOD = 0.12  # s between full-screen grabs of a busy server
SKIP = 77  # CTest's SKIP_RETURN_CODE


class Checks:
    def __init__(self, name):
        self.name = name
        self.failures = []

    def expect(self, condition, expected, got):
        if not condition:
            self.failures.append(f"expected {expected}, got {got}")
            print(f"FAIL: expected {expected}, got {got}", flush=True)
        return condition

    def note(self, text):
        print(text, flush=True)

    def finish(self):
        if self.failures:
            print(f"{self.name}: {len(self.failures)} check(s) failed", flush=True)
            return 1
        print(f"{self.name}: all checks held", flush=True)
        return 0


class BusyServer:
    """Grabs the whole screen every GRAB_PERIOD s on a thread of its own,
    as a screen recorder would, until stopped."""

    def __init__(self, env):
        self.env = env
        self.grabs = 0
        self.stopping = threading.Event()
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        while not self.stopping.is_set():
            subprocess.run(["xwd", "-root", "-silent"], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
            self.grabs += 1
            self.stopping.wait(GRAB_PERIOD)

    def stop(self):
        self.stopping.set()
        self.thread.join(60)


def scenarios_of(namespace):
    """A script's scenario_NAME functions, by NAME."""
    return {name[len("scenario_"):]: fn for name, fn in namespace.items()
            if name.startswith("scenario_")}


def main(scenarios, add_arguments, run):
    """Parses SCENARIO and the script's own arguments, then returns
    run(scenario function, args) as the exit status."""
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(scenarios))
    add_arguments(parser)
    args = parser.parse_args()
    return run(scenarios[args.scenario], args)


def watch_moments(checks, moments, screenshot, stage, process):
    """Waits for each of `moments` in turn ({"what", "box": [x, y, w, h] on
    the stage, "reference": a 640 x 480 stage PNG, "limit": s from now})
    until screenshot(box) shows that part of the stage at `stage` (its
    top-left screen point) pixel for pixel as the reference has it, while
    `process` runs; a check for each."""
    started = time.monotonic()
    for moment in moments:
        x, y, w, h = moment["box"]
        with Image.open(moment["reference"]) as im:
            expected = im.convert("RGB").crop((x, y, x + w, y + h)).tobytes()
        box = (stage[0] + x, stage[1] + y, stage[0] + x + w, stage[1] + y + h)
        seen = None
        while time.monotonic() - started < moment["limit"] and process.poll() is None:
            if screenshot(box).tobytes() == expected:
                seen = time.monotonic() - started
                break
            time.sleep(0.1)
        checks.expect(seen is not None, f"{moment['what']}, pixel for pixel",
                      f"no match within {moment['limit']} s")
        if seen is not None:
            checks.note(f"{moment['what']}: seen {seen:.1f} s after the start")


def wine_arguments(parser):
    """The arguments of every script that runs Avrel.scr under Wine."""
    parser.add_argument("--program", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--arch", default="win32")


def start_saver(session, checks, *args):
    """Starts Avrel.scr with `args` and waits for its window."""
    process = session.start(session.program, *args)
    window = session.wait_for_window(timeout=START_LIMIT, process=process)
    checks.expect(window is not None, f"a window named \"{WINDOW_NAME}\" for {args}",
                  f"none (process {'ended' if process.poll() is not None else 'running'})")
    return process, window


@contextlib.contextmanager
def prefix_lock(prefix):
    """One scenario at a time per prefix, whoever runs it."""
    with open(prefix + ".e2e.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        yield


def run_wine_scenario(scenario, args, states_keeper=None):
    """Runs `scenario` (session, checks, args) on a private Xvfb with a Wine
    server of its own; its exit status. Without `states_keeper` Wine runs
    unmanaged, as suits the tests' bare X server. With it (avrel_x_probe)
    Wine runs managed, as in a fresh prefix, and the probe keeps the
    windows' WM_STATE as a window manager would: Wine waits for that when
    a managed window opens and closes."""
    args.program = os.path.abspath(args.program)
    args.workdir = os.path.dirname(os.path.abspath(args.prefix))
    os.makedirs(args.workdir, exist_ok=True)
    checks = Checks(args.scenario)
    with prefix_lock(args.prefix):
        xvfb = saver_session.Xvfb(*SCREEN)
        session = keeper = None
        try:
            session = saver_session.WineSession(args.prefix, args.arch, xvfb.display,
                                                unmanaged=states_keeper is None)
            session.program = args.program
            if states_keeper is not None:
                keeper = subprocess.Popen([states_keeper, "states"], env=session.env,
                                          stdin=subprocess.PIPE, stdout=subprocess.PIPE)
                if keeper.stdout.readline() != b"watching\n":
                    raise RuntimeError(f"{states_keeper} states did not start")
            scenario(session, checks, args)
        finally:
            if keeper is not None:
                keeper.stdin.close()
                keeper.wait(10)
            if session is not None:
                session.close()
            xvfb.stop()
    return checks.finish()
