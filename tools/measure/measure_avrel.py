#!/usr/bin/python3
"""Measures the Linux program avrel on a private Xvfb (default 1920 x 1080,
24-bit, scale auto, drawing on the root window):
- first frame: time from starting avrel to the first pixel of the show on
  screen (the corner logo's first frame, drawn together with the stage's
  first cross-fade step, which is black on black);
- CPU use (% of one core, user + system) and peak memory (VmHWM) of the
  process over --seconds of show;
- the spacing of cross-fade frames as presented: a second run in which
  avrel_x_probe notes, through the X server's DAMAGE extension, the server
  time and box of every drawing request on the stage; runs of 16 pushes of
  one box, each within 150 ms of the last, are the 16 steps of a cross-fade.
Usage: measure_avrel.py --program avrel --probe avrel_x_probe [--seconds 65]
       [--size 1920x1080]
"""
import argparse
import statistics
import subprocess
import sys
import time

import avrel_x
from saver_session import cpu_seconds, cross_fades, peak_memory_kib

def probe(args, env, mode, box, seconds):
    x, y, right, bottom = box
    return subprocess.Popen([args.probe, mode, str(x), str(y), str(right - x), str(bottom - y),
                             str(seconds)], env=env, stdout=subprocess.PIPE)


def measure_load(args, size):
    scale, stage, logo = avrel_x.layout(size)
    with avrel_x.Xvfb(*size) as xvfb:
        watcher = probe(args, xvfb.env, "first", logo, 5)
        time.sleep(0.5)  # the watcher is reading before avrel starts
        started = time.monotonic()
        process = avrel_x.start_avrel(args.program, xvfb.env, "-root")
        lit = watcher.communicate()[0].split()
        first = float(lit[0]) - started if lit else None
        cpu_start, wall_start = cpu_seconds(process.pid), time.monotonic()
        time.sleep(args.seconds)
        cpu, wall = cpu_seconds(process.pid) - cpu_start, time.monotonic() - wall_start
        peak = peak_memory_kib(process.pid)
        avrel_x.end_process(process)
    return {"screen": f"{size[0]} x {size[1]}, scale {scale}",
            "first frame (ms)": 1000 * first if first is not None else "not seen",
            "cpu (% of one core)": 100 * cpu / wall, "measured over (s)": wall,
            "peak memory (MiB)": peak / 1024, "exit code": process.returncode}


def measure_frames(args, size):
    stage = avrel_x.layout(size)[1]
    with avrel_x.Xvfb(*size) as xvfb:
        watcher = probe(args, xvfb.env, "pushes", stage, args.seconds)
        watcher.stdout.readline()  # ready
        process = avrel_x.start_avrel(args.program, xvfb.env, "-root")
        lines = watcher.communicate()[0].decode().splitlines()
        avrel_x.end_process(process)
    # (server ms, box) of every drawing request on the stage. A cross-fade
    # pushes its rectangle once per step: a run of 16 pushes of one box, each
    # within 150 ms of the one before.
    pushes = [(int(f[0]), tuple(int(v) for v in f[1:])) for f in (l.split() for l in lines)]
    fades, gaps = cross_fades(pushes, 150)
    if not gaps:
        return {"cross-fades seen": 0, "pushes seen": len(pushes)}
    return {"pushes seen": len(pushes), "cross-fades seen": len(fades),
            "frame gaps": len(gaps), "median gap (ms)": statistics.median(gaps),
            "p95 gap (ms)": sorted(gaps)[int(0.95 * (len(gaps) - 1))],
            "max gap (ms)": max(gaps), "gaps over 80 ms": sum(g > 80 for g in gaps)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--seconds", type=float, default=65)
    parser.add_argument("--size", default="1920x1080")
    args = parser.parse_args()
    size = tuple(int(v) for v in args.size.split("x"))
    results = measure_load(args, size)
    results.update(measure_frames(args, size))
    for key, value in results.items():
        print(f"{key:24} {value:.3f}" if isinstance(value, float) else f"{key:24} {value}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
