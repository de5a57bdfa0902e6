"""Capture a real run in the solver, to replay it offline on the stand-in.

Works wherever ``Varnex2Python`` works (in the solver too; nothing of the stand-in is
needed):

- ``snapshot(path)`` writes the current model (entities, attribute kinds, types, units,
  access, links, lists, arrays, shortcuts and the values at every chronology the API reads)
  and the run's settings as a model file of the stand-in, so that ``varnex2-standin run
  --model path`` (or ``--continue path``) starts from it;
- ``Recorder(path, monitor)`` / ``record(path, monitor)``, called at every IterationEnd,
  append the run data and the values of chosen attributes to a trace in the layout of the
  runner's ``--csv`` history (one row per iteration, a column per attribute path), which
  ``varnex2-standin run --replay path`` follows.

An event-function script keeps a ``Recorder`` in a global; a plain script (which starts
with fresh globals at each event) calls ``record(path, monitor)``, which keeps the recorder
in this module. The first record of a process starts the trace file anew.

Attributes are named as the runner names them: a full path (``CoolingLoop/Pump1/Speed``)
or entity type, entity name and path (``Pump/Pump1/Speed``).
"""
import csv
import difflib
import json
import math
import os
import re
from typing import Any, Dict, IO, Iterable, List, Optional, Sequence, Union

import _Varnex2Python as _V

__all__ = ["snapshot", "Recorder", "record", "resolve_attribute", "attribute_paths", "read_value",
           "TRACE_COLUMNS", "FORMAT"]

FORMAT = "varnex2-standin-model/1"
# The run data of every trace row, in column order (the runner's history has the same).
TRACE_COLUMNS = ("iteration", "time", "timeStep", "residual", "converged")
_CHRONOLOGIES = ("Initial", "Continue", "TimeStepStart", "Current", "Next")
_ACCESS = {0: "None", 1: "ReadOnly", 2: "WriteOnly", 3: "ReadWrite"}
_KINDS = {_V.AttributeType_Int: "int", _V.AttributeType_Bool: "bool", _V.AttributeType_Float: "float",
          _V.AttributeType_Double: "double", _V.AttributeType_String: "string",
          _V.AttributeType_Composite: "composite", _V.AttributeType_Entity: "entity",
          _V.AttributeType_Link: "link", _V.AttributeType_List: "list", _V.AttributeType_Array: "array",
          _V.AttributeType_Shortcut: "shortcut"}
# Where the target of a shortcut cannot be named (the API answers no attribute for it).
UNRESOLVED = "<unresolved>"

PathLike = Union[str, "os.PathLike[str]"]


def _manager() -> Any:
    from Varnex2Python import ISolverManager

    manager = ISolverManager.instance()
    if manager is None:
        raise RuntimeError("no solver manager: the exchange library handed out none")
    return manager


def _collection() -> Any:
    collection = _manager().getEntityCollection()
    if collection is None:
        raise ValueError("the run has no model")
    return collection


def a_kind(kind: int) -> str:
    """"a composite", "an entity": the kind's name with its article."""
    name = _KINDS.get(kind, "kind %d" % kind)
    return ("an " if name[0] in "aeiou" else "a ") + name


# Attributes by path.

def attribute_paths(collection: Any) -> List[str]:
    """Full paths of every attribute of the model (for closest-name hints)."""
    paths = []
    for i in range(collection.getNumberOfEntities()):
        entity = collection.getEntity(i)
        if entity is None:
            continue
        for k in range(entity.getNumberOfAttributes(True)):
            attribute = entity.getAttribute(k, True)
            if attribute is not None:
                paths.append(attribute.getAttributePath(False))  # False: the full path
    return paths


def _closest(word: str, names: Iterable[str], count: int = 3) -> List[str]:
    pool = list(dict.fromkeys(names))
    return difflib.get_close_matches(word, pool, n=count, cutoff=0.5) or pool[:count]


def resolve_attribute(collection: Any, text: str, what: str = "monitor", values_only: bool = True) -> Any:
    """The attribute named by ``text``; ValueError starting with ``what`` and the text names
    the closest paths (or says the attribute holds no value)."""
    if not isinstance(text, str):
        raise TypeError("%s: an attribute path is a str, not %s" % (what, type(text).__name__))
    if collection is None:
        raise ValueError("%s %r: the run has no model" % (what, text))
    parts = text.strip("/").split("/")
    attribute = None
    for i in range(collection.getNumberOfRootEntities()):
        root = collection.getRootEntity(i)
        if root is not None and len(parts) > 1 and root.getName(True) == parts[0]:
            attribute = root.getAttribute("/".join(parts[1:]))
    if attribute is None and len(parts) > 2:
        entity = collection.getEntity(parts[0], parts[1])
        attribute = entity.getAttribute("/".join(parts[2:])) if entity is not None else None
    if attribute is None:
        raise ValueError("%s %r: no attribute has that full path or Type/Name/path; closest: %s"
                         % (what, text, ", ".join(_closest(text, attribute_paths(collection)))))
    kind = attribute.getAttributeType()
    if values_only and not (_V.isValueAttributeType(kind) or kind == _V.AttributeType_Shortcut):
        raise ValueError("%s %r: the attribute is %s, not a value" % (what, text, a_kind(kind)))
    return attribute


