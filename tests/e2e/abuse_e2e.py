#!/usr/bin/python3
"""The real Avrel.scr under Wine, abused: abuse_e2e.py SCENARIO --program
Avrel.scr --prefix WINEPREFIX --arch win32|win64.

  many_closes     20 starts of /s in a row, each ended by another input
  junk_arguments  30 starts with seeded random junk arguments
  damaged_files   copies of the program file with damaged resources

Like avrel_e2e.py, each scenario runs on private Xvfb displays with Wine
servers of its own, bounds every wait and ends only what it started.
"""
import os
import random
import subprocess
import sys
import threading
import time

import saver_session
import e2e_support
from e2e_support import CLOSE_LIMIT, SCREEN, STAGE, start_saver
from saver_session import wait_exit

PASS_SECONDS = 86  # one pass of the show is 84.245 s


def leftover_processes(session):
    """Processes of this prefix still running the program file."""
    name = os.path.basename(session.program).encode()
    prefix = f"WINEPREFIX={session.prefix}".encode()
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                command = f.read()
            with open(f"/proc/{pid}/environ", "rb") as f:
                environment = f.read().split(b"\0")
        except OSError:
            continue
        if name in command and prefix in environment:
            found.append(int(pid))
    return found


def timed_close(session, process, action):
    """Runs `action`; (exit code or None, seconds from the input to the end)."""
    started = time.monotonic()
    action()
    code, _ = wait_exit(process, 15)
    return code, time.monotonic() - started


def scenario_many_closes(session, checks, args):
    inputs = [
        ("a letter key", lambda: session.xdotool("key", "a")),
        ("Escape", lambda: session.xdotool("key", "Escape")),
        ("F1", lambda: session.xdotool("key", "F1")),
        ("the left button", lambda: session.xdotool("click", "1")),
        ("the middle button", lambda: session.xdotool("click", "2")),
        ("the right button", lambda: session.xdotool("click", "3")),
        ("a 1-pixel move", lambda: session.xdotool("mousemove", "601", "400")),
        ("a 50-pixel move", lambda: session.xdotool("mousemove", "650", "400")),
    ]
    times = []
    for start in range(20):
        what, action = inputs[start % len(inputs)]
        # Parked first: the window's first mouse report is where the pointer rests.
        session.xdotool("mousemove", "600", "400")
        process, window = start_saver(session, checks, "/s")
        if window is None:
            continue
        time.sleep(1)
        if not checks.expect(process.poll() is None, f"start {start + 1} running before {what}",
                             f"exit code {process.poll()}"):
            continue
        code, taken = timed_close(session, process, action)
        checks.expect(code == 0, f"start {start + 1}: exit code 0 after {what}",
                      "still running after 15 s" if code is None else f"exit code {code}")
        checks.expect(code is not None and taken <= CLOSE_LIMIT,
                      f"start {start + 1}: the end within {CLOSE_LIMIT:.1f} s of {what}",
                      f"{taken:.3f} s")
        left = leftover_processes(session)
        checks.expect(not left, f"start {start + 1}: no process of ours left", f"pids {left}")
        if code == 0:
            times.append(taken)
        checks.note(f"start {start + 1}: {what} ended it in {taken:.3f} s")
    within = sum(1 for t in times if t <= CLOSE_LIMIT)
    checks.note(f"closed within {CLOSE_LIMIT:.0f} s: {within} of 20; slowest "
                f"{max(times) if times else float('nan'):.3f} s")


def expected_mode(tail):
    """The mode the saver's documented switches give a command-line tail."""
    if not tail:
        return "configure"
    if len(tail) >= 2 and tail[0] in "/-":
        return {"c": "configure", "s": "run"}.get(tail[1].lower(), "none")
    return "none"


def junk_arguments(rng):
    """One to three arguments of printable junk without blanks or quotes;
    often starting like a switch."""
    alphabet = [chr(c) for c in range(33, 127) if chr(c) not in "\"\\"]
    arguments = []
    for i in range(rng.randint(1, 3)):
        word = "".join(rng.choice(alphabet) for _ in range(rng.randint(1, 12)))
        if i == 0 and rng.random() < 0.6:
            word = rng.choice("/-") + rng.choice("sScCpPx") + word
        arguments.append(word)
    return arguments


def scenario_junk_arguments(session, checks, args):
    rng = random.Random(20261208)
    clean = 0
    session.xdotool("mousemove", "600", "400")
    for start in range(30):
        arguments = junk_arguments(rng)
        mode = expected_mode(" ".join(arguments))
        process = session.start(session.program, *arguments)
        if mode == "none":
            window = None
            deadline = time.monotonic() + 15
            while process.poll() is None and time.monotonic() < deadline:
                window = window or (session.windows_named() or [None])[0]
                time.sleep(0.1)
            code, _ = wait_exit(process, 1)
        else:
            window = session.wait_for_window(timeout=60, process=process)
            if window is not None:
                time.sleep(0.5)
                session.xdotool("windowfocus", "--sync", str(window))
                session.xdotool("key", "Escape")
            code, _ = wait_exit(process, 15)
        what = f"start {start + 1} with {arguments} ({mode})"
        ok = checks.expect(code == 0, f"{what} to end with 0",
                           "still running" if code is None else f"exit code {code}")
        ok &= checks.expect((window is not None) == (mode != "none"),
                            f"{what}: a window only for the configure and saver modes",
                            "a window" if window is not None else "no window")
        clean += ok
        checks.note(f"{what}: exit {code}, {'a' if window else 'no'} window")
    checks.note(f"junk-argument starts that exited 0 as expected: {clean} of 30")


