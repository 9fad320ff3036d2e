#!/usr/bin/python3
"""Avrel.scr on screens of four sizes under Wine: screens_e2e.py whole_factors
--program Avrel.scr --prefix WINEPREFIX --arch win32|win64 --render avrel-render
--x-probe avrel_x_probe --resource-probe avrel_resource_probe.exe

On Xvfb screens of 1024 x 768, 1920 x 1080, 2560 x 1440 and 3840 x 2160 the
stage and the corner logo appear at factors 1, 1, 2 and 3, centred as avrel
places them, each pixel a crisp block, pixel for pixel a moment avrel-render
draws enlarged by nearest neighbour, with black all around; the first frame
comes within the limit of the other tests and the cross-fades keep their
60 ms spacing. One-to-one pixels (the word after /s, or the OneToOnePixels
value) give today's picture at every size. The DPI awareness the saver took
is read from its window, and the program file imports none of the awareness
functions, so it loads on systems without them. Each size has an Xvfb and a
Wine server of its own, started once; the script ends only what it started.
avrel-render and avrel_x_probe come from the native build.
"""
import hashlib
import os
import statistics
import subprocess
import sys
import tempfile
import time

import avrel_x
import e2e_support
from e2e_support import CLOSE_LIMIT, START_LIMIT, Checks
from measure_saver import cross_fade_gaps
import saver_session
from saver_session import wait_exit

from PIL import Image

SCREENS = ((1024, 768, 1), (1920, 1080, 1), (2560, 1440, 2), (3840, 2160, 3))
FIRST_FRAME_LIMIT = 2.5  # s from the window to the first frame, as for picture 1000
WATCH_SECONDS = 4.5  # the first five pictures' cross-fades, all the moments rendered
FADE_PERIOD = 60  # ms between cross-fade frames; the corner logo's every 100
AWARENESS_FUNCTIONS = ("SetProcessDpiAwarenessContext", "SetProcessDpiAwareness",
                       "SetProcessDPIAware")
# The numbers shell/DpiAwareness.h gives the forms.
AWARENESS_FORMS = {"1": "none", "2": "system", "3": "per-monitor", "4": "per-monitor v2",
                   "5": "set before the program ran (Wine runs every program per-monitor aware)"}
SETTINGS_KEY = "HKCU\\Software\\Quillmere\\Veltrona Avrel Saver"


def seconds(value):
    return "none" if value is None else f"{value:.2f} s"


def digest(image):
    return hashlib.sha1(image.tobytes()).hexdigest()


def rendered_moments(args, work):
    """Every stage and corner logo avrel-render draws in the show's first
    WATCH_SECONDS but the black ones, as two sets of digests. Both change
    only on multiples of their periods; an 800 x 588 client holds both."""
    out = os.path.join(work, "render")
    end = int(WATCH_SECONDS * 1000)
    moments = sorted(set(range(0, end + 1, FADE_PERIOD)) | set(range(0, end + 1, 100)))
    subprocess.run([args.render, "show", "--out", out, "--size", "800x588", "--at",
                    ",".join(map(str, moments))], check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, timeout=600)
    stage, logo = places(800, 588, 1)
    stages, logos = set(), set()
    for name in os.listdir(out):
        if name.startswith("screen-"):
            shot = Image.open(os.path.join(out, name)).convert("RGB")
            for box, seen in ((stage, stages), (logo, logos)):
                if shot.crop(box).getbbox() is not None:
                    seen.add(digest(shot.crop(box)))
    return stages, logos


def places(width, height, factor):
    """The stage's and the corner logo's boxes on the screen at `factor`."""
    x, y = avrel_x.stage_offsets((width, height), factor)
    stage = (x, y, x + 640 * factor, y + 480 * factor)
    return stage, (stage[2], stage[3], stage[2] + 80 * factor, stage[3] + 54 * factor)


