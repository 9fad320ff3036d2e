#!/usr/bin/python3
"""Where avrel.html's renderer process spends its time, in headless
Chromium (software drawing) at a window of --size (default 1920 x 1080).
Two runs of --seconds each after a warm-up:
- counted: how often a second the page wakes (setTimeout), the program
  presents a rectangle, and a canvas is written (putImageData, and how many
  pixels), from wrappers the page is opened with;
- traced: the browser's own trace of the untouched page, summed per task
  kind on the page's renderer threads: timers (the program's wake-ups),
  messages from the compositor (each canvas frame costs several), and the
  canvas frames pushed.
The canvas frames and the wake-ups, far more than the program's own work,
are what the page costs; see measure_web.py for the process's CPU figure.
Usage: profile_web.py --page build/web/avrel.html [--seconds 20] [--trace FILE]
"""
import collections
import json
import os
import pathlib
import time

from browser import WATCH_PRESENT, Browser, page_arguments

COUNTERS = WATCH_PRESENT + r"""
(function () {
  var c = window.avrelCounts = { wakes: 0, presents: 0, puts: 0, pixels: 0 };
  [window.CanvasRenderingContext2D, window.OffscreenCanvasRenderingContext2D].forEach(function (k) {
    if (!k) return;
    var put = k.prototype.putImageData;
    k.prototype.putImageData = function (data, x, y, dx, dy, dw, dh) {
      c.puts++;
      c.pixels += dw === undefined ? data.width * data.height : dw * dh;
      return put.apply(this, arguments);
    };
  });
  var later = window.setTimeout;
  window.setTimeout = function () { c.wakes++; return later.apply(this, arguments); };
  avrelWatchPresent(function (present) {
    return function () { c.presents++; return present.apply(this, arguments); };
  });
})();
"""

CATEGORIES = ["toplevel", "blink", "cc", "viz", "v8", "devtools.timeline", "benchmark",
              "disabled-by-default-devtools.timeline"]


def open_page(browser, page, width, height, hook=None):
    tab = browser.open("about:blank")
    if hook:
        tab.call("Page.addScriptToEvaluateOnNewDocument", {"source": hook})
    tab.navigate(pathlib.Path(os.path.abspath(page)).as_uri())
    tab.resize_page(width, height)
    return tab


def counted(args, width, height):
    with Browser(width, height) as browser:
        tab = open_page(browser, args.page, width, height, COUNTERS)
        time.sleep(args.warm_up)
        read = "JSON.parse(JSON.stringify(window.avrelCounts))"
        before, t0 = tab.evaluate(read), time.monotonic()
        time.sleep(args.seconds)
        after, wall = tab.evaluate(read), time.monotonic() - t0
    return {k: (after[k] - before[k]) / wall for k in after}


def traced(args, width, height):
    with Browser(width, height) as browser:
        open_page(browser, args.page, width, height)
        time.sleep(args.warm_up)
        browser.send("Tracing.start", {"traceConfig": {"includedCategories": CATEGORIES},
                                       "transferMode": "ReportEvents"})
        time.sleep(args.seconds)
        browser.send("Tracing.end")
        events, deadline = [], time.monotonic() + 120
        while time.monotonic() < deadline:
            message = browser._receive(deadline)
            if message.get("method") == "Tracing.dataCollected":
                events += message["params"]["value"]
            elif message.get("method") == "Tracing.tracingComplete":
                break
    return events


def task_kind(event):
    source = event.get("args", {}).get("src_file", "")
    if "dom_timer" in source:
        return "timer (the program's wake-up)"
    if "mojo" in source:
        return "message (compositor and others)"
    if "offscreen_canvas" in source:
        return "canvas placeholder update"
    return "other"


def summary(events, seconds):
    threads, processes = {}, {}
    for e in events:
        if e.get("ph") == "M" and e["name"] == "thread_name":
            threads[(e["pid"], e["tid"])] = e["args"]["name"]
        elif e.get("ph") == "M" and e["name"] == "process_name":
            processes[e["pid"]] = e["args"]["name"]
    busy = collections.Counter()
    for e in events:
        if e.get("ph") == "X" and processes.get(e["pid"]) == "Renderer":
            busy[e["pid"]] += e.get("dur", 0)
    if not busy:
        return ["no renderer events traced"]
    renderer = busy.most_common(1)[0][0]
    lines = []
    per_thread = collections.Counter()
    kinds, counts = collections.Counter(), collections.Counter()
    frames = 0
    for e in events:
        if e.get("pid") != renderer or e.get("ph") != "X":
            continue
        thread = threads.get((e["pid"], e["tid"]), str(e["tid"]))
        if e["name"] in ("ThreadControllerImpl::RunTask", "ThreadPool_RunTask", "EpollEvent"):
            per_thread[thread] += e["dur"]
        if thread == "CrRendererMain" and e["name"] == "ThreadControllerImpl::RunTask":
            kinds[task_kind(e)] += e["dur"]
            counts[task_kind(e)] += 1
        if e["name"] == "OffscreenCanvas::PushFrame":
            frames += 1
    lines.append(f"canvas frames pushed: {frames / seconds:.1f} a second")
    for thread, us in per_thread.most_common(5):
        lines.append(f"{thread}: {100 * us / 1e6 / seconds:.2f} % of a core (traced)")
    for kind, us in kinds.most_common():
        lines.append(f"  main thread, {kind}: {counts[kind] / seconds:.1f} a second, "
                     f"{100 * us / 1e6 / seconds:.2f} %")
    return lines


def main():
    parser = page_arguments(seconds=20)
    parser.add_argument("--trace", help="also write the raw trace events here (JSON)")
    args = parser.parse_args()
    width, height = (int(v) for v in args.size.split("x"))
    rates = counted(args, width, height)
    print(f"a second: {rates['wakes']:.1f} wake-ups, {rates['presents']:.1f} presented rectangles,"
          f" {rates['puts']:.1f} canvas writes of {rates['pixels'] / 1000:.0f} k pixels")
    events = traced(args, width, height)
    if args.trace:
        with open(args.trace, "w") as f:
            json.dump(events, f)
    for line in summary(events, args.seconds):
        print(line)


if __name__ == "__main__":
    main()
