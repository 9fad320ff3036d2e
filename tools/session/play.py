#!/usr/bin/python3
"""Plays the show for a person: `make run` plays Avrel.scr under Wine,
`make play` the Linux program avrel. With an X display at hand the program
runs there until its own way out (a key or mouse move ends the saver; q,
Escape or the close button ends avrel's window). Without one it plays on a
private Xvfb (1024 x 768, 24-bit), saves a few screenshots as PNG, prints
where they are and ends the program as its host would: a key press for the
saver, SIGTERM for avrel, as xscreensaver sends. Usage:
  play.py saver --program Avrel.scr --prefix WINEPREFIX --arch win32|win64 --out DIR
  play.py avrel --program avrel --out DIR
"""
import argparse
import os
import signal
import subprocess
import sys
import time

import avrel_x
import saver_session

SHOTS = (2, 6, 12, 20)  # seconds after the show appears


def display_usable():
    if not os.environ.get("DISPLAY"):
        return False
    return subprocess.run(["xdpyinfo"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=10).returncode == 0


def take_shots(out, screenshot, still_running):
    """Saves a screenshot at each of SHOTS; False when the program ended early."""
    started = time.monotonic()
    for at in SHOTS:
        time.sleep(max(0.0, at - (time.monotonic() - started)))
        if not still_running():
            return False
        path = os.path.join(out, f"avrel-{at:02d}s.png")
        screenshot().save(path)
        print(f"  {at:2d} s: {path}", flush=True)
    return True


def play_saver_on_display(args):
    print(f"Playing {args.program} on {os.environ['DISPLAY']}; press a key or move the "
          "mouse to end it.", flush=True)
    session = saver_session.WineSession(args.prefix, args.arch, os.environ["DISPLAY"])
    try:
        code = session.start(args.program, "/s").wait()
    finally:
        session.close()
    print(f"The saver ended with exit code {code}.")
    return code


def play_saver_headless(args):
    session = None
    with saver_session.Xvfb(1024, 768) as xvfb:
        try:
            session = saver_session.WineSession(args.prefix, args.arch, xvfb.display,
                                                unmanaged=True)
            session.xdotool("mousemove", "1000", "10")
            process = session.start(args.program, "/s")
            if session.wait_for_window(timeout=60, process=process) is None:
                print("The saver's window did not appear.")
                return 1
            if not take_shots(args.out, session.screenshot, lambda: process.poll() is None):
                print(f"The saver ended early with exit code {process.returncode}.")
                return 1
            session.xdotool("key", "a")
            code, taken = saver_session.wait_exit(process, 15)
            print(f"Closed by a key press: exit code {code}, {taken:.2f} s after the key.")
        finally:
            if session is not None:
                session.close()
    return code


def play_avrel_on_display(args):
    print(f"Playing {args.program} on {os.environ['DISPLAY']}; press q or Escape, or close "
          "the window, to end it.", flush=True)
    code = subprocess.run([args.program]).returncode
    print(f"avrel ended with exit code {code}.")
    return code


def play_avrel_headless(args):
    with avrel_x.Xvfb(1024, 768) as xvfb:
        process = avrel_x.start_avrel(args.program, xvfb.env, stderr=None)
        if not take_shots(args.out, xvfb.screenshot, lambda: process.poll() is None):
            print(f"avrel ended early with exit code {process.returncode}.")
            return 1
        ended = time.monotonic()
        process.send_signal(signal.SIGTERM)
        code = process.wait(15)
        print(f"Ended by SIGTERM: exit code {code}, {1000 * (time.monotonic() - ended):.0f} ms "
              "after the signal.")
    return code


PLAYERS = {"saver": (play_saver_on_display, play_saver_headless),
           "avrel": (play_avrel_on_display, play_avrel_headless)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("player", choices=sorted(PLAYERS))
    parser.add_argument("--program", required=True)
    parser.add_argument("--prefix", help="the Wine prefix (saver)")
    parser.add_argument("--arch", default="win32", help="win32 or win64 (saver)")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    if args.player == "saver" and not args.prefix:
        parser.error("the saver needs --prefix")
    os.makedirs(args.out, exist_ok=True)
    on_display, headless = PLAYERS[args.player]
    if display_usable():
        return 0 if on_display(args) == 0 else 1
    print(f"No X display: playing {args.player} on a private Xvfb (1024 x 768, 24-bit).",
          flush=True)
    code = headless(args)
    print(f"Screenshots in {os.path.abspath(args.out)}")
    return 0 if code == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
