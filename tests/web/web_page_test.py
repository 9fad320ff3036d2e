#!/usr/bin/python3
"""avrel.html in a real browser (Debian's Chromium, headless, through its
DevTools protocol):
- it loads from a file:// address and from a static server on the loopback
  with no console error or uncaught exception;
- picture 1000 is on the canvas, pixel-exact in the show palette's colours,
  within 2 s of opening the page, at each of seven starts from disk and the
  first from the server;
- the first chapter plays its steady holds in order at real-time pacing:
  the stage states that last longer than one frame in avrel-render's run of
  the same show, each seen on the canvas in the same order and at the same
  moment (from picture 1000 on) within a tolerance;
  these two are the part `timing`: they time the browser as well as the
  page, so `make test` runs them with the machine to itself;
- every corner logo frame on the canvas is a frame of the corner strip;
- the canvas is scaled by the largest whole factor at which 800 x 588 fits
  the window, centred, and follows the window when it is resized;
- in full screen the pointer is hidden, the first pointer report once the
  window has settled (half a second, in which the browser reports made-up
  positions of its own) only records the position, and a later move, a key
  or a button leaves;
- a program file chosen on the page plays its own picture 1000; a junk file
  gives avrel's one-line message and the show goes on.
The canvas is read in the page: the test wraps the page's present call and
notes a hash of the stage and the logo area after every change.

Usage: web_page_test.py --page build/web/avrel.html
       --render build/native/render/avrel-render [--work DIR] [--screenshot PNG]
       [--only passes|timing | --skip timing]
"""
import argparse
import functools
import http.server
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import threading
import time

import numpy as np
from PIL import Image

from browser import WATCH_PRESENT, Browser
import stage_geometry
from stage_geometry import CORNER_LOGO_SIZE, FULL_VIEW_SIZE

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import custom_passes_test  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# x, y, width, height on the screen the page shows, a client of the full view
STAGE, LOGO = ((b[0], b[1], b[2] - b[0], b[3] - b[1])
               for b in stage_geometry.boxes_in(FULL_VIEW_SIZE))
CHAPTER_END = 14965  # chapter 2 opens here
PICTURE_1000_DONE = 870  # ms of show time: its last two steps copy it whole
# A hold may come a little early (the renderer's screenshots fall mid-frame)
# and late by what preparing the frames costs here: the deadline pacing
# never makes up a late frame, so lateness adds up over the chapter.
EARLY_MS = 150
LATE_MS = 250
LATE_SHARE = 0.15

# Notes every state of the stage and the logo area as the page presents it:
# a hash of the RGB bytes, and when (performance.now(), ms since opening).
HOOK = WATCH_PRESENT + r"""
(function () {
  var notes = { stage: [], logo: [], cost: 0, canvas1000: null };
  window.avrelNotes = notes;
  // Each pixel's RGB as one little-endian word, weighted by its place.
  function hash(words, stride, box) {
    var h = 0, i = 0;
    for (var y = box[1]; y < box[1] + box[3]; y++) {
      var p = y * stride + box[0];
      for (var x = 0; x < box[2]; x++, p++, i++)
        h = (h + Math.imul(words[p] & 0xFFFFFF, Math.imul(i + 1, 2654435761 | 0))) >>> 0;
    }
    return h;
  }
  function note(list, words, width, box) {
    var t = performance.now();
    var h = hash(words, width, box);
    if (list.length === 0 || list[list.length - 1].h !== h)
      list.push({ t: t, h: h });
    notes.cost += performance.now() - t;
    return h;
  }
  function overlaps(x, y, w, h, box) {
    return x < box[0] + box[2] && box[0] < x + w && y < box[1] + box[3] && box[1] < y + h;
  }
  avrelWatchPresent(function (present) {
    return function (pixels, width, height, x, y, w, h) {
      present(pixels, width, height, x, y, w, h);
      // What was just put on the canvas, read where the program keeps it;
      // the canvas itself is read back at the moments the test names.
      var words = new Uint32Array(HEAPU8.buffer, pixels, width * height);
      if (overlaps(x, y, w, h, %STAGE%)) {
        var s = note(notes.stage, words, width, %STAGE%);
        if (s === notes.readBackAt && notes.canvasAt === null) {
          var data = avrel.read(0, 0, width, height).data;
          notes.canvasAt = hash(new Uint32Array(data.buffer), width, %STAGE%);
        }
      }
      if (overlaps(x, y, w, h, %LOGO%)) note(notes.logo, words, width, %LOGO%);
    };
  });
})();
""".replace("%STAGE%", json.dumps(list(STAGE))).replace("%LOGO%", json.dumps(list(LOGO)))


