"""Wrappers of the attribute family (Part 3.3): method-table blocks, messages, dispatch, and the
path through the facade into the stand-in library (values, chronologies, failures).

Nothing in the module turns an `IAttribute` proxy into one of a derived interface, so links,
lists, arrays and shortcuts are reached by retyping the proxy of the attribute found by path
(the library's objects are single-inheritance chains: the address stays valid).
"""
import ctypes
import os
import re
import struct
import subprocess
import sys
import types

import pytest

from attribute_spec import (BASES, BLOCKS, CLASSES, MANGLED, PUBLIC, PUBLIC_FUNCTIONS, class_functions,
                            overload_message)
from proxy_tools import METH_O, METH_VARARGS, flags, proxy_of, retype, type_name

STATUSES = [-2, -3, -4, -5, -6, -1, 7]


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def address(obj):
    return int(proxy_of(obj))


@pytest.fixture
def control(request):
    """The stand-in's control package, reset before and after; None while it is not there."""
    try:
        import varnex2_standin  # noqa: F401
    except ImportError:
        return None
    return request.getfixturevalue("standin")


@pytest.fixture
def lib(control):
    if control is None:
        pytest.skip("the stand-in control package varnex2_standin is not available")
    return control


@pytest.fixture
def o(m, control):
    """Objects of the default model, each as a proxy of its interface."""
    solver = m.ISolverData_getSolutionControl(m.ISolverManager_instance())
    loop = m.IAttribute_getParentEntity(solver)

    def at(base, path, cls=None):
        a = m.ICompositeAttribute_getAttribute(base, path)
        return retype(a, MANGLED[cls]) if cls else a

    return types.SimpleNamespace(
        solver=solver,
        loop=loop,
        text=at(solver, "Scheme"),
        int=at(solver, "Iterations/MaximumIterations"),
        bool=at(solver, "Convergence/StopOnConvergence"),
        double=at(solver, "Convergence/Tolerance"),
        float=at(solver, "Relaxation/Pressure"),
        readonly=at(loop, "Pump1/Stages"),
        writeonly=at(loop, "Pump1/SetPoint"),
        unit=at(loop, "Pump1/Speed"),
        composite=m.IAttribute_getParent(at(solver, "Iterations/MaximumIterations")),
        pump=m.IAttribute_getParentEntity(at(loop, "Pump1/Running")),
        link=at(loop, "Pump1/Suction", "ILinkAttribute"),
        linkbase=at(loop, "Pump1/Suction", "IEntityLinkAttributeBase"),
        list=at(loop, "Components", "IListAttribute"),
        array=at(loop, "FlowPath", "IArrayAttribute"),
        shortcut=at(loop, "Monitors/HotOutlet", "IShortcutAttribute"),
        plain=at(loop, "Monitors"),  # an ICompositeAttribute object behind an IAttribute proxy
    )


def recorded(lib, obj, call):
    """Runs call with the stand-in recording; returns its result and the (slot, args) on obj."""
    lib.clear_calls()
    lib.record_calls(True)
    try:
        result = call()
    finally:
        lib.record_calls(False)
    mine = [(slot, tuple(a.decode() if isinstance(a, bytes) else a for a in args))
            for where, slot, args in lib.calls() if where == address(obj)]
    return result, mine


# ---------------------------------------------------------------------------------------------
# Method table.

def builtin_names(m):
    return [k for k, v in vars(m).items() if type(v).__name__ == "builtin_function_or_method"]


@pytest.mark.parametrize("first,last,classes", BLOCKS)
def test_method_table_blocks(m, first, last, classes):
    expected = [name for cls in classes for name in class_functions(cls)]
    assert len(expected) == last - first + 1
    names = builtin_names(m)
    start = names.index(expected[0])
    assert names[start:start + len(expected)] == expected


def test_block_counts():
    counts = [sum(len(class_functions(c)) for c in classes) for _, _, classes in BLOCKS]
    assert counts == [67, 83, 71]
    assert {c: len(class_functions(c)) for c in CLASSES} == {
        "IAttribute": 43, "IEntityLinkAttributeBase": 24, "IArrayAttribute": 21, "ICompositeAttribute": 31,
        "IEntity": 31, "ILinkAttribute": 23, "IListAttribute": 21, "IShortcutAttribute": 27}


def test_method_table_rows(m):
    names = builtin_names(m)
    if len(names) != 335:
        pytest.skip("the method table has %d of its 335 functions so far" % len(names))
    for first, last, classes in BLOCKS:
        assert names[first - 1:last] == [name for cls in classes for name in class_functions(cls)]


