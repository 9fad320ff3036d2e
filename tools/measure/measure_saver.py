#!/usr/bin/python3
"""Measures the real Avrel.scr under Wine on a private Xvfb (1024 x 768,
24-bit): time from /s to the first frame on the stage, CPU use and peak
memory of the saver process over a stretch of show, and the spacing of the
cross-fade frames the render thread draws (from Wine's timestamped trace of
its block transfers). Usage:
  measure_saver.py --program Avrel.scr --prefix WINEPREFIX --arch win32|win64 [--seconds 65]
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import time

import saver_session
from saver_session import cpu_seconds, peak_memory_kib

STAGE = (192, 144, 832, 624)
def measure_load(session, seconds):
    """First frame, CPU and memory, with no tracing."""
    session.xdotool("mousemove", "1000", "10")
    started = time.monotonic()
    process = session.start(session.program, "/s")
    first_frame = None
    while time.monotonic() - started < 60 and process.poll() is None:
        stage = session.screenshot(STAGE)
        if stage.getbbox() is not None:  # anything but black
            first_frame = time.monotonic() - started
            break
        time.sleep(0.02)
    cpu_start, wall_start = cpu_seconds(process.pid), time.monotonic()
    time.sleep(seconds)
    cpu_used, wall = cpu_seconds(process.pid) - cpu_start, time.monotonic() - wall_start
    peak = peak_memory_kib(process.pid)
    session.xdotool("key", "a")
    code, _ = saver_session.wait_exit(process, 15)
    return {"first frame (s)": first_frame, "cpu (% of one core)": 100 * cpu_used / wall,
            "measured over (s)": wall, "peak memory (MiB)": peak / 1024, "exit code": code}


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
    render = next((tid for _, tid, size in blits if size == (640, 480)), None)
    return [(t, size) for t, tid, size in blits if tid == render]


def cross_fade_gaps(trace_text):
    """Gaps in ms between the frames of every cross-fade: runs of 16 block
    transfers of one size from one thread, each within 150 ms of the last."""
    fades, gaps = saver_session.cross_fades(render_blits(trace_text), 0.150)
    return fades, [1000 * g for g in gaps]


def traced_run(session, seconds, workdir):
    """Wine's timestamped trace of the block transfers of `seconds` of the
    saver, as text."""
    trace_path = os.path.join(workdir, "measure.trace")
    env = dict(session.env, WINEDEBUG="+timestamp,trace+bitblt")
    session.xdotool("mousemove", "1000", "10")
    with open(trace_path, "wb") as sink:
        process = subprocess.Popen([session.loader, session.program, "/s"], env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=sink)
        session.started.append(process)
        time.sleep(seconds)
        session.xdotool("key", "a")
        saver_session.wait_exit(process, 15)
    return open(trace_path, "rb").read().decode("ascii", "replace")


def measure_frames(session, seconds, workdir):
    fades, gaps = cross_fade_gaps(traced_run(session, seconds, workdir))
    if not gaps:
        return {"cross-fades seen": 0}
    return {"cross-fades seen": len(fades), "frame gaps": len(gaps),
            "median gap (ms)": statistics.median(gaps), "max gap (ms)": max(gaps),
            "gaps over 80 ms": sum(g > 80 for g in gaps),
            "p95 gap (ms)": sorted(gaps)[int(0.95 * (len(gaps) - 1))]}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--arch", default="win32")
    parser.add_argument("--seconds", type=float, default=65)
    args = parser.parse_args()
    workdir = os.path.dirname(os.path.abspath(args.prefix))
    with saver_session.measured_saver(args.prefix, args.arch, args.program) as session:
        results = measure_load(session, args.seconds)
        results.update(measure_frames(session, args.seconds, workdir))
    for key, value in results.items():
        print(f"{key:24} {value:.3f}" if isinstance(value, float) else f"{key:24} {value}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
