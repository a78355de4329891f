"""What the end-to-end tests share: one private desktop, with a screen
reader's view of it, for a whole test module, and a test case that runs the
trainer on it for a whole class and reads the trainer's fields."""

import os
import sys
import time
import unittest

from desktop import Accessible, Desktop
from stall_watch import StallWatch

PROGRAM = os.environ.get("KLAVET", "build/bin/klavet")
TITLE = " Trelin  Klavet"


class Session:
    """The module's desktop, its accessibility reader, and a watch on the
    machine's stalls."""
    desktop = None
    access = None
    stalls = None

    @classmethod
    def open(cls):
        cls.stalls = StallWatch()
        cls.desktop = Desktop()
        cls.access = Accessible(cls.desktop)
        return cls.desktop, cls.access

    @classmethod
    def close(cls):
        if cls.desktop:
            cls.desktop.close()
        if cls.stalls:
            cls.stalls.close()


def key_sign(keying, read, expected, attempts=3):
    """Calls `keying`, which keys a sign, and returns `read(expected)`, what
    the trainer then shows. Where that is not `expected` and the machine
    stalled while keying, the press lengths it got were not the ones sent: it
    keys again, once a new sign is due."""
    for attempt in range(1, attempts + 1):
        start = time.monotonic()
        keying()
        stalled = Session.stalls.stalled(start, time.monotonic())
        shown = read(expected)
        if shown == expected or not stalled or attempt == attempts:
            return shown
        print(f"[ keyed again ] {shown!r} after the machine stalled {stalled * 1000:.0f} ms", file=sys.stderr)
        time.sleep(1.5)


def share_session(module):
    """Gives a test module, by its globals, the names `desktop` and `access`
    and the module set-up that opens them for its run and closes them."""
    def set_up():
        module["desktop"], module["access"] = Session.open()

    module.update(desktop=None, access=None, setUpModule=set_up, tearDownModule=Session.close)


class TrainerCase(unittest.TestCase):
    """One run of the trainer, shown at the standard scale, for the class."""

    @classmethod
    def setUpClass(cls):
        desktop = Session.desktop
        cls.proc = desktop.start(PROGRAM)
        cls.window = desktop.find_window(TITLE)
        cls.app = Session.access.application("klavet")
        desktop.wait_for(lambda: desktop.geometry(cls.window)[2] == 394, 10, "window size")

    @classmethod
    def tearDownClass(cls):
        if cls.proc.poll() is None:
            cls.proc.kill()
            cls.proc.wait()

    def origin(self):
        x, y, _, _ = Session.desktop.geometry(self.window)
        return x, y

    def field(self, description):
        return Session.access.find(self.app, description)

    def wait_name(self, description, expected, timeout=10):
        node = self.field(description)
        Session.desktop.wait_for(lambda: node.name == expected, timeout, f"{description!r} = {expected!r}",
                                 fail=False)
        return node.name