@pytest.mark.parametrize("name,kind,selftype,arity,protos", PUBLIC_FUNCTIONS, ids=[f[0] for f in PUBLIC_FUNCTIONS])
def test_flags(m, name, kind, selftype, arity, protos):
    assert flags(getattr(m, name)) == (METH_O if kind == "O" else METH_VARARGS)


# One documentation text: summary, params, returns, with tags written without the closing slash.
DOC_BLOCK = re.compile(r"\n<summary>[^<\n]+<summary>\n"
                       r"(<param name=\"\w+\">[^<\n]+<param>\n)*(<returns>[^<\n]+<returns>\n)?")


@pytest.mark.parametrize("name,kind,selftype,arity,protos", PUBLIC_FUNCTIONS, ids=[f[0] for f in PUBLIC_FUNCTIONS])
def test_docstrings(m, name, kind, selftype, arity, protos):
    doc = getattr(m, name).__doc__
    assert "</" not in doc
    if protos is None:
        assert DOC_BLOCK.fullmatch(doc)
        return
    blocks = doc.split("\n|\n")
    assert len(blocks) == len(protos)
    for n, block in enumerate(blocks, start=1):
        head = "\n*Overload %d:*\n" % n
        assert block.startswith(head) and DOC_BLOCK.fullmatch(block[len(head):])


def test_only_public_operations_have_docstrings(m):
    public = {f[0] for f in PUBLIC_FUNCTIONS}
    for cls in CLASSES:
        for name in class_functions(cls):
            assert (getattr(m, name).__doc__ is not None) == (name in public), name


# ---------------------------------------------------------------------------------------------
# Argument errors, parametrized over the functions.

# Valid arguments after self for each dispatcher (one of its forms) and fixed-arity function.
SAMPLE = {
    "IAttribute_setStringValue": ("x",), "IAttribute_setFloatValue": (1.0,), "IAttribute_setDoubleValue": (1.0,),
    "IAttribute_setIntValue": (1,), "IAttribute_setBoolValue": (True,), "IAttribute_hasValue": (3,),
    "IEntityLinkAttributeBase_getEntity": (0,), "ICompositeAttribute_getAttribute": (0,),
    "ICompositeAttribute_hasAttribute": (0,), "IShortcutAttribute_getShortcut": (0,),
}
FIXED = [f for f in PUBLIC_FUNCTIONS if f[1] != "D"]
DISPATCHERS = [f for f in PUBLIC_FUNCTIONS if f[1] == "D"]


@pytest.mark.parametrize("name,kind,selftype,arity,protos", FIXED, ids=[f[0] for f in FIXED])
def test_argument_1_of_fixed_functions(m, o, name, kind, selftype, arity, protos):
    fn = getattr(m, name)
    rest = SAMPLE.get(name, ())
    message = "in method '%s', argument 1 of type '%s'" % (name, selftype)
    for wrong in (5, "text", 1.5, m.ISolverManager_instance(), m.ISolverData_getEntityCollection(
            m.ISolverManager_instance())):
        with pytest.raises(TypeError) as e:
            fn(wrong, *rest)
        assert type(e.value) is TypeError and str(e.value) == message
    with pytest.raises(ValueError) as e:
        fn(None, *rest)
    assert str(e.value) == "invalid null reference " + message


@pytest.mark.parametrize("name,kind,selftype,arity,protos", DISPATCHERS, ids=[f[0] for f in DISPATCHERS])
def test_argument_1_of_dispatchers(m, o, name, kind, selftype, arity, protos):
    fn = getattr(m, name)
    rest = SAMPLE.get(name, ())
    for wrong in (5, "text", m.ISolverManager_instance()):
        with pytest.raises(TypeError) as e:
            fn(wrong, *rest)
        assert str(e.value) == overload_message(name, protos)
    with pytest.raises(ValueError) as e:
        fn(None, *rest)
    cls = name.split("_")[0]
    assert re.fullmatch(r"invalid null reference in method '%s', argument 1 of type 'OrvaneSDK::Model::%s( const)? \*'"
                        % (name, cls), str(e.value))


@pytest.mark.parametrize("name,kind,selftype,arity,protos", DISPATCHERS, ids=[f[0] for f in DISPATCHERS])
def test_overload_and_count_messages_of_dispatchers(m, o, name, kind, selftype, arity, protos):
    fn = getattr(m, name)
    with pytest.raises(TypeError) as e:
        fn()
    assert str(e.value) == overload_message(name, protos)
    with pytest.raises(TypeError) as e:
        fn(*([0] * (arity + 1)))
    assert str(e.value) == ("%s expected at most %d arguments, got %d\nAdditional information:\n" % (
        name, arity, arity + 1)) + overload_message(name, protos)


