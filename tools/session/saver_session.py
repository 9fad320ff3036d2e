"""Running Avrel.scr under Wine on an X display, for the end-to-end tests,
`make run` and the measurements: a private Xvfb, a Wine prefix with a server
of the session's own, screenshots (read straight from the X server through
Xlib, or from an xwd dump) and input through xdotool. A session ends only
what it started.
"""
import argparse
import contextlib
import ctypes
import ctypes.util
import os
import select
import struct
import subprocess
import time

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINDOW_NAME = "Veltrona Avrel Screen Saver"



def palette_colours(path=None):
    """The 256 colours of a palette.bin (by default the shipped one), as a
    set of (r, g, b)."""
    with open(path or os.path.join(ROOT, "assets", "palette.bin"), "rb") as f:
        data = f.read()
    return {tuple(data[i:i + 3]) for i in range(0, 768, 3)}


class Xvfb:
    """A private X server on a free display number, of any size and depth;
    `open_access` (-ac) lets other users' programs connect. `env` is this
    environment pointed at it."""

    def __init__(self, width=1024, height=768, depth=24, open_access=False):
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
    """A 16- or 32-bit ZPixmap XWD dump as an RGB image. Pillow stretches
    each channel of a 16-bit (5-6-5) pixel to 0-255."""
    fields = struct.unpack(">25I", data[:100])
    header_size, _, pixmap_format, depth, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, ncolors = fields[14], fields[19]
    if pixmap_format != 2 or bits_per_pixel not in (16, 32):
        raise ValueError(f"unsupported xwd: format {pixmap_format}, {bits_per_pixel} bpp")
    offset = header_size + 12 * ncolors
    pixels = data[offset:offset + bytes_per_line * height]
    return pixels_as_rgb(pixels, width, height, byte_order, bits_per_pixel, bytes_per_line,
                         red_mask)


def pixels_as_rgb(pixels, width, height, byte_order, bits_per_pixel, bytes_per_line, red_mask):
    """ZPixmap rows of 16 or 32 bits a pixel as an RGB image."""
    if bits_per_pixel == 16:
        raw = "BGR;16" if byte_order == 0 else "BGR;16B"
        return Image.frombuffer("RGB", (width, height), pixels, "raw", raw, bytes_per_line, 1)
    if byte_order == 0:  # least significant byte first
        raw = "BGRX" if red_mask == 0xFF0000 else "RGBX"
    else:
        raw = "XRGB" if red_mask == 0xFF0000 else "XBGR"
    return Image.frombuffer("RGB", (width, height), pixels, "raw", raw, bytes_per_line, 1)


class _XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage, as far as they are read here.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
                ("obdata", ctypes.c_void_p)]


_xlib = None


def _xlib_functions():
    global _xlib
    if _xlib is None:
        lib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        lib.XOpenDisplay.restype = ctypes.c_void_p
        lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        lib.XDefaultRootWindow.restype = ctypes.c_ulong
        lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        lib.XGetImage.restype = ctypes.POINTER(_XImage)
        lib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                  ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        lib.XFree.argtypes = [ctypes.c_void_p]
        lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        # Xlib's own handler ends the process on any error; a box the screen
        # does not wholly hold is one, and then XGetImage gives nothing.
        lib.XSetErrorHandler.argtypes = [_ERROR_HANDLER]
        lib.XSetErrorHandler(_ignore_errors)
        _xlib = lib
    return _xlib


_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
_ignore_errors = _ERROR_HANDLER(lambda display, event: 0)


def grab_root(display, box):
    """Part of the root window of `display` (left, top, right, bottom) as an
    RGB image, read as xwd reads it but only that part, and in this process:
    a look at the stage costs a few milliseconds instead of a program's
    start and a dump of the whole screen. A box reaching off the screen is
    cut from an xwd dump instead (black where there is no screen)."""
    lib = _xlib_functions()
    connection = lib.XOpenDisplay(display.encode())
    if not connection:
        raise RuntimeError(f"cannot open display {display}")
    try:
        left, top, right, bottom = box
        all_planes, z_pixmap = ctypes.c_ulong(-1).value, 2
        image = lib.XGetImage(connection, lib.XDefaultRootWindow(connection), left, top,
                              right - left, bottom - top, all_planes, z_pixmap)
        if image:
            try:
                got = image.contents
                if got.bits_per_pixel in (16, 32):
                    pixels = ctypes.string_at(got.data, got.bytes_per_line * got.height)
                    return pixels_as_rgb(pixels, got.width, got.height, got.byte_order,
                                         got.bits_per_pixel, got.bytes_per_line,
                                         got.red_mask).copy()
            finally:
                lib.XFree(image.contents.data)
                lib.XFree(image)
    finally:
        lib.XCloseDisplay(connection)
    return screenshot(display).crop(box)


