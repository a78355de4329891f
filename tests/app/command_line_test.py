"""The trainer's command line, run as a user runs it.

--help and --version answer on standard output and exit 0 with no display and
no sound server, reaching for neither; a mistake gets one line on standard
error and exit 2; a display that cannot be opened gets one line and exit 1;
Qt's own options, in the spellings the parser reads, reach the toolkit; the
manual page describes every option the help lists. The program is named by
the KLAVET variable, its version by KLAVET_VERSION, its manual page by
KLAVET_MANUAL.
"""

import os
import re
import select
import subprocess
import tempfile
import time
import unittest

KLAVET = os.environ["KLAVET"]
VERSION = os.environ["KLAVET_VERSION"]
MANUAL = os.environ["KLAVET_MANUAL"]


def bare_env(**extra):
    """The environment with no display, no platform choice, a sound server
    that does not exist, and the C locale, in which the trainer speaks
    English."""
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE", "LC_ALL", "LC_MESSAGES")}
    env["LANG"] = "C"
    env["PULSE_SERVER"] = "unix:/nonexistent/klavet-test-sound"
    env["SDL_AUDIODRIVER"] = "dummy"
    env.update(extra)
    return env


def run(args, env=None):
    return subprocess.run([KLAVET, *args], env=env if env is not None else bare_env(),
                          stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=60)


def free_display():
    """A display name with no X server behind it."""
    with open("/proc/net/unix") as f:
        sockets = f.read()
    for n in range(1000, 2000):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock") \
                and f"/tmp/.X11-unix/X{n}\n" not in sockets:
            return f":{n}"
    raise RuntimeError("no free display number")


