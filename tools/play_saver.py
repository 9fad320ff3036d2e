#!/usr/bin/python3
"""Plays Avrel.scr under Wine, for `make run`. With an X display at hand it
runs the saver there until a key press or mouse move ends it. Without one it
plays the saver on a private Xvfb (1024 x 768, 24-bit), saves a few
screenshots as PNG, prints where they are and ends the saver with a key
press. Usage:
  play_saver.py --program Avrel.scr --prefix WINEPREFIX --arch win32|win64 --out DIR
"""
import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import saver_session  # noqa: E402

SHOTS = (2, 6, 12, 20)  # seconds after the window appears


def display_usable():
    if not os.environ.get("DISPLAY"):
        return False
    return subprocess.run(["xdotool", "getdisplaygeometry"], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=10).returncode == 0


def play_on_display(args):
    print(f"Playing {args.program} on {os.environ['DISPLAY']}; press a key or move the "
          "mouse to end it.", flush=True)
    session = saver_session.WineSession(args.prefix, args.arch, os.environ["DISPLAY"])
    try:
        process = session.start(args.program, "/s")
        code = process.wait()
        print(f"The saver ended with exit code {code}.")
        return 0 if code == 0 else 1
    finally:
        session.close()


def play_headless(args):
    print("No X display: playing the saver on a private Xvfb (1024 x 768, 24-bit).",
          flush=True)
    xvfb = saver_session.Xvfb(1024, 768)
    session = None
    try:
        session = saver_session.WineSession(args.prefix, args.arch, xvfb.display,
                                            unmanaged=True)
        session.xdotool("mousemove", "1000", "10")
        process = session.start(args.program, "/s")
        if session.wait_for_window(timeout=60, process=process) is None:
            print("The saver's window did not appear.")
            return 1
        shown = time.monotonic()
        saved = []
        for at in SHOTS:
            time.sleep(max(0.0, at - (time.monotonic() - shown)))
            path = os.path.join(args.out, f"avrel-{at:02d}s.png")
            session.screenshot().save(path)
            saved.append(path)
            print(f"  {at:2d} s: {path}", flush=True)
        session.xdotool("key", "a")
        code, taken = saver_session.wait_exit(process, 15)
        print(f"Closed by a key press: exit code {code}, {taken:.2f} s after the key.")
        print(f"Screenshots in {os.path.abspath(args.out)}")
        return 0 if code == 0 else 1
    finally:
        if session is not None:
            session.close()
        xvfb.stop()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--arch", default="win32")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    return play_on_display(args) if display_usable() else play_headless(args)


if __name__ == "__main__":
    sys.exit(main())
