"""Wrappers of the attribute family: method-table blocks, messages, dispatch, and the path
through the facade into the stand-in library (values, chronologies, failures)."""
import ctypes
import re
import struct

import pytest

from attribute_tables import BLOCKS, BY_NAME, CLASSES, PUBLIC_FUNCTIONS, class_functions, o  # noqa: F401
from owned_tools import arg_message, count_message, null_message, overload_message, raises
from proxy_tools import proxy_of, type_name

STATUSES = [-2, -3, -4, -5, -6, -1, 7]
FIXED = [f for f in PUBLIC_FUNCTIONS if f[1] != "D"]
DISPATCHERS = [f for f in PUBLIC_FUNCTIONS if f[1] == "D"]


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def address(obj):
    return int(proxy_of(obj))


def ids(functions):
    return [f[0] for f in functions]


def on(obj, calls):
    """The raw calls made on obj, as (slot, arguments) with texts decoded."""
    return [(slot, tuple(a.decode() if isinstance(a, bytes) else a for a in args))
            for where, slot, args in calls if where == address(obj)]


# ---------------------------------------------------------------------------------------------
# Method table.

@pytest.mark.parametrize("first,last,classes", BLOCKS)
def test_method_table_blocks(m, first, last, classes):
    names = [k for k, v in vars(m).items() if type(v).__name__ == "builtin_function_or_method"]
    assert len(names) == 335
    assert names[first - 1:last] == [name for cls in classes for name in class_functions(cls)]


# ---------------------------------------------------------------------------------------------
# Argument errors, parametrized over the functions.

# Valid arguments after self for functions that take more (one form of each dispatcher).
SAMPLE = {
    "IAttribute_setStringValue": ("x",), "IAttribute_setFloatValue": (1.0,), "IAttribute_setDoubleValue": (1.0,),
    "IAttribute_setIntValue": (1,), "IAttribute_setBoolValue": (True,), "IAttribute_hasValue": (3,),
    "IEntityLinkAttributeBase_getEntity": (0,), "ICompositeAttribute_getAttribute": (0,),
    "ICompositeAttribute_hasAttribute": (0,), "IShortcutAttribute_getShortcut": (0,),
}


@pytest.mark.parametrize("name,kind,arity,protos", FIXED, ids=ids(FIXED))
def test_messages_of_fixed_functions(m, o, name, kind, arity, protos):
    fn, rest, self_type = getattr(m, name), SAMPLE.get(name, ()), "OrvaneSDK::Model::%s const *" % name.split("_")[0]
    for wrong in ("text", m.ISolverManager_instance()):
        raises(TypeError, arg_message(name, 1, self_type), fn, wrong, *rest)
    raises(ValueError, null_message(name, 1, self_type), fn, None, *rest)
    for count in (0, arity + 1):
        raises(TypeError, "_Varnex2Python.%s() takes exactly one argument (%d given)" % (name, count) if kind == "O"
               else "%s expected %d arguments, got %d" % (name, arity, count), fn, *([o.int] * count))


@pytest.mark.parametrize("name,kind,arity,protos", DISPATCHERS, ids=ids(DISPATCHERS))
def test_messages_of_dispatchers(m, o, name, kind, arity, protos):
    fn, rest = getattr(m, name), SAMPLE.get(name, ())
    for args in [(5,) + rest, (m.ISolverManager_instance(),) + rest, ()]:
        raises(TypeError, overload_message(name, protos), fn, *args)
    with pytest.raises(ValueError) as e:
        fn(None, *rest)
    assert re.fullmatch(r"invalid null reference in method '%s', argument 1 of type 'OrvaneSDK::Model::%s( const)? \*'"
                        % (name, name.split("_")[0]), str(e.value))
    raises(TypeError, count_message(name, arity, arity + 1) + overload_message(name, protos), fn, *([0] * (arity + 1)))


