"""The history of an offline run: one row per iteration, written as CSV and read back, drawn
as a PNG, or handed to numpy and pandas."""
import csv
import math
import os
import re
from typing import TYPE_CHECKING, Any, Dict, List, Mapping, Optional, Sequence, Tuple, Union

if TYPE_CHECKING:  # matplotlib, numpy and pandas stay optional
    from matplotlib.figure import Figure

from Varnex2Python.capture import cell as _cell

__all__ = ["History", "RUN_COLUMNS", "PlotUnavailable", "split_unit", "read_csv"]

Value = Union[int, float, bool, str, None]
PathLike = Union[str, "os.PathLike[str]"]

# The run data recorded at the end of every iteration, in column order.
RUN_COLUMNS = ("iteration", "time", "timeStep", "residual", "converged")

_HEADER_UNIT = re.compile(r"^(.*\S) \[([^\[\]]*)\]$")
_INT_TEXT = re.compile(r"^[-+]?\d+$")
_LABEL_WIDTH = 60  # characters of a panel title before the middle of a path is elided


class PlotUnavailable(RuntimeError):
    """matplotlib, which plots need, is not installed."""


def split_unit(header: str) -> Tuple[str, Optional[str]]:
    """A CSV header's column name and unit: ``"Pump/Pump1/Speed [rpm]"`` gives
    ``("Pump/Pump1/Speed", "rpm")``, a header without a bracketed unit ``(header, None)``."""
    match = _HEADER_UNIT.match(header)
    return (match.group(1), match.group(2)) if match else (header, None)


def _parse_cell(text: str) -> Value:
    """The value ``_cell`` wrote: empty is None, true/false are booleans, digits an int,
    other numbers (with a point, an exponent, nan or inf) floats, anything else text."""
    if text == "":
        return None
    if text in ("true", "false"):
        return text == "true"
    if _INT_TEXT.match(text):
        return int(text)
    try:
        return float(text)
    except ValueError:
        return text


def _float(value: Value) -> float:
    return float(value) if isinstance(value, (int, float)) else math.nan


def _shorten(name: str, width: int = _LABEL_WIDTH) -> str:
    """A long path with its middle segments elided: ``Plant/…/Pump1/Speed``."""
    if len(name) <= width:
        return name
    parts = name.split("/")
    head, tail = parts[:1], parts[1:]
    while len(tail) > 1 and len("/".join(head + ["…"] + tail)) > width:
        tail = tail[1:]
    short = "/".join(head + ["…"] + tail)
    return short if len(short) <= width else "…" + name[-(width - 1):]


