"""Fixtures for tests that make owned proxies or subprocess runs of the same build, and the
checks and message texts the wrapper tests share.

No shadow class is bound in the test process (bindings are process-wide), so an owned proxy
would print the leak line when it goes. `owned` hands each one back to its delete function at
teardown instead; results whose ownership moved elsewhere are skipped.
"""
import os
import sys

import pytest

from proxy_tools import METH_O, flags


@pytest.fixture
def owned():
    kept = []

    def keep(proxy, delete):
        kept.append((proxy, delete))
        return proxy

    yield keep
    for proxy, delete in reversed(kept):
        if proxy.own():
            delete(proxy)


@pytest.fixture
def run_same(run_python):
    """run_python with this process's import path, so a fresh interpreter loads the same build."""
    path = os.pathsep.join(p for p in sys.path if p)

    def run(code, preamble="import _Varnex2Python as m\n"):
        return run_python(preamble + code, PYTHONPATH=path)

    return run


def raises(error, text, fn, *args):
    """fn(*args) raises exactly `error` (not a subclass) with exactly `text`; a callable text is
    read after the call (a message that the failing object keeps)."""
    with pytest.raises(error) as caught:
        fn(*args)
    assert type(caught.value) is error and str(caught.value) == (text() if callable(text) else text)


def arg_message(name, number, type_text):
    """The message of an argument that does not convert."""
    return "in method '%s', argument %d of type '%s'" % (name, number, type_text)


def null_message(name, number, type_text):
    """The message of None (or a null proxy) where a reference is needed."""
    return "invalid null reference " + arg_message(name, number, type_text)


def overload_message(name, prototypes):
    """The message of a dispatcher that no form fits, with its prototype lines."""
    return ("Wrong number or type of arguments for overloaded function '%s'.\n"
            "  Possible C/C++ prototypes are:\n" % name + "".join("    %s\n" % p for p in prototypes))


def count_message(name, most, given):
    """The first part of the message of a dispatcher given too many arguments."""
    return "%s expected at most %d arguments, got %d\nAdditional information:\n" % (name, most, given)


def check_rows(m, rows, one_object, undocumented):
    """rows follow one another in the module's table; exactly `one_object` of them take one
    object (METH_O) and exactly `undocumented` have no docstring."""
    names = list(vars(m))
    start = names.index(rows[0])
    assert names[start:start + len(rows)] == rows
    assert {n for n in rows if flags(getattr(m, n)) == METH_O} == set(one_object)
    assert {n for n in rows if getattr(m, n).__doc__ is None} == set(undocumented)


PACKAGE_CHILD = os.environ.get("VARNEX2_PACKAGE_TESTS") == "child"


def run_in_a_package_child(namespace, path):
    """Class bindings are process-wide: once Varnex2Python is imported every result of the
    module is a class instance. A test file that imports it calls this at its end: in the parent
    its tests are replaced by one that runs the file in a child pytest with the package."""
    if PACKAGE_CHILD:
        return
    import subprocess
    for name in [name for name in namespace if name.startswith("test_")]:
        del namespace[name]

    def test_in_a_fresh_interpreter():
        env = dict(os.environ, VARNEX2_PACKAGE_TESTS="child")
        proc = subprocess.run([sys.executable, "-m", "pytest", "-q", "-p", "no:cacheprovider", path],
                              cwd=os.path.dirname(path), env=env, capture_output=True, text=True, timeout=600)
        assert proc.returncode == 0, proc.stdout[-8000:] + proc.stderr[-2000:]
    namespace["test_in_a_fresh_interpreter"] = test_in_a_fresh_interpreter