# (function, role of self, further arguments, error, position and type of the argument at fault;
# no position: no form of the dispatcher fits)
@pytest.mark.parametrize("name,role,args,error,position,text", [
    ("IAttribute_hasValue", "int", ("3",), TypeError, 2, "OrvaneSDK::Chronology"),
    ("IAttribute_hasValue", "int", (2**31,), OverflowError, 2, "OrvaneSDK::Chronology"),
    ("IShortcutAttribute_getShortcut", "shortcut", (-1,), OverflowError, 2, "size_t"),
    ("IShortcutAttribute_getShortcut", "shortcut", (2**64,), OverflowError, 2, "size_t"),
    ("IShortcutAttribute_getShortcut", "shortcut", (1.0,), TypeError, 2, "size_t"),
    ("IAttribute_setStringValue", "text", (None,), ValueError, 2, "std::string const &"),
    ("IAttribute_setStringValue", "text", (None, 3), ValueError, 2, "std::string const &"),
    ("ICompositeAttribute_getAttribute", "loop", (None,), ValueError, 2, "std::string const &"),
    ("ICompositeAttribute_hasAttribute", "loop", (None,), ValueError, 2, "std::string const &"),
    # Values that fit no form of a dispatcher, and proxies of a base class.
    ("IAttribute_getAttributeType", "int", (1,), TypeError, None, None),
    ("IAttribute_getAttributePath", "int", (0,), TypeError, None, None),
    ("IAttribute_getIntValue", "int", (2**31,), TypeError, None, None),
    ("IAttribute_getIntValue", "int", (3.0,), TypeError, None, None),
    ("IAttribute_setIntValue", "int", (2**31,), TypeError, None, None),
    ("IAttribute_setBoolValue", "bool", (1,), TypeError, None, None),
    ("IAttribute_setFloatValue", "float", (1e39,), TypeError, None, None),
    ("IAttribute_setDoubleValue", "double", (10**400,), TypeError, None, None),
    ("IAttribute_setStringValue", "text", (5,), TypeError, None, None),
    ("ICompositeAttribute_getAttribute", "loop", (-1,), TypeError, None, None),
    ("ICompositeAttribute_getAttribute", "loop", (0, 1), TypeError, None, None),
    ("ICompositeAttribute_getAttribute", "plain", (0,), TypeError, None, None),
    ("ICompositeAttribute_getNumberOfAttributes", "loop", (1,), TypeError, None, None),
    ("IEntity_getName", "loop", (0,), TypeError, None, None),
    ("ILinkAttribute_getEntity", "link", (-1,), TypeError, None, None),
    ("IEntityLinkAttributeBase_getEntity", "list", (), TypeError, None, None),
    ("ICompositeAttribute_hasAttributes", "plain", (), TypeError, 1, "ICompositeAttribute"),
    ("IEntity_getEntityID", "composite", (), TypeError, 1, "IEntity"),
    ("ILinkAttribute_hasEntity", "linkbase", (), TypeError, 1, "ILinkAttribute"),
    ("IShortcutAttribute_getNumberOfShortcuts", "plain", (), TypeError, 1, "IShortcutAttribute"),
])
def test_further_argument_errors(m, o, name, role, args, error, position, text):
    if position == 1:
        text = "OrvaneSDK::Model::%s const *" % text
    message = ((null_message if error is ValueError else arg_message)(name, position, text) if position
               else overload_message(name, BY_NAME[name][3]))
    raises(error, message, getattr(m, name), getattr(o, role), *args)


@pytest.mark.parametrize("cls", CLASSES)
def test_derived_proxies_are_accepted(m, o, cls):
    # One read through each base class's functions, on an object of this class.
    obj = o.of[cls]
    assert isinstance(m.IAttribute_getType(obj), str)
    if cls in ("ICompositeAttribute", "IEntity"):
        assert m.ICompositeAttribute_getNumberOfAttributes(obj) > 0
    if cls.endswith("LinkAttributeBase") or cls in ("ILinkAttribute", "IListAttribute", "IArrayAttribute"):
        assert m.IEntityLinkAttributeBase_getNumberOfEntities(obj) > 0


