"""The history of an offline run: one row per iteration, written as CSV or drawn as a PNG."""
import csv
import math
import os
from typing import Dict, List, Mapping, Optional, Sequence, Tuple, Union

__all__ = ["History", "RUN_COLUMNS", "PlotUnavailable"]

Value = Union[int, float, bool, str, None]
PathLike = Union[str, "os.PathLike[str]"]

# The run data recorded at the end of every iteration, in column order.
RUN_COLUMNS = ("iteration", "time", "timeStep", "residual", "converged")


class PlotUnavailable(RuntimeError):
    """matplotlib, which plots need, is not installed."""


def _cell(value: Value) -> str:
    if value is None:
        return ""
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, float):
        return repr(value)  # the shortest text that reads back as the same float
    return str(value)


class History:
    """What a run recorded: ``rows`` (dicts keyed by ``columns``), the monitored columns,
    the texts the script showed, the events raised and how the run ended.

    ``outcome`` is "finished" (the run ended by itself or after the iterations asked for),
    "cancelled" (the script stopped the solve) or "error" (the script raised; ``error``
    holds the exception).
    """

    def __init__(self, monitors: Sequence[str] = (), transient: bool = False,
                 units: Optional[Mapping[str, str]] = None) -> None:
        self.monitors: List[str] = list(monitors)
        self.units: Dict[str, str] = dict(units or {})
        self.columns: List[str] = list(RUN_COLUMNS) + self.monitors
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

    def column(self, name: str) -> List[Value]:
        """The values of one column, row by row."""
        if name not in self.columns:
            raise KeyError("no column %r; the columns are %s" % (name, ", ".join(self.columns)))
        return [row.get(name) for row in self.rows]

    def to_csv(self, path: PathLike) -> None:
        """Writes the rows with a header line; floats as their shortest exact text, booleans
        as true/false, missing values empty."""
        with open(path, "w", newline="", encoding="utf-8") as stream:
            writer = csv.writer(stream)
            writer.writerow(self.columns)
            for row in self.rows:
                writer.writerow([_cell(row.get(name)) for name in self.columns])

    def _numeric(self, name: str) -> List[float]:
        values = []
        for value in self.column(name):
            if isinstance(value, (int, float)):
                values.append(float(value))
            else:
                values.append(math.nan)
        return values

    def plot(self, path: PathLike, title: Optional[str] = None) -> None:
        """Writes a PNG: the residual on a log scale against the iteration, then one panel per
        numeric monitored column, against the iteration (steady) or the time (transient). Needs matplotlib
        (``pip install Varnex2Python[plot]``)."""
        try:
            import matplotlib

            matplotlib.use("Agg")
            from matplotlib import pyplot
        except ImportError as error:
            raise PlotUnavailable("plots need matplotlib, which is not installed: "
                                  "pip install 'Varnex2Python[plot]' (or pip install matplotlib)") from error
        numeric = [name for name in self.monitors
                   if any(isinstance(v, (int, float)) for v in self.column(name))]
        iterations = self._numeric("iteration")
        x_name = "time" if self.transient else "iteration"
        x = self._numeric(x_name)
        figure, axes = pyplot.subplots(1 + len(numeric), 1, squeeze=False, figsize=(8, 2.6 + 2.2 * len(numeric)))
        residual = axes[0][0]
        residual.semilogy(iterations, [r if r > 0 else math.nan for r in self._numeric("residual")], marker=".")
        residual.set_ylabel("residual")
        residual.set_xlabel("iteration")
        residual.grid(True, which="both", alpha=0.3)
        residual.set_title(title or "%s run, %d iterations (%s)" % (
            "transient" if self.transient else "steady", len(self.rows), self.outcome))
        for panel, name in zip(axes[1:], numeric):
            panel[0].plot(x, self._numeric(name), marker=".")
            panel[0].set_ylabel(name, fontsize=8)
            panel[0].set_xlabel("time [s]" if self.transient else "iteration")
            panel[0].grid(True, alpha=0.3)
        figure.tight_layout()
        figure.savefig(os.fspath(path), dpi=100)
        pyplot.close(figure)

    def summary(self) -> str:
        """One paragraph: how the run ended, where, its residual and what the script showed."""
        if not self.rows:
            return "%s before the first iteration" % self.outcome
        last = self.rows[-1]
        where = "iteration %s" % last["iteration"]
        if self.transient:
            where += ", t = %g s" % float(last["time"] or 0.0)
        residual = last["residual"]
        return "%s after %d iterations (%s): residual %s, %s; %d messages" % (
            self.outcome, len(self.rows), where,
            "%.3g" % residual if isinstance(residual, float) else residual,
            "converged" if last["converged"] else "not converged", len(self.messages))


def read_csv(path: PathLike) -> List[Dict[str, str]]:
    """The rows of a history CSV as dicts of text (for checks and comparisons)."""
    with open(path, newline="", encoding="utf-8") as stream:
        return list(csv.DictReader(stream))
