#!/usr/bin/python3
"""The trainer in the learner's language, on a private desktop and read over
AT-SPI as a screen reader reads it: French for French settings, English for
every other, LANGUAGE before LANG; the captions, the help box and the
descriptions change, the keying and the playback do not."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "window"))
from trainer_case import PROGRAM, TITLE, share_session  # noqa: E402

share_session(globals())

FRENCH = {"help": "Aide", "calibrate": "Calibrage", "sign box": "Signe à étudier",
          "result": "Résultat : le signe manipulé ou écouté", "code": "Code du signe écouté",
          "about": "À propos de klavet28", "ok": "OK", "title": "Entraînement à la télégraphie"}
ENGLISH = {"help": "Help", "calibrate": "Calibrate", "sign box": "Sign to learn",
           "result": "Result: the sign keyed or played", "code": "Code of the sign played",
           "about": "About klavet28", "ok": "OK", "title": "Morse sending practice"}

SETTINGS = [
    ({"LANG": "fr_FR.UTF-8"}, FRENCH),
    ({"LANG": "en_US.UTF-8"}, ENGLISH),
    ({"LANG": "de_DE.UTF-8"}, ENGLISH),
    ({"LANG": "C"}, ENGLISH),
    ({"LANGUAGE": "fr", "LANG": "en_US.UTF-8"}, FRENCH),
    ({"LANGUAGE": "en", "LANG": "fr_FR.UTF-8"}, ENGLISH),
]


class Languages(unittest.TestCase):
    def run_in(self, settings, words):
        env = {"LANGUAGE": "", **settings}
        proc = desktop.start(PROGRAM, extra_env=env)
        try:
            window = desktop.find_window(TITLE)
            desktop.wait_for(lambda: desktop.geometry(window)[2] == 394, 10, "window size")
            app = access.application("klavet")
            names = [node.name for node in access.descendants(app)]
            for key in ("help", "calibrate", "sign box"):
                self.assertTrue(any((name or "").strip() == words[key] for name in names), (key, names))
            x, y, _, _ = desktop.geometry(window)
            # The same sign plays and shows the same, in any language.
            desktop.xdotool("mousemove", x + 52, y + 68, "sleep", 0.1, "click", 1, "sleep", 0.2,
                            "type", "i")
            desktop.xdotool("mousemove", x + 84, y + 68, "sleep", 0.1, "click", 1, "sleep", 0.8)
            result, code = access.find(app, words["result"]), access.find(app, words["code"])
            desktop.wait_for(lambda: code.name == "..", 10, "code shown", fail=False)
            self.assertEqual((result.name, code.name), ("I", ".."))
            # A press on the key begins a new sign, which empties the result.
            desktop.xdotool("mousemove", x + 268, y + 96, "sleep", 0.1, "click", 1)
            desktop.wait_for(lambda: result.name == "", 5, "the key keys", fail=False)
            self.assertEqual(result.name, "")
            # The help box, in the same language.
            desktop.xdotool("mousemove", x + 57, y + 40, "sleep", 0.1, "click", 1)
            desktop.find_window("klavet28")
            desktop.wait_for(lambda: any(node.name == words["title"] for node in access.descendants(app)), 10,
                             "the help box's texts", fail=False)
            names = [node.name for node in access.descendants(app)] + [app.getChildAtIndex(i).name
                                                                       for i in range(app.childCount)]
            self.assertIn(words["title"], names)
            self.assertIn(words["about"], names)
            desktop.xdotool("key", "Escape", "sleep", 0.3)
        finally:
            proc.kill()
            proc.wait()

    def test_each_setting_speaks_its_language(self):
        for settings, words in SETTINGS:
            with self.subTest(settings=settings):
                self.run_in(settings, words)


if __name__ == "__main__":
    unittest.main(verbosity=2)
