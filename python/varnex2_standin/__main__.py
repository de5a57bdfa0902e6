"""Command line of the stand-in: run a coupling script as the solver would (in a closed loop
with a plant, signals or a recorded run), sweep it over many cases, show or check a model.

    python -m varnex2_standin run SCRIPT [--model FILE] [--iterations N] [--at EVENT ...]
        [--monitor PATH ...] [--plant FILE.py[:FUNC]] [--inputs FILE.csv] [--set PATH=VALUE]
        [--define NAME=VALUE] [--replay TRACE.csv] [--continue STATE] [--generation]
        [--csv FILE] [--plot FILE] [--setpoint PATH=VALUE] [--tolerance X] [--quiet]
    python -m varnex2_standin sweep SCRIPT --grid NAME=V1,V2 ... | --cases FILE [run options]
        [--workers N | --scheduler ADDRESS] [--csv FILE] [--plot FILE]
    python -m varnex2_standin info [MODEL] [--json]
    python -m varnex2_standin check MODEL

Also installed as the command ``varnex2-standin``. Exit status: 0 done (a run finished or
was cancelled by its script, a model is valid), 1 the script or plant raised (its traceback
is printed), an output could not be written or the model has problems, 2 wrong usage (a
missing file, an unknown event, path or option value, named before anything runs), 130
interrupted (the rows so far are written).
"""
import argparse
import json
import os
import pathlib
import signal
import sys
import warnings
from typing import Any, Dict, List, Optional, Sequence

import varnex2_standin
from varnex2_standin.history import History
from varnex2_standin.modeltools import escape_controls, tree
from varnex2_standin.options import add_run_options, assignment, run_arguments, take_script
from varnex2_standin.runner import RunError, RunInterrupted, ScriptError, prepare
from varnex2_standin.sweep import add_parser as add_sweep_parser, main as sweep_main

EXIT_OK, EXIT_FAILED, EXIT_USAGE, EXIT_INTERRUPTED = 0, 1, 2, 130


def _version() -> str:
    """The installed package's version; from a build tree, the version of the library."""
    from importlib import metadata

    try:
        return metadata.version("Varnex2Python")
    except metadata.PackageNotFoundError:
        import re

        import Varnex2Python

        found = re.search(r"\d+(\.\d+)+", Varnex2Python.versionString())
        return found.group() if found else "unknown"


class _VersionAction(argparse.Action):
    """--version: looks the version up only when asked."""

    def __init__(self, option_strings: Sequence[str], dest: str, **kwargs: Any) -> None:
        super().__init__(option_strings, dest, nargs=0, help="print the version and exit")

    def __call__(self, parser: argparse.ArgumentParser, namespace: argparse.Namespace, values: Any,
                 option_string: Optional[str] = None) -> None:
        print("varnex2-standin %s" % _version())
        parser.exit()


def _parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog="varnex2-standin",
        description="Offline tools of the Varnex2 stand-in library: run a coupling script as the "
                    "solver would, print a model as a tree, check a model file.")
    parser.add_argument("--version", action=_VersionAction)
    commands = parser.add_subparsers(dest="command", metavar="COMMAND")
    commands.required = True
    run = commands.add_parser(
        "run", help="run a coupling script at the solver's events and record the run",
        description="Plays the solver on the stand-in: Initialize, then per iteration [TimeStepStart] "
                    "IterationStart (plant) ControllerUpdate IterationEnd [TimeStepEnd], then Finished, "
                    "Cancelled (the script stopped the solve) or Error (the script raised). The script runs "
                    "at the chosen events. Options that take several values end at the script file or at --.")
    run.add_argument("script", nargs="?", help="the coupling script, unmodified")
    add_run_options(run)
    run.add_argument("--at", metavar="EVENT", nargs="+", action="extend",
                     help="events at which the script runs, e.g. Initialize IterationEnd (default: IterationEnd "
                          "for top-level scripts; for scripts with event functions, the events they handle)")
    run.add_argument("--replay", metavar="TRACE.csv",
                     help="follow a recorded run: its residual and the recorded values the script and the plant "
                          "do not write, in each iteration (to the trace's end unless --iterations says more)")
    run.add_argument("--continue", dest="continue_from", metavar="STATE",
                     help="continue a run from a state written by dump_model(): Continue is raised instead of "
                          "Initialize; with --iterations N, N more iterations")
    run.add_argument("--generation", action="store_true",
                     help="play a generation phase first (CFDGenerationStart, CFDGenerationEnd)")
    run.add_argument("--csv", metavar="FILE", help="write the history as CSV")
    run.add_argument("--plot", metavar="FILE", help="write a PNG of the residual and the monitored values "
                                                     "(needs matplotlib: pip install 'Varnex2Python[plot]')")
    run.add_argument("--setpoint", metavar="PATH=VALUE", action="append", default=[],
                     help="a set-point drawn as a dashed line in the plot's panel of that monitor (repeatable)")
    run.add_argument("--tolerance", metavar="X", type=float, help="a tolerance line in the plot's residual panel")
    run.add_argument("--quiet", action="store_true", help="no progress and no messages, only the summary")
    info = commands.add_parser("info", help="print a model as a tree of entities and attributes")
    info.add_argument("model", nargs="?", help="model file (default: the built-in model)")
    info.add_argument("--json", action="store_true", help="print the model as dump_model() gives it")
    check = commands.add_parser("check", help="validate a model file and print every problem with its place")
    check.add_argument("model", help="model file")
    add_sweep_parser(commands)
    return parser


