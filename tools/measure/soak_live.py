#!/usr/bin/python3
"""A live soak of the real programs, side by side: `avrel -root` on a private
Xvfb (1920 x 1080) and Avrel.scr /s under Wine on another (1024 x 768).
Every --interval seconds it samples, for each program's own Linux process,
resident memory, threads, open descriptors and shared-memory segments
(SysV and POSIX mappings), and for the Windows program also GDI objects,
USER objects, kernel handles and owned windows as Windows counts them (read
from inside the prefix by avrel_resource_probe.exe; a figure the system
cannot give reads -1 and is reported as not readable). Every minute it takes
a screenshot of each stage, which must show something and differ from the
minute before.

The table (figures.tsv) is written as it goes, the plot (figures.png) every
minute, both in --out. After the run it judges (see judge()): the second
pass of the show (84.2 s to 168.4 s) is the reference and its range a
figure's noise; a later pass whose lowest value lies above the reference's
lowest by more than that noise has grown. Exit 0 when nothing grew and
every screenshot was good, 1 otherwise.

Usage:
  soak_live.py --avrel avrel --saver Avrel.scr --probe avrel_resource_probe.exe
               --prefix WINEPREFIX --arch win32|win64 [--minutes 60] [--out DIR]
  soak_live.py --judge-only [--out DIR]   (judges and plots a table already written)
"""
import argparse
import fcntl
import os
import re
import subprocess
import sys
import time

from PIL import Image, ImageChops, ImageDraw, ImageFont

import avrel_x
import saver_session
import stage_geometry

PASS_SECONDS = 84.2
SAVER_SIZE = (1024, 768)
# The saver's client is the whole screen.
SAVER_STAGE = stage_geometry.boxes_in(SAVER_SIZE)[0]
AVREL_SIZE = (1920, 1080)

# The figures of each program, in table order.
LINUX_FIGURES = ["rss_kib", "threads", "fds", "shm"]
# GetGuiResources and GetProcessHandleCount first; where they cannot answer
# (Wine gives no GDI, USER or handle counts for another process) the GDI
# handle table and the system's handle list read the same things, and the
# saver's windows stand for its USER objects.
WINDOWS_FIGURES = ["gdi", "user", "handles", "gdi_table", "system_handles", "windows"]
# The smallest rise counted as growth: resident memory moves by a few pages
# as the kernel reclaims and the allocator returns memory, however steady
# the program.
NOISE_FLOOR = {"rss_kib": 256}
# A pass is judged on at least this many samples (a pass holds 8 or 9).
MIN_SAMPLES = 6


# ---- Reading a process from Linux ----

def linux_figures(pid):
    """Resident memory (KiB), threads, open descriptors and shared-memory
    segments (SysV segments it has mapped or created and not removed, files
    under /dev/shm it has mapped), or None when the process is gone."""
    try:
        status = open(f"/proc/{pid}/status").read()
        fds = len(os.listdir(f"/proc/{pid}/fd"))
        segments = set()
        for line in open(f"/proc/{pid}/maps"):
            parts = line.split(maxsplit=5)
            if len(parts) < 6:
                continue
            if parts[5].startswith("/SYSV"):
                segments.add(("sysv", int(parts[4])))  # the inode is the segment's id
            elif parts[5].startswith("/dev/shm/"):
                segments.add(("posix", parts[3], parts[4]))
        with open("/proc/sysvipc/shm") as table:
            next(table)
            for row in table:
                fields = row.split()
                if int(fields[4]) == pid:  # cpid: a segment it made, mapped or not
                    segments.add(("sysv", int(fields[1])))
    except (FileNotFoundError, ProcessLookupError, PermissionError):
        return None
    rss = re.search(r"^VmRSS:\s+(\d+)", status, re.M)
    threads = re.search(r"^Threads:\s+(\d+)", status, re.M)
    if rss is None or threads is None:  # ended, not yet reaped
        return None
    return {"rss_kib": int(rss.group(1)), "threads": int(threads.group(1)), "fds": fds,
            "shm": len(segments)}