def shown_at(image, size, moments):
    """'' when `image` is crisp whole blocks of one of the `moments` of
    `size` pixels; else what is wrong."""
    small = image.resize(size, Image.NEAREST)
    if small.resize(image.size, Image.NEAREST).tobytes() != image.tobytes():
        return "pixels that are not whole blocks"
    return "" if digest(small) in moments else "a picture avrel-render never drew"


def watch_start(session, xvfb, checks, what, factor, moments, switches=(), trace=None,
                during=None):
    """Starts the saver, watches its stage and corner logo until both show
    a moment avrel-render drew and the screen around them is black, calls
    `during` while it still runs and ends it with a key; returns the seconds
    from the window to the first frame."""
    width, height = xvfb.size
    stage, logo = places(width, height, factor)
    # The stage's top-left corner, read every millisecond: a part of the
    # same size at every factor, which costs the X server little.
    watcher = subprocess.Popen([xvfb.probe, "first", str(stage[0]), str(stage[1]), "64", "48",
                                "15"], env=xvfb.env, stdout=subprocess.PIPE)
    env = dict(session.env, WINEDEBUG="+timestamp,trace+bitblt") if trace else session.env
    with open(trace or os.devnull, "wb") as sink:
        process = subprocess.Popen([session.loader, session.program, "/s", *switches], env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=sink)
    session.started.append(process)
    window = session.wait_for_window(timeout=START_LIMIT, process=process)
    appeared = time.monotonic()
    lit = watcher.communicate(timeout=60)[0].split()
    if not checks.expect(window is not None, f"{what}: a saver window", "none"):
        wait_exit(process, 15)
        return None
    geometry = session.xdotool("getwindowgeometry", str(window))
    checks.expect("Position: 0,0" in geometry and f"Geometry: {width}x{height}" in geometry,
                  f"{what}: the window over the whole screen", geometry.replace("\n", " "))
    first = float(lit[0]) - appeared if lit else None
    checks.expect(first is not None and first <= FIRST_FRAME_LIMIT,
                  f"{what}: the first frame within {FIRST_FRAME_LIMIT} s of the window",
                  seconds(first))

    stages, logos = moments
    trouble = {"stage": "not looked at", "corner logo": "not looked at"}
    while any(trouble.values()) and time.monotonic() - appeared < WATCH_SECONDS:
        for part, box, size, seen in (("stage", stage, (640, 480), stages),
                                      ("corner logo", logo, (80, 54), logos)):
            if trouble[part]:
                trouble[part] = shown_at(xvfb.screenshot(box), size, seen)
    for part, wrong in trouble.items():
        checks.expect(not wrong, f"{what}: the {part} as avrel-render draws it, in whole "
                      f"blocks of {factor} x {factor}", wrong)
    around = xvfb.screenshot()
    for box in (stage, logo):
        around.paste((0, 0, 0), box)
    checks.expect(around.getbbox() is None, f"{what}: black around the stage and the logo",
                  f"something within {around.getbbox()}")
    if during is not None:
        during()
    if trace:  # the first cross-fades, whole
        time.sleep(max(0.0, WATCH_SECONDS - (time.monotonic() - appeared)))
    session.xdotool("key", "a")
    code, closing = wait_exit(process, 15)
    checks.expect(code == 0 and closing <= CLOSE_LIMIT,
                  f"{what}: exit code 0 within {CLOSE_LIMIT} s of a key",
                  f"exit code {code} after {closing:.2f} s")
    return first


def read_awareness(session, checks, args):
    """The DPI awareness form the saver took, from its window's property."""
    out = session.run([args.resource_probe], timeout=120).stdout.decode("ascii", "replace")
    facts = dict(line.split("=", 1) for line in out.replace("\r", "").splitlines() if "=" in line)
    form = AWARENESS_FORMS.get(facts.get("dpi_awareness"))
    checks.expect(form is not None, "the saver window to say which DPI awareness it took",
                  repr(facts.get("dpi_awareness")))
    checks.note(f"DPI awareness taken: {form}")


