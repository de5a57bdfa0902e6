"""Proxy objects: representation, comparison, ownership, chains, conversion along casts."""
import re

import pytest

ADDRESS = r"0x[0-9a-f]+"


@pytest.fixture
def mgr(manager):
    return manager


def test_repr_names_the_type_and_the_proxy_address(mgr):
    assert re.fullmatch(r"<Swig Object of type 'OrvaneSDK::ISolverManager \*' at %s>" % ADDRESS, repr(mgr))
    assert repr(mgr) == mgr.__repr__()
    assert ("%x" % id(mgr)) in repr(mgr)


def test_repr_of_a_chain_concatenates_head_first(m, mgr):
    a, b = m.version(), m.version()
    mgr.append(a)
    mgr.append(b)  # inserted right after the head: head, b, a
    assert repr(mgr) == mgr.__repr__()
    parts = re.findall(r"<Swig Object of type '([^']+)' at (%s)>" % ADDRESS, repr(mgr))
    assert [p[0] for p in parts] == ["OrvaneSDK::ISolverManager *", "OrvaneSDK_Version *", "OrvaneSDK_Version *"]
    assert mgr.next() is b and b.next() is a and a.next() is None


def test_append_refuses_non_proxies(mgr):
    with pytest.raises(TypeError) as err:
        mgr.append(5)
    assert str(err.value) == "Attempt to append a non SwigPyObject"


def test_equality_compares_native_pointers(m, standin, mgr):
    assert int(mgr) == standin.manager_address() > 0
    again = m.ISolverManager_instance()
    assert mgr is not again and mgr == again and not (mgr != again)
    assert mgr != m.version()
    assert (mgr == 5) is False
    with pytest.raises(TypeError):
        mgr < again
    with pytest.raises(TypeError):
        hash(mgr)


def test_ownership_flag(m, mgr):
    assert mgr.own() is False
    assert mgr.acquire() is None and mgr.own() is True
    assert mgr.disown() is None and mgr.own() is False  # never let a test destroy the manager
    v = m.version()
    assert v.own() is True
    assert v.own(0) is True and v.own() is False
    assert v.own(1) is False and v.own() is True
    with pytest.raises(TypeError):
        v.own(1, 2)


def test_proxy_type_facts(m, mgr):
    t = type(mgr)
    assert t.__name__ == "SwigPyObject"
    assert t.__doc__ == "Swig object carries a C/C++ instance pointer"
    assert [n for n in ("disown", "acquire", "own", "append", "next", "__repr__") if hasattr(t, n)] == [
        "disown", "acquire", "own", "append", "next", "__repr__"]


def test_derived_proxy_converts_to_bases_only(m, mgr, collection):
    assert m.IHandle_getHandleType(mgr) == m.HandleType_SolverManager
    assert m.IHandle_getHandleType(collection) == m.HandleType_EntityCollection
    with pytest.raises(TypeError) as err:
        m.ISolverData_getEntityCollection(collection)
    assert str(err.value).startswith("Wrong number or type of arguments for overloaded function "
                                     "'ISolverData_getEntityCollection'.")


def test_shadow_binding_wraps_results(run_python):
    rc, out, err = run_python(
        "import _Varnex2Python as m\n"
        "class Handle:\n"
        "    pass\n"
        "class Manager(Handle):\n"
        "    pass\n"
        "m.IHandle_swigregister(Handle)\n"
        "m.ISolverManager_swigregister(Manager)\n"
        "mgr = m.ISolverManager_instance()\n"
        "print(type(mgr).__name__, type(mgr.this).__name__, m.ISolverData_getIteration(mgr))\n"
        "print(m.IHandle_getHandleType(mgr))\n"
    )
    assert rc == 0, err
    assert out.split() == ["Manager", "SwigPyObject", "1", "2"]
    assert err == ""


def test_swigregister_takes_exactly_one_class(m):
    with pytest.raises(TypeError) as err:
        m.IHandle_swigregister((1, 2))
    assert str(err.value) == "swigregister expected 1 arguments, got 2"


def test_append_refuses_a_proxy_already_in_the_chain(m, mgr):
    v = m.version()
    mgr.append(v)
    for again in (v, mgr):
        with pytest.raises(ValueError) as err:
            mgr.append(again)
        assert str(err.value) == "Attempt to append a SwigPyObject already in the chain"
    with pytest.raises(TypeError):  # conversions still end: the chain has no loop
        m.IEntityCollection_getNumberOfEntities(mgr)
