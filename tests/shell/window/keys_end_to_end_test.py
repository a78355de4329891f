#!/usr/bin/python3
"""End to end: the key's other sources on the real trainer, on a private
desktop: the Ctrl keys from xdotool's key events, a held key let up when the
window is minimised, hidden, deactivated or loses the keyboard, and the
serial-port key's option with a port that cannot serve."""

import ctypes
import os
import pty
import socket
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from trainer_case import PROGRAM, TITLE, TrainerCase, key_sign, share_session  # noqa: E402

RESULT = "Résultat : le signe manipulé ou écouté"
SIGN_BOX = "Tapez le signe à écouter puis à reproduire"

share_session(globals())


def ctrl_train(code, dot_ms=60, dash_ms=250, gap_ms=100):
    """xdotool steps keying a code with the left Ctrl key."""
    steps = []
    for element in code:
        held = dot_ms if element == "." else dash_ms
        steps += ["keydown", "ctrl", "sleep", held / 1000, "keyup", "ctrl", "sleep", gap_ms / 1000]
    return steps


class KeyboardGrab:
    """Another client, holding the keyboard grabbed while the block runs."""

    def __enter__(self):
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XGrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                      ctypes.c_ulong]
        x11.XUngrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x11 = x11
        self.display = x11.XOpenDisplay(desktop.env["DISPLAY"].encode())
        if not self.display:
            raise RuntimeError("no display")
        if x11.XGrabKeyboard(self.display, x11.XDefaultRootWindow(self.display), 0, 1, 1, 0) != 0:
            raise RuntimeError("keyboard not grabbed")
        x11.XSync(self.display, 0)
        return self

    def __exit__(self, *exc):
        self.x11.XUngrabKeyboard(self.display, 0)
        self.x11.XSync(self.display, 0)
        self.x11.XCloseDisplay(self.display)


