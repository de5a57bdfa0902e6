"""The 169 protected-member wrappers and the eight disown_ functions.

Library objects are never directors, so with valid arguments every protected member ends with
"accessing protected member do_x"; before that each argument is converted and reported.
"""
import ctypes

import pytest

from attribute_tables import BASES, CLASSES, PROTECTED_FUNCTIONS, REFERENCE_TYPES, o  # noqa: F401
from owned_tools import arg_message, raises
from proxy_tools import METH_O, METH_VARARGS, flags, forge, proxy_of

# A valid and an invalid Python value per value parameter, and the error the invalid one gives.
VALUES = {
    "bool": (True, 1, TypeError),
    "OrvaneSDK::Chronology": (3, 2**31, OverflowError),
    "float": (1.5, 1e39, OverflowError),
    "double": (1.5, "1.5", TypeError),
    "int": (1, -2**31 - 1, OverflowError),
    "size_t": (0, -1, OverflowError),
}
_buffer = ctypes.create_string_buffer(64)  # what reference proxies point to; never written
PARAMS = [pytest.param(cls, op, types, id=cls + "_" + op) for cls, op, types in PROTECTED_FUNCTIONS]


def valid_call(m, o, cls, op, types):
    args = [forge(m, REFERENCE_TYPES[t], ctypes.addressof(_buffer)) if t in REFERENCE_TYPES else VALUES[t][0]
            for t in types]
    return getattr(m, cls + "_" + op), [o.of[cls]] + args


def test_there_are_169_and_none_for_the_link_base_operations(m):
    assert len(PROTECTED_FUNCTIONS) == sum(1 for name in vars(m) if "_do_" in name) == 169
    for cls in ("IEntityLinkAttributeBase", "ILinkAttribute", "IListAttribute", "IArrayAttribute"):
        for op in ("do_getNumberOfEntities_const", "do_getEntity", "do_getEntity_const"):
            assert not hasattr(m, cls + "_" + op)


@pytest.mark.parametrize("cls,op,types", PARAMS)
def test_protected_member(m, o, cls, op, types):
    fn, args = valid_call(m, o, cls, op, types)
    name = cls + "_" + op
    assert flags(fn) == METH_VARARGS and fn.__doc__ is None
    # Valid arguments, None or a derived object as self: all reach the access check.
    for self in [o.of[cls], None] + [o.of[c] for c in CLASSES if cls in BASES[c]]:
        raises(RuntimeError, "accessing protected member " + op, fn, self, *args[1:])
    for given in (args[:-1], args + [0], []):
        raises(TypeError, "%s expected %d arguments, got %d" % (name, len(args), len(given)), fn, *given)
    # Argument 1: non-proxies, another interface, a base class, an unrelated attribute class.
    message = arg_message(name, 1, "OrvaneSDK::Model::%s%s" % (cls, " const *" if op.endswith("_const") else " *"))
    wrong = [5, "x", m.ISolverManager_instance()] + [o.of[base] for base in BASES[cls][-1:]]
    wrong += [o.of[other] for other in CLASSES if other != cls and cls not in BASES[other]
              and other not in BASES[cls]][:1]
    for self in wrong:
        raises(TypeError, message, fn, self, *args[1:])
    if len(types) >= 2:  # the first wrong argument is the one reported
        raises(TypeError, message, fn, 5, None, None, *args[3:])
        with pytest.raises((TypeError, ValueError)) as e:
            fn(o.of[cls], None, None, *args[3:])
        assert ", argument 2 of type " in str(e.value)


def _argument_cases():
    for cls, op, types in PROTECTED_FUNCTIONS:
        for k, text in enumerate(types, start=2):
            yield pytest.param(cls, op, types, k, text, id="%s_%s-%d" % (cls, op, k))


@pytest.mark.parametrize("cls,op,types,k,text", list(_argument_cases()))
def test_each_further_argument(m, o, cls, op, types, k, text):
    fn, args = valid_call(m, o, cls, op, types)
    message = arg_message(cls + "_" + op, k, text)

    def fails(value, error, expected):
        raises(error, expected, fn, *(args[:k - 1] + [value] + args[k:]))

    if text in REFERENCE_TYPES:
        for null in (None, forge(m, REFERENCE_TYPES[text], 0)):
            fails(null, ValueError, "invalid null reference " + message)
        for wrong in (5, o.int, forge(m, "_p_unsigned_short", ctypes.addressof(_buffer))):
            fails(wrong, TypeError, message)
    else:
        _, bad, error = VALUES[text]
        fails(bad, error, message)
        fails(None, TypeError, message)
        fails("x", TypeError, message)


def test_pointer_references_accept_derived_pointer_types(m, o):
    # An IAttribute *& parameter takes a proxy of any IAttribute-derived pointer-to-pointer type.
    def ref(mangled):
        return forge(m, mangled, ctypes.addressof(_buffer))

    for derived in ("_p_p_OrvaneSDK__Model__IEntity", "_p_p_OrvaneSDK__Model__IShortcutAttribute"):
        with pytest.raises(RuntimeError, match="^accessing protected member do_GetAttribute$"):
            m.ICompositeAttribute_do_GetAttribute(o.composite, 0, False, ref(derived))
    with pytest.raises(RuntimeError, match="^accessing protected member do_getParent_const$"):
        m.IAttribute_do_getParent_const(o.int, ref("_p_p_OrvaneSDK__Model__IEntity"))
    with pytest.raises(TypeError):
        m.IAttribute_do_getParentEntity_const(o.int, ref("_p_p_OrvaneSDK__Model__ICompositeAttribute"))


def test_protected_calls_leave_the_library_untouched(m, o, standin):
    standin.record_calls(True)
    for cls, op, types in PROTECTED_FUNCTIONS:
        fn, args = valid_call(m, o, cls, op, types)
        with pytest.raises(RuntimeError):
            fn(*args)
    standin.record_calls(False)
    assert standin.calls() == []


@pytest.mark.parametrize("cls", CLASSES)
def test_disown_and_swigregister_entries(m, o, cls):
    fn = getattr(m, "disown_" + cls)
    assert flags(fn) == flags(getattr(m, cls + "_swigregister")) == METH_O
    assert fn.__doc__ is None and getattr(m, cls + "_swigregister").__doc__ is None
    # Nothing happens to library objects: the object stays unowned and usable.
    for obj in [o.of[cls], None] + [o.of[c] for c in CLASSES if cls in BASES[c]]:
        assert fn(obj) is None
    assert proxy_of(o.of[cls]).own() is False and m.IAttribute_getType(o.of[cls]) is not None
    for value in [5, "x", m.ISolverManager_instance()] + [o.of[b] for b in BASES[cls]]:
        raises(TypeError, arg_message("disown_" + cls, 1, "OrvaneSDK::Model::%s *" % cls), fn, value)
    raises(TypeError, "_Varnex2Python.disown_%s() takes exactly one argument (0 given)" % cls, fn)
