#!/usr/bin/python3
"""The releases as a person gets them: dist_test.py ROOT OUT packs both with
tools/build/dist.sh into OUT, then checks the Windows zip (exactly its three files,
the Avrel.scr the tests ran, byte for byte), SHA256SUMS, and the Debian
package: its control fields, lintian's verdict, and a real installation.

The package is installed and removed only inside a throwaway Debian root that
this test makes with mmdebstrap and deletes again, never on this machine: a
person who has avrel installed keeps it. There `apt-get install ./avrel_*.deb`
resolves Depends from the archive as on a clean machine, the hack, its
settings description and its man page land where xscreensaver and man look,
the hack runs, avrel-custom writes a personal saver there from a folder of
photos (starting from the Avrel.scr the package installs beside it), and
`apt-get remove` leaves nothing behind. The host's own package state is
compared before and after.

Exits 77 (skipped), saying why, without a built Windows tree, or where the
throwaway root cannot be made (not root, no mmdebstrap, no archive); it
never falls back to installing on the host.
"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

from PIL import Image

import sample_photos
from pe_resources import PeFile

SKIP = 77
HACK = "/usr/libexec/xscreensaver/avrel"
CUSTOM = "/usr/bin/avrel-custom"
SHIPPED = "/usr/share/avrel/Avrel.scr"
FILES = (HACK, "/usr/share/xscreensaver/config/avrel.xml", "/usr/share/man/man6/avrel.6.gz",
         "/usr/share/doc/avrel/copyright", CUSTOM, SHIPPED, "/usr/share/man/man1/avrel-custom.1.gz")


class Checks:
    def __init__(self):
        self.failures = 0

    def expect(self, condition, expected, got):
        if not condition:
            self.failures += 1
            print(f"FAIL: expected {expected}, got {got}", flush=True)
        return condition


class Skipped(Exception):
    pass


def run(*command, timeout=300, **kwargs):
    return subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          timeout=timeout, **kwargs)


def version_of(root):
    for line in open(os.path.join(root, "CMakeLists.txt")):
        if line.startswith("project(Avrel VERSION "):
            return line.split()[2]
    raise RuntimeError("no project version in CMakeLists.txt")


def architecture():
    return run("dpkg", "--print-architecture").stdout.strip()


def check_zip(checks, root, path):
    with zipfile.ZipFile(path) as z:
        names = sorted(z.namelist())
        checks.expect(names == ["Avrel.scr", "LICENSE", "README.txt"],
                      "the zip to hold exactly Avrel.scr, LICENSE and README.txt", names)
        tested = open(os.path.join(root, "build", "windows", "shell", "Avrel.scr"), "rb").read()
        if "Avrel.scr" in names:
            checks.expect(z.read("Avrel.scr") == tested,
                          "the zip's Avrel.scr to equal build/windows/shell/Avrel.scr",
                          "different bytes")
        if "LICENSE" in names:
            checks.expect(z.read("LICENSE") == open(os.path.join(root, "LICENSE"), "rb").read(),
                          "the zip's LICENSE to be the project's", "different text")
        if "README.txt" in names:
            text = z.read("README.txt")
            checks.expect(b"\r\n" in text and b"Install" in text,
                          "a README.txt for Windows (CRLF lines, how to install)", text[:80])


def check_sums(checks, out, files):
    lines = open(os.path.join(out, "SHA256SUMS")).read().split("\n")
    expected = [f"{hashlib.sha256(open(os.path.join(out, f), 'rb').read()).hexdigest()}  {f}"
                for f in files]
    checks.expect(lines[:2] == expected, "SHA256SUMS of both packages", lines)


def check_control(checks, deb, version):
    fields = {}
    for line in run("dpkg-deb", "-f", deb).stdout.splitlines():
        if ":" in line and not line.startswith(" "):
            key, value = line.split(":", 1)
            fields[key] = value.strip()
    for key, value in (("Package", "avrel"), ("Version", version),
                       ("Architecture", architecture()), ("Section", "x11")):
        checks.expect(fields.get(key) == value, f"{key}: {value}", fields.get(key))
    depends = fields.get("Depends", "")
    for library in ("libc6", "libx11-6", "libxext6", "libjpeg62-turbo", "libstdc++6", "libpng16-16",
                    "libwebp7", "liblcms2-2", "libfreetype6", "fonts-dejavu-core",
                    "fonts-dejavu-extra"):
        checks.expect(library in depends, f"Depends to name {library}", depends)
    checks.expect("Description" in fields and len(fields["Description"]) > 10,
                  "a description", fields.get("Description"))


def check_lintian(checks, deb):
    """Clean down to lintian's information tags (-I), as a Debian package
    built by Debian's own tools is."""
    result = run("lintian", "-I", "--tag-display-limit", "0", deb)
    tags = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:", "I:")]
    for line in tags:
        print(f"lintian: {line}", flush=True)
    checks.expect(not tags, "no lintian error, warning or information tag", tags)


