"""make_custom.py on a folder of made-up photos: how each kind of photo is
read and fitted, which photo lands in which slot, and that the new palette,
colour table and pictures keep every rule the program's resources follow.
The link into Avrel.scr is tested with the Windows build (tests/e2e)."""

import contextlib
import io
import os
import subprocess
import sys
import tempfile
import unittest

import numpy as np
from PIL import Image

import gen_assets
import make_custom
import sample_photos

YELLOW, CYAN, RED = (255, 255, 0), (0, 255, 255), (255, 0, 0)


def near(pixel, colour, tolerance=40):
    return all(abs(int(p) - c) <= tolerance for p, c in zip(pixel, colour))


class Photos(unittest.TestCase):
    """One photo at a time: reading, colour, orientation and fitting."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.folder = cls.tmp.name
        sample_photos.write_mixed(cls.folder)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def open(self, name, want=640):
        return make_custom.open_photo(os.path.join(self.folder, name), want, name)

    def test_cover_scales_to_cover_and_crops_around_the_centre(self):
        # 1200 x 600 onto 640 x 480: the centred 800 x 600 box, x 200-1000,
        # which is yellow in its left half and cyan in its right half.
        fitted, scale = make_custom.fit(self.open("03-stripes.png"), (640, 480), "cover")
        self.assertEqual(fitted.size, (640, 480))
        self.assertAlmostEqual(scale, 0.8)
        a = np.asarray(fitted)
        for x, colour in [(2, YELLOW), (300, YELLOW), (340, CYAN), (637, CYAN)]:
            for y in (0, 240, 479):
                self.assertTrue(near(a[y, x], colour), "(%d, %d) is %s" % (x, y, a[y, x]))
        self.assertFalse(any(near(p, RED) for p in a.reshape(-1, 3)[::97]),
                         "red from outside the crop")

    def test_contain_letterboxes_on_black(self):
        fitted, scale = make_custom.fit(self.open("03-stripes.png"), (640, 480), "contain")
        a = np.asarray(fitted)
        self.assertAlmostEqual(scale, 640 / 1200)
        # 640 x 320 in rows 80-399; red is the outer 200 columns, 107 scaled
        self.assertEqual(a[:78].max(), 0)
        self.assertEqual(a[402:].max(), 0)
        self.assertTrue(near(a[240, 50], RED) and near(a[240, 600], RED))
        self.assertTrue(near(a[240, 200], YELLOW) and near(a[240, 420], CYAN))

    def test_exif_orientation_turns_the_photo_upright(self):
        im = self.open("02-portrait-rotated.jpg", 900)
        self.assertEqual(im.size, (600, 900))
        diff = np.abs(np.asarray(im, int) - sample_photos.scene(600, 900, 2).astype(int))
        self.assertLess(diff.mean(), 6)

    def test_16_bit_grey_is_scaled_not_clipped(self):
        im = self.open("04-grey-16bit.png")
        self.assertEqual(im.mode, "L")  # grey until fitted
        a = np.asarray(im.convert("RGB"))
        self.assertEqual(a.shape, (600, 800, 3))
        self.assertLessEqual(a[300, 0].max(), 2)
        self.assertTrue(120 <= a[300, 400, 0] <= 136, a[300, 400])
        self.assertGreaterEqual(a[300, 799].min(), 253)

    def test_palette_transparent_and_cmyk_photos_become_srgb(self):
        pal = np.asarray(self.open("05-palette.png"), int)
        self.assertLess(np.abs(pal - sample_photos.scene(800, 600, 5).astype(int)).mean(), 12)
        flat = np.asarray(self.open("06-transparent.png"))
        self.assertEqual(flat[:100].max(), 0)
        self.assertEqual(flat[:, :200].max(), 0)
        self.assertGreater(flat[100:500, 200:600].mean(), 20)
        cmyk = np.asarray(self.open("07-cmyk.jpg"))
        self.assertTrue(near(cmyk[300, 100], RED, 50), cmyk[300, 100])
        self.assertTrue(near(cmyk[300, 700], (0, 255, 0), 50), cmyk[300, 700])

    def test_an_embedded_colour_profile_is_converted_to_srgb(self):
        # Numbers that mean green and red under the profile's swapped primaries.
        a = np.zeros((200, 400, 3), np.uint8)
        a[:, :200] = (0, 255, 0)
        a[:, 200:] = (255, 0, 0)
        Image.fromarray(a).save(os.path.join(self.folder, "swapped.jpg"), quality=95,
                                icc_profile=sample_photos.swapped_profile())
        im = np.asarray(self.open("swapped.jpg", 200))
        self.assertTrue(near(im[100, 100], RED, 60), im[100, 100])
        self.assertTrue(near(im[100, 300], (0, 255, 0), 60), im[100, 300])

    def test_grey_photos_are_fitted_as_rgb(self):
        for fit_mode in ("cover", "contain"):
            fitted, _ = make_custom.fit(self.open("04-grey-16bit.png"), (211, 250), fit_mode)
            self.assertEqual((fitted.mode, fitted.size), ("RGB", (211, 250)))

    def test_unreadable_files_are_refused_with_the_reason(self):
        for name, reason in [("09-broken.jpg", "cannot be decoded"),
                             ("10-notes.txt", "not a picture"),
                             ("11-giant.png", "decompression bomb")]:
            with self.assertRaises(make_custom.Refused) as caught:
                self.open(name)
            self.assertIn(reason, caught.exception.why)

    def test_plan_files_name_slots_and_photos(self):
        names = make_custom.list_photos(self.folder)
        plan_path = os.path.join(self.tmp.name, "..", "avrel-plan-%d.txt" % os.getpid())
        try:
            with open(plan_path, "w") as f:
                f.write("# my show\n1000 03-stripes.png\n  # sunset next\n"
                        '3001 "01-landscape.jpg"  # sunset\n')
            self.assertEqual(make_custom.read_plan(plan_path, names),
                             {1000: "03-stripes.png", 3001: "01-landscape.jpg"})
            for bad, message in [("1005 01-landscape.jpg", "not a picture slot"),
                                 ("1000 missing.jpg", "no photo named"),
                                 ("1000 01-landscape.jpg  # sunset", "only at the start"),
                                 ('1000 "01-landscape.jpg" sunset', "only a '#' comment"),
                                 ('1000 "01-landscape.jpg', "a quoted name ends"),
                                 ("one two", "expected 'SLOT NAME'")]:
                with open(plan_path, "w") as f:
                    f.write(bad + "\n")
                with self.assertRaises(ValueError) as caught:
                    make_custom.read_plan(plan_path, names)
                self.assertIn(message, str(caught.exception))
        finally:
            os.remove(plan_path)

    def test_plan_names_may_hold_hashes_and_bytes_that_are_not_utf8(self):
        latin1 = os.fsdecode(b"f\xeate.jpg")  # as os.listdir gives it
        names = ["beach #2.jpg", "#1.jpg", latin1, "caf\u00e9.jpg"]
        with tempfile.NamedTemporaryFile("wb", suffix=".txt") as f:
            f.write(b"1000 beach #2.jpg\n1001 #1.jpg\r\n1002 f\xeate.jpg\n"
                    + "2000 caf\u00e9.jpg\n".encode() + b'2001 "#1.jpg" # again\n')
            f.flush()
            self.assertEqual(make_custom.read_plan(f.name, names),
                             {1000: "beach #2.jpg", 1001: "#1.jpg", 1002: latin1,
                              2000: "caf\u00e9.jpg", 2001: "#1.jpg"})
            f.write(b"2002 d\xe9j\xe0.jpg\n")
            f.flush()
            with self.assertRaises(ValueError) as caught:
                make_custom.read_plan(f.name, names)
            self.assertIn("no photo named 'd\\xe9j\\xe0.jpg'", str(caught.exception))

    def test_assignment_follows_the_plan_then_name_order_in_turn(self):
        got = make_custom.assign([1000, 1001, 1002, 1003, 1004], ["a", "b", "c"], {1001: "c"})
        self.assertEqual(got, [(1000, "a"), (1001, "c"), (1002, "b"), (1003, "a"), (1004, "b")])


# The peak is the process's own high-water mark (VmHWM), which starts
# afresh with the program; ru_maxrss would carry the parent's over exec.
PEAK_PROBE = """
import sys
import make_custom
from PIL import Image