# ---------------------------------------------------------------------------------------------
# Walking the model: result types, ownership, and objects found two ways are the same object.

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
    assert m.IAttribute_isEntity(loop) and m.IAttribute_isComposite(loop) and entity_id(m, loop) == (1, 1)
    n = m.ICompositeAttribute_getNumberOfAttributes(loop)
    total = m.ICompositeAttribute_getNumberOfAttributes(loop, True)
    assert total > n and m.ICompositeAttribute_hasAttributes(loop)
    assert m.ICompositeAttribute_hasAttribute(loop, n - 1) and not m.ICompositeAttribute_hasAttribute(loop, n)
    assert m.ICompositeAttribute_hasAttribute(loop, total - 1, True)
    assert not m.ICompositeAttribute_hasAttribute(loop, total, True)
    for i in range(total):
        a = m.ICompositeAttribute_getAttribute(loop, i, True)
        assert type_name(a) == "OrvaneSDK::Model::IAttribute *" and proxy_of(a).own() is False
        inside = m.IAttribute_getAttributePath(a, False)[len("CoolingLoop/"):]
        assert address(m.ICompositeAttribute_getAttribute(loop, inside)) == address(a)
        assert m.ICompositeAttribute_hasAttribute(loop, inside) and not m.IAttribute_isRoot(a)
        kind = m.IAttribute_getAttributeType(a)
        assert m.IAttribute_isEntity(a) == (kind == m.AttributeType_Entity)
        assert m.IAttribute_isComposite(a) == (kind in (m.AttributeType_Entity, m.AttributeType_Composite))
    for name, (pair, attribute) in CHILDREN.items():
        child = m.ICompositeAttribute_getAttribute(loop, name)
        entity = m.IAttribute_getParentEntity(m.ICompositeAttribute_getAttribute(loop, name + "/" + attribute))
        assert address(entity) == address(child) and type_name(entity) == "OrvaneSDK::Model::IEntity *"
        assert m.IEntity_getName(entity) == name and m.IEntity_getName(entity, True) == "CoolingLoop/" + name
        assert entity_id(m, entity) == pair
        assert type_name(m.IAttribute_getParent(entity)) == "OrvaneSDK::Model::ICompositeAttribute *"
        assert address(m.IAttribute_getParent(entity)) == address(loop)
    assert m.ICompositeAttribute_getAttribute(loop, "Pump1/Nothing") is None
    raises(RuntimeError, lambda: m.IHandle_getLastExceptionMessage(loop), m.ICompositeAttribute_getAttribute, loop,
           total, True)
    a, b = m.ICompositeAttribute_getAttribute(loop, 0), m.ICompositeAttribute_getAttribute(loop, 0)
    assert a is not b and proxy_of(a) == proxy_of(b)
    assert m.ICompositeAttribute_getAttribute(loop, True) == m.ICompositeAttribute_getAttribute(loop, 1)


def test_links_lists_arrays_shortcuts(m, o):
    inlet = m.ILinkAttribute_getEntity(o.link)
    assert type_name(inlet) == "OrvaneSDK::Model::IEntity *" and m.IEntity_getName(inlet) == "Inlet"
    assert address(m.ILinkAttribute_getEntity(o.link, 0)) == address(inlet)
    assert [m.IEntity_getName(m.IEntityLinkAttributeBase_getEntity(o.list, i)) for i in range(4)] == [
        "Pump1", "Pipe1", "HX1", "Pipe2"]
    entries = [m.IEntityLinkAttributeBase_getEntity(o.array, i) for i in range(4)]
    assert entries[2] is None and [m.IEntity_getName(e) for e in entries if e] == ["Inlet", "Pump1", "Outlet"]
    raises(RuntimeError, lambda: m.IHandle_getLastExceptionMessage(o.array), m.IEntityLinkAttributeBase_getEntity,
           o.array, 4)
    assert m.IShortcutAttribute_getShortcut(o.shortcut, 0) is None
    first = m.IShortcutAttribute_getFirstValidShortcut(o.shortcut)
    assert type_name(first) == "OrvaneSDK::Model::IAttribute *"
    assert address(first) == address(m.IShortcutAttribute_getShortcut(o.shortcut, 1))
    assert m.IAttribute_getAttributeType(o.shortcut) == m.AttributeType_Shortcut
    assert m.IAttribute_getAttributeType(o.shortcut, True) == m.AttributeType_Double
    assert m.IAttribute_getAttributePath(first, False) == "CoolingLoop/HX1/HotSide/OutletTemperature"
    assert m.IAttribute_hasUnits(o.unit) and m.IAttribute_getUnit(o.unit) == "rpm"
    assert [m.IAttribute_getAccessType(a) for a in (o.int, o.readonly, o.writeonly)] == [
        m.AccessType_ReadWrite, m.AccessType_ReadOnly, m.AccessType_WriteOnly]
    assert m.IAttribute_getType(o.pump) == "Pump"
    assert m.IAttribute_getAttributePath(o.int) == "Iterations/MaximumIterations"


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
def test_values_at_every_chronology(m, o, standin, role, kind, initial, later, now):
    a = getattr(o, role)
    get, set_ = getattr(m, "IAttribute_get%sValue" % kind), getattr(m, "IAttribute_set%sValue" % kind)
    for c in range(4):
        assert get(a, c) == initial and m.IAttribute_hasValue(a, c)
    assert get(a) == initial and not m.IAttribute_hasValue(a, 4)
    assert set_(a, later) is None
    assert m.IAttribute_hasValue(a, 4) and get(a, 4) == later and get(a) == initial
    set_(a, now, 3)
    assert get(a) == now and get(a, 3) == now and get(a, 0) == initial and get(a, 4) == later
    for c in (0, 1, 2, 5, -1):
        raises(RuntimeError, lambda: m.IHandle_getLastExceptionMessage(a), set_, a, later, c)
    standin.step(1)  # writes at Next become current when the run steps
    assert get(a) == later


