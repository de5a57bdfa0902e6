"""Plays the solver offline: runs a coupling script at the solver's events on the stand-in,
closes the loop with a plant, input signals or a recorded run, and records the history.

The run loop, the order of events and the two kinds of scripts are described in
docs/USER_GUIDE.md ("The script lifecycle"). In short:

    [CFDGenerationStart  CFDGenerationEnd]          with generation=True
    Initialize | Continue                           (Continue: continuing a saved state)
    per iteration:
        [inputs, TimeStepStart]                     transient: a new time step
        inputs  IterationStart
        replayed values, plant  ControllerUpdate    where the solver computes
        IterationEnd  [TimeStepEnd]
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
import io
import math
import os
import runpy
import sys
import warnings
from typing import Any, Callable, Dict, Iterable, List, Mapping, Optional, Sequence, Set, Union

import Varnex2Python as vx
from Varnex2Python.enums import Chronology, EventType, SolvePhase
from Varnex2Python.strict import closest

import varnex2_standin as _standin
from varnex2_standin import signals
from varnex2_standin.history import History
from varnex2_standin.paths import Bound, resolve_attribute
from varnex2_standin.plants import RunState
from varnex2_standin.progress import Progress

__all__ = ["run", "prepare", "Prepared", "RunError", "RunInterrupted", "ScriptError", "ScriptWarning", "parse_event", "load_plant",
           "EVENT_FUNCTIONS", "RAISED_EVENTS"]

# The events the runner raises, with the function a script defines to handle each.
EVENT_FUNCTIONS: Dict[EventType, str] = {
    EventType.CFDGenerationStart: "on_cfd_generation_start",
    EventType.CFDGenerationEnd: "on_cfd_generation_end",
    EventType.Initialize: "on_initialize",
    EventType.Continue: "on_continue",
    EventType.TimeStepStart: "on_time_step_start",
    EventType.IterationStart: "on_iteration_start",
    EventType.ControllerUpdate: "on_controller_update",
    EventType.IterationEnd: "on_iteration_end",
    EventType.TimeStepEnd: "on_time_step_end",
    EventType.Finished: "on_finished",
    EventType.Cancelled: "on_cancelled",
    EventType.Error: "on_error",
}
RAISED_EVENTS = tuple(EVENT_FUNCTIONS)
CATCH_ALL = "on_event"

ScriptSource = Union[str, "os.PathLike[str]", Callable[[EventType], Any]]
Plant = Callable[[RunState], Any]


class ScriptWarning(UserWarning):
    """A likely mistake in a script that does not stop the run (a misspelt event function)."""


class RunError(Exception):
    """The run ended early; ``history`` holds the rows recorded until then."""

    def __init__(self, message: str, history: History) -> None:
        super().__init__(message)
        self.history = history


class RunInterrupted(KeyboardInterrupt):
    """Ctrl-C during a run; ``history`` holds the rows recorded until then."""

    def __init__(self, history: History) -> None:
        super().__init__()
        self.history = history


class ScriptError(RunError):
    """The script (or the plant) raised; ``history`` holds the rows recorded until then,
    ``__cause__`` the exception, ``event`` and ``iteration`` where it happened, ``source``
    "script" or the plant's name."""

    def __init__(self, history: History, event: EventType, iteration: int, error: BaseException,
                 source: str = "script") -> None:
        first = str(error).split("\n", 1)[0]  # a long message (all call forms) stays in the traceback
        where = "at %s of iteration %d" % (event.name, iteration) if source == "script" else "in iteration %d" % iteration
        who = "the script" if source == "script" else "the plant %s" % source
        super().__init__("%s raised %s %s%s" % (who, type(error).__name__, where, ": " + first if first else ""),
                         history)
        self.event = event
        self.iteration = iteration
        self.source = source

    def script_traceback(self) -> str:
        """The traceback of the script's exception without the frames of this package and of
        Varnex2Python (the runner, the strict editor's layer)."""
        import traceback

        error = self.__cause__
        if error is None:
            return str(self)
        packages = tuple(os.path.dirname(os.path.abspath(str(m.__file__))) + os.sep for m in (_standin, vx))
        frames = [f for f in traceback.extract_tb(error.__traceback__)
                  if not os.path.abspath(f.filename).startswith(packages)]
        lines = ["Traceback (most recent call last):\n"] + traceback.format_list(frames) if frames else []
        return "".join(lines) + _short(error)


