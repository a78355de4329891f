"""A private desktop for driving the real trainer: an X server (Xvfb) with
openbox, a session bus with the accessibility bus, and a PulseAudio server
whose only sink is a pipe that is kept drained. Everything is started here
and ended by its own process id when the desktop closes."""

import array
import os
import select
import shutil
import signal
import subprocess
import tempfile
import threading
import time


class Desktop:
    def __init__(self, width=1280, height=1024):
        self.dir = tempfile.mkdtemp(prefix="klavet-desktop-")
        self.procs = []
        self.env = dict(os.environ)
        for name in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR", "SESSION_MANAGER", "LC_ALL",
                     "LC_MESSAGES"):
            self.env.pop(name, None)
        # The trainer speaks French here, as designed, whatever the machine's
        # settings; a case that wants another language says so.
        self.env["LANGUAGE"] = "fr"
        self.env["LANG"] = "fr_FR.UTF-8"
        runtime = os.path.join(self.dir, "runtime")
        os.mkdir(runtime, 0o700)
        self.env["XDG_RUNTIME_DIR"] = runtime
        self.env["HOME"] = self.dir
        self._drain = None
        self._heard = None
        try:
            self._start_x(width, height)
            self._start_bus()
            self._start_sound()
        except Exception:
            self.close()
            raise

    # ---- start-up -------------------------------------------------------

    def _spawn(self, args, **kwargs):
        kwargs.setdefault("stdout", subprocess.DEVNULL)
        kwargs.setdefault("stderr", subprocess.DEVNULL)
        proc = subprocess.Popen(args, env=self.env, stdin=subprocess.DEVNULL, **kwargs)
        self.procs.append(proc)
        return proc

    def _start_x(self, width, height):
        read_end, write_end = os.pipe()
        self._spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
                     "-br", "-nolisten", "tcp", "-dpi", "96", "-noreset"], pass_fds=(write_end,))
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 30
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read_end], [], [], 1)
            if ready:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
        os.close(read_end)
        if not number.strip():
            raise RuntimeError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number.decode().strip()
        self._spawn(["openbox", "--sm-disable"])
        # openbox is up once it owns the window manager selection.
        self.wait_for(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False), 30, "openbox")
        self._settle_keyboard()

    def _settle_keyboard(self):
        """The first synthetic key on a new X server moves the core keyboard
        over to the XTEST device, and openbox takes its key bindings anew on
        that change: a key pressed before it has done so escapes them (an
        Alt+F4 then reaches the window, not openbox). So one harmless key
        first, then a round trip through openbox, which handles its events in
        order: once it has switched desktops, it has taken its bindings. The
        request is sent again until taken, since openbox owns the selection a
        little before it listens for requests."""
        self.xdotool("key", "shift")
        for number in (1, 0):
            def switched():
                self.xdotool("set_desktop", number)
                return self.run(["xprop", "-root", "_NET_CURRENT_DESKTOP"]).split("=")[-1].strip() == str(number)
            self.wait_for(switched, 30, "openbox switched desktops")

    def _start_bus(self):
        bus = self._spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                          stdout=subprocess.PIPE, text=True)
        address = bus.stdout.readline().strip()
        if not address:
            raise RuntimeError("no session bus")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        self._spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        self.env["NO_AT_BRIDGE"] = "0"

    def _start_sound(self):
        fifo = os.path.join(self.dir, "sink.fifo")
        os.mkfifo(fifo)
        fd = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
        self._stop = threading.Event()
        self._drain = threading.Thread(target=self._drain_fifo, args=(fd,), daemon=True)
        self._drain.start()
        socket = os.path.join(self.dir, "pa.sock")
        if shutil.which("pulseaudio"):
            self._spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                         "-L", f"module-native-protocol-unix socket={socket} auth-anonymous=1",
                         "-L", f"module-pipe-sink sink_name=cap file={fifo} format=s16le rate=48000 "
                               "channels=2 use_system_clock_for_timing=yes"])
            self.env["PULSE_SERVER"] = "unix:" + socket
            self.wait_for(lambda: os.path.exists(socket), 20, "pulseaudio", fail=False)

    def _drain_fifo(self, fd):
        while not self._stop.is_set():
            ready, _, _ = select.select([fd], [], [], 0.2)
            if ready:
                try:
                    data = os.read(fd, 4096)
                except BlockingIOError:
                    continue
                heard = self._heard
                if heard is not None and len(data) >= 2:
                    samples = array.array("h", data[:len(data) // 2 * 2])
                    heard.append((time.monotonic(), max(abs(v) for v in samples)))
        os.close(fd)

    def listen(self):
        """Keeps, from now on, when each block of the sound server's output
        came and its loudest sample."""
        self._heard = []

    def loudest(self, start, end):
        """The loudest sample (0 to 32768) heard between two monotonic times."""
        return max((peak for when, peak in list(self._heard or []) if start <= when <= end), default=0)

    # ---- use --------------------------------------------------------------

    def run(self, args, check=True, timeout=30):
        done = subprocess.run(args, env=self.env, stdin=subprocess.DEVNULL, capture_output=True,
                              text=True, timeout=timeout)
        if check and done.returncode != 0:
            raise RuntimeError(f"{args[0]} failed: {done.stderr.strip()}")
        return done.stdout

    def start(self, program, extra_env=None, stderr=subprocess.DEVNULL, args=()):
        env = dict(self.env)
        env.update(extra_env or {})
        proc = subprocess.Popen([program, *args], env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=stderr, text=True)
        self.procs.append(proc)
        return proc

    @staticmethod
    def wait_for(condition, timeout, what, fail=True, step=0.05):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if condition():
                return True
            time.sleep(step)
        if fail:
            raise TimeoutError(f"waited {timeout} s for {what}")
        return False

    def find_window(self, name, timeout=30):
        """The id of the visible window whose title contains name."""
        found = []

        def look():
            out = self.run(["xdotool", "search", "--onlyvisible", "--name", name], check=False)
            found[:] = [int(w) for w in out.split()]
            return bool(found)

        self.wait_for(look, timeout, f"window {name!r}")
        return found[0]

    def window_gone(self, name):
        out = self.run(["xdotool", "search", "--onlyvisible", "--name", name], check=False)
        return not out.split()

    def geometry(self, window):
        """(x, y, width, height) of the window on the screen."""
        out = self.run(["xwininfo", "-id", str(window)])
        values = {}
        for line in out.splitlines():
            if ":" in line:
                key, _, value = line.partition(":")
                values[key.strip()] = value.strip()
        return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
                int(values["Width"]), int(values["Height"]))

    def net_wm_state(self, window):
        return self.run(["xprop", "-id", str(window), "_NET_WM_STATE"], check=False)

    def xdotool(self, *steps):
        self.run(["xdotool", *[str(s) for s in steps]], timeout=120)

    def screenshot(self, path):
        self.run(["import", "-window", "root", path])
        return path

    @staticmethod
    def pixels(path, points):
        """The RGB values of the given points of a PNG, read with ImageMagick."""
        spec = " ".join(f"%[pixel:p{{{x},{y}}}]" for x, y in points)
        out = subprocess.run(["convert", path, "-depth", "8", "-format", spec, "info:"],
                             capture_output=True, text=True, check=True).stdout
        result = []
        for word in out.split():
            inner = word[word.index("(") + 1:word.index(")")]
            result.append(tuple(int(float(v)) for v in inner.split(",")[:3]))
        return result

    @staticmethod
    def signature(path, x, y, width, height):
        """A hash of the pixels of a rectangle of a PNG."""
        return subprocess.run(["convert", path, "-crop", f"{width}x{height}+{x}+{y}", "+repage",
                               "-format", "%#", "info:"], capture_output=True, text=True, check=True).stdout

    def close(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.send_signal(signal.SIGTERM)
        deadline = time.monotonic() + 5
        for proc in reversed(self.procs):
            try:
                proc.wait(max(0.1, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        if self._drain:
            self._stop.set()
            self._drain.join(2)
        shutil.rmtree(self.dir, ignore_errors=True)


class Accessible:
    """Reads the trainer's fields the way a screen reader does, over AT-SPI."""

    def __init__(self, desktop):
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = desktop.env["DBUS_SESSION_BUS_ADDRESS"]
        os.environ["DISPLAY"] = desktop.env["DISPLAY"]
        import pyatspi  # needs the session bus set above
        self.pyatspi = pyatspi

    def application(self, name, timeout=30):
        found = []

        def look():
            desktop = self.pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.name == name:
                    found[:] = [app]
                    return True
            return False

        Desktop.wait_for(look, timeout, f"application {name!r} on the accessibility bus", step=0.2)
        return found[0]

    def listen(self, event_type):
        """Collects (type, description, name) of the events of this type and
        of their sources, from now on."""
        from gi.repository import GLib
        self.context = GLib.MainContext.default()
        if not hasattr(self, "events"):
            self.events = []

        def record(event):
            try:
                self.events.append((event.type, event.source.description, event.source.name))
            except Exception:  # the source may be gone already
                pass

        self.pyatspi.Registry.registerEventListener(record, event_type)

    def pump(self, seconds, event_type=""):
        """Lets the events come in for a while; those of the type, taken."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            while self.context.iteration(False):
                pass
            time.sleep(0.01)
        taken = [e for e in self.events if e[0].startswith(event_type)]
        self.events = [e for e in self.events if not e[0].startswith(event_type)]
        return taken

    def descendants(self, node):
        for i in range(node.childCount):
            child = node.getChildAtIndex(i)
            if child is None:
                continue
            yield child
            yield from self.descendants(child)

    def find(self, app, description):
        """The accessible whose description is the given text."""
        for node in self.descendants(app):
            if node.description == description:
                return node
        raise LookupError(description)