class XServer:
    """A private Xvfb on a display number of its own choosing."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "640x480x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], 30)
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip():
            self.close()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    def close(self):
        self.proc.terminate()
        self.proc.wait()


class Trainer:
    """The trainer started in the background, ended when done with."""

    def __init__(self, args, env):
        self.proc = subprocess.Popen([KLAVET, *args], env=env, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)

    def wait_for_library(self, name):
        """Waits until the process has loaded the shared library `name`;
        False when it ends first or takes more than 30 s."""
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline and self.proc.poll() is None:
            try:
                with open(f"/proc/{self.proc.pid}/maps") as f:
                    if name in f.read():
                        return True
            except OSError:
                pass
            time.sleep(0.05)
        return False

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
        _, err = self.proc.communicate()
        return err


def assert_one_line(test, result, code, named):
    """The program exited with `code`, printed nothing on standard output and
    one line on standard error, beginning "klavet: " and naming `named`."""
    test.assertEqual(result.returncode, code, result.stderr)
    test.assertEqual(result.stdout, "")
    lines = result.stderr.splitlines()
    test.assertEqual(len(lines), 1, result.stderr)
    test.assertTrue(lines[0].startswith("klavet: "), lines[0])
    test.assertIn(named, lines[0])


class HelpAndVersion(unittest.TestCase):
    def answer(self, option):
        """Runs klavet with `option`, which must succeed quietly on standard error."""
        result = run([option])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, "")
        return result

    def test_help_lists_the_options_on_standard_output(self):
        for option in ("--help", "-h"):
            with self.subTest(option=option):
                result = self.answer(option)
                self.assertTrue(result.stdout.startswith("Usage: klavet [options]\n"), result.stdout)
                for listed in ("--version", "--key-port <port>", "--platform <name>", "--display <display>",
                               "--session <id>"):
                    self.assertIn(listed, result.stdout)

    def test_version_is_the_projects(self):
        for option in ("--version", "-v"):
            with self.subTest(option=option):
                self.assertEqual(self.answer(option).stdout, f"klavet {VERSION}\n")

    def test_answers_reach_for_no_server(self):
        # Neither the display nor the sound server is contacted: no connect()
        # at all, even with both available in the environment.
        with tempfile.TemporaryDirectory() as work:
            for option in ("--help", "--version"):
                with self.subTest(option=option):
                    trace = os.path.join(work, option.strip("-"))
                    env = bare_env(DISPLAY=":0")
                    del env["SDL_AUDIODRIVER"]
                    # The leak checker cannot work under ptrace; the other
                    # cases run these answers with it.
                    env["ASAN_OPTIONS"] = "detect_leaks=0"
                    result = subprocess.run(["strace", "-f", "-qq", "-e", "trace=connect,socket", "-o", trace,
                                             KLAVET, option], env=env, stdin=subprocess.DEVNULL,
                                            capture_output=True, text=True, timeout=60)
                    self.assertEqual(result.returncode, 0, result.stderr)
                    with open(trace) as f:
                        self.assertEqual(f.read(), "")

    def test_manual_page_describes_every_option(self):
        listed = re.findall(r"^  (?:-\w, )?--([\w-]+)", run(["--help"]).stdout, re.MULTILINE)
        self.assertIn("help", listed)
        with open(MANUAL) as f:
            manual = f.read()
        for option in listed:
            # An option's entry in the OPTIONS section: a tagged paragraph
            # whose tag, in roff, spells every dash as "\-".
            roff = r"\\-".join(re.escape(word) for word in option.split("-"))
            self.assertRegex(manual, r"\.TP\n\.B[IR]? .*\\-\\-" + roff + r"\b", option)


class Mistakes(unittest.TestCase):
    def test_each_mistake_gets_one_line_and_exit_2(self):
        cases = {
            ("--bogus",): "bogus",
            ("-x",): "'x'",
            ("lesson",): "lesson",
            ("--help", "--bogus"): "bogus",
            ("-platform",): "platform",
            ("--display",): "display",
            ("--key-port",): "--key-port",
            ("--key-port=",): "--key-port",
            ("--key-port", "/dev/ttyS0", "--key-port", "/dev/ttyS1"): "twice",
            # What the user typed is shown, on one line, whatever it holds.
            ("--bo\ngus",): "'bo\\ngus'",
            ("le\x1b[2Jcon",): "'le\\x1b[2Jcon'",
            (b"le\xe7on",): "'le\\xe7on'",
        }
        for args, named in cases.items():
            with self.subTest(args=args):
                assert_one_line(self, run(list(args)), 2, named)


class WriteErrors(unittest.TestCase):
    def test_an_answer_that_cannot_be_written_is_said_with_exit_1(self):
        for option in ("--help", "--version"):
            with self.subTest(option=option), open("/dev/full", "w") as full:
                result = subprocess.run([KLAVET, option], env=bare_env(), stdin=subprocess.DEVNULL,
                                        stdout=full, stderr=subprocess.PIPE, text=True, timeout=60)
                self.assertEqual(result.returncode, 1)
                self.assertEqual(result.stderr, "klavet: write error: No space left on device\n")


class NoDisplay(unittest.TestCase):
    def assert_one_line_exit_1(self, result, named):
        assert_one_line(self, result, 1, named)

    def test_without_display_variable(self):
        self.assert_one_line_exit_1(run([]), "DISPLAY")
        self.assert_one_line_exit_1(run([], bare_env(QT_QPA_PLATFORM="xcb")), "DISPLAY")
        # On a Wayland session the trainer still goes through X.
        self.assert_one_line_exit_1(run([], bare_env(WAYLAND_DISPLAY="wayland-klavet-test")), "DISPLAY")

    def test_display_with_no_server(self):
        nowhere = free_display()
        self.assert_one_line_exit_1(run([], bare_env(DISPLAY=nowhere)), f"'{nowhere}'")
        self.assert_one_line_exit_1(run(["-platform", "xcb"], bare_env(DISPLAY=nowhere)), f"'{nowhere}'")

    def test_display_option_overrides_the_variable(self):
        server = XServer()
        try:
            nowhere = free_display()
            self.assert_one_line_exit_1(run([f"--display={nowhere}"], bare_env(DISPLAY=server.display)),
                                        f"'{nowhere}'")
        finally:
            server.close()


class PlatformPlugins(unittest.TestCase):
    """A platform plugin that is not installed, or cannot reach its window
    system: one line naming it and X11, and exit 1, not Qt's abort."""

    def test_each_unusable_plugin_gets_one_line_and_exit_1(self):
        with tempfile.TemporaryDirectory() as runtime:
            cases = [(["-platform", "klavet-none"], {}, "'klavet-none'"),
                     (["--platform=wayland"], {}, "'wayland'"),
                     ([], {"QT_QPA_PLATFORM": "wayland"}, "'wayland'")]
            for args, extra, named in cases:
                with self.subTest(args=args, env=extra):
                    result = run(args, bare_env(XDG_RUNTIME_DIR=runtime, **extra))
                    assert_one_line(self, result, 1, named)
                    self.assertIn("X11 (the xcb plugin)", result.stderr)


class ToolkitOptions(unittest.TestCase):
    """Qt's options reach QApplication even in spellings Qt itself does not
    read ("--display=:1"), and a platform other than xcb needs no X display."""

    def test_display_option_opens_that_display(self):
        server = XServer()
        trainer = Trainer(["--display=" + server.display], bare_env())
        try:
            found = subprocess.run(["timeout", "30", "xdotool", "search", "--sync", "--onlyvisible", "--name",
                                    "Trelin"], env=bare_env(DISPLAY=server.display), capture_output=True, text=True)
            self.assertEqual(found.returncode, 0, "the window did not appear on " + server.display)
        finally:
            trainer.close()
            server.close()

    def test_platform_option_chooses_the_plugin(self):
        for args in (["-platform", "offscreen"], ["--platform=offscreen"]):
            with self.subTest(args=args):
                with tempfile.TemporaryDirectory() as runtime:
                    trainer = Trainer(args, bare_env(XDG_RUNTIME_DIR=runtime))
                    try:
                        loaded = trainer.wait_for_library("libqoffscreen.so")
                    finally:
                        err = trainer.close()
                self.assertTrue(loaded, "the offscreen plugin was not loaded: " + err)


if __name__ == "__main__":
    unittest.main(verbosity=2)
