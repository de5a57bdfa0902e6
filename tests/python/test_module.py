"""Module creation: dictionary order, docstrings, constants, cvar, exports, a second import.

The registry capsule is not checked here: proxy_tools reads every type descriptor through it."""
import re

import pytest

from owned_tools import raises


def module_constants(m):
    return [k for k, v in vars(m).items() if isinstance(v, int) and not k.startswith("_")]


def test_dictionary_order_interleaves_constants_and_cvar(m):
    keys = [k for k in vars(m) if not k.startswith("__")]
    first_constant = keys.index("AccessType__None")
    assert all(callable(getattr(m, k)) for k in keys[:first_constant])
    tail = keys[first_constant:]
    assert tail[tail.index("Chronology_Invalid") + 1] == "cvar"
    assert tail[tail.index("cvar") + 1] == "EventType_Unknown"
    assert tail.index("HandleType_Functor") + 1 == tail.index("OrvaneSDK_SolvePhase_Unknown")
    assert tail[-1] == "SolveState_FinishedFNGeneration"
    assert len(module_constants(m)) == 4 + 12 + 6 + 16 + 6 + 5 + 9 + 6 + 32


# One documentation text: summary, params, returns, with tags written without the closing slash.
DOC_BLOCK = re.compile(r"\n<summary>[^<\n]+<summary>\n"
                       r"(<param name=\"\w+\">[^<\n]+<param>\n)*(<returns>[^<\n]+<returns>\n)?")


def test_docstrings_have_one_block_per_prototype(m):
    """Blocks headed "*Overload n:*" when there are several, as many as the function's overload
    message lists prototypes (nine arguments fit no function)."""
    documented = [(n, f) for n, f in vars(m).items() if callable(f) and f.__doc__ is not None]
    assert len(documented) == 122
    for name, fn in documented:
        try:
            text = "" if fn(*[object()] * 9) is NotImplemented else "answered"
        except TypeError as error:
            text = str(error)
        blocks = fn.__doc__.split("\n|\n")
        assert len(blocks) == max(1, text.partition("prototypes are:\n")[2].count("\n")) and "</" not in fn.__doc__
        for n, block in enumerate(blocks, start=1):
            head = "\n*Overload %d:*\n" % n if len(blocks) > 1 else ""
            assert block.startswith(head) and DOC_BLOCK.fullmatch(block[len(head):]), (name, n)


@pytest.mark.parametrize(
    "name, value",
    [
        ("AccessType__None", 0), ("AttributeType_Double", 11), ("Chronology_Invalid", -1),
        ("EventType_WaitForFNInitilisation", 103), ("ExceptionType_Unknown", -6),
        ("ExchangeFormat_CSVFiles_Normal", 4), ("HandleType_Functor", 202),
        ("OrvaneSDK_SolvePhase_Solving", 2), ("SolvePhase_Solving", 2),
        ("SolveState_CFDSolver_NewDataReady", 21003), ("SolveState_Sleep", 1001),
        ("SolveState_Client_WaitForData", 1001), ("SolveState_TimeOut", -3),
    ],
)
def test_constant_values(m, name, value):
    assert getattr(m, name) == value


CVAR = [
    ("interfaceVersion", 8), ("build", 150545), ("servicePack", 1), ("minorVersion", 1),
    ("majorVersion", 2025), ("buildId", "Wed Dec 10 2025 19:01:47 Release/2025.1-HF1  2025.1.1.150545"),
    ("defaultSetChronology", 4), ("defaultGetChronology", 3), ("lastChronology", 4),
]


def test_cvar_lists_variables_newest_first(m):
    assert str(m.cvar) == "(" + ", ".join(name for name, _ in CVAR) + ")"
    assert repr(m.cvar) == "<Swig global variables>" and type(m.cvar).__name__ == "swigvarlink"
    for name in ("nothing", "_x"):
        raises(AttributeError, "Unknown C global variable '%s'" % name, getattr, m.cvar, name)
        raises(AttributeError, "Unknown C global variable '%s'" % name, setattr, m.cvar, name, 1)


@pytest.mark.parametrize("name, value", CVAR)
def test_cvar_values_are_read_only(m, name, value):
    assert getattr(m.cvar, name) == value
    raises(AttributeError, "Variable %s is read-only." % name, setattr, m.cvar, name, 1)
    raises(AttributeError, "Variable %s is read-only." % name, delattr, m.cvar, name)
    assert getattr(m.cvar, name) == value


def test_import_makes_no_library_call_and_exports_only_init(m):
    import ctypes

    lib = ctypes.CDLL(m.__file__)
    assert hasattr(lib, "PyInit__Varnex2Python")
    for hidden in ("_ZN4pyrt10newProxyEPvPNS_14TypeDescriptorEi", "publishConstants"):
        assert not hasattr(lib, hidden)


def test_second_import_and_shutdown_are_quiet(run_python):
    code = (
        "import sys, importlib, _Varnex2Python as a\n"
        "del sys.modules['_Varnex2Python']\n"
        "import _Varnex2Python as b\n"
        "assert b.hasAccess(1) and str(b.cvar) == str(a.cvar)\n"
        "v = b.version(); cycle = [v]; cycle.append(cycle)\n"
        "b.kept = (b.version(), b.ISolverManager_instance())\n"
    )
    rc, out, err = run_python(code)
    assert rc == 0, err
    assert err == ""
