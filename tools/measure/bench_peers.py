#!/usr/bin/python3
"""avrel beside the best of xscreensaver's hacks: `avrel -root`,
`slidescreen -root` and `popsquares -root`, each on a private Xvfb of its
own, all three at once, at 1920 x 1080 and then at 2560 x 1440. After a 5 s
start-up, the CPU of each program and of its X server (where the presenting
cost lands) is read over --seconds, with the program's peak memory (VmHWM).
The three run side by side, so whatever else the machine does weighs on all
of them alike; the ratio to slidescreen is the figure to compare.
With --baseline, another avrel (an earlier build, say) runs beside them too.
Usage: bench_peers.py --program avrel [--seconds 120] [--out FILE]
       [--sizes 1920x1080,2560x1440] [--baseline OTHER_AVREL]
"""
import argparse
import os
import sys
import time

import avrel_x
from saver_session import cpu_seconds, peak_memory_kib

HACKS = "/usr/libexec/xscreensaver"
START_UP = 5.0  # s left out of the measure


def peers(program, baseline=None):
    found = [("avrel", [program, "-root"]),
             ("slidescreen", [os.path.join(HACKS, "slidescreen"), "-root"]),
             ("popsquares", [os.path.join(HACKS, "popsquares"), "-root"])]
    if baseline:
        found.append(("baseline", [baseline, "-root"]))
    return found


def measure(size, program, seconds, baseline=None):
    """{name: (program cpu %, server cpu %, peak MiB, exit code)} for one size."""
    servers, processes = [], []
    try:
        for name, command in peers(program, baseline):
            xvfb = avrel_x.Xvfb(*size)
            servers.append(xvfb)
            processes.append((name, avrel_x.start_avrel(command[0], xvfb.env, *command[1:])))
        time.sleep(START_UP)
        for name, process in processes:
            if process.poll() is not None:
                raise RuntimeError(f"{name} ended during start-up with {process.returncode}: "
                                   f"{process.stderr.read().decode().strip()}")
        pairs = [(process.pid, xvfb.process.pid) for (_, process), xvfb in zip(processes, servers)]
        start = [(cpu_seconds(p), cpu_seconds(s)) for p, s in pairs]
        wall = time.monotonic()
        time.sleep(seconds)
        wall = time.monotonic() - wall
        end = [(cpu_seconds(p), cpu_seconds(s)) for p, s in pairs]
        peaks = [peak_memory_kib(p) / 1024 for p, _ in pairs]
        results = {}
        for (name, process), a, b, peak in zip(processes, start, end, peaks):
            alive = process.poll() is None
            results[name] = (100 * (b[0] - a[0]) / wall, 100 * (b[1] - a[1]) / wall, peak,
                             "running" if alive else f"ended {process.returncode}")
        return results
    finally:
        for _, process in processes:
            avrel_x.end_process(process)
        for xvfb in servers:
            xvfb.stop()


def table(size, results, seconds):
    scale = avrel_x.auto_scale(*size)
    lines = [f"{size[0]} x {size[1]} (avrel at scale {scale}), CPU in % of one core over "
             f"{seconds:.0f} s after a {START_UP:.0f} s start-up",
             f"{'program':12} {'program':>8} {'X server':>9} {'together':>9} {'peak MiB':>9} "
             f"{'vs slidescreen':>15}  state"]
    base = results["slidescreen"][0] + results["slidescreen"][1]
    for name, (cpu, server, peak, state) in results.items():
        together = cpu + server
        ratio = f"{together / base:.2f}" if base > 0 else "-"
        lines.append(f"{name:12} {cpu:7.2f}% {server:8.2f}% {together:8.2f}% {peak:9.1f} "
                     f"{ratio:>15}  {state}")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--seconds", type=float, default=120)
    parser.add_argument("--sizes", default="1920x1080,2560x1440")
    parser.add_argument("--out")
    parser.add_argument("--baseline", help="another avrel to measure beside the rest")
    args = parser.parse_args()
    for name, command in peers(args.program, args.baseline):
        if not os.access(command[0], os.X_OK):
            print(f"bench-peers: {command[0]} is missing (tools/setup.sh installs xscreensaver)")
            return 1
    load = os.getloadavg()
    parts = [f"bench-peers: {os.path.abspath(args.program)}"
             + (f" (baseline {os.path.abspath(args.baseline)})" if args.baseline else "")
             + f"; load average before {load[0]:.2f} {load[1]:.2f} {load[2]:.2f} on "
             f"{os.cpu_count()} cores"]
    for text in args.sizes.split(","):
        size = tuple(int(v) for v in text.split("x"))
        results = measure(size, args.program, args.seconds, args.baseline)
        parts.append(table(size, results, args.seconds))
        print(parts[-1] + "\n", flush=True)
    report = "\n\n".join(parts) + "\n"
    if args.out:
        os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
        with open(args.out, "w") as out:
            out.write(report)
    print(report if not args.out else f"written to {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