@pytest.mark.parametrize("name,kind,selftype,arity,protos", FIXED, ids=[f[0] for f in FIXED])
def test_count_messages_of_fixed_functions(m, o, name, kind, selftype, arity, protos):
    fn = getattr(m, name)
    for count in (0, arity + 1):
        with pytest.raises(TypeError) as e:
            fn(*([o.int] * count))
        if kind == "O":
            assert str(e.value) == "_Varnex2Python.%s() takes exactly one argument (%d given)" % (name, count)
        else:
            assert str(e.value) == "%s expected %d arguments, got %d" % (name, arity, count)


def test_further_argument_errors(m, o):
    chrono = "in method 'IAttribute_hasValue', argument 2 of type 'OrvaneSDK::Chronology'"
    index = "in method 'IShortcutAttribute_getShortcut', argument 2 of type 'size_t'"
    null = "invalid null reference in method '%s', argument 2 of type 'std::string const &'"
    cases = [
        (lambda: m.IAttribute_hasValue(o.int, "3"), TypeError, chrono),
        (lambda: m.IAttribute_hasValue(o.int, 2**31), OverflowError, chrono),
        (lambda: m.IAttribute_hasValue(o.int, None), TypeError, chrono),
        (lambda: m.IShortcutAttribute_getShortcut(o.shortcut, -1), OverflowError, index),
        (lambda: m.IShortcutAttribute_getShortcut(o.shortcut, 2**64), OverflowError, index),
        (lambda: m.IShortcutAttribute_getShortcut(o.shortcut, 1.0), TypeError, index),
        (lambda: m.IAttribute_setStringValue(o.text, None), ValueError, null % "IAttribute_setStringValue"),
        (lambda: m.IAttribute_setStringValue(o.text, None, 3), ValueError, null % "IAttribute_setStringValue"),
        (lambda: m.ICompositeAttribute_getAttribute(o.loop, None), ValueError,
         null % "ICompositeAttribute_getAttribute"),
        (lambda: m.ICompositeAttribute_hasAttribute(o.loop, None), ValueError,
         null % "ICompositeAttribute_hasAttribute"),
    ]
    for call, error, message in cases:
        with pytest.raises(error) as e:
            call()
        assert type(e.value) is error and str(e.value) == message


@pytest.mark.parametrize("call", [
    lambda m, o: m.IAttribute_getAttributeType(o.int, 1),
    lambda m, o: m.IAttribute_getAttributePath(o.int, 0),
    lambda m, o: m.IAttribute_getIntValue(o.int, 2**31),
    lambda m, o: m.IAttribute_getIntValue(o.int, 3.0),
    lambda m, o: m.IAttribute_setIntValue(o.int, 2**31),
    lambda m, o: m.IAttribute_setIntValue(o.int, 1.0),
    lambda m, o: m.IAttribute_setBoolValue(o.bool, 1),
    lambda m, o: m.IAttribute_setFloatValue(o.float, 1e39),
    lambda m, o: m.IAttribute_setDoubleValue(o.double, 10**400),
    lambda m, o: m.IAttribute_setStringValue(o.text, 5),
    lambda m, o: m.ICompositeAttribute_getAttribute(o.loop, -1),
    lambda m, o: m.ICompositeAttribute_getAttribute(o.loop, 0, 1),
    lambda m, o: m.ICompositeAttribute_getNumberOfAttributes(o.loop, 1),
    lambda m, o: m.IEntity_getName(o.loop, 0),
    lambda m, o: m.ILinkAttribute_getEntity(o.link, -1),
    lambda m, o: m.IEntityLinkAttributeBase_getEntity(o.list),
], ids=lambda c: None)
def test_dispatchers_refuse_values_that_fit_no_form(m, o, call):
    with pytest.raises(TypeError) as e:
        call(m, o)
    assert str(e.value).startswith("Wrong number or type of arguments for overloaded function '")


# ---------------------------------------------------------------------------------------------
# Which objects each function accepts.

def test_base_class_proxies_are_refused(m, o):
    with pytest.raises(TypeError) as e:
        m.ICompositeAttribute_hasAttributes(o.plain)
    assert str(e.value) == "in method 'ICompositeAttribute_hasAttributes', argument 1 of type " \
                           "'OrvaneSDK::Model::ICompositeAttribute const *'"
    with pytest.raises(TypeError) as e:
        m.ICompositeAttribute_getAttribute(o.plain, 0)
    assert str(e.value) == overload_message("ICompositeAttribute_getAttribute",
                                            PUBLIC["ICompositeAttribute"][2][4])
    with pytest.raises(TypeError) as e:
        m.IEntity_getEntityID(o.int)
    assert str(e.value) == "in method 'IEntity_getEntityID', argument 1 of type 'OrvaneSDK::Model::IEntity const *'"
    with pytest.raises(TypeError):
        m.IEntity_getEntityID(o.composite)
    with pytest.raises(TypeError):
        m.ILinkAttribute_hasEntity(o.linkbase)
    with pytest.raises(TypeError):
        m.IShortcutAttribute_getNumberOfShortcuts(retype(o.shortcut, MANGLED["IAttribute"]))


