#!/usr/bin/python3
"""Plays the Linux program avrel, for `make play`. With an X display at hand
it runs avrel there in a window of its own until q, Escape or the window's
close button ends it. Without one it plays avrel in its own window on a
private Xvfb (1024 x 768, 24-bit), saves a few screenshots as PNG, prints
where they are and ends avrel with SIGTERM, as xscreensaver does. Usage:
  play_avrel.py --program avrel --out DIR
"""
import argparse
import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import avrel_x  # noqa: E402

SHOTS = (2, 6, 12, 20)  # seconds after the start


def display_usable():
    if not os.environ.get("DISPLAY"):
        return False
    return subprocess.run(["xdpyinfo"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=10).returncode == 0


def play_on_display(args):
    print(f"Playing {args.program} on {os.environ['DISPLAY']}; press q or Escape, or close "
          "the window, to end it.", flush=True)
    code = subprocess.run([args.program]).returncode
    print(f"avrel ended with exit code {code}.")
    return 0 if code == 0 else 1


def play_headless(args):
    print("No X display: playing avrel on a private Xvfb (1024 x 768, 24-bit).", flush=True)
    with avrel_x.Xvfb(1024, 768) as xvfb:
        process = avrel_x.start_avrel(args.program, xvfb.env, stderr=None)
        started = time.monotonic()
        for at in SHOTS:
            time.sleep(max(0.0, at - (time.monotonic() - started)))
            if process.poll() is not None:
                print(f"avrel ended early with exit code {process.returncode}.")
                return 1
            path = os.path.join(args.out, f"avrel-{at:02d}s.png")
            xvfb.screenshot().save(path)
            print(f"  {at:2d} s: {path}", flush=True)
        ended = time.monotonic()
        process.send_signal(signal.SIGTERM)
        code = process.wait(15)
        print(f"Ended by SIGTERM: exit code {code}, {1000 * (time.monotonic() - ended):.0f} ms "
              "after the signal.")
    print(f"Screenshots in {os.path.abspath(args.out)}")
    return 0 if code == 0 else 1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    return play_on_display(args) if display_usable() else play_headless(args)


if __name__ == "__main__":
    sys.exit(main())
