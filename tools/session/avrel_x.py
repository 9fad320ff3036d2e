"""Running the Linux program avrel on an X display, for its end-to-end tests,
`make play` and tools/measure_avrel.py: a private Xvfb of any size and depth,
screenshots of 16- and 32-bit screens, the show's reference
colours. Everything ends only what it started.
"""
import os
import subprocess

from PIL import Image

import saver_session
import stage_geometry
from stage_geometry import FULL_VIEW_SIZE

ROOT = saver_session.ROOT


class Xvfb(saver_session.Xvfb):
    """A private X server (saver_session.Xvfb) whose screenshots can read
    only a part of the screen."""

    def __init__(self, width=1024, height=768, depth=24, open_access=False, probe=None):
        """`probe` is the avrel_x_probe program, for the measurements that
        watch the screen from outside. A screenshot of a part of the screen
        reads only that part, which is fast enough to poll on large screens;
        one of the whole screen dumps it with xwd."""
        super().__init__(width, height, depth, open_access)
        self.probe = probe

    def screenshot(self, box=None):
        return saver_session.screenshot(self.display, box)


def to_565(colour):
    """What a 16-bit (5-6-5) screen shows for an 8-bit-per-channel colour,
    read back as read_xwd does (Pillow stretches each channel to 0-255)."""
    r, g, b = colour[0] >> 3, colour[1] >> 2, colour[2] >> 3
    return (r * 255 // 31, g * 255 // 63, b * 255 // 31)


def reference_picture(reference_dir, resource):
    """The show's own decode of a picture resource, as RGB."""
    return Image.open(os.path.join(reference_dir, f"{resource}.bmp")).convert("RGB")


def stage_offsets(window_size, scale):
    """Where stage point (0, 0) lies in a window of that size at that scale:
    the client (size // scale) centred, the stage in it where the show
    places it (linux/Scale.h)."""
    client = (max(window_size[0] // scale, 1), max(window_size[1] // scale, 1))
    origin = ((window_size[0] - client[0] * scale) // 2, (window_size[1] - client[1] * scale) // 2)
    offsets = stage_geometry.stage_offsets(client)
    return (origin[0] + offsets[0] * scale, origin[1] + offsets[1] * scale)


def auto_scale(width, height):
    return max(min(width // FULL_VIEW_SIZE[0], height // FULL_VIEW_SIZE[1]), 1)


def layout(window_size):
    """The scale avrel picks for a window of that size at (0, 0), and where
    the stage and the corner logo then lie (boxes)."""
    scale = auto_scale(*window_size)
    return (scale,) + stage_geometry.boxes_at(stage_offsets(window_size, scale), scale)


def start_avrel(program, env, *args, stderr=subprocess.PIPE):
    return subprocess.Popen([program, *args], env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=stderr)


def end_process(process, timeout=5):
    """Ends a process we started, if it still runs."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
