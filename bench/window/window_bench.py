#!/usr/bin/python3
"""Window benchmark, run by `make bench`. On a private desktop, for the
trainer (ticks counted from the clock) and a baseline (one tick per firing
of a plain 1 ms Qt timer): the CPU the idle window uses, the difference
between the ticks counted for a press and its real length as the X server
time-stamped it, for mouse presses on the contact and for presses of the
left Ctrl key, the time from start to the window shown, and the peak
memory. Prints the figures."""

import argparse
import os
import statistics
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "shell", "window"))
from desktop import Desktop  # noqa: E402

TITLE = " Trelin  Klavet"
PRESSES_MS = [30, 40, 50, 60, 80, 100, 120, 150, 200, 250, 300, 400, 500]
ROUNDS = 2
IDLE_SECONDS = 10
TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def peak_memory_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return float("nan")


class Lines:
    """Collects the lines a process prints, on a thread."""

    def __init__(self, stream):
        self.lines = []
        self.lock = threading.Lock()
        threading.Thread(target=self._read, args=(stream,), daemon=True).start()

    def _read(self, stream):
        for line in stream:
            with self.lock:
                self.lines.append(line.split())

    def take(self):
        with self.lock:
            taken, self.lines = self.lines, []
        return taken


def start_and_show(desktop, program):
    """Starts the program; returns it, its output and the seconds to its window shown."""
    started = time.monotonic()
    proc = desktop.start(program)
    desktop.wait_for(lambda: not desktop.window_gone(TITLE), 30, "window", step=0.005)
    return proc, time.monotonic() - started


def measure(desktop, program, recorder_lines):
    env = dict(desktop.env)
    started = time.monotonic()
    proc = subprocess.Popen([program], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, text=True)
    desktop.procs.append(proc)
    output = Lines(proc.stdout)
    window = desktop.find_window(TITLE)
    shown = time.monotonic() - started
    time.sleep(2)
    before = cpu_seconds(proc.pid)
    time.sleep(IDLE_SECONDS)
    idle = (cpu_seconds(proc.pid) - before) / IDLE_SECONDS * 100

    x, y, _, _ = desktop.geometry(window)
    recorder_lines.take()
    output.take()
    steps = ["mousemove", x + 268, y + 96, "sleep", 0.3]
    for _ in range(ROUNDS):
        for ms in PRESSES_MS:
            steps += ["mousedown", 1, "sleep", ms / 1000, "mouseup", 1, "sleep", 0.15]
    ticks, real, writes = press_lengths(desktop, steps, recorder_lines, output, "press", "release")

    desktop.xdotool("windowactivate", "--sync", window, "sleep", 0.3)
    steps = []
    for _ in range(ROUNDS):
        for ms in PRESSES_MS:
            steps += ["keydown", "ctrl", "sleep", ms / 1000, "keyup", "ctrl", "sleep", 0.15]
    ctrl_ticks, ctrl_real, ctrl_writes = press_lengths(desktop, steps, recorder_lines, output, "keypress",
                                                       "keyrelease")
    units = [int(words[2]) for words in writes + ctrl_writes if words and words[0] == "TxtVit"]
    lateness = decode_lateness(desktop, x, y, units[-1], recorder_lines, output)
    peak = peak_memory_mib(proc.pid)
    proc.terminate()
    proc.wait(5)
    asked = PRESSES_MS * ROUNDS
    return {"shown": shown, "idle": idle, "ticks": ticks, "real": real, "asked": asked, "peak": peak,
            "late": lateness, "ctrl_ticks": ctrl_ticks, "ctrl_real": ctrl_real}


def press_lengths(desktop, steps, recorder_lines, output, press, release):
    """Makes the presses; returns the ticks the trainer counted for each, the
    lengths the X server's stamps give, and the trainer's other writes."""
    recorder_lines.take()
    output.take()
    desktop.xdotool(*steps)
    time.sleep(0.5)
    stamps = recorder_lines.take()
    writes = output.take()
    ticks = [int(words[2]) for words in writes if words and words[0] == "Text2"]
    real = []
    pressed = None
    for kind, stamp in stamps:
        if kind == press:
            pressed = int(stamp)
        elif kind == release and pressed is not None:
            real.append(int(stamp) - pressed)
            pressed = None
    return ticks, real, writes


def decode_lateness(desktop, x, y, unit, recorder_lines, output):
    """Training mode, single dots ("E") with long gaps: how long after the
    tick that decodes it (3 units + 1 after the release, on the X server's
    clock, which is the same monotonic clock here) the sign is written."""
    desktop.xdotool("mousemove", x + 262, y + 40, "sleep", 0.1, "click", 1, "sleep", 0.5)
    recorder_lines.take()
    output.take()
    steps = ["mousemove", x + 268, y + 96, "sleep", 0.3]
    for _ in range(8):
        steps += ["mousedown", 1, "sleep", 0.04, "mouseup", 1, "sleep", 0.6 + 6 * unit / 1000]
    desktop.xdotool(*steps)
    releases = [int(stamp) for kind, stamp in recorder_lines.take() if kind == "release"]
    shown = [int(words[1]) / 1000 for words in output.take() if words[0] == "Label7" and words[2] == "E"]
    late = []
    for release in releases:
        due = release + 3 * unit + 1
        after = [t for t in shown if t >= release]
        if after:
            late.append(after[0] - due)
    return late