@pytest.mark.parametrize("cls", CLASSES)
def test_derived_proxies_are_accepted(m, o, cls):
    # One read through each base class's functions, on an object of this class.
    obj = {"IAttribute": o.int, "ICompositeAttribute": o.composite, "IEntity": o.pump,
           "IEntityLinkAttributeBase": o.linkbase, "ILinkAttribute": o.link, "IListAttribute": o.list,
           "IArrayAttribute": o.array, "IShortcutAttribute": o.shortcut}[cls]
    assert isinstance(m.IAttribute_getType(obj), str)
    if "ICompositeAttribute" in BASES[cls] + [cls]:
        assert m.ICompositeAttribute_getNumberOfAttributes(obj) > 0
    if "IEntityLinkAttributeBase" in BASES[cls] + [cls]:
        assert m.IEntityLinkAttributeBase_getNumberOfEntities(obj) > 0


# ---------------------------------------------------------------------------------------------
# Walking the model.

DIRECT = ["Description", "Fluid", "Solver", "Inlet", "Pump1", "Pipe1", "HX1", "Pipe2", "Outlet", "Bypass",
          "Components", "FlowPath", "Monitors"]
# Child entities: identifier and one of their attributes.
CHILDREN = {"Solver": ((2, 1), "Scheme"), "Inlet": ((3, 1), "Condition"), "Pump1": ((4, 1), "Running"),
            "Pipe1": ((5, 1), "Length"), "HX1": ((6, 1), "UA"), "Pipe2": ((5, 2), "Length"),
            "Outlet": ((3, 2), "Condition"), "Bypass": ((1, 2), "Open")}


def entity_id(m, entity):
    eid = m.IEntity_getEntityID(entity)
    assert type_name(eid) == "OrvaneSDK::Model::EntityID *" and proxy_of(eid).own() is True
    pair = (ctypes.c_int32 * 2).from_address(address(eid))
    return (pair[0], pair[1])


def test_walk_default_model(m, o):
    loop = o.loop
    assert m.IAttribute_isRoot(loop) and m.IAttribute_getParent(loop) is None
    assert m.IAttribute_isEntity(loop) and m.IAttribute_isComposite(loop)
    assert m.IEntity_getName(loop) == "CoolingLoop" and m.IEntity_getName(loop, True) == "CoolingLoop"
    assert entity_id(m, loop) == (1, 1)
    n = m.ICompositeAttribute_getNumberOfAttributes(loop)
    assert m.ICompositeAttribute_hasAttributes(loop)
    assert m.ICompositeAttribute_hasAttribute(loop, n - 1) and not m.ICompositeAttribute_hasAttribute(loop, n)
    direct = [m.ICompositeAttribute_getAttribute(loop, i) for i in range(n)]
    assert [m.IAttribute_getAttributePath(a) for a in direct] == DIRECT
    total = m.ICompositeAttribute_getNumberOfAttributes(loop, True)
    assert total >= n and m.ICompositeAttribute_hasAttribute(loop, total - 1, True)
    assert not m.ICompositeAttribute_hasAttribute(loop, total, True)
    for i in range(total):
        a = m.ICompositeAttribute_getAttribute(loop, i, True)
        assert type_name(a) == "OrvaneSDK::Model::IAttribute *" and proxy_of(a).own() is False
        full = m.IAttribute_getAttributePath(a, False)
        assert full.startswith("CoolingLoop/")
        inside = full[len("CoolingLoop/"):]
        assert address(m.ICompositeAttribute_getAttribute(loop, inside)) == address(a)
        assert m.ICompositeAttribute_hasAttribute(loop, inside)
        kind = m.IAttribute_getAttributeType(a)
        assert m.IAttribute_isEntity(a) == (kind == m.AttributeType_Entity)
        assert m.IAttribute_isComposite(a) == (kind in (m.AttributeType_Entity, m.AttributeType_Composite))
        assert not m.IAttribute_isRoot(a)
        assert address(m.IAttribute_getParentEntity(a)) == address(loop)
    # Child entities, reached through the parent entity of one of their attributes.
    for name, (pair, attribute) in CHILDREN.items():
        child = m.ICompositeAttribute_getAttribute(loop, name)
        entity = m.IAttribute_getParentEntity(m.ICompositeAttribute_getAttribute(loop, name + "/" + attribute))
        assert address(entity) == address(child)
        assert type_name(entity) == "OrvaneSDK::Model::IEntity *"
        assert m.IEntity_getName(entity) == name and m.IEntity_getName(entity, True) == "CoolingLoop/" + name
        assert entity_id(m, entity) == pair
        assert address(m.IAttribute_getParent(entity)) == address(loop)
        assert type_name(m.IAttribute_getParent(entity)) == "OrvaneSDK::Model::ICompositeAttribute *"
        assert m.IAttribute_getAttributePath(m.IAttribute_getParentEntity(entity)) == "CoolingLoop"
    assert not m.ICompositeAttribute_hasAttribute(loop, "Pump1/Nothing")
    assert m.ICompositeAttribute_getAttribute(loop, "Pump1/Nothing") is None
    with pytest.raises(RuntimeError) as e:
        m.ICompositeAttribute_getAttribute(loop, total, True)
    assert type(e.value) is RuntimeError and str(e.value) == m.IHandle_getLastExceptionMessage(loop)


