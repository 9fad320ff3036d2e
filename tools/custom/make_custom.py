#!/usr/bin/python3
"""Builds an Avrel.scr that shows your own photos.

    make_custom.py PICTURES [--out FILE] [--plan FILE] [--fit cover|contain]
                   [--build DIR] [--resources DIR]

Fills the show's still pictures (the full-stage backgrounds and the pictures
each chapter places) from the photos in PICTURES, in name order, or as a plan
file assigns them ("SLOT NAME" lines, e.g. "1000 beach.jpg"; the name runs
to the end of the line, "#" included; a line starting with "#" is a comment;
a name in double quotes may be followed by a "# comment"). Every photo is
turned upright by its EXIF orientation, converted to sRGB from its embedded
colour profile, flattened on black where transparent, and fitted to its
slot's exact size: scaled to cover the slot and cropped around the centre,
or with --fit contain scaled to fit inside and letterboxed on black.

The logos, frame-line sources, filmstrips and the corner strip stay as they
are. A new palette is designed over the whole new picture set exactly as the
shipped one is (gen_assets.build_palette), its colour table follows from it
by the same rule, every picture is encoded in the catalogue's form, and the
program of the Windows build in --build (default build/windows) is linked
again with these resources. The output appears only once it is complete.

Exit status: 0 done, 1 nothing usable or a step failed, 2 bad arguments.
"""

import argparse
import io
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
import warnings

import numpy as np
from PIL import Image, ImageCms, ImageFile

import gen_assets

ROOT = gen_assets.ROOT
ASSETS = gen_assets.ASSETS
SRGB = ImageCms.createProfile("sRGB")

# The still pictures a person sees on the stage, chapter by chapter. Logos
# (6000-6008, 9000), line sources, and filmstrips keep the show's own.
STAGE_SLOTS = [1000, 1001, 1002, 1003, 1004,
               2000, 2001, 2002, 2003, 2004,
               3000, 3001, 3002, 3003,
               4000, 4001, 4002, 4003,
               5000, 5001, 5002, 5003, 5004, 5008]

# Photos above this many pixels are refused before they are decoded, so a
# tiny file that claims a giant picture cannot eat the machine's memory.
PIXEL_LIMIT = 150_000_000
# A photo whose crop must be enlarged more than this is "much smaller".
UPSCALE_WARNING = 2.0
JPEG_QUALITY = 90

EXIF_ORIENTATION = 0x0112
TRANSPOSE = {2: [Image.Transpose.FLIP_LEFT_RIGHT], 3: [Image.Transpose.ROTATE_180],
             4: [Image.Transpose.FLIP_TOP_BOTTOM], 5: [Image.Transpose.TRANSPOSE],
             6: [Image.Transpose.ROTATE_270], 7: [Image.Transpose.TRANSVERSE],
             8: [Image.Transpose.ROTATE_90]}


class Refused(Exception):
    """A photo that cannot be used, and why."""

    def __init__(self, name, why):
        super().__init__("%s: %s" % (name, why))
        self.name, self.why = name, why


def slot_size(pid):
    return gen_assets.CATALOGUE[pid][2], gen_assets.CATALOGUE[pid][3]


# ---------------------------------------------------------------- photos

def list_photos(folder):
    """Regular, visible files of the folder, in name order."""
    names = [n for n in os.listdir(folder)
             if not n.startswith(".") and os.path.isfile(os.path.join(folder, n))]
    return sorted(names, key=lambda n: (n.casefold(), n))


def printable(text):
    """`text` as it can be printed: bytes of a file name that are not UTF-8
    (an old card's Latin-1, kept by Python as lone surrogates) as \\xNN."""
    return text.encode("utf-8", "surrogateescape").decode("utf-8", "backslashreplace")


