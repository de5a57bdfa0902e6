"""Many offline runs at once: a sweep plays one coupling script for many cases (start values
and script globals) and gathers a table with a row per case.

Each case runs in a process of its own. A task submitted to the executor (a process pool
here, or a Dask cluster's executor) hands the case to a case server: a fresh interpreter,
started once per worker thread with the runner already imported, that forks a new process
for every case and answers with the case's history as JSON. A case whose script crashes
its process or calls ``os._exit`` therefore loses only its own row; the server, the pool
and the cluster's workers go on. Forking from the warm server saves each case the start
of an interpreter and the imports.

    python -m varnex2_standin sweep SCRIPT --grid KP=0.1,0.2,0.4 --grid KI=0.01,0.02
                                    [--cases FILE] [--model FILE] [--set PATH=VALUE ...]
                                    [--iterations N] [--monitor PATH ...]
                                    [--workers N | --scheduler ADDRESS] [--csv FILE] [--plot FILE]
"""
import argparse
import base64
import csv
import importlib
import itertools
import json
import math
import os
import pickle
import signal
import subprocess
import sys
import threading
import time
import types
from concurrent.futures import CancelledError, Executor, as_completed
from typing import Any, Callable, Dict, Iterable, List, Mapping, Optional, Sequence, Tuple, Union

from Varnex2Python.capture import cell

from varnex2_standin.history import History, PlotUnavailable, Value
from varnex2_standin.options import add_run_options, literal, run_arguments, take_script
from varnex2_standin.progress import Progress

__all__ = ["sweep", "SweepResult", "SweepInterrupted", "CaseError", "process_pool", "grid_cases", "read_cases",
           "add_parser", "main"]

PathLike = Union[str, "os.PathLike[str]"]
Case = Dict[str, Any]

# The run's own columns of a row; then the parameters, then per monitor its last, minimum and maximum.
HEAD_COLUMNS = ("case",)
RESULT_COLUMNS = ("outcome", "iterations", "residual")
STATISTICS = ("last", "min", "max")
# A run that finished or that its script cancelled went as planned; every other outcome failed.
GOOD_OUTCOMES = ("finished", "cancelled")


class CaseError(RuntimeError):
    """A case failed in its own process; the text is the reason (``History.error`` of the case)."""


class SweepInterrupted(KeyboardInterrupt):
    """Ctrl-C during a sweep: ``result`` holds the cases that finished; the others are
    marked "interrupted"."""

    def __init__(self, result: "SweepResult") -> None:
        super().__init__("sweep interrupted: %d of %d cases ran" % (result.ran, len(result)))
        self.result = result


# Cases.

def _pairs(start: Mapping[str, Any], define: Mapping[str, Any]) -> str:
    return ", ".join("%s=%s" % (key, value) for key, value in itertools.chain(start.items(), define.items()))


def _case_name(start: Mapping[str, Any], define: Mapping[str, Any], number: int) -> str:
    return _pairs(start, define) or "case %d" % number


def _cases(count: int) -> str:
    return "%d case%s" % (count, "" if count == 1 else "s")


def _check_cases(cases: Iterable[Mapping[str, Any]]) -> List[Case]:
    """The cases as dicts with name, set and define; TypeError or ValueError names the case."""
    if isinstance(cases, (Mapping, str, bytes)):
        raise TypeError("sweep() takes the cases as a sequence of mappings (set, define, name), not a %s"
                        % type(cases).__name__)
    checked = []
    for number, case in enumerate(cases, 1):
        where = "case %d" % number
        if not isinstance(case, Mapping):
            raise TypeError("%s is a %s, not a mapping with set, define and name" % (where, type(case).__name__))
        unknown = sorted(str(key) for key in case if key not in ("set", "define", "name"))
        if unknown:
            raise ValueError("%s: unknown key %s; a case has set, define and name" % (where, ", ".join(unknown)))
        parts = {}
        for part in ("set", "define"):
            value = case.get(part) or {}
            if not isinstance(value, Mapping):
                raise TypeError("%s: %s is a %s, not a mapping" % (where, part, type(value).__name__))
            for key in value:
                if not isinstance(key, str) or not key:
                    raise ValueError("%s: %s has the key %r; keys are %s" % (
                        where, part, key, "attribute paths" if part == "set" else "names"))
                if part == "define" and not key.isidentifier():
                    raise ValueError("%s: define %r is not a Python name" % (where, key))
            parts[part] = dict(value)
        try:
            json.dumps(parts, allow_nan=True)
        except (TypeError, ValueError) as error:
            raise ValueError("%s: its values cannot be sent to its process (numbers, text, booleans, "
                             "lists and dicts can): %s" % (where, error)) from None
        name = case.get("name")
        checked.append({"name": str(name) if name is not None else _case_name(parts["set"], parts["define"], number),
                        "set": parts["set"], "define": parts["define"]})
    if not checked:
        raise ValueError("sweep() needs at least one case")
    return checked


