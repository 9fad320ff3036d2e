#!/usr/bin/python3
"""Where Avrel.scr's CPU goes under Wine, on a private Xvfb (24-bit,
1024 x 768 or --size): the CPU of each of its threads over a stretch of
show, the block transfers each thread drew (from Wine's trace, by size)
and, where `perf` is installed, the page faults and context switches of
the process. The
Wine server round trips of a frame show with --server (the prefix's own
wineserver, started here with its request trace). Usage:
  profile_saver.py --program Avrel.scr --prefix WINEPREFIX [--arch win32|win64]
                   [--seconds 65] [--server SECONDS] [--size WxH]
"""
import collections
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import saver_session


def thread_times(pid):
    """(user, system) clock ticks of every live thread of a process."""
    times = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            fields = open(f"/proc/{pid}/task/{tid}/stat").read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        times[tid] = (int(fields[11]), int(fields[12]))
    return times


def profile_threads(session, seconds):
    session.xdotool("mousemove", "1000", "10")
    process = session.start(session.program, "/s")
    time.sleep(3)
    before, start = thread_times(process.pid), time.monotonic()
    perf = None
    if shutil.which("perf"):
        out = tempfile.NamedTemporaryFile(suffix=".perf", delete=False).name
        perf = subprocess.Popen(["perf", "stat", "-e", "page-faults,context-switches", "-x", ",",
                                 "-p", str(process.pid), "-o", out, "--", "sleep", str(seconds)],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(seconds)
    after, wall = thread_times(process.pid), time.monotonic() - start
    tick = os.sysconf("SC_CLK_TCK")
    total = 0
    print(f"CPU by thread over {wall:.1f} s (% of one core):")
    for tid, (user, system) in sorted(after.items(), key=lambda item: int(item[0])):
        user0, system0 = before.get(tid, (0, 0))
        used = (user - user0 + system - system0) / tick
        total += used
        if used:
            print(f"  thread {tid:>8}  {100 * used / wall:6.3f}  (user {(user - user0) / tick:.2f} s,"
                  f" system {(system - system0) / tick:.2f} s)")
    print(f"  whole process    {100 * total / wall:6.3f}")
    if perf is not None:
        perf.wait()
        for line in open(out):
            parts = line.strip().split(",")
            if len(parts) > 2 and parts[0].isdigit():
                print(f"  {parts[2]:16} {int(parts[0]) / seconds:8.1f} a second")
        os.unlink(out)
    session.xdotool("key", "a")
    saver_session.wait_exit(process, 15)


BLIT = re.compile(r"^(\d+\.\d+):([0-9a-f]+):trace:bitblt:NtGdiStretchBlt src \S+ log=\S+ (\d+)x(\d+)")


def profile_blits(session, seconds, workdir):
    trace = os.path.join(workdir, "profile.trace")
    env = dict(session.env, WINEDEBUG="+timestamp,trace+bitblt")
    session.xdotool("mousemove", "1000", "10")
    with open(trace, "wb") as sink:
        process = subprocess.Popen([session.loader, session.program, "/s"], env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=sink)
        session.started.append(process)
        time.sleep(seconds)
        session.xdotool("key", "a")
        saver_session.wait_exit(process, 15)
    sizes, threads, flushes = collections.Counter(), collections.Counter(), collections.Counter()
    for line in open(trace, "rb").read().decode("ascii", "replace").splitlines():
        m = BLIT.match(line)
        if m:
            sizes[(m.group(2), f"{m.group(3)}x{m.group(4)}")] += 1
            threads[m.group(2)] += 1
        elif ":trace:bitblt:x11drv_surface_flush" in line:
            flushes[line.split(":")[1]] += 1
    print(f"Block transfers over {seconds:.0f} s, by thread (Wine's ids):")
    for tid, count in threads.most_common():
        print(f"  thread {tid}: {count / seconds:5.1f} a second, "
              f"{flushes[tid] / seconds:5.1f} window flushes a second")
    print("  most frequent sizes:")
    for (tid, size), count in sizes.most_common(12):
        print(f"    {count:5d}  {size:>9}  thread {tid}")


REQUEST = re.compile(r"^([0-9a-f]{4}): (\w+)\( ")


def profile_server(session, seconds, workdir):
    """Wine server requests per drawn bitmap: the session's server is
    replaced for this run by one that traces every request."""
    log = os.path.join(workdir, "server.trace")
    subprocess.run([session.server, "-k"], env=session.env, timeout=60)
    with open(log, "wb") as sink:
        server = subprocess.Popen([session.server, "-f", "-d1"], env=session.env,
                                  stdin=subprocess.DEVNULL, stdout=sink, stderr=sink)
        time.sleep(1)
        env = dict(session.env, WINEDEBUG="trace+bitblt")
        session.xdotool("mousemove", "1000", "10")
        process = subprocess.Popen([session.loader, session.program, "/s"], env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=sink)
        time.sleep(seconds)
        session.xdotool("key", "a")
        saver_session.wait_exit(process, 15)
        subprocess.run([session.server, "-k"], env=session.env, timeout=60)
        server.wait(30)
    requests, blits = collections.Counter(), collections.Counter()
    for line in open(log, "rb").read().decode("ascii", "replace").splitlines():
        m = REQUEST.match(line)
        if m:
            requests[(m.group(1), m.group(2))] += 1
        elif ":trace:bitblt:NtGdiStretchBlt" in line:
            blits[line.split(":")[0]] += 1
    print(f"Wine server requests per block transfer, by thread ({seconds:.0f} s):")
    for tid, count in blits.most_common():
        mine = {name: n for (t, name), n in requests.items() if t == tid}
        total = sum(mine.values())
        top = ", ".join(f"{name} {n / count:.1f}" for name, n in
                        sorted(mine.items(), key=lambda item: -item[1])[:4])
        print(f"  thread {tid}: {count} transfers, {total / count:.1f} requests each ({top})")
    # The server of the session's own comes back for whatever runs next.
    subprocess.run([session.server, "-p"], env=session.env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


def main():
    parser = saver_session.measuring_arguments()
    parser.add_argument("--server", type=float, default=0,
                        help="also trace the Wine server's requests for this many seconds")
    parser.add_argument("--size", default="1024x768", help="screen WxH")
    args = parser.parse_args()
    workdir = os.path.dirname(os.path.abspath(args.prefix))
    screen = saver_session.Xvfb(*(int(n) for n in args.size.split("x")))
    with saver_session.measured_saver(args.prefix, args.arch, args.program, screen) as session:
        profile_threads(session, args.seconds)
        profile_blits(session, args.seconds, workdir)
        if args.server:
            profile_server(session, args.server, workdir)
    return 0


if __name__ == "__main__":
    sys.exit(main())
