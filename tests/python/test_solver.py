"""Free functions and the solver wrappers, end to end through the stand-in library."""
import pytest

INT_EDGES = [(2**31 - 1, None), (-(2**31), None), (2**31, OverflowError), (-(2**31) - 1, OverflowError),
             (2**40, OverflowError), (2.0, TypeError), ("1", TypeError), (None, TypeError)]


@pytest.mark.parametrize(
    "name, cases",
    [
        ("hasAccess", {0: False, 1: True, 3: True, -1: True, 7: True}),
        ("isReadOnlyAccess", {1: True, 3: False}),
        ("isWriteOnlyAccess", {2: True, 3: False}),
        ("hasReadAccess", {1: True, 3: True, 2: False, 7: False}),
        ("hasWriteAccess", {2: True, 3: True, 1: False, -1: False}),
        ("isCompositeAttributeType", {5: True, 6: True, 7: False}),
        ("isValueAttributeType", {1: True, 11: True, 5: False, 9: False}),
        ("isEntityLinkAttributeType", {7: True, 8: True, 10: True, 9: False}),
        ("startEventType", {11: 10, 21: 20, 10: 10, 101: 101}),
        ("endEventType", {10: 11, 20: 21, 11: 11}),
        ("isException", {0: False, 5: True, -6: True}),
        ("isCompletedSolveState", {11: True, 12: True, -3: False, 10: False}),
        ("toString", {21003: "CFDSolver_NewDataReady", 1001: "Client_WaitForData", -3: "TimeOut",
                      121: "FinishedFNGeneration"}),
    ],
)
def test_free_functions(m, name, cases):
    fn = getattr(m, name)
    for arg, expected in cases.items():
        result = fn(arg)
        assert result == expected and type(result) is type(expected), (name, arg)
    assert fn(True) == fn(1)  # a bool is an int


ARG_TYPES = {
    "hasAccess": "OrvaneSDK::AccessType", "isReadOnlyAccess": "OrvaneSDK::AccessType",
    "isWriteOnlyAccess": "OrvaneSDK::AccessType", "hasReadAccess": "OrvaneSDK::AccessType",
    "hasWriteAccess": "OrvaneSDK::AccessType", "isCompositeAttributeType": "OrvaneSDK::AttributeType",
    "isValueAttributeType": "OrvaneSDK::AttributeType", "isEntityLinkAttributeType": "OrvaneSDK::AttributeType",
    "startEventType": "OrvaneSDK::EventType", "endEventType": "OrvaneSDK::EventType",
    "isException": "OrvaneSDK::ExceptionType", "toString": "OrvaneSDK::SolveState",
    "isCompletedSolveState": "OrvaneSDK::SolveState",
}


@pytest.mark.parametrize("name", sorted(ARG_TYPES))
@pytest.mark.parametrize("arg, error", INT_EDGES)
def test_free_function_argument_errors(m, name, arg, error):
    fn = getattr(m, name)
    if error is None:
        try:
            fn(arg)
        except RuntimeError as e:  # toString of a value without text
            assert str(e) == "Not implemented" and name == "toString"
        return
    with pytest.raises(error) as err:
        fn(arg)
    assert str(err.value) == "in method '%s', argument 1 of type '%s'" % (name, ARG_TYPES[name])


@pytest.mark.parametrize("state", [0, 2, 2003, 99999])
def test_to_string_without_text(m, state):
    with pytest.raises(RuntimeError) as err:
        m.toString(state)
    assert str(err.value) == "Not implemented"


GETTERS = {  # name: (slot, result type)
    "getIteration": (3, int), "getNumberOfIterations": (4, int), "getTime": (6, float),
    "getTimeStep": (7, float), "getTotalTime": (10, float), "isTransient": (11, bool),
    "isFirstIteration": (12, bool), "isLastIteration": (13, bool), "isFirstTimeStep": (14, bool),
    "isLastTimeStep": (15, bool), "isConverged": (16, bool), "isStopOnConvergence": (20, bool),
}
SETTERS = {  # name: (slot, value, value type text)
    "setNumberOfIterations": (5, 12, "int"), "setTimeStep": (8, 0.5, "double"),
    "setTotalTime": (9, 10.0, "double"), "setStopOnConvergence": (19, True, "bool"),
}