class CtrlKeys(TrainerCase):
    """One run of the trainer keyed with the Ctrl keys, its steps in order."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        desktop.xdotool("windowactivate", "--sync", cls.window, "sleep", 0.3)

    def sign_box(self):
        text = self.field(SIGN_BOX).queryText()
        return text.getText(0, -1)

    def click(self, dx, dy):
        x, y = self.origin()
        desktop.xdotool("mousemove", x + dx, y + dy, "sleep", 0.1, "click", 1, "sleep", 0.2)

    def type_sign(self, sign):
        self.click(52, 68)  # the click empties the sign box
        desktop.xdotool("type", "--delay", 50, sign)
        desktop.wait_for(lambda: self.sign_box() == sign, 5, f"sign box {sign!r}")

    def key_ctrl(self, code, sign):
        """Keys `code` with the left Ctrl key, once a new sign is due, and
        returns the result shown, `sign` if all went well."""
        return key_sign(lambda: desktop.xdotool("sleep", 0.6, *ctrl_train(code)),
                        lambda expected: self.wait_name(RESULT, expected), sign)

    def test_1_calibrate_then_key_k_with_the_sign_box_focused(self):
        # Ten calibration dots of 60 ms: the unit becomes about 54 ticks.
        steps = ["sleep", 0.2]
        for _ in range(10):
            steps += ["keydown", "ctrl", "sleep", 0.06, "keyup", "ctrl", "sleep", 0.14]
        desktop.xdotool(*steps)
        self.click(262, 40)  # calibration off
        self.type_sign("e")
        self.assertEqual(self.key_ctrl("-.-", "K"), "K")
        self.assertEqual(self.sign_box(), "e")

    def test_2_tone_sounds_while_ctrl_is_held(self):
        desktop.listen()
        start = time.monotonic()
        desktop.xdotool("keydown", "ctrl", "sleep", 0.6, "keyup", "ctrl")
        released = time.monotonic()
        time.sleep(0.7)
        self.assertGreater(desktop.loudest(start + 0.15, released - 0.05), 3000)
        self.assertEqual(desktop.loudest(released + 0.3, released + 0.7), 0)

    def test_3_mouse_press_during_a_held_ctrl_changes_nothing(self):
        x, y = self.origin()
        desktop.xdotool("mousemove", x + 268, y + 96, "sleep", 0.6)
        # One long press by Ctrl, with a short mouse press inside it: one dash.
        desktop.xdotool("keydown", "ctrl", "sleep", 0.03, "mousedown", 1, "sleep", 0.03, "mouseup", 1,
                        "sleep", 0.2, "keyup", "ctrl", "sleep", 0.1)
        self.assertEqual(self.wait_name(RESULT, "T"), "T")

    def test_4_ctrl_c_and_ctrl_v_keep_their_meaning_in_the_sign_box(self):
        self.type_sign("q")
        desktop.xdotool("key", "ctrl+a", "sleep", 0.1, "key", "ctrl+c", "sleep", 0.2)
        self.click(52, 68)
        desktop.wait_for(lambda: self.sign_box() == "", 5, "sign box emptied")
        desktop.xdotool("key", "ctrl+v", "sleep", 0.2)
        desktop.wait_for(lambda: self.sign_box() == "q", 5, "pasted", fail=False)
        self.assertEqual(self.sign_box(), "q")

    def test_5_ctrl_key_let_up_when_another_client_grabs_the_keyboard(self):
        desktop.xdotool("sleep", 0.6, "keydown", "ctrl", "sleep", 0.25)
        # The release goes to the grabbing client, and the grab is too short
        # for the toolkit to deactivate the window.
        with KeyboardGrab():
            desktop.xdotool("keyup", "ctrl")
        self.assertEqual(self.wait_name(RESULT, "T"), "T")
        # The next press keys as usual: the key was not left down.
        self.assertEqual(self.key_ctrl(".", "E"), "E")

    def hold_through_a_loss(self, source, *loss):
        """Holds the key down with the mouse or the left Ctrl key, makes the
        loss, holds on, then lets go. The tone must stop with the loss."""
        x, y = self.origin()
        desktop.xdotool("mousemove", x + 268, y + 96, "sleep", 0.6)
        down, up = (["mousedown", 1], ["mouseup", 1]) if source == "mouse" else (["keydown", "ctrl"],
                                                                                 ["keyup", "ctrl"])
        desktop.listen()
        desktop.xdotool(*down, "sleep", 0.25)
        desktop.xdotool(*loss)
        lost = time.monotonic()
        time.sleep(0.7)
        heard = desktop.loudest(lost + 0.3, time.monotonic())
        desktop.xdotool(*up)
        self.assertEqual(heard, 0, "the tone sounded on after the loss")

    def key_again(self):
        """After a loss: the dash keyed until then shows, and the key keys."""
        desktop.xdotool("windowactivate", "--sync", self.window, "sleep", 0.3)
        self.assertEqual(self.wait_name(RESULT, "T"), "T")
        self.assertEqual(self.key_ctrl(".", "E"), "E")

    def test_6_held_key_let_up_when_the_window_is_minimised(self):
        for source in ("mouse", "ctrl"):
            with self.subTest(source=source):
                self.hold_through_a_loss(source, "windowminimize", self.window)
                self.key_again()

    def test_7_held_key_let_up_when_the_desktop_is_shown(self):
        # The desktop's key: with a Ctrl key held it would be another key.
        self.hold_through_a_loss("mouse", "key", "super+d")
        desktop.xdotool("key", "super+d", "sleep", 0.3)
        self.key_again()

    def test_8_held_key_let_up_when_another_window_is_activated(self):
        other = desktop.start("xmessage", args=["-geometry", "+600+600", "another window"])
        try:
            message = desktop.find_window("xmessage")
            for source in ("mouse", "ctrl"):
                with self.subTest(source=source):
                    self.hold_through_a_loss(source, "windowactivate", message)
                    self.key_again()
        finally:
            other.kill()
            other.wait()

    def test_9_space_keys_the_contact_once_tabbed_to(self):
        desktop.xdotool("windowactivate", "--sync", self.window, "sleep", 0.3)
        self.type_sign("r")
        # Back from the sign box to the contact, then a K with dashes held
        # long past the keyboard's repeat delay: repeats are no presses.
        desktop.xdotool("key", "shift+Tab", "sleep", 0.3)
        steps = []
        for element in "-.-":
            held = 0.9 if element == "-" else 0.06
            steps += ["keydown", "space", "sleep", held, "keyup", "space", "sleep", 0.1]
        self.assertEqual(key_sign(lambda: desktop.xdotool(*steps), lambda sign: self.wait_name(RESULT, sign), "K"),
                         "K")
        self.assertEqual(self.sign_box(), "r")


class KeyPort(unittest.TestCase):
    """--key-port with a port that cannot serve: one line, and a trainer that
    keys with the mouse and the Ctrl keys."""

    def run_with_port(self, port, expected_line):
        proc = desktop.start(PROGRAM, stderr=subprocess.PIPE, args=["--key-port", port])
        try:
            window = desktop.find_window(TITLE)
            app = access.application("klavet")
            desktop.wait_for(lambda: desktop.geometry(window)[2] == 394, 10, "window size")
            result = access.find(app, RESULT)
            x, y, _, _ = desktop.geometry(window)
            # A press begins a new sign and empties the result field.
            desktop.xdotool("mousemove", x + 268, y + 96, "sleep", 0.3, "click", 1, "sleep", 0.3)
            desktop.wait_for(lambda: result.name == "", 5, "mouse keys", fail=False)
            self.assertEqual(result.name, "")
            desktop.xdotool("mousemove", x + 340, y + 242, "sleep", 0.1, "click", 1)  # quits
            desktop.wait_for(lambda: proc.poll() is not None, 10, "program ended")
            self.assertEqual(proc.stderr.read().splitlines(), [expected_line])
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()

    def test_missing_port(self):
        self.run_with_port("/dev/ttyUSB-klavet-none",
                           "klavet: port du manipulateur /dev/ttyUSB-klavet-none : introuvable ; il servira dès "
                           "qu'il sera branché")

    def test_socket_with_an_odd_name_is_opened_as_named_and_said_on_one_line(self):
        # A name that is not UTF-8 and holds a newline: still the file named,
        # which exists and is no port.
        with tempfile.TemporaryDirectory() as work:
            name = os.fsencode(work) + b"/key\nport\xe9"
            listening = socket.socket(socket.AF_UNIX)
            try:
                listening.bind(name)
                self.run_with_port(name, f"klavet: port du manipulateur {work}/key\\nport\\xe9 : pas un port série")
            finally:
                listening.close()

    def test_pseudo_terminal(self):
        master, slave = pty.openpty()
        try:
            name = os.ttyname(slave)
            self.run_with_port(name, f"klavet: port du manipulateur {name} : pas de lignes de modem (pas un port série)")
        finally:
            os.close(master)
            os.close(slave)


if __name__ == "__main__":
    unittest.main(verbosity=2)
