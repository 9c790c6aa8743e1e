"""The application frame: one window, single instance, start and clean exit."""
import os
import plistlib
import subprocess
import time
import unittest

import sys

import harness

sys.path.insert(0, os.path.join(harness.args().source_dir, "scripts"))
import demo_data  # noqa: E402


class Frame(unittest.TestCase):
    def setUp(self):
        # A served catalogue, so that no message box holds the window.
        self.session = harness.Session()
        world = demo_data.make(self.session.root, pictures=False)
        self.session.env["HOME"] = world["home"]
        self.session.start_server([(demo_data.DEMO_MAIL, demo_data.DEMO_PASSWORD)])

    def tearDown(self):
        self.session.close()

    def quit(self, process, window):
        harness.close_window(window)
        return process.wait(10)

    def test_starts_centred_and_exits_cleanly(self):
        process = self.session.launch()
        window = harness.wait_for_window(process)
        self.assertEqual(len(harness.windows_of(process.pid)), 1)
        self.assertTrue(os.path.isdir(self.session.download_folder))

        x, y, width, height = harness.geometry(window)
        screen_width, screen_height = harness.screen_size()
        self.assertEqual(width, 1200)
        self.assertAlmostEqual(x, (screen_width - width) // 2, delta=2)
        self.assertAlmostEqual(y, (screen_height - height) // 2, delta=2)

        self.assertEqual(self.quit(process, window), 0)
        self.assertFalse(os.path.exists(self.session.download_folder))

    def test_second_launch_ends_at_once_without_a_window(self):
        first = self.session.launch()
        window = harness.wait_for_window(first)

        started = time.monotonic()
        second = self.session.launch()
        self.assertEqual(second.wait(10), 0)
        self.assertLess(time.monotonic() - started, 5 * harness.slowdown())
        self.assertEqual(len(harness.all_windows()), 1)

        self.assertEqual(self.quit(first, window), 0)

    def test_leftover_download_folder_is_used_and_removed(self):
        os.makedirs(self.session.download_folder)
        leftover = os.path.join(self.session.download_folder, "Old Installer.pkg")
        with open(leftover, "w") as f:
            f.write("from a run that crashed")

        process = self.session.launch()
        window = harness.wait_for_window(process)
        self.assertTrue(os.path.exists(leftover))
        self.assertEqual(self.quit(process, window), 0)
        self.assertFalse(os.path.exists(self.session.download_folder))

    def test_program_lies_in_a_bundle_that_names_its_version(self):
        program = os.path.realpath(harness.args().program)
        contents = os.path.dirname(os.path.dirname(program))
        self.assertTrue(program.endswith("Mosaire.app/Contents/MacOS/Mosaire"))
        with open(os.path.join(contents, "Info.plist"), "rb") as f:
            self.assertEqual(plistlib.load(f)["CFBundleShortVersionString"], "1.0.10")


if __name__ == "__main__":
    harness.args()
    unittest.main()
