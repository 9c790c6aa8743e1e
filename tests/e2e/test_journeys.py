"""The real program against the local server, each journey on an X server of its own, driven like a person:
test_journeys.py --program PROGRAM --source-dir DIR --server http://127.0.0.1:PORT [--slowdown N]"""
import argparse, json, os, pathlib, shutil, struct, subprocess, sys, tempfile, time, unittest, urllib.parse, urllib.request, zlib

parser = argparse.ArgumentParser()
for option in ("--program", "--source-dir", "--server"):
    parser.add_argument(option, required=True)
parser.add_argument("--slowdown", type=float, default=1.0)   # how many times slower a sanitizer build runs
ARGS, sys.argv[1:] = parser.parse_known_args()
X_TIMEOUT = 4 * min(ARGS.slowdown, 2)   # seconds; the X server is busier beside a sanitizer build
sys.path.insert(0, os.path.join(ARGS.source_dir, "scripts"))
import demo_data  # noqa: E402

TITLE, NOTICE = "Solvanti Audio Mosaire", "New version available"
ROW_TOP, ROW_HEIGHT = 27 + 79, 70   # window to content 27 (title bar), content to rows 79 (toolbar, header)
RED, YELLOW, WHITE = (255, 0, 0), (255, 255, 0), (255, 255, 255)
SORTED = ["Aurora Synth", "Basalt Comp", "Cirrus Reverb", "Delta EQ", "Ember Delay", "Mosaire Sampler", "Studio Bundle"]


def close_to(colour, expected, tolerance=40):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def write_huge_archive(path, names, size=512 << 20):
    """A ZIP archive of a few megabytes whose entries each unpack to size zeros: they all share one deflated block."""
    deflate, crc, data = zlib.compressobj(1, zlib.DEFLATED, -15), 0, []
    for _ in range(size >> 24):
        data.append(deflate.compress(bytes(1 << 24)))
        crc = zlib.crc32(bytes(1 << 24), crc)
    data = b"".join(data) + deflate.flush()
    when, first = (0, 0x5021), names[0].encode()   # 2020-01-01 00:00
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 8, *when, crc, len(data), size, len(first), 0) + first
    central = b"".join(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 8, *when, crc, len(data), size,
                                   len(name.encode()), 0, 0, 0, 0, 0, 0) + name.encode() for name in names)
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(names), len(names), len(central), len(local) + len(data), 0)
    pathlib.Path(path).write_bytes(local + data + central + end)


def stop(process):   # nothing if it has ended
    return process.terminate() or process.wait()


