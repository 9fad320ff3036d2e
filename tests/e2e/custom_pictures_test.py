#!/usr/bin/python3
"""Your own pictures, end to end: avrel-custom writes an Avrel.scr from this
build's program file with made-up photos; the native asset checks pass on
it; avrel-render --scr plays that file and the program file of this build
(picture for picture against libjpeg's own decoding, and byte for byte
against the built-in set); under Wine the custom file shows its own first
picture on the stage.

    custom_pictures_test.py --build DIR --custom AVREL_CUSTOM --render AVREL_RENDER
                            --asset-tests ASSET_TESTS --probe EXE --prefix WINEPREFIX
                            --arch win32|win64

AVREL_CUSTOM, AVREL_RENDER and ASSET_TESTS are the native avrel-custom,
avrel-render and asset_tests; without avrel-custom the test is skipped (77),
without the other two their checks are skipped and said so. Exit status 0
when every check held.
"""
import argparse
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
import gen_assets
import sample_photos
from pe_resources import PeFile

failures = []


def expect(condition, expected, got):
    if not condition:
        failures.append(expected)
        print(f"FAIL: expected {expected}, got {got}", flush=True)
    return condition


def bmp_parts(path):
    """(colour table, pixel rows) of an 8-bit BMP."""
    with open(path, "rb") as f:
        data = f.read()
    offset = int.from_bytes(data[10:14], "little")
    return data[offset - 1024:offset], data[offset:]


def render(tool, *args):
    return subprocess.run([tool, *args], capture_output=True, text=True, timeout=120)


def avrel_custom(tool, *args):
    return subprocess.run([tool, *args], capture_output=True, text=True, timeout=600)


def write_resources(program, folder):
    """The pictures and palette of a program file as files: pictures/ID.jpg
    and palette.bin."""
    with open(program, "rb") as f:
        pe = PeFile(f.read())
    os.makedirs(os.path.join(folder, "pictures"))
    for rtype, pid, _, _, at, size in pe.resources():
        if rtype == 10 and (pid in gen_assets.CATALOGUE or pid == 4098):
            name = "palette.bin" if pid == 4098 else os.path.join("pictures", "%d.jpg" % pid)
            with open(os.path.join(folder, name), "wb") as out:
                out.write(pe.data[at:at + size])


def check_tool(args, work):
    photos = os.path.join(work, "photos")
    sample_photos.write_mixed(photos)
    # An old card's Latin-1 name with a "#" in it, named by the plan file
    with open(os.path.join(photos, "01-landscape.jpg"), "rb") as f:
        landscape = f.read()
    with open(os.path.join(os.fsencode(photos), b"f\xeate #2.jpg"), "wb") as f:
        f.write(landscape)
    # and an output folder whose path has a space (and a comma)
    where = os.path.join(work, "my show, with space")
    os.makedirs(where)
    out = os.path.join(where, "Avrel.scr")
    resources = os.path.join(work, "custom", "resources")
    shipped = os.path.join(args.build, "shell", "Avrel.scr")
    done = avrel_custom(args.custom, photos, "-o", out, "--scr", shipped,
                        "--plan", os.path.join(work, "plan.txt"))
    print(done.stdout, done.stderr, flush=True)
    expect(done.returncode == 0, "avrel-custom to succeed", f"exit {done.returncode}")
    expect(os.listdir(where) == ["Avrel.scr"], f"only Avrel.scr in {where}", os.listdir(where))
    for line in ["Plan:", "1000  640 x 480  03-stripes.png  (plan file)",
                 "1001  211 x 250  f\\xeate #2.jpg  (plan file)",
                 "24 slots filled from 9 photos", "reused in turn", "skipped 3: 09-broken.jpg, 10-notes.txt, 11-giant.png",
                 "08-tiny.jpg is much smaller", out]:
        expect(line in done.stdout, f"'{line}' in the output", "not there")
    expect(os.path.isfile(out), f"{out} written", "no file")
    if os.path.isfile(out):
        write_resources(out, resources)

    empty = os.path.join(work, "empty")
    os.makedirs(empty)
    nothing = os.path.join(work, "nothing", "Avrel.scr")
    done = avrel_custom(args.custom, empty, "-o", nothing, "--scr", shipped)
    expect(done.returncode == 1 and "holds no files" in done.stderr,
           "exit 1 and a message for an empty folder", f"{done.returncode} {done.stderr!r}")
    expect(not os.path.exists(nothing), "no output for an empty folder", "a file")
    return out, resources


def check_assets(args, custom):
    """The native asset checks, reading the custom file's resources."""
    done = subprocess.run([args.asset_tests], capture_output=True, text=True, timeout=120,
                          env=dict(os.environ, AVREL_PROGRAM_FILE=custom))
    expect(done.returncode == 0, "the custom file to pass the asset checks",
           done.stdout[-2000:] + done.stderr)