def test_values_convert_at_the_boundary(m, o):
    assert m.IAttribute_getFloatValue(o.float) == f32(0.3) != 0.3
    m.IAttribute_setDoubleValue(o.double, 2)  # an int is accepted for a double
    assert m.IAttribute_getDoubleValue(o.double, 4) == 2.0
    for text in ("a\0b", "Zürich"):
        m.IAttribute_setStringValue(o.text, text, 3)
        assert m.IAttribute_getStringValue(o.text) == text
    m.IAttribute_setFloatValue(o.float, float("inf"), 3)
    assert m.IAttribute_getFloatValue(o.float) == float("inf")


# ---------------------------------------------------------------------------------------------
# What each wrapper passes to the library, and failures injected into each raw slot. Explicit
# chronologies, flags and indices are seen in the values and walks above.

A, C, E, LB, L, S = ("IAttribute", "ICompositeAttribute", "IEntity", "IEntityLinkAttributeBase", "ILinkAttribute",
                      "IShortcutAttribute")
# (label, role of the object, function, further arguments, raw calls made on the object)
CALLS = [
    ("getAttributeType", "double", A + "_getAttributeType", (), [(3, (False,))]),
    ("getType", "double", A + "_getType", (), [(4, ())]),
    ("getParent", "double", A + "_getParent", (), [(5, ())]),
    ("getParentEntity", "double", A + "_getParentEntity", (), [(6, ())]),
    ("getAttributePath", "double", A + "_getAttributePath", (), [(7, (True,))]),
    ("isRoot", "double", A + "_isRoot", (), [(5, ())]),
    ("isComposite-composite", "composite", A + "_isComposite", (), [(3, (False,))]),
    ("isComposite-entity", "pump", A + "_isComposite", (), [(3, (False,))] * 2),
    ("isComposite-int", "int", A + "_isComposite", (), [(3, (False,))] * 2),
    ("isEntity", "pump", A + "_isEntity", (), [(3, (False,))]),
    ("getStringValue", "text", A + "_getStringValue", (), [(8, (3,))]),
    ("setStringValue", "text", A + "_setStringValue", ("x",), [(9, ("x", 4))]),
    ("getFloatValue", "float", A + "_getFloatValue", (), [(10, (3,))]),
    ("setFloatValue", "float", A + "_setFloatValue", (0.5,), [(11, (0.5, 4))]),
    ("getDoubleValue", "double", A + "_getDoubleValue", (), [(12, (3,))]),
    ("setDoubleValue", "double", A + "_setDoubleValue", (2,), [(13, (2.0, 4))]),
    ("getIntValue", "int", A + "_getIntValue", (), [(14, (3,))]),
    ("setIntValue", "int", A + "_setIntValue", (7,), [(15, (7, 4))]),
    ("getBoolValue", "bool", A + "_getBoolValue", (), [(16, (3,))]),
    ("setBoolValue", "bool", A + "_setBoolValue", (False,), [(17, (False, 4))]),
    ("hasValue", "int", A + "_hasValue", (2,), [(18, (2,))]),
    ("hasUnits", "unit", A + "_hasUnits", (), [(19, ())]),
    ("getUnit", "unit", A + "_getUnit", (), [(20, ())]),
    ("getAccessType", "int", A + "_getAccessType", (), [(21, ())]),
    ("getNumberOfAttributes", "composite", C + "_getNumberOfAttributes", (), [(22, (False,))]),
    ("hasAttributes", "composite", C + "_hasAttributes", (), [(22, (False,))]),
    ("getAttribute-index", "composite", C + "_getAttribute", (1,), [(23, (1, False))]),
    ("getAttribute-path", "composite", C + "_getAttribute", ("Iteration",), [(25, ("Iteration",))]),
    ("hasAttribute-path", "composite", C + "_hasAttribute", ("Iteration",), [(27, ("Iteration",))]),
    ("hasAttribute-index", "composite", C + "_hasAttribute", (1,), [(22, (False,))]),
    ("getName", "pump", E + "_getName", (), [(28, (False,))]),
    ("getEntityID", "pump", E + "_getEntityID", (), [(29, ())]),
    ("getNumberOfEntities", "list", LB + "_getNumberOfEntities", (), [(22, ())]),
    ("hasEntities", "list", LB + "_hasEntities", (), [(22, ())]),
    ("linkbase-getEntity", "list", LB + "_getEntity", (1,), [(23, (1,))]),
    ("hasEntity", "link", L + "_hasEntity", (), [(22, ())]),
    ("link-getEntity", "link", L + "_getEntity", (), [(23, (0,))]),
    ("getNumberOfShortcuts", "shortcut", S + "_getNumberOfShortcuts", (), [(22, ())]),
    ("getShortcut", "shortcut", S + "_getShortcut", (1,), [(23, (1,))]),
    ("getFirstValidShortcut", "shortcut", S + "_getFirstValidShortcut", (), [(24, ())]),
]
CALL_IDS = [c[0] for c in CALLS]


