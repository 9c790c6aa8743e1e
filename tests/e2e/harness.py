"""Runs the real program in the X display of the test (Xvfb) and drives it like a person would.

Each Session has its own HOME and TMPDIR, a stub xdg-open that records what the program opens,
and, when asked, the local server on the port the local build talks to.
"""
import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

SERVER_PORT = 18431
WINDOW_TITLE = "Solvanti Audio Mosaire"


def parse_args():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--slowdown", type=float, default=1.0,
                        help="how many times slower the program runs (sanitizer builds)")
    args, rest = parser.parse_known_args()
    sys.argv[1:] = rest
    return args


ARGS = None


def args():
    global ARGS
    if ARGS is None:
        ARGS = parse_args()
    return ARGS


def slowdown():
    return args().slowdown


def wait_for(condition, timeout=10.0, interval=0.05):
    end = time.monotonic() + timeout * slowdown()
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(interval)
    return condition()


def xdotool(*arguments, check=False):
    result = subprocess.run(["xdotool", *arguments], capture_output=True, text=True)
    if check and result.returncode != 0:
        raise RuntimeError("xdotool %s failed: %s" % (arguments, result.stderr))
    return result.stdout.strip()


def screen_size():
    out = subprocess.run(["xdpyinfo"], capture_output=True, text=True).stdout
    for line in out.splitlines():
        if "dimensions:" in line:
            width, height = line.split()[1].split("x")
            return int(width), int(height)
    raise RuntimeError("no screen size")


class Server:
    def __init__(self, root, accounts=()):
        self.root = root
        command = [sys.executable, os.path.join(args().source_dir, "tests", "server", "mosaire_server.py"),
                   "--root", root, "--port", str(SERVER_PORT), "--quiet"]
        for mail, password in accounts:
            command += ["--account", "%s:%s" % (mail, password)]
        self.process = subprocess.Popen(command)
        if not wait_for(self._ping, 10):
            raise RuntimeError("server did not start")

    def _ping(self):
        try:
            return self.control("ping") == "pong"
        except OSError:
            return False

    def control(self, what, **params):
        query = urllib.parse.urlencode(params)
        url = "http://127.0.0.1:%d/__control/%s%s" % (SERVER_PORT, what, "?" + query if query else "")
        with urllib.request.urlopen(url, timeout=5) as response:
            return response.read().decode()

    def rule(self, path, mode, arg=None):
        params = {"path": path, "mode": mode}
        if arg is not None:
            params["arg"] = str(arg)
        self.control("rule", **params)

    def requests(self):
        return json.loads(self.control("requests"))

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()


class Session:
    """A temporary home for one run of the program."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="mosaire-e2e-")
        self.home = os.path.join(self.root, "home")
        self.tmp = os.path.join(self.root, "tmp")
        self.bin = os.path.join(self.root, "bin")
        self.blob = os.path.join(self.root, "blob")
        for folder in (self.home, self.tmp, self.bin, self.blob):
            os.makedirs(folder)
        self.open_log = os.path.join(self.root, "opened.log")
        stub = os.path.join(self.bin, "xdg-open")
        with open(stub, "w") as f:
            f.write("#!/bin/sh\nprintf '%%s\\n' \"$*\" >> '%s'\n" % self.open_log)
        os.chmod(stub, 0o755)
        self.env = dict(os.environ)
        self.env.update(HOME=self.home, TMPDIR=self.tmp, PATH=self.bin + ":" + os.environ.get("PATH", ""))
        self.env.pop("XDG_CONFIG_HOME", None)
        self.server = None
        self.processes = []

    @property
    def settings_folder(self):
        return os.path.join(self.home, ".config", "Solvanti Audio")

    @property
    def download_folder(self):
        return os.path.join(self.tmp, "Solvanti Audio Mosaire")

    def start_server(self, accounts=()):
        self.server = Server(self.blob, accounts)
        return self.server

    def launch(self):
        process = subprocess.Popen([args().program], env=self.env,
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.processes.append(process)
        return process

    def opened(self):
        if not os.path.exists(self.open_log):
            return []
        with open(self.open_log) as f:
            return f.read().splitlines()

    def close(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()
            if process.stdout:
                process.stdout.close()
        if self.server:
            self.server.stop()
        shutil.rmtree(self.root, ignore_errors=True)


def windows_of(pid):
    out = xdotool("search", "--onlyvisible", "--pid", str(pid), "--name", WINDOW_TITLE)
    return [w for w in out.split() if w]


def all_windows():
    out = xdotool("search", "--onlyvisible", "--name", WINDOW_TITLE)
    return [w for w in out.split() if w]


def wait_for_window(process, timeout=20.0):
    """The program's window, once it has been painted and takes input."""
    wait_for(lambda: windows_of(process.pid) or process.poll() is not None, timeout)
    windows = windows_of(process.pid)
    if not windows:
        raise AssertionError("no window appeared (exit code %s)" % process.poll())
    window = windows[0]
    # The title is drawn in white on the black title bar at the first paint.
    _, _, width, _ = geometry(window)
    if not wait_for(lambda: title_painted(window, width), timeout):
        raise AssertionError("the window was never painted")
    time.sleep(0.2 * slowdown())
    return window


def title_painted(window, width):
    wx, wy, _, _ = geometry(window)
    raw = subprocess.run(["import", "-window", "root", "-crop", "%dx20+%d+%d" % (width // 2, wx + width // 4, wy + 3),
                          "-depth", "8", "gray:-"], capture_output=True).stdout
    return any(value > 200 for value in raw)


def geometry(window):
    out = xdotool("getwindowgeometry", "--shell", window)
    values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def click(window, x, y, button=1):
    """Clicks at a point given relative to the window's top-left corner."""
    wx, wy, _, _ = geometry(window)
    xdotool("mousemove", "--sync", str(wx + x), str(wy + y))
    # Press and release like a hand does, giving a slow (sanitizer) build time to see each.
    time.sleep(0.1 * slowdown())
    xdotool("mousedown", str(button))
    time.sleep(0.1 * slowdown())
    xdotool("mouseup", str(button))


def close_window(window):
    """Presses the close button of the title bar the program draws itself (right end, top)."""
    _, _, width, _ = geometry(window)
    click(window, width - 14, 12)


# The program draws its own title bar and a one-pixel frame around the content.
CONTENT_LEFT = 1
CONTENT_TOP = 27


def click_content(window, x, y, button=1):
    click(window, CONTENT_LEFT + x, CONTENT_TOP + y, button)


def grab(window, x, y, width, height):
    """The window content's pixels in a rectangle, as rows of (r, g, b)."""
    wx, wy, _, _ = geometry(window)
    raw = subprocess.run(["import", "-window", "root", "-crop",
                          "%dx%d+%d+%d" % (width, height, wx + CONTENT_LEFT + x, wy + CONTENT_TOP + y),
                          "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return [[tuple(raw[(row * width + col) * 3:(row * width + col) * 3 + 3]) for col in range(width)]
            for row in range(height)]


def content_pixel(window, x, y):
    return grab(window, x, y, 1, 1)[0][0]


def content_has_colour(window, area, colour, tolerance=40):
    for row in grab(window, *area):
        for pixel in row:
            if all(abs(pixel[i] - colour[i]) <= tolerance for i in range(3)):
                return True
    return False


def screenshot(path):
    subprocess.run(["import", "-window", "root", path], check=True)
    return path