def _error(text: str) -> int:
    print("varnex2-standin: error: %s" % text, file=sys.stderr)
    return EXIT_USAGE


def _load(model: Optional[str]) -> Optional[str]:
    """Loads the model file (or the built-in model); the error text, or None."""
    varnex2_standin.reset()
    if model is None:
        return None
    if not os.path.isfile(model):
        return "no model file %s" % model
    try:
        varnex2_standin.load_model(model)
    except varnex2_standin.ModelError as error:
        return "the model cannot be used: %s (python -m varnex2_standin check %s lists every problem)" % (
            error, model)
    return None


def _writable(path: str, option: str) -> Optional[str]:
    """Why ``path`` cannot be written, checked before the run; None when it can."""
    folder = os.path.dirname(os.path.abspath(path))
    if os.path.isdir(path):
        return "%s %s: is a folder, not a file" % (option, path)
    if not os.path.isdir(folder):
        return "%s %s: no folder %s" % (option, path, folder)
    if not os.access(folder, os.W_OK) or (os.path.exists(path) and not os.access(path, os.W_OK)):
        return "%s %s: cannot write there" % (option, path)
    return None


def _warn(message: Any, category: Any, filename: str, lineno: int, file: Any = None, line: Any = None) -> None:
    print("varnex2-standin: warning: %s" % message, file=sys.stderr)


def _run(args: argparse.Namespace) -> int:
    args.script = take_script(args)
    if args.script is None:
        return _error("no script given (options that take several values, --monitor and --at, end at the "
                      "script file or at --)")
    if not os.path.isfile(args.script):
        return _error("no script file %s" % args.script)
    for path, option in ((args.csv, "--csv"), (args.plot, "--plot")):
        problem = _writable(path, option) if path else None
        if problem:
            return _error(problem)
    if args.plot:
        try:
            import matplotlib  # noqa: F401
        except ImportError:
            return _error("--plot needs matplotlib, which is not installed: pip install 'Varnex2Python[plot]'")
    if args.continue_from is not None and not os.path.isfile(args.continue_from):
        return _error("--continue: no file %s" % args.continue_from)
    try:
        options = run_arguments(args)
        args.setpoints = _setpoints(args)
    except ValueError as error:
        return _error(str(error))
    varnex2_standin.reset()
    try:
        with warnings.catch_warnings():
            warnings.showwarning = _warn
            prepared = prepare(args.script, at=args.at, progress=not args.quiet, replay=args.replay,
                               continue_from=args.continue_from, generation=args.generation, **options)
    except varnex2_standin.ModelError as error:
        model = args.continue_from or args.model
        return _error("the model cannot be used: %s (python -m varnex2_standin check %s lists every problem)"
                      % (error, model))
    except (ValueError, TypeError) as error:  # an unknown event, path, value or file
        return _error(str(error))
    except SyntaxError as error:
        import traceback

        sys.stderr.write("".join(traceback.format_exception_only(type(error), error)))
        return EXIT_FAILED
    transient = varnex2_standin.run_state()["transient"]
    print("== %s on %s (%s run): %s" % (args.script, args.continue_from or args.model or "the built-in model",
                                        "transient" if transient else "steady", prepared.describe()))
    try:
        history = prepared.play()
        status = EXIT_OK
    except ScriptError as error:
        history = error.history
        sys.stdout.flush()
        sys.stderr.write(error.script_traceback())
        print("varnex2-standin: %s" % error, file=sys.stderr)
        status = EXIT_FAILED
    except RunError as error:
        history = error.history
        print("varnex2-standin: error: %s" % error, file=sys.stderr)
        status = EXIT_FAILED
    except RunInterrupted as error:
        history = error.history
        print("\nvarnex2-standin: interrupted", file=sys.stderr)
        status = EXIT_INTERRUPTED
    print("== %s" % history.summary())
    if not _write_outputs(history, args):
        status = status or EXIT_FAILED
    return status