def row(name, values):
    print(f"  {name:<44}" + "".join(f"{v:>20}" for v in values))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--trainer", required=True)
    parser.add_argument("--baseline", required=True)
    parser.add_argument("--real", required=True)
    parser.add_argument("--recorder", required=True)
    args = parser.parse_args()

    desktop = Desktop()
    try:
        recorder = desktop._spawn([args.recorder], stdout=subprocess.PIPE, text=True)
        recorder_lines = Lines(recorder.stdout)
        desktop.wait_for(lambda: any(w == ["ready"] for w in recorder_lines.lines), 10, "recorder")
        recorder_lines.take()

        results = {"clocked ticks": measure(desktop, args.trainer, recorder_lines),
                   "plain 1 ms QTimer": measure(desktop, args.baseline, recorder_lines)}
        starts = []
        for _ in range(3):
            proc, seconds = start_and_show(desktop, args.real)
            starts.append(seconds)
            proc.terminate()
            proc.wait(5)
    finally:
        desktop.close()

    print("\nWindow benchmark (private Xvfb + openbox desktop, presses made with xdotool)")
    names = list(results)
    row("", names)
    row("idle window CPU, % of one core (goal <= 1)", [f"{r['idle']:.2f}" for r in results.values()])
    for name in names:
        r = results[name]
        if len(r["ticks"]) != len(r["real"]):
            print(f"  {name}: {len(r['ticks'])} press lengths shown for {len(r['real'])} presses")
        if len(r["ctrl_ticks"]) != len(r["ctrl_real"]):
            print(f"  {name}: {len(r['ctrl_ticks'])} press lengths shown for {len(r['ctrl_real'])} Ctrl presses")
    diffs = {n: [t - m for t, m in zip(r["ticks"], r["real"])] for n, r in results.items()}
    ctrl_diffs = {n: [t - m for t, m in zip(r["ctrl_ticks"], r["ctrl_real"])] for n, r in results.items()}
    for source, by_name in (("mouse", diffs), ("Ctrl", ctrl_diffs)):
        row(f"{source}: presses measured", [len(d) for d in by_name.values()])
        row(f"{source}: ticks - real, worst |ms| (goal <= 2)",
            [max((abs(d) for d in v), default="-") for v in by_name.values()])
        row(f"{source}: ticks - real, median ms",
            [f"{statistics.median(v):.1f}" if v else "-" for v in by_name.values()])
        row(f"{source}: ticks - real, mean ms",
            [f"{sum(v) / len(v):.2f}" if v else "-" for v in by_name.values()])
        row(f"{source}: presses within 2 ms", [f"{sum(abs(d) <= 2 for d in v)}/{len(v)}" for v in by_name.values()])
    row("real length - xdotool's asked, worst |ms|",
        [max((abs(m - a) for m, a in zip(r["real"], r["asked"])), default="-") for r in results.values()])
    row("decode shown after its tick is due, worst ms", [f"{max(r['late']):.1f}" if r["late"] else "-"
                                                        for r in results.values()])
    row("decode shown after its tick is due, mean ms", [f"{sum(r['late']) / len(r['late']):.1f}"
                                                       if r["late"] else "-" for r in results.values()])
    row("start to window shown, s (bench build)", [f"{r['shown']:.3f}" for r in results.values()])
    row("peak memory (VmHWM), MiB", [f"{r['peak']:.1f}" for r in results.values()])
    print(f"  start to window shown, build/bin/klavet: best {min(starts):.3f} s, "
          f"worst {max(starts):.3f} s of {len(starts)}")
    print("\n  per press, asked ms: real ms -> ticks (clocked mouse | clocked Ctrl | plain mouse | plain Ctrl)")
    clocked, plain = results["clocked ticks"], results["plain 1 ms QTimer"]

    def pair(r, real, ticks, i):
        return f"{r[real][i] if i < len(r[real]) else '?'!s:>4} -> {r[ticks][i] if i < len(r[ticks]) else '?'!s:>4}"

    for i, asked in enumerate(clocked["asked"]):
        print(f"    {asked:>4}: " + "   |   ".join(pair(r, real, ticks, i) for r in (clocked, plain)
                                                   for real, ticks in (("real", "ticks"), ("ctrl_real", "ctrl_ticks"))))


if __name__ == "__main__":
    main()
