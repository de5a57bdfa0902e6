"""Plays the solver offline: runs a coupling script at the solver's events on the stand-in
and records the run's history.

The run loop, the order of events and the two kinds of scripts are described in
docs/USER_GUIDE.md ("The script lifecycle"). In short:

    Initialize
    per iteration: [TimeStepStart]  IterationStart  IterationEnd  [TimeStepEnd]
    Finished | Cancelled (the script stopped the solve) | Error (the script raised)

A plain script (top-level code) runs anew at each chosen event, in a fresh namespace with
``__name__ == "__main__"`` and the global ``EVENT`` set to the event. A script that defines
event functions (``on_initialize``, ``on_iteration_end``, ..., or ``on_event(event)``) is
executed once before the run; its functions are then called at their events and its
globals persist for the whole run.
"""
import ast
import builtins
import contextlib
import math
import os
import sys
from typing import Any, Callable, Dict, Iterable, List, Optional, Sequence, Set, Union

import Varnex2Python as vx
from Varnex2Python.enums import AttributeType, EventType
from Varnex2Python.strict import closest

import varnex2_standin as _standin
from varnex2_standin.history import History, Value
from varnex2_standin.progress import Progress

__all__ = ["run", "ScriptError", "parse_event", "EVENT_FUNCTIONS", "RAISED_EVENTS"]

# The events the runner raises, with the function a script defines to handle each.
EVENT_FUNCTIONS: Dict[EventType, str] = {
    EventType.Initialize: "on_initialize",
    EventType.TimeStepStart: "on_time_step_start",
    EventType.IterationStart: "on_iteration_start",
    EventType.IterationEnd: "on_iteration_end",
    EventType.TimeStepEnd: "on_time_step_end",
    EventType.Finished: "on_finished",
    EventType.Cancelled: "on_cancelled",
    EventType.Error: "on_error",
}
RAISED_EVENTS = tuple(EVENT_FUNCTIONS)
CATCH_ALL = "on_event"

ScriptSource = Union[str, "os.PathLike[str]", Callable[[EventType], Any]]


class ScriptError(Exception):
    """The script raised; ``history`` holds the rows recorded until then, ``__cause__`` the
    script's exception, ``event`` and ``iteration`` where it happened."""

    def __init__(self, history: History, event: EventType, iteration: int, error: BaseException) -> None:
        super().__init__("the script raised %s at %s of iteration %d: %s"
                         % (type(error).__name__, event.name, iteration, error))
        self.history = history
        self.event = event
        self.iteration = iteration

    def script_traceback(self) -> str:
        """The script's traceback without the runner's frames."""
        import traceback

        error = self.__cause__
        if error is None:
            return str(self)
        tb = error.__traceback__
        here = os.path.dirname(os.path.abspath(__file__))
        while tb is not None and os.path.dirname(os.path.abspath(tb.tb_frame.f_code.co_filename)) == here:
            tb = tb.tb_next
        return "".join(traceback.format_exception(type(error), error, tb))


def parse_event(text: Union[str, int]) -> EventType:
    """An event from its name (``IterationEnd``, ``EventType_IterationEnd``,
    ``iteration_end``) or value; ValueError names the events the runner raises."""
    if isinstance(text, int):
        candidates = [e for e in RAISED_EVENTS if e == text]
    else:
        key = text.strip()
        key = key[len("EventType_"):] if key.startswith("EventType_") else key
        key = key[3:] if key.startswith("on_") else key
        key = key.replace("_", "").lower()
        candidates = [e for e in RAISED_EVENTS if e.name.lower() == key or str(int(e)) == key]
    if not candidates:
        raise ValueError("unknown event %r; the runner raises %s"
                         % (text, ", ".join(e.name for e in RAISED_EVENTS)))
    return candidates[0]


