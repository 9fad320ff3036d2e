"""Debian's Chromium, headless, driven through its DevTools protocol: one
private browser per Browser (a fresh profile in a temporary folder), pages
opened as targets, JavaScript evaluated in them, input sent as a person
would send it, and every console message and uncaught exception kept.

    with Browser(1024, 768) as browser:
        page = browser.open("file:///.../avrel.html")
        page.evaluate("document.title")
"""
import argparse
import base64
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time

import websocket

CHROMIUM = "/usr/bin/chromium"
FLAGS = [
    "--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--remote-debugging-port=0", "--remote-allow-origins=*", "--hide-scrollbars",
    "--mute-audio",
]


# For scripts added before avrel.html loads: avrelWatchPresent(wrap) puts
# wrap(present) in place of the program's Module.avrelPresent as soon as
# the page defines Module, so that a hook sees every rectangle presented.
WATCH_PRESENT = r"""
function avrelWatchPresent(wrap) {
  var module;
  Object.defineProperty(window, "Module", {
    configurable: true,
    get: function () { return module; },
    set: function (value) {
      module = value;
      value.avrelPresent = wrap(value.avrelPresent);
    },
  });
}
"""


def page_arguments(seconds):
    """The command line every measuring script of the page takes: the page,
    how long to measure (`seconds` by default), the window's size and how
    long the page plays before."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--seconds", type=float, default=seconds)
    parser.add_argument("--size", default="1920x1080")
    parser.add_argument("--warm-up", type=float, default=5)
    return parser


class BrowserError(Exception):
    pass


class Browser:
    def __init__(self, width=1024, height=768, extra_flags=()):
        self.width, self.height = width, height
        self.extra_flags = list(extra_flags)
        self.profile = None
        self.process = None
        self.socket = None
        self.next_id = 0
        self.events = []  # (sessionId, method, params) not yet taken
        self.parents = {}  # a worker's session -> its page's session

    def __enter__(self):
        self.profile = tempfile.mkdtemp(prefix="avrel-chromium-")
        self.process = subprocess.Popen(
            [CHROMIUM, *FLAGS, f"--user-data-dir={self.profile}",
             f"--window-size={self.width},{self.height}", *self.extra_flags, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        deadline = time.monotonic() + 30
        while True:
            if os.path.exists(port_file):
                lines = open(port_file).read().split()
                if len(lines) >= 2:
                    break
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.__exit__(None, None, None)
                raise BrowserError("chromium did not start its DevTools endpoint")
            time.sleep(0.05)
        self.socket = websocket.create_connection(
            f"ws://127.0.0.1:{lines[0]}{lines[1]}", timeout=30, suppress_origin=True)
        return self

    def __exit__(self, *exc):
        if self.socket is not None:
            try:
                self.socket.close()
            except Exception:
                pass
        if self.process is not None and self.process.poll() is None:
            # Its own process group: the browser's helpers go with it.
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()
        if self.profile is not None:
            shutil.rmtree(self.profile, ignore_errors=True)
        return False

    def send(self, method, params=None, session=None, timeout=30):
        self.next_id += 1
        wanted = self.next_id  # messages posted meanwhile take the next ones
        message = {"id": wanted, "method": method, "params": params or {}}
        if session is not None:
            message["sessionId"] = session
        self.socket.send(json.dumps(message))
        deadline = time.monotonic() + timeout
        while True:
            reply = self._receive(deadline)
            if reply.get("id") == wanted:
                if "error" in reply:
                    raise BrowserError(f"{method}: {reply['error']}")
                return reply.get("result", {})

    def post(self, method, params=None, session=None):
        """Sends without waiting for the answer."""
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session is not None:
            message["sessionId"] = session
        self.socket.send(json.dumps(message))

    def _receive(self, deadline):
        left = deadline - time.monotonic()
        if left <= 0:
            raise BrowserError("no answer from the browser")
        self.socket.settimeout(left)
        reply = json.loads(self.socket.recv())
        if "method" in reply:
            self.events.append((reply.get("sessionId"), reply["method"], reply.get("params", {})))
            if reply["method"] == "Target.attachedToTarget" and "sessionId" in reply:
                self._watch_worker(reply["sessionId"], reply["params"])
        return reply

    def _watch_worker(self, parent, params):
        # A worker of a watched page waits for this before it runs its first
        # line: its requests and console are seen from the start.
        child = params["sessionId"]
        self.parents[child] = parent
        for method in ("Network.enable", "Runtime.enable", "Log.enable",
                       "Runtime.runIfWaitingForDebugger"):
            self.post(method, session=child)

    def pump(self, seconds):
        """Takes in events for `seconds`."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            try:
                self._receive(deadline)
            except (websocket.WebSocketTimeoutException, BrowserError):
                break

    def open(self, url):
        target = self.send("Target.createTarget", {"url": "about:blank"})
        session = self.send("Target.attachToTarget",
                            {"targetId": target["targetId"], "flatten": True})["sessionId"]
        page = Page(self, session, target["targetId"])
        page.call("Runtime.enable")
        page.call("Log.enable")
        page.call("Page.enable")
        page.navigate(url)
        return page

    def processes(self):
        """Process ids of the browser and every process it started."""
        children = {}
        for entry in os.listdir("/proc"):
            if entry.isdigit():
                try:
                    fields = open(f"/proc/{entry}/stat").read().rsplit(")", 1)[1].split()
                except OSError:
                    continue
                children.setdefault(int(fields[1]), []).append(int(entry))
        found, todo = [], [self.process.pid]
        while todo:
            pid = todo.pop()
            found.append(pid)
            todo.extend(children.get(pid, []))
        return found

    def renderer_pids(self):
        """Process ids of the browser's renderer processes."""
        pids = []
        for pid in self.processes():
            try:
                cmdline = open(f"/proc/{pid}/cmdline", "rb").read()
            except OSError:
                continue
            # Chromium rewrites its helpers' argument lists as one string.
            if b"--type=renderer" in cmdline:
                pids.append(pid)
        return pids


