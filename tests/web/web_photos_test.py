#!/usr/bin/python3
"""Your photos in avrel.html, in a real browser (Debian's Chromium,
headless, through its DevTools protocol), against avrel-custom and
avrel-render of the same photos:
- photos chosen through the page's own control: the progress bar moves
  (photo N of M), then the stage shows the first photo pixel-exact as
  avrel-render --scr draws the program file avrel-custom makes of them; a
  damaged photo, a bomb, a HEIC file and a text file among them are listed
  with their reasons;
- Save Avrel.scr downloads a file byte-identical to avrel-custom's;
- the fit switched to contain makes the show again, as --fit contain does;
- one control brings the show's own pictures back;
- a dropped photo makes a show of itself, as avrel-custom does;
- a folder of nothing usable (a photo two folders down is not read, as
  avrel-custom reads a folder) keeps the show that plays and says why;
- a folder of two day-folders with more photos than pictures: chapters
  from the folders, titled with their names in the show's own lettering,
  and every photo pass by pass; Save Avrel.scr gives avrel-custom's bytes;
- the words panel: a name and a title lettered and the photos shuffled
  give avrel-custom's bytes for the same words and seed, in a file named
  after the show; a character the faces lack is named, the show stays;
- Save page: the saved page, opened from disk, plays the photos with no
  console error and writes the same Avrel.scr; from a static server the
  page makes a show and saves both files too;
- the page and its workers ask for nothing but the page itself (blob: and
  data: addresses are the page's own memory).

Usage: web_photos_test.py --page build/web/avrel.html
       --render build/native/render/avrel-render
       --custom build/native/custom/avrel-custom --scr build/windows/shell/Avrel.scr
       [--work DIR] [--screenshot PNG]
"""
import argparse
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time

from browser import Browser
from sample_photos import write_mixed, write_scenes
from web_page_test import (PICTURE_1000_DONE, STAGE, Checks, choose_file, crop, drop_file,
                           open_page, region_hash, render_show, serve)

# What a phone writes first: an ISO box naming the HEIC brands.
HEIC_START = (b"\x00\x00\x00\x18ftypheic\x00\x00\x00\x00mif1heic"
              b"\x00\x00\x00\x10meta\x00\x00\x00\x00\x00\x00\x00\x00")


class Made:
    """avrel-custom's program file of a folder and the hash of its first
    picture complete on the stage, as avrel-render draws it (the show's own
    when `folder` is None)."""

    def __init__(self, args, work, name, folder=None, fit="cover"):
        self.scr = None
        if folder is not None:
            self.scr = os.path.join(work, name + ".scr")
            subprocess.run([args.custom, folder, "-o", self.scr, "--scr", args.scr,
                            "--fit", fit], check=True, stdout=subprocess.DEVNULL)
        shots = render_show(args.render, os.path.join(work, name + "-render"), 60,
                            PICTURE_1000_DONE + 30, self.scr)
        self.first = [region_hash(crop(rgb, STAGE)) for ms, rgb in shots
                      if ms == PICTURE_1000_DONE][0]


def shows(page, picture, timeout=10):
    return page.wait_for(f"window.avrelNotes && avrelNotes.stage.some(function(s)"
                         f"{{return s.h==={picture}}})", timeout=timeout)


# Every state of the progress bar while the maker's panel shows, as the page
# sets it: polling alone misses states when the machine is busy.
PROGRESS_WATCH = r"""
(function () {
  var seen = window.avrelProgressSeen = [];
  var panel = document.getElementById('making');
  var bar = document.getElementById('progress');
  var text = document.getElementById('making-text');
  new MutationObserver(function () {
    var last = seen[seen.length - 1];
    if (!panel.hidden && !(last && last[0] === bar.value && last[1] === text.textContent))
      seen.push([bar.value, text.textContent]);
  }).observe(text, { childList: true, characterData: true, subtree: true });
})();
"""


