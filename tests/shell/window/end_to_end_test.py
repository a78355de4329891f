#!/usr/bin/python3
"""End to end: the real trainer on a private desktop, driven with real
pointer events from xdotool and read through its pixels and over AT-SPI,
as a learner and a screen reader meet it."""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop  # noqa: E402
from trainer_case import PROGRAM, TITLE, TrainerCase, key_sign, share_session  # noqa: E402

BLACK = (0, 0, 0)

# The Motif window-manager hints: flags, then the allowed functions and the
# decorations asked for.
MWM_FUNCTIONS, MWM_DECORATIONS = 1, 2
MWM_ALL = 1
MWM_FUNC_MINIMIZE, MWM_FUNC_MAXIMIZE, MWM_FUNC_CLOSE = 8, 16, 32
MWM_DECOR_MINIMIZE, MWM_DECOR_MAXIMIZE = 32, 64

share_session(globals())


def press_train(x, y, presses, press_ms, gap_ms):
    """One xdotool call: move to (x, y), then the presses with their gaps."""
    steps = ["mousemove", x, y, "sleep", 0.2]
    for _ in range(presses):
        steps += ["mousedown", 1, "sleep", press_ms / 1000, "mouseup", 1, "sleep", gap_ms / 1000]
    return steps


def motif_hints(window):
    """(flags, functions, decorations) of a window's _MOTIF_WM_HINTS."""
    out = desktop.run(["xprop", "-id", str(window), "_MOTIF_WM_HINTS"])
    values = [int(v, 16) for v in out.split("=", 1)[1].split(",")]
    return values[0], values[1], values[2]


def wm_state(window):
    """"Normal", "Iconic" or "Withdrawn", as the window manager keeps it."""
    out = desktop.run(["xprop", "-id", str(window), "WM_STATE"], check=False)
    for line in out.splitlines():
        if "window state:" in line:
            return line.split(":", 1)[1].strip()
    return ""


