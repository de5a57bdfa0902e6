"""Short fuzzing runs and the fuzzer's tables.

A run binds the package's classes (process-wide), so it runs in a child interpreter: random
calls never crash or raise SystemError, at least half of them pass argument checking, and
every function gets a call with valid arguments that passes it.
"""
import importlib.util
import os
import re
import subprocess
import sys

import pytest

import fuzz

pytestmark = pytest.mark.controls  # the fuzzer arms failures through the stand-in's controls
from proxy_tools import descriptor

SCRIPT = os.path.abspath(fuzz.__file__)


def fuzz_run(*options):
    proc = subprocess.run([sys.executable, SCRIPT] + list(options), capture_output=True, text=True, timeout=900)
    found = re.search(r"(\d+) calls, ([\d.]+)% passed argument checking .*; (\d+) of (\d+) functions reached",
                      proc.stdout)
    assert proc.returncode == 0 and found, proc.stdout + proc.stderr[-3000:]
    calls, share, reached, total = found.groups()
    return int(calls), float(share), int(reached), int(total)


@pytest.mark.parametrize("seed", [1, 2, 3])
def test_random_calls_fail_cleanly_and_mostly_reach_the_library(seed):
    calls, share, reached, total = fuzz_run("--calls", "20000", "--seed", str(seed), "--refresh", "3000")
    assert calls == 20000 and share >= 50 and reached == total


def test_drawn_forms_pass_argument_checking(m):
    """Without hostile calls nearly every call passes (the few misses: a lone surrogate as an
    identifier text, None compared with an identifier), and the drawn forms cover every function."""
    _, share, reached, total = fuzz_run("--calls", "20000", "--seed", "4", "--hostile", "0", "--reentrant", "0")
    forms = fuzz.load_forms()
    # Iterators come from the test-only peer module, which wheel runs leave out.
    has_peer = importlib.util.find_spec("_Varnex2TestPeer") is not None
    least = len(forms) if has_peer else len([name for name in forms if "SwigPyIterator" not in name])
    assert share >= 99.5 and reached == total and least <= total <= len(forms)


def test_the_stubs_give_every_function_and_each_reference_a_registered_pointer_type(m):
    forms = fuzz.load_forms()
    assert set(forms) == {name for name, fn in vars(m).items() if callable(fn)}
    for name, variants in forms.items():
        for form in variants:
            for param, annotation in form:
                if "_do_" in name and annotation == "_SwigPyObject" and param != "entityID":
                    assert descriptor(fuzz.ref_type(name, param)), (name, param)


@pytest.mark.parametrize("call,argument_error", [
    ("hasAccess('x')", True), ("hasAccess(2**40)", True), ("version(1)", True), ("IHandle_getHandleType()", True),
    ("ISolverManager_showMessage(manager)", True), ("ISolverManager_showMessage(manager, None)", True),
    ("ISolverData_getIteration(manager, 1, 2, 3)", True), ("ISolverData_getIteration(manager, 'x')", True),
    ("toString(999)", False), ("IEntityCollection_getEntity(collection, 99)", False),
    ("EntityID_fromString('x')", False), ("IAttribute_do_hasUnits_const(None, None)", True),
])
def test_argument_errors_are_told_from_library_errors(m, manager, collection, call, argument_error):
    """The summary's share rests on telling the two apart by their texts."""
    with pytest.raises(fuzz.ALLOWED + (AttributeError,)) as e:
        eval("m." + call, {"m": m, "manager": manager, "collection": collection})
    assert fuzz.is_argument_error(e.value) == argument_error, str(e.value)