def _parameters(cases: Sequence[Case]) -> List[str]:
    """The parameter columns: every attribute path set, then every script global defined."""
    paths: Dict[str, None] = {}
    names: Dict[str, None] = {}
    for case in cases:
        paths.update(dict.fromkeys(case["set"]))
        names.update(dict.fromkeys(case["define"]))
    for name in names:
        if name in paths or name in HEAD_COLUMNS + RESULT_COLUMNS + ("reason",):
            raise ValueError("define %r has the name of another column of the sweep's table" % name)
    return list(paths) + list(names)


# Sending a run's options to the case processes.

def _portable(value: Any, what: str) -> Any:
    """An option as JSON data for a case process: paths made absolute (a case runs in
    another process, on a cluster in another folder), callables pickled by reference."""
    if value is None or isinstance(value, (Mapping, list, tuple)):
        return value
    if callable(value):
        try:
            return {"pickled": base64.b64encode(pickle.dumps(value)).decode("ascii")}
        except (pickle.PicklingError, AttributeError, TypeError) as error:
            raise ValueError("%s: a callable must be importable by name to run in a case's process "
                             "(a function at the top of a module): %s" % (what, error)) from None
    text = os.fspath(value)
    if isinstance(text, bytes):
        text = os.fsdecode(text)
    if text.lstrip().startswith("{"):  # a model as JSON text
        return text
    file, sep, function = text.rpartition(":")
    if sep and function.isidentifier() and file.endswith(".py"):  # FILE.py:FUNC
        return os.path.abspath(file) + ":" + function
    return os.path.abspath(text)


def _unpickled(value: Any) -> Any:
    if isinstance(value, dict) and set(value) == {"pickled"}:
        return pickle.loads(base64.b64decode(value["pickled"]))
    return value


def _payloads(script: Any, cases: Sequence[Case], options: Dict[str, Any]) -> List[str]:
    common = {key: _portable(value, key) if key in ("model", "plant", "inputs") else value
              for key, value in options.items()}
    common["script"] = _portable(script, "script")
    try:
        json.dumps(common)
    except (TypeError, ValueError) as error:
        raise ValueError("the run's options cannot be sent to the cases' processes (paths, numbers, text, "
                         "lists and dicts can): %s" % error) from None
    return [json.dumps(dict(common, index=index, set=case["set"], define=case["define"]))
            for index, case in enumerate(cases)]


# A case's own process.

def _play(payload: Dict[str, Any]) -> Dict[str, Any]:
    """Runs one case on a fresh stand-in and gives its history as JSON data."""
    import varnex2_standin
    from varnex2_standin.runner import ScriptError, run

    varnex2_standin.reset()
    options = {key: _unpickled(payload[key]) for key in ("model", "iterations", "plant", "inputs", "set", "define")
               if payload.get(key) not in (None, {}, [])}
    started = time.perf_counter()
    error = None
    history: Optional[History] = None
    try:
        history = run(_unpickled(payload["script"]), monitor=payload.get("monitor") or (), **options)
    except ScriptError as raised:
        history, error = raised.history, str(raised)
    except KeyboardInterrupt:
        return {"outcome": "interrupted", "error": "interrupted"}
    except Exception as raised:  # a wrong option, a model that cannot be loaded, a script that does not compile
        error = "%s: %s" % (type(raised).__name__, raised)
    seconds = time.perf_counter() - started
    if history is None:
        return {"outcome": "error", "error": error, "seconds": seconds}
    return {"outcome": "error" if error else history.outcome, "error": error, "seconds": seconds,
            "rows": history.rows, "monitors": history.monitors, "transient": history.transient,
            "units": history.units, "messages": history.messages}


def _exit_reason(status: int) -> str:
    if os.WIFSIGNALED(status):
        number = os.WTERMSIG(status)
        try:
            name = signal.Signals(number).name
        except ValueError:
            name = "signal %d" % number
        return "the case's process was killed by %s" % name
    return "the case's process exited with status %d before it reported" % os.WEXITSTATUS(status)