def peak():
    for line in open("/proc/self/status"):
        if line.startswith("VmHWM:"):
            return int(line.split()[1])

Image.MAX_IMAGE_PIXELS = make_custom.PIXEL_LIMIT
before = peak()
im = make_custom.open_photo(sys.argv[1], 640, "photo")
make_custom.fit(im, (640, 480), "cover")
print(before, peak())
"""


class Memory(unittest.TestCase):
    """The peak memory of one big photo, per pixel, whatever its kind: at
    most 9 bytes, so that one just under the 150-megapixel limit stays
    under 1.5 GB (and a little for the bands it is worked in)."""

    BYTES_PER_PIXEL = 9
    BANDS = 48 << 20

    def peak(self, im, name):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, name)
            im.save(path)
            pixels = im.width * im.height
            del im
            done = subprocess.run([sys.executable, "-c", PEAK_PROBE, path],
                                  capture_output=True, text=True, timeout=300)
        self.assertEqual(done.returncode, 0, done.stderr)
        before, after = (int(v) * 1024 for v in done.stdout.split())
        grown = after - before
        print("%s: %.0f MB for %.1f megapixels (%.1f bytes per pixel)"
              % (name, grown / 2**20, pixels / 1e6, grown / pixels), file=sys.stderr)
        self.assertLessEqual(grown, self.BYTES_PER_PIXEL * pixels + self.BANDS,
                             "%s: %d bytes for %d pixels" % (name, grown, pixels))

    def test_a_16_bit_grey_picture(self):
        w, h = 6000, 4000
        a = (np.linspace(0, 65535, h, dtype=np.float32)[:, None]
             * np.linspace(0.5, 1, w, dtype=np.float32)[None, :]).astype(np.uint16)
        self.peak(Image.fromarray(a, "I;16"), "grey16.png")

    def test_a_transparent_picture(self):
        a = np.zeros((4000, 6000, 4), np.uint8)
        a[..., 0] = np.arange(6000, dtype=np.uint32)[None, :] * 255 // 6000
        a[..., 1] = 90
        a[1000:3000, ..., 3] = 255
        self.peak(Image.fromarray(a, "RGBA"), "alpha.png")


class CustomSet(unittest.TestCase):
    """The whole picture set made from the sample folder, as the tool makes it."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        folder = os.path.join(cls.tmp.name, "photos")
        sample_photos.write_mixed(folder)
        names = make_custom.list_photos(folder)
        with contextlib.redirect_stdout(io.StringIO()) as out:
            cls.pictures, cls.used, cls.skipped, cls.notes = make_custom.fill_slots(
                folder, names, {1000: "03-stripes.png"}, "cover", print)
            cls.pal, cls.table = make_custom.design(cls.pictures)
        cls.progress = out.getvalue()
        cls.work = os.path.join(cls.tmp.name, "resources")
        make_custom.write_resources(cls.work, cls.pictures, cls.pal, cls.table)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_every_still_picture_slot_is_filled_and_nothing_else(self):
        self.assertEqual(sorted(self.pictures), sorted(make_custom.STAGE_SLOTS))
        for pid in gen_assets.CATALOGUE:
            with open(os.path.join(self.work, "pictures", "%d.jpg" % pid), "rb") as f:
                data = f.read()
            if pid in self.pictures:
                self.assertNotEqual(data, make_custom.shipped_picture(pid), pid)
            else:
                self.assertEqual(data, make_custom.shipped_picture(pid), pid)

    def test_unusable_files_are_skipped_and_the_rest_reused_in_turn(self):
        self.assertEqual(sorted(self.skipped), ["09-broken.jpg", "10-notes.txt", "11-giant.png"])
        self.assertEqual(self.used[1000], "03-stripes.png")
        others = [self.used[s] for s in make_custom.STAGE_SLOTS[1:]]
        self.assertEqual(others[:7], ["01-landscape.jpg", "02-portrait-rotated.jpg",
                                      "04-grey-16bit.png", "05-palette.png",
                                      "06-transparent.png", "07-cmyk.jpg", "08-tiny.jpg"])
        self.assertEqual(others[7], "01-landscape.jpg")
        self.assertTrue(any("08-tiny.jpg is much smaller" in n for n in self.notes), self.notes)
        self.assertIn("skipped 10-notes.txt", self.progress)

    def test_the_known_photo_lands_where_the_crop_rule_puts_it(self):
        with Image.open(os.path.join(self.work, "pictures", "1000.jpg")) as im:
            a = np.asarray(im.convert("RGB"))
        self.assertTrue(near(a[240, 100], YELLOW) and near(a[240, 540], CYAN))

    def test_palette_keeps_the_fixed_entries_and_all_colours_differ(self):
        shipped = np.fromfile(os.path.join(gen_assets.ASSETS, "palette.bin"), np.uint8)
        shipped = shipped.reshape(256, 3)
        self.assertTrue(np.array_equal(self.pal[:10], shipped[:10]))
        self.assertTrue(np.array_equal(self.pal[246:], shipped[246:]))
        self.assertEqual(len({tuple(c) for c in self.pal}), 256)
        self.assertFalse(np.array_equal(self.pal, shipped), "palette designed anew")

    def test_colour_table_is_the_nearest_entry_with_ties_to_the_highest(self):
        pal = self.pal.astype(int)
        for key in list(range(0, 32768, 331)) + [0, 1, 0x7C00, 0x4210, 0x7FFF]:
            rgb = np.array([(key >> 10) & 31, (key >> 5) & 31, key & 31]) * 8
            d = ((pal - rgb) ** 2).sum(1)
            want = max(i for i in range(256) if d[i] == d.min())
            self.assertEqual(self.table[key], want, "key %#x" % key)

    def test_compiled_resources_pass_the_asset_checks(self):
        subprocess.run(["i686-w64-mingw32-windres", "-O", "res", "-i", "avrel.rc",
                        "-o", "avrel.res"], cwd=self.work, check=True)
        with contextlib.redirect_stdout(io.StringIO()) as out:
            good = gen_assets.check_res(os.path.join(self.work, "avrel.res"))
        self.assertTrue(good, out.getvalue())