def check_render(args, work, custom, resources):
    tool = args.render
    shipped = os.path.join(args.build, "shell", "Avrel.scr")
    ids = sorted(gen_assets.CATALOGUE)
    same = 0
    for pid in ids:
        built_in, from_file = os.path.join(work, "b.bmp"), os.path.join(work, "f.bmp")
        a, b = render(tool, "picture", str(pid), built_in), render(
            tool, "--scr", shipped, "picture", str(pid), from_file)
        if a.returncode == 0 and b.returncode == 0:
            with open(built_in, "rb") as x, open(from_file, "rb") as y:
                same += x.read() == y.read()
    expect(same == len(ids), f"all {len(ids)} pictures of {shipped} byte for byte as built in",
           f"{same}")

    # The custom file: every picture as djpeg decodes the custom JPEG with
    # the custom palette as its colour map.
    ppm = os.path.join(work, "palette.ppm")
    matched = 0
    for pid in ids:
        ref, got = os.path.join(work, "ref.bmp"), os.path.join(work, "got.bmp")
        subprocess.run(["djpeg", "-map", ppm, "-dither", "fs", "-rgb", "-bmp", "-outfile", ref,
                        os.path.join(resources, "pictures", "%d.jpg" % pid)], check=True)
        done = render(tool, "--scr", custom, "picture", str(pid), got)
        matched += done.returncode == 0 and bmp_parts(ref) == bmp_parts(got)
    expect(matched == len(ids), f"all {len(ids)} custom pictures as libjpeg decodes them",
           f"{matched}")

    show = os.path.join(work, "show")
    done = render(tool, "--scr", custom, "show", "--out", show, "--at", "1500")
    expect(done.returncode == 0, "a whole pass of the custom show", done.stderr)
    if done.returncode == 0:
        with open(os.path.join(show, "timeline.jsonl")) as f:
            steps = sum(1 for _ in f)
        expect(steps >= 86, "every step of the pass in the timeline", f"{steps} lines")
        expect(os.path.getsize(os.path.join(show, "contact-sheet.png")) > 0,
               "a contact sheet", "none")

    # The custom file with pictures 1000 and 1001 renamed 1 and 2 in its
    # resource directory, where their entries (id, subdirectory) stand side by side.
    with open(custom, "rb") as f:
        data = bytearray(f.read())
    at = next(i for i in range(0, len(data) - 16, 2)
              if data[i:i + 4] == struct.pack("<I", 1000) and data[i + 7] & 0x80
              and data[i + 8:i + 12] == struct.pack("<I", 1001) and data[i + 15] & 0x80)
    data[at:at + 4] = struct.pack("<I", 1)
    data[at + 8:at + 12] = struct.pack("<I", 2)
    lacking = os.path.join(work, "lacking.scr")
    with open(lacking, "wb") as f:
        f.write(data)
    for path, message in [(os.path.join(ROOT, "README.md"), "not a Windows program file"),
                          (args.probe, "the file has no resources"),
                          (lacking, "lacks resources the show needs: RT_RCDATA 1000, 1001\n")]:
        done = render(tool, "--scr", path, "picture", "1000", os.path.join(work, "x.bmp"))
        expect(done.returncode == 1 and message in done.stderr,
               f"exit 1 with '{message}' for {os.path.basename(path)}",
               f"{done.returncode} {done.stderr!r}")


def main():
    parser = argparse.ArgumentParser()
    for name in ("--build", "--custom", "--render", "--asset-tests", "--probe", "--prefix"):
        parser.add_argument(name, required=True)
    parser.add_argument("--arch", default="win32")
    args = parser.parse_args()
    if not os.access(args.custom, os.X_OK):
        print(f"skipped: {args.custom} is not built (make native)", flush=True)
        return 77
    os.makedirs(os.path.dirname(args.prefix), exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="avrel-custom-e2e-",
                                     dir=os.path.dirname(args.prefix)) as work:
        with open(os.path.join(work, "plan.txt"), "wb") as f:
            f.write(b"# the stripes first\n1000 03-stripes.png\n1001 f\xeate #2.jpg\n")
        os.makedirs(os.path.join(work, "reference"))
        custom, resources = check_tool(args, work)
        if not os.path.isfile(custom):
            return 1
        # djpeg's colour map is a picture of the palette's colours in order
        ppm = os.path.join(work, "palette.ppm")
        with open(os.path.join(resources, "palette.bin"), "rb") as f, open(ppm, "wb") as out:
            out.write(b"P6\n256 1\n255\n" + f.read())
        subprocess.run(["djpeg", "-map", ppm, "-dither", "fs", "-rgb", "-bmp", "-outfile",
                        os.path.join(work, "reference", "1000.bmp"),
                        os.path.join(resources, "pictures", "1000.jpg")], check=True)
        if os.access(args.render, os.X_OK) and os.access(args.asset_tests, os.X_OK):
            check_assets(args, custom)
            check_render(args, work, custom, resources)
        else:
            print(f"SKIPPED the native checks: {args.render} and {args.asset_tests} are not"
                  " built (make native)", flush=True)
        # The saver itself: picture 1000 of the custom file on the stage.
        done = subprocess.run([sys.executable, os.path.join(HERE, "avrel_e2e.py"), "saver_screen",
                               "--program", custom, "--probe", args.probe,
                               "--prefix", args.prefix, "--arch", args.arch,
                               "--reference", os.path.join(work, "reference"),
                               "--palette", os.path.join(resources, "palette.bin")],
                              timeout=500)
        expect(done.returncode == 0, "the custom Avrel.scr to show its picture 1000 under Wine",
               f"exit {done.returncode}")
    print("custom pictures: %s" % ("all checks held" if not failures else
                                   "%d check(s) failed" % len(failures)), flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
