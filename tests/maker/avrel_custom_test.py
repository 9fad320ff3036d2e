#!/usr/bin/python3
"""avrel-custom as a person runs it, on folders of made-up photos: what it
prints (progress, the plan, the summary, names that are not UTF-8 escaped),
what it writes (a file that passes the program's resource checks and that
avrel-render plays a whole pass of, every still-picture slot replaced and
in the catalogue's form, every other picture kept, a palette that keeps the
rules and the colour table that follows from it, a known photo where the
crop rule puts it), the same bytes from any folder and from `make custom`,
bounded memory for big photos, and a clear message with nothing written for
every kind of bad input.

    avrel_custom_test.py --custom AVREL_CUSTOM --scr BASE --root SOURCE_TREE
                         --render AVREL_RENDER --asset-tests ASSET_TESTS [unittest args]

Exits 77 (skipped) when BASE, the Windows build's Avrel.scr, is not built.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import json

import numpy as np
import pefile
from PIL import Image

import gen_assets
import sample_photos
from pe_resources import PeFile

SLOTS = [1000, 1001, 1002, 1003, 1004, 2000, 2001, 2002, 2003, 2004, 3000, 3001, 3002, 3003,
         4000, 4001, 4002, 4003, 5000, 5001, 5002, 5003, 5004, 5008]
YELLOW, CYAN = (255, 255, 0), (0, 255, 255)
ARGS = None


def run_custom(*args, cwd=None):
    """avrel-custom's exit status and its output as bytes, which must decode
    as strict UTF-8 (a desktop terminal takes no stray bytes)."""
    done = subprocess.run([ARGS.custom, *args], capture_output=True, cwd=cwd, timeout=300)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def rcdata(path):
    """{id: bytes} of a program file's RT_RCDATA resources."""
    with open(path, "rb") as f:
        pe = PeFile(f.read())
    return {pid: bytes(pe.data[at:at + size])
            for rtype, pid, _, _, at, size in pe.resources() if rtype == 10}


def near(pixel, colour, tolerance=40):
    return all(abs(int(p) - c) <= tolerance for p, c in zip(pixel, colour))


def mixed_folder(folder):
    """The sample set with an old card's Latin-1 name holding a '#'."""
    sample_photos.write_mixed(folder)
    with open(os.path.join(folder, "01-landscape.jpg"), "rb") as f:
        landscape = f.read()
    with open(os.path.join(os.fsencode(folder), b"f\xeate #2.jpg"), "wb") as f:
        f.write(landscape)