def test_results_are_new_unowned_proxies(m, o):
    a = m.ICompositeAttribute_getAttribute(o.loop, 0)
    b = m.ICompositeAttribute_getAttribute(o.loop, 0)
    assert a is not b and proxy_of(a) == proxy_of(b) and proxy_of(a).own() is False
    assert m.ICompositeAttribute_getAttribute(o.loop, True) == m.ICompositeAttribute_getAttribute(o.loop, 1)
    parent = m.IAttribute_getParent(o.int)
    assert type_name(parent) == "OrvaneSDK::Model::ICompositeAttribute *" and proxy_of(parent).own() is False
    assert m.IAttribute_getAttributePath(parent) == "Iterations"


def test_links_lists_arrays_shortcuts(m, o):
    assert m.ILinkAttribute_hasEntity(o.link) and m.IEntityLinkAttributeBase_hasEntities(o.link)
    inlet = m.ILinkAttribute_getEntity(o.link)
    assert type_name(inlet) == "OrvaneSDK::Model::IEntity *" and m.IEntity_getName(inlet) == "Inlet"
    assert address(m.ILinkAttribute_getEntity(o.link, 0)) == address(inlet)
    assert m.IAttribute_getAttributeType(o.link) == m.AttributeType_Link
    assert m.IEntityLinkAttributeBase_getNumberOfEntities(o.list) == 4
    assert [m.IEntity_getName(m.IEntityLinkAttributeBase_getEntity(o.list, i)) for i in range(4)] == [
        "Pump1", "Pipe1", "HX1", "Pipe2"]
    assert m.IEntityLinkAttributeBase_getNumberOfEntities(o.array) == 4
    entries = [m.IEntityLinkAttributeBase_getEntity(o.array, i) for i in range(4)]
    assert entries[2] is None and [m.IEntity_getName(e) for e in entries if e] == ["Inlet", "Pump1", "Outlet"]
    with pytest.raises(RuntimeError) as e:
        m.IEntityLinkAttributeBase_getEntity(o.array, 4)
    assert type(e.value) is RuntimeError and str(e.value) == m.IHandle_getLastExceptionMessage(o.array)
    assert "4" in str(e.value)
    assert m.IShortcutAttribute_getNumberOfShortcuts(o.shortcut) == 2
    assert m.IShortcutAttribute_getShortcut(o.shortcut, 0) is None
    target = m.IShortcutAttribute_getShortcut(o.shortcut, 1)
    first = m.IShortcutAttribute_getFirstValidShortcut(o.shortcut)
    assert type_name(first) == "OrvaneSDK::Model::IAttribute *" and address(first) == address(target)
    assert m.IAttribute_getAttributePath(first, False) == "CoolingLoop/HX1/HotSide/OutletTemperature"
    assert m.IAttribute_getAttributeType(o.shortcut) == m.AttributeType_Shortcut
    assert m.IAttribute_getAttributeType(o.shortcut, True) == m.AttributeType_Double
    assert m.IAttribute_getDoubleValue(o.shortcut) == m.IAttribute_getDoubleValue(first) == 303.15
    with pytest.raises(RuntimeError):
        m.IShortcutAttribute_getShortcut(o.shortcut, 2)


def test_units_and_access(m, o):
    assert m.IAttribute_hasUnits(o.unit) and m.IAttribute_getUnit(o.unit) == "rpm"
    assert not m.IAttribute_hasUnits(o.int)
    assert m.IAttribute_getAccessType(o.int) == m.AccessType_ReadWrite
    assert m.IAttribute_getAccessType(o.readonly) == m.AccessType_ReadOnly
    assert m.IAttribute_getAccessType(o.writeonly) == m.AccessType_WriteOnly
    assert m.IAttribute_getType(o.pump) == "Pump"
    assert m.IAttribute_getAttributePath(o.int) == "Iterations/MaximumIterations"
    assert m.IAttribute_getAttributePath(o.int, False) == "CoolingLoop/Solver/Iterations/MaximumIterations"