def _last_lines(stream: Any, count: int = 3) -> str:
    stream.seek(0, os.SEEK_END)
    stream.seek(max(0, stream.tell() - 4096))
    lines = [line.strip() for line in stream.read().decode("utf-8", "replace").splitlines() if line.strip()]
    return " | ".join(lines[-count:])


def _fork_case(line: bytes) -> Dict[str, Any]:
    """Plays a case in a forked process; its result, or why its process ended without one."""
    import tempfile

    output = tempfile.TemporaryFile()  # what the script prints, for the reason when its process dies
    reading, writing = os.pipe()
    pid = os.fork()
    if pid == 0:  # the case's process: never returns
        code = 1
        try:
            os.close(reading)
            signal.signal(signal.SIGINT, signal.default_int_handler)
            null = os.open(os.devnull, os.O_RDONLY)
            os.dup2(null, 0)
            os.dup2(output.fileno(), 1)
            os.dup2(output.fileno(), 2)
            result = _play(json.loads(line))
            with os.fdopen(writing, "w", encoding="utf-8") as stream:
                json.dump(result, stream)
            code = 0
        except BaseException:
            import traceback

            traceback.print_exc()
        finally:
            try:
                sys.stdout.flush()
                sys.stderr.flush()
            finally:
                os._exit(code)
    os.close(writing)
    with os.fdopen(reading, "r", encoding="utf-8") as stream:
        text = stream.read()
    status = os.waitpid(pid, 0)[1]
    with output:
        try:
            return dict(json.loads(text))
        except ValueError:  # nothing, or cut short: the process died before it reported
            last = _last_lines(output)
            return {"outcome": "died", "error": _exit_reason(status) + (" (last output: %s)" % last if last else "")}


def _serve() -> None:
    """The case server: one case per line on standard input, one result per line on standard output."""
    import gc

    import varnex2_standin
    from varnex2_standin.runner import run

    signal.signal(signal.SIGINT, signal.SIG_IGN)  # Ctrl-C reaches the cases, which report it
    answers = os.fdopen(os.dup(1), "w", encoding="utf-8")
    os.dup2(2, 1)  # stray output of the server itself stays off the answers
    # A throwaway run loads what a run imports on first use (the progress display, ...), once
    # here instead of in every case; reset() gives the library back as it was.
    run(lambda event: None, iterations=1)
    varnex2_standin.reset()
    gc.freeze()  # the collector leaves the server's objects alone: a case copies fewer pages of them
    for line in sys.stdin.buffer:
        answers.write(json.dumps(_fork_case(line)) + "\n")
        answers.flush()


_SERVER_CODE = "from varnex2_standin.sweep import _serve; _serve()"
_servers = threading.local()