class MixedFolder(unittest.TestCase):
    """One personal saver made from the mixed sample folder with a plan."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="avrel custom, ")
        cls.photos = os.path.join(cls.tmp.name, "photos")
        mixed_folder(cls.photos)
        cls.plan = os.path.join(cls.tmp.name, "plan.txt")
        with open(cls.plan, "wb") as f:
            f.write(b"# the stripes first\n1000 03-stripes.png\n1001 f\xeate #2.jpg\n")
        cls.out = os.path.join(cls.tmp.name, "my show", "Avrel.scr")
        os.makedirs(os.path.dirname(cls.out))
        cls.status, cls.stdout, cls.stderr = run_custom(cls.photos, "-o", cls.out, "--plan",
                                                        cls.plan, "--scr", ARGS.scr)
        cls.made = rcdata(cls.out) if cls.status == 0 else {}
        cls.base = rcdata(ARGS.scr)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_progress_plan_and_summary_are_printed(self):
        self.assertEqual(self.status, 0, self.stderr)
        self.assertEqual(self.stderr, "")
        for line in ["[24/24]", "Plan:", "  1000  640 x 480  03-stripes.png  (plan file)",
                     "  1001  211 x 250  f\\xeate #2.jpg  (plan file)",
                     "  1002  171 x 95   01-landscape.jpg",
                     "24 slots filled from 9 photos", "fewer photos than slots: reused in turn",
                     "skipped 3: 09-broken.jpg, 10-notes.txt, 11-giant.png",
                     "skipped 10-notes.txt: ", "skipped 11-giant.png: ",
                     "warning: 08-tiny.jpg is much smaller than slot",
                     "%s (%d bytes)" % (self.out, os.path.getsize(self.out))]:
            self.assertIn(line, self.stdout)
        self.assertFalse([n for n in os.listdir(os.path.dirname(self.out)) if n != "Avrel.scr"],
                         "nothing but the saver left beside it")

    def test_every_slot_is_replaced_in_the_catalogues_form_and_the_rest_kept(self):
        self.assertEqual(sorted(self.made), sorted(self.base))
        for pid in gen_assets.CATALOGUE:
            gen_assets.check_jpeg(pid, self.made[pid])
            if pid in SLOTS:
                self.assertNotEqual(self.made[pid], self.base[pid], pid)
            else:
                self.assertEqual(self.made[pid], self.base[pid], pid)

    def test_the_file_passes_the_resource_checks_and_plays_a_whole_pass(self):
        checked = subprocess.run([ARGS.asset_tests], capture_output=True, text=True, timeout=120,
                                 env=dict(os.environ, AVREL_PROGRAM_FILE=self.out))
        self.assertEqual(checked.returncode, 0, checked.stdout[-2000:] + checked.stderr)
        show = os.path.join(self.tmp.name, "show")
        played = subprocess.run([ARGS.render, "--scr", self.out, "show", "--out", show,
                                 "--at", "1500"], capture_output=True, text=True, timeout=300)
        self.assertEqual(played.returncode, 0, played.stderr)
        with open(os.path.join(show, "timeline.jsonl")) as f:
            self.assertGreaterEqual(sum(1 for _ in f), 86, "every step of a pass")

    def test_the_palette_keeps_its_rules_and_the_table_follows_from_it(self):
        pal = np.frombuffer(self.made[4098], np.uint8).reshape(256, 3)
        table = np.frombuffer(self.made[4099], np.uint8)
        shipped = np.frombuffer(self.base[4098], np.uint8).reshape(256, 3)
        gen_assets.check_palette(pal, table)
        self.assertTrue(np.array_equal(gen_assets.build_colortable(pal), table))
        self.assertTrue(np.array_equal(pal[:10], shipped[:10]))
        self.assertTrue(np.array_equal(pal[246:], shipped[246:]))
        self.assertFalse(np.array_equal(pal, shipped), "palette designed anew")

    def test_the_known_photo_lands_where_the_crop_rule_puts_it(self):
        # 1200 x 600 stripes covering 640 x 480: the centred 800 x 600, which
        # is yellow in its left half and cyan in its right half
        with open(os.path.join(self.tmp.name, "1000.jpg"), "wb") as f:
            f.write(self.made[1000])
        with Image.open(os.path.join(self.tmp.name, "1000.jpg")) as im:
            a = np.asarray(im.convert("RGB"))
        for y in (0, 240, 479):
            for x in (2, 300):
                self.assertTrue(near(a[y, x], YELLOW), "(%d, %d) is %s" % (x, y, a[y, x]))
            for x in (340, 637):
                self.assertTrue(near(a[y, x], CYAN), "(%d, %d) is %s" % (x, y, a[y, x]))

    def test_the_same_folder_gives_the_same_bytes_from_anywhere_and_from_make_custom(self):
        with tempfile.TemporaryDirectory() as other:
            # another copy of the folder, deeper and named otherwise, given
            # as a relative path from another working folder
            copy = os.path.join(other, "a", "b c", "Fotos")
            shutil.copytree(os.fsencode(self.photos), os.fsencode(copy))
            plan = os.path.join(other, "a", "plan")
            shutil.copy(self.plan, plan)
            status, _, err = run_custom(os.path.join("b c", "Fotos"), "-o", "again.scr",
                                        "--plan", "plan", "--scr", ARGS.scr,
                                        cwd=os.path.join(other, "a"))
            self.assertEqual(status, 0, err)
            with open(os.path.join(other, "a", "again.scr"), "rb") as f, \
                    open(self.out, "rb") as g:
                self.assertTrue(f.read() == g.read(), "the same bytes from another folder")

            made = os.path.join(other, "make", "Avrel.scr")
            done = subprocess.run(["make", "-s", "-C", ARGS.root, "custom", "PICTURES=" + copy,
                                   "OUT=" + made, "PLAN=" + plan], capture_output=True,
                                  stdin=subprocess.DEVNULL, timeout=900)
            self.assertEqual(done.returncode, 0, done.stderr.decode(errors="replace")[-2000:])
            with open(made, "rb") as f, open(self.out, "rb") as g:
                self.assertTrue(f.read() == g.read(), "the same bytes from make custom")


class BadInput(unittest.TestCase):
    """Every bad input: a message, the right status, nothing written."""

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.out = os.path.join(self.tmp.name, "Avrel.scr")

    def tearDown(self):
        self.tmp.cleanup()

    def photos(self, *names):
        folder = os.path.join(self.tmp.name, "photos")
        os.makedirs(folder, exist_ok=True)
        for name in names:
            Image.fromarray(sample_photos.scene(400, 300, 5)).save(os.path.join(folder, name))
        return folder

    def refused(self, status, message, *args):
        before = sorted(os.listdir(self.tmp.name))
        got, out, err = run_custom(*args)
        self.assertEqual(got, status, out + err)
        self.assertIn(message, err)
        self.assertEqual(err.count("\n"), 1, "one line: %r" % err)
        self.assertEqual(sorted(os.listdir(self.tmp.name)), before, "nothing written")
        return out

    def test_bad_arguments_exit_2(self):
        folder = self.photos("a.jpg")
        for args, message in [((), "which folder?"), ((folder, "--fit", "sideways"), "--fit"),
                              ((folder, "--frobnicate"), "unknown option"),
                              ((folder, folder), "one folder only"), ((folder, "-o"), "needs")]:
            self.refused(2, message, *args)

    def test_missing_and_empty_folders_and_folders_without_a_picture_exit_1(self):
        empty = os.path.join(self.tmp.name, "empty")
        os.makedirs(empty)
        notes = os.path.join(self.tmp.name, "notes")
        os.makedirs(notes)
        with open(os.path.join(notes, "notes.txt"), "w") as f:
            f.write("hello\n")
        for folder, message in [(os.path.join(self.tmp.name, "none"), "is not a folder"),
                                (empty, "holds no files"),
                                (notes, "none of the 1 files in")]:
            out = self.refused(1, message, folder, "-o", self.out, "--scr", ARGS.scr)
        self.assertIn("skipped notes.txt: ", out)

    def test_a_base_that_is_not_a_program_or_lacks_resources_exits_1(self):
        folder = self.photos("a.jpg")
        readme = os.path.join(ARGS.root, "README.md")
        self.refused(1, "not a Windows program file", folder, "-o", self.out, "--scr", readme)
        self.refused(1, "no such file", folder, "-o", self.out, "--scr", self.out + ".none")
        lacking = os.path.join(self.tmp.name, "file")
        subprocess.run([sys.executable, os.path.join(ARGS.root, "tools", "assets",
                                                     "pe_resources.py"), "damage", ARGS.scr,
                        lacking, "--remove", "10:2003"], check=True)
        self.refused(1, "lacks resources the show needs: RT_RCDATA 2003", folder, "-o",
                     self.out, "--scr", lacking)

    def test_an_output_folder_that_cannot_be_written_exits_1_and_leaves_nothing(self):
        folder = self.photos("a.jpg")
        with open(os.path.join(self.tmp.name, "file"), "w") as f:
            f.write("a file, not a folder\n")
        for out in (os.path.join(self.tmp.name, "no folder", "Avrel.scr"),
                    os.path.join(self.tmp.name, "file", "Avrel.scr")):
            got, _, err = run_custom(folder, "-o", out, "--scr", ARGS.scr)
            self.assertEqual(got, 1, err)
            self.assertIn("cannot write", err)
        self.assertEqual(sorted(os.listdir(self.tmp.name)), ["file", "photos"])

    def test_a_bad_plan_exits_1_naming_the_line(self):
        folder = self.photos("a.jpg")
        plan = os.path.join(self.tmp.name, "plan.txt")
        with open(plan, "w") as f:
            f.write("# mine\n1005 a.jpg\n")
        self.refused(1, "plan.txt:2: 1005 is not a picture slot", folder, "-o", self.out,
                     "--plan", plan, "--scr", ARGS.scr)


DAYS = ["Day 1 Alfama", "Day 2 Belém", "Day 3 Sintra", "Day 4 Cascais", "Day 5 Porto"]


def string_one(path):
    """String resource 1 of a program file, as pefile reads it, or None."""
    pe = pefile.PE(path)
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if rtype.id != pefile.RESOURCE_TYPE["RT_STRING"]:
            continue
        for block in rtype.directory.entries:
            for language in block.directory.entries:
                strings = getattr(language.directory if hasattr(language, "directory")
                                  else block.directory, "strings", {})
                if 1 in strings:
                    return strings[1]
    return None


class WordsAndChapters(unittest.TestCase):
    """A folder of five day-folders made into "Lisbon 2026" with chapter 2
    titled "Lisbon": the file named after the show, Windows' list name,
    each chapter from its folder, the title on the stage as avrel-render
    draws it, and words the faces cannot draw refused with nothing written."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="avrel words, ")
        cls.photos = os.path.join(cls.tmp.name, "Lisbon")
        for day in DAYS:
            sample_photos.write_scenes(os.path.join(cls.photos, day), 6)
        cls.work = os.path.join(cls.tmp.name, "out")
        os.makedirs(cls.work)
        cls.status, cls.stdout, cls.stderr = run_custom(
            cls.photos, "--scr", ARGS.scr, "--name", "Lisbon 2026", "--title", "2", "Lisbon",
            cwd=cls.work)
        cls.out = os.path.join(cls.work, "Lisbon 2026.scr")
        cls.made = rcdata(cls.out) if cls.status == 0 else {}
        cls.base = rcdata(ARGS.scr)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_the_file_is_named_after_the_show_and_windows_lists_it_by_that_name(self):
        self.assertEqual(self.status, 0, self.stderr)
        self.assertEqual(os.listdir(self.work), ["Lisbon 2026.scr"])
        self.assertEqual(string_one(self.out), "Lisbon 2026")
        self.assertIsNone(string_one(ARGS.scr), "the shipped program has no string 1")
        for line in ["and 5 chapters from its folders", "30 photos in 24 slots over 2 passes",
                     "lettered: the name, chapter 2's title, chapter 3's title, chapter 4's "
                     "title, chapter 5's title"]:
            self.assertIn(line, self.stdout)

    def test_each_chapter_shows_its_folders_photos_and_its_title(self):
        plan = [line.split() for line in self.stdout.splitlines() if line.startswith("  pass ")]
        self.assertEqual(len(plan), 30)
        for fields in plan:
            slot, name = int(fields[2]), " ".join(fields[6:])
            self.assertTrue(name.startswith(DAYS[slot // 1000 - 1] + "/"), fields)
        for pid in (6001, 6002, 6003, 6004, 6005, 6006, 6007):
            self.assertNotEqual(self.made[pid], self.base[pid], pid)
            gen_assets.check_jpeg(pid, self.made[pid])
        for pid in (6000, 6008):
            self.assertEqual(self.made[pid], self.base[pid], pid)

    def test_the_title_shows_on_the_stage_as_avrel_render_draws_it(self):
        show = os.path.join(self.tmp.name, "show")
        done = subprocess.run([ARGS.render, "--scr", self.out, "show", "--out", show, "--size",
                               "640x480"], capture_output=True, text=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        with open(os.path.join(show, "timeline.jsonl")) as f:
            calls = [json.loads(line) for line in f]
        zoom = next(c for c in calls if c["name"] == "ZoomLogoIn" and c["arguments"] == [6001])
        moment = zoom["end"] + 500
        done = subprocess.run([ARGS.render, "--scr", self.out, "show", "--out", show, "--size",
                               "640x480", "--at", str(moment)], capture_output=True, text=True,
                              timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        picture = os.path.join(self.tmp.name, "6001.bmp")
        done = subprocess.run([ARGS.render, "--scr", self.out, "picture", "6001", picture],
                              capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        with Image.open(picture) as im:
            title = im.convert("RGB")
        with Image.open(os.path.join(show, "screen-%06d.png" % moment)) as im:
            screen = im.convert("RGB")
        w, h = title.size
        left, top = 320 - w // 2, 240 - h // 2
        self.assertEqual((w, h), (496, 73))
        self.assertEqual(screen.crop((left, top, left + w, top + h)).tobytes(), title.tobytes(),
                         "the title at the stage's centre, pixel for pixel")
        self.assertGreater(sum(1 for p in title.getdata() if p != (0, 0, 0)), 1000)

    def test_a_damaged_pass_table_is_refused_by_the_players(self):
        with open(self.out, "rb") as f:
            pe = PeFile(f.read())
        at = next(at for rtype, pid, _, _, at, _ in pe.resources() if (rtype, pid) == (10, 4100))
        pe.data[at] = 2
        damaged = os.path.join(self.tmp.name, "damaged.scr")
        with open(damaged, "wb") as f:
            f.write(pe.data)
        done = subprocess.run([ARGS.render, "--scr", damaged, "picture", "1000",
                               os.path.join(self.tmp.name, "x.bmp")], capture_output=True,
                              text=True, timeout=60)
        self.assertEqual(done.returncode, 1)
        self.assertIn("its pass table is of a form this program does not know", done.stderr)

    def test_words_the_faces_cannot_draw_are_named_and_nothing_is_written(self):
        words = os.path.join(self.tmp.name, "words.txt")
        with open(words, "w", encoding="utf-8") as f:
            f.write("# Lisbon\nname: Лиссабон\ntitle 3: ΚΑΛΗΜΈΡΑ|里斯本\n")
        where = os.path.join(self.tmp.name, "refused")
        os.makedirs(where)
        status, out, err = run_custom(self.photos, "--scr", ARGS.scr, "--words", words, cwd=where)
        self.assertEqual(status, 1, out + err)
        self.assertEqual(err, "avrel-custom: the title of chapter 3: '里' (U+91CC) is not in the "
                              "show's lettering (DejaVu Serif Italic)\n")
        self.assertEqual(os.listdir(where), [])


def peak_of(*args):
    """Peak resident memory (bytes) of one avrel-custom run, read by a
    fresh Python process so that no other child's peak counts."""
    probe = ("import resource, subprocess, sys\n"
             "done = subprocess.run(sys.argv[1:], capture_output=True)\n"
             "print(done.returncode, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)\n")
    done = subprocess.run([sys.executable, "-c", probe, ARGS.custom, *args], capture_output=True,
                          text=True, timeout=600)
    status, peak = done.stdout.split()
    return int(status), int(peak) * 1024


class Memory(unittest.TestCase):
    """Big photos that cannot be decoded at a reduced scale: a 16-bit grey
    PNG and a transparent one of 24 megapixels. The maker fits at most two
    photos at a time, each in at most 9 bytes a pixel, beyond what a folder
    of one small photo costs."""

    BYTES_PER_PIXEL = 9
    BANDS = 48 << 20

    def check(self, im, name):
        with tempfile.TemporaryDirectory() as tmp:
            small, big = os.path.join(tmp, "small"), os.path.join(tmp, "big")
            os.makedirs(small)
            os.makedirs(big)
            Image.fromarray(sample_photos.scene(640, 480, 1)).save(os.path.join(small, "a.png"))
            im.save(os.path.join(big, name))
            pixels = im.width * im.height
            out = os.path.join(tmp, "Avrel.scr")
            status, baseline = peak_of(small, "-o", out, "--scr", ARGS.scr)
            self.assertEqual(status, 0)
            status, peak = peak_of(big, "-o", out, "--scr", ARGS.scr)
            self.assertEqual(status, 0)
        grown = peak - baseline
        print("%s: %.0f MB more than one small photo for %.1f megapixels (%.1f bytes a pixel)"
              % (name, grown / 2**20, pixels / 1e6, grown / pixels), file=sys.stderr)
        self.assertLessEqual(grown, 2 * self.BYTES_PER_PIXEL * pixels + self.BANDS)

    def test_a_16_bit_grey_picture(self):
        w, h = 6000, 4000
        a = (np.linspace(0, 65535, h, dtype=np.float32)[:, None]
             * np.linspace(0.5, 1, w, dtype=np.float32)[None, :]).astype(np.uint16)
        self.check(Image.fromarray(a, "I;16"), "grey16.png")

    def test_a_transparent_picture(self):
        a = np.zeros((4000, 6000, 4), np.uint8)
        a[..., 0] = np.arange(6000, dtype=np.uint32)[None, :] * 255 // 6000
        a[..., 1] = 90
        a[1000:3000, ..., 3] = 255
        self.check(Image.fromarray(a, "RGBA"), "alpha.png")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--custom", required=True)
    parser.add_argument("--scr", required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--render", required=True)
    parser.add_argument("--asset-tests", required=True)
    ARGS, rest = parser.parse_known_args()
    if not os.path.isfile(ARGS.scr):
        print("skipped: %s is not built (make windows)" % ARGS.scr)
        return 77
    program = unittest.main(argv=[sys.argv[0]] + rest, exit=False)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