# ---------------------------------------------------------------------------------------------
# Values at every chronology.

VALUE_KINDS = [
    ("int", "Int", 100, 42, 43),
    ("bool", "Bool", True, False, True),
    ("double", "Double", 1e-4, 2.5, 3.5),
    ("float", "Float", f32(0.3), 0.5, 0.25),
    ("text", "String", "SecondOrderUpwind", "FirstOrder", "Central"),
]


@pytest.mark.parametrize("role,kind,initial,later,now", VALUE_KINDS, ids=[v[0] for v in VALUE_KINDS])
def test_values_at_every_chronology(m, o, control, role, kind, initial, later, now):
    a = getattr(o, role)
    get, set_ = getattr(m, "IAttribute_get%sValue" % kind), getattr(m, "IAttribute_set%sValue" % kind)
    for c in range(4):
        assert get(a, c) == initial and m.IAttribute_hasValue(a, c)
    assert get(a) == initial
    assert not m.IAttribute_hasValue(a, 4)
    with pytest.raises(RuntimeError) as e:
        get(a, 4)
    assert str(e.value) == m.IHandle_getLastExceptionMessage(a)
    assert set_(a, later) is None
    assert m.IAttribute_hasValue(a, 4) and get(a, 4) == later and get(a) == initial
    set_(a, now, 3)
    assert get(a) == now and get(a, 3) == now and get(a, 0) == initial and get(a, 4) == later
    for c in (0, 1, 2, 5, -1):
        with pytest.raises(RuntimeError) as e:
            set_(a, later, c)
        assert str(e.value) == m.IHandle_getLastExceptionMessage(a)
    for c in (5, -1):
        with pytest.raises(RuntimeError):
            get(a, c)
    if control is not None:  # writes at Next become current when the run steps
        control.step(1)
        assert get(a) == later


def test_values_convert_as_the_library_says(m, o):
    assert m.IAttribute_getDoubleValue(o.int) == 100.0
    assert m.IAttribute_getStringValue(o.int) == "100"
    assert m.IAttribute_getFloatValue(o.float) == f32(0.3) != 0.3
    m.IAttribute_setDoubleValue(o.double, 2)  # an int is accepted for a double
    assert m.IAttribute_getDoubleValue(o.double, 4) == 2.0
    m.IAttribute_setStringValue(o.text, "a\0b", 3)
    assert m.IAttribute_getStringValue(o.text) == "a\0b"
    m.IAttribute_setStringValue(o.text, "Zürich", 3)
    assert m.IAttribute_getStringValue(o.text) == "Zürich"
    with pytest.raises(RuntimeError) as e:
        m.IAttribute_setIntValue(o.readonly, 3, 3)
    assert str(e.value) == m.IHandle_getLastExceptionMessage(o.readonly)
    with pytest.raises(RuntimeError):
        m.IAttribute_getDoubleValue(o.writeonly)
    with pytest.raises(RuntimeError):
        m.IAttribute_getIntValue(o.composite)
    m.IAttribute_setFloatValue(o.float, float("inf"), 3)
    assert m.IAttribute_getFloatValue(o.float) == float("inf")


# ---------------------------------------------------------------------------------------------
# What each wrapper passes to the library, and failures injected into each raw slot.

A, C, E, LB, L, S = ("IAttribute", "ICompositeAttribute", "IEntity", "IEntityLinkAttributeBase", "ILinkAttribute",
                      "IShortcutAttribute")
