"""The 169 protected-member wrappers and the eight disown_ functions (Parts 2.4 and 3.3).

Library objects are never directors, so with valid arguments every protected member ends with
"accessing protected member do_x"; before that each argument is converted and reported.
"""
import ctypes

import pytest

from attribute_spec import BASES, CLASSES, MANGLED, PROTECTED, PROTECTED_FUNCTIONS, REFERENCE_TYPES
from proxy_tools import METH_O, METH_VARARGS, flags, forge, proxy_of, retype

# A valid and an invalid Python value per value parameter, and the error the invalid one gives.
VALUES = {
    "bool": (True, 1, TypeError),
    "OrvaneSDK::Chronology": (3, 2**31, OverflowError),
    "float": (1.5, 1e39, OverflowError),
    "double": (1.5, "1.5", TypeError),
    "int": (1, -2**31 - 1, OverflowError),
    "size_t": (0, -1, OverflowError),
}
# Where each class's object comes from in the default model (relative to CoolingLoop).
SOURCES = {
    "IAttribute": "Description",
    "IEntityLinkAttributeBase": "Pump1/Suction",
    "IArrayAttribute": "FlowPath",
    "ICompositeAttribute": "Monitors",
    "IEntity": "Pump1/Performance",  # replaced by its parent entity below
    "ILinkAttribute": "Pump1/Suction",
    "IListAttribute": "Components",
    "IShortcutAttribute": "Monitors/PumpHead",
}
_buffer = ctypes.create_string_buffer(64)  # what reference proxies point to; never written


PARAMS = [pytest.param(cls, op, types, id=cls + "_" + op) for cls, op, types in PROTECTED_FUNCTIONS]


@pytest.fixture
def objects(m, request):
    """One library object per class, as a proxy of that class."""
    try:
        import varnex2_standin  # noqa: F401
        request.getfixturevalue("standin")
    except ImportError:
        pass
    solver = m.ISolverData_getSolutionControl(m.ISolverManager_instance())
    loop = m.IAttribute_getParentEntity(solver)
    made = {}
    for cls, path in SOURCES.items():
        a = m.ICompositeAttribute_getAttribute(loop, path)
        made[cls] = m.IAttribute_getParentEntity(a) if cls == "IEntity" else retype(a, MANGLED[cls])
    return made


def valid_argument(m, text):
    if text in REFERENCE_TYPES:
        return forge(m, REFERENCE_TYPES[text], ctypes.addressof(_buffer))
    return VALUES[text][0]


def self_text(cls, op):
    return "OrvaneSDK::Model::%s%s" % (cls, " const *" if op.endswith("_const") else " *")


def valid_call(m, objects, cls, op, types):
    return getattr(m, cls + "_" + op), [objects[cls]] + [valid_argument(m, t) for t in types]


def test_there_are_169_and_none_for_the_link_base_operations(m):
    assert len(PROTECTED_FUNCTIONS) == 169
    assert sum(1 for name in vars(m) if "_do_" in name) == 169
    for cls in ("IEntityLinkAttributeBase", "ILinkAttribute", "IListAttribute", "IArrayAttribute"):
        for op in ("do_getNumberOfEntities_const", "do_getEntity", "do_getEntity_const"):
            assert not hasattr(m, cls + "_" + op)


@pytest.mark.parametrize("cls,op,types", PARAMS)
def test_entry_is_varargs_without_docstring(m, cls, op, types):
    fn = getattr(m, cls + "_" + op)
    assert flags(fn) == METH_VARARGS
    assert fn.__doc__ is None


@pytest.mark.parametrize("cls,op,types", PARAMS)
def test_valid_arguments_reach_the_access_check(m, objects, cls, op, types):
    fn, args = valid_call(m, objects, cls, op, types)
    with pytest.raises(RuntimeError) as e:
        fn(*args)
    assert str(e.value) == "accessing protected member " + op


@pytest.mark.parametrize("cls,op,types", PARAMS)
def test_none_self_is_a_null_object_without_director(m, objects, cls, op, types):
    fn, args = valid_call(m, objects, cls, op, types)
    with pytest.raises(RuntimeError) as e:
        fn(None, *args[1:])
    assert str(e.value) == "accessing protected member " + op


@pytest.mark.parametrize("cls,op,types", PARAMS)
def test_argument_count(m, objects, cls, op, types):
    fn, args = valid_call(m, objects, cls, op, types)
    name = cls + "_" + op
    n = len(args)
    for given in (args[:-1], args + [0], []):
        with pytest.raises(TypeError) as e:
            fn(*given)
        assert str(e.value) == "%s expected %d arguments, got %d" % (name, n, len(given))


@pytest.mark.parametrize("cls,op,types", PARAMS)
def test_argument_1(m, objects, cls, op, types):
    fn, args = valid_call(m, objects, cls, op, types)
    message = "in method '%s_%s', argument 1 of type '%s'" % (cls, op, self_text(cls, op))
    wrong = [5, "x", m.ISolverManager_instance()] + [objects[base] for base in ("IAttribute",) if BASES[cls]]
    wrong += [objects[other] for other in CLASSES if other != cls and cls not in BASES[other]
              and other not in BASES[cls]][:1]
    for self in wrong:
        with pytest.raises(TypeError) as e:
            fn(self, *args[1:])
        assert str(e.value) == message


@pytest.mark.parametrize("cls,op,types", PARAMS)
def test_derived_objects_are_accepted_as_self(m, objects, cls, op, types):
    fn, args = valid_call(m, objects, cls, op, types)
    for derived in (c for c in CLASSES if cls in BASES[c]):
        with pytest.raises(RuntimeError) as e:
            fn(objects[derived], *args[1:])
        assert str(e.value) == "accessing protected member " + op