class _Script:
    """The user's script: a file of top-level code, a file of event functions, or a callable."""

    def __init__(self, source: ScriptSource, at: Optional[Iterable[Union[str, int]]]) -> None:
        chosen = {parse_event(e) for e in at} if at is not None else None
        self.path: Optional[str] = None
        self.callable: Optional[Callable[[EventType], Any]] = None
        self.namespace: Dict[str, Any] = {}
        if callable(source):
            self.kind = "callable"
            self.callable = source
            self.events: Set[EventType] = chosen or {EventType.IterationEnd}
            return
        self.path = os.path.abspath(os.fspath(source))
        with open(self.path, "rb") as stream:
            text = stream.read()
        tree = ast.parse(text, self.path)
        self.code = compile(tree, self.path, "exec")
        defined = {node.name for node in tree.body if isinstance(node, (ast.FunctionDef, ast.AsyncFunctionDef))}
        handlers = {e for e, name in EVENT_FUNCTIONS.items() if name in defined}
        if handlers or CATCH_ALL in defined:
            self.kind = "functions"
            self.events = chosen or (set(RAISED_EVENTS) if CATCH_ALL in defined else handlers)
        else:
            self.kind = "plain"
            self.events = chosen or {EventType.IterationEnd}

    def describe(self) -> str:
        return "%s at %s" % ({"plain": "top-level script", "functions": "event functions",
                              "callable": "callable"}[self.kind],
                             ", ".join(e.name for e in RAISED_EVENTS if e in self.events))

    def _fresh_namespace(self, event: EventType) -> Dict[str, Any]:
        return {"__name__": "__main__", "__file__": self.path, "__builtins__": builtins, "EVENT": event}

    def load(self) -> None:
        """Executes an event-function script once, before the run."""
        if self.kind == "functions":
            self.namespace = self._fresh_namespace(EventType.Unknown)
            exec(self.code, self.namespace)

    def call(self, event: EventType) -> None:
        if event not in self.events:
            return
        if self.kind == "callable":
            assert self.callable is not None
            self.callable(event)
        elif self.kind == "plain":
            exec(self.code, self._fresh_namespace(event))
        else:
            self.namespace["EVENT"] = event
            handler = self.namespace.get(EVENT_FUNCTIONS[event])
            if callable(handler):
                handler()
            elif callable(self.namespace.get(CATCH_ALL)):
                self.namespace[CATCH_ALL](event)


# Monitored attributes.

def _attribute_paths(collection: vx.IEntityCollection) -> List[str]:
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


def resolve_monitor(collection: vx.IEntityCollection, text: str) -> vx.IAttribute:
    """The attribute named by a full path (``CoolingLoop/Pump1/Speed``) or by entity type,
    entity name and path (``Pump/Pump1/Speed``); ValueError names the closest paths."""
    parts = text.strip("/").split("/")
    attribute: Optional[vx.IAttribute] = None
    for i in range(collection.getNumberOfRootEntities()):
        root = collection.getRootEntity(i)
        if root is not None and len(parts) > 1 and root.getName(True) == parts[0]:
            attribute = root.getAttribute("/".join(parts[1:]))
    if attribute is None and len(parts) > 2:
        entity = collection.getEntity(parts[0], parts[1])
        attribute = entity.getAttribute("/".join(parts[2:])) if entity is not None else None
    if attribute is None:
        raise ValueError("monitor %r: no attribute has that full path or Type/Name/path; closest: %s"
                         % (text, ", ".join(closest(text, _attribute_paths(collection)))))
    kind = attribute.getAttributeType()
    if not (vx.isValueAttributeType(kind) or kind == AttributeType.Shortcut):
        raise ValueError("monitor %r: the attribute is a %s, not a value" % (text, AttributeType(kind).name.lower()))
    return attribute


def read_value(attribute: vx.IAttribute) -> Value:
    """The attribute's value at Current, or None when it has none (or cannot be read)."""
    kind = attribute.getAttributeType()
    try:
        if kind == AttributeType.Int:
            return attribute.getIntValue()
        if kind == AttributeType.Bool:
            return attribute.getBoolValue()
        if kind == AttributeType.String:
            return attribute.getStringValue()
        return attribute.getDoubleValue()  # float, double, and shortcuts to numbers
    except RuntimeError:
        if kind == AttributeType.Shortcut:
            try:
                return attribute.getStringValue()
            except RuntimeError:
                return None
        return None


# The run.