def making(page, timeout=40, screenshot=None):
    """Watches a job of the maker from its start to its end: the progress
    bar's values and texts as they came, and the report after it. With
    `screenshot`, the page is taken there a third of the way."""
    seen = []
    started = False
    begun = time.monotonic()
    while time.monotonic() - begun < timeout:
        state = page.evaluate("[document.getElementById('making').hidden,"
                              " document.getElementById('progress').value,"
                              " document.getElementById('making-text').textContent]")
        if not state[0]:
            started = True
            if not seen or seen[-1] != state[1:]:
                seen.append(state[1:])
            if screenshot and state[1] >= 8:
                page.screenshot(screenshot)
                screenshot = None
        elif started or time.monotonic() - begun > 15:
            break
        time.sleep(0.02)
    report = page.evaluate("Array.prototype.map.call(document.querySelectorAll"
                           "('#report-lines div'), function (d) { return d.textContent; })")
    # The page's own record where it keeps one (watched() starts it), from
    # this job's start: the next job's starts empty.
    recorded = page.evaluate("window.avrelProgressSeen ? avrelProgressSeen.splice(0) : null")
    return recorded if recorded else seen, report


def save(page, button, folder, name, timeout=60):
    """Clicks a save button; the path of the file it downloads, or None.
    The page writes the program file in the maker's worker, which a busy
    machine may keep waiting for many seconds."""
    path = os.path.join(folder, name)
    if os.path.exists(path):
        os.remove(path)
    page.evaluate(f"document.getElementById('{button}').click()")
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if os.path.exists(path):
            return path
        page.browser.pump(0.05)  # a worker the page starts waits for the test
    return None


def set_fit(page, fit):
    page.evaluate(f"var f = document.getElementById('fit'); f.value = '{fit}';"
                  " f.dispatchEvent(new Event('change'))")


def same_bytes(c, path, wanted, what):
    """Checks that the download at `path` (None: none came) holds the bytes
    of the file `wanted`, saying where they part."""
    if path is None:
        return c.check(False, what, "no download came")
    got, want = open(path, "rb").read(), open(wanted, "rb").read()
    at = next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))
    return c.check(got == want, what, f"{len(got)} bytes against avrel-custom's {len(want)},"
                   f" the first difference at byte {at}")


def outside(page):
    return [url for url in page.requests() if not url.startswith(("blob:", "data:"))]


def closed(c, page, where):
    """The page (and its workers) asked for nothing beyond it and said no
    error; then it is closed."""
    c.check(not outside(page), f"{where}: no request beyond the page", str(outside(page)))
    c.check(not page.problems(), f"{where}: no console error", "; ".join(page.problems()))
    page.call("Page.close")


def watched(browser, url):
    page = open_page(browser, url)
    page.wait_for("window.avrelNotes && avrelNotes.stage.length > 0", timeout=6)
    page.evaluate(PROGRESS_WATCH)
    page.call("Network.enable")
    page.watch_workers()
    page.call("DOM.enable")
    return page


def files_of(folder):
    return [os.path.join(folder, name) for name in sorted(os.listdir(folder))]


