"""Running the Linux program avrel on an X display, for its end-to-end tests,
`make play` and tools/measure_avrel.py: a private Xvfb of any size and depth,
screenshots of 16- and 32-bit screens (xwd, read here), the show's reference
colours. Everything ends only what it started.
"""
import io
import os
import select
import struct
import subprocess
import time

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
STAGE_SIZE = (640, 480)
LOGO_SIZE = (80, 54)


class Xvfb:
    """A private X server on a free display number."""

    def __init__(self, width=1024, height=768, depth=24, open_access=False, probe=None):
        """`probe` is the avrel_x_probe program: with it, screenshots of a
        part of the screen read only that part, which is fast enough to poll
        on large screens; without it every screenshot dumps the whole screen."""
        self.probe = probe
        read_end, write_end = os.pipe()
        command = ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                   f"{width}x{height}x{depth}", "-nolisten", "tcp", "-noreset"]
        if open_access:
            command.append("-ac")
        self.process = subprocess.Popen(
            command, pass_fds=(write_end,), stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 30
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read_end], [], [], 1)
            if ready:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
        os.close(read_end)
        if not number.strip():
            self.stop()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()
        self.size = (width, height)
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("XAUTHORITY", None)
        self.env.pop("XSCREENSAVER_WINDOW", None)

    def screenshot(self, box=None):
        if box and self.probe:
            x, y, right, bottom = box
            data = subprocess.run([self.probe, "grab", str(x), str(y), str(right - x),
                                   str(bottom - y)], env=self.env, stdout=subprocess.PIPE,
                                  check=True, timeout=30).stdout
            return Image.open(io.BytesIO(data)).convert("RGB")
        data = subprocess.run(["xwd", "-root", "-silent"], env=self.env, stdout=subprocess.PIPE,
                              check=True, timeout=30).stdout
        image = read_xwd(data)
        return image.crop(box) if box else image

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.stop()


def read_xwd(data):
    """A 16- or 32-bit ZPixmap XWD dump as an RGB image; see to_565 for
    what 16-bit (5-6-5) pixels become."""
    fields = struct.unpack(">25I", data[:100])
    header_size, _, pixmap_format, depth, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, ncolors = fields[14], fields[19]
    if pixmap_format != 2 or bits_per_pixel not in (16, 32):
        raise ValueError(f"unsupported xwd: format {pixmap_format}, {bits_per_pixel} bpp")
    offset = header_size + 12 * ncolors
    pixels = data[offset:offset + bytes_per_line * height]
    if bits_per_pixel == 16:
        raw = "BGR;16" if byte_order == 0 else "BGR;16B"
        return Image.frombuffer("RGB", (width, height), pixels, "raw", raw, bytes_per_line, 1)
    if byte_order == 0:  # least significant byte first
        raw = "BGRX" if red_mask == 0xFF0000 else "RGBX"
    else:
        raw = "XRGB" if red_mask == 0xFF0000 else "XBGR"
    return Image.frombuffer("RGB", (width, height), pixels, "raw", raw, bytes_per_line, 1)


def to_565(colour):
    """What a 16-bit (5-6-5) screen shows for an 8-bit-per-channel colour,
    read back as read_xwd does (Pillow stretches each channel to 0-255)."""
    r, g, b = colour[0] >> 3, colour[1] >> 2, colour[2] >> 3
    return (r * 255 // 31, g * 255 // 63, b * 255 // 31)


def palette_colours():
    data = open(os.path.join(ROOT, "assets", "palette.bin"), "rb").read()
    return {tuple(data[i:i + 3]) for i in range(0, 768, 3)}


def reference_picture(reference_dir, resource):
    """The show's own decode of a picture resource, as RGB."""
    return Image.open(os.path.join(reference_dir, f"{resource}.bmp")).convert("RGB")


def stage_offsets(window_size, scale):
    """Where stage point (0, 0) lies in a window of that size at that scale."""
    client = (max(window_size[0] // scale, 1), max(window_size[1] // scale, 1))
    origin = ((window_size[0] - client[0] * scale) // 2, (window_size[1] - client[1] * scale) // 2)
    return (origin[0] + (client[0] - 640) // 2 * scale, origin[1] + (client[1] - 480) // 2 * scale)


def auto_scale(width, height):
    return max(min(width // 800, height // 588), 1)


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