def _short(error: BaseException) -> str:
    """The exception's last traceback line; an overload error of the module keeps its first
    line and says where its list of call forms is, instead of printing all of them."""
    import traceback

    text = str(error)
    head, marker, forms = text.partition("\n  Possible C/C++ prototypes are:\n")
    if not marker:
        return "".join(traceback.format_exception_only(type(error), error))
    count = len(forms.splitlines())
    name = head.rsplit("'", 2)[-2] if head.count("'") >= 2 else "the function"
    return "%s: %s\n  (%d call forms: help(_Varnex2Python.%s) lists them; vx.StrictEntityEditor names the " \
           "argument that does not fit)\n" % (type(error).__name__, head, count, name)


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


class _Unclosable(io.TextIOBase):
    """Standard output as the script sees it: closing it closes nothing, so the runner can
    still report the run."""

    def __init__(self, stream: Any) -> None:
        super().__init__()
        self._stream = stream

    def write(self, text: str) -> int:
        return int(self._stream.write(text))

    def flush(self) -> None:
        self._stream.flush()

    def close(self) -> None:
        pass

    def isatty(self) -> bool:
        return bool(self._stream.isatty())


class _Script:
    """The user's script: a file of top-level code, a file of event functions, or a callable."""

    def __init__(self, source: ScriptSource, at: Optional[Iterable[Union[str, int]]],
                 define: Mapping[str, Any]) -> None:
        if isinstance(at, (str, int)):
            at = [at]
        chosen = {parse_event(e) for e in at} if at is not None else None
        self.path: Optional[str] = None
        self.callable: Optional[Callable[[EventType], Any]] = None
        self.namespace: Dict[str, Any] = {}
        self.define = dict(define)
        self.phase = SolvePhase.Solving
        self.notes: List[str] = []  # likely mistakes, warned about before the run
        if callable(source):
            if self.define:
                raise ValueError("define= sets globals of a script file; a callable script has none "
                                 "(give it its parameters with functools.partial or a closure)")
            self.kind = "callable"
            self.callable = source
            self.events: Set[EventType] = chosen or {EventType.IterationEnd}
            return
        if not isinstance(source, (str, os.PathLike)):
            raise TypeError("run() takes a script path or a callable, not %s" % type(source).__name__)
        self.path = os.path.abspath(os.fspath(source))
        with open(self.path, "rb") as stream:
            text = stream.read()
        tree = ast.parse(text, self.path)
        self.code = compile(tree, self.path, "exec")
        defined = {node.name for node in tree.body if isinstance(node, (ast.FunctionDef, ast.AsyncFunctionDef))}
        handlers = {e for e, name in EVENT_FUNCTIONS.items() if name in defined}
        known = set(EVENT_FUNCTIONS.values()) | {CATCH_ALL}
        for name in sorted(defined):
            if name.startswith("on_") and name not in known:
                self.notes.append("%s defines %s(), which is no event function; did you mean %s?"
                                  % (os.path.basename(self.path), name, " or ".join(closest(name, sorted(known), 1))))
        if handlers or CATCH_ALL in defined:
            self.kind = "functions"
            self.events = chosen or (set(RAISED_EVENTS) if CATCH_ALL in defined else handlers)
            if chosen and CATCH_ALL not in defined:
                for event in sorted(chosen - handlers):
                    self.notes.append("the script runs at %s, but defines neither %s() nor on_event(); "
                                      "nothing runs then" % (event.name, EVENT_FUNCTIONS[event]))
        else:
            self.kind = "plain"
            self.events = chosen or {EventType.IterationEnd}

    def describe(self) -> str:
        return "%s at %s" % ({"plain": "top-level script", "functions": "event functions",
                              "callable": "callable"}[self.kind],
                             ", ".join(e.name for e in RAISED_EVENTS if e in self.events))

    def _fresh_namespace(self, event: EventType) -> Dict[str, Any]:
        namespace = {"__name__": "__main__", "__file__": self.path, "__builtins__": builtins,
                     "EVENT": event, "SOLVE_PHASE": self.phase}
        namespace.update(self.define)
        return namespace

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
            self.namespace["SOLVE_PHASE"] = self.phase
            handler = self.namespace.get(EVENT_FUNCTIONS[event])
            if callable(handler):
                handler()
            elif callable(self.namespace.get(CATCH_ALL)):
                self.namespace[CATCH_ALL](event)