def test_photos(c, browser, url, made, folders, downloads, work, args):
    page = watched(browser, url)
    page.mouse("mouseMoved", 500, 600)  # the control bar shows
    choose_file(page, files_of(folders["photos"]), "#photos")
    progress, report = making(page, screenshot=args.screenshot)
    counts = [value for value, text in progress if text.startswith("Photo ")]
    wholes = [text.split(" of ")[1] for _, text in progress if " of " in text]
    c.check(len(set(counts)) >= 3 and max(counts) >= 20 and
            any(text == "Photo %d of 24" % value for value, text in progress) and
            all(int(whole) >= 24 for whole in wholes),
            "chosen photos: the progress bar moves, photo N of 24, never of fewer",
            str(progress[:6]))
    c.check(shows(page, made["cover"].first),
            "the stage shows the first photo as avrel-render draws avrel-custom's file")
    want = ["Skipped 09-broken.jpg: damaged: the file ends early",
            "Skipped 10-notes.txt: not a picture",
            "Skipped 11-giant.png: claims 900 megapixels (more than 150)",
            "Skipped 12-phone.heic: HEIC photos need libheif, which this build lacks"]
    c.check(report[:1] == ["Your show: 24 pictures from 8 photos."] and
            all(line in report for line in want),
            "a damaged photo, a bomb, a HEIC file and a text file are listed with reasons",
            str(report))

    same_bytes(c, save(page, "save-scr", downloads, "Avrel.scr"), made["cover"].scr,
               "file://: Save Avrel.scr gives avrel-custom's bytes")
    saved = save(page, "save-page", downloads, "avrel.html")
    c.check(saved is not None, "file://: Save page downloads avrel.html")
    if saved:
        os.replace(saved, os.path.join(work, "personal.html"))

    set_fit(page, "contain")
    making(page)
    c.check(shows(page, made["contain"].first), "the fit switched to contain: as --fit contain")

    page.evaluate("document.getElementById('own').click()")
    c.check(shows(page, made["own"].first) and
            page.evaluate("document.getElementById('save-scr').hidden"),
            "the show's own pictures come back with one control")

    # Back to cover: with no photos at hand the switch makes nothing.
    set_fit(page, "cover")
    drop_file(page, files_of(folders["one"]))
    making(page)
    c.check(shows(page, made["one"].first),
            "a dropped photo: a show of it alone, as avrel-custom makes it")

    before = page.evaluate("avrelNotes.stage.length")
    choose_file(page, folders["junk"], "#folder")
    _, report = making(page)
    c.check(report == ["None of the 2 files is a usable photo; the pictures that play stay.",
                       "Skipped a-notes.txt: not a picture",
                       "Skipped b-broken.jpg: damaged: the file ends early"],
            "a folder of nothing usable: the page says why", str(report))
    time.sleep(1.0)
    c.check(page.evaluate("avrelNotes.stage.length") > before + 3 and
            not page.evaluate("document.getElementById('save-scr').hidden"),
            "a folder of nothing usable: the show that plays stays")

    choose_file(page, folders["days"], "#folder")
    _, report = making(page)
    c.check(report == ["Your show: 28 photos in its 24 pictures, each shown once over 7 passes."],
            "two day-folders: every photo, pass by pass", str(report))
    c.check(shows(page, made["days"].first),
            "two day-folders: the stage shows the first photo as avrel-render draws it")
    same_bytes(c, save(page, "save-scr", downloads, "Avrel.scr"), made["days"].scr,
               "two day-folders: Save Avrel.scr gives avrel-custom's bytes, titles lettered alike")

    test_words(c, page, args, folders["days"], downloads, work)
    closed(c, page, "file://")


def set_words(page, words, shuffle):
    """Fills the words panel and makes the show again, as a change does."""
    page.evaluate("document.getElementById('words-button').click()")
    page.evaluate("var f = document.getElementById('words');"
                  f" var words = {json.dumps(words)};"
                  " Array.prototype.forEach.call(f.querySelectorAll('input:not([type])'),"
                  " function (i) { i.value = words[i.name] || ''; });"
                  f" f.elements.shuffle.checked = {json.dumps(shuffle)};"
                  " f.elements.shuffle.dispatchEvent(new Event('change', {bubbles: true}))")


def test_words(c, page, args, days, downloads, work):
    """The words panel: a name and a title lettered and the photos shuffled
    give avrel-custom's bytes with the same words and seed, in a file named
    after the show; a character the faces lack is named and the show that
    plays stays."""
    set_words(page, {"name": "Lisbon 2026", "title 2": "Alfama"}, True)
    _, report = making(page)
    seed = next((line.split("--seed ")[1].split()[0] for line in report
                 if "--seed " in line), None)
    c.check(len(report) == 2 and report[0].startswith("Your show: 28 photos") and seed,
            "words and shuffle: the show is made, and the seed of its order said", str(report))
    if not seed:
        return
    custom = os.path.join(work, "words-custom")
    os.makedirs(custom)
    subprocess.run([os.path.abspath(args.custom), days, "--scr", os.path.abspath(args.scr),
                    "--name", "Lisbon 2026", "--title", "2", "Alfama", "--shuffle", "--seed", seed],
                   cwd=custom, check=True, stdout=subprocess.DEVNULL)
    same_bytes(c, save(page, "save-scr", downloads, "Lisbon 2026.scr"),
               os.path.join(custom, "Lisbon 2026.scr"),
               "words and shuffle: Save gives 'Lisbon 2026.scr', avrel-custom's bytes for the same"
               " words and seed")

    before = page.evaluate("avrelNotes.stage.length")
    set_words(page, {"title 2": "\u91cc\u65af\u672c"}, False)
    _, report = making(page)
    c.check(len(report) == 1 and report[0].startswith("No show could be made:") and
            "U+91CC" in report[0],
            "a title the faces cannot letter: the character is named", str(report))
    time.sleep(1.0)
    c.check(page.evaluate("avrelNotes.stage.length") > before + 3,
            "a title the faces cannot letter: the show that plays stays")


