#!/usr/bin/python3
"""Measures avrel.html in headless Chromium (software drawing) at a window
of --size (default 1920 x 1080): the CPU time (user + system, % of one
core) of the page's renderer process over --seconds of show after a
warm-up, and beside it that of the browser's other processes (the browser
and its GPU process, which composites the page). The page runs untouched:
nothing is read from it while the clock runs.
Usage: measure_web.py --page build/web/avrel.html [--seconds 60] [--size 1920x1080]
"""
import os
import pathlib
import time

from browser import Browser, page_arguments
from saver_session import cpu_seconds


def process_cpu(pids):
    total = 0.0
    for pid in pids:
        try:
            total += cpu_seconds(pid)
        except OSError:
            pass
    return total


def metrics(page):
    return {m["name"]: m["value"] for m in page.call("Performance.getMetrics")["metrics"]}


def main():
    parser = page_arguments(seconds=60)
    args = parser.parse_args()
    width, height = (int(v) for v in args.size.split("x"))
    with Browser(width, height) as browser:
        page = browser.open(pathlib.Path(os.path.abspath(args.page)).as_uri())
        page.resize_page(width, height)
        time.sleep(args.warm_up)
        renderers = browser.renderer_pids()
        others = [p for p in browser.processes() if p not in renderers]
        scale = page.evaluate("document.body.dataset.scale")
        inner = page.evaluate("[window.innerWidth, window.innerHeight]")
        page.call("Performance.enable")
        m0 = metrics(page)
        r0, o0, w0 = process_cpu(renderers), process_cpu(others), time.monotonic()
        each0 = {pid: process_cpu([pid]) for pid in renderers}
        time.sleep(args.seconds)
        r1, o1, w1 = process_cpu(renderers), process_cpu(others), time.monotonic()
        each = {pid: process_cpu([pid]) - each0[pid] for pid in renderers}
        m1 = metrics(page)
        problems = page.problems()
    wall = w1 - w0
    print(f"page {inner[0]} x {inner[1]}, scale {scale}, renderers {renderers}, "
          f"{wall:.1f} s of show")
    # The page's renderer is the busiest; the others hold the browser's own
    # blank and interface pages.
    print(f"page's renderer process: {100 * max(each.values(), default=0) / wall:.2f} % of a core"
          f" (all {len(each)} renderers: {100 * (r1 - r0) / wall:.2f} %)")
    print(f"browser and GPU processes: {100 * (o1 - o0) / wall:.2f} % of a core")
    # Where the page's main thread spent it: the show's program and the
    # page's script, the browser's own tasks around them, and layout.
    parts = ", ".join(f"{name} {100 * (m1[name] - m0[name]) / wall:.2f} %"
                      for name in ("ScriptDuration", "TaskDuration", "LayoutDuration",
                                   "RecalcStyleDuration") if name in m1)
    print(f"page's main thread: {parts}")
    if problems:
        print("page problems:", problems)


if __name__ == "__main__":
    main()