# (label, role of the object, function, further arguments, raw calls made on the object)
CALLS = [
    ("getAttributeType", "double", A + "_getAttributeType", (), [(3, (False,))]),
    ("getAttributeType-follow", "shortcut", A + "_getAttributeType", (True,), [(3, (True,))]),
    ("getType", "double", A + "_getType", (), [(4, ())]),
    ("getParent", "double", A + "_getParent", (), [(5, ())]),
    ("getParentEntity", "double", A + "_getParentEntity", (), [(6, ())]),
    ("getAttributePath", "double", A + "_getAttributePath", (), [(7, (True,))]),
    ("getAttributePath-full", "double", A + "_getAttributePath", (False,), [(7, (False,))]),
    ("isRoot", "double", A + "_isRoot", (), [(5, ())]),
    ("isComposite-composite", "composite", A + "_isComposite", (), [(3, (False,))]),
    ("isComposite-entity", "pump", A + "_isComposite", (), [(3, (False,))] * 2),
    ("isComposite-int", "int", A + "_isComposite", (), [(3, (False,))] * 2),
    ("isEntity", "pump", A + "_isEntity", (), [(3, (False,))]),
    ("getStringValue", "text", A + "_getStringValue", (), [(8, (3,))]),
    ("getStringValue-1", "text", A + "_getStringValue", (1,), [(8, (1,))]),
    ("setStringValue", "text", A + "_setStringValue", ("x",), [(9, ("x", 4))]),
    ("setStringValue-3", "text", A + "_setStringValue", ("x", 3), [(9, ("x", 3))]),
    ("getFloatValue", "float", A + "_getFloatValue", (), [(10, (3,))]),
    ("getFloatValue-0", "float", A + "_getFloatValue", (0,), [(10, (0,))]),
    ("setFloatValue", "float", A + "_setFloatValue", (0.5,), [(11, (0.5, 4))]),
    ("setFloatValue-3", "float", A + "_setFloatValue", (0.5, 3), [(11, (0.5, 3))]),
    ("getDoubleValue", "double", A + "_getDoubleValue", (), [(12, (3,))]),
    ("getDoubleValue-2", "double", A + "_getDoubleValue", (2,), [(12, (2,))]),
    ("setDoubleValue", "double", A + "_setDoubleValue", (2,), [(13, (2.0, 4))]),
    ("setDoubleValue-3", "double", A + "_setDoubleValue", (2.5, 3), [(13, (2.5, 3))]),
    ("getIntValue", "int", A + "_getIntValue", (), [(14, (3,))]),
    ("getIntValue-1", "int", A + "_getIntValue", (1,), [(14, (1,))]),
    ("setIntValue", "int", A + "_setIntValue", (7,), [(15, (7, 4))]),
    ("setIntValue-3", "int", A + "_setIntValue", (7, 3), [(15, (7, 3))]),
    ("getBoolValue", "bool", A + "_getBoolValue", (), [(16, (3,))]),
    ("getBoolValue-2", "bool", A + "_getBoolValue", (2,), [(16, (2,))]),
    ("setBoolValue", "bool", A + "_setBoolValue", (False,), [(17, (False, 4))]),
    ("setBoolValue-3", "bool", A + "_setBoolValue", (False, 3), [(17, (False, 3))]),
    ("hasValue", "int", A + "_hasValue", (2,), [(18, (2,))]),
    ("hasUnits", "unit", A + "_hasUnits", (), [(19, ())]),
    ("getUnit", "unit", A + "_getUnit", (), [(20, ())]),
    ("getAccessType", "int", A + "_getAccessType", (), [(21, ())]),
    ("getNumberOfAttributes", "composite", C + "_getNumberOfAttributes", (), [(22, (False,))]),
    ("getNumberOfAttributes-rec", "composite", C + "_getNumberOfAttributes", (True,), [(22, (True,))]),
    ("hasAttributes", "composite", C + "_hasAttributes", (), [(22, (False,))]),
    ("getAttribute-index", "composite", C + "_getAttribute", (1,), [(23, (1, False))]),
    ("getAttribute-true", "composite", C + "_getAttribute", (True,), [(23, (1, False))]),
    ("getAttribute-rec", "composite", C + "_getAttribute", (0, True), [(23, (0, True))]),
    ("getAttribute-path", "composite", C + "_getAttribute", ("Iteration",), [(25, ("Iteration",))]),
    ("hasAttribute-path", "composite", C + "_hasAttribute", ("Iteration",), [(27, ("Iteration",))]),
    ("hasAttribute-index", "composite", C + "_hasAttribute", (1,), [(22, (False,))]),
    ("hasAttribute-rec", "composite", C + "_hasAttribute", (0, True), [(22, (True,))]),
    ("getName", "pump", E + "_getName", (), [(28, (False,))]),
    ("getName-full", "pump", E + "_getName", (True,), [(28, (True,))]),
    ("getEntityID", "pump", E + "_getEntityID", (), [(29, ())]),
    ("getNumberOfEntities", "list", LB + "_getNumberOfEntities", (), [(22, ())]),
    ("hasEntities", "list", LB + "_hasEntities", (), [(22, ())]),
    ("linkbase-getEntity", "list", LB + "_getEntity", (1,), [(23, (1,))]),
    ("hasEntity", "link", L + "_hasEntity", (), [(22, ())]),
    ("link-getEntity", "link", L + "_getEntity", (), [(23, (0,))]),
    ("link-getEntity-0", "link", L + "_getEntity", (0,), [(23, (0,))]),
    ("getNumberOfShortcuts", "shortcut", S + "_getNumberOfShortcuts", (), [(22, ())]),
    ("getShortcut", "shortcut", S + "_getShortcut", (1,), [(23, (1,))]),
    ("getFirstValidShortcut", "shortcut", S + "_getFirstValidShortcut", (), [(24, ())]),
]
CALL_IDS = [c[0] for c in CALLS]


