"""Progress of an offline run: a tqdm bar on a terminal, plain lines elsewhere."""
import os
import sys
from typing import Any, Dict, Optional, TextIO, Tuple

__all__ = ["Progress"]

# Bar layouts: with a whole number of iterations to go through, and with an estimated one.
_COUNTED = "{percentage:3.0f}%|{bar}| {n_fmt}/{total_fmt} [{elapsed}<{remaining}, {rate_fmt}] {desc}"
_ESTIMATED = "{percentage:3.0f}%|{bar}| {n_fmt} it [{elapsed}<{remaining}, {rate_fmt}] {desc}"


def _bar_class() -> Any:
    """tqdm without its monitor thread (the runner refreshes the bar itself), or None."""
    try:
        from tqdm import tqdm  # type: ignore[import-untyped, unused-ignore]
    except ImportError:
        return None

    class Bar(tqdm):  # type: ignore[misc, unused-ignore]
        monitor_interval = 0

    return Bar


class Progress:
    """Shows how far a run is. ``update(fraction, text)`` after each iteration; ``line(text)``
    for a message, printed above the bar; ``close(fraction, text)`` at the end.

    On a terminal a tqdm bar shows the iterations done (of how many, when known), the
    elapsed time, the rate and the time remaining, then ``text``; it is redrawn at most ten
    times a second and always with the latest state. Elsewhere (a pipe, a file, CI logs, or
    without tqdm) a plain line is written at every tenth of the run, so logs stay short.

    ``done`` (iterations so far) defaults to the number of ``update`` calls, one per
    iteration; ``total`` (iterations of the whole run) defaults to ``done / fraction``,
    shown as ``done/total`` when that is a whole number (steady runs, ``--iterations``).
    """

    def __init__(self, stream: Optional[TextIO] = None, bar: Optional[bool] = None, enabled: bool = True) -> None:
        self.stream = stream if stream is not None else sys.stdout
        self._bar_type = _bar_class() if bar is not False else None
        wanted = self.stream.isatty() if bar is None else bar
        self.bar = bool(wanted and self._bar_type is not None)
        self.enabled = enabled
        self._tqdm: Any = None
        self._hidden = False  # the bar made way for the script's output
        self._started: Optional[float] = None
        self._last_tenth = -1
        self._last_line = ""
        # fraction, text, done, total: what the bar shows next
        self._state: Tuple[float, str, int, Optional[int]] = (0.0, "", 0, None)
        self._updates = 0

    def update(self, fraction: float, text: str, force: bool = False, *,
               done: Optional[int] = None, total: Optional[int] = None) -> None:
        """The run is at ``fraction`` (0 to 1), described by ``text``; ``force`` draws now."""
        if not self.enabled:
            return
        self._updates += 1
        self._show(fraction, text, force, self._updates if done is None else done, total)

    def _show(self, fraction: float, text: str, force: bool, done: int, total: Optional[int]) -> None:
        fraction = min(max(fraction, 0.0), 1.0)
        self._state = (fraction, text, done, total)
        if self.bar:
            self._draw(force)
            return
        tenth = int(fraction * 10)
        line = "[%3d%%] %s" % (round(fraction * 100), text)
        if (force or tenth > self._last_tenth) and line != self._last_line:
            self._last_tenth = tenth
            self._last_line = line
            self.stream.write(line + "\n")
            self.stream.flush()

    def _draw(self, force: bool) -> None:
        """Brings the bar to the latest state; tqdm redraws it when its interval has passed."""
        fraction, text, done, total = self._state
        estimate = total if total is not None else (done / fraction if fraction > 0 else None)
        counted = estimate is not None and abs(estimate - round(estimate)) < 1e-6
        settings = {"total": round(estimate) if counted and estimate is not None else estimate,
                    "bar_format": _COUNTED if counted else _ESTIMATED}
        force = self._end_partial_line() or force
        if self._tqdm is None:
            assert self._bar_type is not None  # self.bar says so
            again = self._started is not None  # after clear(): the elapsed time goes on
            self._tqdm = self._bar_type(file=self.stream, desc=text, initial=0 if again else done, position=0,
                                        mininterval=0.1, delay=1e-9 if again else 0.0, **self._width(), **settings)
            if not again:  # drawn by tqdm
                self._started = self._tqdm.start_t
                return
            self._tqdm.start_t = self._started
            force = True
        bar = self._tqdm
        bar.total, bar.bar_format = settings["total"], settings["bar_format"]
        bar.set_description_str(text, refresh=False)
        if force:
            bar.n = done
            bar.refresh()
        else:
            bar.update(done - bar.n)  # refreshes when tqdm's interval has passed

    def _width(self) -> Dict[str, Any]:
        """Follows the terminal's width; 80 columns where the terminal reports none."""
        try:
            columns = os.get_terminal_size(self.stream.fileno()).columns
        except (AttributeError, OSError, ValueError):
            return {}  # not a terminal: tqdm's fixed layout
        return {"dynamic_ncols": True} if columns > 0 else {"ncols": 80, "nrows": 24}

    def _end_partial_line(self) -> bool:
        """Ends a line the script left open, so that the bar does not overwrite it; True
        when the bar is to be drawn again."""
        if not self._hidden:
            return False
        self.stream.write("\n")
        self._hidden = False
        return True

    def clear(self) -> None:
        """Removes the bar so that other output starts on a clean line; the next update
        draws it again."""
        if self._tqdm is not None:
            self._end_partial_line()
            self._tqdm.leave = False
            self._tqdm.close()
            self._tqdm = None

    def line(self, text: str) -> None:
        """Writes a line of its own (a message the script showed) and draws the bar below
        it again, with its current state."""
        if self._tqdm is None:
            self.stream.write(text + "\n")
            self.stream.flush()
            return
        if self._hidden:
            self._end_partial_line()
        else:
            self._tqdm.clear()
        self.stream.write(text + "\n")
        self._tqdm.refresh()

    def write(self, text: str) -> int:
        """Output of the script while the bar is shown (print() is redirected here): the bar
        makes way, and comes back below each complete line."""
        if self._tqdm is None:
            return self.stream.write(text)
        if not self._hidden:
            self._tqdm.clear()
            self._hidden = True
        written = self.stream.write(text)
        if text.endswith("\n"):
            self._tqdm.refresh()
            self._hidden = False
        return written

    def flush(self) -> None:
        self.stream.flush()

    def close(self, fraction: float, text: str, *, done: Optional[int] = None, total: Optional[int] = None) -> None:
        """Draws the final state and ends the bar's line."""
        if not self.enabled:
            return
        # The bar's own close draws the final state once.
        self._show(fraction, text, self._tqdm is None, self._updates if done is None else done, total)
        if self._tqdm is not None:
            self._end_partial_line()
            self._tqdm.n = self._state[2]
            self._tqdm.close()  # leave=True: the final bar stays, followed by a new line
            self._tqdm = None
