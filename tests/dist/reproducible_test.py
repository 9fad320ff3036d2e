#!/usr/bin/python3
"""The releases build the same twice: reproducible_test.py ROOT WORK packs
ROOT's own built trees (build/windows and build/native, as `make dist` packs
them) with tools/build/dist.sh, then copies the source tree (the files git
tracks, as they are in the working tree) into a folder of another name and
depth, builds the packaged programs there anew with the same presets and
packs them the same way, with SOURCE_DATE_EPOCH from ROOT's last commit (the
copy has no git history). Avrel.scr, the zip and the .deb must be
byte-identical; their SHA256 are printed, and for a difference, where in
them it lies.

    reproducible_test.py ROOT WORK

The copy stands in WORK (a folder of the build tree's own, emptied before
and after) and compiles with CCACHE_RECACHE, so both sides are real
compilations in different folders and a build folder that leaks into an
object shows as a difference. Exits 77 (skipped) without ROOT's built
trees (make native windows), git or dpkg-deb.
"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

SKIP = 77


def run(command, cwd, env, timeout=1500):
    done = subprocess.run(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, timeout=timeout)
    if done.returncode != 0:
        raise RuntimeError("%s failed in %s:\n%s%s" % (" ".join(command), cwd,
                                                        done.stdout[-3000:], done.stderr[-3000:]))
    return done.stdout


def copy_tree(root, to):
    files = subprocess.run(["git", "-C", root, "ls-files", "-z"], capture_output=True,
                           check=True).stdout.split(b"\0")
    for name in filter(None, files):
        source = os.path.join(os.fsencode(root), name)
        target = os.path.join(os.fsencode(to), name)
        if not os.path.lexists(source):
            continue  # deleted in the working tree
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(source, target, follow_symlinks=False)
    # the cross-built libjpeg, shared as the worktrees share it
    os.symlink(os.path.realpath(os.path.join(root, ".cache")), os.path.join(to, ".cache"))


def build(tree):
    """Builds what the packages hold, as `make native windows` configures the
    trees, compiling every file anew; without SOURCE_DATE_EPOCH (the linker
    would take it for Avrel.scr's time stamp)."""
    env = {k: v for k, v in os.environ.items() if k != "SOURCE_DATE_EPOCH"}
    # ccache as the Makefile runs it: paths as given, every file compiled
    env.update(CCACHE_BASEDIR="", CCACHE_RECACHE="true")
    # only what the packages hold is built; cpack then builds no more
    options = ["-DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON"]
    packaged = ["avrel", "avrel_manual", "avrel_package_docs",
                "avrel-custom", "avrel_custom_manual"]
    for preset, targets in (("windows", ["Avrel"]), ("native", packaged)):
        run(["cmake", "--preset", preset, *options], tree, env)
        run(["cmake", "--build", "--preset", preset, "-j", "2", "--target", *targets], tree, env)


def pack(tree, out, epoch):
    # as `make dist` packs, SOURCE_DATE_EPOCH from the last commit
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch))
    run(["bash", os.path.join(tree, "tools", "build", "dist.sh"), out], tree, env)
    return out


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def first_difference(a, b):
    """Where two byte strings first differ, and how many bytes differ."""
    at = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
    count = sum(x != y for x, y in zip(a, b)) + abs(len(a) - len(b))
    return f"{len(a)} and {len(b)} bytes, first difference at byte {at}, {count} bytes differ"


def members(path, work):
    """A package's files by name: the zip's entries, the .deb's control and
    data files, or the file itself."""
    if path.endswith(".zip"):
        with zipfile.ZipFile(path) as z:
            return {i.filename: z.read(i) for i in z.infolist()}
    if path.endswith(".deb"):
        unpacked = tempfile.mkdtemp(dir=work)
        found = {}
        if subprocess.run(["dpkg-deb", "--raw-extract", path, unpacked]).returncode == 0:
            for folder, _, files in os.walk(unpacked):
                for name in files:
                    with open(os.path.join(folder, name), "rb") as f:
                        found[os.path.relpath(os.path.join(folder, name), unpacked)] = f.read()
        shutil.rmtree(unpacked)
        if found:
            return found
    with open(path, "rb") as f:
        return {os.path.basename(path): f.read()}


def explain(a, b, work):
    """What differs between two packages, file by file."""
    ma, mb = members(a, work), members(b, work)
    lines = [f"    only in the first: {n}" for n in sorted(set(ma) - set(mb))]
    lines += [f"    only in the second: {n}" for n in sorted(set(mb) - set(ma))]
    lines += [f"    {n}: {first_difference(ma[n], mb[n])}"
              for n in sorted(set(ma) & set(mb)) if ma[n] != mb[n]]
    return "\n".join(lines) or "    the same files; the packing differs"


def main():
    root, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    for tool in ("git", "dpkg-deb", "cmake", "ninja"):
        if not shutil.which(tool):
            print(f"skipped: {tool} is missing")
            return SKIP
    scr = os.path.join("build", "windows", "shell", "Avrel.scr")
    built = [scr, os.path.join("build", "native", "CPackConfig.cmake"),
             os.path.join(".cache", "libjpeg-i686", "lib", "libjpeg.a")]
    missing = [p for p in built if not os.path.isfile(os.path.join(root, p))]
    if missing:
        print(f"skipped: {', '.join(missing)} missing (make native windows builds them)")
        return SKIP
    last = subprocess.run(["git", "-C", root, "log", "-1", "--format=%ct"],
                          capture_output=True, text=True)
    if last.returncode != 0 or not last.stdout.strip().isdigit():
        print(f"skipped: {root} is not a git checkout with a commit")
        return SKIP
    epoch = int(last.stdout)
    shutil.rmtree(work, ignore_errors=True)
    try:
        copy = os.path.join(work, "second build", "x", "src")
        started = time.monotonic()
        first = pack(root, os.path.join(work, "first"), epoch)
        copy_tree(root, copy)
        build(copy)
        second = pack(copy, os.path.join(work, "second"), epoch)
        print(f"{copy}: built and packed in {time.monotonic() - started:.0f} s", flush=True)
        # The page is packed only where it is built; it is not compared here.
        names = sorted(n for n in os.listdir(second) if n != "SHA256SUMS")
        pairs = [(n, os.path.join(first, n), os.path.join(second, n)) for n in names]
        pairs.append((scr, os.path.join(root, scr), os.path.join(copy, scr)))
        failures = 0
        for name, a, b in pairs:
            if not os.path.isfile(a):
                failures += 1
                print(f"FAIL: expected {name} from both, got it only from the copy", flush=True)
                continue
            da, db = digest(a), digest(b)
            print(f"{da}  {name} (built in {root})\n{db}  {name} (built in the copy)", flush=True)
            if da != db:
                failures += 1
                print(f"FAIL: expected {name} byte-identical from both folders, got different"
                      f" bytes:\n{explain(a, b, work)}", flush=True)
        if failures:
            print(f"{failures} failed (the first side is this checkout's own build; a tree"
                  " that kept objects from an older way of building differs too, and"
                  " `make clean` builds it anew)")
        else:
            print("reproducible: all checks held")
        return 1 if failures else 0
    except RuntimeError as e:
        print(f"FAIL: {e}")
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