def load_plant(source: Union[str, "os.PathLike[str]", Plant]) -> Plant:
    """A plant from a callable or from ``FILE.py[:FUNC]`` (default function ``plant``); the
    file runs once and its globals last for the run."""
    if callable(source):
        return source
    text = os.fspath(source)
    path, name = text, "plant"
    head, sep, tail = text.rpartition(":")
    if sep and tail.isidentifier() and head:
        path, name = head, tail
    if not os.path.isfile(path):
        raise ValueError("plant: no file %s" % path)
    try:
        namespace = runpy.run_path(path, run_name="__plant__")
    except Exception as error:
        raise ValueError("plant: loading %s raised %s: %s" % (path, type(error).__name__, error)) from error
    plant = namespace.get(name)
    if not callable(plant):
        found = [n for n, v in namespace.items() if callable(v) and not n.startswith("_") and
                 getattr(v, "__module__", "__plant__") == "__plant__"]
        raise ValueError("plant: %s has no function %r%s" % (
            path, name, "; closest: %s" % ", ".join(closest(name, found)) if found else ""))
    return _Named(plant, "%s:%s" % (os.path.basename(path), name))


class _Named:
    """A plant loaded from a file, named by file and function in error messages."""

    def __init__(self, plant: Plant, name: str) -> None:
        self.plant = plant
        self.name = name

    def __call__(self, state: RunState) -> Any:
        return self.plant(state)


def _plant_name(plant: Plant) -> str:
    if isinstance(plant, _Named):
        return plant.name
    return getattr(plant, "__qualname__", None) or type(plant).__name__


# The run.