class CommandLine(unittest.TestCase):
    def run_tool(self, *args, env=None):
        return subprocess.run([sys.executable, make_custom.__file__, *args],
                              capture_output=True, text=True, env=env)

    def test_missing_or_empty_folders_fail_with_a_message(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "Avrel.scr")
            for folder, message in [(os.path.join(tmp, "none"), "is not a folder"),
                                    (tmp, "holds no files")]:
                done = self.run_tool(folder, "--out", out)
                self.assertEqual(done.returncode, 1)
                self.assertIn(message, done.stderr)
                self.assertFalse(os.path.exists(out))

    def test_a_folder_without_a_single_picture_fails_and_writes_nothing(self):
        with tempfile.TemporaryDirectory() as tmp:
            with open(os.path.join(tmp, "notes.txt"), "w") as f:
                f.write("hello\n")
            out = os.path.join(tmp, "out", "Avrel.scr")
            done = self.run_tool(tmp, "--out", out)
            self.assertEqual(done.returncode, 1)
            self.assertIn("none of the 1 files", done.stderr)
            self.assertIn("skipped notes.txt", done.stdout)
            self.assertFalse(os.path.exists(os.path.dirname(out)))


    def test_the_link_takes_paths_with_spaces_and_commas_whole(self):
        # The link as Ninja lists it for the Windows build; the end-to-end
        # test links for real from a temporary folder like this one.
        command = (": && /usr/bin/i686-w64-mingw32-g++-posix -O3 -s assets/CMakeFiles/"
                   "avrel_resources.dir/avrel.rc.res shell/CMakeFiles/Avrel.dir/Startup.cpp.obj"
                   " -o shell/Avrel.scr -Wl,--out-implib,shell/libAvrel.dll.a"
                   " libavrel_core.a '/my builds/.cache/libjpeg.a' -lgdi32 && :")
        work = "/tmp/a dir, with space"
        args = make_custom.link_arguments(
            command, "assets/CMakeFiles/avrel_resources.dir/avrel.rc.res",
            work + "/avrel.rc.obj", "/home/me/my shows/Avrel.scr", work)
        self.assertEqual(args, [
            "/usr/bin/i686-w64-mingw32-g++-posix", "-O3", "-s", work + "/avrel.rc.obj",
            "shell/CMakeFiles/Avrel.dir/Startup.cpp.obj", "-o", "/home/me/my shows/Avrel.scr",
            "-Xlinker", "--out-implib", "-Xlinker", work + "/libAvrel.dll.a",
            "libavrel_core.a", "/my builds/.cache/libjpeg.a", "-lgdi32"])

    def test_names_that_are_not_utf8_are_read_used_and_printed_escaped(self):
        # An old card's Latin-1 names, a "#" in a name, named by a plan file.
        # The link needs the Windows build; an empty --build fails it after
        # every photo has been fitted and the plan printed.
        with tempfile.TemporaryDirectory() as tmp:
            folder = os.fsencode(os.path.join(tmp, "photos"))
            os.makedirs(folder)
            scene = Image.fromarray(sample_photos.scene(800, 600, 3))
            scene.save(os.path.join(folder, b"f\xeate \xe0 la plage.jpg"), "JPEG")
            scene.save(os.path.join(folder, b"beach #2.jpg"), "JPEG")
            with open(os.path.join(folder, b"\xe9t\xe9.jpg"), "wb") as f:
                f.write(b"not a picture")
            plan = os.path.join(tmp, "plan.txt")
            with open(plan, "wb") as f:
                f.write(b"# slots\n1000 f\xeate \xe0 la plage.jpg\n1001 beach #2.jpg\n")
            # a desktop's UTF-8 terminal takes no stray bytes (Python in the
            # C locale would pass them through)
            done = self.run_tool(os.fsdecode(folder), "--plan", plan, "--build",
                                 os.path.join(tmp, "no build"), "--out",
                                 os.path.join(tmp, "Avrel.scr"),
                                 env=dict(os.environ, PYTHONIOENCODING="utf-8:strict"))
            self.assertNotIn("Traceback", done.stderr)
            self.assertEqual(done.returncode, 1, done.stderr)
            self.assertIn("cannot build the program", done.stderr)
            for line in ["1000  640 x 480  f\\xeate \\xe0 la plage.jpg  (plan file)",
                         "1001  211 x 250  beach #2.jpg  (plan file)",
                         "skipped \\xe9t\\xe9.jpg: not a picture"]:
                self.assertIn(line, done.stdout)

if __name__ == "__main__":
    unittest.main()
