#!/usr/bin/python3
"""Everything `make test` does: builds every tree and runs every test, with
both cores kept busy, then says where the time went.

    test_all.py [--only STEP,...] [--list]

Steps run in three kinds of lane:
- cpu: builds and CPU-bound tests, two at a time: each would use both
  cores, but configure steps, links and a build's or a test run's last
  long job leave one idle, which the other step then takes;
- wait: tests that mostly wait on a real clock, each on an X server, Wine
  prefix or browser of its own (the live soak, the page in a browser),
  and set-up that waits on the network or Wine, four at a time. They
  start as soon as what they need is built and run beside the cpu lane;
- alone: tests whose timings or deliberate load need the machine to
  themselves (40 starts in a row, the close-within-100-ms checks, the
  page's starts and first chapter). They run last, one at a time, with
  nothing else.

A configured build tree is not configured again unless the presets
changed: its own ninja files configure it again when a CMakeLists.txt does.

Every step's output goes to build/test-logs/STEP.log; a failed step's tail
is printed. Every CTest run also writes JUnit results, from which the
report takes each test's time and, for a failed test, its last lines,
which end the report. build/test-times.txt (printed at the end;
`make test-times` prints it again) lists the steps and the tests slowest
first and the share of the run in which both cores were busy. A step whose
requirement failed is not run and counts as failed.

Exit status 0 when every step passed.
"""

import argparse
import hashlib
import os
import shlex
import subprocess
import sys
import threading
import time
import xml.etree.ElementTree as ElementTree

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.join(ROOT, "build")
LOGS = os.path.join(BUILD, "test-logs")
REPORT = os.path.join(BUILD, "test-times.txt")
PY = os.path.join(ROOT, "tools", "py")
JOBS = os.environ.get("JOBS", "2")
XVFB = ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24"]


def win32_runs():
    return subprocess.run([os.path.join(ROOT, "tools/build/win32-runs.sh")]).returncode == 0


class Step:
    def __init__(self, name, lane, commands, needs=(), junit=None):
        self.name, self.lane, self.commands, self.needs = name, lane, commands, list(needs)
        self.junit = junit  # JUnit files the step's CTest runs write
        self.state = "waiting"  # running, passed, failed, not run
        self.start = self.end = None
        self.process = None
        self.why = ""
        self.cpu = 0.0  # CPU seconds of the step and everything it waited for

    @property
    def seconds(self):
        return (self.end or time.monotonic()) - self.start if self.start else 0.0

    @property
    def log(self):
        return os.path.join(LOGS, f"{self.name}.log")


# The cpu lane runs at the lowest priority: the real-time tests beside them
# (which mostly sleep) then get a core the moment they wake, and their
# timings hold as on a quiet machine, while builds and CPU-bound tests
# still take every cycle those tests leave.
NICE = ["nice", "-n", "19"]
# Wait steps side by side: together they keep less than half a core busy
# (150 CPU-s over a run's six minutes of them).
WAIT_SLOTS = 4
CPU_SLOTS = 2


def build(preset, needs=(), before=(), targets=(), options=()):
    """Configure (once: the build tree's own ninja files configure it again
    when a CMakeLists.txt changes, and a change of the presets does it
    here) and build one preset, or only `targets` of it."""
    stamp = os.path.join("build", preset, ".configured-by")
    presets = read(os.path.join(ROOT, "CMakePresets.json")) or ""
    wanted = hashlib.sha1("\0".join([presets, *options]).encode()).hexdigest()
    configure = []
    if not (os.path.exists(os.path.join(BUILD, preset, "build.ninja"))
            and read(os.path.join(ROOT, stamp)) == wanted):
        configure = [["cmake", "--preset", preset, *options],
                     ["bash", "-c", f"echo -n {wanted} > {shlex.quote(stamp)}"]]
    target = ["--target", *targets] if targets else []
    return Step(f"build-{preset}", "cpu",
                [NICE + c for c in before] + configure +
                [NICE + ["cmake", "--build", "--preset", preset, "-j", JOBS, *target]],
                needs=needs)


