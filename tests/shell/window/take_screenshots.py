#!/usr/bin/python3
"""Takes the README's screenshots of the real trainer on a private desktop:
at rest, with the key held down, and with the help box open."""

import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop  # noqa: E402

program = sys.argv[1] if len(sys.argv) > 1 else "build/bin/klavet"
out = sys.argv[2] if len(sys.argv) > 2 else "docs"
os.makedirs(out, exist_ok=True)
desktop = Desktop(800, 600)
try:
    proc = desktop.start(program)
    window = desktop.find_window(" Trelin  Klavet")
    desktop.xdotool("windowmove", "--sync", window, 300, 200, "sleep", 0.5)
    x, y, w, h = desktop.geometry(window)
    crop = f"{w + 20}x{h + 20}+{x - 10}+{y - 10}"

    def shot(name, area=crop):
        raw = desktop.screenshot(os.path.join(desktop.dir, "root.png"))
        subprocess.run(["convert", raw, "-crop", area, "+repage", os.path.join(out, name)], check=True)

    desktop.xdotool("mousemove", x + 140, y + 200, "sleep", 0.5)
    shot("klavet.png")
    desktop.xdotool("mousemove", x + 268, y + 96, "sleep", 0.3, "mousedown", 1, "sleep", 0.5)
    shot("klavet-pressed.png")
    desktop.xdotool("mouseup", 1, "sleep", 0.3, "mousemove", x + 60, y + 40, "click", 1)
    desktop.find_window("propos de klavet28")
    desktop.xdotool("sleep", 0.5)
    shot("help.png", "660x420+100+100")
    proc.kill()
finally:
    desktop.close()