def invoke(m, o, role, function, args):
    return getattr(m, function)(getattr(o, role), *args)


@pytest.mark.parametrize("label,role,function,args,expected", CALLS, ids=CALL_IDS)
def test_raw_calls_made(m, o, traced, label, role, function, args, expected):
    assert on(getattr(o, role), traced(invoke, m, o, role, function, args)[1]) == expected


def test_chronologies_pass_unchanged(m, o, standin, traced):
    for fn, slot, chronology in ((m.IAttribute_hasValue, 18, -1), (m.IAttribute_getIntValue, 14, 2**31 - 1)):
        raises(RuntimeError, lambda: m.IHandle_getLastExceptionMessage(o.int), traced, fn, o.int, chronology)
        assert on(o.int, standin.calls())[0] == (slot, (chronology,))


@pytest.mark.parametrize("status", STATUSES + ["message query fails"])
@pytest.mark.parametrize("label,role,function,args,expected", CALLS, ids=CALL_IDS)
def test_library_failures(m, o, standin, label, role, function, args, expected, status):
    lost = not isinstance(status, int)
    message = "injected %s %s" % (label, status)
    standin.fail_next(address(getattr(o, role)), expected[0][0], -5 if lost else status, message, message_fails=lost)
    if label == "hasUnits":  # a failing status is not examined
        assert invoke(m, o, role, function, args) is False
    else:
        raises(RuntimeError, "Failure to retrieve LastErrorMessage" if lost else message,
               invoke, m, o, role, function, args)
    invoke(m, o, role, function, args)  # the object stays usable


def test_partly_written_results_are_discarded(m, o, standin):
    for role, slot, call in (("text", 8, m.IAttribute_getStringValue), ("pump", 29, m.IEntity_getEntityID),
                             ("composite", 23, lambda c: m.ICompositeAttribute_getAttribute(c, 0))):
        standin.fail_next(address(getattr(o, role)), slot, -4, "no " + role, write_out=True)
        raises(RuntimeError, "no " + role, call, getattr(o, role))
    standin.fail_next(address(o.unit), 19, -2, "", write_out=True)
    assert m.IAttribute_hasUnits(o.unit) is True  # whatever the library left in the flag
    standin.fail_next(address(o.int), 14, -4, "")
    raises(RuntimeError, "", m.IAttribute_getIntValue, o.int)
