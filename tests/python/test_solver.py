"""Free functions and the solver wrappers, end to end through the stand-in library."""
import pytest

from owned_tools import arg_message, count_message, null_message, overload_message, raises
from proxy_tools import type_name

INT_EDGES = [(2**31, OverflowError), (-(2**31) - 1, OverflowError), (2.0, TypeError), ("1", TypeError),
             (None, TypeError)]
# Each free function with answers that tell it from its neighbours (the facade's tests pin the
# full value ranges), and the type of its argument.
FREE = [
    ("hasAccess", "AccessType", {0: False, -1: True}),
    ("isReadOnlyAccess", "AccessType", {1: True, 3: False}),
    ("isWriteOnlyAccess", "AccessType", {2: True, 3: False}),
    ("hasReadAccess", "AccessType", {1: True, 2: False}),
    ("hasWriteAccess", "AccessType", {2: True, 1: False}),
    ("isCompositeAttributeType", "AttributeType", {5: True, 7: False}),
    ("isValueAttributeType", "AttributeType", {11: True, 5: False}),
    ("isEntityLinkAttributeType", "AttributeType", {10: True, 9: False}),
    ("startEventType", "EventType", {11: 10, 2**31 - 1: 2**31 - 1}),
    ("endEventType", "EventType", {10: 11, -(2**31): -(2**31)}),
    ("isException", "ExceptionType", {0: False, -6: True}),
    ("isCompletedSolveState", "SolveState", {11: True, 10: False}),
    ("toString", "SolveState", {21003: "CFDSolver_NewDataReady", -3: "TimeOut"}),
]


@pytest.mark.parametrize("name, arg_type, cases", FREE, ids=[f[0] for f in FREE])
def test_free_functions(m, name, arg_type, cases):
    fn = getattr(m, name)
    for arg, expected in cases.items():
        result = fn(arg)
        assert result == expected and type(result) is type(expected), (name, arg)
    assert name == "toString" or fn(True) == fn(1)  # a bool is an int
    for arg, error in INT_EDGES:
        raises(error, arg_message(name, 1, "OrvaneSDK::" + arg_type), fn, arg)


@pytest.mark.parametrize("state", [0, 2, 2**31 - 1])
def test_to_string_without_text(m, state):
    raises(RuntimeError, "Not implemented", m.toString, state)


GETTERS = {  # name: (slot, result type)
    "getIteration": (3, int), "getNumberOfIterations": (4, int), "getTime": (6, float),
    "getTimeStep": (7, float), "getTotalTime": (10, float), "isTransient": (11, bool),
    "isFirstIteration": (12, bool), "isLastIteration": (13, bool), "isFirstTimeStep": (14, bool),
    "isLastTimeStep": (15, bool), "isConverged": (16, bool), "isStopOnConvergence": (20, bool),
}
SETTERS = {  # name: (slot, value given, value passed, value type text, values no form takes)
    "setNumberOfIterations": (5, 12, 12, "int", [1.0, 2**31]), "setTimeStep": (8, 2, 2.0, "double", ["1", 10**400]),
    "setTotalTime": (9, 10.0, 10.0, "double", [None]), "setStopOnConvergence": (19, True, True, "bool", [1, None]),
}


def solver_message(op, *forms):
    return overload_message("ISolverData_" + op, ["OrvaneSDK::ISolverData::%s(%s" % (op, f) for f in forms])


def raw_calls(standin, manager, slot):
    return [args for where, s, args in standin.calls() if (where, s) == (int(manager), slot)]


@pytest.mark.parametrize("op", sorted(GETTERS))
def test_getters(m, standin, manager, op):
    slot, rtype = GETTERS[op]
    fn = getattr(m, "ISolverData_" + op)
    standin.record_calls(True)
    assert type(fn(manager)) is rtype and type(fn(manager, m.Chronology_Initial)) is rtype
    with pytest.raises(RuntimeError):  # passed unchanged; the library refuses it
        fn(manager, 7)
    assert raw_calls(standin, manager, slot) == [(3,), (0,), (7,)]
    message = solver_message(op, "OrvaneSDK::Chronology const) const", ") const")
    for args in [(1.5,), (2**40,), (None,)]:
        raises(TypeError, message, fn, manager, *args)
    raises(TypeError, count_message("ISolverData_" + op, 2, 3) + message, fn, manager, 3, 4)


@pytest.mark.parametrize("op", sorted(SETTERS))
def test_setters(m, standin, manager, op):
    slot, value, passed, vtype, bad = SETTERS[op]
    fn = getattr(m, "ISolverData_" + op)
    standin.record_calls(True)
    assert fn(manager, value) is None and fn(manager, value, 3) is None
    calls = raw_calls(standin, manager, slot)
    assert calls == [(passed, 4), (passed, 3)] and type(calls[0][0]) is type(passed)
    for value in bad:
        raises(TypeError, solver_message(op, "%s const,OrvaneSDK::Chronology const)" % vtype, "%s const)" % vtype),
               fn, manager, value)