def region_hash(rgb):
    """The page's hash of an RGB array (height x width x 3)."""
    rgb = np.ascontiguousarray(rgb, dtype=np.uint8).reshape(-1, 3).astype(np.uint32)
    words = rgb[:, 0] | rgb[:, 1] << 8 | rgb[:, 2] << 16
    weights = np.arange(1, words.size + 1, dtype=np.uint32) * np.uint32(2654435761)
    return int((words * weights).sum(dtype=np.uint64)) & 0xFFFFFFFF


def crop(rgb, box):
    x, y, w, h = box
    return rgb[y:y + h, x:x + w]


class Checks:
    def __init__(self):
        self.passed = self.failed = 0

    def summary(self, what, started):
        """Prints how long `what` took and the tally; the exit status."""
        print(f"{what} took {time.monotonic() - started:.0f} s")
        print(f"{self.passed} passed, {self.failed} failed")
        return 0 if self.failed == 0 else 1

    def check(self, ok, what, detail=""):
        if ok:
            self.passed += 1
            print(f"ok: {what}")
        else:
            self.failed += 1
            print(f"FAIL: {what}{': ' + detail if detail else ''}")
        sys.stdout.flush()
        return ok


def render_show(render, out, every, to, scr=None):
    command = [render] + (["--scr", scr] if scr else []) + [
        "show", "--out", out, "--size", "800x588", "--from", str(every // 2), "--to", str(to),
        "--every", str(every)]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    shots = []
    for name in sorted(os.listdir(out)):
        if name.startswith("screen-"):
            rgb = np.asarray(Image.open(os.path.join(out, name)).convert("RGB"))
            shots.append((int(name[7:-4]), rgb))
    return shots


def expected_holds(shots, every):
    """Runs of equal stage states in the renderer's screenshots: (start ms,
    end ms, hash) for those seen at more than one moment, which outlast a
    frame. Screenshots every `every` ms start mid-frame, so a state that
    lasts one 60 ms frame is seen once."""
    runs = []
    for ms, rgb in shots:
        h = region_hash(crop(rgb, STAGE))
        if runs and runs[-1][2] == h:
            runs[-1][1] = ms
        else:
            runs.append([ms, ms, h])
    return [tuple(r) for r in runs if r[1] > r[0]], [r[2] for r in runs]


def corner_frames(render, work):
    bmp = os.path.join(work, "corner.bmp")
    subprocess.run([render, "picture", "9000", bmp], check=True, stdout=subprocess.DEVNULL)
    strip = np.asarray(Image.open(bmp).convert("RGB"))
    palette = Image.open(bmp).getpalette()[:768]
    frames = {}
    for f in range(41):
        frames[region_hash(strip[f * CORNER_LOGO_SIZE[1]:(f + 1) * CORNER_LOGO_SIZE[1]])] = f
    return frames, {tuple(palette[i:i + 3]) for i in range(0, 768, 3)}


def gradient(path, size, blue):
    w, h = size
    x = np.linspace(0, 255, w, dtype=np.float32)[None, :].repeat(h, 0)
    y = np.linspace(0, 255, h, dtype=np.float32)[:, None].repeat(w, 1)
    rgb = np.stack([x, y, np.full_like(x, blue)], axis=2).astype(np.uint8)
    Image.fromarray(rgb).save(path, quality=90)


def custom_program(work, without=None):
    """A program file like Avrel.scr whose pictures 1000 and 1004 are plain
    gradients: the shipped resources with those replaced, linked into a PE
    file with no code, which is all the program-file check reads. With
    `without` (an id and its name in avrel.rc), that resource is left out."""
    rc = open(os.path.join(ROOT, "assets", "avrel.rc")).read()
    for pid, blue in ((1000, 128), (1004, 32)):
        jpg = os.path.join(work, f"gradient-{pid}.jpg")
        size = Image.open(os.path.join(ROOT, "assets", "pictures", f"{pid}.jpg")).size
        gradient(jpg, size, blue)
        rc = rc.replace(f'{pid} RCDATA "pictures/{pid}.jpg"', f'{pid} RCDATA "{jpg}"')
    name = "Avrel.scr"
    if without is not None:
        number, named = without
        rc = "\n".join(line for line in rc.split("\n") if not line.startswith(f"{named} "))
        name = f"lacks-{number}.scr"
    script = os.path.join(work, name + ".rc")
    with open(script, "w") as f:
        f.write(rc)
    obj = os.path.join(work, name + ".o")
    scr = os.path.join(work, name)
    subprocess.run(["i686-w64-mingw32-windres", "--include-dir=.", "-i",
                    script, "-O", "coff", "-o", obj],
                   cwd=os.path.join(ROOT, "assets"), check=True)
    subprocess.run(["i686-w64-mingw32-ld", "-o", scr, obj, "-e", "0", "--subsystem", "windows"],
                   check=True)
    return scr


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def open_page(browser, url, read_back=None):
    page = browser.open("about:blank")
    hook = HOOK.replace("notes.readBackAt", json.dumps(read_back)).replace(
        "notes.canvasAt", "notes.canvas1000")
    page.call("Page.addScriptToEvaluateOnNewDocument", {"source": hook})
    page.navigate(url)
    return page


def notes(page, which):
    return page.evaluate(f"window.avrelNotes ? window.avrelNotes.{which} : []") or []


def first_time(states, h):
    for s in states:
        if s["h"] == h:
            return s["t"]
    return None


def test_show(c, browser, url, where, expect, picture_1000, holds, all_states, frames, palette,
              screenshot=None, samples=()):
    page = open_page(browser, url, picture_1000)
    seen = page.wait_for(f"(function(){{var n=window.avrelNotes; if(!n) return 0;"
                         f"for(var s of n.stage) if(s.h==={picture_1000}) return s.t; return 0}})()",
                         timeout=6)
    c.check(seen is not None, f"{where}: picture 1000 on the canvas, pixel-exact",
            "never seen")
    if seen:
        c.check(page.evaluate("avrelNotes.canvas1000") == picture_1000,
                f"{where}: the canvas read back then holds picture 1000")
    if not expect:
        if screenshot and seen:
            # A few pictures in, with the control bar woken by the pointer.
            time.sleep(3.4)
            page.mouse("mouseMoved", 500, 600)
            time.sleep(0.7)
            page.screenshot(screenshot)
        c.check(not page.problems(), f"{where}: no console error", "; ".join(page.problems()))
        page.call("Page.close")
        return None
    # The rest of the first chapter, in real time.
    time.sleep(max(0.0, (CHAPTER_END + 600 - PICTURE_1000_DONE) / 1000.0))
    print(f"  {where}: the test's canvas reading took {page.evaluate('avrelNotes.cost'):.0f} ms")
    stage = notes(page, "stage")
    logo = notes(page, "logo")
    c.check(not page.problems(), f"{where}: no console error", "; ".join(page.problems()))
    base = first_time(stage, picture_1000)
    at = 0
    late = []
    missing = []
    for start, end, h in holds:
        found = None
        for i in range(at, len(stage)):
            if stage[i]["h"] == h:
                found = i
                break
        if found is None:
            missing.append(start)
            continue
        at = found + 1
        # Screenshots start mid-frame: the state began up to `every` ms earlier.
        offset = (stage[found]["t"] - base) - (start - PICTURE_1000_DONE)
        late.append(offset)
    c.check(not missing and holds, f"{where}: the {len(holds)} steady holds of chapter 1 in order",
            f"not seen in order: holds starting at {missing} ms")
    bad = [(start, round(x)) for (start, _, _), x in zip(holds, late)
           if x < -EARLY_MS or x > LATE_MS + LATE_SHARE * max(0, start - PICTURE_1000_DONE)]
    c.check(late and not bad,
            f"{where}: each hold at its show time, at most {EARLY_MS} ms early and "
            f"{LATE_MS} ms + {LATE_SHARE:.0%} of the time since picture 1000 late",
            f"offsets {[round(x) for x in late]}")
    print(f"  {where}: hold offsets against the renderer (ms): {[round(x) for x in late]}")
    if os.environ.get("AVREL_WEB_DEBUG"):  # what came when, against what was wanted
        print("holds", holds)
        print("stage", [(round(s["t"] - base), s["h"]) for s in stage])
    seen_states = {s["h"] for s in stage}
    matched = sum(1 for h in all_states if h in seen_states)
    c.check(matched >= 0.9 * len(all_states),
            f"{where}: the renderer's frames of chapter 1 are the canvas's",
            f"{matched} of {len(all_states)}")
    print(f"  {where}: {matched} of {len(all_states)} sampled renderer frames seen on the canvas")
    # Corner logo: every state a strip frame (black before the first).
    strange = [s for s in logo if s["h"] not in frames and s is not logo[0]]
    order = [frames[s["h"]] for s in logo if s["h"] in frames]
    c.check(not strange and len(order) >= 20, f"{where}: the corner logo shows strip frames",
            f"{len(strange)} unknown states, {len(order)} frames")
    c.check(order[:5] == [0, 1, 2, 3, 4], f"{where}: the corner logo starts with frames 0 to 4",
            str(order[:8]))
    # The cross-fade frames as they reached the canvas.
    gaps = cross_fade_gaps(stage, samples)
    if gaps:
        print(f"  {where}: cross-fade frame spacing median {np.median(gaps):.1f} ms,"
              f" max {max(gaps):.1f} ms over {len(gaps)} gaps")
    # Palette colours on the whole canvas.
    colours = page.evaluate("""(function(){
        var d=avrel.read(0,0,avrel.width,avrel.height).data; var s={};
        for(var p=0;p<d.length;p+=4) s[(d[p]<<16)|(d[p+1]<<8)|d[p+2]]=1;
        return Object.keys(s).map(Number);})()""")
    off = [v for v in colours if ((v >> 16) & 255, (v >> 8) & 255, v & 255) not in palette]
    c.check(not off, f"{where}: every canvas pixel is a palette colour", f"{len(off)} others")
    page.call("Page.close")


def cross_fade_gaps(stage, samples):
    """Spacing on the canvas of consecutive frames of the cross-fades of
    pictures 1001 to 1004 (show time 900 to 4,500 ms, 900 ms each): the
    renderer's screenshots fall mid-frame, 60 ms apart, so two consecutive
    ones within one picture's cross-fade are two consecutive frames."""
    seen = {}
    for s in stage:
        seen.setdefault(s["h"], s["t"])
    gaps = []
    for (t0, h0), (t1, h1) in zip(samples, samples[1:]):
        if 900 <= t0 and t1 < 4500 and (t0 - 900) // 900 == (t1 - 900) // 900 \
                and h0 in seen and h1 in seen:
            gaps.append(seen[h1] - seen[h0])
    return gaps


def test_starts(c, browser, url, where, picture_1000, starts):
    """The page opened `starts` times: every start shows picture 1000 within
    2 s and says nothing on the console."""
    times, problems = [], []
    for _ in range(starts):
        page = open_page(browser, url)
        seen = page.wait_for(f"(function(){{var n=window.avrelNotes; if(!n) return 0;"
                             f"for(var s of n.stage) if(s.h==={picture_1000}) return s.t;"
                             f" return 0}})()", timeout=6)
        times.append(seen if seen else float("inf"))
        problems += page.problems()
        page.call("Page.close")
    what = f"{where}: {starts} start{'s' if starts > 1 else ''}"
    c.check(max(times) <= 2000, f"{what}: picture 1000 within 2 s of opening",
            str([round(t) for t in times]))
    c.check(not problems, f"{what}: no console error", "; ".join(problems))
    finite = sorted(t for t in times if t != float("inf"))
    if finite:
        print(f"  {what}: open to picture 1000 median {finite[len(finite) // 2]:.0f} ms,"
              f" max {finite[-1]:.0f} ms")


def test_layout(c, browser, url):
    page = open_page(browser, url)
    page.wait_for("window.avrelNotes && avrelNotes.stage.length > 0", timeout=6)
    # The window's size includes what the browser puts around the page.
    outer = page.evaluate("[window.outerWidth - window.innerWidth, window.outerHeight - window.innerHeight]")
    for width, height in ((1024, 768), (1700, 1250), (2500, 1800), (700, 500), (1600, 1175)):
        page.resize(width + outer[0], height + outer[1])
        page.wait_for(f"window.innerWidth === {width} && window.innerHeight === {height}",
                      timeout=3)
        time.sleep(0.2)  # the resize event follows
        width, height = page.evaluate("[window.innerWidth, window.innerHeight]")
        view_width, view_height = FULL_VIEW_SIZE
        want = max(1, min(width // view_width, height // view_height))
        box = page.evaluate("""(function(){var r=document.getElementById('screen')
            .getBoundingClientRect();
            return [r.left, r.top, r.width, r.height, Number(document.body.dataset.scale)];})()""")
        ok = box is not None and box[4] == want and box[2] == view_width * want and \
            box[3] == view_height * want and abs(box[0] - (width - view_width * want) / 2) <= 1 and \
            abs(box[1] - (height - view_height * want) / 2) <= 1
        c.check(ok, f"window {width} x {height}: scale {want}, centred", str(box))
    page.call("Page.close")


def enter_full_screen(page):
    # Leaving full screen takes the browser a moment; a request meanwhile
    # may be refused, as a person's second click would be.
    for attempt in range(3):
        time.sleep(0.5)
        x, y = page.evaluate("""(function(){var r=document.getElementById('fullscreen')
            .getBoundingClientRect(); return [r.left + r.width/2, r.top + r.height/2];})()""")
        page.mouse("mouseMoved", x, y)
        page.click(x, y)
        if page.wait_for("!!document.fullscreenElement && "
                         "document.body.classList.contains('saver')", timeout=3):
            return True
    return False


def test_full_screen(c, browser, url):
    page = open_page(browser, url)
    page.wait_for("window.avrelNotes && avrelNotes.stage.length > 0", timeout=6)
    in_full = "!!document.fullscreenElement"
    left = "!document.fullscreenElement"
    # A move after the first report.
    ok = enter_full_screen(page)
    c.check(ok, "the Full screen button enters full screen")
    if not ok:
        return
    time.sleep(0.3)
    c.check(page.evaluate("getComputedStyle(document.body).cursor") == "none",
            "the pointer is hidden in full screen")
    time.sleep(0.5)  # the browser's own reports while the window grows pass
    page.mouse("mouseMoved", 300, 200)
    time.sleep(0.3)
    c.check(page.evaluate(in_full), "the first pointer report only records the position")
    page.mouse("mouseMoved", 300, 200)
    time.sleep(0.2)
    page.mouse("mouseMoved", 301, 200)
    c.check(page.wait_for(left, timeout=3), "a pointer move after it leaves full screen")
    # A key.
    if enter_full_screen(page):
        time.sleep(0.3)
        page.key()
        c.check(page.wait_for(left, timeout=3), "a key leaves full screen")
    else:
        c.check(False, "full screen again for the key")
    # A button, the pointer not moved.
    if enter_full_screen(page):
        time.sleep(0.3)
        page.call("Input.dispatchMouseEvent", {"type": "mousePressed", "x": 500, "y": 400,
                                               "button": "right", "clickCount": 1})
        c.check(page.wait_for(left, timeout=3), "a button leaves full screen")
        page.call("Input.dispatchMouseEvent", {"type": "mouseReleased", "x": 500, "y": 400,
                                               "button": "right", "clickCount": 1})
    else:
        c.check(False, "full screen again for the button")
    c.check(not page.problems(), "full screen: no console error", "; ".join(page.problems()))
    page.call("Page.close")


def choose_file(page, path, selector="#file"):
    """Gives the page's file input `selector` the file at `path` (or the
    files of a list), as a person choosing them would."""
    document = page.call("DOM.getDocument")
    node = page.call("DOM.querySelector", {"nodeId": document["root"]["nodeId"],
                                           "selector": selector})
    files = path if isinstance(path, list) else [path]
    page.call("DOM.setFileInputFiles", {"files": files, "nodeId": node["nodeId"]})


def drop_file(page, path):
    data = {"items": [], "files": path if isinstance(path, list) else [path],
            "dragOperationsMask": 1}
    for kind in ("dragEnter", "dragOver", "drop"):
        page.call("Input.dispatchDragEvent", {"type": kind, "x": 400, "y": 300, "data": data})


def test_program_files(c, browser, url, render, work):
    scr = custom_program(work)
    lacking = custom_program(work, without=(4099, "IDR_SHOW_PALETTE_MAP"))
    shots = render_show(render, os.path.join(work, "custom-render"), 60, 4500, scr)
    want = [region_hash(crop(rgb, STAGE)) for ms, rgb in shots if ms == PICTURE_1000_DONE]
    # Picture 1004 complete (its cross-fade from 3,600 ms, as 1000's from 0).
    want_1004 = [region_hash(crop(rgb, STAGE)) for ms, rgb in shots
                 if ms == PICTURE_1000_DONE + 3600]
    junk = os.path.join(work, "junk.scr")
    with open(junk, "wb") as f:
        f.write(b"MZ this is not a program file" + bytes(range(256)) * 4)
    page = open_page(browser, url)
    page.wait_for("window.avrelNotes && avrelNotes.stage.length > 0", timeout=6)
    page.call("DOM.enable")
    choose_file(page, scr)
    found = page.wait_for(f"avrelNotes.stage.some(function(s){{return s.h==={want[0]}}})",
                          timeout=6) if want else None
    c.check(found, "a chosen Avrel.scr plays its own picture 1000")
    c.check(page.evaluate("document.getElementById('message').textContent") == "",
            "a good program file gives no message")
    # A program file without the palette's colour table, chosen while the
    # chosen one plays: refused by name, and the pictures the show decodes
    # from then on are still the chosen file's, not the built-in ones.
    page.evaluate("avrelMessage('')")  # each message stays a few seconds
    choose_file(page, lacking)
    message = page.wait_for("document.getElementById('message').textContent", timeout=5)
    c.check(message == "lacks-4099.scr lacks resources the show needs: RT_RCDATA 4099",
            "a program file lacking a resource gives avrel's one-line message", repr(message))
    found = page.wait_for(f"avrelNotes.stage.some(function(s){{return s.h==={want_1004[0]}}})",
                          timeout=8) if want_1004 else None
    c.check(found, "after the refused file the show goes on with the chosen file's pictures")
    expected = subprocess.run([render, "--scr", junk, "picture", "1000",
                               os.path.join(work, "none.bmp")],
                              capture_output=True, text=True).stderr.strip()
    expected = expected.replace("avrel-render: ", "", 1).replace(junk, "junk.scr")
    before = len(notes(page, "stage")) + len(notes(page, "logo"))
    page.evaluate("avrelMessage('')")
    drop_file(page, junk)
    message = page.wait_for("document.getElementById('message').textContent", timeout=5)
    c.check(message == expected, "a junk file dropped on the page gives avrel's one-line message",
            f"{message!r} against {expected!r}")
    time.sleep(1.5)
    after = len(notes(page, "stage")) + len(notes(page, "logo"))
    c.check(after > before + 5, "the show goes on after the junk file", f"{before} -> {after}")

    c.check(not page.problems(), "program files: no console error", "; ".join(page.problems()))
    page.call("Page.close")


def test_passes(c, browser, url, render, custom, base, work):
    """A personal Avrel.scr of 30 photos with chapter 2 titled "Lisbon",
    chosen on the page: its title, and in the second pass the 25th photo,
    on the canvas as avrel-render draws them (about 100 s)."""
    folder = os.path.join(work, "passes")
    os.makedirs(folder, exist_ok=True)
    scr, moments, _ = custom_passes_test.make_show(custom, render, base, folder)
    if not c.check(scr is not None, "avrel-custom's saver of 30 photos and its screens"):
        return
    second = custom_passes_test.PASS_MS + PICTURE_1000_DONE
    shots = os.path.join(folder, "page-render")
    subprocess.run([render, "--scr", scr, "show", "--out", shots, "--size", "640x480", "--at",
                    str(second)], check=True, stdout=subprocess.DEVNULL)
    wanted = [("chapter 2's title 'Lisbon'", moments[0]["reference"], 40),
              ("the 25th photo where the first pass showed the first",
               os.path.join(shots, "screen-%06d.png" % second), 120)]
    page = open_page(browser, url)
    page.wait_for("window.avrelNotes && avrelNotes.stage.length > 0", timeout=6)
    page.call("DOM.enable")
    choose_file(page, scr)
    for what, shot, limit in wanted:
        h = region_hash(np.asarray(Image.open(shot).convert("RGB")))
        c.check(page.wait_for(f"avrelNotes.stage.some(function(s){{return s.h==={h}}})",
                              timeout=limit), f"the page shows {what} as avrel-render draws it")
    c.check(not page.problems(), "passes: no console error", "; ".join(page.problems()))
    page.call("Page.close")


def click_button(page, name):
    x, y = page.evaluate(f"""(function(){{var r=document.getElementById('{name}')
        .getBoundingClientRect(); return [r.left + r.width/2, r.top + r.height/2];}})()""")
    page.mouse("mouseMoved", x, y)
    page.click(x, y)


def test_pause(c, browser, url):
    page = open_page(browser, url)
    page.wait_for("window.avrelNotes && avrelNotes.logo.length > 3", timeout=6)
    count = "avrelNotes.stage.length + avrelNotes.logo.length"
    click_button(page, "pause")
    time.sleep(0.3)
    before = page.evaluate(count)
    time.sleep(1.5)
    held = page.evaluate(count)
    c.check(held == before and page.evaluate("document.getElementById('pause').textContent")
            == "Play", "Pause holds the show", f"{before} -> {held}")
    click_button(page, "pause")
    time.sleep(1.5)
    c.check(page.evaluate(count) > held + 5, "Play lets it go on")
    page.call("Page.close")


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--render", required=True)
    parser.add_argument("--work")
    parser.add_argument("--screenshot")
    # a personal saver's passes: avrel-custom and the Windows build's
    # Avrel.scr it starts from; without them that part is skipped
    parser.add_argument("--custom")
    parser.add_argument("--base")
    parser.add_argument("--only", choices=["passes", "timing"], help="run only this part")
    parser.add_argument("--skip", choices=["timing"], help="run all but this part")
    args = parser.parse_args(argv)
    started = time.monotonic()
    page_path = os.path.abspath(args.page)
    work = args.work or tempfile.mkdtemp(prefix="avrel-web-")
    os.makedirs(work, exist_ok=True)
    c = Checks()

    every = 60
    timing = args.skip != "timing" and args.only in (None, "timing")
    shots = render_show(args.render, os.path.join(work, "render"), every, CHAPTER_END)
    holds, all_states = expected_holds(shots, every)
    samples = [(ms, region_hash(crop(rgb, STAGE))) for ms, rgb in shots]
    picture_1000 = [region_hash(crop(rgb, STAGE)) for ms, rgb in shots
                    if ms == PICTURE_1000_DONE][0]
    frames, palette = corner_frames(args.render, work)
    print(f"renderer: {len(holds)} steady holds in chapter 1, {len(all_states)} frames sampled")

    server = serve(os.path.dirname(page_path))
    http_url = f"http://127.0.0.1:{server.server_address[1]}/{os.path.basename(page_path)}"
    file_url = pathlib.Path(page_path).as_uri()  # spaces and the like escaped
    try:
        with Browser(1024, 768) as browser:
            if timing:
                # The browser's first page is among them: the slowest start.
                test_starts(c, browser, file_url, "file://", picture_1000, 7)
                test_starts(c, browser, http_url, "http://", picture_1000, 1)
                test_show(c, browser, file_url, "file://", True, picture_1000, holds, all_states,
                          frames, palette, samples=samples)
                if args.only == "timing":
                    return c.summary("web page timing", started)
            if args.only in (None, "passes") and args.custom and args.base and \
                    os.path.isfile(args.base):
                test_passes(c, browser, file_url, args.render, args.custom, args.base, work)
            else:
                print("skipped the passes: no --custom or no --base (make native windows)")
            if args.only == "passes":
                return 0 if c.failed == 0 else 1
            test_show(c, browser, http_url, "http://", False, picture_1000, holds, all_states,
                      frames, palette, args.screenshot)
            test_layout(c, browser, file_url)
            test_full_screen(c, browser, file_url)
            test_program_files(c, browser, file_url, args.render, work)
            test_pause(c, browser, file_url)
    finally:
        server.shutdown()
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)
    return c.summary("web page tests", started)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
