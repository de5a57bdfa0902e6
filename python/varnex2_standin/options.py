"""Command-line options of a run, shared by ``run`` and ``sweep``: what they add to a parser
and the keyword arguments of ``varnex2_standin.run`` they give."""
import argparse
import ast
import os
from typing import Any, Dict, List, Optional, Sequence, Tuple

__all__ = ["add_run_options", "run_arguments", "assignment", "literal", "take_script"]


def assignment(text: str, option: str) -> Tuple[str, str]:
    """``NAME=VALUE`` split at the first ``=``; ValueError names the option and the text."""
    name, sep, value = text.partition("=")
    if not sep or not name.strip():
        raise ValueError("%s %s: expected NAME=VALUE" % (option, text))
    return name.strip(), value


def literal(text: str, where: str) -> Any:
    """A Python literal (``0.5``, ``'fast'``, ``[1, 2]``); ValueError says how to give text."""
    try:
        return ast.literal_eval(text.strip())
    except (ValueError, SyntaxError, MemoryError, RecursionError):
        raise ValueError("%s: %r is not a Python literal (numbers as 0.5, text quoted as 'fast')"
                         % (where, text)) from None


def add_run_options(parser: argparse.ArgumentParser, several: bool = True) -> None:
    """The options of a run; ``several`` False leaves out the per-run ones a sweep sets per case."""
    parser.add_argument("--model", metavar="FILE", help="model file (default: the built-in cooling loop)")
    parser.add_argument("--iterations", metavar="N", type=int,
                        help="stop after N iterations (default: until the run ends by itself)")
    parser.add_argument("--monitor", metavar="PATH", nargs="+", action="extend", default=[],
                        help="attributes to record every iteration: full path (CoolingLoop/Pump1/Speed) "
                             "or Type/Name/path (Pump/Pump1/Speed)")
    parser.add_argument("--plant", metavar="FILE.py[:FUNC]",
                        help="a plant called in every iteration where the solver computes (default function: plant)")
    parser.add_argument("--inputs", metavar="FILE.csv",
                        help="input signals: a time or iteration column and one column per attribute path, "
                             "written at Current before each iteration (transient: each time step)")
    parser.add_argument("--set", metavar="PATH=VALUE", action="append", default=[],
                        help="a start value, written at Initial and Current before the run (repeatable)")
    parser.add_argument("--define", metavar="NAME=VALUE", action="append", default=[],
                        help="a global of the script, a Python literal: --define KP=0.5 (repeatable)")


def run_arguments(args: argparse.Namespace) -> Dict[str, Any]:
    """The keyword arguments of ``run()`` from parsed options; ValueError for a malformed one."""
    start: Dict[str, str] = {}
    for text in args.set:
        path, value = assignment(text, "--set")
        start[path] = value
    define: Dict[str, Any] = {}
    for text in args.define:
        name, value = assignment(text, "--define")
        if not name.isidentifier():
            raise ValueError("--define %s: %r is not a Python name" % (text, name))
        define[name] = literal(value, "--define %s" % text)
    if args.iterations is not None and args.iterations < 1:
        raise ValueError("--iterations must be at least 1, got %d" % args.iterations)
    for option in ("inputs", "model"):
        path = getattr(args, option)
        if path is not None and not os.path.isfile(path):
            raise ValueError("--%s: no file %s" % (option, path))
    return {"model": args.model, "iterations": args.iterations, "monitor": args.monitor, "plant": args.plant,
            "inputs": args.inputs, "set": start, "define": define}


def take_script(args: argparse.Namespace, lists: Sequence[str] = ("monitor", "at")) -> Optional[str]:
    """The script when an option of several values swallowed it (``--monitor PATH script.py``):
    the last value of such an option that is a file ending in .py."""
    if args.script is not None:
        return str(args.script)
    for name in lists:
        values: Optional[List[str]] = getattr(args, name, None)
        if values and values[-1].endswith(".py") and os.path.isfile(values[-1]):
            return values.pop()
    return None