def host_state():
    """What this machine says about avrel: the package database's view and
    the installed files, to be the same after the test as before it."""
    status = run("dpkg-query", "-W", "-f=${Status} ${Version}", "avrel").stdout
    files = {}
    for path in FILES:
        try:
            s = os.stat(path)
            files[path] = (s.st_size, s.st_mtime_ns, s.st_ino)
        except FileNotFoundError:
            files[path] = None
    return status, files


def host_codename():
    try:
        for line in open("/etc/os-release"):
            if line.startswith("VERSION_CODENAME="):
                return line.split("=", 1)[1].strip().strip('"') or "bookworm"
    except OSError:
        pass
    return "bookworm"


def make_root(parent):
    """A minimal Debian root of this machine's release, made from the archive,
    or Skipped saying why it cannot be made here."""
    if os.geteuid() != 0:
        raise Skipped("a throwaway Debian root needs root (mmdebstrap, chroot)")
    for tool in ("mmdebstrap", "unshare", "chroot"):
        if not shutil.which(tool):
            raise Skipped(f"{tool} is missing (tools/build/setup.sh installs it)")
    path = os.path.join(parent, "root")
    started = time.monotonic()
    try:
        made = run("mmdebstrap", "--variant=apt", "--quiet", host_codename(), path, timeout=900)
    except subprocess.TimeoutExpired:
        raise Skipped("mmdebstrap did not finish in 900 s")
    if made.returncode != 0:
        raise Skipped("mmdebstrap cannot make a Debian root here: "
                      + made.stderr.strip()[-400:])
    print(f"throwaway root made in {time.monotonic() - started:.1f} s", flush=True)
    return path


def in_root(path, script, timeout=600):
    """Runs a shell script in the root, in a mount namespace of its own so
    that /proc, mounted there, goes away with it even if the test is killed."""
    return run("unshare", "--mount", "--propagation", "private", "--fork",
               "/bin/sh", "-ec", 'mount -t proc proc "$1/proc"; exec chroot "$1" /bin/sh -ec "$2"',
               "sh", path, script,
               timeout=timeout, env=dict(os.environ, DEBIAN_FRONTEND="noninteractive",
                                         LC_ALL="C.UTF-8", PATH="/usr/sbin:/usr/bin:/sbin:/bin"))


def check_install(checks, source, root, deb, version):
    name = os.path.basename(deb)
    shutil.copy(deb, os.path.join(root, "tmp", name))
    started = time.monotonic()
    installed = in_root(root, "apt-get update -q; "
                              f"apt-get install -y -q --no-install-recommends /tmp/{name}")
    print(f"apt-get install in the throwaway root took {time.monotonic() - started:.1f} s",
          flush=True)
    if not checks.expect(installed.returncode == 0,
                         "apt-get install ./avrel_*.deb to resolve Depends on a clean system",
                         installed.stdout.strip()[-600:] + installed.stderr.strip()[-600:]):
        return
    files = in_root(root, "dpkg -L avrel").stdout.split()
    for path in FILES:
        checks.expect(path in files and os.path.isfile(root + path), f"{path} installed", files)
    for program in (HACK, CUSTOM):
        mode = os.stat(root + program).st_mode
        checks.expect(mode & 0o111 == 0o111, f"{program} executable by all", oct(mode))
    with open(root + SHIPPED, "rb") as f, open(os.path.join(
            source, "build", "windows", "shell", "Avrel.scr"), "rb") as g:
        checks.expect(f.read() == g.read(), f"{SHIPPED} to be build/windows/shell/Avrel.scr",
                      "different bytes")
    check_custom(checks, root)
    said = in_root(root, f"{HACK} --version")
    checks.expect(said.returncode == 0 and version in said.stdout,
                  f"avrel --version to run in the clean root and say {version}",
                  f"exit {said.returncode}: {said.stdout.strip()} {said.stderr.strip()[-300:]}")
    page = run("man", "-l", root + "/usr/share/man/man6/avrel.6.gz",
               env=dict(os.environ, MANPAGER="cat", PAGER="cat", MANWIDTH="80"))
    checks.expect(page.returncode == 0 and "-root" in page.stdout,
                  "man -l to render the page, options included",
                  f"exit {page.returncode}: {page.stdout[:120]!r} {page.stderr[:120]!r}")
    removed = in_root(root, "apt-get remove -y -q avrel")
    checks.expect(removed.returncode == 0, "apt-get remove avrel to succeed",
                  removed.stderr.strip()[-300:])
    left = [f for f in files if os.path.isfile(root + f)]
    checks.expect(not left, "no file of the package left behind", left)
    status = in_root(root, "dpkg-query -W -f='${Status}' avrel || true").stdout
    checks.expect("installed" not in status.replace("not-installed", ""),
                  "dpkg to know avrel no more", status)