class Journeys(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="mosaire-e2e-")
        self.addCleanup(shutil.rmtree, self.root, True)
        # Nothing a journey leaves behind on its X server (a grab, a window, a held button) reaches the next.
        read, write = os.pipe()
        self.addCleanup(stop, subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1600x1200x24",
                                                "-nolisten", "tcp"], pass_fds=[write], stderr=subprocess.DEVNULL))
        os.close(write)
        with os.fdopen(read) as display:   # read whole: the server ends if it cannot write the line's end
            self.x_env = dict(os.environ, DISPLAY=":" + display.readline().strip())
        self.opened_log, stub = os.path.join(self.root, "opened"), os.path.join(self.root, "bin", "xdg-open")
        os.makedirs(os.path.dirname(stub))
        pathlib.Path(stub).write_text("#!/bin/sh\necho \"$1\" >> '%s'\n" % self.opened_log)   # records what is opened
        os.chmod(stub, 0o755)

    def start(self, table=True, **world):
        self.serve(**world)
        return self.launch(self.world["home"], table)

    def serve(self, **world):
        self.world = demo_data.make(self.root, **world)
        self.addCleanup(stop, subprocess.Popen([
            sys.executable, os.path.join(ARGS.source_dir, "tests", "server", "mosaire_server.py"), "--quiet",
            "--root", self.world["blob"], "--port", str(urllib.parse.urlsplit(ARGS.server).port),
            "--account", demo_data.DEMO_MAIL + ":" + demo_data.DEMO_PASSWORD]))
        self.assertTrue(self.wait_for(lambda: self.control("ping") == "pong"), "the server did not start")

    def wait_for(self, condition, seconds=20.0):
        # As a hand resting on the mouse: each small move wakes a program whose input waits unread in its X queue.
        end = time.monotonic() + seconds * ARGS.slowdown
        while not (value := condition()) and time.monotonic() < end:
            self.x("xdotool", "mousemove_relative", "--", "1", "0", "mousemove_relative", "--", "-1", "0")
            time.sleep(0.05)
        return value

    def control(self, request):
        try:
            with urllib.request.urlopen(ARGS.server + "/__control/" + request, timeout=10) as answer:
                return answer.read().decode()
        except OSError:
            return ""

    def launch(self, home, table=False):
        """Starts the program; returns it and its window once painted (and the table shown, if asked)."""
        os.makedirs(home + ".tmp", exist_ok=True)
        env = dict(self.x_env, HOME=home, TMPDIR=home + ".tmp", PATH=self.root + "/bin:" + os.environ["PATH"])
        log = tempfile.TemporaryFile("w+")
        self.addCleanup(log.close)
        process = subprocess.Popen([ARGS.program], env=env, stdout=log, stderr=subprocess.STDOUT)
        process.home, process.log = home, log
        self.addCleanup(stop, process)
        self.wait_for(lambda: self.windows(process, TITLE) or process.poll() is not None, 30)
        log.seek(0)
        self.assertTrue(self.windows(process, TITLE), "no window; exit code %s: %s" % (process.poll(), log.read()))
        window = self.windows(process, TITLE)[0]
        self.painted(window)
        # The first row's dark grey, neither darkened by the sign-in overlay nor hidden by the loading one.
        shown = lambda: close_to(self.grab(window, 1150, ROW_TOP + 5, 1, 1)[0], (26, 26, 26), 6)
        self.assertTrue(not table or self.wait_for(shown), "the overlays did not go")
        return process, window

    def x(self, *command):
        # An X tool can sit in its connection set-up until another client connects to the same server; a fresh
        # connection wakes it, so a call that takes too long is ended and made again.
        for _ in range(5):
            try:
                return subprocess.run(command, env=self.x_env, capture_output=True, timeout=X_TIMEOUT).stdout
            except subprocess.TimeoutExpired:
                pass
        self.fail("%s kept stalling" % command[0])

    def windows(self, process, name=""):
        # --all: by default xdotool takes a window matching any one condition, such as another program's title.
        return self.x("xdotool", "search", "--all", "--onlyvisible", "--pid", str(process.pid), "--name", name).split()

    def grab(self, window, x, y, width, height):
        raw = self.x("import", "-window", window, "-crop", "%dx%d+%d+%d" % (width, height, x, y), "-depth", "8", "rgb:-")
        return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]

    def click(self, window, x, y):
        # Raised first and held as a hand does, as a menu wants too (it takes no click within 250 ms of opening).
        self.x("xdotool", "windowraise", window, "mousemove", "--window", window, str(x), str(y),
               "mousedown", "1", "sleep", "0.3", "mouseup", "1")

    def painted(self, window):   # once the title bar the program draws shows the white title
        width = self.size(window)[0]
        self.assertTrue(self.wait_for(lambda: any(max(p) > 200 for p in self.grab(window, width // 4, 3, width // 2, 20))),
                        "not painted")

    def size(self, window):
        values = dict(line.split("=") for line in self.x("xdotool", "getwindowgeometry", "--shell", window).decode().split())
        return int(values["WIDTH"]), int(values["HEIGHT"])

    def opened(self):
        return pathlib.Path(self.opened_log).read_text().splitlines() if os.path.exists(self.opened_log) else []

    def quit(self, process, window):
        self.assertEqual(self.windows(process), [window], "something else is open")
        self.click(window, self.size(window)[0] - 14, 12)   # the title bar's close button, released now
        started = time.monotonic()
        self.wait_for(lambda: process.poll() is not None, 10)
        process.log.seek(0)
        self.assertEqual(process.poll(), 0, process.log.read())
        self.assertLess(time.monotonic() - started, 2 * ARGS.slowdown)
        self.assertFalse(os.path.exists(os.path.join(process.home + ".tmp", TITLE)), "the download folder stayed")

    def test_signs_in_and_shows_the_table_sorted_by_name(self):
        process, window = self.start()
        # Each product's picture has its own colour; the top left of each row's picture tells the rows apart.
        expected = [tuple(int(demo_data.COLOURS[name][i:i + 2], 16) for i in (1, 3, 5)) for name in SORTED]
        rows = lambda: self.grab(window, 1 + 22, ROW_TOP + 10, 1, ROW_HEIGHT * len(SORTED))[::ROW_HEIGHT]
        self.assertTrue(self.wait_for(lambda: all(map(close_to, rows(), expected)), 5), "%s, not %s" % (rows(), expected))
        self.assertEqual(self.windows(process, NOTICE), [], "the catalogue's version is this one's")
        self.quit(process, window)

    def click_download(self, window, name):
        self.click(window, 1 + 670 + 1 + 53, ROW_TOP + ROW_HEIGHT * SORTED.index(name) + 35)

    def download(self, auto_launch, name):
        process, window = self.start(auto_launch=auto_launch)
        self.click_download(window, name)
        return process, window

    def test_download_opens_the_unpacked_installer(self):
        process, window = self.download(True, "Cirrus Reverb")
        installer = os.path.join(process.home + ".tmp", TITLE, "Cirrus Reverb 1.5.0 Installer.pkg")
        self.assertEqual(self.wait_for(self.opened), [installer])
        self.assertTrue(os.path.isfile(installer))
        self.quit(process, window)

    def test_with_auto_launch_off_a_download_opens_nothing_and_offers_saving(self):
        process, window = self.download(False, "Basalt Comp")
        chooser = self.wait_for(lambda: self.windows(process, "Save installer"))
        self.assertTrue(chooser, "no save chooser")
        self.assertEqual(self.opened(), [])   # the journey ends here: keys in the chooser go where its focus lands

    def test_the_rows_follow_the_installed_products_on_disk_at_the_next_polls(self):
        process, window = self.start()

        def shows(name, colour):   # the state's text colour, and none of the other states'
            status = self.grab(window, 1 + 525, ROW_TOP + ROW_HEIGHT * SORTED.index(name) + 10, 110, 50)
            return all(any(close_to(pixel, c) for pixel in status) == (c == colour) for c in (RED, YELLOW, WHITE))

        aurora, cirrus = (os.path.join(self.world["vst3"], name + ".vst3") for name in ("Aurora Synth", "Cirrus Reverb"))
        self.assertTrue(self.wait_for(lambda: shows("Aurora Synth", YELLOW)), "1.0.0 of 1.2.0: Update available")
        self.assertTrue(self.wait_for(lambda: shows("Cirrus Reverb", RED)), "Not installed")
        self.assertTrue(self.wait_for(lambda: shows("Basalt Comp", WHITE)), "Latest version")
        # The poll runs five times a second: a few seconds are many of its ticks, even on a busy machine.
        for change, name, colour in ((lambda: demo_data.write_bundle(aurora, "1.2.0"), "Aurora Synth", WHITE),
                                     (lambda: demo_data.write_bundle(cirrus, "1.5.0"), "Cirrus Reverb", WHITE),
                                     (lambda: shutil.rmtree(cirrus), "Cirrus Reverb", RED)):
            change()
            self.assertTrue(self.wait_for(lambda: shows(name, colour), 3), "%s not shown as %s" % (name, colour))
        self.quit(process, window)

    def test_log_out_brings_the_sign_in_overlay_back(self):
        process, window = self.start()
        self.click(window, 1 + 25, 27 + 25)   # the settings button
        menu = self.wait_for(lambda: [w for w in self.windows(process) if w != window])
        self.assertTrue(menu, "no settings menu")
        self.click(menu[0], self.size(menu[0])[0] // 2, self.size(menu[0])[1] - 12)   # its last item, Log Out
        self.assertTrue(self.wait_for(lambda: self.windows(process) == [window]
                                 and max(self.grab(window, 1150, ROW_TOP + 5, 1, 1)[0]) < 16), "no overlay")
        self.quit(process, window)

    def test_a_newer_catalogue_version_shows_the_update_notice(self):
        process, window = self.start(table=False, catalogue_version="1.0.11")
        notice = self.wait_for(lambda: self.windows(process, NOTICE))
        self.assertTrue(notice, "no update notice")
        self.painted(notice[0])   # and, as a person sees it in front, has the keyboard
        self.assertTrue(self.wait_for(lambda: self.x("xdotool", "getwindowfocus").split() == notice), "no keyboard focus")
        self.x("xdotool", "key", "Escape")
        self.assertTrue(self.wait_for(lambda: not self.windows(process, NOTICE)))
        self.quit(process, window)

    def quit_while_waiting_for(self, path, mode, arg="", download=None):
        self.serve()
        self.control("rule?path=%s&mode=%s&arg=%s" % (urllib.parse.quote(path), mode, arg))
        process, window = self.launch(self.world["home"], table=download is not None)
        if download:
            self.click_download(window, download)
        requested = lambda: path in [request["path"] for request in json.loads(self.control("requests") or "[]")]
        self.assertTrue(self.wait_for(requested), "not asked for")
        self.quit(process, window)

    def test_quitting_during_a_stalled_catalogue(self):
        # Slow enough never to finish, fast enough for the fetch's two-second give-up not to raise its box.
        self.quit_while_waiting_for("/installer/Mosaire/AppPlugins.xml", "slow", "2,10")

    def test_quitting_during_a_stalled_sign_in(self):
        self.quit_while_waiting_for("/shopify/customertoken", "stall")

    def test_quitting_during_a_stalled_download(self):
        self.quit_while_waiting_for("/installer/effects/Delta_EQ_Mac.zip", "stallbody", "1000", download="Delta EQ")

    def test_quitting_while_a_huge_installer_unpacks(self):
        process, window = self.start()
        installer = os.path.join(process.home + ".tmp", TITLE, "Huge Installer.pkg")
        write_huge_archive(os.path.join(self.world["blob"], "installer", "effects", "Cirrus_Reverb_Mac.zip"),
                           [os.path.basename(installer)] + ["Part %d" % n for n in range(2, 9)])
        self.click_download(window, "Cirrus Reverb")
        self.assertTrue(self.wait_for(lambda: os.path.exists(installer) and os.path.getsize(installer) > 0), "no unpacking")
        self.quit(process, window)
        process.log.seek(0)
        self.assertNotIn("killing thread by force", process.log.read())
        self.assertEqual((os.listdir(process.home + ".tmp"), self.opened()), ([], []))

    def test_one_running_instance_per_user(self):
        first = self.start()
        second = self.launch(shutil.copytree(self.world["home"], os.path.join(self.root, "another home")), table=True)
        env = dict(self.x_env, HOME=first[0].home, TMPDIR=first[0].home + ".tmp")
        self.addCleanup(stop, third := subprocess.Popen([ARGS.program], env=env))
        self.assertEqual(third.poll() if self.wait_for(lambda: third.poll() is not None, 5) else "running", 0)
        self.assertEqual(len(self.x("xdotool", "search", "--onlyvisible", "--name", TITLE).split()), 2)
        self.assertTrue(os.path.isdir(os.path.join(first[0].home + ".tmp", TITLE)), "it took the first one's folder")
        self.quit(*second)
        self.quit(*first)


if __name__ == "__main__":
    unittest.main()
