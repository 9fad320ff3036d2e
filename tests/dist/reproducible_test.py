#!/usr/bin/python3
"""The releases build the same twice: reproducible_test.py ROOT copies the
source tree (the files git tracks, as they are in the working tree) into two
folders of different names and depths, builds the packaged programs in each
(the windows and native presets, as `make dist` does) and packs them with
tools/build/dist.sh, with SOURCE_DATE_EPOCH from ROOT's last commit (the copies
have no git history). Avrel.scr, the
zip and the .deb must be byte-identical; their SHA256 are printed.

    reproducible_test.py ROOT WORK

The trees stand in WORK (a folder of the build tree's own, emptied before
and after), always at the same two places, so that ccache's keys stay the
same from run to run: the first tree takes the objects its previous run
compiled in that same folder, the second always compiles anew
(CCACHE_RECACHE). Both sides are real compilations in different folders,
so a build folder that leaks into an object shows as a difference, and a
run costs one compilation. Exits 77 (skipped) without the cross-built
libjpeg (make windows), git or dpkg-deb.
"""
import hashlib
import os
import shutil
import subprocess
import sys
import time

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


def build(tree, epoch, compile_anew):
    # Built as `make native windows` builds, without SOURCE_DATE_EPOCH (the
    # linker would take it for Avrel.scr's time stamp); only the packing
    # gets it, as `make dist` takes it from the last commit.
    env = {k: v for k, v in os.environ.items() if k != "SOURCE_DATE_EPOCH"}
    if compile_anew:
        env["CCACHE_RECACHE"] = "true"
    options = ["-DBUILD_TESTING=OFF", "-DAVREL_BENCH=OFF",
               # only what the packages hold is built; cpack then builds no more
               "-DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON"]
    for preset, targets in (("windows", ["Avrel"]),
                            ("native", ["avrel", "avrel_manual", "avrel_package_docs", "avrel-custom",
                                "avrel_custom_manual"])):
        run(["cmake", "--preset", preset, *options], tree, env)
        run(["cmake", "--build", "--preset", preset, "-j", "2", "--target", *targets], tree, env)
    out = os.path.join(tree, "build", "dist")
    run(["bash", os.path.join(tree, "tools", "build", "dist.sh"), out], tree,
        dict(env, SOURCE_DATE_EPOCH=str(epoch)))
    return out


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def main():
    root, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    for tool in ("git", "dpkg-deb", "cmake", "ninja"):
        if not shutil.which(tool):
            print(f"skipped: {tool} is missing")
            return SKIP
    if not os.path.isfile(os.path.join(root, ".cache", "libjpeg-i686", "lib", "libjpeg.a")):
        print("skipped: the cross-built libjpeg is missing (make windows builds it)")
        return SKIP
    last = subprocess.run(["git", "-C", root, "log", "-1", "--format=%ct"],
                          capture_output=True, text=True)
    if last.returncode != 0 or not last.stdout.strip().isdigit():
        print(f"skipped: {root} is not a git checkout with a commit")
        return SKIP
    epoch = int(last.stdout)
    shutil.rmtree(work, ignore_errors=True)
    try:
        trees = [os.path.join(work, "one", "avrel"), os.path.join(work, "second build", "x", "src")]
        outs = []
        for number, tree in enumerate(trees):
            started = time.monotonic()
            copy_tree(root, tree)
            outs.append(build(tree, epoch, compile_anew=number == 1))
            print(f"{tree}: built and packed in {time.monotonic() - started:.0f} s", flush=True)
        names = sorted(os.listdir(outs[0]))
        failures = 0
        if names != sorted(os.listdir(outs[1])):
            print(f"FAIL: expected the same files, got {names} and {sorted(os.listdir(outs[1]))}")
            return 1
        pairs = [[os.path.join(o, n) for o in outs] for n in names if n != "SHA256SUMS"]
        pairs.append([os.path.join(t, "build", "windows", "shell", "Avrel.scr") for t in trees])
        for a, b in pairs:
            da, db = digest(a), digest(b)
            name = os.path.relpath(a, trees[0])
            print(f"{da}  {name} (first)\n{db}  {name} (second)", flush=True)
            if da != db:
                failures += 1
                print(f"FAIL: expected {name} byte-identical from both folders, got different"
                      " bytes", flush=True)
        with open(os.path.join(outs[0], "SHA256SUMS")) as f, \
                open(os.path.join(outs[1], "SHA256SUMS")) as g:
            if f.read() != g.read():
                failures += 1
                print("FAIL: expected the same SHA256SUMS", flush=True)
        print("reproducible: all checks held" if not failures else f"{failures} failed")
        return 1 if failures else 0
    except RuntimeError as e:
        print(f"FAIL: {e}")
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