class Page:
    def __init__(self, browser, session, target):
        self.browser, self.session, self.target = browser, session, target
        self.opened_at = None

    def call(self, method, params=None, timeout=30):
        return self.browser.send(method, params, self.session, timeout)

    def navigate(self, url):
        self.opened_at = time.monotonic()
        self.call("Page.navigate", {"url": url})

    def evaluate(self, expression, timeout=30):
        result = self.call("Runtime.evaluate", {
            "expression": expression, "returnByValue": True, "awaitPromise": True},
            timeout=timeout)
        if "exceptionDetails" in result:
            raise BrowserError(f"{expression[:60]}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, expression, timeout=10, interval=0.02):
        """Evaluates until the value is true; returns it, or None at timeout."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(interval)
        return None

    def watch_workers(self):
        """From now on the workers this page starts are watched as the page
        is: their console, exceptions and requests count as its own."""
        self.call("Target.setAutoAttach", {"autoAttach": True, "waitForDebuggerOnStart": True,
                                           "flatten": True})

    def _own(self, session):
        while session is not None and session != self.session:
            session = self.browser.parents.get(session)
        return session == self.session

    def requests(self):
        """Addresses this page and its watched workers asked for so far
        (after Network.enable)."""
        self.browser.pump(0.05)
        return [params["request"]["url"] for session, method, params in self.browser.events
                if method == "Network.requestWillBeSent" and self._own(session)]

    def problems(self):
        """Console errors and uncaught exceptions of this page (and of its
        watched workers) so far."""
        self.browser.pump(0.05)
        found = []
        for session, method, params in self.browser.events:
            if not self._own(session):
                continue
            if method == "Runtime.exceptionThrown":
                found.append("exception: " + json.dumps(params["exceptionDetails"])[:300])
            elif method == "Runtime.consoleAPICalled" and params["type"] in ("error", "assert"):
                found.append("console: " + json.dumps(params["args"])[:300])
            elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
                found.append("log: " + params["entry"].get("text", "")[:300])
        return found

    def resize_page(self, width, height):
        """Makes the page's own area (innerWidth x innerHeight) that size."""
        around = self.evaluate("[window.outerWidth - window.innerWidth, "
                               "window.outerHeight - window.innerHeight]")
        self.resize(width + around[0], height + around[1])
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            if self.evaluate("[window.innerWidth, window.innerHeight]") == [width, height]:
                return True
            time.sleep(0.05)
        return False

    def resize(self, width, height):
        window = self.browser.send("Browser.getWindowForTarget", {"targetId": self.target})
        self.browser.send("Browser.setWindowBounds", {
            "windowId": window["windowId"], "bounds": {"width": width, "height": height}})

    def mouse(self, kind, x, y, button="none"):
        self.call("Input.dispatchMouseEvent", {
            "type": kind, "x": x, "y": y, "button": button,
            "clickCount": 1 if kind in ("mousePressed", "mouseReleased") else 0})

    def click(self, x, y):
        self.mouse("mousePressed", x, y, "left")
        self.mouse("mouseReleased", x, y, "left")

    def key(self, key="a", code="KeyA", key_code=65):
        for kind in ("keyDown", "keyUp"):
            self.call("Input.dispatchKeyEvent", {
                "type": kind, "key": key, "code": code, "windowsVirtualKeyCode": key_code})

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", {"format": "png"})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))
