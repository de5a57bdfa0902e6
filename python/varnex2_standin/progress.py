"""Progress of an offline run: a bar redrawn in place on a terminal, plain lines elsewhere."""
import sys
import time
from typing import Optional, TextIO

__all__ = ["Progress"]


class Progress:
    """Shows how far a run is. ``update(fraction, text)`` after each iteration; ``line(text)``
    for a message, printed above the bar; ``close()`` at the end.

    On a terminal the bar is redrawn at most ten times a second. Elsewhere (a pipe, a file,
    CI logs) a plain line is written at every tenth of the run, so logs stay short.
    """

    WIDTH = 28

    def __init__(self, stream: Optional[TextIO] = None, bar: Optional[bool] = None, enabled: bool = True) -> None:
        self.stream = stream if stream is not None else sys.stdout
        self.bar = self.stream.isatty() if bar is None else bar
        self.enabled = enabled
        self._drawn = False
        self._last_draw = 0.0
        self._last_tenth = -1
        self._last_line = ""
        self._shown = (0.0, "")

    def update(self, fraction: float, text: str, force: bool = False) -> None:
        if not self.enabled:
            return
        fraction = min(max(fraction, 0.0), 1.0)
        if self.bar:
            now = time.monotonic()
            if force or now - self._last_draw >= 0.1:
                self._last_draw = now
                self._draw(fraction, text)
            return
        tenth = int(fraction * 10)
        line = "[%3d%%] %s" % (round(fraction * 100), text)
        if (force or tenth > self._last_tenth) and line != self._last_line:
            self._last_tenth = tenth
            self._last_line = line
            self.stream.write(line + "\n")
            self.stream.flush()

    def _draw(self, fraction: float, text: str) -> None:
        self._shown = (fraction, text)
        filled = int(round(fraction * self.WIDTH))
        self.stream.write("\r\x1b[K|%s%s| %3d%% %s" % ("#" * filled, "-" * (self.WIDTH - filled),
                                                     round(fraction * 100), text))
        self.stream.flush()
        self._drawn = True

    def clear(self) -> None:
        """Removes the bar so that other output starts on a clean line."""
        if self._drawn:
            self.stream.write("\r\x1b[K")
            self.stream.flush()
            self._drawn = False

    def line(self, text: str) -> None:
        """Writes a line of its own (a message the script showed) and redraws the bar below it."""
        drawn = self._drawn
        self.clear()
        self.stream.write(text + "\n")
        self.stream.flush()
        if drawn:
            self._draw(*self._shown)

    def write(self, text: str) -> int:
        """Output of the script while the bar is shown (print() is redirected here): the bar
        makes way, and is drawn again at the next update."""
        self.clear()
        return self.stream.write(text)

    def flush(self) -> None:
        self.stream.flush()

    def close(self, fraction: float, text: str) -> None:
        """Draws the final state and ends the bar's line."""
        if not self.enabled:
            return
        self.update(fraction, text, force=True)
        if self.bar and self._drawn:
            self.stream.write("\n")
            self.stream.flush()
            self._drawn = False