def screenshot(display, box=None):
    """The root window of `display`, or the part of it in `box`, as RGB."""
    if box:
        return grab_root(display, box)
    data = subprocess.run(["xwd", "-root", "-silent"], env=dict(os.environ, DISPLAY=display),
                          stdout=subprocess.PIPE, check=True, timeout=30).stdout
    return read_xwd(data)


class WineSession:
    """Wine programs on one display, in one prefix, with a Wine server that
    this session starts and stops. `arch` is win32 or win64."""

    def __init__(self, prefix, arch, display, unmanaged=False):
        prefix = os.path.abspath(prefix)  # Wine takes only absolute prefixes
        self.prefix = prefix
        self.arch = arch
        self.display = display
        if arch == "win64":
            self.loader, self.server = "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver64"
        else:
            self.loader, self.server = "/usr/lib/wine/wine", "/usr/bin/wineserver"
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEARCH=arch, DISPLAY=display,
                        WINEDEBUG=os.environ.get("AVREL_WINEDEBUG", "-all"),
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.env.pop("XAUTHORITY", None)
        self.started = []
        subprocess.run([os.path.join(os.path.dirname(os.path.abspath(__file__)), "new-prefix.sh"),
                        prefix, arch], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=900,
                       check=True)
        # A server of our own, kept alive between programs, stopped in close().
        subprocess.run([self.server, "-p"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        # Xvfb has no window manager. Wine hands a full-screen window to the
        # window manager and, when it closes, waits two seconds for one to
        # withdraw it; unmanaged, a window opens and closes as on Windows.
        self.run(["reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d",
                  "N" if unmanaged else "Y", "/f"], timeout=300)

    def start(self, program, *args):
        """Starts a Windows program; returns its Popen (the program's exit
        code comes through wine)."""
        process = subprocess.Popen([self.loader, os.path.abspath(program), *args], env=self.env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.started.append(process)
        return process

    def run(self, command, timeout):
        return subprocess.run([self.loader, *command], env=self.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              timeout=timeout)

    def xdotool(self, *args, timeout=20):
        result = subprocess.run(["xdotool", *args], env=self.env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                timeout=timeout)
        return result.stdout.decode()

    def windows_named(self, name=WINDOW_NAME):
        """X windows whose name is exactly `name`."""
        out = self.xdotool("search", "--name", "^" + name + "$")
        return [int(w) for w in out.split()]

    def wait_for_window(self, name=WINDOW_NAME, timeout=60, process=None):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.windows_named(name)
            if found:
                return found[0]
            if process is not None and process.poll() is not None:
                return None
            time.sleep(0.1)
        return None

    def screenshot(self, box=None):
        return screenshot(self.display, box)

    def close(self):
        for process in self.started:
            if process.poll() is None:
                process.kill()
                with contextlib.suppress(subprocess.TimeoutExpired):
                    process.wait(10)
        subprocess.run([self.server, "-k"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


def measuring_arguments():
    """The command line every measuring script of the saver takes: the
    program, the prefix and architecture to play it in, how long."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--arch", default="win32")
    parser.add_argument("--seconds", type=float, default=65)
    return parser


@contextlib.contextmanager
def measured_saver(prefix, arch, program, screen=None):
    """An unmanaged Wine session on `screen` (an Xvfb; by default a private
    1024 x 768 one), set to play `program`, for the measuring scripts; both
    end on leaving."""
    xvfb = screen or Xvfb(1024, 768)
    session = None
    try:
        session = WineSession(prefix, arch, xvfb.display, unmanaged=True)
        session.program = os.path.abspath(program)
        yield session
    finally:
        if session is not None:
            session.close()
        xvfb.stop()


def cross_fades(draws, within):
    """Finds the cross-fades among (time, key) draws of the stage, in time
    order: runs of 16 draws of one key (a rectangle, a size), each within
    `within` of the one before. Returns the runs and the gaps between their
    draws, in the units of the times."""
    runs, current = [], []
    for t, key in draws:
        if current and (key != current[-1][1] or t - current[-1][0] > within):
            runs.append(current)
            current = []
        current.append((t, key))
    runs.append(current)
    fades = [r for r in runs if len(r) == 16]
    return fades, [b[0] - a[0] for r in fades for a, b in zip(r, r[1:])]


def cpu_seconds(pid):
    """User and system CPU time a live process has used."""
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def peak_memory_kib(pid):
    """The most resident memory a live process has held (VmHWM)."""
    for line in open(f"/proc/{pid}/status"):
        if line.startswith("VmHWM:"):
            return int(line.split()[1])
    return 0


def wait_exit(process, timeout):
    """Exit code and seconds taken, or (None, timeout) when still running."""
    start = time.monotonic()
    try:
        code = process.wait(timeout)
    except subprocess.TimeoutExpired:
        return None, timeout
    return code, time.monotonic() - start