class Trainer(TrainerCase):
    """One run of the trainer at the standard scale, its steps in order."""

    def test_1_window_is_rounded_and_shows_the_start_state(self):
        x, y, w, h = desktop.geometry(self.window)
        self.assertEqual((w, h), (394, 298))
        shot = desktop.screenshot(os.path.join(desktop.dir, "start.png"))
        outside = [(x + 6, y + 6), (x + 391, y + 150), (x + 200, y + 294), (x + 388, y + 288)]
        inside = [(x + 200, y + 7), (x + 7, y + 150), (x + 388, y + 150), (x + 200, y + 288), (x + 30, y + 30)]
        for point, colour in zip(outside, Desktop.pixels(shot, outside)):
            self.assertEqual(colour, BLACK, f"drawn outside the shape at {point}")
        for point, colour in zip(inside, Desktop.pixels(shot, inside)):
            self.assertNotEqual(colour, BLACK, f"not drawn inside the shape at {point}")
        self.assertEqual(self.field("Résultat : le signe manipulé ou écouté").name, "F")
        self.assertEqual(self.field("Code du signe écouté").name, "..-.")
        # The hidden tick counts change all the time but are never announced.
        access.listen("object:text-changed")
        self.assertEqual(access.pump(1.5, "object:text-changed"), [])

    def test_1b_window_matches_its_desktop_entry(self):
        # Docks and task bars pair a window with its launcher and icon by the
        # class of WM_CLASS and the entry's StartupWMClass.
        out = desktop.run(["xprop", "-id", str(self.window), "WM_CLASS"])
        window_class = out.split("=", 1)[1].split(",")[1].strip().strip('"')
        with open(os.environ["KLAVET_DESKTOP_ENTRY"], encoding="utf-8") as f:
            keys = dict(line.strip().split("=", 1) for line in f if "=" in line)
        self.assertEqual(keys.get("StartupWMClass"), window_class)

    def test_2_press_outside_the_shape_does_nothing(self):
        x, y = self.origin()
        desktop.xdotool("mousemove", x + 7, y + 7, "sleep", 0.1, "mousedown", 1, "sleep", 0.1,
                        "mousemove", x + 80, y + 60, "sleep", 0.1, "mouseup", 1, "sleep", 0.3)
        self.assertEqual(self.origin(), (x, y))
        self.assertNotIn("_NET_WM_STATE_ABOVE", desktop.net_wm_state(self.window))

    def test_3_calibrate_then_key_a(self):
        x, y = self.origin()
        key = (x + 268, y + 96)
        access.listen("object:property-change:accessible-name")
        # Ten calibration dots of 60 ms: the unit becomes about 54 ticks.
        desktop.xdotool(*press_train(*key, 10, 60, 140))
        desktop.xdotool("mousemove", x + 262, y + 40, "sleep", 0.1, "click", 1, "sleep", 0.3)
        self.assertEqual(self.wait_name("Résultat : le signe manipulé ou écouté", ""), "")
        # ".-": a dot, a short gap, a dash; the sign shows after three idle units.
        result = "Résultat : le signe manipulé ou écouté"
        shown = key_sign(lambda: desktop.xdotool("mousemove", *key, "sleep", 0.3, "mousedown", 1, "sleep", 0.06,
                                                 "mouseup", 1, "sleep", 0.1, "mousedown", 1, "sleep", 0.25,
                                                 "mouseup", 1, "sleep", 0.5),
                         lambda sign: self.wait_name(result, sign), "A")
        self.assertEqual(shown, "A")
        self.assertNotIn("_NET_WM_STATE_ABOVE", desktop.net_wm_state(self.window))
        # A screen reader was told of each change of the result field.
        result = [name for _, description, name in access.pump(0.5, "object:property-change:accessible-name")
                  if description == "Résultat : le signe manipulé ou écouté"]
        self.assertEqual(result[-2:], ["", "A"])

    def test_4_play_a_sign(self):
        x, y = self.origin()
        desktop.xdotool("mousemove", x + 52, y + 68, "sleep", 0.1, "click", 1, "sleep", 0.2)
        self.assertEqual(self.wait_name("Code du signe écouté", " "), " ")
        desktop.xdotool("type", "--delay", 50, "e")  # "type" takes every word after it
        desktop.xdotool("mousemove", x + 84, y + 68, "sleep", 0.1, "click", 1)
        self.assertEqual(self.wait_name("Code du signe écouté", "."), ".")
        # Playback showed "E"; the keyed "A" is still in the slots, and the
        # next gap tick writes it back.
        self.assertEqual(self.wait_name("Résultat : le signe manipulé ou écouté", "A"), "A")

    def test_4b_key_pressed_during_playback_waits_for_its_end(self):
        x, y = self.origin()
        access.pump(0.2, "object:property-change:accessible-name")
        # "0" sounds five dashes; the key is pressed while they sound.
        desktop.xdotool("mousemove", x + 52, y + 68, "sleep", 0.1, "click", 1, "sleep", 0.2)
        desktop.xdotool("type", "--delay", 50, "0")
        result_field = (x + 296, y + 56, 57, 41)
        before = desktop.screenshot(os.path.join(desktop.dir, "before.png"))
        desktop.xdotool("sleep", 0.2, "mousemove", x + 84, y + 68, "sleep", 0.1, "click", 1, "sleep", 0.4)
        # Mid-sign: the window shows the chosen sign and still answers.
        during = desktop.screenshot(os.path.join(desktop.dir, "during.png"))
        self.assertEqual(self.field("Code du signe écouté").name, " ")
        self.assertNotEqual(Desktop.signature(before, *result_field), Desktop.signature(during, *result_field))
        desktop.xdotool("mousemove", x + 268, y + 96, "sleep", 0.1, "mousedown", 1, "sleep", 0.1, "mouseup", 1)
        self.assertEqual(self.wait_name("Code du signe écouté", "-----"), "-----")
        events = access.pump(1.0, "object:property-change:accessible-name")
        order = [(d, n) for _, d, n in events]
        result, code = "Résultat : le signe manipulé ou écouté", "Code du signe écouté"
        self.assertIn((result, "0"), order)
        shown = order.index((result, "0"))
        played = order.index((code, "-----"))
        # The press cleared the result field only once the last dash had sounded.
        cleared = [i for i, event in enumerate(order) if event == (result, "") and i > shown]
        self.assertTrue(cleared)
        self.assertLess(shown, played)
        self.assertLess(played, cleared[0])

    def test_5_help_box_opens_modally_and_closes(self):
        x, y = self.origin()
        desktop.xdotool("mousemove", x + 60, y + 40, "sleep", 0.1, "click", 1)
        box = desktop.find_window("propos de klavet28")
        try:
            bx, by, bw, bh = desktop.geometry(box)
            self.assertEqual((bw, bh), (238, 312))
            self.assertEqual((bx, by), (156, 129))
            # The main window takes no input meanwhile: "X" does not quit.
            desktop.xdotool("mousemove", x + 340, y + 242, "sleep", 0.1, "click", 1, "sleep", 0.5)
            self.assertIsNone(self.proc.poll())
        finally:
            desktop.xdotool("windowactivate", "--sync", box, "sleep", 0.2, "key", "Escape")
        desktop.wait_for(lambda: desktop.window_gone("propos de klavet28"), 10, "help box closed")
        desktop.xdotool("mousemove", x + 60, y + 40, "sleep", 0.1, "click", 1)
        box = desktop.find_window("propos de klavet28")
        desktop.xdotool("windowactivate", "--sync", box, "sleep", 0.2, "key", "Return")
        desktop.wait_for(lambda: desktop.window_gone("propos de klavet28"), 10, "help box closed")

    def test_5b_help_box_cannot_stay_minimised(self):
        x, y = self.origin()
        desktop.xdotool("mousemove", x + 60, y + 40, "sleep", 0.1, "click", 1)
        box = desktop.find_window("propos de klavet28")
        try:
            # The box tells the window manager: close and move only.
            flags, functions, decorations = motif_hints(box)
            self.assertTrue(flags & MWM_FUNCTIONS and flags & MWM_DECORATIONS)
            self.assertFalse(functions & (MWM_ALL | MWM_FUNC_MINIMIZE | MWM_FUNC_MAXIMIZE))
            self.assertTrue(functions & MWM_FUNC_CLOSE)
            self.assertFalse(decorations & (MWM_ALL | MWM_DECOR_MINIMIZE | MWM_DECOR_MAXIMIZE))
            self.assertNotIn("MAXIMIZE", desktop.run(["xprop", "-id", str(box), "_NET_WM_ALLOWED_ACTIONS"]))
            # Minimised all the same, it comes back at a click on the main
            # window. The window manager may hand the focus to the main window
            # as the box goes, and that alone brings the box back: then it
            # may already be shown again by the time its state is read.
            desktop.xdotool("windowminimize", "--sync", box)
            state = wm_state(box)
            self.assertIn(state, ("Iconic", "Normal"))
            if state == "Iconic":
                desktop.xdotool("mousemove", x + 200, y + 150, "sleep", 0.1, "click", 1)
            desktop.wait_for(lambda: wm_state(box) == "Normal", 10, "help box shown again")
            # Still modal: "X" does not quit.
            desktop.xdotool("mousemove", x + 340, y + 242, "sleep", 0.1, "click", 1, "sleep", 0.5)
            self.assertIsNone(self.proc.poll())
        finally:
            desktop.xdotool("windowactivate", "--sync", box, "sleep", 0.2, "key", "Escape")
        desktop.wait_for(lambda: desktop.window_gone("propos de klavet28"), 10, "help box closed")

    def test_6_drag_moves_the_window_and_keeps_it_on_top(self):
        x, y = self.origin()
        desktop.xdotool("mousemove", x + 200, y + 280, "sleep", 0.2, "mousedown", 1, "sleep", 0.3,
                        "mousemove", x + 230, y + 290, "sleep", 0.2, "mousemove", x + 280, y + 310,
                        "sleep", 0.2, "mousemove", x + 300, y + 330, "sleep", 0.3, "mouseup", 1, "sleep", 0.5)
        desktop.wait_for(lambda: self.origin() != (x, y), 10, "window moved", fail=False)
        nx, ny = self.origin()
        self.assertLess(abs(nx - (x + 100)), 3)
        self.assertLess(abs(ny - (y + 50)), 3)
        self.assertIn("_NET_WM_STATE_ABOVE", desktop.net_wm_state(self.window))
        # A right press on the background does not move it.
        desktop.xdotool("mousemove", nx + 200, ny + 280, "sleep", 0.1, "mousedown", 3, "sleep", 0.1,
                        "mousemove", nx + 260, ny + 300, "sleep", 0.1, "mouseup", 3, "sleep", 0.3)
        self.assertEqual(self.origin(), (nx, ny))

    def test_6b_key_picture_shows_the_lever_down_while_held(self):
        x, y = self.origin()
        picture = (x + 64, y + 104, 241, 153)
        at_rest = desktop.screenshot(os.path.join(desktop.dir, "rest.png"))
        desktop.xdotool("mousemove", x + 268, y + 96, "sleep", 0.2, "mousedown", 1, "sleep", 0.3)
        try:
            held = desktop.screenshot(os.path.join(desktop.dir, "held.png"))
        finally:
            desktop.xdotool("mouseup", 1, "sleep", 0.3)
        released = desktop.screenshot(os.path.join(desktop.dir, "released.png"))
        self.assertNotEqual(Desktop.signature(at_rest, *picture), Desktop.signature(held, *picture))
        self.assertEqual(Desktop.signature(at_rest, *picture), Desktop.signature(released, *picture))

    def test_7_quit_button_ends_the_program(self):
        x, y = self.origin()
        desktop.xdotool("mousemove", x + 340, y + 242, "sleep", 0.1, "click", 1)
        desktop.wait_for(lambda: self.proc.poll() is not None, 10, "program ended")
        self.assertEqual(self.proc.returncode, 0)