def damaged_copies(args, checks):
    """The four damaged program files, each checked to carry its damage."""
    tool = os.path.join(saver_session.ROOT, "tools", "assets", "pe_resources.py")
    damages = {
        "scrambled": ["--scramble", "10:1000"],
        "halved": ["--halve", "10:2000"],
        "no-corner-strip": ["--remove", "10:9000"],
        "no-palette": ["--remove", "10:4098"],
    }
    copies = {}
    for name, damage in damages.items():
        path = os.path.join(args.workdir, f"Avrel-{name}.scr")
        subprocess.run([sys.executable, tool, "damage", args.program, path, *damage], check=True)
        copies[name] = path
    listing = {}
    for name, path in copies.items():
        out = subprocess.run([sys.executable, tool, "list", path], check=True,
                             stdout=subprocess.PIPE).stdout.decode()
        listing[name] = {line.split()[0]: int(line.split()[3]) for line in out.splitlines()}
    original = open(args.program, "rb").read()
    checks.expect(open(copies["scrambled"], "rb").read() != original,
                  "the scrambled copy to differ", "the same bytes")
    whole = listing["scrambled"].get("10:2000")
    checks.expect(listing["halved"].get("10:2000") == whole // 2,
                  f"picture 2000 cut to {whole // 2} bytes", listing["halved"].get("10:2000"))
    checks.expect("10:9000" not in listing["no-corner-strip"], "no corner strip", "still there")
    checks.expect("10:4098" not in listing["no-palette"], "no palette", "still there")
    return copies


def play_whole_pass(name, program, args, results):
    """Plays `program` for a pass on a display and prefix of its own; fills
    results[name] with what happened."""
    result = results[name] = {"window": False, "alive": False, "distinct": 0, "code": None,
                              "close": None}
    xvfb = saver_session.Xvfb(*SCREEN)
    session = None
    try:
        session = saver_session.WineSession(f"{args.prefix}-{name}", args.arch, xvfb.display,
                                            unmanaged=True)
        session.program = program
        session.xdotool("mousemove", "600", "400")
        process = session.start(program, "/s")
        window = session.wait_for_window(timeout=120, process=process)
        result["window"] = window is not None
        if window is None:
            return
        shots = set()
        started = time.monotonic()
        while time.monotonic() - started < PASS_SECONDS and process.poll() is None:
            shots.add(session.screenshot(STAGE).tobytes())
            time.sleep(3)
        result["alive"] = process.poll() is None
        result["distinct"] = len(shots)
        result["code"], result["close"] = timed_close(
            session, process, lambda: session.xdotool("key", "a"))
    finally:
        if session is not None:
            session.close()
        xvfb.stop()


def scenario_damaged_files(session, checks, args):
    copies = damaged_copies(args, checks)
    # The three that must play a pass, side by side, each on its own display
    # and Wine server: three passes in the time of one.
    results = {}
    threads = [threading.Thread(target=play_whole_pass, args=(name, copies[name], args, results))
               for name in ("scrambled", "halved", "no-corner-strip")]
    for thread in threads:
        thread.start()

    # Meanwhile, without its palette: it still runs and closes.
    session.program = copies["no-palette"]
    session.xdotool("mousemove", "600", "400")
    process, window = start_saver(session, checks, "/s")
    if window is not None:
        time.sleep(5)
        checks.expect(process.poll() is None, "the copy without palette still running after 5 s",
                      f"exit code {process.poll()}")
        code, taken = timed_close(session, process, lambda: session.xdotool("key", "a"))
        checks.expect(code == 0 and taken <= CLOSE_LIMIT,
                      f"the copy without palette to end with 0 within {CLOSE_LIMIT:.0f} s of a key",
                      f"exit code {code} after {taken:.3f} s")
        checks.note(f"no-palette: ran 5 s, closed by a key in {taken:.3f} s, exit {code}")

    for thread in threads:
        thread.join(PASS_SECONDS + 300)
    for name in ("scrambled", "halved", "no-corner-strip"):
        r = results.get(name, {})
        checks.expect(r.get("window"), f"{name}: a saver window", "none")
        checks.expect(r.get("alive"), f"{name}: still running after a whole pass", "it died")
        checks.expect(r.get("distinct", 0) >= 5, f"{name}: the show going on (5+ different stages)",
                      f"{r.get('distinct')} different stages")
        checks.expect(r.get("code") == 0 and r.get("close") is not None and
                      r["close"] <= CLOSE_LIMIT,
                      f"{name}: exit 0 within {CLOSE_LIMIT:.0f} s of a key",
                      f"exit code {r.get('code')} after {r.get('close')}")
        close = f"{r['close']:.3f} s" if r.get("close") is not None else "never"
        checks.note(f"{name}: played {PASS_SECONDS} s, {r.get('distinct')} different stages, "
                    f"closed in {close} with exit {r.get('code')}")


if __name__ == "__main__":
    sys.exit(e2e_support.main(e2e_support.scenarios_of(globals()), e2e_support.wine_arguments,
                              e2e_support.run_wine_scenario))
