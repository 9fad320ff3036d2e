#!/usr/bin/python3
"""Measures the maker in avrel.html (headless Chromium) beside avrel-custom
on the same machine, in one run:
- the time to make a show of 24 photos of 12 megapixels, from the photos
  chosen through the page's own button and chooser until the show plays,
  against avrel-custom's time for the same folder (and that both give the
  same Avrel.scr);
- the page's memory (the resident size of its renderer process, where the
  maker's worker runs, sampled every 50 ms) before, at its peak while a
  folder of 100 photos of 12 megapixels is made, and after the worker has
  ended; the same for one photo of 50 megapixels;
- the page's size and what each of its parts takes.
Photo folders are made once into --work (sample_photos.py's large photos).

Usage: measure_web_maker.py --page build/web/avrel.html
       --custom build/native/custom/avrel-custom --scr build/windows/shell/Avrel.scr
       [--work DIR] [--runs 3]
"""
import argparse
import filecmp
import html.parser
import os
import subprocess
import time

from browser import Browser
from sample_photos import write_large


def resident_kb(pids):
    total = 0
    for pid in pids:
        try:
            for line in open(f"/proc/{pid}/status"):
                if line.startswith("VmRSS:"):
                    total += int(line.split()[1])
        except OSError:
            pass
    return total


def folder_of(work, name, count, megapixels):
    folder = os.path.join(work, name)
    if not os.path.isdir(folder) or len(os.listdir(folder)) != count:
        print(f"writing {count} photos of {megapixels} MP into {folder}")
        write_large(folder, count, megapixels)
    return folder


def custom_run(args, folder, out):
    started = time.monotonic()
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", out + ".rss", args.custom, folder,
                    "-o", out, "--scr", args.scr], check=True, stdout=subprocess.DEVNULL)
    seconds = time.monotonic() - started
    return seconds, int(open(out + ".rss").read().split()[-1])


def page_run(browser, url, folder, downloads=None):
    """Seconds from choosing the photos to the show playing, and the
    renderer's resident size before, at the peak and after (KB)."""
    page = browser.open(url)
    page.wait_for("window.Module && Module._avrelServeShow && document.readyState === 'complete'",
                  timeout=10)
    time.sleep(1.0)
    renderers = browser.renderer_pids()
    before = resident_kb(renderers)
    files = [os.path.join(folder, name) for name in sorted(os.listdir(folder))]
    # As a person does: the button opens the chooser, and the photos come a
    # second later (a person takes longer), which the page uses to ready
    # its maker; the time runs from the photos chosen.
    page.call("Page.setInterceptFileChooserDialog", {"enabled": True})
    x, y = page.evaluate("""(function(){var r=document.getElementById('photos-button')
        .getBoundingClientRect(); return [r.left + r.width/2, r.top + r.height/2];})()""")
    page.click(x, y)
    chooser = None
    deadline = time.monotonic() + 10
    while chooser is None and time.monotonic() < deadline:
        page.browser.pump(0.05)
        chooser = next((params for session, method, params in page.browser.events
                        if session == page.session and method == "Page.fileChooserOpened"), None)
    time.sleep(1.0)
    started = time.monotonic()
    page.call("DOM.setFileInputFiles", {"files": files, "backendNodeId": chooser["backendNodeId"]})
    peak = before
    seconds = None
    while time.monotonic() - started < 120:
        peak = max(peak, resident_kb(renderers))
        if page.evaluate("avrelPhotos.workers.length === 0 && avrelPhotos.show !== null"):
            seconds = time.monotonic() - started
            break
        time.sleep(0.05)
    time.sleep(2.0)
    after = resident_kb(renderers)
    saved = None
    if downloads:
        path = os.path.join(downloads, "Avrel.scr")
        if os.path.exists(path):
            os.remove(path)
        page.evaluate("document.getElementById('save-scr').click()")
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline and not os.path.exists(path):
            page.browser.pump(0.05)
        saved = path if os.path.exists(path) else None
    problems = page.problems()
    page.call("Page.close")
    return seconds, before, peak, after, saved, problems


class Parts(html.parser.HTMLParser):
    """The length of each element's text that has an id, and of the rest."""

    def __init__(self):
        super().__init__(convert_charrefs=False)
        self.sizes = {}
        self.current = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.current = attrs.get("id") or (tag if tag in ("script", "style") else None)

    def handle_endtag(self, tag):
        self.current = None

    def handle_data(self, data):
        key = self.current or "page"
        self.sizes[key] = self.sizes.get(key, 0) + len(data.encode("utf-8"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--custom", required=True)
    parser.add_argument("--scr", required=True)
    parser.add_argument("--work", default="build/measure-web-maker")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    # The browser takes the photos by absolute paths only.
    args.work = os.path.abspath(args.work)
    os.makedirs(args.work, exist_ok=True)
    url = "file://" + os.path.abspath(args.page)
    twenty_four = folder_of(args.work, "photos-24", 24, 12)
    hundred = folder_of(args.work, "photos-100", 100, 12)
    large = folder_of(args.work, "photo-50mp", 1, 50)
    downloads = os.path.join(args.work, "downloads")
    os.makedirs(downloads, exist_ok=True)

    size = os.path.getsize(args.page)
    parts = Parts()
    parts.feed(open(args.page, encoding="utf-8").read())
    print(f"avrel.html: {size} bytes; parts: " +
          ", ".join(f"{k} {v}" for k, v in sorted(parts.sizes.items(), key=lambda kv: -kv[1])))
    shipped = parts.sizes.get("shipped-program", 0)
    print(f"  without the shipped program it carries: {size - shipped} bytes")

    out = os.path.join(args.work, "custom-24.scr")
    custom, pages = [], []
    with Browser(1024, 768) as browser:
        browser.send("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
        # Taken in turn, so that both see the machine as it is then.
        for _ in range(args.runs):
            custom.append(custom_run(args, twenty_four, out))
            pages.append(page_run(browser, url, twenty_four, downloads))
        same = all(p[4] and filecmp.cmp(p[4], out, shallow=False) for p in pages)
        hundred_run = page_run(browser, url, hundred)
        large_run = page_run(browser, url, large)
    native = sorted(s for s, _ in custom)[len(custom) // 2]
    web = sorted(p[0] or float("inf") for p in pages)[len(pages) // 2]
    print(f"24 photos of 12 MP: avrel-custom {native:.2f} s (runs {[round(s, 2) for s, _ in custom]}, "
          f"peak {max(m for _, m in custom) // 1024} MB), page {web:.2f} s (runs "
          f"{[round(p[0], 2) if p[0] else None for p in pages]}): {web / native:.2f} times; "
          f"the same Avrel.scr: {same}")
    for name, run in (("100 photos of 12 MP", hundred_run), ("1 photo of 50 MP", large_run)):
        seconds, before, peak, after, _, problems = run
        print(f"{name}: made in {seconds:.1f} s; the page's renderer {before // 1024} MB before, "
              f"{peak // 1024} MB at the peak, {after // 1024} MB after the worker ended"
              if seconds else f"{name}: no show made")
        if problems:
            print("  problems: " + "; ".join(problems))


if __name__ == "__main__":
    main()