class _Runner:
    def __init__(self, script: _Script, monitors: Dict[str, Bound], iterations: Optional[int],
                 progress: Progress, echo: bool, plant: Optional[Plant], inputs: Optional[signals.Signals],
                 trace: Optional[signals.Trace]) -> None:
        self.script = script
        self.monitors = monitors
        self.limit = iterations
        self.progress = progress
        self.echo = echo
        self.plant = plant
        self.inputs = inputs
        self.trace = trace
        self.start = _standin.run_state()
        self.history = History(list(monitors), transient=bool(self.start["transient"]),
                               units={name: bound.unit for name, bound in monitors.items() if bound.unit})
        self.seen_messages = len(_standin.messages())
        self.iterations = 0
        self.stdout = _Unclosable(progress if progress.bar else sys.stdout)

    def fraction(self, state: Dict[str, Any]) -> float:
        if self.limit is not None:
            return self.iterations / max(self.limit, 1)
        first = self.start
        if not state["transient"]:
            total: int = state["numberOfIterations"] - first["iteration"] + 1
            return float(state["iteration"] - first["iteration"] + 1) / max(total, 1)
        try:  # a tiny time step makes the count of steps overflow: no fraction then
            steps = max(1.0, float(math.floor((state["totalTime"] - first["time"]) / state["timeStep"] + 1e-9) + 1))
        except (OverflowError, ValueError, ZeroDivisionError):
            return 0.0
        within: float = state["iterationInTimeStep"] / max(state["numberOfIterations"], 1)
        done = float(state["timeStepIndex"] - first["timeStepIndex"]) + min(within, 1.0)
        return done / steps

    def status(self, state: Dict[str, Any]) -> str:
        text = "iteration %d" % state["iteration"]
        if self.limit is not None:
            text += " (%d/%d)" % (self.iterations, self.limit)
        elif not state["transient"]:
            text += "/%d" % state["numberOfIterations"]
        if state["transient"]:
            text = "t = %g s, %s" % (state["time"], text)
        if self.script.phase == SolvePhase.CFDGeneration:
            text = "generation, " + text
        return "%s  residual %.2e" % (text, state["residual"])

    def show_messages(self) -> None:
        shown = _standin.messages()
        for kind, text in shown[self.seen_messages:]:
            self.history.messages.append((kind, text))
            if self.echo:
                self.progress.line("[%s] %s" % (kind, text))
        self.seen_messages = len(shown)

    def guarded(self, event: EventType, action: Callable[[], Any], source: str = "script") -> None:
        """Runs script or plant code; what it raises ends the run as a script error (a
        ``sys.exit(0)`` as the script stopping the solve)."""
        iteration = _standin.run_state()["iteration"]
        try:
            with contextlib.redirect_stdout(self.stdout):
                action()
        except SystemExit as error:
            if error.code in (None, 0) and source == "script":
                vx.ISolverManager.instance().solveStop()
            else:
                self.fail(event, iteration, error, source)
        except (Exception, GeneratorExit) as error:
            self.fail(event, iteration, error, source)
        finally:
            self.show_messages()

    def raise_event(self, event: EventType) -> None:
        self.history.events.append((int(event), _standin.run_state()["iteration"]))
        self.guarded(event, lambda: self.script.call(event))

    def fail(self, event: EventType, iteration: int, error: BaseException, source: str = "script") -> None:
        self.history.outcome = "error"
        self.history.error = error
        self.history.events.append((int(EventType.Error), iteration))
        try:
            with contextlib.redirect_stdout(self.stdout):
                self.script.call(EventType.Error)
        except BaseException:  # noqa: B036 - the first error is the one reported
            pass
        self.show_messages()
        raise ScriptError(self.history, event, iteration, error, source) from error

    def record(self) -> None:
        state = _standin.run_state()
        row: Dict[str, Any] = {"iteration": state["iteration"], "time": state["time"],
                               "timeStep": state["timeStep"], "residual": state["residual"],
                               "converged": bool(state["converged"])}
        try:
            for name, bound in self.monitors.items():
                row[name] = bound.read()
        except ValueError as error:  # a script replaced the model by one without the monitor
            self.history.outcome = "error"
            raise RunError(str(error), self.history) from None
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

    def solve(self, state: Dict[str, Any]) -> None:
        """Where the solver computes: the replayed values, then the plant."""
        if self.trace is not None and self.iterations < self.trace.length:
            with _standin.solver_writes():
                self.trace.apply(self.iterations, _standin.set_residual)
        if self.plant is not None:
            run_state = RunState(iteration=state["iteration"], time=state["time"], time_step=state["timeStep"],
                                 time_step_index=state["timeStepIndex"], transient=bool(state["transient"]))
            plant = self.plant
            with _standin.solver_writes():
                self.guarded(EventType.IterationStart, lambda: plant(run_state), _plant_name(plant))

    def apply_inputs(self, per_time_step: bool) -> None:
        if self.inputs is not None and self.inputs.per_time_step() == per_time_step:
            with _standin.solver_writes():
                self.inputs.apply(_standin.run_state())

    def play(self, first: EventType, generation: bool) -> History:
        if generation:
            self.script.phase = SolvePhase.CFDGeneration
        self.guarded(first, self.script.load)  # an event-function script's top level is part of its start
        if generation:
            self.raise_event(EventType.CFDGenerationStart)
            self.raise_event(EventType.CFDGenerationEnd)
            self.script.phase = SolvePhase.Solving
        self.raise_event(first)
        if first == EventType.Continue and not self.stopped() and not _standin.run_state()["transient"]:
            _standin.step(1)  # the saved state is the end of an iteration: go on with the next
        step_index = None
        while True:
            if self.stopped():
                return self.end(EventType.Cancelled, "cancelled")
            state = _standin.run_state()
            if state["transient"] and state["timeStepIndex"] != step_index:
                step_index = state["timeStepIndex"]
                self.apply_inputs(per_time_step=True)
                self.raise_event(EventType.TimeStepStart)
            self.apply_inputs(per_time_step=False)
            self.raise_event(EventType.IterationStart)
            self.solve(state)
            self.raise_event(EventType.ControllerUpdate)
            self.raise_event(EventType.IterationEnd)
            self.record()
            if state["transient"] and _standin.run_state()["lastIteration"]:
                self.raise_event(EventType.TimeStepEnd)
            if self.stopped():
                return self.end(EventType.Cancelled, "cancelled")
            if (self.limit is not None and self.iterations >= self.limit) or _standin.step(1) == 0:
                return self.end(EventType.Finished, "finished")


def _mapping(value: Any, what: str) -> Dict[str, Any]:
    if value is None:
        return {}
    if not isinstance(value, Mapping):
        raise TypeError("%s= takes a mapping, not %s" % (what, type(value).__name__))
    for key in value:
        if not isinstance(key, str):
            raise TypeError("%s= keys are str, not %s" % (what, type(key).__name__))
    return dict(value)