def read_plan(path, names):
    """{slot: name} from "SLOT NAME" lines. A line whose first character
    (after blanks) is '#' is a comment; anywhere else '#' is part of the
    name, which runs to the end of the line. A name may be written in double
    quotes, and only then may a '#' comment follow it. The file is read as
    the folder's names are, so names that are not UTF-8 match."""
    plan = {}
    with open(path, "rb") as f:
        lines = [os.fsdecode(raw.rstrip(b"\r\n")) for raw in f]
    for number, line in enumerate(lines, 1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        where = "%s:%d" % (printable(path), number)
        parts = line.split(None, 1)
        if len(parts) != 2 or not parts[0].isdigit():
            raise ValueError("%s: expected 'SLOT NAME', got '%s'" % (where, printable(line)))
        slot, name = int(parts[0]), parts[1]
        if name.startswith('"'):
            end = name.find('"', 1)
            rest = name[end + 1:].strip() if end > 0 else ""
            if end < 0 or (rest and not rest.startswith("#")):
                raise ValueError("%s: a quoted name ends with '\"', and only a '#' comment"
                                 " may follow it: %s" % (where, printable(line)))
            name = name[1:end]
        if slot not in STAGE_SLOTS:
            raise ValueError("%s: %d is not a picture slot (slots: %s)"
                             % (where, slot, " ".join(map(str, STAGE_SLOTS))))
        if name not in names:
            raise ValueError("%s: no photo named '%s' in the folder ('#' starts a comment only"
                             " at the start of a line; quote a name to write one after it)"
                             % (where, printable(name)))
        plan[slot] = name
    return plan


def open_photo(path, want, name):
    """The photo as an upright 8-bit sRGB image (grey ones as "L"), decoded
    no larger than needed to give at least twice `want` (a slot's longer
    side) in both directions."""
    with warnings.catch_warnings():
        warnings.simplefilter("error", Image.DecompressionBombWarning)
        try:
            im = Image.open(path)
        except (Image.DecompressionBombError, Image.DecompressionBombWarning):
            raise Refused(name, "claims more than %d megapixels; refused unread as a possible"
                          " decompression bomb" % (PIXEL_LIMIT // 1_000_000))
        except (OSError, SyntaxError, ValueError) as e:
            raise Refused(name, "not a picture this tool can read (%s)" % e)
        rgb = None
        try:
            try:
                orientation = im.getexif().get(EXIF_ORIENTATION, 1)
            except Exception:  # a broken EXIF block only loses the rotation
                orientation = 1
            icc = im.info.get("icc_profile")
            if im.format == "JPEG":
                im.draft(im.mode, (2 * want, 2 * want))
            try:
                im.load()
            except (OSError, SyntaxError, ValueError) as e:
                raise Refused(name, "cannot be decoded (%s)" % e)
            rgb = to_srgb(im, icc)
        finally:
            if rgb is im:
                close_file(im)  # its pixels are the result: keep them
            else:
                im.close()  # the decoded picture goes before the turned copy is made
    del im
    for step in TRANSPOSE.get(orientation, []):
        rgb = rgb.transpose(step)
    return rgb


def close_file(im):
    """Closes the file behind a loaded picture and keeps its pixels."""
    for attr in ("_fp", "fp"):
        try:
            f = getattr(im, attr, None)
            if f is not None:
                f.close()
        except Exception:  # already closed, or Pillow's marker of a closed file
            pass
    im.fp = None


# Rows converted at a time: a photo's colour work needs its decoded picture,
# the 8-bit result and one band, never full-size copies in between (a 149-
# megapixel 16-bit picture would otherwise pass through several GB of floats).
BAND_ROWS = 256


def to_srgb(im, icc):
    """8-bit RGB in sRGB (grey without a profile stays "L"): transparency
    flattened on black, 16-bit samples scaled down, an embedded colour
    profile applied; pixel by pixel, band by band of rows."""
    scale_down = False
    if im.mode in ("I", "I;16", "I;16B", "I;16L", "F"):
        scale_down = (im.getextrema()[1] or 0) > 255
    transform = None
    if icc:
        try:
            transform = ImageCms.ImageCmsProfile(io.BytesIO(icc))
        except (ImageCms.PyCMSError, OSError, ValueError):
            pass  # an unusable profile: take the numbers as they are
    if im.mode in ("RGB", "L") and transform is None and "transparency" not in im.info:
        return im  # already 8-bit: nothing to convert, and no copy of it
    while True:
        try:
            return in_bands(im, lambda band: band_to_srgb(band, scale_down, transform))
        except (ImageCms.PyCMSError, OSError, ValueError, TypeError):
            if transform is None:
                raise
            transform = None  # the profile does not fit the picture: without it


def in_bands(im, convert):
    out = None
    for top in range(0, im.height, BAND_ROWS):
        box = (0, top, im.width, min(im.height, top + BAND_ROWS))
        band = convert(im.crop(box))
        if out is None:
            out = Image.new(band.mode, im.size)
        out.paste(band, box[:2])
    return out


def band_to_srgb(im, scale_down, profile):
    if im.mode in ("I", "I;16", "I;16B", "I;16L", "F"):
        if im.mode == "F":
            a = np.asarray(im, np.float64)
            a = np.round(a / 257.0 if scale_down else a)
        else:
            # round(v / 257) in integers: v = 257 q + r rounds up exactly when r > 128
            a = np.asarray(im, np.int64)
            a = (a + 128) // 257 if scale_down else a
        im = Image.fromarray(np.clip(a, 0, 255).astype(np.uint8), "L")
    if im.mode in ("RGBA", "LA", "PA", "La", "RGBa") or "transparency" in im.info:
        rgba = im.convert("RGBA")
        flat = Image.new("RGB", im.size, (0, 0, 0))
        flat.paste(rgba, mask=rgba.getchannel("A"))
        im = flat
    if im.mode not in ("RGB", "CMYK", "L"):
        im = im.convert("RGB")
    if profile is not None:
        return ImageCms.profileToProfile(im, profile, SRGB, outputMode="RGB")
    # grey stays one channel until it is fitted: the same numbers, a third
    # of the memory (fit() makes it RGB)
    return im if im.mode == "L" else im.convert("RGB")


def fit(im, size, mode):
    """`im` fitted to exactly `size` as RGB; returns the image and the
    enlargement. A grey `im` is resampled as one channel, which gives the
    numbers its RGB copy would."""
    w, h = size
    iw, ih = im.size
    if mode == "contain":
        scale = min(w / iw, h / ih)
        inner = (max(1, min(w, round(iw * scale))), max(1, min(h, round(ih * scale))))
        out = Image.new("RGB", size, (0, 0, 0))
        out.paste(im.resize(inner, Image.Resampling.LANCZOS),
                  ((w - inner[0]) // 2, (h - inner[1]) // 2))
        return out, scale
    # cover: the largest centred box of the slot's aspect ratio
    scale = max(w / iw, h / ih)
    cw, ch = w / scale, h / scale
    box = (max(0.0, (iw - cw) / 2), max(0.0, (ih - ch) / 2),
           min(float(iw), (iw + cw) / 2), min(float(ih), (ih + ch) / 2))
    return im.resize(size, Image.Resampling.LANCZOS, box=box).convert("RGB"), scale


# ---------------------------------------------------------------- plan

def assign(slots, names, plan):
    """[(slot, name)]: the plan's choices, the rest in name order, taking
    photos again in turn when there are fewer photos than slots."""
    free = [n for n in names if n not in plan.values()] or list(names)
    out, turn = [], 0
    for slot in slots:
        if slot in plan:
            out.append((slot, plan[slot]))
        else:
            out.append((slot, free[turn % len(free)]))
            turn += 1
    return out


def fill_slots(folder, names, plan, mode, say):
    """Fits a photo into every slot. An unusable photo is skipped and the
    assignment made again without it. Returns ({slot: array} or None when no
    photo is usable, {slot: name}, {name: why skipped}, [warnings])."""
    usable = list(names)
    skipped, notes = {}, []
    pictures, used = {}, {}
    while True:
        if not usable:
            return None, used, skipped, notes
        wanted = assign(STAGE_SLOTS, usable, {s: n for s, n in plan.items() if n in usable})
        try:
            for number, (slot, name) in enumerate(wanted, 1):
                if used.get(slot) == name:
                    continue
                size = slot_size(slot)
                im = open_photo(os.path.join(folder, name), max(size), name)
                fitted, scale = fit(im, size, mode)
                pictures[slot] = np.asarray(fitted, np.uint8)
                used[slot] = name
                say("  [%2d/%d] %d  %3d x %-3d <- %s (%d x %d)"
                    % (number, len(STAGE_SLOTS), slot, size[0], size[1], name,
                       im.width, im.height))
                if scale > UPSCALE_WARNING:
                    notes.append("%s is much smaller than slot %d (%d x %d): enlarged %.1f"
                                 " times" % (name, slot, size[0], size[1], scale))
                    say("  warning: " + notes[-1])
            return pictures, used, skipped, notes
        except Refused as e:
            skipped[e.name] = e.why
            usable.remove(e.name)
            say("  skipped %s: %s" % (e.name, e.why))


# ---------------------------------------------------------------- resources

def shipped_picture(pid):
    with open(os.path.join(ASSETS, "pictures", "%d.jpg" % pid), "rb") as f:
        return f.read()


def design(pictures):
    """Palette and colour table over the new set, the kept pictures (decoded
    from the shipped files) included."""
    arrays = dict(pictures)
    for pid, (_, grey, _, _) in gen_assets.CATALOGUE.items():
        if pid not in arrays:
            with Image.open(io.BytesIO(shipped_picture(pid))) as im:
                arrays[pid] = np.asarray(im.convert("L" if grey else "RGB"))
    pal = gen_assets.build_palette(arrays)
    table = gen_assets.build_colortable(pal)
    gen_assets.check_palette(pal, table)
    return pal, table


def write_resources(work, pictures, pal, table):
    """The resource script and every file it names, under `work`."""
    os.makedirs(os.path.join(work, "pictures"))
    for pid in sorted(gen_assets.CATALOGUE):
        if pid in pictures:
            data = gen_assets.encode(pictures[pid], JPEG_QUALITY)
        else:
            data = shipped_picture(pid)
        gen_assets.check_jpeg(pid, data)
        gen_assets.write(os.path.join(work, "pictures", "%d.jpg" % pid), data)
    gen_assets.write(os.path.join(work, "palette.bin"), pal.tobytes())
    gen_assets.write(os.path.join(work, "colortable.bin"), table.tobytes())
    # the same script the program is built with, naming the files written here
    for name in ("avrel.rc", "ResourceIds.h", "icon_image.bin", "icon_group.bin",
                 "cursor_image.bin", "cursor_group.bin"):
        shutil.copy(os.path.join(ASSETS, name), os.path.join(work, name))


def build_commands(build):
    """The resource compilation and the link of Avrel.scr, as the build runs them."""
    try:
        text = subprocess.run(["ninja", "-C", build, "-t", "commands", "shell/Avrel.scr"],
                              check=True, capture_output=True, text=True).stdout
    except (OSError, subprocess.CalledProcessError) as e:
        raise RuntimeError("cannot read the build commands of %s (build it first: make windows)"
                           " %s" % (build, getattr(e, "stderr", "") or e))
    lines = text.strip().splitlines()
    rc = [c for c in lines if "avrel.rc" in c and "windres" in c]
    if not lines or "-o shell/Avrel.scr" not in lines[-1] or len(rc) != 1:
        raise RuntimeError("%s has no Avrel.scr link with resources in it" % build)
    resource_object = shlex.split(rc[0])[-1]
    if resource_object not in lines[-1]:
        raise RuntimeError("the link of %s does not take %s" % (build, resource_object))
    return rc[0], lines[-1], resource_object


def link(build, work, out):
    """Compiles work/avrel.rc and links the program's objects with it into `out`."""
    try:
        run(["cmake", "--build", build, "--target", "Avrel"], ROOT)  # objects up to date
    except (OSError, RuntimeError) as e:
        raise RuntimeError("cannot build the program in %s (make windows first): %s" % (build, e))
    rc_command, link_command, resource_object = build_commands(build)
    args = shlex.split(rc_command)
    windres = args[0]
    run([windres, "-O", "res", "-i", "avrel.rc", "-o", "avrel.res"], work)
    if not gen_assets.check_res(os.path.join(work, "avrel.res")):
        raise RuntimeError("the new resources fail the asset checks")
    run([windres, "-O", "coff", "-i", "avrel.rc", "-o", "avrel.rc.obj"], work)
    run(link_arguments(link_command, resource_object, os.path.join(work, "avrel.rc.obj"),
                       out, work), build)


def link_arguments(link_command, resource_object, resources, out, work):
    """The build's link of Avrel.scr as a list of arguments, with the new
    resources and output put in: run without a shell, so that no path (a
    temporary folder with a space, say) is ever split or read by one."""
    words = shlex.split(link_command)
    # Ninja wraps a link as ": && COMPILER ... && :"; take the compiler's part
    commands, current = [], []
    for word in words + ["&&"]:
        if word == "&&":
            commands.append(current)
            current = []
        else:
            current.append(word)
    linking = [c for c in commands if "-o" in c]
    if len(linking) != 1:
        raise RuntimeError("cannot read the link of Avrel.scr: %s" % link_command)
    args = []
    for word in linking[0]:
        if word == resource_object:
            args.append(resources)
        elif word == "shell/Avrel.scr" and args and args[-1] == "-o":
            args.append(out)
        elif word.startswith("-Wl,--out-implib,"):
            # the import library the link writes beside the program stays out
            # of the build tree; -Xlinker passes its path whole, commas included
            library = os.path.join(work, os.path.basename(word.split(",", 2)[2]))
            args += ["-Xlinker", "--out-implib", "-Xlinker", library]
        else:
            args.append(word)
    if out not in args or resources not in args:
        raise RuntimeError("cannot read the link of Avrel.scr: %s" % link_command)
    return args


def run(args, cwd):
    done = subprocess.run(args, cwd=cwd, capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError("%s failed:\n%s%s" % (os.path.basename(args[0]), done.stdout,
                                                 done.stderr))


# ---------------------------------------------------------------- main

def parse_args(argv):
    p = argparse.ArgumentParser(prog="make_custom.py", description=__doc__.split("\n\n")[0])
    p.add_argument("pictures", help="folder of photos")
    p.add_argument("--out", default=os.path.join(ROOT, "build", "custom", "Avrel.scr"))
    p.add_argument("--plan", help="file of 'SLOT NAME' lines assigning photos to slots; the"
                                  " name runs to the end of the line ('#' included), a line"
                                  " starting with '#' is a comment, a name in double quotes"
                                  " may be followed by '# comment'")
    p.add_argument("--fit", choices=("cover", "contain"), default="cover")
    p.add_argument("--build", default=os.path.join(ROOT, "build", "windows"),
                   help="Windows build tree whose program is linked again")
    p.add_argument("--resources", metavar="DIR",
                   help="also keep the pictures, palette, colour table and resource script"
                        " here, and each fitted photo as fitted/ID.png")
    return p.parse_args(argv)


def main(argv):
    args = parse_args(argv)
    started = time.monotonic()
    Image.MAX_IMAGE_PIXELS = PIXEL_LIMIT
    ImageFile.LOAD_TRUNCATED_IMAGES = False

    # File names come as the folder holds them, UTF-8 or not: printed escaped.
    def say(text):
        print(printable(text), flush=True)

    def fail(text):
        print("make_custom: " + printable(text), file=sys.stderr, flush=True)
        return 1

    if not os.path.isdir(args.pictures):
        return fail("%s is not a folder" % args.pictures)
    names = list_photos(args.pictures)
    if not names:
        return fail("%s holds no files" % args.pictures)
    try:
        plan = read_plan(args.plan, names) if args.plan else {}
    except (OSError, ValueError) as e:
        return fail(str(e))

    say("Fitting %d photos from %s into %d picture slots (%s)"
        % (len(names), args.pictures, len(STAGE_SLOTS), args.fit))
    pictures, used, skipped, notes = fill_slots(args.pictures, names, plan, args.fit, say)
    if pictures is None:
        return fail("none of the %d files in %s is a usable picture" % (len(names), args.pictures))

    say("Plan:")
    for slot in STAGE_SLOTS:
        w, h = slot_size(slot)
        by_plan = "  (plan file)" if plan.get(slot) == used[slot] else ""
        say("  %d  %3d x %-3d  %s%s" % (slot, w, h, used[slot], by_plan))

    say("Designing the palette over %d pictures..." % len(gen_assets.CATALOGUE))
    pal, table = design(pictures)

    out = os.path.abspath(args.out)
    partial = "%s.part-%d" % (out, os.getpid())
    with tempfile.TemporaryDirectory(prefix="avrel-custom-") as work:
        say("Encoding the pictures and linking %s..." % out)
        try:
            os.makedirs(os.path.dirname(out), exist_ok=True)
            write_resources(work, pictures, pal, table)
            link(os.path.abspath(args.build), work, partial)
            if args.resources:
                shutil.copytree(work, args.resources, dirs_exist_ok=True)
                fitted = os.path.join(args.resources, "fitted")
                os.makedirs(fitted, exist_ok=True)
                for pid, a in pictures.items():
                    Image.fromarray(a).save(os.path.join(fitted, "%d.png" % pid))
            os.replace(partial, out)
        except (RuntimeError, OSError, AssertionError) as e:
            return fail(str(e) or "the pictures do not meet the catalogue")
        finally:
            if os.path.exists(partial):
                os.remove(partial)

    photos_used = sorted(set(used.values()))
    counts = {n: list(used.values()).count(n) for n in photos_used}
    reused = [n for n in photos_used if counts[n] > 1]
    say("Done in %.1f s:" % (time.monotonic() - started))
    say("  %d slots filled from %d photos" % (len(used), len(photos_used)))
    if reused:
        say("  fewer photos than slots: reused in turn %s"
            % ", ".join("%s (%d times)" % (n, counts[n]) for n in reused))
    if skipped:
        say("  skipped %d: %s" % (len(skipped), ", ".join(sorted(skipped))))
    for note in notes:
        say("  warning: " + note)
    say("  %s (%d bytes)" % (out, os.path.getsize(out)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
