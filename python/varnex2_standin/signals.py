"""What the runner writes into the model besides the script: start values (``set``), input
signals (``inputs``) and the values of a recorded run (``replay``).

Values are converted by the attribute's kind, from Python values or from text (the command
line, CSV cells); a value that does not fit is an error naming the place it came from.
"""
import csv
import math
import os
from typing import Any, Callable, Dict, Iterable, List, Mapping, Optional, Sequence, Tuple, Union

import Varnex2Python as vx
from Varnex2Python.capture import a_kind
from Varnex2Python.enums import AttributeType, Chronology

from varnex2_standin.history import RUN_COLUMNS, split_unit
from varnex2_standin.paths import Bound

__all__ = ["convert", "write", "Signals", "Trace", "start_values"]

Value = Union[int, float, bool, str]
FLOAT_MAX = 3.4028234663852886e38
KIND_NAMES = {AttributeType.Int: "an int", AttributeType.Bool: "a bool", AttributeType.Float: "a float",
               AttributeType.Double: "a double", AttributeType.String: "a string"}


def value_kind(attribute: vx.IAttribute) -> AttributeType:
    """The kind whose values the attribute holds (a shortcut's: its target's)."""
    return AttributeType(attribute.getAttributeType(True))


def convert(kind: int, value: Any, where: str) -> Value:
    """``value`` (a Python value or text) as a value of ``kind``; ValueError names ``where``."""
    kind = AttributeType(kind)

    def bad(what: str) -> ValueError:
        return ValueError("%s: %r is not %s (the attribute is %s)" % (where, value, what, KIND_NAMES[kind]))

    text = value.strip() if isinstance(value, str) else None
    if kind == AttributeType.String:
        return value if isinstance(value, str) else str(value)
    if kind == AttributeType.Bool:
        if isinstance(value, bool):
            return value
        if text is not None and text.lower() in ("true", "false", "1", "0"):
            return text.lower() in ("true", "1")
        if isinstance(value, int) and value in (0, 1):
            return bool(value)
        raise bad("true or false")
    if kind == AttributeType.Int:
        if isinstance(value, int) and not isinstance(value, bool):
            number = value
        elif isinstance(value, float) and value.is_integer():
            number = int(value)
        else:
            try:
                number = int(text) if text is not None else int("x")
            except ValueError:
                raise bad("an integer") from None
        if not -2 ** 31 <= number < 2 ** 31:
            raise bad("within the int range")
        return number
    if isinstance(value, bool) or not isinstance(value, (int, float, str)):
        raise bad("a number")
    try:
        number_f = float(value)
    except ValueError:
        raise bad("a number") from None
    if kind == AttributeType.Float and math.isfinite(number_f) and abs(number_f) > FLOAT_MAX:
        raise bad("within the float range")
    return number_f


def write(attribute: vx.IAttribute, kind: int, value: Value, chronology: int = Chronology.Current) -> None:
    """Writes a converted value through the attribute's setter of its kind."""
    setters: Dict[int, Callable[[Any, int], None]] = {AttributeType.Int: attribute.setIntValue, AttributeType.Bool: attribute.setBoolValue,
              AttributeType.Float: attribute.setFloatValue, AttributeType.Double: attribute.setDoubleValue,
              AttributeType.String: attribute.setStringValue}
    setters[kind](value, chronology)


def check_value_kind(kind: int, where: str) -> None:
    """ValueError naming ``where`` unless ``kind`` holds values (the runner writes as the
    solver does, so an attribute's access does not matter)."""
    if kind not in KIND_NAMES:
        raise ValueError("%s: the attribute is %s, not a value" % (where, a_kind(kind)))


# Start values.

def _node(entities: List[Dict[str, Any]], full_path: str) -> Optional[Dict[str, Any]]:
    nodes: Optional[List[Dict[str, Any]]] = entities
    found = None
    for name in full_path.split("/"):
        found = next((n for n in nodes or () if n.get("name") == name), None)
        if found is None:
            return None
        nodes = found.get("attributes")
    return found


def _json_value(value: Value) -> Any:
    if isinstance(value, float) and not math.isfinite(value):
        return "nan" if math.isnan(value) else ("inf" if value > 0 else "-inf")
    return value


