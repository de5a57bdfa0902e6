"""Runtime internals through the test-only probe module: packed objects, lookups by name, cast
lists, conversion flags, the global-variables object, bindings and deallocation."""
import pytest

from owned_tools import raises

probe = pytest.importorskip("_Varnex2Probe")
MANAGER, HANDLE, ATTRIBUTE = "_p_OrvaneSDK__ISolverManager", "_p_OrvaneSDK__IHandle", "_p_OrvaneSDK__Model__IAttribute"


# A type without a readable name shows its mangled name.
@pytest.mark.parametrize("data, mangled, rep, text", [
    (b"\x01\xab\x00\xff", "_p_char", "<Swig Packed at _01ab00ff_p_char>", "_01ab00ff_p_char"),
    (b"", "_p_char", "<Swig Packed at __p_char>", "__p_char"),
    (bytes(511), "_p_char", "<Swig Packed at _%s_p_char>" % ("00" * 511), "_%s_p_char" % ("00" * 511)),
    (bytes(600), "_p_char", "<Swig Packed _p_char>", "_p_char"),
    (b"", "_p_p_OrvaneSDK__Model__IArrayAttribute", "<Swig Packed at __p_p_OrvaneSDK__Model__IArrayAttribute>",
     "__p_p_OrvaneSDK__Model__IArrayAttribute"),
])
def test_packed_representation(data, mangled, rep, text):
    obj = probe.packed(data, mangled)
    assert (repr(obj), str(obj), type(obj).__name__) == (rep, text, "SwigPyPacked")
    assert type(obj).__doc__ == "Swig object carries a C/C++ instance pointer"


@pytest.mark.parametrize("query, found", [
    ("_p_char", "_p_char"), ("std::string *", ""), ("OrvaneSDK::Model::IAttribute *", ATTRIBUTE),
    ("OrvaneSDK::Model::IAttribute*", ATTRIBUTE), ("intmax_t *", "_p_long_long"),
    ("std::pair< int,int > *", "_p_std__pairT_int_int_t"), ("nothing *", ""),
])
def test_lookup_by_name_is_blank_insensitive_and_cached(query, found):
    first = probe.lookup(query)
    again = probe.lookup(query)
    assert first[0] == again[0] == found
    assert again[1] is bool(found)  # only hits are cached


def test_find_cast_moves_the_hit_to_the_front():
    names, found = probe.cast_list(HANDLE, MANAGER)
    assert found is True and names[0] == MANAGER
    names, found = probe.cast_list(HANDLE, "_p_OrvaneSDK__Model__IEntity")
    assert names[0] == "_p_OrvaneSDK__Model__IEntity" and MANAGER in names
    assert probe.cast_list(ATTRIBUTE, MANAGER)[1] is False


@pytest.mark.parametrize("flags, code, own_after", [(0, 0, True), (1, 0, False), (8, 0, True), (9, 0, False)])
def test_conversion_flags_on_an_owned_proxy(m, flags, code, own_after):
    version = m.version()
    address = int(version)
    result = probe.convert(version, "_p_OrvaneSDK_Version", flags)
    assert result == (code, 1, address)
    assert version.own() is own_after
    assert int(version) == (0 if flags & 8 else address)


def test_conversion_results(m, manager):
    assert probe.convert(manager, HANDLE, 0) == (0, 0, int(manager))
    assert probe.convert(manager, ATTRIBUTE, 0)[0] == -1
    assert probe.convert(None, HANDLE, 0) == (0, 0, 0)
    assert probe.convert(None, HANDLE, 4)[0] == -13
    assert probe.convert(manager, MANAGER, 9)[0] == -200  # release of an object it does not own
    assert probe.convert(5, HANDLE, 0)[0] == -1


def test_global_variables_object():
    link = probe.varlink("a", 1, "b", 2.5)
    assert str(link) == "(missing, b, a)" and repr(link) == "<Swig global variables>"
    assert (link.a, link.b) == (1, 2.5)
    raises(AttributeError, "read-only", setattr, link, "a", 3)
    for action in (lambda: link.missing, lambda: setattr(link, "missing", 1), lambda: link.zzz):
        with pytest.raises(AttributeError) as err:
            action()
        assert str(err.value).startswith("Unknown C global variable '")
    shadowed = probe.varlink("a", 1, "a", 2)
    assert shadowed.a == 2  # the newest record is found first


DEALLOC = (
    "import sys, gc, _Varnex2Python as m\n"
    "seen = []\n"
    "sys.unraisablehook = lambda u: seen.append((type(u.exc_value).__name__, u.object is EntityID.__swig_destroy__))\n"
    "def boom(proxy):\n"
    "    raise KeyError('x')\n"
    "class EntityID:\n"
    "    __swig_destroy__ = boom\n"
    "m.EntityID_swigregister(EntityID)\n"
    "e = m.new_EntityID(1, 2)\n"
    "try:\n"
    "    raise ValueError('pending')\n"
    "except ValueError:\n"
    "    del e\n"
    "    print(sys.exc_info()[0].__name__, seen)\n"
    "plain = m.new_EntityEditor(None)\n"
    "del plain\n"
)


def test_destroy_errors_are_unraisable_and_the_leak_line(run_python):
    rc, out, err = run_python(DEALLOC)
    assert rc == 0, err
    assert out == ("ValueError [('KeyError', True)]\n"
                   "swig/python detected a memory leak of type 'OrvaneSDK::Model::EntityEditor *', "
                   "no destructor found.\n")


def outcome(call):
    try:
        return "ok", call()
    except Exception as e:  # the same type and text either way
        return type(e).__name__, str(e)


# (function, arguments) covering success, a library result, argument errors, counts and no-match.
ROW_CALLS = [
    ("ISolverData_getIteration", ("manager",)), ("ISolverData_getIteration", ("manager", 3)),
    ("ISolverData_getIteration", ("manager", "x")), ("ISolverData_getIteration", ("manager", 1, 2, 3)),
    ("ISolverData_getIteration", ()), ("ISolverManager_showMessage", ("manager", "hi")),
    ("ISolverManager_showMessage", ("manager", None)), ("ISolverManager_showMessage", ("manager",)),
    ("EntityEditor_getIntValue", ("manager", 0, "a")), ("__eq__", ("id", "id")), ("__eq__", ("id", 5)),
]


@pytest.mark.parametrize("name, args", ROW_CALLS)
def test_call_and_table_row_agree(m, manager, name, args):
    ident = m.new_EntityID(3, 4)
    args = tuple({"manager": manager, "id": ident}.get(a, a) if isinstance(a, str) else a for a in args)
    fn = getattr(m, name)
    try:
        assert outcome(lambda: fn(*args)) == outcome(lambda: probe.call_row(fn, args))
    finally:
        m.delete_EntityID(ident)


@pytest.mark.parametrize("name", ["ISolverData_getIteration", "ISolverManager_showMessage", "__eq__"])
def test_keywords_are_refused_with_the_interpreters_text(m, manager, name):
    fn = getattr(m, name)
    for call in (lambda: fn(manager, x=1), lambda: fn(*(manager,), **{"x": 1})):
        with pytest.raises(TypeError, match=r"^%s\(\) takes no keyword arguments$" % name):
            call()
    assert outcome(lambda: fn(manager, **{})) == outcome(lambda: fn(manager))


# A result's director owner is decided by its dynamic type, remembered across a run of results.
def test_director_owners_across_classes():
    first, second = object(), object()
    assert probe.director_owners(first, second) == [None, first, first, None, second, None, second, first]
