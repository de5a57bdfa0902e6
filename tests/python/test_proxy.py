"""Proxy objects: representation, comparison, ownership, chains, conversion along casts."""
import re

import pytest

from owned_tools import raises

ADDRESS = r"0x[0-9a-f]+"


def test_repr_names_the_type_and_the_proxy_address(manager):
    assert re.fullmatch(r"<Swig Object of type 'OrvaneSDK::ISolverManager \*' at %s>" % ADDRESS, repr(manager))
    assert repr(manager) == manager.__repr__() and ("%x" % id(manager)) in repr(manager)
    t = type(manager)
    assert (t.__name__, t.__doc__) == ("SwigPyObject", "Swig object carries a C/C++ instance pointer")


def test_chain_appends_after_the_head_and_repr_concatenates_head_first(m, manager):
    a, b = m.version(), m.version()
    manager.append(a)
    manager.append(b)  # inserted right after the head: head, b, a
    parts = re.findall(r"<Swig Object of type '([^']+)' at (%s)>" % ADDRESS, repr(manager))
    assert [p[0] for p in parts] == ["OrvaneSDK::ISolverManager *", "OrvaneSDK_Version *", "OrvaneSDK_Version *"]
    assert manager.next() is b and b.next() is a and a.next() is None
    raises(TypeError, "Attempt to append a non SwigPyObject", manager.append, 5)
    for again in (a, manager):
        raises(ValueError, "Attempt to append a SwigPyObject already in the chain", manager.append, again)
    with pytest.raises(TypeError):  # conversions still end: the chain has no loop
        m.IEntityCollection_getNumberOfEntities(manager)


def test_equality_compares_native_pointers(m, standin, manager):
    assert int(manager) == standin.manager_address() > 0
    again = m.ISolverManager_instance()
    assert manager is not again and manager == again and not (manager != again)
    assert manager != m.version() and (manager == 5) is False
    with pytest.raises(TypeError):
        manager < again
    with pytest.raises(TypeError):
        hash(manager)


def test_ownership_flag(m, manager):
    assert manager.own() is False
    assert manager.acquire() is None and manager.own() is True
    assert manager.disown() is None and manager.own() is False  # never let a test destroy the manager
    v = m.version()
    assert v.own() is True
    assert v.own(0) is True and v.own() is False
    assert v.own(1) is False and v.own() is True
    with pytest.raises(TypeError):
        v.own(1, 2)


def test_derived_proxy_converts_to_bases_only(m, manager, collection):
    entity = m.IEntityCollection_getEntity(collection, 3)
    # Derived types in turn where a base is expected, twice over: the one taken last is remembered
    # for the next call, and neither it nor an unrelated type is ever taken for another.
    for _ in range(2):
        assert [m.IHandle_getHandleType(h) for h in (manager, collection, entity, entity, manager)] == [
            m.HandleType_SolverManager, m.HandleType_EntityCollection, m.HandleType_Attribute,
            m.HandleType_Attribute, m.HandleType_SolverManager]
        assert m.IAttribute_getType(entity) == "Pump"
        raises(TypeError, "in method 'IAttribute_getType', argument 1 of type 'OrvaneSDK::Model::IAttribute const *'",
               m.IAttribute_getType, manager)
        assert m.ISolverData_getEntityCollection(manager) == collection
        with pytest.raises(TypeError, match="^Wrong number or type of arguments for overloaded function "
                                            "'ISolverData_getEntityCollection'.\n"):
            m.ISolverData_getEntityCollection(collection)


def test_swigregister_takes_exactly_one_class(m):
    raises(TypeError, "swigregister expected 1 arguments, got 2", m.IHandle_swigregister, (1, 2))