def start_values(document: Dict[str, Any], values: Mapping[str, Tuple[str, Value]]) -> None:
    """Sets, in a model document, the start value (every chronology of the start) of each
    full path; ``values`` maps the path as given to (full path, converted value)."""
    for given, (full_path, value) in values.items():
        node = _node(document.get("entities", []), full_path)
        if node is None:  # resolved through the API, so only a model the document does not hold
            raise ValueError("set %r: the attribute %s is not in the model's document" % (given, full_path))
        node.pop("values", None)
        node["value"] = _json_value(value)


# Input signals and replayed traces: tables of a time or iteration column and value columns.

def _table(source: Any, what: str) -> Tuple[List[str], List[List[Any]]]:
    """Columns and rows of a CSV file or of a mapping of columns (a dict of lists, a DataFrame)."""
    if isinstance(source, (str, os.PathLike)):
        path = os.fspath(source)
        if not os.path.isfile(path):
            raise ValueError("%s: no file %s" % (what, path))
        try:
            with open(path, newline="", encoding="utf-8-sig") as stream:
                rows = list(csv.reader(stream))
        except (OSError, UnicodeDecodeError, csv.Error) as error:
            raise ValueError("%s: cannot read %s: %s" % (what, path, error)) from None
        if not rows:
            raise ValueError("%s: %s is empty" % (what, path))
        header = [split_unit(name)[0] for name in rows[0]]
        body = [row for row in rows[1:] if any(cell.strip() for cell in row)]
        for number, row in enumerate(body, 2):
            if len(row) != len(header):
                raise ValueError("%s: %s line %d has %d cells, the header %d" % (what, path, number, len(row), len(header)))
        return header, body
    if hasattr(source, "keys") and hasattr(source, "__getitem__"):
        header = [str(name) for name in source.keys()]
        columns = [list(source[name]) for name in source.keys()]
        lengths = {len(column) for column in columns}
        if len(lengths) > 1:
            raise ValueError("%s: the columns have different lengths (%s)"
                             % (what, ", ".join("%s: %d" % (n, len(c)) for n, c in zip(header, columns))))
        return header, [list(row) for row in zip(*columns)]
    raise TypeError("%s takes a CSV path or a mapping of columns, not %s" % (what, type(source).__name__))


def _empty(cell: Any) -> bool:
    return cell is None or (isinstance(cell, str) and not cell.strip()) or (isinstance(cell, float) and math.isnan(cell))


class _Column:
    """One attribute's samples: (x, value) with x the iteration or time, ascending."""

    def __init__(self, name: str, bound: Bound, kind: int, samples: List[Tuple[float, Value]]) -> None:
        self.name = name
        self.bound = bound
        self.kind = kind
        self.samples = samples

    def write(self, value: Value) -> None:
        self.bound.use(lambda attribute: write(attribute, self.kind, value))

    def at(self, x: float, interpolate: bool) -> Optional[Value]:
        """The value at x: held from the last sample at or before x (the first sample before it,
        the last after the end), or linear between samples for reals when ``interpolate``."""
        samples = self.samples
        if not samples:
            return None
        if x <= samples[0][0]:
            return samples[0][1]
        for (x0, v0), (x1, v1) in zip(samples, samples[1:]):
            if x < x1:
                if interpolate and self.kind in (AttributeType.Float, AttributeType.Double) and x1 > x0:
                    return float(v0) + (float(v1) - float(v0)) * (x - x0) / (x1 - x0)
                return v0
        return samples[-1][1]