def read_value(attribute: Any, chronology: int = _V.Chronology_Current) -> Union[int, float, bool, str, None]:
    """The attribute's value (at Current by default), or None when it has none or cannot be read."""
    kind = attribute.getAttributeType()
    readers = {_V.AttributeType_Int: attribute.getIntValue, _V.AttributeType_Bool: attribute.getBoolValue,
               _V.AttributeType_String: attribute.getStringValue}
    try:
        # float, double, and shortcuts to numbers read as double
        value: Union[int, float, bool, str] = readers.get(kind, attribute.getDoubleValue)(chronology)
        return value
    except RuntimeError:
        if kind == _V.AttributeType_Shortcut:
            try:
                text: str = attribute.getStringValue(chronology)
                return text
            except RuntimeError:
                return None
        return None


# The model as a model file.

def _json_number(value: float) -> Any:
    if math.isnan(value):
        return "nan"
    if math.isinf(value):
        return "inf" if value > 0 else "-inf"
    return value


def _values(attribute: Any) -> Dict[str, Any]:
    values: Dict[str, Any] = {}
    for chronology, name in enumerate(_CHRONOLOGIES):
        try:
            if not attribute.hasValue(chronology):
                continue
        except RuntimeError:
            continue
        value = read_value(attribute, chronology)
        if value is None:
            continue
        values[name] = _json_number(value) if isinstance(value, float) else value
    return values


def _name(attribute: Any) -> str:
    return str(attribute.getAttributePath(True)).rsplit("/", 1)[-1]


def _node(attribute: Any) -> Dict[str, Any]:
    kind = attribute.getAttributeType()
    kind_name = _KINDS.get(kind)
    if kind_name is None:
        raise ValueError("attribute %s has a kind (%d) that model files do not know"
                         % (attribute.getAttributePath(False), kind))
    specific = attribute.downcast()
    entity = kind == _V.AttributeType_Entity
    node: Dict[str, Any] = {"name": specific.getName() if entity else _name(attribute), "kind": kind_name}
    type_text = attribute.getType()
    if entity or type_text != kind_name:
        node["type"] = type_text
    if kind != _V.AttributeType_Shortcut:  # a shortcut answers with its target's unit and access
        if attribute.hasUnits():
            node["unit"] = attribute.getUnit()
        node["access"] = _ACCESS.get(attribute.getAccessType(), attribute.getAccessType())
    if entity:
        node["id"] = [int(part) for part in str(specific.getEntityID()).split("-", 1)]
    if kind in (_V.AttributeType_Composite, _V.AttributeType_Entity):
        node["attributes"] = [_node(specific.getAttribute(i)) for i in range(specific.getNumberOfAttributes())]
    elif kind == _V.AttributeType_Link:
        target = specific.getEntity()
        node["target"] = target.getName(True) if target is not None else None
    elif kind in (_V.AttributeType_List, _V.AttributeType_Array):
        targets = [specific.getEntity(i) for i in range(specific.getNumberOfEntities())]
        node["targets"] = [t.getName(True) if t is not None else None for t in targets]
    elif kind == _V.AttributeType_Shortcut:
        targets = [specific.getShortcut(i) for i in range(specific.getNumberOfShortcuts())]
        node["targets"] = [t.getAttributePath(False) if t is not None else UNRESOLVED for t in targets]
    else:
        node["values"] = _values(attribute)
    return node


def _version(manager: Any) -> Optional[Dict[str, int]]:
    found = re.search(r"(\d+)\.(\d+)\.(\d+)\.(\d+)\s*$", manager.versionString())
    if found is None:
        return None
    return dict(zip(("major", "minor", "servicePack", "build"), (int(n) for n in found.groups())))


