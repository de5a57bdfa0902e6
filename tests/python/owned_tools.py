"""Fixtures for tests that make owned proxies, subprocess runs of the same build, two readings
of what a function or proxy is, and the texts of the dispatchers' messages.

No shadow class is bound in the test process (bindings are process-wide), so an owned proxy
would print the leak line when it goes. `owned` hands each one back to its delete function at
teardown instead; results whose ownership moved elsewhere are skipped.
"""
import os
import sys

import pytest


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


def type_name(obj):
    """The display name of a bare proxy's type, as its representation shows it."""
    text = repr(obj)
    return text[len("<Swig Object of type '"):text.index("' at 0x")]


def takes_one_object(fn):
    """True for a METH_O function: the interpreter itself refuses any other argument count."""
    try:
        fn(*range(9))
    except TypeError as error:
        return str(error) == "%s.%s() takes exactly one argument (9 given)" % (fn.__module__, fn.__name__)
    return False


def overload_message(name, prototypes):
    """The message of a dispatcher that no form fits, with its prototype lines."""
    return ("Wrong number or type of arguments for overloaded function '%s'.\n"
            "  Possible C/C++ prototypes are:\n" % name + "".join("    %s\n" % p for p in prototypes))


def count_message(name, most, given):
    """The first part of the message of a dispatcher given too many arguments."""
    return "%s expected at most %d arguments, got %d\nAdditional information:\n" % (name, most, given)
