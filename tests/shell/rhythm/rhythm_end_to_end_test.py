#!/usr/bin/python3
"""The rhythm panel on a private desktop, with the real trainer driven by
xdotool and read over AT-SPI as a screen reader reads it: opened by
--rhythm and by the window's menu, docked under the window as it is dragged,
its figures after a calibration and after keyed signs, echo practice, and the
Ctrl keys still keying while it is open."""

import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "window"))
from trainer_case import PROGRAM, TITLE, Session, key_sign, share_session  # noqa: E402

share_session(globals())

RESULT = "Résultat : le signe manipulé ou écouté"
SIGN = "Dernier signe"
ELEMENTS = "Appuis et espaces"
ECHO = "Écho"


def train(x, y, presses, gap_ms=100):
    """One xdotool call: move to the key, then (held ms) presses with gaps."""
    steps = ["mousemove", x, y, "sleep", 0.3]
    for held in presses:
        steps += ["mousedown", 1, "sleep", held / 1000, "mouseup", 1, "sleep", gap_ms / 1000]
    return steps


class RhythmPanel(unittest.TestCase):
    """One run of the trainer with --rhythm, its steps in order."""

    @classmethod
    def setUpClass(cls):
        cls.proc = desktop.start(PROGRAM, args=["--rhythm"])
        cls.window = desktop.find_window(TITLE)
        cls.panel = desktop.find_window("Rythme")
        cls.app = access.application("klavet")
        desktop.wait_for(lambda: desktop.geometry(cls.window)[2] == 394, 10, "window size")
        desktop.xdotool("windowactivate", "--sync", cls.window, "sleep", 0.3)

    @classmethod
    def tearDownClass(cls):
        if cls.proc.poll() is None:
            cls.proc.kill()
            cls.proc.wait()

    def key(self):
        x, y, _, _ = desktop.geometry(self.window)
        return x + 268, y + 96

    def line(self, description, pattern, timeout=10):
        """The panel line's text, once it matches `pattern`."""
        node = access.find(self.app, description)
        desktop.wait_for(lambda: re.search(pattern, node.name or ""), timeout, f"{description}: {pattern}",
                         fail=False)
        return node.name

    def play(self, sign):
        x, y, _, _ = desktop.geometry(self.window)
        desktop.xdotool("mousemove", x + 52, y + 68, "sleep", 0.1, "click", 1, "sleep", 0.2)
        desktop.xdotool("type", "--delay", 50, sign)
        desktop.xdotool("mousemove", x + 84, y + 68, "sleep", 0.1, "click", 1, "sleep", 1.5)

    def echo(self, sign, presses, expected):
        """Plays `sign`, keys the presses (held ms) after it, and returns the
        echo line once it judges them, `expected` if all went well."""
        def keying():
            self.play(sign)
            self.line(ECHO, "^attendu [^,:]*$")  # no verdict yet
            desktop.xdotool(*train(*self.key(), presses), "sleep", 0.6)
        return key_sign(keying, lambda _: self.line(ECHO, "juste|frappé"), expected)

    def assert_docked(self):
        x, y, w, h = desktop.geometry(self.window)
        desktop.wait_for(lambda: desktop.geometry(self.panel)[:2] == (x, y + h), 5, "panel docked", fail=False)
        self.assertEqual(desktop.geometry(self.panel)[:3], (x, y + h, w))

    def test_1_opens_with_the_option_docked_under_the_window(self):
        self.assert_docked()
        self.assertEqual(self.line(SIGN, "Aucun"), "Aucun signe manipulé")

    def test_2_ten_dots_of_100_ms_calibrate_at_12_words_a_minute(self):
        start = time.monotonic()
        desktop.xdotool(*train(*self.key(), [100] * 10, 150))
        # A stall of the machine may hold a dot that much longer.
        stalled_ms = Session.stalls.stalled(start, time.monotonic()) * 1000
        text = self.line(ELEMENTS, r"mots/min")
        wpm = float(re.search(r"([\d,]+) mots/min", text).group(1).replace(",", "."))
        self.assertLessEqual(wpm, 12.5, msg=text)
        self.assertGreaterEqual(wpm, 1200 / (100 + stalled_ms / 10) - 0.5, msg=f"{text}, {stalled_ms:.0f} ms stalled")
        spread = r"\d+" if stalled_ms else r"\d"
        self.assertRegex(self.line(SIGN, "Calibrage"), rf"^Calibrage : 10 points, écart {spread} %$")

    def test_3_a_k_keyed_after_hearing_it_is_judged_and_right(self):
        x, y, _, _ = desktop.geometry(self.window)
        desktop.xdotool("mousemove", x + 262, y + 40, "sleep", 0.1, "click", 1, "sleep", 0.3)  # calibration off
        self.assertEqual(self.echo("k", [300, 100, 300], "attendu K : juste"), "attendu K : juste")
        self.assertRegex(self.line(SIGN, "Signe K"), r"^Signe K : [\d,]+ mots/min, unité \d+ ms, note \d+/100$")
        self.assertRegex(self.line(ELEMENTS, "appuis"), r"^en unités : appuis [\d,]+ [\d,]+ [\d,]+, espaces")

    def test_4_a_wrong_sign_after_hearing_k_is_named(self):
        self.assertEqual(self.echo("k", [100, 300, 100], "attendu K, frappé R"), "attendu K, frappé R")

    def test_5_ctrl_keys_still_key_after_a_click_on_the_panel(self):
        px, py, _, _ = desktop.geometry(self.panel)
        desktop.xdotool("mousemove", px + 200, py + 150, "sleep", 0.1, "click", 1, "sleep", 0.3)

        def keying():
            desktop.xdotool("keydown", "ctrl", "sleep", 0.1, "keyup", "ctrl", "sleep", 0.6)
        shown = key_sign(keying, lambda _: self.line(SIGN, "^Signe E", timeout=3).split(" :")[0], "Signe E")
        self.assertEqual(shown, "Signe E")

    def test_6_follows_the_window_when_dragged(self):
        x, y, _, _ = desktop.geometry(self.window)
        desktop.xdotool("mousemove", x + 30, y + 200, "sleep", 0.1, "mousedown", 1, "sleep", 0.1,
                        "mousemove", x + 90, y + 150, "sleep", 0.1, "mousemove", x + 130, y + 120, "sleep", 0.2,
                        "mouseup", 1, "sleep", 0.5)
        self.assertNotEqual(desktop.geometry(self.window)[:2], (x, y))
        self.assert_docked()
        self.assertIn("_NET_WM_STATE_ABOVE", desktop.net_wm_state(self.panel))

    def test_7_the_menu_closes_and_opens_it(self):
        x, y, _, _ = desktop.geometry(self.window)
        desktop.xdotool("mousemove", x + 30, y + 200, "sleep", 0.1, "click", 3, "sleep", 0.5, "key", "r")
        desktop.wait_for(lambda: desktop.window_gone("Rythme"), 5, "panel closed")
        desktop.xdotool("mousemove", x + 30, y + 200, "sleep", 0.1, "click", 3, "sleep", 0.5, "key", "r")
        type(self).panel = desktop.find_window("Rythme")
        self.assert_docked()
        # Closing lost nothing of the record.
        self.assertRegex(self.line(SIGN, "Signe E"), "^Signe E")


if __name__ == "__main__":
    unittest.main(verbosity=2)