class TrainerAtScaleTwo(unittest.TestCase):
    """The shape scales with the window at QT_SCALE_FACTOR=2."""

    def test_shape_follows_the_scale(self):
        proc = desktop.start(PROGRAM, {"QT_SCALE_FACTOR": "2"})
        try:
            window = desktop.find_window(TITLE)
            desktop.wait_for(lambda: desktop.geometry(window)[2] == 788, 10, "scaled window")
            x, y, w, h = desktop.geometry(window)
            self.assertEqual((w, h), (788, 596))
            shot = desktop.screenshot(os.path.join(desktop.dir, "scale2.png"))
            outside = [(x + 12, y + 12), (x + 782, y + 300), (x + 400, y + 585)]
            inside = [(x + 400, y + 14), (x + 14, y + 300), (x + 776, y + 300), (x + 400, y + 576)]
            for point, colour in zip(outside, Desktop.pixels(shot, outside)):
                self.assertEqual(colour, BLACK, f"drawn outside the shape at {point}")
            for point, colour in zip(inside, Desktop.pixels(shot, inside)):
                self.assertNotEqual(colour, BLACK, f"not drawn inside the shape at {point}")
            desktop.xdotool("mousemove", x + 680, y + 484, "sleep", 0.1, "click", 1)
            desktop.wait_for(lambda: proc.poll() is not None, 10, "program ended")
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()


class CloseRequest(unittest.TestCase):
    """Alt+F4, the desktop's close request, ends the trainer too."""

    def test_alt_f4_ends_the_program(self):
        proc = desktop.start(PROGRAM)
        try:
            window = desktop.find_window(TITLE)
            desktop.xdotool("windowactivate", "--sync", window, "sleep", 0.3, "key", "alt+F4")
            desktop.wait_for(lambda: proc.poll() is not None, 10, "program ended")
            self.assertEqual(proc.returncode, 0)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()


if __name__ == "__main__":
    unittest.main(verbosity=2)