def read(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except OSError:
        return None


def ctest(name, lane, preset, args=(), needs=(), xvfb=False, env=None):
    junit = os.path.join(LOGS, f"{name}.xml")
    command = (XVFB if xvfb else []) + ["ctest", "--preset", preset, "--output-junit", junit,
                                        *args]
    if lane == "cpu":
        command = NICE + command
    if env:
        command = ["env", *[f"{k}={v}" for k, v in env.items()], *command]
    return Step(name, lane, [command], needs=needs, junit=[junit])


def plan():
    """The steps in the order they are preferred; each lane takes the first
    whose requirements are done."""
    both = win32_runs()
    # The product is 32-bit; where the kernel cannot run it, its 64-bit
    # twin runs the whole Windows suite instead. Where both run, the twin
    # keeps only what can differ between the two (label twin). The tree
    # that runs the suite builds everything; the other only what its
    # tests use (programs and the reference pictures), and the 32-bit tree
    # at least Avrel.scr, from which the page, the maker's tests and the
    # packages start (its packing then installs what is built, without
    # building the rest).
    wine_preset = "windows" if both else "windows64"
    wine_build = f"build-{wine_preset}"
    serial = ["-j", "1"]
    steps = [
        Step("setup", "cpu", [["bash", "tools/build/setup.sh"]]),
        # The libraries' source packages download beside the native build,
        # which needs none of them.
        Step("fetch-sources", "wait", [["bash", "tools/build/fetch-sources.sh"]],
             needs=["setup"]),
        # The Wine prefix of the tests that run last, alone, made meanwhile.
        Step("wine-prefix", "wait",
             [[PY, "tools/session/make_prefix.py", f"build/{wine_preset}/e2e/wineprefix",
               "win32" if both else "win64"]], needs=["setup"]),
        build("native", needs=["setup"]),
        *sorted([build("windows", needs=["setup", "fetch-sources"],
                       before=[["bash", "tools/build/build-libjpeg.sh", "i686"]],
                       targets=() if both else ["Avrel"],
                       options=["-DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON"]),
                 build("windows64", needs=["setup", "fetch-sources"],
                       before=[["bash", "tools/build/build-libjpeg.sh", "x86_64"]],
                       targets=["Avrel", "avrel_sheet_probe", "reference_pictures"]
                       if both else ())],
                key=lambda step: step.name != wine_build),  # the suite's first
        # Three minutes of two live programs, sampled every 10 s.
        ctest("soak-live-smoke", "wait", wine_preset, ["-L", "^soak$"],
              needs=["build-native", wine_build]),
        # Two at a time, but the damaged copies (four savers at once) alone.
        ctest("test-windows-wait", "wait", wine_preset, ["-L", "^wait$", "-j", "2"],
              needs=[wine_build, "build-native"], xvfb=True),
        # Where both run, the twin's share of them (three minutes), each test
        # in the lane its label gives it.
        *([ctest("test-windows64-twin-wait", "wait", "windows64", ["-L", "^twin$", "-L", "^wait$"],
                 needs=["build-windows64", "build-native"], xvfb=True)] if both else []),
        # The page carries the shipped Avrel.scr, and its maker the photo
        # libraries built for WebAssembly.
        build("web", needs=["setup", "fetch-sources", "build-windows"],
              before=[["bash", "tools/build/build-wasm-libs.sh"]]),
        build("tsan", needs=["setup"], targets=["real_threads_show", "avrel"]),
        Step("test-web-page", "wait",
             [[PY, "tests/web/web_page_test.py", "--page", "build/web/avrel.html",
               "--render", "build/native/render/avrel-render",
               "--screenshot", "build/web/screenshot.png",
               "--custom", "build/native/custom/avrel-custom",
               "--base", "build/windows/shell/Avrel.scr", "--skip", "timing"]],
             needs=["build-web", "build-native", "build-windows"]),
        # The packages' install test packs every tree.
        ctest("test-native-wait", "wait", "native", ["-L", "^wait$", "-j", "2"],
              needs=["build-native", "build-windows", "build-windows64", "build-web"]),
        Step("test-web-photos", "wait",
             [[PY, "tests/web/web_photos_test.py", "--page", "build/web/avrel.html",
               "--render", "build/native/render/avrel-render",
               "--custom", "build/native/custom/avrel-custom",
               "--scr", "build/windows/shell/Avrel.scr",
               "--screenshot", "build/web/screenshot-maker.png"]],
             needs=["build-web", "build-native", "build-windows"]),
        # The maker's tests rewrite the Windows builds' programs.
        ctest("test-native", "cpu", "native", ["-LE", "^(alone|wait)$"],
              needs=["build-native", "build-windows", "build-windows64"]),
        # Six test programs under Wine: they mostly wait on it.
        ctest("test-windows", "wait", wine_preset, ["-LE", "^(alone|wait|soak)$"],
              needs=[wine_build, "build-native"], xvfb=True),
        ctest("test-tsan", "wait", "tsan", ["-R", "^tsan_"], needs=["build-tsan"]),
        build("native-asan", needs=["setup"]),
        ctest("test-asan", "cpu", "native-asan", ["-LE", "^(alone|wait)$"],
              needs=["build-native-asan"],
              env={"ASAN_OPTIONS": "detect_leaks=1", "UBSAN_OPTIONS": "print_stacktrace=1"}),
        ctest("test-native-alone", "alone", "native", ["-L", "^alone$", *serial],
              needs=["build-native", "build-windows", "build-web"]),
        ctest("test-windows-alone", "alone", wine_preset, ["-L", "^alone$", *serial],
              needs=[wine_build, "build-native"], xvfb=True),
        # The page's starts are timed from opening to picture 1000, the
        # browser's own start of a page included, and its first chapter
        # against the clock: a frame held up by a busy machine is never made up.
        Step("test-web-timing", "alone",
             [[PY, "tests/web/web_page_test.py", "--page", "build/web/avrel.html",
               "--render", "build/native/render/avrel-render", "--only", "timing"]],
             needs=["build-web", "build-native"]),
    ]
    if both:
        steps.append(ctest("test-windows64-twin-alone", "alone", "windows64",
                           ["-L", "^twin$", "-L", "^alone$", *serial],
                           needs=["build-windows64", "build-native"], xvfb=True))
    return steps


class CpuMeter(threading.Thread):
    """Samples /proc/stat once a second: how busy the cores were."""

    def __init__(self):
        super().__init__(daemon=True)
        self.samples = []  # cores busy in each second (0.0 to the core count)
        self.cores = os.cpu_count() or 1
        self.stopping = threading.Event()

    @staticmethod
    def read():
        fields = [int(v) for v in open("/proc/stat").readline().split()[1:]]
        idle = fields[3] + fields[4]
        return sum(fields), idle

    def run(self):
        last = self.read()
        while not self.stopping.wait(1.0):
            now = self.read()
            total, idle = now[0] - last[0], now[1] - last[1]
            if total > 0:
                self.samples.append(self.cores * (total - idle) / total)
            last = now

    def summary(self):
        if not self.samples:
            return "no CPU samples"
        full = sum(1 for s in self.samples if s >= 0.9 * self.cores) / len(self.samples)
        mean = sum(self.samples) / len(self.samples)
        return (f"both cores busy {100 * full:.0f} % of the time;"
                f" {mean:.2f} of {self.cores} cores busy on average")


def start(step):
    os.makedirs(LOGS, exist_ok=True)
    for junit in step.junit or []:
        if os.path.exists(junit):
            os.remove(junit)
    log = open(step.log, "w")
    # The commands of a step run in turn in one shell, stopping at the first
    # that fails.
    script = " && ".join(shlex.join(c) for c in step.commands)
    step.process = subprocess.Popen(["bash", "-c", script], cwd=ROOT, stdout=log,
                                    stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    step.start = time.monotonic()
    step.state = "running"
    say(f"start {step.name} ({step.lane})")


def say(text):
    print(f"[{time.strftime('%H:%M:%S')}] {text}", flush=True)


def finish(step, code):
    step.end = time.monotonic()
    step.state = "passed" if code == 0 else "failed"
    say(f"{step.state} {step.name} in {step.seconds:.0f} s")
    if code != 0:
        tail = (read(step.log) or "").splitlines()[-40:]
        print("".join("    " + line + "\n" for line in tail), end="", flush=True)


def reap(step):
    """The step's exit code once it has ended, else None; records the CPU
    time its commands used."""
    pid, status, usage = os.wait4(step.process.pid, os.WNOHANG)
    if pid == 0:
        return None
    step.cpu = usage.ru_utime + usage.ru_stime
    step.process.returncode = os.waitstatus_to_exitcode(status)
    return step.process.returncode


def schedule(steps):
    by_name = {s.name: s for s in steps}
    while True:
        for s in steps:
            if s.state == "running":
                ended = reap(s)
                if ended is not None:
                    finish(s, ended)
        for s in steps:
            if s.state == "waiting" and any(by_name[n].state in ("failed", "not run")
                                            for n in s.needs if n in by_name):
                s.state = "not run"
                s.why = ", ".join(n for n in s.needs if by_name[n].state != "passed")
                say(f"not run {s.name}: {s.why} failed")
        running = [s for s in steps if s.state == "running"]
        waiting = [s for s in steps if s.state == "waiting"]
        if not running and not waiting:
            return
        ready = [s for s in waiting if all(by_name[n].state == "passed"
                                           for n in s.needs if n in by_name)]
        if not any(r.lane == "alone" for r in running):
            for s in ready:
                slots = {"cpu": CPU_SLOTS, "wait": WAIT_SLOTS}.get(s.lane, 0)
                if sum(r.lane == s.lane for r in running) < slots:
                    start(s)
                    running.append(s)
                elif s.lane == "alone" and not running and s is ready[0]:
                    start(s)
                    break
        time.sleep(0.5)


def junit_tests(step):
    """(name, seconds, status, output) of each test a step's CTest runs
    wrote."""
    found = []
    for path in step.junit or []:
        if not os.path.exists(path):
            continue
        for case in ElementTree.parse(path).getroot().iter("testcase"):
            status = case.get("status", "run")
            if case.find("failure") is not None:
                status = "failed"
            elif case.find("skipped") is not None or status in ("notrun", "disabled"):
                status = "skipped"
            else:
                status = "passed"
            output = case.findtext("system-out") or ""
            found.append((f"{step.name}: {case.get('name')}", float(case.get("time", 0)), status,
                           output))
    return found


FAILURE_LINES = 30


def report(steps, meter, wall):
    lines = [f"make test: {wall / 60:.1f} min wall; {meter.summary()}", "",
             "Steps, slowest first (lane, seconds, CPU seconds, result):"]
    for s in sorted(steps, key=lambda s: -s.seconds):
        lines.append(f"  {s.seconds:7.1f} s  {s.lane:5}  {s.cpu:7.1f} s  {s.state:7}  {s.name}")
    tests = [t for s in steps for t in junit_tests(s)]
    # The page's own tests are scripts, not CTest runs: their log is their
    # output.
    tests += [(s.name, s.seconds, s.state, (read(s.log) or "") if s.state == "failed" else "")
              for s in steps if s.name.startswith("test-web") and s.state in ("passed", "failed")]
    lines += ["", "Tests, slowest first (the 40 slowest of %d):" % len(tests)]
    for name, seconds, status, _ in sorted(tests, key=lambda t: -t[1])[:40]:
        lines.append(f"  {seconds:7.1f} s  {status:7}  {name}")
    # Why each failure failed comes last, where a CI log's tail shows it (a
    # CTest step's own log ends with only the failed tests' names).
    failures = [(name, output) for name, _, status, output in tests if status == "failed"]
    failures += [(s.name, read(s.log) or "") for s in steps
                 if s.state == "failed" and not s.junit and not s.name.startswith("test-web")]
    for name, output in failures:
        text = output.rstrip().splitlines()
        said = [line for line in text if line.lstrip().startswith("FAIL")][:10]
        lines += ["", f"{name} failed; what it said failed, then its last lines:"]
        lines += ["    " + line for line in said + [t for t in text[-FAILURE_LINES:]
                                                    if t not in said]]
    passed = sum(t[2] == "passed" for t in tests)
    failed = sum(t[2] == "failed" for t in tests)
    skipped = sum(t[2] == "skipped" for t in tests)
    failed += sum(s.state != "passed" and not s.junit and not s.name.startswith("test-web")
                  for s in steps)
    text = "\n".join(lines) + "\n"
    os.makedirs(BUILD, exist_ok=True)
    with open(REPORT, "w") as f:
        f.write(text)
    print("\n" + text, end="")
    print(f"tests: {passed} passed, {failed} failed, {skipped} skipped")
    return failed == 0 and all(s.state == "passed" for s in steps)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--only", help="run only these steps (comma-separated) and what they need")
    parser.add_argument("--list", action="store_true", help="list the steps and stop")
    args = parser.parse_args()
    steps = plan()
    if args.only:
        by_name = {s.name: s for s in steps}
        wanted, queue = set(), args.only.split(",")
        while queue:
            name = queue.pop()
            if name not in by_name:
                parser.error(f"no step {name}; --list names them")
            if name not in wanted:
                wanted.add(name)
                queue += by_name[name].needs
        steps = [s for s in steps if s.name in wanted]
    if args.list:
        for s in steps:
            print(f"{s.name:26} {s.lane:5} needs {', '.join(s.needs) or '-'}")
        return 0
    meter = CpuMeter()
    meter.start()
    began = time.monotonic()
    try:
        schedule(steps)
    except KeyboardInterrupt:
        for s in steps:
            if s.state == "running":
                s.process.terminate()
        raise
    meter.stopping.set()
    stop_wine_servers()
    return 0 if report(steps, meter, time.monotonic() - began) else 1


def stop_wine_servers():
    """The Windows tests keep a Wine server alive per prefix between test
    programs; none outlives the run."""
    for preset, server in (("windows", "/usr/bin/wineserver"),
                           ("windows64", "/usr/lib/wine/wineserver64")):
        build_tree = os.path.join(BUILD, preset)
        if not os.path.isdir(build_tree) or not os.path.exists(server):
            continue
        for folder, subfolders, _ in os.walk(build_tree):
            if os.path.exists(os.path.join(folder, "system.reg")):
                subprocess.run([server, "-k"], env=dict(os.environ, WINEPREFIX=folder),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                subfolders.clear()


if __name__ == "__main__":
    sys.exit(main())