def check_custom(checks, root):
    """avrel-custom in the clean root, as a person with only the package runs
    it: a folder of photos becomes a personal Avrel.scr, written into a copy
    of the one the package installed, with the photos as its pictures."""
    photos = os.path.join(root, "tmp", "photos")
    os.makedirs(photos)
    for n in range(3):
        Image.fromarray(sample_photos.scene(800, 600, 30 + n)).save(
            os.path.join(photos, "photo-%d.jpg" % n), quality=90)
    made = in_root(root, "cd /tmp && avrel-custom photos -o Mine.scr")
    checks.expect(made.returncode == 0 and "24 slots filled from 3 photos" in made.stdout,
                  "avrel-custom to write a personal saver from the installed Avrel.scr",
                  f"exit {made.returncode}: {made.stdout[-300:]} {made.stderr[-300:]}")
    mine = os.path.join(root, "tmp", "Mine.scr")
    if not os.path.isfile(mine):
        return
    with open(mine, "rb") as f, open(root + SHIPPED, "rb") as g:
        written, shipped = PeFile(f.read()), PeFile(g.read())
    for pid in (1000, 4098, 6000):
        (_, _, _, _, at, size), = written.find(10, pid)
        (_, _, _, _, base_at, base_size), = shipped.find(10, pid)
        same = written.data[at:at + size] == shipped.data[base_at:base_at + base_size]
        checks.expect(same == (pid == 6000), f"resource {pid} "
                      + ("kept" if pid == 6000 else "made anew"), "the other way round")
    os.remove(mine)
    shutil.rmtree(photos)


def remove_tree(path):
    # --one-file-system: should anything still be mounted below, leave it be
    subprocess.run(["rm", "-rf", "--one-file-system", path], check=False)


def main():
    root, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if not os.path.isfile(os.path.join(root, "build", "windows", "shell", "Avrel.scr")):
        print("skipped: build/windows is not built (make windows)")
        return SKIP
    version = version_of(root)
    checks = Checks()
    before = host_state()
    started = time.monotonic()
    packed = run("bash", os.path.join(root, "tools", "build", "dist.sh"), out, timeout=900)
    print(f"dist.sh took {time.monotonic() - started:.1f} s", flush=True)
    if not checks.expect(packed.returncode == 0, "tools/build/dist.sh to succeed", packed.stderr):
        return 1
    zip_name = f"Avrel-{version}-windows.zip"
    deb_name = f"avrel_{version}_{architecture()}.deb"
    zip_path, deb = os.path.join(out, zip_name), os.path.join(out, deb_name)
    for path in (zip_path, deb):
        checks.expect(os.path.isfile(path), f"{path} made", "missing")
        if os.path.isfile(path):
            print(f"{os.path.basename(path)}: {os.path.getsize(path)} bytes", flush=True)
    if checks.failures:
        return 1
    check_zip(checks, root, zip_path)
    check_sums(checks, out, [zip_name, deb_name])
    check_control(checks, deb, version)
    check_lintian(checks, deb)

    work = tempfile.mkdtemp(prefix="avrel-debroot-")
    skipped = None
    try:
        started = time.monotonic()
        try:
            debian_root = make_root(work)
        except Skipped as e:
            skipped = str(e)
        else:
            check_install(checks, root, debian_root, deb, version)
            print(f"throwaway-root install test took {time.monotonic() - started:.1f} s",
                  flush=True)
    finally:
        remove_tree(work)
    checks.expect(not os.path.exists(work), f"the throwaway root {work} deleted", "still there")
    checks.expect(host_state() == before, "this machine's avrel package and files untouched",
                  f"{before} before, {host_state()} after")

    if checks.failures:
        print(f"dist: {checks.failures} failed")
        return 1
    if skipped:
        print(f"skipped: the package was checked but not installed: {skipped}")
        return SKIP
    print("dist: all checks held")
    return 0


if __name__ == "__main__":
    sys.exit(main())