class History:
    """What a run recorded: ``rows`` (dicts keyed by ``columns``), the monitored columns
    and their ``units``, the texts the script showed, the events raised and how the run ended.

    ``outcome`` is "finished" (the run ended by itself or after the iterations asked for),
    "cancelled" (the script stopped the solve), "error" (the script raised; ``error``
    holds the exception) or "unknown" (read from a CSV, which does not hold it).

    ``units`` maps a column name to its unit text; CSV headers and plot labels show it
    (``Pump/Pump1/Speed [rpm]``) while ``columns``, ``column()`` and the rows keep the
    plain names.
    """

    def __init__(self, monitors: Sequence[str] = (), transient: bool = False,
                 units: Optional[Mapping[str, str]] = None) -> None:
        self.monitors: List[str] = list(monitors)
        self.columns: List[str] = list(RUN_COLUMNS) + self.monitors
        self.units: Dict[str, str] = {name: unit for name, unit in (units or {}).items() if unit}
        self.rows: List[Dict[str, Value]] = []
        self.transient = transient
        self.messages: List[Tuple[str, str]] = []
        self.events: List[Tuple[int, int]] = []  # (event, iteration) in the order raised
        self.outcome = "running"
        self.error: Optional[BaseException] = None

    def __len__(self) -> int:
        return len(self.rows)

    def __repr__(self) -> str:
        return "<History %s: %d rows, columns %s>" % (self.outcome, len(self.rows), ", ".join(self.columns))

    def header(self, name: str) -> str:
        """The column's name with its unit, as the CSV header and the plot show it."""
        unit = self.units.get(name)
        return "%s [%s]" % (name, unit) if unit else name

    def column(self, name: str) -> List[Value]:
        """The values of one column, row by row; KeyError names the columns."""
        if name not in self.columns:
            raise KeyError("no column %r; the columns are %s" % (name, ", ".join(self.columns)))
        return [row.get(name) for row in self.rows]

    def column_float(self, name: str) -> List[float]:
        """The values of one column as floats: numbers (and booleans as 0.0 and 1.0) as they
        are, missing values and texts as nan."""
        return [_float(value) for value in self.column(name)]

    # Files.

    def to_csv(self, path: PathLike) -> None:
        """Writes the rows with a header line (names with their units); floats as their
        shortest exact text, booleans as true/false, missing values empty."""
        with open(path, "w", newline="", encoding="utf-8") as stream:
            writer = csv.writer(stream)
            writer.writerow([self.header(name) for name in self.columns])
            for row in self.rows:
                writer.writerow([_cell(row.get(name)) for name in self.columns])

    @classmethod
    def from_csv(cls, path: PathLike, transient: Optional[bool] = None) -> "History":
        """Reads a history CSV written by ``to_csv`` (headers with or without units) back
        into rows of ints, floats, booleans, texts and None. ``transient`` defaults to
        whether the time column takes more than one value; ``outcome`` is "unknown"."""
        with open(path, newline="", encoding="utf-8") as stream:
            reader = csv.reader(stream)
            try:
                headers = next(reader)
            except StopIteration:
                raise ValueError("%s: empty file, not a history CSV" % os.fspath(path)) from None
            cells = list(reader)
        split = [split_unit(header) for header in headers]
        names = [name for name, _ in split]
        if tuple(names[:len(RUN_COLUMNS)]) != RUN_COLUMNS:
            raise ValueError("%s: not a history CSV: the first columns must be %s, found %s"
                             % (os.fspath(path), ", ".join(RUN_COLUMNS), ", ".join(headers)))
        history = cls(names[len(RUN_COLUMNS):], units={name: unit for name, unit in split if unit})
        for number, line in enumerate(cells, start=2):
            if len(line) != len(names):
                raise ValueError("%s, line %d: %d values for %d columns" % (os.fspath(path), number, len(line),
                                                                             len(names)))
            history.rows.append({name: _parse_cell(text) for name, text in zip(names, line)})
        history.transient = len(set(history.column("time"))) > 1 if transient is None else transient
        history.outcome = "unknown"
        return history

    # Arrays.

    def to_numpy(self) -> Dict[str, Any]:
        """One numpy array per column, keyed by plain name: float64 for columns of numbers
        (missing values as nan), bool for columns of booleans only, object otherwise."""
        try:
            import numpy
        except ImportError as error:
            raise ImportError("History.to_numpy() needs numpy, which is not installed: pip install numpy") from error
        arrays: Dict[str, Any] = {}
        for name in self.columns:
            values = self.column(name)
            if all(isinstance(v, bool) for v in values) and values:
                arrays[name] = numpy.array(values, dtype=bool)
            elif all(v is None or (isinstance(v, (int, float)) and not isinstance(v, bool)) for v in values):
                arrays[name] = numpy.array([_float(v) for v in values], dtype=numpy.float64)
            else:
                arrays[name] = numpy.array(values, dtype=object)
        return arrays

    def to_frame(self) -> Any:
        """A pandas DataFrame: one column per history column (plain names, the dtypes of
        ``to_numpy()``), one row per iteration."""
        try:
            import pandas  # type: ignore[import-untyped, unused-ignore]
        except ImportError as error:
            raise ImportError("History.to_frame() needs pandas, which is not installed: pip install pandas") from error
        return pandas.DataFrame(self.to_numpy(), columns=self.columns)

    # Plots.

    def figure(self, title: Optional[str] = None, *, setpoints: Optional[Mapping[str, float]] = None,
               tolerance: Optional[float] = None) -> "Figure":
        """The plot as a matplotlib Figure (see ``plot``), to adjust or show before saving."""
        try:
            from matplotlib.figure import Figure
        except ImportError as error:
            raise PlotUnavailable("plots need matplotlib, which is not installed: "
                                  "pip install 'Varnex2Python[plot]' (or pip install matplotlib)") from error
        numeric = [name for name in self.monitors
                   if any(isinstance(v, (int, float)) for v in self.column(name))]
        unknown = sorted(set(setpoints or {}) - set(numeric))
        if unknown:
            raise KeyError("set-points for %s: not a plotted monitor; the plotted monitors are %s"
                           % (", ".join(unknown), ", ".join(numeric) or "none"))
        x_label = "time [s]" if self.transient else "iteration"
        x = self.column_float("time" if self.transient else "iteration")
        figure = Figure(figsize=(8, 2.6 + 2.2 * len(numeric)))
        axes = [row[0] for row in figure.subplots(1 + len(numeric), 1, squeeze=False, sharex=True)]
        residual = axes[0]
        residual.semilogy(x, [r if r > 0 else math.nan for r in self.column_float("residual")], marker=".")
        residual.set_ylabel("residual")
        residual.grid(True, which="both", alpha=0.3)
        residual.set_title(title or "%s run, %d iterations (%s)" % (
            "transient" if self.transient else "steady", len(self.rows), self.outcome))
        if tolerance is not None:
            residual.axhline(tolerance, color="tab:green", linestyle="--", linewidth=1,
                             label="tolerance %g" % tolerance)
        for panel, name in zip(axes[1:], numeric):
            panel.plot(x, self.column_float(name), marker=".")
            panel.set_title(_shorten(self.header(name)), fontsize=9, loc="left")
            unit = self.units.get(name)
            leaf = name.rsplit("/", 1)[-1]  # the attribute's own name, with its unit
            panel.set_ylabel("%s [%s]" % (leaf, unit) if unit else leaf)
            panel.grid(True, alpha=0.3)
            if setpoints and name in setpoints:
                panel.axhline(setpoints[name], color="tab:orange", linestyle="--", linewidth=1,
                              label="set-point %g" % setpoints[name])
        if self.outcome == "cancelled" and self.rows:
            for panel in axes:
                panel.axvline(x[-1], color="tab:red", linestyle=":", linewidth=1.2, label="stopped by the script")
        for panel in axes:
            if panel.get_legend_handles_labels()[0]:
                panel.legend(fontsize=8, loc="best")
        axes[-1].set_xlabel(x_label)
        figure.tight_layout()
        return figure

    def plot(self, path: PathLike, title: Optional[str] = None, *, setpoints: Optional[Mapping[str, float]] = None,
             tolerance: Optional[float] = None) -> None:
        """Writes a PNG: the residual on a log scale, then one panel per numeric monitored
        column titled with its path and unit, all against the iteration (steady) or the time
        (transient). ``setpoints`` (monitor name to value) are drawn as dashed lines in
        their panels, ``tolerance`` as a line in the residual's; a run the script stopped
        shows a dotted line at its last row. Needs matplotlib
        (``pip install Varnex2Python[plot]``)."""
        figure = self.figure(title, setpoints=setpoints, tolerance=tolerance)
        figure.savefig(os.fspath(path), dpi=100)

    def summary(self) -> str:
        """One paragraph: how the run ended, where, its residual and what the script showed."""
        if not self.rows:
            return "%s before the first iteration" % self.outcome
        last = self.rows[-1]
        where = "iteration %s" % last["iteration"]
        if self.transient:
            where += ", t = %g s" % _float(last["time"])
        residual = last["residual"]
        return "%s after %d iterations (%s): residual %s, %s; %d messages" % (
            self.outcome, len(self.rows), where,
            "%.3g" % residual if isinstance(residual, float) else residual,
            "converged" if last["converged"] else "not converged", len(self.messages))


def read_csv(path: PathLike) -> List[Dict[str, str]]:
    """The rows of a history CSV as dicts of text keyed by plain column names (for checks
    and comparisons)."""
    with open(path, newline="", encoding="utf-8") as stream:
        reader = csv.reader(stream)
        names = [split_unit(header)[0] for header in next(reader, [])]
        return [dict(zip(names, line)) for line in reader]