def saver_linux_pid(prefix, program_name):
    """The Linux process that runs the saver: the one whose command line
    names the program and whose Wine prefix is ours (Wine's loader execs its
    preloader, and the process may rename itself, so look rather than trust
    the pid we started)."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            cmdline = open(f"/proc/{entry}/cmdline", "rb").read().split(b"\0")
            environ = open(f"/proc/{entry}/environ", "rb").read().split(b"\0")
        except OSError:
            continue
        if not any(arg.endswith(program_name.encode()) for arg in cmdline):
            continue
        if b"WINEPREFIX=" + prefix.encode() in environ:
            return int(entry)
    return None


def windows_figures(session, probe):
    """What avrel_resource_probe reads, as a dict; figures Windows would not
    give are -1."""
    try:
        result = session.run([probe], timeout=60)
    except subprocess.TimeoutExpired:
        return {}
    facts = {}
    for line in result.stdout.decode("ascii", "replace").splitlines():
        key, _, value = line.strip().partition("=")
        if value.lstrip("-").isdigit():
            facts[key] = int(value)
    return facts


# ---- Screenshots ----

def stage_shot(grab, box, deadline_s=15):
    """The first screenshot within deadline_s whose stage is not all black
    (the show fades to black between chapters), or the last one: the whole
    screen and the stage cut from it."""
    end = time.monotonic() + deadline_s
    while True:
        screen = grab(None)
        stage = screen.crop(box)
        if stage.getbbox() is not None or time.monotonic() >= end:
            return screen, stage
        time.sleep(0.5)


def same_picture(a, b):
    return a is not None and ImageChops.difference(a, b).getbbox() is None


# ---- Output ----

class Table:
    """figures.tsv, one row per sample, flushed as it goes."""

    def __init__(self, path, columns):
        self.columns = columns
        self.rows = []
        self.file = open(path, "w")
        self.file.write("\t".join(["t_s"] + columns) + "\n")
        self.file.flush()

    def add(self, t, values):
        row = {"t_s": t, **values}
        self.rows.append(row)
        cells = [f"{t:.1f}"] + [str(values.get(c, "")) for c in self.columns]
        self.file.write("\t".join(cells) + "\n")
        self.file.flush()


def plot(rows, columns, path, judged_from):
    """Small multiples of every figure over time, one panel each, with the
    reference pass shaded."""
    width, panel_h, margin = 900, 110, 60
    try:
        font = ImageFont.truetype("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 12)
    except OSError:
        font = ImageFont.load_default()
    image = Image.new("RGB", (width, panel_h * len(columns) + 30), "white")
    draw = ImageDraw.Draw(image)
    t_end = max([r["t_s"] for r in rows] + [judged_from + 1])
    for i, column in enumerate(columns):
        top = 10 + i * panel_h
        points = [(r["t_s"], r[column]) for r in rows
                  if isinstance(r.get(column), int) and r[column] >= 0]
        left, right, bottom = margin + 90, width - 20, top + panel_h - 25
        x_of = lambda t: left + (right - left) * t / t_end  # noqa: E731
        draw.rectangle([x_of(PASS_SECONDS), top, x_of(judged_from), bottom], fill=(235, 235, 245))
        draw.rectangle([left, top, right, bottom], outline=(160, 160, 160))
        draw.text((5, top + 5), column, fill="black", font=font)
        if not points:
            draw.text((left + 5, top + 5), "not readable here", fill=(160, 0, 0), font=font)
            continue
        low, high = min(v for _, v in points), max(v for _, v in points)
        span = max(high - low, 1)
        y_of = lambda v: bottom - 5 - (bottom - top - 15) * (v - low) / span  # noqa: E731
        draw.text((5, top + 25), f"{low} .. {high}", fill=(80, 80, 80), font=font)
        draw.line([(x_of(t), y_of(v)) for t, v in points], fill=(20, 60, 160), width=2)
    draw.text((margin + 90, panel_h * len(columns) + 12),
              f"0 .. {t_end:.0f} s; shaded: the reference pass", fill="black", font=font)
    image.save(path)


# ---- Judging ----

def judge(rows, columns):
    """Noise and growth of every figure. The show repeats every pass, and so
    do the figures: a picture decoded, a fade's buffers, the kernel taking
    pages back. The second pass is the reference and its range is the
    figure's noise (at least NOISE_FLOOR). A figure grows when the lowest
    value of a later pass (of at least MIN_SAMPLES samples) lies above the
    reference's lowest by more than the noise: a spike within a pass is not
    growth, a floor that rises is. Returns (lines of the report, failed)."""
    lines, failed = [], False
    for column in columns:
        readings = [(r["t_s"], r[column]) for r in rows if isinstance(r.get(column), int)]
        if not readings or min(v for _, v in readings) < 0:
            lines.append(f"{column:20} not readable here")
            continue
        passes = {}
        for t, v in readings:
            if t >= PASS_SECONDS:
                passes.setdefault(int(t // PASS_SECONDS), []).append(v)
        reference = passes.get(1, [])
        if not reference:
            lines.append(f"{column:20} no reference pass yet")
            continue
        noise = max(max(reference) - min(reference),
                    NOISE_FLOOR.get(column.split(".", 1)[1], 0))
        floors = [(k + 1, min(v)) for k, v in sorted(passes.items())
                  if k > 1 and len(v) >= MIN_SAMPLES]
        over = [(k, floor) for k, floor in floors if floor - min(reference) > noise]
        verdict = "ok"
        if over:
            failed = True
            verdict = (f"GROWS: pass {over[0][0]} never below {over[0][1]}, "
                       f"reference {min(reference)} + noise {noise}")
        last = f"last pass floor {floors[-1][1]}" if floors else "no later pass"
        lines.append(f"{column:20} start {readings[0][1]:>7} end {readings[-1][1]:>7} reference "
                     f"{min(reference)}..{max(reference)} noise {noise:>4} {last}  {verdict}")
    return lines, failed


def read_table(path):
    """The rows and columns of a figures.tsv."""
    with open(path) as file:
        header = file.readline().rstrip("\n").split("\t")
        rows = []
        for line in file:
            cells = line.rstrip("\n").split("\t")
            row = {"t_s": float(cells[0])}
            for column, cell in zip(header[1:], cells[1:]):
                if cell.lstrip("-").isdigit():
                    row[column] = int(cell)
            rows.append(row)
    return rows, header[1:]


def finish(rows, columns, out, problems):
    """Plot, judge and write the verdict; True when all is well."""
    if rows:
        plot(rows, columns, os.path.join(out, "figures.png"), 2 * PASS_SECONDS)
    lines, grew = judge(rows, columns)
    report = "\n".join(lines + problems) + "\n"
    with open(os.path.join(out, "verdict.txt"), "w") as file:
        file.write(report)
    print(report, end="")
    print(f"table {os.path.join(out, 'figures.tsv')}, plot {os.path.join(out, 'figures.png')}")
    return not grew and not problems


# ---- The run ----

def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--avrel")
    parser.add_argument("--saver")
    parser.add_argument("--probe")
    parser.add_argument("--prefix")
    parser.add_argument("--arch", default="win32")
    parser.add_argument("--minutes", type=float, default=60)
    parser.add_argument("--interval", type=float, default=10)
    parser.add_argument("--out", default=os.path.join(avrel_x.ROOT, "build", "soak-live"))
    parser.add_argument("--judge-only", action="store_true",
                        help="judge and plot the figures.tsv already in --out, run nothing")
    args = parser.parse_args()
    if args.judge_only:
        rows, columns = read_table(os.path.join(args.out, "figures.tsv"))
        return 0 if finish(rows, columns, args.out, []) else 1
    if not (args.avrel and args.saver and args.probe and args.prefix):
        parser.error("--avrel, --saver, --probe and --prefix are needed for a run")
    os.makedirs(os.path.join(args.out, "shots"), exist_ok=True)
    prefix = os.path.abspath(args.prefix)
    # One run per output folder and prefix: a second would overwrite the
    # table and, closing its Wine session, end the first one's saver.
    locks = []
    for path in (os.path.join(args.out, "lock"), prefix + ".lock"):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        lock = open(path, "w")
        try:
            fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except BlockingIOError:
            print(f"soak_live: another run is using {path[:-5]}", file=sys.stderr)
            return 2
        locks.append(lock)

    columns = ([f"avrel.{f}" for f in LINUX_FIGURES] + [f"saver.{f}" for f in LINUX_FIGURES] +
               [f"saver.{f}" for f in WINDOWS_FIGURES])
    table = Table(os.path.join(args.out, "figures.tsv"), columns)
    problems = []

    avrel_display = avrel_x.Xvfb(*AVREL_SIZE)
    saver_display = saver_session.Xvfb(*SAVER_SIZE)
    session = avrel = None
    try:
        session = saver_session.WineSession(prefix, args.arch, saver_display.display,
                                            unmanaged=True)
        # Parked where no move follows: the saver closes when the pointer moves.
        session.xdotool("mousemove", "1000", "10")
        avrel_log = open(os.path.join(args.out, "avrel.stderr"), "wb")
        avrel = avrel_x.start_avrel(args.avrel, avrel_display.env, "-root", stderr=avrel_log)
        saver = session.start(args.saver, "/s")
        start = time.monotonic()
        if session.wait_for_window(timeout=60, process=saver) is None:
            raise RuntimeError("the saver's window did not appear")
        saver_pid = None
        while saver_pid is None and time.monotonic() - start < 30:
            saver_pid = saver_linux_pid(prefix, os.path.basename(args.saver))
            time.sleep(0.2)
        if saver_pid is None:
            raise RuntimeError("the saver's Linux process was not found")

        avrel_stage = avrel_x.layout(AVREL_SIZE)[1]
        shots = {"avrel": (avrel_display.screenshot, avrel_stage, None),
                 "saver": (session.screenshot, SAVER_STAGE, None)}
        end = start + args.minutes * 60
        # The first sample a few seconds in: the saver is not disturbed while
        # it opens its window (a busy X server then is a test of its own).
        next_sample, next_shot, minute = start + 5, start + 60, 0
        while True:
            now = time.monotonic()
            if now >= next_sample:
                values = {}
                for name, pid in (("avrel", avrel.pid), ("saver", saver_pid)):
                    figures = linux_figures(pid)
                    if figures is None:
                        problems.append(f"{now - start:.0f} s: {name} is no longer running")
                        raise RuntimeError(problems[-1])
                    values.update({f"{name}.{k}": v for k, v in figures.items()})
                facts = windows_figures(session, args.probe)
                values.update({f"saver.{f}": facts.get(f, "") for f in WINDOWS_FIGURES})
                table.add(now - start, values)
                next_sample += args.interval
            if now >= next_shot:
                minute += 1
                for name, (grab, box, before) in shots.items():
                    screen, shot = stage_shot(grab, box)
                    screen.save(os.path.join(args.out, "shots", f"{name}-{minute:03d}.png"))
                    if shot.getbbox() is None:
                        problems.append(f"minute {minute}: the {name} stage is black")
                    elif same_picture(before, shot):
                        problems.append(f"minute {minute}: the {name} stage has not changed")
                    shots[name] = (grab, box, shot)
                plot(table.rows, columns, os.path.join(args.out, "figures.png"), 2 * PASS_SECONDS)
                next_shot += 60
            if now >= end:
                break
            time.sleep(max(0.0, min(next_sample, next_shot, end) - time.monotonic()))
    except RuntimeError as error:
        problems.append(str(error))
    finally:
        if avrel is not None:
            avrel_x.end_process(avrel)
        if session is not None:
            session.close()
        avrel_display.stop()
        saver_display.stop()

    return 0 if finish(table.rows, columns, args.out, problems) else 1


if __name__ == "__main__":
    sys.exit(main())
