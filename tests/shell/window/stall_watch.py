"""Whether the machine stalled: a thread asks to sleep a millisecond at a time
and notes each time it woke much later. Presses sent through xdotool while
the machine stalled may reach the trainer held longer or shorter than asked,
so a sign keyed then may be read as another; the cases key it again then, and
only then. It measures; it mends nothing."""

import threading
import time


class StallWatch:
    def __init__(self, shortest=0.015):
        self._shortest = shortest
        self._stalls = []  # (start, end) in time.monotonic()
        self._lock = threading.Lock()
        self._stopping = threading.Event()
        self._thread = threading.Thread(target=self._watch, daemon=True)
        self._thread.start()

    def _watch(self):
        before = time.monotonic()
        while not self._stopping.is_set():
            time.sleep(0.001)
            now = time.monotonic()
            if now - before - 0.001 >= self._shortest:
                with self._lock:
                    self._stalls.append((before, now))
            before = now

    def stalled(self, start, end):
        """The seconds of the stalls noted that overlap start to end."""
        with self._lock:
            return sum(b - a for a, b in self._stalls if b > start and a < end)

    def close(self):
        self._stopping.set()
        self._thread.join()