def _run_case(payload: str) -> Dict[str, Any]:
    """The task submitted to the executor: the case's result as JSON data (never raises for
    a failing case). The server is started on first use by each worker thread and ends when
    the thread's process does (its standard input closes)."""
    server: Optional["subprocess.Popen[bytes]"] = getattr(_servers, "process", None)
    if server is None or server.poll() is not None:
        server = subprocess.Popen([sys.executable, "-c", _SERVER_CODE], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        _servers.process = server
    assert server.stdin is not None and server.stdout is not None
    try:
        server.stdin.write(payload.encode("utf-8") + b"\n")
        server.stdin.flush()
        answer = server.stdout.readline()
    except OSError:
        answer = b""
    if not answer:
        _servers.process = None
        server.kill()
        problem = server.communicate()[1].decode("utf-8", "replace").strip().splitlines()
        return {"outcome": "died", "error": "the case server ended: %s" % (problem[-1] if problem else
                                                                            "status %s" % server.returncode)}
    return dict(json.loads(answer))


# The table.

def _statistics(values: List[Value]) -> Tuple[Value, Value, Value]:
    numbers = [float(v) for v in values if isinstance(v, (int, float)) and not isinstance(v, bool)
               and not math.isnan(v)]
    last = values[-1] if values else None
    return last, (min(numbers) if numbers else None), (max(numbers) if numbers else None)


def _history(result: Dict[str, Any]) -> Optional[History]:
    if "rows" not in result:
        return None
    history = History(result["monitors"], transient=result["transient"], units=result["units"])
    history.rows = result["rows"]
    history.messages = [(kind, text) for kind, text in result["messages"]]
    history.outcome = result["outcome"]
    if result.get("error"):
        history.error = CaseError(result["error"])
    return history


class SweepResult:
    """The table of a sweep: ``rows`` (dicts keyed by ``columns``), one per case in the order
    of the cases, with the case's name, its parameters, its outcome ("finished", "cancelled",
    "error": the script or an option raised, "died": its process ended without a result,
    "interrupted": Ctrl-C), the iterations it ran, its final residual, the last, minimum
    and maximum of each monitor and the reason of a failure. ``histories`` holds each
    case's History (None when it has none), ``seconds`` the time of each run in its process,
    ``units`` the monitors' units (shown by ``header()`` in the CSV header and plot labels).
    """

    def __init__(self, cases: Sequence[Case], monitors: Sequence[str], results: Sequence[Dict[str, Any]]) -> None:
        self.cases = list(cases)
        self.parameters = _parameters(self.cases)
        self.monitors = list(monitors)
        self.columns = (list(HEAD_COLUMNS) + self.parameters + list(RESULT_COLUMNS)
                        + ["%s:%s" % (name, what) for name in self.monitors for what in STATISTICS] + ["reason"])
        self.histories = [_history(result) for result in results]
        self.units: Dict[str, str] = {}  # of the monitors, as the cases' histories have them
        for history in self.histories:
            self.units.update(history.units if history is not None else {})
        self.seconds: List[Optional[float]] = [result.get("seconds") for result in results]
        self.rows: List[Dict[str, Value]] = []
        for case, result, history in zip(self.cases, results, self.histories):
            row: Dict[str, Value] = {"case": case["name"]}
            row.update({name: case["set"].get(name, case["define"].get(name)) for name in self.parameters})
            row.update(outcome=result["outcome"], iterations=len(history.rows) if history else 0,
                       residual=history.rows[-1]["residual"] if history and history.rows else None)
            for name in self.monitors:
                stats = _statistics(history.column(name)) if history and history.rows else (None, None, None)
                row.update(("%s:%s" % (name, what), value) for what, value in zip(STATISTICS, stats))
            row["reason"] = result.get("error") or ""
            self.rows.append(row)

    def __len__(self) -> int:
        return len(self.rows)

    def __repr__(self) -> str:
        return "<SweepResult %s: %s>" % (_cases(len(self.rows)), self.counts())

    @property
    def ran(self) -> int:
        """How many cases ran (whatever their outcome)."""
        return sum(1 for row in self.rows if row["outcome"] != "interrupted")

    def failed(self) -> List[Dict[str, Value]]:
        """The rows of the cases that did not finish (nor were cancelled by their script)."""
        return [row for row in self.rows if row["outcome"] not in GOOD_OUTCOMES]

    def counts(self) -> str:
        """How many cases ended how: "5 finished, 1 error"."""
        found: Dict[str, int] = {}
        for row in self.rows:
            found[str(row["outcome"])] = found.get(str(row["outcome"]), 0) + 1
        return ", ".join("%d %s" % (count, outcome) for outcome, count in found.items())

    def summary(self) -> str:
        return "%s: %s" % (_cases(len(self.rows)), self.counts())

    def column(self, name: str) -> List[Value]:
        if name not in self.columns:
            raise KeyError("no column %r; the columns are %s" % (name, ", ".join(self.columns)))
        return [row.get(name) for row in self.rows]

    def header(self, name: str) -> str:
        """A column's name with its monitor's unit, as CSV headers show it: ``Pump/Pump1/Speed:last [rpm]``."""
        unit = self.units.get(name.rpartition(":")[0] if name.rpartition(":")[0] in self.monitors else name)
        return "%s [%s]" % (name, unit) if unit else name

    def to_csv(self, path: PathLike) -> None:
        """Writes the table with a header line (units in it, as History.to_csv writes them),
        cells as History.to_csv writes them."""
        with open(path, "w", newline="", encoding="utf-8") as stream:
            writer = csv.writer(stream)
            writer.writerow([self.header(name) for name in self.columns])
            for row in self.rows:
                writer.writerow([cell(row.get(name)) for name in self.columns])

    def to_frame(self) -> Any:
        """The table as a pandas DataFrame (needs pandas)."""
        try:
            pandas = importlib.import_module("pandas")  # untyped: Any
        except ImportError as error:
            raise ImportError("to_frame() needs pandas, which is not installed: pip install pandas") from error
        return pandas.DataFrame(self.rows, columns=self.columns)

    def _numbers(self, name: str) -> List[Optional[float]]:
        values: List[Optional[float]] = []
        for value in self.column(name):
            try:
                values.append(float(value) if value is not None and not isinstance(value, bool) else None)
            except ValueError:
                values.append(None)
        return values

    def plot(self, path: PathLike, monitor: Optional[str] = None, against: Optional[str] = None) -> None:
        """Writes a PNG. Against a parameter (by default the first numeric one that varies):
        the final value of ``monitor`` (by default the first monitor, else the residual) of
        each case, one line per combination of the other parameters. Against "iteration"
        (the default without such a parameter): one line per case over its iterations.
        Needs matplotlib (``pip install Varnex2Python[plot]``)."""
        value = monitor or (self.monitors[0] if self.monitors else "residual")
        if value not in self.monitors + ["residual"]:
            raise ValueError("plot(): %r is not monitored; choose one of %s"
                             % (value, ", ".join(self.monitors + ["residual"])))
        varying = [name for name in self.parameters
                   if None not in self._numbers(name) and len(set(self._numbers(name))) > 1]
        x_name = against or (varying[0] if varying else "iteration")
        if x_name != "iteration" and x_name not in self.parameters:
            raise ValueError("plot(): %r is not a parameter of the sweep; choose one of %s"
                             % (x_name, ", ".join(self.parameters + ["iteration"])))
        try:
            import matplotlib

            matplotlib.use("Agg")
            from matplotlib import pyplot
        except ImportError as error:
            raise PlotUnavailable("plots need matplotlib, which is not installed: "
                                  "pip install 'Varnex2Python[plot]' (or pip install matplotlib)") from error
        figure, axes = pyplot.subplots(figsize=(8, 4.8))
        if x_name == "iteration":
            self._draw_runs(axes, value)
        else:
            self._draw_finals(axes, value, x_name, [name for name in varying if name != x_name])
        if value == "residual":
            axes.set_yscale("log")
        axes.grid(True, which="both", alpha=0.3)
        if axes.get_legend_handles_labels()[0]:
            axes.legend(fontsize=7, loc="best")
        figure.tight_layout()
        figure.savefig(os.fspath(path), dpi=100)
        pyplot.close(figure)

    def _draw_runs(self, axes: Any, value: str) -> None:
        for row, history in zip(self.rows, self.histories):
            if history is not None and history.rows:
                axes.plot(history.column("iteration"), history.column(value), label=str(row["case"]))
        axes.set_xlabel("iteration")
        axes.set_ylabel(self.header(value), fontsize=8)
        axes.set_title("%s of each case (%s)" % (value, self.summary()))

    def _draw_finals(self, axes: Any, value: str, x_name: str, others: List[str]) -> None:
        column = value if value == "residual" else value + ":last"
        groups: Dict[Tuple[Value, ...], List[Tuple[float, float]]] = {}
        for row, x, y in zip(self.rows, self._numbers(x_name), self._numbers(column)):
            if x is not None and y is not None and row["outcome"] in GOOD_OUTCOMES:
                groups.setdefault(tuple(row[name] for name in others), []).append((x, y))
        for key, points in groups.items():
            points.sort()
            label = ", ".join("%s=%s" % pair for pair in zip(others, key)) or None
            axes.plot([p[0] for p in points], [p[1] for p in points], marker="o", label=label)
        axes.set_xlabel(x_name)
        axes.set_ylabel("final %s" % self.header(value), fontsize=8)
        axes.set_title("final %s against %s (%s)" % (value, x_name, self.summary()))


# Running the cases.

def _ignore_interrupts() -> None:
    signal.signal(signal.SIGINT, signal.SIG_IGN)  # a pool worker lives on: Ctrl-C goes to the cases


def process_pool(workers: Optional[int] = None) -> Executor:
    """A process pool of ``workers`` fresh interpreters (default: one per core)."""
    import multiprocessing
    from concurrent.futures import ProcessPoolExecutor

    if workers is not None and workers < 1:
        raise ValueError("workers must be at least 1, got %d" % workers)
    return ProcessPoolExecutor(max_workers=workers or os.cpu_count() or 1,
                               mp_context=multiprocessing.get_context("spawn"), initializer=_ignore_interrupts)


def _result_of(future: Any) -> Dict[str, Any]:
    try:
        return dict(future.result())
    except CancelledError:
        return {"outcome": "interrupted", "error": "interrupted before it started"}
    except Exception as error:  # the executor lost the task: a broken pool, a worker that died
        return {"outcome": "died", "error": "the executor failed the case: %s: %s" % (type(error).__name__, error)}


def _counted(done: int, total: int, failed: int) -> str:
    return "%d/%d cases%s" % (done, total, ", %d failed" % failed if failed else "")


def _bar(enabled: bool) -> Progress:
    """Finished cases: a bar on a terminal, a line at each tenth elsewhere (as runs show theirs)."""
    return Progress(sys.stderr, enabled=enabled)


def sweep(script: Any, cases: Iterable[Mapping[str, Any]], *, model: Any = None, plant: Any = None,
          inputs: Any = None, iterations: Optional[int] = None, monitor: Union[str, Sequence[str]] = (),
          executor: Optional[Executor] = None, progress: bool = False) -> SweepResult:
    """Runs ``script`` once per case, each case in a process of its own, and returns the
    table of the cases (SweepResult).

    A case is a mapping with ``set`` (attribute path -> start value), ``define`` (name ->
    global of the script) and an optional ``name``. ``model``, ``plant``, ``inputs``,
    ``iterations`` and ``monitor`` are those of ``run()`` for every case; paths are made
    absolute, a callable (script or plant) must be importable by name. ``executor``: any
    ``concurrent.futures.Executor``, e.g. ``distributed.Client(address).get_executor()``;
    by default a process pool with one fresh interpreter per core. ``progress``: a bar
    counting the finished cases on standard error.

    A failing case (its script raises, its process dies) is reported in its row and the
    others go on. Ctrl-C cancels the cases not started and raises SweepInterrupted, whose
    ``result`` holds the cases that ran. TypeError or ValueError for a malformed case,
    FileNotFoundError for a script file that is not there.
    """
    if iterations is not None and iterations < 1:
        raise ValueError("iterations must be at least 1, got %d" % iterations)
    if not callable(script) and not os.path.isfile(script):
        raise FileNotFoundError("no script file %s" % os.fspath(script))
    monitors = [monitor] if isinstance(monitor, str) else list(monitor)
    checked = _check_cases(cases)
    _parameters(checked)
    payloads = _payloads(script, checked, {"model": model, "plant": plant, "inputs": inputs,
                                           "iterations": iterations, "monitor": monitors})
    own = executor is None
    pool = process_pool() if executor is None else executor
    results: List[Dict[str, Any]] = [{"outcome": "interrupted", "error": "interrupted before it started"}] * len(payloads)
    futures: Dict[Any, int] = {}
    bar = _bar(progress)
    failed = done = 0
    try:
        for index, payload in enumerate(payloads):
            futures[pool.submit(_run_case, payload)] = index
        for future in as_completed(futures):
            result = results[futures[future]] = _result_of(future)
            failed += result["outcome"] not in GOOD_OUTCOMES
            done += 1
            bar.update(done / len(payloads), _counted(done, len(payloads), failed), done=done, total=len(payloads))
    except KeyboardInterrupt:
        for future, index in futures.items():
            if future.done():
                results[index] = _result_of(future)
            elif not future.cancel():  # running: on a terminal its process got the Ctrl-C as well
                results[index] = {"outcome": "interrupted", "error": "interrupted while it ran"}
        raise SweepInterrupted(SweepResult(checked, monitors, results)) from None
    finally:
        bar.close(done / max(len(payloads), 1), _counted(done, len(payloads), failed), done=done, total=len(payloads))
        if own:
            pool.shutdown(wait=True)
    return SweepResult(checked, monitors, results)


# Cases from the command line.

def _parameter(case: Case, name: str, text: str, where: str) -> None:
    """Puts a parameter given as text into a case: a name with "/" is an attribute path (its
    value stays text, converted by the attribute's kind), any other a script global (a literal)."""
    if "/" in name:
        case["set"][name] = text
    elif not name.isidentifier():
        raise ValueError("%s: %r is neither an attribute path (with /) nor a Python name" % (where, name))
    else:
        case["define"][name] = literal(text, where)


def grid_cases(grids: Sequence[str]) -> List[Case]:
    """The cases of ``NAME=V1,V2,...`` grids: every combination of their values, in order."""
    axes: List[Tuple[str, List[str], str]] = []
    for text in grids:
        where = "--grid %s" % text
        name, sep, values = text.partition("=")
        name = name.strip()
        if not sep or not name:
            raise ValueError("%s: expected NAME=V1,V2,..." % where)
        if name in (axis[0] for axis in axes):
            raise ValueError("%s: %s has a grid already" % (where, name))
        items = [item.strip() for item in values.split(",")]
        if "" in items:
            raise ValueError("%s: an empty value; values are separated by single commas" % where)
        probe: Case = {"set": {}, "define": {}}
        for item in items:
            _parameter(probe, name, item, where)
        axes.append((name, items, where))
    cases = []
    for point in itertools.product(*(axis[1] for axis in axes)):
        case: Case = {"set": {}, "define": {}}
        for (name, _, where), text in zip(axes, point):
            _parameter(case, name, text, where)
        cases.append(case)
    return cases


def read_cases(path: str) -> List[Case]:
    """Cases from a file: JSON (a list of objects with set, define and name) or CSV (a header
    of parameters, a row per case; a "name" column names the cases, an empty cell leaves
    the parameter out). ValueError names the file and the place."""
    try:
        with open(path, newline="", encoding="utf-8-sig") as stream:
            text = stream.read()
    except OSError as error:
        raise ValueError("--cases %s: %s" % (path, error.strerror or error)) from None
    if path.lower().endswith(".json") or text.lstrip().startswith("["):
        try:
            document = json.loads(text)
        except ValueError as error:
            raise ValueError("--cases %s: not valid JSON: %s" % (path, error)) from None
        if not isinstance(document, list):
            raise ValueError("--cases %s: expected a list of cases, found a %s" % (path, type(document).__name__))
        try:
            _check_cases(document)
        except (TypeError, ValueError) as error:
            raise ValueError("--cases %s: %s" % (path, error)) from None
        return [{"set": dict(case.get("set") or {}), "define": dict(case.get("define") or {}),
                 **({"name": case["name"]} if "name" in case else {})} for case in document]
    rows = list(csv.reader(text.splitlines()))
    if not rows or not any(cell.strip() for cell in rows[0]):
        raise ValueError("--cases %s: empty; expected a header line of parameters and a row per case" % path)
    header = [cell.strip() for cell in rows[0]]
    if len(set(header)) != len(header) or "" in header:
        raise ValueError("--cases %s: the header has an empty or repeated column: %s" % (path, ", ".join(header)))
    cases = []
    for number, cells in enumerate(rows[1:], 2):
        if not any(cell.strip() for cell in cells):
            continue
        where = "--cases %s, line %d" % (path, number)
        if len(cells) != len(header):
            raise ValueError("%s: %d cells for %d columns" % (where, len(cells), len(header)))
        case: Case = {"set": {}, "define": {}}
        for name, cell in zip(header, cells):
            if name == "name":
                case["name"] = cell
            elif cell.strip():
                _parameter(case, name, cell, "%s, column %s" % (where, name))
        cases.append(case)
    if not cases:
        raise ValueError("--cases %s: no case below the header" % path)
    return cases


def add_parser(subcommands: Any) -> argparse.ArgumentParser:
    """Adds the ``sweep`` command to the subcommands of the command line."""
    parser: argparse.ArgumentParser = subcommands.add_parser(
        "sweep", help="run a coupling script for many cases at once and tabulate them",
        description="Runs the script once per case, each case in a process of its own, on a process pool or a "
                    "Dask cluster, and writes a row per case: its parameters, outcome, iterations, final residual "
                    "and the last, minimum and maximum of each monitor. The cases are the product of the grids, "
                    "each combined with every case of --cases. Options that take several values end at the "
                    "script file or at --.")
    parser.add_argument("script", nargs="?", help="the coupling script, unmodified")
    parser.add_argument("--grid", metavar="NAME=V1,V2,...", action="append", default=[],
                        help="values of one parameter (repeatable; the cases are the product of the grids): a NAME "
                             "with / is an attribute path (a start value), any other a global of the script "
                             "(Python literals: 0.5, 'fast')")
    parser.add_argument("--cases", metavar="FILE",
                        help="explicit cases: JSON (a list of objects with set, define and name) or CSV (a column "
                             "per parameter, names as for --grid, an optional name column)")
    add_run_options(parser)
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--workers", metavar="N", type=int, help="processes of the local pool (default: one per core)")
    where.add_argument("--scheduler", metavar="ADDRESS",
                       help="run on the Dask cluster of this scheduler, e.g. tcp://host:8786 "
                            "(needs pip install 'Varnex2Python[dask]'; the workers must see the same files)")
    parser.add_argument("--csv", metavar="FILE", help="write the table of the cases as CSV")
    parser.add_argument("--plot", metavar="FILE", help="write a PNG: the first monitor's final value against the "
                                                       "first parameter (needs matplotlib)")
    parser.add_argument("--quiet", action="store_true", help="no progress bar, only the summary")
    return parser


def _usage(text: str) -> int:
    print("varnex2-standin: error: %s" % text, file=sys.stderr)
    return 2


def _cases_of(args: argparse.Namespace, options: Dict[str, Any]) -> List[Case]:
    """Every case of --cases (or one empty case) with every point of the grids, over the
    run's own --set and --define; named after what they sweep."""
    start, define = options.pop("set"), options.pop("define")
    grid = grid_cases(args.grid) if args.grid else []
    if args.cases is None and not grid:
        raise ValueError("nothing to sweep: give --grid NAME=V1,V2,... or --cases FILE")
    listed = read_cases(args.cases) if args.cases is not None else [{"set": {}, "define": {}}]
    cases = []
    for number, (entry, point) in enumerate(itertools.product(listed, grid or [{"set": {}, "define": {}}]), 1):
        names = [entry.get("name") or _pairs(entry["set"], entry["define"]), _pairs(point["set"], point["define"])]
        cases.append({"name": ", ".join(name for name in names if name) or "case %d" % number,
                      "set": dict(start, **entry["set"], **point["set"]),
                      "define": dict(define, **entry["define"], **point["define"])})
    return cases


def _executor(args: argparse.Namespace) -> Tuple[Executor, str, Callable[[], None]]:
    """The executor the options ask for, what to call it, and how to close it."""
    if args.scheduler is None:
        if args.workers is not None and args.workers < 1:
            raise ValueError("--workers must be at least 1, got %d" % args.workers)
        workers = args.workers or os.cpu_count() or 1
        pool = process_pool(workers)
        return pool, "%d local processes" % workers, pool.shutdown  # the running cases got any Ctrl-C too
    try:
        distributed = importlib.import_module("distributed")  # untyped: Any
    except ImportError:
        raise ValueError("--scheduler needs distributed, which is not installed: "
                         "pip install 'Varnex2Python[dask]'") from None
    try:
        client = distributed.Client(args.scheduler, timeout=10)
    except (OSError, TimeoutError, ValueError) as error:
        raise ValueError("--scheduler %s: cannot reach the scheduler: %s" % (args.scheduler, error)) from None
    executor = client.get_executor()

    def close() -> None:
        executor.shutdown(wait=False)
        client.close()

    return executor, "the Dask cluster at %s" % args.scheduler, close


def main(args: argparse.Namespace) -> int:
    """The ``sweep`` command: 0 every case finished (or its script cancelled it), 1 a case
    failed, 2 wrong usage, 130 interrupted (what finished is written)."""
    args.script = take_script(args, ("monitor",))
    if args.script is None:
        return _usage("no script given (--monitor, which takes several values, ends at the script file or at --)")
    if not os.path.isfile(args.script):
        return _usage("no script file %s" % args.script)
    if args.plot:
        try:
            import matplotlib  # noqa: F401
        except ImportError:
            return _usage("--plot needs matplotlib, which is not installed: pip install 'Varnex2Python[plot]'")
    try:
        options = run_arguments(args)
        cases = _cases_of(args, options)
        _parameters(_check_cases(cases))
        executor, where, close = _executor(args)
    except (TypeError, ValueError) as error:
        return _usage(str(error))
    try:
        return _sweep_and_write(args, cases, options, where, executor)
    finally:
        close()  # after the table is written: the process pool waits for its running cases


def _sweep_and_write(args: argparse.Namespace, cases: List[Case], options: Dict[str, Any], where: str,
                     executor: Executor) -> int:
    print("== sweep of %s: %s on %s" % (args.script, _cases(len(cases)), where))
    started = time.monotonic()
    status = 0
    try:
        result = sweep(args.script, cases, executor=executor, progress=not args.quiet, **options)
    except SweepInterrupted as interrupted:
        result, status = interrupted.result, 130
        print("varnex2-standin: interrupted; the cases not started were cancelled", file=sys.stderr)
    except (TypeError, ValueError) as error:
        return _usage(str(error))
    for row in result.failed():
        if row["outcome"] != "interrupted":
            print("case %s: %s: %s" % (row["case"], row["outcome"], row["reason"]))
    print("== %s in %.1f s" % (result.summary(), time.monotonic() - started))
    sys.stdout.flush()
    if args.csv:
        result.to_csv(args.csv)
        print("table: %d rows -> %s" % (len(result), args.csv))
    if args.plot:
        if any(history is not None and history.rows for history in result.histories):
            result.plot(args.plot)
            print("plot -> %s" % args.plot)
        else:
            print("no plot: no case ran an iteration")
    return status or (1 if result.failed() else 0)


# `import varnex2_standin.sweep` makes the submodule the package's attribute `sweep`, in place
# of this function; a call through that attribute still sweeps.
class _CallableModule(types.ModuleType):
    def __call__(self, *args: Any, **kwargs: Any) -> SweepResult:
        return sweep(*args, **kwargs)


sys.modules[__name__].__class__ = _CallableModule