def getter_message(op):
    return ("Wrong number or type of arguments for overloaded function 'ISolverData_%s'.\n"
            "  Possible C/C++ prototypes are:\n"
            "    OrvaneSDK::ISolverData::%s(OrvaneSDK::Chronology const) const\n"
            "    OrvaneSDK::ISolverData::%s() const\n" % (op, op, op))


def setter_message(op, vtype):
    return ("Wrong number or type of arguments for overloaded function 'ISolverData_%s'.\n"
            "  Possible C/C++ prototypes are:\n"
            "    OrvaneSDK::ISolverData::%s(%s const,OrvaneSDK::Chronology const)\n"
            "    OrvaneSDK::ISolverData::%s(%s const)\n" % (op, op, vtype, op, vtype))


@pytest.mark.parametrize("op", sorted(GETTERS))
def test_getters_pass_the_default_or_given_chronology(m, standin, manager, op):
    slot, rtype = GETTERS[op]
    fn = getattr(m, "ISolverData_" + op)
    standin.record_calls(True)
    assert type(fn(manager)) is rtype
    assert type(fn(manager, m.Chronology_Initial)) is rtype
    with pytest.raises(RuntimeError):  # passed unchanged; the library refuses it
        fn(manager, 7)
    address = int(manager)
    assert [c for c in standin.calls() if c[1] == slot] == [(address, slot, (3,)), (address, slot, (0,)),
                                                            (address, slot, (7,))]


@pytest.mark.parametrize("op", sorted(GETTERS))
@pytest.mark.parametrize("args", [(1.5,), (2**40,), (None,), (3, 4)])
def test_getter_overload_failures(m, manager, op, args):
    with pytest.raises(TypeError) as err:
        getattr(m, "ISolverData_" + op)(manager, *args)
    if len(args) == 2:
        assert str(err.value) == ("ISolverData_%s expected at most 2 arguments, got 3\nAdditional information:\n"
                                  % op) + getter_message(op)
    else:
        assert str(err.value) == getter_message(op)


@pytest.mark.parametrize("op", sorted(SETTERS))
def test_setters_pass_value_and_chronology(m, standin, manager, op):
    slot, value, _ = SETTERS[op]
    fn = getattr(m, "ISolverData_" + op)
    standin.record_calls(True)
    assert fn(manager, value) is None
    assert fn(manager, value, 3) is None
    address = int(manager)
    assert [c for c in standin.calls() if c[1] == slot] == [(address, slot, (value, 4)), (address, slot, (value, 3))]


@pytest.mark.parametrize("op, bad", [("setNumberOfIterations", 1.0), ("setNumberOfIterations", 2**31),
                                     ("setTimeStep", "1"), ("setTimeStep", 10**400), ("setTotalTime", None),
                                     ("setStopOnConvergence", 1), ("setStopOnConvergence", None)])
def test_setter_overload_failures(m, manager, op, bad):
    with pytest.raises(TypeError) as err:
        getattr(m, "ISolverData_" + op)(manager, bad)
    assert str(err.value) == setter_message(op, SETTERS[op][2])


def test_set_time_step_accepts_an_int(m, standin, manager):
    standin.record_calls(True)
    m.ISolverData_setTimeStep(manager, 2)
    assert standin.calls()[-1][2] == (2.0, 4) and type(standin.calls()[-1][2][0]) is float


def test_set_values_become_current_when_the_run_steps(m, standin, manager):
    m.ISolverData_setNumberOfIterations(manager, 42)
    standin.step()
    assert m.ISolverData_getNumberOfIterations(manager) == 42