def imported_awareness_functions(args):
    """The awareness functions the program file imports (it must look them
    up instead, or it would not load where they are missing)."""
    objdump = "x86_64-w64-mingw32-objdump" if args.arch == "win64" else "i686-w64-mingw32-objdump"
    table = subprocess.run([objdump, "-p", args.program], stdout=subprocess.PIPE, check=True,
                           timeout=60).stdout.decode("ascii", "replace")
    return [name for name in AWARENESS_FUNCTIONS if name in table.split()]


def one_screen(args, checks, moments, width, height, factor):
    size = f"{width} x {height}"
    checks.expect(avrel_x.auto_scale(width, height) == factor,
                  f"{size}: factor {factor} by avrel's rule", avrel_x.auto_scale(width, height))
    xvfb = avrel_x.Xvfb(width, height, probe=args.x_probe)
    with saver_session.measured_saver(args.prefix, args.arch, args.program, xvfb) as session:
        session.xdotool("mousemove", "10", "10")
        trace = os.path.join(args.workdir, f"screens_{width}x{height}.trace")
        awareness = (lambda: read_awareness(session, checks, args)) if factor == 3 else None
        first = watch_start(session, xvfb, checks, f"{size} at factor {factor}", factor,
                            moments, trace=trace, during=awareness)
        fades, gaps = cross_fade_gaps(open(trace, "rb").read().decode("ascii", "replace"))
        checks.expect(len(fades) >= 3, f"{size}: the first cross-fades in the trace",
                      f"{len(fades)}")
        if gaps:
            median = statistics.median(gaps)
            checks.expect(abs(median - FADE_PERIOD) <= FADE_PERIOD / 10,
                          f"{size}: cross-fade frames {FADE_PERIOD} ms apart",
                          f"a median of {median:.1f} ms")
            checks.note(f"{size}: factor {factor}, first frame {seconds(first)} after the "
                        f"window, cross-fade gaps median {median:.1f} ms, max {max(gaps):.1f} ms")
        # One-to-one: by the registry value on the largest screen, by the
        # word after /s on the others.
        by_value = factor == 3
        if by_value:
            session.run(["reg", "add", SETTINGS_KEY, "/v", "OneToOnePixels", "/t", "REG_DWORD",
                         "/d", "1", "/f"], timeout=120)
        try:
            first = watch_start(session, xvfb, checks, f"{size} one to one "
                                f"({'OneToOnePixels' if by_value else '/s one-to-one'})", 1,
                                moments, () if by_value else ("one-to-one",))
            checks.note(f"{size}: one to one, first frame {seconds(first)} after the window")
        finally:
            if by_value:
                session.run(["reg", "delete", SETTINGS_KEY, "/v", "OneToOnePixels", "/f"],
                            timeout=120)


def scenario_whole_factors(args, checks):
    imported = imported_awareness_functions(args)
    checks.expect(not imported, "no DPI awareness function among the program's imports",
                  imported)
    with tempfile.TemporaryDirectory(prefix="avrel-screens-", dir=args.workdir) as work:
        moments = rendered_moments(args, work)
        for width, height, factor in SCREENS:
            one_screen(args, checks, moments, width, height, factor)


def add_arguments(parser):
    e2e_support.wine_arguments(parser)
    parser.add_argument("--render", help="avrel-render of the native build")
    parser.add_argument("--x-probe", help="avrel_x_probe of the native build")
    parser.add_argument("--resource-probe", required=True)


def run(scenario, args):
    for tool in (args.render, args.x_probe):
        if not (tool and os.access(tool, os.X_OK)):
            print(f"{args.scenario}: skipped, {tool} is not built: make native")
            return e2e_support.SKIP
    args.program = os.path.abspath(args.program)
    args.workdir = os.path.dirname(os.path.abspath(args.prefix))
    os.makedirs(args.workdir, exist_ok=True)
    checks = Checks(args.scenario)
    with e2e_support.prefix_lock(args.prefix):
        scenario(args, checks)
    return checks.finish()


if __name__ == "__main__":
    sys.exit(e2e_support.main(e2e_support.scenarios_of(globals()), add_arguments, run))
