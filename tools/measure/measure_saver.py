#!/usr/bin/python3
"""Measures the real Avrel.scr under Wine on private Xvfb screens (24-bit;
1024 x 768, or each --size in turn in one run): time from /s to the window
and to the first frame on the stage (after a first start, which Wine's own
start-up slows), CPU use and peak memory of the saver process and the CPU
of the X server that shows its frames over a stretch of show, and the
spacing of the cross-fade frames the render thread draws (from Wine's
timestamped trace of its block transfers). The saver draws the stage at
the screen's whole factor, or one to one with --one-to-one. With --probe
(the native build's avrel_x_probe) the first frame is watched on a small
part of the screen, which is fast enough on large screens, where a whole
screenshot takes a second or more. Usage:
  measure_saver.py --program Avrel.scr --prefix WINEPREFIX --arch win32|win64
                   [--seconds 65] [--size WxH ...] [--probe avrel_x_probe] [--one-to-one]
"""
import os
import re
import statistics
import subprocess
import sys
import time

import avrel_x
import saver_session
from saver_session import cpu_seconds, peak_memory_kib
import stage_geometry
from stage_geometry import STAGE_SIZE




def stage_box(size, scale):
    """The stage at that factor, as the saver places it."""
    x, y = avrel_x.stage_offsets(size, scale)
    return (x, y, x + STAGE_SIZE[0] * scale, y + STAGE_SIZE[1] * scale)


def first_light(session, xvfb, started, switches, scale):
    """The saver just started at `started`: seconds from then to its window
    and to the first pixel on the stage that is not black (None for what
    did not come), and the process."""
    box = stage_box(xvfb.size, scale)
    watcher = None
    if xvfb.probe:
        # The stage's top-left corner lights with the rest of the first
        # picture. Read every millisecond, a part of the same size at every
        # factor costs the X server the same, and little.
        watcher = subprocess.Popen(
            [xvfb.probe, "first", str(box[0]), str(box[1]), "64", "48", "60"], env=xvfb.env,
            stdout=subprocess.PIPE)
        time.sleep(0.3)  # reading before the saver starts
        started = time.monotonic()
    process = session.start(session.program, *switches)
    window = session.wait_for_window(timeout=60, process=process)
    shown = time.monotonic() - started if window is not None else None
    if watcher is not None:
        lit = watcher.communicate()[0].split()
        return shown, float(lit[0]) - started if lit else None, process
    while time.monotonic() - started < 60 and process.poll() is None:
        if session.screenshot(box).getbbox() is not None:
            return shown, time.monotonic() - started, process
        time.sleep(0.02)
    return shown, None, process


def measure_load(session, xvfb, seconds, switches, scale):
    """First frame, CPU (the saver's, and the X server's that puts its
    frames on screen) and memory, with no tracing. Wine starts its desktop
    with the first program that shows a window, at a cost that grows with
    the screen; a first start of the saver, ended at once, pays it."""
    session.xdotool("mousemove", "10", "10")
    warm_up = session.start(session.program, *switches)
    if session.wait_for_window(timeout=60, process=warm_up) is not None:
        session.xdotool("key", "a")
    saver_session.wait_exit(warm_up, 15)
    shown, first_frame, process = first_light(session, xvfb, time.monotonic(), switches, scale)
    cpu_start, wall_start = cpu_seconds(process.pid), time.monotonic()
    server_start = cpu_seconds(xvfb.process.pid)
    time.sleep(seconds)
    cpu_used, wall = cpu_seconds(process.pid) - cpu_start, time.monotonic() - wall_start
    server_used = cpu_seconds(xvfb.process.pid) - server_start
    peak = peak_memory_kib(process.pid)
    session.xdotool("key", "a")
    code, _ = saver_session.wait_exit(process, 15)
    return {"window (s)": shown, "first frame (s)": first_frame,
            "cpu (% of one core)": 100 * cpu_used / wall,
            "X server cpu (%)": 100 * server_used / wall, "measured over (s)": wall,
            "peak memory (MiB)": peak / 1024, "exit code": code}


BLIT = re.compile(r"^(\d+\.\d+):([0-9a-f]+):trace:bitblt:NtGdiStretchBlt src \S+ log=\S+ (\d+)x(\d+)")


def render_blits(trace_text):
    """The render thread's block transfers in Wine's trace, as (time s,
    (width, height)); the render thread is the one that draws the full stage
    first."""
    blits = []
    for line in trace_text.splitlines():
        m = BLIT.match(line)
        if m:
            blits.append((float(m.group(1)), m.group(2), (int(m.group(3)), int(m.group(4)))))
    # The render thread is the one that draws the full stage first.
    render = next((tid for _, tid, size in blits if size == STAGE_SIZE), None)
    return [(t, size) for t, tid, size in blits if tid == render]


def cross_fade_gaps(trace_text):
    """Gaps in ms between the frames of every cross-fade: runs of 16 block
    transfers of one size from one thread, each within 150 ms of the last."""
    fades, gaps = saver_session.cross_fades(render_blits(trace_text), 0.150)
    return fades, [1000 * g for g in gaps]


def traced_run(session, seconds, workdir, switches=("/s",)):
    """Wine's timestamped trace of the block transfers of `seconds` of the
    saver, as text."""
    trace_path = os.path.join(workdir, "measure.trace")
    env = dict(session.env, WINEDEBUG="+timestamp,trace+bitblt")
    session.xdotool("mousemove", "1000", "10")
    with open(trace_path, "wb") as sink:
        process = subprocess.Popen([session.loader, session.program, *switches], env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=sink)
        session.started.append(process)
        time.sleep(seconds)
        session.xdotool("key", "a")
        saver_session.wait_exit(process, 15)
    return open(trace_path, "rb").read().decode("ascii", "replace")


def measure_frames(session, seconds, workdir, switches):
    fades, gaps = cross_fade_gaps(traced_run(session, seconds, workdir, switches))
    if not gaps:
        return {"cross-fades seen": 0}
    return {"cross-fades seen": len(fades), "frame gaps": len(gaps),
            "median gap (ms)": statistics.median(gaps), "max gap (ms)": max(gaps),
            "gaps over 80 ms": sum(g > 80 for g in gaps),
            "p95 gap (ms)": sorted(gaps)[int(0.95 * (len(gaps) - 1))]}


def main():
    parser = saver_session.measuring_arguments()
    parser.add_argument("--size", action="append", help="screen WxH (default 1024x768)")
    parser.add_argument("--probe", help="avrel_x_probe, to watch for the first frame")
    parser.add_argument("--one-to-one", action="store_true",
                        help="play with one-to-one pixels (/s one-to-one), as before whole factors")
    args = parser.parse_args()
    switches = ["/s", "one-to-one"] if args.one_to_one else ["/s"]
    workdir = os.path.dirname(os.path.abspath(args.prefix))
    for size in args.size or ["1024x768"]:
        width, height = (int(n) for n in size.split("x"))
        xvfb = avrel_x.Xvfb(width, height, probe=args.probe)
        with saver_session.measured_saver(args.prefix, args.arch, args.program, xvfb) as session:
            scale = 1 if args.one_to_one else avrel_x.auto_scale(width, height)
            results = {"screen": f"{width} x {height}, factor {scale}"}
            results.update(measure_load(session, xvfb, args.seconds, switches, scale))
            results.update(measure_frames(session, args.seconds, workdir, switches))
        for key, value in results.items():
            print(f"{key:24} {value:.3f}" if isinstance(value, float) else f"{key:24} {value}")
        print(flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
