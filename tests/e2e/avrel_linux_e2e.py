#!/usr/bin/python3
"""End-to-end tests of the Linux program avrel on private Xvfb servers:
avrel_linux_e2e.py SCENARIO --program avrel --probe avrel_x_probe
--reference DIR --workdir DIR. Each scenario starts its own X server(s),
bounds every wait, and ends only the processes it started. Exit status 0
when every check held; each failed check prints what was expected and what
came.
"""
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from PIL import Image

import avrel_x
import custom_passes_test
import sample_photos
from avrel_x import Xvfb, end_process, stage_offsets, start_avrel
import e2e_support
from e2e_support import STAGE, BusyServer, Checks
from saver_session import palette_colours
import stage_geometry
from stage_geometry import CORNER_LOGO_SIZE, STAGE_SIZE

FIRST_PICTURE_LIMIT = 2.0  # s from start to picture 1000 complete on the stage
END_LIMIT = 0.100  # s from a signal to the end of the process
STRIP = 51  # stage columns 0-50 keep picture 1000 for the whole first chapter
ORIGIN = STAGE[:2]  # the stage on a 1024 x 768 window


class Scenario:
    def __init__(self, args, checks):
        self.args = args
        self.checks = checks
        self.started = []  # processes to end whatever happens
        self.servers = []
        self.cleanup = []  # folders and the like to remove at the end
        picture = avrel_x.reference_picture(args.reference, 1000)
        self.picture = picture
        strip = avrel_x.reference_picture(args.reference, 9000)
        width, height = CORNER_LOGO_SIZE
        self.logo_frames = [strip.crop((0, height * k, width, height * (k + 1))).tobytes()
                            for k in range(41)]

    def server(self, *args, **kwargs):
        xvfb = Xvfb(*args, probe=self.args.probe, **kwargs)
        self.servers.append(xvfb)
        return xvfb

    def avrel(self, xvfb, *args, env=None):
        process = start_avrel(self.args.program, env or xvfb.env, *args)
        self.started.append(process)
        return process

    def window(self, xvfb, geometry):
        """A helper window of that geometry; returns its id as text."""
        helper = subprocess.Popen([self.args.probe, "window", geometry], env=xvfb.env,
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.started.append(helper)
        line = helper.stdout.readline().decode().strip()
        self.checks.expect(line.startswith("0x"), "a helper window id", repr(line))
        return line

    def close_servers(self):
        self.end_started()
        for xvfb in self.servers:
            xvfb.stop()
        self.servers = []

    def end_started(self):
        for process in self.started:
            if process.stdin:
                process.stdin.close()
            end_process(process)
        self.started = []

    def close(self):
        self.close_servers()
        for step in reversed(self.cleanup):
            step()

    def expected_strip(self, scale=1, depth=24):
        strip = self.picture.crop((0, 0, STRIP, STAGE_SIZE[1]))
        if depth == 16:
            strip.putdata([avrel_x.to_565(c) for c in strip.getdata()])
        if scale != 1:
            strip = strip.resize((STRIP * scale, STAGE_SIZE[1] * scale), resample=0)
        return strip.tobytes()

    def wait_for_picture(self, xvfb, process, origin, scale=1, depth=24, limit=FIRST_PICTURE_LIMIT,
                         started=None, what="picture 1000"):
        """Waits until stage columns 0-50 show picture 1000 at `origin`
        (screen coordinates); returns the seconds since `started` or None."""
        started = started if started is not None else time.monotonic()
        box = (origin[0], origin[1], origin[0] + STRIP * scale, origin[1] + STAGE_SIZE[1] * scale)
        expected = self.expected_strip(scale, depth)
        while True:
            if xvfb.screenshot(box).tobytes() == expected:
                return time.monotonic() - started
            if time.monotonic() - started > limit or process.poll() is not None:
                break
            time.sleep(0.03)
        self.checks.expect(False, f"{what} at {origin} (scale {scale}) within {limit} s",
                           "no pixel-exact match" if process.poll() is None
                           else f"avrel ended with {process.returncode}: "
                                f"{process.stderr.read().decode().strip()}")
        return None

    def end_by_signal(self, process, number=signal.SIGTERM):
        """Sends the signal; expects exit 0 within END_LIMIT and no message."""
        name = signal.Signals(number).name
        start = time.monotonic()
        process.send_signal(number)
        try:
            code = process.wait(5)
        except subprocess.TimeoutExpired:
            code = None
        elapsed = time.monotonic() - start
        message = process.stderr.read().decode().strip() if code is not None else ""
        self.checks.expect(code == 0, f"exit 0 after {name}", f"{code}")
        self.checks.expect(elapsed <= END_LIMIT, f"the end within {END_LIMIT * 1000:.0f} ms of "
                           f"{name}", f"{elapsed * 1000:.1f} ms")
        self.checks.expect(message == "", f"nothing on stderr after {name}", repr(message))
        self.checks.note(f"{name}: ended after {elapsed * 1000:.1f} ms with {code}")

    def stage_is_palette_only(self, xvfb, origin, depth=24):
        palette = palette_colours()
        if depth == 16:
            palette = {avrel_x.to_565(c) for c in palette}
        shot = xvfb.screenshot(stage_geometry.boxes_at(origin)[0])
        foreign = set(shot.getdata()) - palette
        self.checks.expect(not foreign, "only show-palette colours on the stage",
                           f"{len(foreign)} other colours, e.g. {sorted(foreign)[:3]}")

    def logo_shows_strip_frames(self, xvfb, origin):
        """The corner logo beyond the stage shows frames of the strip, and
        more than one over 1.5 s."""
        box = stage_geometry.boxes_at(origin)[1]
        seen, strangers = set(), 0
        for _ in range(15):
            raw = xvfb.screenshot(box).tobytes()
            if raw in self.logo_frames:
                seen.add(self.logo_frames.index(raw))
            else:
                strangers += 1
            time.sleep(0.1)
        self.checks.expect(strangers == 0, "every corner capture a frame of the strip",
                           f"{strangers} of 15 were not")
        self.checks.expect(len(seen) >= 2, "the corner logo to step through frames",
                           f"frames {sorted(seen)}")
        self.checks.note(f"corner logo frames seen: {sorted(seen)}")

    def black_outside(self, xvfb, area, stage_origin, scale=1):
        """Black at every point of `area` (screen box) outside the stage and
        the corner logo, on an 8-pixel grid."""
        shot = xvfb.screenshot()
        stage, logo = stage_geometry.boxes_at(stage_origin, scale)
        bad = []
        for y in range(area[1], area[3], 8):
            for x in range(area[0], area[2], 8):
                inside = any(b[0] <= x < b[2] and b[1] <= y < b[3] for b in (stage, logo))
                if not inside and shot.getpixel((x, y)) != (0, 0, 0):
                    bad.append((x, y))
        self.checks.expect(not bad, "black around the stage and the corner logo",
                           f"{len(bad)} other points, first {bad[:3]}")


def scenario_window_id(s):
    """avrel -window-id into a window the test makes, on a 24-bit screen."""
    xvfb = s.server(1024, 768)
    window = s.window(xvfb, "1024x768+0+0")
    started = time.monotonic()
    process = s.avrel(xvfb, "-window-id", window)
    origin = ORIGIN
    appeared = s.wait_for_picture(xvfb, process, origin, started=started)
    if appeared is None:
        return
    s.checks.note(f"picture 1000 complete {appeared:.3f} s after the start")
    s.stage_is_palette_only(xvfb, origin)
    s.logo_shows_strip_frames(xvfb, origin)
    s.black_outside(xvfb, (0, 0, 1024, 768), origin)
    s.end_by_signal(process)


def scenario_root_and_environment(s):
    """-root draws on the root window; XSCREENSAVER_WINDOW, with no target
    or with --root as xscreensaver gives it, draws into that window."""
    xvfb = s.server(1024, 768)
    process = s.avrel(xvfb, "-root")
    if s.wait_for_picture(xvfb, process, ORIGIN, what="-root: picture 1000") is not None:
        s.end_by_signal(process)
    end_process(process)

    window = s.window(xvfb, "800x600+100+50")
    origin = (100 + 80, 50 + 60)
    for args in ([], ["--root"]):
        env = dict(xvfb.env, XSCREENSAVER_WINDOW=window)
        process = s.avrel(xvfb, *args, env=env)
        what = f"XSCREENSAVER_WINDOW with {args or 'no option'}: picture 1000"
        if s.wait_for_picture(xvfb, process, origin, what=what) is not None:
            s.black_outside(xvfb, (100, 50, 900, 650), origin)
            s.end_by_signal(process)
        end_process(process)


def scenario_scale(s):
    """-scale 2 doubles the 1x picture exactly; auto picks 1 at 1920 x 1080
    and 2 at 2560 x 1440."""
    xvfb = s.server(1280, 960)
    window = s.window(xvfb, "1280x960+0+0")
    process = s.avrel(xvfb, "-window-id", window, "-scale", "2")
    if s.wait_for_picture(xvfb, process, (0, 0), scale=2, what="-scale 2: picture 1000"):
        shot = xvfb.screenshot((0, 0, 1280, 960))
        halved = shot.resize(STAGE_SIZE, resample=0)
        doubled = halved.resize((1280, 960), resample=0)
        s.checks.expect(doubled.tobytes() == shot.tobytes(),
                        "every stage pixel drawn as a 2 x 2 block", "blocks that differ")
        s.end_by_signal(process)
    end_process(process)
    s.close_servers()

    for size, scale in (((1920, 1080), 1), ((2560, 1440), 2)):
        xvfb = s.server(*size)
        process = s.avrel(xvfb, "-root")
        origin = stage_offsets(size, scale)
        what = f"auto scale at {size[0]} x {size[1]}: picture 1000"
        if s.wait_for_picture(xvfb, process, origin, scale=scale, what=what) is not None:
            s.checks.note(f"{size}: stage at {origin}, scale {scale}")
            s.black_outside(xvfb, (0, 0) + size, origin, scale)
            s.end_by_signal(process)
        end_process(process)
        s.close_servers()


def scenario_depth16(s):
    """A 16-bit screen: the same picture in the screen's 5-6-5 colours."""
    xvfb = s.server(1024, 768, depth=16)
    process = s.avrel(xvfb, "-root")
    if s.wait_for_picture(xvfb, process, ORIGIN, depth=16) is not None:
        s.stage_is_palette_only(xvfb, ORIGIN, depth=16)
        s.end_by_signal(process)


def own_window_id(xvfb, limit=5):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        out = subprocess.run(["xdotool", "search", "--name", "^Avrel$"], env=xvfb.env,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=10)
        ids = out.stdout.split()
        if ids:
            return ids[0].decode()
        time.sleep(0.05)
    return None


def start_in_own_window(s, xvfb):
    """avrel in a window of its own on a 1024 x 768 screen, showing picture
    1000; its process and window id, or None for both."""
    process = s.avrel(xvfb)
    window = own_window_id(xvfb)
    if not s.checks.expect(window is not None, "a window named Avrel", "none"):
        return None, None
    if s.wait_for_picture(xvfb, process, ORIGIN) is None:
        return None, None
    return process, window


def expect_end(s, process, what, limit=1.0):
    start = time.monotonic()
    try:
        code = process.wait(limit + 4)
    except subprocess.TimeoutExpired:
        code = None
    elapsed = time.monotonic() - start
    s.checks.expect(code == 0 and elapsed <= limit, f"exit 0 within {limit} s of {what}",
                    f"{code} after {elapsed:.3f} s")


def scenario_own_window(s):
    """A window of its own: the stage centred, laid out again when resized;
    q, Escape and the close button end it."""
    xvfb = s.server(1024, 768)
    process, window = start_in_own_window(s, xvfb)
    if process is None:
        return
    subprocess.run(["xdotool", "windowsize", window, "900", "700"], env=xvfb.env, timeout=10)
    # Laid out again for 900 x 700: the stage at (130, 110).
    if s.wait_for_picture(xvfb, process, (130, 110), limit=2,
                          what="after a resize to 900 x 700, the stage") is not None:
        s.black_outside(xvfb, (0, 0, 900, 700), (130, 110))
    subprocess.run(["xdotool", "mousemove", "400", "300"], env=xvfb.env, timeout=10)
    subprocess.run(["xdotool", "key", "q"], env=xvfb.env, timeout=10)
    expect_end(s, process, "q")

    process = s.avrel(xvfb, "-geometry", "800x600")
    window = own_window_id(xvfb)
    if s.wait_for_picture(xvfb, process, (80, 60), what="-geometry 800x600: picture") is not None:
        subprocess.run(["xdotool", "key", "Escape"], env=xvfb.env, timeout=10)
        expect_end(s, process, "Escape")
    end_process(process)

    process = s.avrel(xvfb, "--fullscreen")
    window = own_window_id(xvfb)
    if s.wait_for_picture(xvfb, process, ORIGIN, what="--fullscreen: picture") is not None:
        subprocess.run([s.args.probe, "close", window], env=xvfb.env, timeout=10)
        expect_end(s, process, "the close button")
    end_process(process)


def scenario_ending(s):
    """SIGTERM, SIGINT and SIGHUP each end it within 100 ms, status 0."""
    xvfb = s.server(1024, 768)
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        process = s.avrel(xvfb, "-root")
        if s.wait_for_picture(xvfb, process, ORIGIN) is not None:
            time.sleep(0.3)  # in the middle of the show, both threads drawing
            s.end_by_signal(process, number)
        end_process(process)


def resize(xvfb, window, size):
    subprocess.run(["xdotool", "windowsize", window, str(size[0]), str(size[1])], env=xvfb.env,
                   timeout=10, check=True)


def wait_for_layout(s, xvfb, process, size, scale, limit=2.0):
    """After a resize of the window at (0, 0) to `size`: waits for stage
    columns 0-50 (those inside the window) to show picture 1000 at the
    place and scale the rule gives. Until then every capture of that box
    must be plain (the server's clearing, or black): a picture of any other
    place or size is a stale or cropped frame. Returns the stage's place, or
    None."""
    place = stage_offsets(size, scale)
    left, top = max(place[0], 0), max(place[1], 0)
    right = min(place[0] + STRIP * scale, size[0])
    bottom = min(place[1] + STAGE_SIZE[1] * scale, size[1])
    if not s.checks.expect(left < right and top < bottom, f"stage columns 0-50 inside {size}",
                           f"the stage at {place}"):
        return None
    expected = s.picture.crop((0, 0, STRIP, STAGE_SIZE[1]))
    expected = expected.resize((STRIP * scale, STAGE_SIZE[1] * scale), resample=0)
    expected = expected.crop((left - place[0], top - place[1], right - place[0],
                              bottom - place[1])).tobytes()
    started, strange = time.monotonic(), 0
    while time.monotonic() - started < limit and process.poll() is None:
        shot = xvfb.screenshot((left, top, right, bottom))
        if shot.tobytes() == expected:
            s.checks.expect(strange == 0, f"no stale or cropped frame after the resize to {size}",
                            f"{strange} captures of another picture")
            s.checks.note(f"{size[0]} x {size[1]}: scale {scale}, stage at {place}, "
                          f"{time.monotonic() - started:.3f} s after the resize")
            return place
        if len(set(shot.getdata())) > 1:
            strange += 1
        time.sleep(0.02)
    s.checks.expect(False, f"picture 1000 at {place}, scale {scale}, within {limit} s of the "
                    f"resize to {size}", f"no pixel-exact match ({strange} other pictures)")
    return None


def scenario_follows_window(s):
    """A window resized through several sizes (larger, smaller than the
    stage, back): after each, the stage at the place and scale the rule
    gives at start, black around it, the corner logo beside it, and the
    same show going on (never restarted)."""
    xvfb = s.server(2560, 1440)
    window = s.window(xvfb, "1024x768+0+0")
    process = s.avrel(xvfb, "-window-id", window)
    if s.wait_for_picture(xvfb, process, ORIGIN) is None:
        return
    for size in ((1700, 1200), (600, 400), (2560, 1440), (1023, 767), (1024, 768)):
        resize(xvfb, window, size)
        scale = avrel_x.auto_scale(*size)
        place = wait_for_layout(s, xvfb, process, size, scale)
        if place is None:
            return
        s.black_outside(xvfb, (0, 0) + size, place, scale)
        logo = stage_geometry.boxes_at(place, scale)[1]
        if scale == 1 and logo[2] <= size[0] and logo[3] <= size[1]:
            # Whatever frame it is at (some hold for 2.2 s), a frame of the strip.
            raw = xvfb.screenshot(logo).tobytes()
            s.checks.expect(raw in s.logo_frames, f"a frame of the corner logo at {logo}",
                            "another picture")
    s.checks.expect(process.poll() is None, "the same avrel still running", process.poll())
    s.end_by_signal(process)


def scenario_transparent_window(s):
    """-window-id and XSCREENSAVER_WINDOW naming a 32-bit window with an
    alpha channel: every pixel avrel writes there is opaque, the black
    around the stage included, and the picture is the same."""
    small = s.server(1024, 768)
    large = s.server(2560, 1440)
    # The third at scale 2, where the server enlarges the stage.
    for how, xvfb, size, scale in (("-window-id", small, (1024, 768), 1),
                                   ("XSCREENSAVER_WINDOW", small, (1024, 768), 1),
                                   ("-window-id", large, (1700, 1200), 2)):
        helper = subprocess.Popen([s.args.probe, "argbwindow", f"{size[0]}x{size[1]}+0+0"],
                                  env=xvfb.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        s.started.append(helper)
        window = helper.stdout.readline().decode().strip()
        if not s.checks.expect(window.startswith("0x"), "a 32-bit window with alpha",
                               repr(window)):
            return
        if how == "-window-id":
            process = s.avrel(xvfb, "-window-id", window)
        else:
            process = s.avrel(xvfb, "-root", env=dict(xvfb.env, XSCREENSAVER_WINDOW=window))
        place = stage_offsets(size, scale)
        if s.wait_for_picture(xvfb, process, place, scale=scale,
                              what=f"{how} at scale {scale}: picture 1000") is None:
            return
        time.sleep(0.5)  # the corner logo drawn too
        out = subprocess.run([s.args.probe, "alpha", window], env=xvfb.env,
                             stdout=subprocess.PIPE, timeout=30).stdout.decode().split()
        s.checks.expect(len(out) >= 2 and out[0] == str(size[0] * size[1]) and out[1] == "0",
                        f"{how} at scale {scale}: all {size[0]} x {size[1]} pixels opaque",
                        f"{out[1] if len(out) > 1 else '?'} not opaque, first at "
                        f"{' '.join(out[2:])}")
        s.end_by_signal(process)
        end_process(process)
        helper.stdin.close()
        end_process(helper)


FLOODED_RUNS = 8


def scenario_signals_under_load(s):
    """SIGTERM ends it within 100 ms, status 0, while another client floods
    its window with Expose, ConfigureNotify and MotionNotify events, in each
    of several runs."""
    xvfb = s.server(1024, 768)
    for run in range(FLOODED_RUNS):
        process, window = start_in_own_window(s, xvfb)
        if process is None:
            return
        flood = subprocess.Popen([s.args.probe, "flood", window, "30"], env=xvfb.env,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        s.started.append(flood)
        s.checks.expect(flood.stdout.readline().strip() == b"flooding", "the flood to start",
                        "nothing")
        time.sleep(0.5)  # the queue full, the presenter busy with it
        s.end_by_signal(process)
        end_process(process)
        end_process(flood)


def expect_refusal(s, env, args, what, wanted):
    process = start_avrel(s.args.program, env, *args)
    s.started.append(process)
    try:
        out, err = process.communicate(timeout=10)
    except subprocess.TimeoutExpired:
        s.checks.expect(False, f"{what}: an end within 10 s", "still running")
        return
    lines = err.decode().strip().splitlines()
    s.checks.expect(process.returncode == 1, f"{what}: exit 1", process.returncode)
    s.checks.expect(len(lines) == 1 and lines[0].startswith("avrel: "),
                    f"{what}: one line on stderr", repr(err.decode()))
    s.checks.expect(wanted in err.decode(), f"{what}: a message naming '{wanted}'",
                    repr(err.decode()))
    s.checks.note(f"{what}: {err.decode().strip()}")


def scenario_bad_input(s):
    """Bad input: exit 1 and one line on stderr."""
    xvfb = s.server(1024, 768)
    expect_refusal(s, xvfb.env, ["-window-id", "0x7ffff0"], "a window that does not exist",
                   "0x7ffff0")
    expect_refusal(s, xvfb.env, ["--frobnicate"], "an unknown option", "--frobnicate")
    expect_refusal(s, xvfb.env, ["-scale", "2x"], "a malformed scale", "2x")
    expect_refusal(s, xvfb.env, ["-geometry", "800by600"], "a malformed size", "800by600")
    no_display = dict(xvfb.env)
    no_display.pop("DISPLAY")
    expect_refusal(s, no_display, [], "no DISPLAY", "DISPLAY")
    expect_refusal(s, xvfb.env, ["-display", ":9999"], "a display that is not there", ":9999")
    expect_refusal(s, dict(xvfb.env, XSCREENSAVER_WINDOW="garbage"), [],
                   "a malformed XSCREENSAVER_WINDOW", "garbage")
    expect_refusal(s, xvfb.env, ["-scr", "/nonexistent/Avrel.scr"], "a missing program file",
                   "/nonexistent/Avrel.scr")
    expect_refusal(s, xvfb.env, ["-scr", os.path.abspath(__file__)], "a file that is no program",
                   "avrel_linux_e2e.py")
    eight = s.server(1024, 768, depth=8)
    expect_refusal(s, eight.env, ["-root"], "an 8-bit PseudoColor screen", "PseudoColor")
    # --help and --version are not errors.
    for flag, wanted in (("--help", "usage: avrel"), ("--version", "avrel ")):
        result = subprocess.run([s.args.program, flag], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=10, env=no_display)
        s.checks.expect(result.returncode == 0 and result.stdout.decode().startswith(wanted)
                        and not result.stderr, f"{flag}: status 0 and '{wanted}...' on stdout",
                        f"{result.returncode}, {result.stdout[:40]!r}, {result.stderr!r}")


def scenario_pictures(s):
    """avrel -pictures DIR makes the show of a folder at start: its first
    picture pixel-exact as avrel-render --scr draws that of the Avrel.scr
    avrel-custom writes from the same folder; the show is kept under
    XDG_CACHE_HOME and taken again at the next start while the folder stays
    the same; a signal while the show is made ends it with status 0; a
    folder without a usable photo gives one line and the show's own
    pictures. Exits 77 without the Windows build's program file."""
    if not s.args.base or not os.path.isfile(s.args.base):
        print(f"skipped: no base program {s.args.base} (make windows)", flush=True)
        raise SystemExit(e2e_support.SKIP)
    work = os.path.join(s.args.workdir, "pictures")
    shutil.rmtree(work, ignore_errors=True)
    photos, cache = os.path.join(work, "my photos"), os.path.join(work, "cache")
    sample_photos.write_scenes(photos, 5)
    with open(os.path.join(photos, "notes.txt"), "w") as f:
        f.write("not a picture\n")
    custom = os.path.join(work, "Custom.scr")
    made = subprocess.run([s.args.custom, photos, "-o", custom, "--scr", s.args.base],
                          capture_output=True, text=True, timeout=300)
    if not s.checks.expect(made.returncode == 0, "avrel-custom to write the folder's saver",
                           made.stderr):
        return
    reference = os.path.join(work, "1000.bmp")
    drawn = subprocess.run([s.args.render, "--scr", custom, "picture", "1000", reference],
                           capture_output=True, text=True, timeout=60)
    if not s.checks.expect(drawn.returncode == 0, "avrel-render to draw its picture 1000",
                           drawn.stderr):
        return
    own = s.picture
    s.picture = Image.open(reference).convert("RGB")
    xvfb = s.server(1024, 768)
    env = dict(xvfb.env, XDG_CACHE_HOME=cache)
    kept = None
    for start in ("first start (making the show)", "second start (the show kept)"):
        expose_root(s, xvfb)
        process = s.avrel(xvfb, "-root", "-pictures", photos, env=env)
        limit = 30 if kept is None else FIRST_PICTURE_LIMIT
        appeared = s.wait_for_picture(xvfb, process, (192, 144), limit=limit,
                                      what=f"{start}: the folder's picture 1000")
        if appeared is None:
            return
        s.checks.note(f"{start}: picture 1000 after {appeared:.2f} s")
        s.end_by_signal(process)
        files = os.listdir(os.path.join(cache, "avrel"))
        s.checks.expect(len(files) == 1, "one show kept under XDG_CACHE_HOME/avrel", files)
        stamp = os.stat(os.path.join(cache, "avrel", files[0])).st_mtime_ns
        s.checks.expect(kept in (None, stamp), "the kept show taken, not made again",
                        "written anew")
        kept = stamp

    # a signal while the show is being made (from camera-sized photos, which
    # takes a while) ends it at once, with status 0
    big = os.path.join(work, "camera")
    sample_photos.write_large(big, 3, 12)
    process = s.avrel(xvfb, "-root", "-pictures", big, env=env)
    time.sleep(0.3)
    s.checks.expect(process.poll() is None, "avrel still making the show after 0.3 s",
                    f"ended with {process.returncode}")
    s.end_by_signal(process)

    s.picture = own
    empty = os.path.join(work, "nothing usable")
    os.makedirs(empty)
    with open(os.path.join(empty, "notes.txt"), "w") as f:
        f.write("not a picture\n")
    expose_root(s, xvfb)
    process = s.avrel(xvfb, "-root", "-pictures", empty, env=env)
    if s.wait_for_picture(xvfb, process, (192, 144), limit=10,
                          what="no usable photo: the show's own picture 1000") is None:
        return
    process.terminate()
    process.wait(5)
    said = process.stderr.read().decode()
    s.checks.expect(said.count("\n") == 1 and "holds no usable photo" in said
                    and "playing the show's own pictures" in said,
                    "one line saying why the show's own pictures play", repr(said))


def scenario_passes(s):
    """avrel -pictures DIR -words FILE, with 30 photos and chapter 2 titled
    "Lisbon": the title at its chapter's opening and, in the second pass,
    the 25th photo where the first pass showed the first, pixel for pixel
    as avrel-render draws the Avrel.scr avrel-custom writes from the same
    folder and words. About 100 s. Exits 77 without the Windows build's
    program file."""
    if not s.args.base or not os.path.isfile(s.args.base):
        print(f"skipped: no base program {s.args.base} (make windows)", flush=True)
        raise SystemExit(e2e_support.SKIP)
    work = os.path.join(s.args.workdir, "passes")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    program, moments, _ = custom_passes_test.make_show(s.args.custom, s.args.render, s.args.base,
                                                       work)
    if not s.checks.expect(program is not None, "avrel-custom's saver and its screens", "none"):
        return
    words = os.path.join(work, "words.txt")
    with open(words, "w") as f:
        f.write("title 2: Lisbon\n")
    xvfb = s.server(1024, 768)
    env = dict(xvfb.env, XDG_CACHE_HOME=os.path.join(work, "cache"))
    expose_root(s, xvfb)
    process = s.avrel(xvfb, "-root", "-pictures", os.path.join(work, "photos"), "-words", words,
                      env=env)
    e2e_support.watch_moments(s.checks, moments, xvfb.screenshot, (192, 144), process)
    s.end_by_signal(process)


# The daemon launches no hack as root, so it runs as the system's `nobody`.
# That account's home does not exist; the daemon reads its settings from the
# home the password database names, so the daemon sees a private copy of
# /etc/passwd in which nobody's home is a temporary folder, bound over the
# real one in a mount namespace of its own. Nothing on the host changes.
SAVER_USER = "nobody"


def reachable_temp_parent():
    """A folder under which `nobody` can reach what the test makes: every
    folder above it must let others pass. The checkout may sit in /root or
    a mktemp folder (mode 0700), and so may TMPDIR."""
    for parent in (tempfile.gettempdir(), "/tmp", "/var/tmp", "/dev/shm"):
        path, ok = os.path.realpath(parent), True
        while ok:
            ok = os.path.isdir(path) and os.stat(path).st_mode & 0o001
            if path == "/":
                break
            path = os.path.dirname(path)
        if ok:
            return parent
    return None


def saver_home(s, program):
    """A private home for the daemon's user holding a copy of `program` and
    the daemon's settings, and a mount namespace command that shows that
    home in the password database; (home, copy, namespace prefix) or None
    with the reason printed."""
    user = pwd.getpwnam(SAVER_USER)
    parent = reachable_temp_parent()
    if parent is None:
        print("xscreensaver: no temporary folder that others may enter (TMPDIR, /tmp, /var/tmp"
              " and /dev/shm are all closed); open one with chmod o+x; skipped")
        return None
    home = tempfile.mkdtemp(prefix="avrel-xscreensaver.", dir=parent)
    s.cleanup.append(lambda: shutil.rmtree(home, ignore_errors=True))
    copy = os.path.join(home, "avrel")
    shutil.copy2(program, copy)
    with open(os.path.join(home, ".xscreensaver"), "w") as config:
        config.write("mode: one\nselected: 0\nfade: False\nunfade: False\nsplash: False\n"
                     "lock: False\ntimeout: 0:30:00\n"
                     f"programs: {copy} --root\n")
    passwd = os.path.join(home, "passwd")
    with open("/etc/passwd") as real, open(passwd, "w") as private:
        for line in real:
            fields = line.rstrip("\n").split(":")
            if len(fields) == 7 and fields[0] == SAVER_USER:
                fields[5] = home
            private.write(":".join(fields) + "\n")
    for path in (home, os.path.join(home, ".xscreensaver")):
        os.chown(path, user.pw_uid, user.pw_gid)
    os.chmod(home, 0o700)
    namespace = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                 'mount --bind "$0" /etc/passwd && exec "$@"', passwd]
    probe = subprocess.run(namespace + ["true"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, timeout=10)
    if probe.returncode != 0:
        print("xscreensaver: cannot give the daemon's user a private home: a mount namespace"
              f" is refused here ({probe.stderr.decode().strip()}); run the tests as root on a"
              " machine or container that allows `unshare --mount`; skipped")
        return None
    return home, copy, namespace


def scenario_xscreensaver(s):
    """The real xscreensaver daemon runs `avrel --root` as its one hack and
    ends it on deactivate; meanwhile the stage is on screen."""
    if os.geteuid() != 0:
        print("xscreensaver: needs root to run the daemon as an unprivileged user; skipped")
        return
    prepared = saver_home(s, os.path.abspath(s.args.program))
    if prepared is None:
        return
    home, program, namespace = prepared
    xvfb = s.server(1024, 768, open_access=True)
    env = dict(xvfb.env, HOME=home, USER=SAVER_USER, LOGNAME=SAVER_USER)
    daemon = subprocess.Popen(namespace + ["runuser", "-u", SAVER_USER, "--", "xscreensaver",
                                           "-no-splash"],
                              env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, start_new_session=True)
    s.started.append(daemon)
    try:
        command = ["runuser", "-u", SAVER_USER, "--", "xscreensaver-command"]
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            probe = subprocess.run(command + ["-version"], env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, timeout=10)
            if probe.returncode == 0:
                break
            time.sleep(0.2)
        subprocess.run(command + ["-activate"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=10)
        hack = None
        deadline = time.monotonic() + 10
        while hack is None and time.monotonic() < deadline:
            found = subprocess.run(["pgrep", "-u", SAVER_USER, "-f", f"^{program} --root"],
                                   stdout=subprocess.PIPE, timeout=10).stdout.split()
            hack = int(found[0]) if found else None
            time.sleep(0.1)
        if not s.checks.expect(hack is not None, "the daemon to start avrel --root", "no process"):
            return
        shown = s.wait_for_picture(xvfb, daemon, ORIGIN, limit=10,
                                   what="under xscreensaver: picture 1000")
        if shown is not None:
            s.checks.note(f"stage shown under xscreensaver {shown:.2f} s after activation")
            s.black_outside(xvfb, (0, 0, 1024, 768), ORIGIN)
        subprocess.run(command + ["-deactivate"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=10)
        deadline = time.monotonic() + 10
        while os.path.exists(f"/proc/{hack}") and time.monotonic() < deadline:
            status = open(f"/proc/{hack}/stat").read().rsplit(")", 1)[1].split()[0]
            if status == "Z":
                break
            time.sleep(0.05)
        gone = not os.path.exists(f"/proc/{hack}") or \
            open(f"/proc/{hack}/stat").read().rsplit(")", 1)[1].split()[0] == "Z"
        s.checks.expect(gone, "avrel ended when the daemon deactivated", "still running")
    finally:
        # The daemon and what it forked: its own session, started here.
        try:
            os.killpg(daemon.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        end_process(daemon)


STARTS = 40


def expose_root(s, xvfb):
    """Covers the whole screen with a window and takes it away again, so the
    server repaints the root window's own background."""
    s.window(xvfb, "1024x768+0+0")
    helper = s.started.pop()
    helper.stdin.close()
    helper.wait(10)


def one_linux_start(s, xvfb, number, expected):
    what = f"start {number}"
    expose_root(s, xvfb)
    box = (ORIGIN[0], ORIGIN[1], ORIGIN[0] + STRIP, ORIGIN[1] + STAGE_SIZE[1])
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


def scenario_busy_starts(s):
    """40 starts of `avrel -root` in a row on one Xvfb while full-screen grabs
    keep the X server busy: each shows picture 1000 within 2 s and ends on
    SIGTERM with 0. The root window is exposed afresh before each start, so
    a picture left by the start before cannot pass for this one's."""
    xvfb = s.server(1024, 768)
    expected = s.expected_strip()
    busy = BusyServer(xvfb.env)
    good = 0
    started = time.monotonic()
    try:
        for number in range(1, STARTS + 1):
            good += one_linux_start(s, xvfb, number, expected)
    finally:
        busy.stop()
    s.checks.note(f"good starts: {good} of {STARTS} (picture 1000 within "
                  f"{FIRST_PICTURE_LIMIT} s; {busy.grabs} busy grabs, "
                  f"{time.monotonic() - started:.0f} s)")


SCENARIOS = {
    "window_id": scenario_window_id,
    "root_and_environment": scenario_root_and_environment,
    "scale": scenario_scale,
    "depth16": scenario_depth16,
    "own_window": scenario_own_window,
    "ending": scenario_ending,
    "signals_under_load": scenario_signals_under_load,
    "follows_window": scenario_follows_window,
    "transparent_window": scenario_transparent_window,
    "bad_input": scenario_bad_input,
    "xscreensaver": scenario_xscreensaver,
    "busy_starts": scenario_busy_starts,
    "pictures": scenario_pictures,
    "passes": scenario_passes,
}


def add_arguments(parser):
    parser.add_argument("--program", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--reference", required=True)
    parser.add_argument("--workdir", required=True)
    parser.add_argument("--private-copy", action="store_true",
                        help="run a copy of the program from a folder only root may enter,"
                             " with a space in its path, as a checkout in /root would be")
    # for the pictures scenario: avrel-custom, avrel-render and the Windows
    # build's Avrel.scr they start from
    parser.add_argument("--custom")
    parser.add_argument("--render")
    parser.add_argument("--base")


def private_copy(args):
    """Copies the program into a mode 0700 folder and points `args` at the
    copy; returns the folder, to be removed afterwards."""
    folder = tempfile.mkdtemp(prefix="avrel-private.")
    os.chmod(folder, 0o700)
    checkout = os.path.join(folder, "a checkout", "build")
    os.makedirs(checkout)
    copy = os.path.join(checkout, os.path.basename(args.program))
    shutil.copy2(args.program, copy)
    args.program = copy
    return folder


def run(scenario_function, args):
    os.makedirs(args.workdir, exist_ok=True)
    folder = private_copy(args) if args.private_copy else None
    try:
        return run_checked(scenario_function, args)
    finally:
        if folder:
            shutil.rmtree(folder, ignore_errors=True)


def run_checked(scenario_function, args):
    if shutil.which("Xvfb") is None or shutil.which("xwd") is None:
        print("Xvfb and xwd are needed (tools/build/setup.sh installs them)")
        return 1
    checks = Checks(args.scenario)
    scenario = Scenario(args, checks)
    try:
        scenario_function(scenario)
    finally:
        scenario.close()
    return checks.finish()


if __name__ == "__main__":
    sys.exit(e2e_support.main(SCENARIOS, add_arguments, run))