def _run(manager: Any, collection: Any, residual_path: str) -> Dict[str, Any]:
    transient = manager.isTransient()
    time = manager.getTime()
    run: Dict[str, Any] = {
        "transient": transient, "iteration": manager.getIteration(),
        "numberOfIterations": manager.getNumberOfIterations(),
        # A model's run starts one time step after its start time.
        "startTime": _json_number(time - manager.getTimeStep() if transient else time),
        "timeStep": _json_number(manager.getTimeStep()), "totalTime": _json_number(manager.getTotalTime()),
        "stopOnConvergence": manager.isStopOnConvergence(), "solveStopped": manager.isSolveStopped(),
    }
    control = collection.getSolutionControl()
    residual = control.getAttribute(residual_path) if control is not None and residual_path else None
    if residual is not None and residual.getAttributeType() in (_V.AttributeType_Double, _V.AttributeType_Float):
        value = read_value(residual)
        if isinstance(value, float) and value >= 0:
            run["residual"] = value
        run["residualPath"] = residual_path
    version = _version(manager)
    if version is not None:
        run["version"] = version
    text = manager.versionString()
    if version is None or text != "Varnex2 stand-in %(major)d.%(minor)d.%(servicePack)d.%(build)d" % version:
        run["versionString"] = text  # a model file without it gets that text
    return run


def snapshot(path: Optional[PathLike] = None, residual_path: str = "Convergence/Residual",
             run_settings: Optional[Dict[str, Any]] = None) -> Dict[str, Any]:
    """Writes the current model and run as a stand-in model file at ``path`` (when given)
    and returns it as a dict. ``residual_path``: the solution control's attribute that holds
    the residual (the stand-in's run starts from it). ``run_settings``: settings of the
    stand-in's run that the solver does not show through the API (``residualReduction``,
    ``tolerance``; their defaults apply otherwise). Attribute values that cannot be read
    (write-only ones) are left out; a shortcut target the API cannot name is written as
    ``<unresolved>`` (it stays an invalid target)."""
    manager = _manager()
    collection = _collection()
    roots = [collection.getRootEntity(i) for i in range(collection.getNumberOfRootEntities())]
    control = collection.getSolutionControl()
    run = _run(manager, collection, residual_path)
    run.update(run_settings or {})
    document = {"format": FORMAT, "run": run,
                "solutionControl": control.getName(True) if control is not None else None,
                "entities": [_node(root) for root in roots if root is not None]}
    if path is not None:
        with open(path, "w", encoding="utf-8") as stream:
            json.dump(document, stream, indent=1, ensure_ascii=False)
            stream.write("\n")
    return document


# The trace of a run.

def cell(value: Any) -> str:
    """A value as a trace or history CSV writes it: floats in their shortest exact text,
    booleans as true/false, None as an empty cell."""
    if value is None:
        return ""
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, float):
        return repr(value)  # the shortest text that reads back as the same float
    return str(value)


class Recorder:
    """Appends a row per call to a trace CSV: iteration, time, timeStep, residual,
    converged and the value of each monitored attribute (headers carry units as
    ``path [unit]``). The file is started anew by the first row; each row is flushed, so a
    run that ends abruptly keeps its trace."""

    def __init__(self, path: PathLike, monitor: Union[str, Sequence[str]] = (),
                 residual_path: str = "Convergence/Residual") -> None:
        self.path = os.fspath(path)
        self.monitor = [monitor] if isinstance(monitor, str) else list(monitor)
        self.residual_path = residual_path
        self._stream: Optional[IO[str]] = None
        self._writer: Any = None
        self._attributes: List[Any] = []
        self._residual: Any = None

    def _open(self) -> None:
        collection = _collection()
        self._attributes = [resolve_attribute(collection, text, "monitor") for text in self.monitor]
        control = collection.getSolutionControl()
        self._residual = control.getAttribute(self.residual_path) if control is not None and self.residual_path else None
        header = list(TRACE_COLUMNS)
        for text, attribute in zip(self.monitor, self._attributes):
            header.append("%s [%s]" % (text, attribute.getUnit()) if attribute.hasUnits() else text)
        self._stream = open(self.path, "w", newline="", encoding="utf-8")
        self._writer = csv.writer(self._stream)
        self._writer.writerow(header)

    def record(self) -> None:
        """Appends the row of the current iteration."""
        if self._stream is None:
            self._open()
        manager = _manager()
        residual = read_value(self._residual) if self._residual is not None else None
        row = [manager.getIteration(), manager.getTime(), manager.getTimeStep(), residual, manager.isConverged()]
        row += [read_value(attribute) for attribute in self._attributes]
        self._writer.writerow([cell(value) for value in row])
        assert self._stream is not None
        self._stream.flush()

    __call__ = record

    def close(self) -> None:
        if self._stream is not None:
            self._stream.close()
            self._stream = None


_recorders: Dict[str, Recorder] = {}


def record(path: PathLike, monitor: Union[str, Sequence[str]] = (),
           residual_path: str = "Convergence/Residual") -> None:
    """Appends the current iteration's row to the trace at ``path``, with the recorder this
    module keeps for it (so plain scripts, whose globals start afresh, record too)."""
    key = os.path.abspath(os.fspath(path))
    recorder = _recorders.get(key)
    if recorder is None:
        recorder = _recorders[key] = Recorder(path, monitor, residual_path)
    recorder.record()