def _prepare_model(model: Any, continue_from: Any, iterations: Optional[int], fresh: bool) -> EventType:
    """Loads what the run starts from; the event that starts it."""
    if continue_from is not None:
        if model is not None:
            raise ValueError("continue_from= takes the place of model=: give one of them")
        try:
            _standin.load_model(continue_from)
        except _standin.ModelError as error:
            raise _standin.ModelError("cannot continue from %s: %s" % (
                continue_from if isinstance(continue_from, (str, os.PathLike)) else "that state", error)) from None
        if _standin.run_state()["transient"]:
            # The saved state ends a time step: the continued run starts with the next one.
            document = _standin.dump_model()
            document["run"]["startTime"] += document["run"]["timeStep"]
            document["run"]["iteration"] += 1
            _standin._load_keeping_source(document)
        if iterations is not None:
            _make_room(iterations)
        return EventType.Continue
    if model is not None:
        _standin.load_model(model)
    elif fresh and _standin._played:
        _standin.restart()
    return EventType.Initialize


def _make_room(iterations: int) -> None:
    """Lets a continued run go on for ``iterations`` more iterations past its saved end."""
    state = _standin.run_state()
    manager = vx.ISolverManager.instance()
    if not state["transient"]:
        needed = state["iteration"] + iterations
        if state["numberOfIterations"] < needed:
            manager.setNumberOfIterations(needed, Chronology.Current)
    else:  # the time steps those iterations span, from the current one on
        steps = -(-iterations // max(state["numberOfIterations"], 1))
        needed_time = state["time"] + (steps - 1) * state["timeStep"]
        if state["totalTime"] < needed_time:
            manager.setTotalTime(needed_time, Chronology.Current)


def _start_values(collection: vx.IEntityCollection, values: Dict[str, Any]) -> None:
    """Writes start values at Initial and Current (by loading the model with them)."""
    resolved = {}
    for text, value in values.items():
        attribute = resolve_attribute(collection, text, "set")
        kind = signals.value_kind(attribute)
        signals.check_value_kind(kind, "set %r" % text)
        target: Optional[vx.IAttribute] = attribute
        while target is not None and target.getAttributeType() != kind:  # shortcuts: their first valid target
            target = target.downcast().getFirstValidShortcut()  # type: ignore[attr-defined]
        if target is None:
            raise ValueError("set %r: the shortcut has no valid target" % text)
        resolved[text] = (target.getAttributePath(False), signals.convert(kind, value, "set %s" % text))
    document = _standin.dump_model()
    signals.start_values(document, resolved)
    _standin._load_keeping_source(document)


def run(script: ScriptSource, model: Any = None, iterations: Optional[int] = None,
        at: Optional[Iterable[Union[str, int]]] = None, monitor: Union[str, Sequence[str]] = (),
        progress: Union[bool, Progress] = False, echo: Optional[bool] = None, *,
        plant: Optional[Union[str, "os.PathLike[str]", Plant]] = None, inputs: Any = None,
        set: Optional[Mapping[str, Any]] = None, define: Optional[Mapping[str, Any]] = None,
        replay: Optional[Union[str, "os.PathLike[str]"]] = None, continue_from: Any = None,
        generation: bool = False, fresh: bool = True) -> History:
    """Runs ``script`` as the solver would and returns the run's history.

    ``script``: the path of a coupling script, or a callable taking the event.
    ``model``: a model for ``load_model`` (dict, JSON text, path); None runs on the current
    model, started afresh (as it was loaded) when a run was already played on it, unless
    ``fresh=False``. ``iterations``: stop after that many iterations (Finished is raised
    then); by default the run goes on until it ends by itself (a replay: to the trace's end).
    ``at``: the events at which the script runs (names or values); by default IterationEnd
    for plain scripts and callables, and the events it has functions for in an
    event-function script. ``monitor``: attributes recorded in every row (one path or a
    list), by full path or ``Type/Name/path``. ``progress``: True shows progress on standard
    output (``echo`` then defaults to True: shown messages are printed).

    Closing the loop: ``plant`` (a callable taking a ``RunState``, or ``"FILE.py[:FUNC]"``)
    is called in every iteration where the solver computes; ``inputs`` (a CSV path or a
    mapping of columns: ``time`` or ``iteration`` and one column per attribute path) is
    written at Current before each iteration or time step; ``set`` maps attribute paths to
    start values (at Initial and Current); ``define`` maps names to globals of the script;
    ``replay`` (a history CSV) writes a recorded run's values and residual in each iteration.
    ``continue_from`` (a state written by ``dump_model()``) continues a run: Continue is
    raised instead of Initialize. ``generation`` plays a generation phase first.

    A script file runs with ``sys.argv == [its path]`` and its folder first on ``sys.path``.
    Raises ScriptError when the script or the plant raises, RunError when the run cannot go
    on (a monitor gone with a replaced model), ValueError for a wrong option (an unknown
    event, path or value, naming the closest), ModelError for a model that cannot be loaded.
    """
    return prepare(script, model, iterations, at, monitor, progress, echo, plant=plant, inputs=inputs, set=set,
                   define=define, replay=replay, continue_from=continue_from, generation=generation,
                   fresh=fresh).play()


class Prepared:
    """A run with its script, model and options checked, ready to play (``prepare()``)."""

    def __init__(self, runner: _Runner, first: EventType, generation: bool) -> None:
        self.runner = runner
        self.first = first
        self.generation = generation

    def describe(self) -> str:
        """The script's kind and the events it is attached to."""
        return self.runner.script.describe()

    def play(self) -> History:
        runner = self.runner
        prepared = runner.script
        display = runner.progress
        saved_argv, saved_path = sys.argv, list(sys.path)
        if prepared.path is not None:
            sys.argv = [prepared.path]
            sys.path.insert(0, os.path.dirname(prepared.path))
        _standin._played = True
        try:
            return runner.play(self.first, self.generation)
        except KeyboardInterrupt:
            runner.history.outcome = "interrupted"
            raise RunInterrupted(runner.history) from None
        finally:
            display.clear()
            sys.argv = saved_argv
            sys.path[:] = saved_path


def prepare(script: ScriptSource, model: Any = None, iterations: Optional[int] = None,
            at: Optional[Iterable[Union[str, int]]] = None, monitor: Union[str, Sequence[str]] = (),
            progress: Union[bool, Progress] = False, echo: Optional[bool] = None, *,
            plant: Optional[Union[str, "os.PathLike[str]", Plant]] = None, inputs: Any = None,
            set: Optional[Mapping[str, Any]] = None, define: Optional[Mapping[str, Any]] = None,
            replay: Optional[Union[str, "os.PathLike[str]"]] = None, continue_from: Any = None,
            generation: bool = False, fresh: bool = True) -> Prepared:
    """Checks and loads everything ``run()`` takes (same arguments) without playing: the
    command line prints the run's header between the two."""
    if iterations is not None and (isinstance(iterations, bool) or not isinstance(iterations, int)):
        raise TypeError("iterations must be an int, not %s" % type(iterations).__name__)
    if iterations is not None and iterations < 1:
        raise ValueError("iterations must be at least 1, got %d" % iterations)
    monitors_given = [monitor] if isinstance(monitor, str) else list(monitor)
    start = _mapping(set, "set")
    names = _mapping(define, "define")
    for name in names:
        if not name.isidentifier():
            raise ValueError("define %r: not a Python name" % name)
    prepared = _Script(script, at, names)
    for note in prepared.notes:
        warnings.warn(note, ScriptWarning, stacklevel=2)
    first = _prepare_model(model, continue_from, iterations, fresh)
    manager = vx.ISolverManager.instance()
    collection = manager.getEntityCollection()
    if start:
        if collection is None:
            raise ValueError("set: the run has no model")
        _start_values(collection, start)
        collection = manager.getEntityCollection()
    plant_callable = load_plant(plant) if plant is not None else None
    monitors = {text: Bound(text, "monitor", collection) for text in monitors_given}
    transient = bool(_standin.run_state()["transient"])
    signal, trace = None, None
    if collection is None and (inputs is not None or replay is not None):
        raise ValueError("inputs and replay need a model; the run has none")
    if inputs is not None and collection is not None:
        signal = signals.Signals(inputs, collection, transient)
    if replay is not None and collection is not None:
        trace = signals.Trace(replay, collection)
        if trace.transient != transient:
            raise ValueError("replay %s: the trace is of a %s run, the model's run is %s" % (
                os.fspath(replay), "transient" if trace.transient else "steady", "transient" if transient else "steady"))
        if iterations is None:
            iterations = trace.length
    display = progress if isinstance(progress, Progress) else Progress(enabled=bool(progress))
    runner = _Runner(prepared, monitors, iterations, display, display.enabled if echo is None else echo,
                     plant_callable, signal, trace)
    return Prepared(runner, first, generation)