def test_saved_page(c, browser, path, made, downloads):
    page = watched(browser, pathlib.Path(path).as_uri())
    c.check(shows(page, made["cover"].first, 6),
            "the saved page, opened from disk, plays the photos from their first")
    same_bytes(c, save(page, "save-scr", downloads, "Avrel.scr"), made["cover"].scr,
               "the saved page's Save Avrel.scr gives avrel-custom's bytes")
    closed(c, page, "saved page")


def test_server(c, browser, url, made, folders, downloads):
    page = watched(browser, url)
    choose_file(page, files_of(folders["one"]), "#photos")
    making(page)
    c.check(shows(page, made["one"].first), "http://: the show of the chosen photo plays")
    same_bytes(c, save(page, "save-scr", downloads, "Avrel.scr"), made["one"].scr,
               "http://: Save Avrel.scr gives avrel-custom's bytes")
    c.check(save(page, "save-page", downloads, "avrel.html") is not None,
            "http://: Save page downloads avrel.html")
    closed(c, page, "http://")


def write_folders(work):
    folders = {name: os.path.join(work, name) for name in ("photos", "one", "junk")}
    write_mixed(folders["photos"])
    with open(os.path.join(folders["photos"], "12-phone.heic"), "wb") as f:
        f.write(HEIC_START + bytes(range(256)) * 8)
    os.makedirs(folders["one"])
    shutil.copy(os.path.join(folders["photos"], "01-landscape.jpg"), folders["one"])
    os.makedirs(folders["junk"])
    shutil.copy(os.path.join(folders["photos"], "10-notes.txt"),
                os.path.join(folders["junk"], "a-notes.txt"))
    shutil.copy(os.path.join(folders["photos"], "09-broken.jpg"),
                os.path.join(folders["junk"], "b-broken.jpg"))
    # Read as avrel-custom reads a folder: its sub-folders, not theirs.
    inner = os.path.join(folders["junk"], "inner", "deeper")
    os.makedirs(inner)
    shutil.copy(os.path.join(folders["photos"], "01-landscape.jpg"), inner)
    folders["days"] = os.path.join(work, "days")
    for day in ("Day 1 Lisbon", "Day 2 Porto"):
        write_scenes(os.path.join(folders["days"], day), 14)
    return folders


def run(c, args, work):
    folders = write_folders(work)
    made = {"cover": Made(args, work, "cover", folders["photos"]),
            "contain": Made(args, work, "contain", folders["photos"], "contain"),
            "one": Made(args, work, "one", folders["one"]),
            "days": Made(args, work, "days", folders["days"]),
            "own": Made(args, work, "own")}
    downloads = os.path.join(work, "downloads")
    os.makedirs(downloads)
    page = os.path.abspath(args.page)
    server = serve(os.path.dirname(page))
    try:
        with Browser(1024, 768) as browser:
            browser.send("Browser.setDownloadBehavior",
                         {"behavior": "allow", "downloadPath": downloads})
            test_photos(c, browser, pathlib.Path(page).as_uri(), made, folders, downloads, work,
                        args)
            personal = os.path.join(work, "personal.html")
            if os.path.exists(personal):
                test_saved_page(c, browser, personal, made, downloads)
            test_server(c, browser, f"http://127.0.0.1:{server.server_address[1]}/"
                        f"{os.path.basename(page)}", made, folders, downloads)
    finally:
        server.shutdown()


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--render", required=True)
    parser.add_argument("--custom", required=True)
    parser.add_argument("--scr", required=True)
    parser.add_argument("--work")
    parser.add_argument("--screenshot", help="a PNG of the page while it makes a show")
    args = parser.parse_args(argv)
    started = time.monotonic()
    work = args.work or tempfile.mkdtemp(prefix="avrel-web-photos-")
    os.makedirs(work, exist_ok=True)
    c = Checks()
    try:
        run(c, args, work)
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)
    return c.summary("web photo tests", started)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