@pytest.mark.parametrize("status", [-2, -3, -4, -5, -6, -1, 7])
def test_library_failures_raise_runtime_error_with_its_message(m, standin, manager, status):
    standin.fail_next(int(manager), 6, status, "time is not available")
    with pytest.raises(RuntimeError) as err:
        m.ISolverData_getTime(manager)
    assert str(err.value) == "time is not available"
    assert isinstance(m.ISolverData_getTime(manager), float)  # still usable


def test_failing_message_query(m, standin, manager):
    standin.fail_next(int(manager), 3, -5, "lost", message_fails=True)
    with pytest.raises(RuntimeError) as err:
        m.ISolverData_getIteration(manager)
    assert str(err.value) == "Failure to retrieve LastErrorMessage"


def test_failed_out_value_is_discarded(m, standin, manager):
    standin.fail_next(int(manager), 22, -2, "no version", write_out=True)
    with pytest.raises(RuntimeError):
        m.ISolverManager_versionString(manager)


def test_missing_manager(m, standin):
    standin.set_manager_available(False)
    for fn in (m.ISolverManager_instance, m.version, m.versionString):
        with pytest.raises(RuntimeError) as err:
            fn()
        assert str(err.value) == "Failed to access ISolverManager"


def test_manager_operations(m, standin, manager):
    assert repr(m.version()).startswith("<Swig Object of type 'OrvaneSDK_Version *'")
    assert m.version().own() is True
    assert m.versionString() == m.ISolverManager_versionString(manager) != ""
    assert m.ISolverManager_isSolveStopped(manager) is False
    assert m.ISolverManager_solveStop(manager) is None
    assert m.ISolverManager_isSolveStopped(manager) is True
    m.ISolverManager_showMessage(manager, "héllo\0x")
    m.ISolverManager_showInformational(manager, "info")
    assert standin.messages() == [("message", "héllo\0x"), ("informational", "info")]


@pytest.mark.parametrize("name", ["ISolverManager_showMessage", "ISolverManager_showInformational"])
def test_show_message_argument_errors(m, manager, name):
    with pytest.raises(ValueError) as err:
        getattr(m, name)(manager, None)
    assert str(err.value) == "invalid null reference in method '%s', argument 2 of type 'std::string const &'" % name
    with pytest.raises(TypeError) as err:
        getattr(m, name)(manager, 5)
    assert str(err.value) == "in method '%s', argument 2 of type 'std::string const &'" % name
    with pytest.raises(TypeError) as err:
        getattr(m, name)(manager)
    assert str(err.value) == "%s expected 2 arguments, got 1" % name


def test_collection_and_solution_control(m, manager, collection):
    assert repr(collection).startswith("<Swig Object of type 'OrvaneSDK::Model::IEntityCollection *'")
    control = m.ISolverData_getSolutionControl(manager)
    assert repr(control).startswith("<Swig Object of type 'OrvaneSDK::Model::IEntity *'")
    assert control.own() is False


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
    with pytest.raises(ValueError) as err:
        fn(None)
    assert str(err.value) == "invalid null reference in method '%s', argument 1 of type '%s'" % (
        name, OBJECT_FUNCTIONS[name])
    if not name.startswith("IHandle"):
        with pytest.raises(TypeError) as err:
            fn(collection)
        assert str(err.value) == "in method '%s', argument 1 of type '%s'" % (name, OBJECT_FUNCTIONS[name])
    with pytest.raises(TypeError):
        fn()


def test_handle_of_failed_object(m, standin, manager):
    standin.fail_next(int(manager), 3, -4, "iteration out of range")
    with pytest.raises(RuntimeError):
        m.ISolverData_getIteration(manager)
    assert m.IHandle_getLastExceptionMessage(manager) == "iteration out of range"
    assert m.IHandle_getLastExceptionType(manager) == m.ExceptionType_Out_Of_Range