class _Runner:
    def __init__(self, script: _Script, monitors: Dict[str, vx.IAttribute], iterations: Optional[int],
                 progress: Progress, echo: bool) -> None:
        self.script = script
        self.monitors = monitors
        self.limit = iterations
        self.progress = progress
        self.echo = echo
        start = _standin.run_state()
        self.start = start
        self.history = History(list(monitors), transient=bool(start["transient"]))
        self.seen_messages = len(_standin.messages())
        self.iterations = 0

    def fraction(self, state: Dict[str, Any]) -> float:
        if self.limit is not None:
            return self.iterations / max(self.limit, 1)
        first = self.start
        if not state["transient"]:
            total: int = state["numberOfIterations"] - first["iteration"] + 1
            return float(state["iteration"] - first["iteration"] + 1) / max(total, 1)
        steps: float = math.floor((state["totalTime"] - first["time"]) / state["timeStep"] + 1e-9) + 1
        step_count = max(1.0, steps)
        within: float = state["iterationInTimeStep"] / max(state["numberOfIterations"], 1)
        done = float(state["timeStepIndex"] - first["timeStepIndex"]) + min(within, 1.0)
        return done / step_count

    def status(self, state: Dict[str, Any]) -> str:
        text = "iteration %d" % state["iteration"]
        if self.limit is None and not state["transient"]:
            text += "/%d" % state["numberOfIterations"]
        if state["transient"]:
            text = "t = %g s, %s" % (state["time"], text)
        return "%s  residual %.2e" % (text, state["residual"])

    def show_messages(self) -> None:
        shown = _standin.messages()
        for kind, text in shown[self.seen_messages:]:
            self.history.messages.append((kind, text))
            if self.echo:
                self.progress.line("[%s] %s" % (kind, text))
        self.seen_messages = len(shown)

    def raise_event(self, event: EventType) -> None:
        state = _standin.run_state()
        self.history.events.append((int(event), state["iteration"]))
        try:
            with contextlib.redirect_stdout(self.progress) if self.progress.bar else contextlib.nullcontext():
                self.script.call(event)
        except Exception as error:
            self.fail(event, state["iteration"], error)
        finally:
            self.show_messages()

    def fail(self, event: EventType, iteration: int, error: BaseException) -> None:
        self.history.outcome = "error"
        self.history.error = error
        self.history.events.append((int(EventType.Error), iteration))
        try:
            self.script.call(EventType.Error)
        except Exception:
            pass  # the first error is the one reported
        self.show_messages()
        raise ScriptError(self.history, event, iteration, error) from error

    def record(self) -> None:
        state = _standin.run_state()
        row: Dict[str, Value] = {"iteration": state["iteration"], "time": state["time"],
                                 "timeStep": state["timeStep"], "residual": state["residual"],
                                 "converged": bool(state["converged"])}
        for name, attribute in self.monitors.items():
            row[name] = read_value(attribute)
        self.history.rows.append(row)
        self.iterations += 1
        self.progress.update(self.fraction(state), self.status(state))

    def stopped(self) -> bool:
        return bool(_standin.run_state()["solveStopped"])

    def end(self, event: EventType, outcome: str) -> History:
        self.raise_event(event)
        self.history.outcome = outcome
        state = _standin.run_state()
        self.progress.close(1.0 if outcome == "finished" else self.fraction(state), self.status(state))
        return self.history

    def play(self) -> History:
        try:
            self.script.load()  # an event-function script's top level is part of its initialisation
        except Exception as error:
            self.fail(EventType.Initialize, _standin.run_state()["iteration"], error)
        self.raise_event(EventType.Initialize)
        step_index = None
        while True:
            if self.stopped():
                return self.end(EventType.Cancelled, "cancelled")
            state = _standin.run_state()
            if state["transient"] and state["timeStepIndex"] != step_index:
                step_index = state["timeStepIndex"]
                self.raise_event(EventType.TimeStepStart)
            self.raise_event(EventType.IterationStart)
            self.raise_event(EventType.IterationEnd)
            self.record()
            if state["transient"] and _standin.run_state()["lastIteration"]:
                self.raise_event(EventType.TimeStepEnd)
            if self.stopped():
                return self.end(EventType.Cancelled, "cancelled")
            if (self.limit is not None and self.iterations >= self.limit) or _standin.step(1) == 0:
                return self.end(EventType.Finished, "finished")


def run(script: ScriptSource, model: Any = None, iterations: Optional[int] = None,
        at: Optional[Iterable[Union[str, int]]] = None, monitor: Sequence[str] = (),
        progress: Union[bool, Progress] = False, echo: Optional[bool] = None) -> History:
    """Runs ``script`` as the solver would and returns the run's history.

    ``script``: the path of a coupling script, or a callable taking the event.
    ``model``: a model for ``load_model`` (dict, JSON text, path); None runs on the model
    and run as they are (the built-in model in a fresh process or after ``reset()``).
    ``iterations``: stop after that many iterations (Finished is raised then); by default
    the run goes on until it ends by itself. ``at``: the events at which the script runs
    (names or values); by default IterationEnd for plain scripts and callables, and the
    events it has functions for in an event-function script. ``monitor``: attributes
    recorded in every row, by full path or ``Type/Name/path``. ``progress``: True shows
    progress on standard output (``echo`` then defaults to True: shown messages are printed).
    A script file runs with ``sys.argv == [its path]`` and its folder first on ``sys.path``.

    Raises ScriptError when the script raises, ValueError for an unknown event or monitor,
    ModelError for a model that cannot be loaded.
    """
    if iterations is not None and iterations < 1:
        raise ValueError("iterations must be at least 1, got %d" % iterations)
    prepared = _Script(script, at)
    if model is not None:
        _standin.load_model(model)
    manager = vx.ISolverManager.instance()
    collection = manager.getEntityCollection()
    monitors: Dict[str, vx.IAttribute] = {}
    for text in monitor:
        if collection is None:
            raise ValueError("monitor %r: the run has no model" % text)
        monitors[text] = resolve_monitor(collection, text)
    display = progress if isinstance(progress, Progress) else Progress(enabled=bool(progress))
    runner = _Runner(prepared, monitors, iterations, display, display.enabled if echo is None else echo)
    saved_argv, saved_path = sys.argv, list(sys.path)
    if prepared.path is not None:
        sys.argv = [prepared.path]
        sys.path.insert(0, os.path.dirname(prepared.path))
    try:
        return runner.play()
    finally:
        display.clear()
        sys.argv = saved_argv
        sys.path[:] = saved_path
