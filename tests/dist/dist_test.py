#!/usr/bin/python3
"""The releases as a person gets them: dist_test.py ROOT OUT packs both with
tools/build/dist.sh into OUT, then checks the Windows zip (exactly its three files,
the Avrel.scr the tests ran, byte for byte), SHA256SUMS, and the Debian
package: its control fields, lintian's verdict, and a real dpkg -i that puts
the hack, its settings description and its man page where xscreensaver and
man look, then dpkg -r that leaves nothing behind. Needs root for dpkg;
exits 77 (skipped) without it or without a built Windows tree.
"""
import hashlib
import os
import subprocess
import sys
import time
import zipfile

SKIP = 77


class Checks:
    def __init__(self):
        self.failures = 0

    def expect(self, condition, expected, got):
        if not condition:
            self.failures += 1
            print(f"FAIL: expected {expected}, got {got}", flush=True)
        return condition


def run(*command, **kwargs):
    return subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          timeout=300, **kwargs)


def version_of(root):
    for line in open(os.path.join(root, "CMakeLists.txt")):
        if line.startswith("project(Avrel VERSION "):
            return line.split()[2]
    raise RuntimeError("no project version in CMakeLists.txt")


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
    for key, value in (("Package", "avrel"), ("Version", version), ("Architecture", "amd64"),
                       ("Section", "x11")):
        checks.expect(fields.get(key) == value, f"{key}: {value}", fields.get(key))
    depends = fields.get("Depends", "")
    for library in ("libc6", "libx11-6", "libxext6", "libjpeg62-turbo", "libstdc++6"):
        checks.expect(library in depends, f"Depends to name {library}", depends)
    checks.expect("Description" in fields and len(fields["Description"]) > 10,
                  "a description", fields.get("Description"))


def check_lintian(checks, deb):
    result = run("lintian", "--no-tag-display-limit", deb)
    tags = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:", "I:")]
    errors = [line for line in tags if line.startswith("E:")]
    checks.expect(not errors, "no lintian errors", errors)
    for line in tags:
        print(f"lintian: {line}", flush=True)


def check_install(checks, deb, version):
    installed = run("dpkg", "-i", deb)
    if not checks.expect(installed.returncode == 0, "dpkg -i to succeed",
                         installed.stderr.strip()[-300:]):
        return
    try:
        files = run("dpkg", "-L", "avrel").stdout.split()
        for path in ("/usr/libexec/xscreensaver/avrel", "/usr/share/xscreensaver/config/avrel.xml",
                     "/usr/share/man/man6/avrel.6.gz", "/usr/share/doc/avrel/copyright"):
            checks.expect(path in files and os.path.exists(path), f"{path} installed", files)
        hack = "/usr/libexec/xscreensaver/avrel"
        checks.expect(os.access(hack, os.X_OK), f"{hack} executable", oct(os.stat(hack).st_mode))
        said = run(hack, "--version").stdout.strip()
        checks.expect(version in said, f"avrel --version to say {version}", said)
        page = run("man", "-l", "/usr/share/man/man6/avrel.6.gz",
                   env=dict(os.environ, MANPAGER="cat", PAGER="cat", MANWIDTH="80"))
        checks.expect(page.returncode == 0 and "-root" in page.stdout,
                      "man -l to render the page, options included",
                      f"exit {page.returncode}: {page.stdout[:120]!r} {page.stderr[:120]!r}")
    finally:
        removed = run("dpkg", "-r", "avrel")
    checks.expect(removed.returncode == 0, "dpkg -r to succeed", removed.stderr.strip()[-300:])
    left = [f for f in files if os.path.isfile(f)]
    checks.expect(not left, "no file of the package left behind", left)
    status = run("dpkg-query", "-W", "-f=${Status}", "avrel").stdout
    checks.expect("installed" not in status.replace("not-installed", ""),
                  "dpkg to know avrel no more", status)


def main():
    root, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if os.geteuid() != 0:
        print("skipped: dpkg -i needs root")
        return SKIP
    if not os.path.isfile(os.path.join(root, "build", "windows", "shell", "Avrel.scr")):
        print("skipped: build/windows is not built (make windows)")
        return SKIP
    version = version_of(root)
    checks = Checks()
    started = time.monotonic()
    packed = run("bash", os.path.join(root, "tools", "build", "dist.sh"), out)
    print(f"dist.sh took {time.monotonic() - started:.1f} s", flush=True)
    if not checks.expect(packed.returncode == 0, "tools/build/dist.sh to succeed", packed.stderr):
        return 1
    zip_name, deb_name = f"Avrel-{version}-windows.zip", f"avrel_{version}_amd64.deb"
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
    check_install(checks, deb, version)
    print("dist: all checks held" if not checks.failures else f"dist: {checks.failures} failed")
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main())