def _resolve_columns(collection: vx.IEntityCollection, header: Sequence[str], rows: List[List[Any]], what: str,
                     skip: Iterable[str] = ()) -> Tuple[str, List[float], List[_Column]]:
    axes = [name for name in ("time", "iteration") if name in header]
    if not axes:
        raise ValueError("%s: needs a 'time' or an 'iteration' column; the columns are %s" % (what, ", ".join(header)))
    axis = axes[0] if len(axes) == 1 or "time" not in skip else "iteration"
    position = header.index(axis)
    xs: List[float] = []
    for number, row in enumerate(rows, 1):
        try:
            x = float(row[position])
        except (TypeError, ValueError):
            raise ValueError("%s: row %d: %s %r is not a number" % (what, number, axis, row[position])) from None
        if xs and x < xs[-1]:
            raise ValueError("%s: row %d: %s %g comes before %g of the row above; rows must be in order"
                             % (what, number, axis, x, xs[-1]))
        xs.append(x)
    columns = []
    for index, name in enumerate(header):
        if index == position or name in skip:
            continue
        place = "%s column %r" % (what, name)
        bound = Bound(name, what + " column", collection)
        kind = value_kind(bound.attribute)
        check_value_kind(kind, place)
        samples = [(xs[r], convert(kind, row[index], "%s, row %d" % (place, r + 1)))
                   for r, row in enumerate(rows) if not _empty(row[index])]
        columns.append(_Column(name, bound, kind, samples))
    return axis, xs, columns


class Signals:
    """Input signals: before each iteration (transient: each time step), each column's value
    at that iteration or time is written at Current."""

    def __init__(self, source: Any, collection: vx.IEntityCollection, transient: bool) -> None:
        what = "inputs" if not isinstance(source, (str, os.PathLike)) else "inputs %s" % os.fspath(source)
        header, rows = _table(source, what)
        self.axis, _, self.columns = _resolve_columns(collection, header, rows, what)
        if self.axis == "time" and not transient:
            raise ValueError("%s: a 'time' column needs a transient run; a steady run counts iterations "
                             "(use an 'iteration' column)" % what)
        if not self.columns:
            raise ValueError("%s: no column names an attribute" % what)
        self.transient = transient

    def apply(self, state: Dict[str, Any]) -> None:
        x = state["time"] if self.axis == "time" else state["iteration"]
        for column in self.columns:
            value = column.at(x, interpolate=self.axis == "time")
            if value is not None:
                column.write(value)

    def per_time_step(self) -> bool:
        return self.axis == "time"


class Trace:
    """A recorded run (the runner's CSV history, or a trace written in the solver): per
    iteration the residual and the values of the recorded attributes."""

    def __init__(self, path: Union[str, "os.PathLike[str]"], collection: vx.IEntityCollection) -> None:
        what = "replay %s" % os.fspath(path)
        header, rows = _table(path, what)
        if "iteration" not in header:
            raise ValueError("%s: not a run history (no 'iteration' column); the columns are %s"
                             % (what, ", ".join(header)))
        _, _, self.columns = _resolve_columns(collection, header, rows, what, skip=RUN_COLUMNS)
        self.length = len(rows)
        self.rows: List[Dict[str, Value]] = [{} for _ in rows]
        for column in self.columns:
            index = header.index(column.name)
            for r, row in enumerate(rows):
                if not _empty(row[index]):
                    self.rows[r][column.name] = convert(column.kind, row[index], "%s column %r, row %d"
                                                        % (what, column.name, r + 1))
        self.residuals: List[Optional[float]] = []
        where = header.index("residual") if "residual" in header else None
        for number, row in enumerate(rows, 1):
            cell = row[where] if where is not None else None
            try:
                self.residuals.append(None if cell is None or _empty(cell) else float(cell))
            except (TypeError, ValueError):
                raise ValueError("%s: row %d: residual %r is not a number" % (what, number, cell)) from None
        times = {str(row[header.index("time")]) for row in rows} if "time" in header else set()
        self.transient = len(times) > 1
        self._left: Dict[str, Any] = {}
        self.owned: List[str] = []  # columns the script or the plant writes: no longer replayed

    def apply(self, row: int, set_residual: Any) -> None:
        """Writes row ``row`` (0-based) of the trace; an attribute whose value moved away from
        what the replay left there is written by the script or the plant and is left to them."""
        for column in self.columns:
            if column.name in self.owned:
                continue
            if column.name in self._left and column.bound.read() != self._left[column.name]:
                self.owned.append(column.name)
                continue
            value = self.rows[row].get(column.name)
            if value is not None:
                column.write(value)
                self._left[column.name] = column.bound.read()
        if self.residuals[row] is not None:
            set_residual(self.residuals[row])