@pytest.mark.parametrize("status", [-2, -3, -4, -5, -6, -1, 7, "message query fails"])
def test_library_failures_raise_runtime_error_with_its_message(m, standin, manager, status):
    lost = not isinstance(status, int)
    standin.fail_next(int(manager), 6, -5 if lost else status, "time is not available", message_fails=lost)
    raises(RuntimeError, "Failure to retrieve LastErrorMessage" if lost else "time is not available",
           m.ISolverData_getTime, manager)
    assert isinstance(m.ISolverData_getTime(manager), float)  # still usable


def test_failed_call_keeps_its_record_and_discards_its_value(m, standin, manager):
    standin.fail_next(int(manager), 22, -4, "no version", write_out=True)
    with pytest.raises(RuntimeError):
        m.ISolverManager_versionString(manager)
    assert m.IHandle_getLastExceptionMessage(manager) == "no version"
    assert m.IHandle_getLastExceptionType(manager) == m.ExceptionType_Out_Of_Range


def test_manager_is_asked_for_on_every_use(m, standin, manager):
    standin.set_manager_available(False)
    for fn in (m.ISolverManager_instance, m.version, m.versionString):
        raises(RuntimeError, "Failed to access ISolverManager", fn)
    standin.set_manager_available(True)
    assert int(m.ISolverManager_instance()) == int(manager) == standin.manager_address()


def test_manager_operations(m, standin, manager):
    assert type_name(m.version()) == "OrvaneSDK_Version *" and m.version().own() is True
    assert m.versionString() == m.ISolverManager_versionString(manager) != ""
    assert m.ISolverManager_isSolveStopped(manager) is False
    assert m.ISolverManager_solveStop(manager) is None
    assert m.ISolverManager_isSolveStopped(manager) is True
    m.ISolverManager_showMessage(manager, "héllo\0x")
    m.ISolverManager_showInformational(manager, "info")
    assert standin.messages() == [("message", "héllo\0x"), ("informational", "info")]
    assert type_name(m.ISolverData_getEntityCollection(manager)) == "OrvaneSDK::Model::IEntityCollection *"
    control = m.ISolverData_getSolutionControl(manager)
    assert type_name(control) == "OrvaneSDK::Model::IEntity *" and control.own() is False


@pytest.mark.parametrize("name", ["ISolverManager_showMessage", "ISolverManager_showInformational"])
def test_show_message_argument_errors(m, manager, name):
    raises(ValueError, null_message(name, 2, "std::string const &"), getattr(m, name), manager, None)
    raises(TypeError, arg_message(name, 2, "std::string const &"), getattr(m, name), manager, 5)
    raises(TypeError, "%s expected 2 arguments, got 1" % name, getattr(m, name), manager)


OBJECT_FUNCTIONS = {  # METH_O functions taking the object, with their argument-1 type
    "IHandle_getHandleType": "OrvaneSDK::IHandle const *",
    "IHandle_getLastExceptionMessage": "OrvaneSDK::IHandle const *",
    "IHandle_getLastExceptionType": "OrvaneSDK::IHandle const *",
    "ISolverManager_version": "OrvaneSDK::ISolverManager const *",
    "ISolverManager_versionString": "OrvaneSDK::ISolverManager const *",
    "ISolverManager_solveStop": "OrvaneSDK::ISolverManager *",
    "ISolverManager_isSolveStopped": "OrvaneSDK::ISolverManager const *",
}


@pytest.mark.parametrize("name", sorted(OBJECT_FUNCTIONS))
def test_object_argument_errors(m, collection, name):
    fn = getattr(m, name)
    raises(ValueError, null_message(name, 1, OBJECT_FUNCTIONS[name]), fn, None)
    if not name.startswith("IHandle"):
        raises(TypeError, arg_message(name, 1, OBJECT_FUNCTIONS[name]), fn, collection)
    raises(TypeError, "_Varnex2Python.%s() takes exactly one argument (0 given)" % name, fn)
    with pytest.raises(TypeError, match=r"^_Varnex2Python\.%s\(\) takes no keyword arguments$" % name):
        fn(collection, x=1)


@pytest.mark.parametrize("args, kwargs, text", [
    ((1,), {}, "takes no arguments (1 given)"),
    ((), {"x": 1}, "takes no keyword arguments"),
])
def test_no_argument_function_errors(m, args, kwargs, text):
    raises(TypeError, "_Varnex2Python.ISolverManager_instance() " + text, lambda: m.ISolverManager_instance(*args, **kwargs))