def _argument_cases():
    for cls, op, types in PROTECTED_FUNCTIONS:
        for k, text in enumerate(types, start=2):
            yield pytest.param(cls, op, types, k, text, id="%s_%s-%d" % (cls, op, k))


@pytest.mark.parametrize("cls,op,types,k,text", list(_argument_cases()))
def test_each_further_argument(m, objects, cls, op, types, k, text):
    fn, args = valid_call(m, objects, cls, op, types)
    name = cls + "_" + op
    message = "in method '%s', argument %d of type '%s'" % (name, k, text)
    null = "invalid null reference in method '%s', argument %d of type '%s'" % (name, k, text)

    def fails(value, error, expected):
        given = list(args)
        given[k - 1] = value
        with pytest.raises(error) as e:
            fn(*given)
        assert type(e.value) is error and str(e.value) == expected

    if text in REFERENCE_TYPES:
        fails(None, ValueError, null)
        fails(forge(m, REFERENCE_TYPES[text], 0), ValueError, null)
        fails(5, TypeError, message)
        fails(objects["IAttribute"], TypeError, message)
        other = "_p_unsigned_short"
        fails(forge(m, other, ctypes.addressof(_buffer)), TypeError, message)
    else:
        _, bad, error = VALUES[text]
        fails(bad, error, message)
        fails(None, TypeError, message)
        fails("x", TypeError, message)


@pytest.mark.parametrize("cls,op,types", [p for p in PARAMS if len(p.values[2]) >= 2])
def test_first_wrong_argument_is_reported(m, objects, cls, op, types):
    fn, args = valid_call(m, objects, cls, op, types)
    with pytest.raises((TypeError, ValueError)) as e:
        fn(objects[cls], None, None, *args[3:])
    assert ", argument 2 of type " in str(e.value)
    with pytest.raises(TypeError) as e:
        fn(5, None, None, *args[3:])
    assert ", argument 1 of type " in str(e.value)


def test_pointer_references_accept_derived_pointer_types(m, objects):
    # An IAttribute *& parameter takes a proxy of any IAttribute-derived pointer-to-pointer type.
    for derived in ("_p_p_OrvaneSDK__Model__IEntity", "_p_p_OrvaneSDK__Model__IShortcutAttribute"):
        with pytest.raises(RuntimeError, match="^accessing protected member do_GetAttribute$"):
            m.ICompositeAttribute_do_GetAttribute(objects["ICompositeAttribute"], 0, False,
                                                  forge(m, derived, ctypes.addressof(_buffer)))
    with pytest.raises(RuntimeError, match="^accessing protected member do_getParent_const$"):
        m.IAttribute_do_getParent_const(objects["IAttribute"],
                                        forge(m, "_p_p_OrvaneSDK__Model__IEntity", ctypes.addressof(_buffer)))
    with pytest.raises(TypeError):
        m.IAttribute_do_getParentEntity_const(objects["IAttribute"], forge(
            m, "_p_p_OrvaneSDK__Model__ICompositeAttribute", ctypes.addressof(_buffer)))


def test_protected_calls_leave_the_library_untouched(m, objects, request):
    standin = pytest.importorskip("varnex2_standin")
    request.getfixturevalue("standin")
    standin.record_calls(True)
    for cls, op, types in PROTECTED_FUNCTIONS:
        fn, args = valid_call(m, objects, cls, op, types)
        with pytest.raises(RuntimeError):
            fn(*args)
    standin.record_calls(False)
    assert standin.calls() == []


# disown_ -------------------------------------------------------------------------------------

@pytest.mark.parametrize("cls", CLASSES)
def test_disown_does_nothing_for_library_objects(m, objects, cls):
    fn = getattr(m, "disown_" + cls)
    assert flags(fn) == METH_O and fn.__doc__ is None
    assert fn(objects[cls]) is None
    assert fn(None) is None
    for derived in (c for c in CLASSES if cls in BASES[c]):
        assert fn(objects[derived]) is None
    assert proxy_of(objects[cls]).own() is False
    # The object is untouched and still usable.
    assert m.IAttribute_getType(objects[cls]) is not None


@pytest.mark.parametrize("cls", CLASSES)
def test_disown_argument_errors(m, objects, cls):
    fn = getattr(m, "disown_" + cls)
    message = "in method 'disown_%s', argument 1 of type 'OrvaneSDK::Model::%s *'" % (cls, cls)
    wrong = [5, "x", m.ISolverManager_instance()] + [objects[b] for b in BASES[cls]]
    for value in wrong:
        with pytest.raises(TypeError) as e:
            fn(value)
        assert str(e.value) == message
    with pytest.raises(TypeError) as e:
        fn()
    assert str(e.value) == "_Varnex2Python.disown_%s() takes exactly one argument (0 given)" % cls


@pytest.mark.parametrize("cls", CLASSES)
def test_swigregister_is_meth_o_without_docstring(m, cls):
    fn = getattr(m, cls + "_swigregister")
    assert flags(fn) == METH_O and fn.__doc__ is None


def test_protected_lists_per_class():
    assert {cls: len(ops) for cls, ops in PROTECTED.items()} == {
        "IAttribute": 19, "IEntityLinkAttributeBase": 19, "IArrayAttribute": 19, "ICompositeAttribute": 25,
        "IEntity": 27, "ILinkAttribute": 19, "IListAttribute": 19, "IShortcutAttribute": 22}
