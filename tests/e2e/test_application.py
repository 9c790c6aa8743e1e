"""The whole application against the local server, driven like a person would."""
import os
import sys
import time
import unittest

import harness

sys.path.insert(0, os.path.join(harness.args().source_dir, "scripts"))
import demo_data  # noqa: E402

# Where things are inside the window's content (the content starts below the title bar).
ROW_TOP = 79            # toolbar 50, table header 28, outline 1
ROW_HEIGHT = 70
SORTED_NAMES = ["Aurora Synth", "Basalt Comp", "Cirrus Reverb", "Delta EQ", "Ember Delay",
                "Mosaire Sampler", "Studio Bundle"]
QUIT_LIMIT = 2.0 * harness.slowdown()


def hex_colour(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


class Application(unittest.TestCase):
    def start(self, **world_options):
        self.session = harness.Session()
        self.addCleanup(self.session.close)
        self.world = demo_data.make(self.session.root, **world_options)
        self.session.home = self.world["home"]
        self.session.env["HOME"] = self.world["home"]
        self.server = self.session.start_server([(demo_data.DEMO_MAIL, demo_data.DEMO_PASSWORD)])
        return self.server

    def launch(self):
        self.process = self.session.launch()
        self.window = harness.wait_for_window(self.process)
        return self.window

    def wait_for_request(self, path, timeout=10):
        return harness.wait_for(lambda: any(r["path"] == path for r in self.server.requests()), timeout)

    def pixel(self, x, y):
        return harness.content_pixel(self.window, x, y)

    def row_background(self, row=0):
        return self.pixel(1150, ROW_TOP + ROW_HEIGHT * row + 5)

    def wait_until_table_shows(self, timeout=15):
        # Row 0 is dark grey (0x1a) once neither overlay dims it any more.
        return harness.wait_for(lambda: self.row_background(0)[0] >= 0x16, timeout, 0.2)

    def quit_within(self, limit):
        started = time.monotonic()
        harness.close_window(self.window)
        code = self.process.wait(10)
        elapsed = time.monotonic() - started
        output = self.process.stdout.read()
        self.assertEqual(code, 0, output)
        self.assertLess(elapsed, limit)
        self.assertNotIn("killing thread by force", output)
        self.assertFalse(os.path.exists(self.session.download_folder))

    def click_download(self, row):
        harness.click_content(self.window, 670 + 1 + 53, ROW_TOP + ROW_HEIGHT * row + 18 + 17)

    def test_start_signs_in_and_fills_the_table_sorted_by_name(self):
        self.start()
        self.launch()
        self.assertTrue(self.wait_for_request("/shopify/customertoken"))
        self.assertTrue(self.wait_for_request("/installer/Mosaire/AppPlugins.xml"))
        self.assertTrue(self.wait_for_request("/installer/Mosaire/Images.zip"))
        self.assertTrue(self.wait_until_table_shows(), "the overlays did not go")
        signin = [r for r in self.server.requests() if r["path"] == "/shopify/customertoken"][0]
        self.assertEqual(signin["params"], {"mail": [demo_data.DEMO_MAIL], "password": [demo_data.DEMO_PASSWORD]})

        harness.screenshot(os.path.join(self.session.root, "table.png"))
        for row, name in enumerate(SORTED_NAMES):
            expected = hex_colour(demo_data.COLOURS[name])
            seen = self.pixel(16 + 6, ROW_TOP + ROW_HEIGHT * row + 7 + 3)
            for channel in range(3):
                self.assertAlmostEqual(seen[channel], expected[channel], delta=40,
                                       msg="row %d should show %s, saw %s" % (row, name, seen))
        self.quit_within(QUIT_LIMIT)

    def test_download_opens_the_unpacked_installer(self):
        self.start()
        self.launch()
        self.assertTrue(self.wait_until_table_shows())
        self.click_download(SORTED_NAMES.index("Cirrus Reverb"))
        self.assertTrue(self.wait_for_request("/installer/effects/Cirrus_Reverb_Mac.zip"))
        opened = harness.wait_for(self.session.opened, 10)
        installer = os.path.join(self.session.download_folder, "Cirrus Reverb 1.5.0 Installer.pkg")
        self.assertEqual(opened, [installer])
        self.assertTrue(os.path.isfile(installer))
        self.quit_within(QUIT_LIMIT)

    def test_with_auto_launch_off_nothing_is_opened_and_saving_is_offered(self):
        self.start(auto_launch=False)
        self.launch()
        self.assertTrue(self.wait_until_table_shows())
        self.click_download(SORTED_NAMES.index("Basalt Comp"))
        self.assertTrue(self.wait_for_request("/installer/effects/Basalt_Comp_Mac.zip"))
        chooser = harness.wait_for(lambda: harness.xdotool("search", "--onlyvisible", "--name", "Save installer"), 10)
        self.assertTrue(chooser, "no save dialog appeared")
        time.sleep(0.5)
        self.assertEqual(self.session.opened(), [])
        harness.xdotool("key", "--window", chooser.split()[0], "Escape")
        time.sleep(0.5)
        self.quit_within(QUIT_LIMIT)

    def test_a_bundle_changed_on_disk_updates_its_row_at_the_next_poll(self):
        self.start()
        self.launch()
        self.assertTrue(self.wait_until_table_shows())
        row = SORTED_NAMES.index("Aurora Synth")
        status_cell = (520 + 5, ROW_TOP + ROW_HEIGHT * row + 10, 110, 50)
        self.assertTrue(harness.wait_for(lambda: harness.content_has_colour(self.window, status_cell, (255, 255, 0)), 5),
                        "an older installed version shows Update available in yellow")
        demo_data.write_bundle(os.path.join(self.world["vst3"], "Aurora Synth.vst3"), "1.2.0")
        self.assertTrue(harness.wait_for(
            lambda: not harness.content_has_colour(self.window, status_cell, (255, 255, 0)), 3),
            "the row still shows Update available")
        self.quit_within(QUIT_LIMIT)

    def test_log_out_shows_the_sign_in_overlay_again(self):
        self.start()
        self.launch()
        self.assertTrue(self.wait_until_table_shows())
        harness.click_content(self.window, 25, 25)          # the settings button
        time.sleep(0.5)
        harness.xdotool("key", "Up", "Return")               # the last item: "Log Out"
        self.assertTrue(harness.wait_for(lambda: self.row_background(0)[0] < 0x10, 5), "the overlay did not come back")
        self.quit_within(QUIT_LIMIT)

    def test_signing_in_with_login(self):
        self.start(sign_in=False)
        self.launch()
        time.sleep(1.5)
        self.assertLess(self.row_background(0)[0], 0x10, "the sign-in overlay covers the table")
        self.assertFalse(any(r["path"] == "/shopify/customertoken" for r in self.server.requests()))
        harness.click_content(self.window, 599, 275)
        harness.xdotool("type", "--delay", "5", demo_data.DEMO_MAIL)
        harness.click_content(self.window, 599, 311)
        harness.xdotool("type", "--delay", "5", demo_data.DEMO_PASSWORD)
        harness.click_content(self.window, 599, 383)
        self.assertTrue(self.wait_for_request("/shopify/customertoken"))
        self.assertTrue(self.wait_until_table_shows())
        self.quit_within(QUIT_LIMIT)

    def test_a_newer_catalogue_version_announces_itself(self):
        self.start(catalogue_version="1.0.11")
        self.launch()
        notice = harness.wait_for(lambda: harness.xdotool("search", "--onlyvisible", "--name", "New version available"), 10)
        self.assertTrue(notice, "no update notice")
        window = notice.split()[0]
        _, _, width, height = harness.geometry(window)
        self.assertGreaterEqual(width, 600)
        self.assertGreaterEqual(height, 280)
        # The notice is modal: Escape closes it, then the main window takes clicks again.
        harness.xdotool("key", "--window", window, "Escape")
        self.assertTrue(harness.wait_for(
            lambda: not harness.xdotool("search", "--onlyvisible", "--name", "New version available"), 5))
        self.quit_within(QUIT_LIMIT)

    def test_an_equal_catalogue_version_announces_nothing(self):
        self.start()
        self.launch()
        self.assertTrue(self.wait_until_table_shows())
        self.assertEqual(harness.xdotool("search", "--onlyvisible", "--name", "New version available"), "")
        self.quit_within(QUIT_LIMIT)

    def test_quitting_during_a_download(self):
        self.start()
        self.server.rule("/installer/effects/Delta_EQ_Mac.zip", "stallbody", 1000)
        self.launch()
        self.assertTrue(self.wait_until_table_shows())
        self.click_download(SORTED_NAMES.index("Delta EQ"))
        self.assertTrue(self.wait_for_request("/installer/effects/Delta_EQ_Mac.zip"))
        time.sleep(0.3)
        self.quit_within(QUIT_LIMIT)

    def test_quitting_during_a_stalled_sign_in(self):
        self.start()
        self.server.rule("/shopify/customertoken", "stall")
        self.launch()
        self.assertTrue(self.wait_for_request("/shopify/customertoken"))
        time.sleep(0.3)
        self.quit_within(QUIT_LIMIT)

    def test_quitting_during_a_stalled_catalogue_fetch(self):
        self.start()
        self.server.rule("/installer/Mosaire/AppPlugins.xml", "stall")
        self.launch()
        self.assertTrue(self.wait_for_request("/installer/Mosaire/AppPlugins.xml"))
        time.sleep(0.3)
        self.quit_within(QUIT_LIMIT)


if __name__ == "__main__":
    unittest.main()