def invoke(m, o, role, function, args):
    return getattr(m, function)(getattr(o, role), *args)


@pytest.mark.parametrize("label,role,function,args,expected", CALLS, ids=CALL_IDS)
def test_raw_calls_made(m, o, lib, label, role, function, args, expected):
    _, made = recorded(lib, getattr(o, role), lambda: invoke(m, o, role, function, args))
    assert made == expected


def test_has_value_passes_chronologies_unchanged(m, o, lib):
    with pytest.raises(RuntimeError) as e:
        _, made = recorded(lib, o.int, lambda: m.IAttribute_hasValue(o.int, m.Chronology_Invalid))
    assert str(e.value) == m.IHandle_getLastExceptionMessage(o.int)
    lib.clear_calls()
    lib.record_calls(True)
    with pytest.raises(RuntimeError):
        m.IAttribute_getIntValue(o.int, 2**31 - 1)
    lib.record_calls(False)
    assert [(slot, args) for where, slot, args in lib.calls() if where == address(o.int)][0] == (14, (2**31 - 1,))


@pytest.mark.parametrize("status", STATUSES)
@pytest.mark.parametrize("label,role,function,args,expected", CALLS, ids=CALL_IDS)
def test_library_failures(m, o, lib, label, role, function, args, expected, status):
    obj = getattr(o, role)
    slot = expected[0][0]
    message = "injected %s %d" % (label, status)
    lib.fail_next(address(obj), slot, status, message)
    if label == "hasUnits":  # a failing status is not examined
        assert invoke(m, o, role, function, args) is False
    else:
        with pytest.raises(RuntimeError) as e:
            invoke(m, o, role, function, args)
        assert type(e.value) is RuntimeError and str(e.value) == message
    invoke(m, o, role, function, args)  # the object stays usable


@pytest.mark.parametrize("label,role,function,args,expected", [c for c in CALLS if c[0] != "hasUnits"],
                         ids=[i for i in CALL_IDS if i != "hasUnits"])
def test_failing_message_query(m, o, lib, label, role, function, args, expected):
    lib.fail_next(address(getattr(o, role)), expected[0][0], -5, "never seen", message_fails=True)
    with pytest.raises(RuntimeError) as e:
        invoke(m, o, role, function, args)
    assert str(e.value) == "Failure to retrieve LastErrorMessage"


def test_partly_written_results_are_discarded(m, o, lib):
    lib.fail_next(address(o.text), 8, -2, "no text", write_out=True)
    with pytest.raises(RuntimeError, match="^no text$"):
        m.IAttribute_getStringValue(o.text)
    lib.fail_next(address(o.composite), 23, -4, "no child", write_out=True)
    with pytest.raises(RuntimeError, match="^no child$"):
        m.ICompositeAttribute_getAttribute(o.composite, 0)
    lib.fail_next(address(o.pump), 29, -3, "no id", write_out=True)
    with pytest.raises(RuntimeError, match="^no id$"):
        m.IEntity_getEntityID(o.pump)
    lib.fail_next(address(o.unit), 19, -2, "", write_out=True)
    assert m.IAttribute_hasUnits(o.unit) is True  # whatever the library left in the flag


def test_empty_library_message(m, o, lib):
    lib.fail_next(address(o.int), 14, -4, "")
    with pytest.raises(RuntimeError) as e:
        m.IAttribute_getIntValue(o.int)
    assert str(e.value) == ""


# ---------------------------------------------------------------------------------------------
# Class binding through the swigregister functions (in a fresh interpreter: bindings are global).

REGISTER_SCRIPT = r"""
import _Varnex2Python as m
classes = {}
for name in %r:
    classes[name] = type(name, (object,), {})
    assert getattr(m, name + "_swigregister")(classes[name]) is None
solver = m.ISolverData_getSolutionControl(m.ISolverManager_instance())
assert type(solver) is classes["IEntity"], type(solver)
a = m.ICompositeAttribute_getAttribute(solver, "Iterations/MaximumIterations")
assert type(a) is classes["IAttribute"]
assert type(m.IAttribute_getParent(a)) is classes["ICompositeAttribute"]
assert m.IAttribute_getIntValue(a) == 100
assert m.IEntity_getName(solver) == "Solver"
print("bound")
"""


def test_swigregister_binds_each_class(m):
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join(p for p in sys.path if p)
    out = subprocess.run([sys.executable, "-c", REGISTER_SCRIPT % (CLASSES,)], env=env, capture_output=True,
                         text=True, timeout=60)
    assert out.returncode == 0, out.stderr
    assert out.stdout.strip() == "bound"