def _setpoints(args: argparse.Namespace) -> Dict[str, float]:
    """--setpoint PATH=VALUE as monitor -> value; the path must be one of the monitors."""
    found: Dict[str, float] = {}
    for text in args.setpoint:
        path, value = assignment(text, "--setpoint")
        if path not in args.monitor:
            raise ValueError("--setpoint %s: %s is not monitored (--monitor %s)" % (text, path, path))
        try:
            found[path] = float(value)
        except ValueError:
            raise ValueError("--setpoint %s: %r is not a number" % (text, value)) from None
    if found and not args.plot:
        raise ValueError("--setpoint is drawn in the plot: give --plot FILE too")
    return found


def _write_outputs(history: History, args: argparse.Namespace) -> bool:
    """Writes the CSV and the plot; False (an error line said why) when one cannot be written."""
    written = True
    for path, write, report in ((args.csv, history.to_csv, "history: %d rows, %d columns -> %%s"
                                 % (len(history.rows), len(history.columns))),
                                (args.plot, lambda path: history.plot(path, setpoints=args.setpoints,
                                                                      tolerance=args.tolerance), "plot -> %s")):
        if not path:
            continue
        try:
            write(path)
            print(report % path)
        except OSError as error:
            print("varnex2-standin: error: cannot write %s: %s" % (path, error.strerror or error), file=sys.stderr)
            written = False
    return written


def _info(args: argparse.Namespace) -> int:
    problem = _load(args.model)
    if problem:
        return _error(problem)
    dumped = varnex2_standin.dump_model()
    if args.json:
        print(escape_controls(json.dumps(dumped, indent=1, ensure_ascii=False), json_escapes=True))
        return EXIT_OK
    print("model: %s" % escape_controls(args.model or "built-in"))
    for line in tree(dumped):
        print(line)
    return EXIT_OK


def _check(args: argparse.Namespace) -> int:
    # The library's reader finds the problems, so the check and loading cannot disagree. A
    # Path, so that a file name starting with "{" is not taken for JSON text.
    path = pathlib.Path(args.model)
    if not os.path.lexists(path):
        return _error("no model file %s" % args.model)
    found = varnex2_standin.check_model(path)
    if not found:
        try:
            varnex2_standin.load_model(path)
        except varnex2_standin.ModelError as error:  # the file changed in between
            found = [str(error)]
    for text in found:
        _say("%s: %s" % (args.model, text))
    if found:
        _say("%s in %s" % (_count(len(found), "problem", "problems"), args.model))
        return EXIT_FAILED
    roots = varnex2_standin.dump_model().get("entities", [])
    _say("%s: valid model, %s, %s" % (args.model, _count(len(roots), "root entity", "root entities"),
                                      _count(_count_entities(roots), "entity", "entities")))
    return EXIT_OK


def _say(line: str) -> None:
    """Prints a line even where the output cannot encode all of it (a file name in bytes that
    are not text, a terminal that is not UTF-8): those characters are escaped."""
    try:
        print(line)
    except UnicodeEncodeError:
        encoding = getattr(sys.stdout, "encoding", None) or "utf-8"
        print(line.encode(encoding, "backslashreplace").decode(encoding))


def _count(number: int, one: str, many: str) -> str:
    return "%d %s" % (number, one if number == 1 else many)


def _count_entities(nodes: List[Dict[str, Any]]) -> int:
    count = 0
    for node in nodes:
        if node.get("kind", "entity") == "entity":
            count += 1
        count += _count_entities(node.get("attributes", []))
    return count


def main(argv: Optional[Sequence[str]] = None) -> int:
    args = _parser().parse_args(argv)
    try:
        status = {"run": _run, "info": _info, "check": _check, "sweep": sweep_main}[args.command](args)
        sys.stdout.flush()  # a closed pipe shows up here rather than at exit
        return status
    except KeyboardInterrupt:
        print("\nvarnex2-standin: interrupted", file=sys.stderr)
        return EXIT_INTERRUPTED
    except BrokenPipeError:
        # The reader went away (| head): stop quietly, as other tools do. Standard output
        # goes to /dev/null so that the interpreter's flush at exit finds nothing to write.
        try:
            devnull = os.open(os.devnull, os.O_WRONLY)
            os.dup2(devnull, sys.stdout.fileno())
            os.close(devnull)
        except (OSError, ValueError):
            pass  # not a file descriptor (a redirected sys.stdout): nothing is flushed at exit
        return 128 + signal.SIGPIPE


if __name__ == "__main__":
    sys.exit(main())
