#!/usr/bin/python3
"""Builds an Avrel.scr that shows your own photos.

    make_custom.py PICTURES [--out FILE] [--plan FILE] [--fit cover|contain]
                   [--build DIR] [--resources DIR]

Fills the show's still pictures (the full-stage backgrounds and the pictures
each chapter places) from the photos in PICTURES, in name order, or as a plan
file assigns them ("SLOT NAME" lines, e.g. "1000 beach.jpg"). Every photo is
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


def read_plan(path, names):
    """{slot: name} from "SLOT NAME" lines; '#' starts a comment."""
    plan = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            parts = line.split(None, 1)
            where = "%s:%d" % (path, number)
            if len(parts) != 2 or not parts[0].isdigit():
                raise ValueError("%s: expected 'SLOT NAME', got %r" % (where, line))
            slot, name = int(parts[0]), parts[1]
            if slot not in STAGE_SLOTS:
                raise ValueError("%s: %d is not a picture slot (slots: %s)"
                                 % (where, slot, " ".join(map(str, STAGE_SLOTS))))
            if name not in names:
                raise ValueError("%s: no photo named %r in the folder" % (where, name))
            plan[slot] = name
    return plan


def open_photo(path, want, name):
    """The photo as an upright 8-bit sRGB image, decoded no larger than needed
    to give at least twice `want` (a slot's longer side) in both directions."""
    with warnings.catch_warnings():
        warnings.simplefilter("error", Image.DecompressionBombWarning)
        try:
            im = Image.open(path)
        except (Image.DecompressionBombError, Image.DecompressionBombWarning):
            raise Refused(name, "claims more than %d megapixels; refused unread as a possible"
                          " decompression bomb" % (PIXEL_LIMIT // 1_000_000))
        except (OSError, SyntaxError, ValueError) as e:
            raise Refused(name, "not a picture this tool can read (%s)" % e)
        with im:
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
    for step in TRANSPOSE.get(orientation, []):
        rgb = rgb.transpose(step)
    return rgb


def to_srgb(im, icc):
    """8-bit RGB in sRGB: transparency flattened on black, 16-bit samples
    scaled down, an embedded colour profile applied."""
    if im.mode in ("I", "I;16", "I;16B", "I;16L", "F"):
        a = np.asarray(im, np.float64)
        if a.max(initial=0) > 255:
            a = a / 257.0
        im = Image.fromarray(np.clip(np.round(a), 0, 255).astype(np.uint8), "L")
    if im.mode in ("RGBA", "LA", "PA", "La", "RGBa") or "transparency" in im.info:
        rgba = im.convert("RGBA")
        flat = Image.new("RGB", im.size, (0, 0, 0))
        flat.paste(rgba, mask=rgba.getchannel("A"))
        im = flat
    if im.mode not in ("RGB", "CMYK", "L"):
        im = im.convert("RGB")
    if icc:
        try:
            source = ImageCms.ImageCmsProfile(io.BytesIO(icc))
            return ImageCms.profileToProfile(im, source, ImageCms.createProfile("sRGB"),
                                             outputMode="RGB")
        except (ImageCms.PyCMSError, OSError, ValueError):
            pass  # an unusable profile: take the numbers as they are
    return im.convert("RGB")


def fit(im, size, mode):
    """`im` fitted to exactly `size`; returns the image and the enlargement."""
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
    return im.resize(size, Image.Resampling.LANCZOS, box=box), scale


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
    for name in ("avrel.rc", "icon_image.bin", "icon_group.bin", "cursor_image.bin",
                 "cursor_group.bin"):
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
    command = link_command.replace(resource_object,
                                   shlex.quote(os.path.join(work, "avrel.rc.obj")))
    command = command.replace("-o shell/Avrel.scr", "-o " + shlex.quote(out))
    # the import library the link writes beside the program stays out of the build tree
    command = command.replace("--out-implib,shell/", "--out-implib," + work + "/")
    run(["/bin/sh", "-c", command], build)


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
    p.add_argument("--plan", help="file of 'SLOT NAME' lines assigning photos to slots")
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

    def say(text):
        print(text, flush=True)

    def fail(text):
        print("make_custom: " + text, file=sys.stderr, flush=True)
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
