"""Entity collection wrappers end to end through the stand-in library: which raw slot each form
reaches with which arguments, results, library failures and the fixed messages."""
import pytest

from owned_tools import owned, run_same, takes_one_object  # noqa: F401

MODEL = {
    "format": "varnex2-standin-model/1",
    "solutionControl": "Loop/Solver",
    "entities": [
        {"name": "Loop", "type": "Network", "id": [1, 1], "attributes": [
            {"name": "Solver", "kind": "entity", "type": "SolutionControl", "id": [2, 1]},
            {"name": "PumpA", "kind": "entity", "type": "Pump", "id": [3, 1]},
            {"name": "PumpB", "kind": "entity", "type": "Pump", "id": [3, 2]},
            {"name": "Pipe", "kind": "entity", "type": "Pipe", "id": [4, 1]},
            {"name": "Sub", "kind": "entity", "type": "Network", "id": [1, 2], "attributes": [
                {"name": "Pipe", "kind": "entity", "type": "Pipe", "id": [4, 2]}]}]},
        {"name": "Env", "type": "Ambient", "id": [5, 1]},
    ],
}
PROTO = "    OrvaneSDK::Model::IEntityCollection::"
S = "std::string const &"
PROTOTYPES = {
    "IEntityCollection_getNumberOfEntities": [
        "getNumberOfEntities() const", "getNumberOfEntities(OrvaneSDK::Model::EntityID const &) const",
        "getNumberOfEntities(%s) const" % S, "getNumberOfEntities(%s,%s) const" % (S, S)],
    "IEntityCollection_getSolutionControl": ["getSolutionControl()", "getSolutionControl() const"],
    "IEntityCollection_getEntity": [
        "getEntity(size_t const)", "getEntity(size_t const) const", "getEntity(OrvaneSDK::Model::EntityID const &)",
        "getEntity(OrvaneSDK::Model::EntityID const &) const", "getEntity(%s,size_t const) const" % S,
        "getEntity(%s,size_t const)" % S, "getEntity(%s)" % S, "getEntity(%s,%s,size_t const)" % (S, S),
        "getEntity(%s,%s)" % (S, S), "getEntity(%s,%s,size_t const) const" % (S, S),
        "getEntity(%s,%s) const" % (S, S)],
    "IEntityCollection_hasEntity": [
        "hasEntity(size_t const) const", "hasEntity(OrvaneSDK::Model::EntityID const &) const",
        "hasEntity(%s,size_t const) const" % S, "hasEntity(%s,%s,size_t const) const" % (S, S),
        "hasEntity(%s,%s) const" % (S, S)],
    "IEntityCollection_getRootEntity": ["getRootEntity(size_t const) const", "getRootEntity() const",
                                        "getRootEntity(size_t const)", "getRootEntity()"],
}
MAX_ARGS = {"IEntityCollection_getNumberOfEntities": 3, "IEntityCollection_getSolutionControl": 1,
            "IEntityCollection_getEntity": 4, "IEntityCollection_hasEntity": 4, "IEntityCollection_getRootEntity": 2}
ROWS = ["IEntityCollection_getNumberOfEntities", "IEntityCollection_getSolutionControl", "IEntityCollection_getEntity",
        "IEntityCollection_hasEntity", "IEntityCollection_getNumberOfRootEntities", "IEntityCollection_getRootEntity",
        "IEntityCollection_swigregister"]


class Id(tuple):
    """An identifier argument, made into an EntityID proxy when the call is made."""


def overload_message(name):
    return ("Wrong number or type of arguments for overloaded function '%s'.\n  Possible C/C++ prototypes are:\n"
            % name + "".join(PROTO + line + "\n" for line in PROTOTYPES[name]))


@pytest.fixture
def coll(m, standin):
    standin.load_model(MODEL)
    return m.ISolverData_getEntityCollection(m.ISolverManager_instance())


@pytest.fixture
def call(m, standin, coll, owned):
    """Calls a collection function with identifiers made for it; returns the result and the raw calls."""
    def run(name, *args):
        args = [owned(m.new_EntityID(*a), m.delete_EntityID) if isinstance(a, Id) else a for a in args]
        standin.clear_calls()
        standin.record_calls(True)
        try:
            return getattr(m, name)(coll, *args), standin.calls()
        finally:
            standin.record_calls(False)
    return run


def entity_name(standin, entity):
    """Full name of the entity behind a proxy, by address."""
    if entity is None:
        return None
    names = ["Loop", "Loop/Solver", "Loop/PumpA", "Loop/PumpB", "Loop/Pipe", "Loop/Sub", "Loop/Sub/Pipe", "Env"]
    return next(n for n in names if standin.address_of(n) == int(entity))


def test_rows_stand_together_in_table_order(m):
    names = list(vars(m))
    start = names.index(ROWS[0])
    assert names[start:start + len(ROWS)] == ROWS
    assert [takes_one_object(getattr(m, n)) for n in ROWS] == [False] * 4 + [True, False, True]


def test_docstrings_have_a_block_per_prototype(m):
    assert m.IEntityCollection_swigregister.__doc__ is None
    assert m.IEntityCollection_getNumberOfRootEntities.__doc__.startswith("\n<summary>")
    for name, lines in PROTOTYPES.items():
        blocks = getattr(m, name).__doc__.split("\n|\n")
        assert [b.split(":*\n\n<summary>")[0] for b in blocks] == [
            "\n*Overload %d" % (i + 1) for i in range(len(lines))]


@pytest.mark.parametrize("args, count, slot, raw", [
    ((), 8, 6, ()),
    ((Id((3, 2)),), 1, 15, ((3, 2),)),
    ((Id((9, 9)),), 0, 15, ((9, 9),)),
    (("Pump",), 2, 14, ("Pump",)),
    (("Nothing",), 0, 14, ("Nothing",)),
    (("Pipe", "Pipe"), 2, 7, ("Pipe", "Pipe")),
    (("Pump", "Pipe"), 0, 7, ("Pump", "Pipe")),
])
def test_counts(call, coll, args, count, slot, raw):
    result, calls = call("IEntityCollection_getNumberOfEntities", *args)
    assert result == count
    assert calls == [(int(coll), slot, raw)]


@pytest.mark.parametrize("args, entity, slot, raw", [
    ((0,), "Loop", 10, (0,)),
    ((3,), "Loop/PumpB", 10, (3,)),
    ((True,), "Loop/Solver", 10, (1,)),
    ((Id((3, 2)),), "Loop/PumpB", 18, ((3, 2),)),
    ((Id((7, 7)),), None, 18, ((7, 7),)),
    (("Pump",), "Loop/PumpA", 16, ("Pump", 0)),
    (("Pump", 1), "Loop/PumpB", 16, ("Pump", 1)),
    (("Pump", 2), None, 16, ("Pump", 2)),
    (("Pipe", "Pipe"), "Loop/Pipe", 12, ("Pipe", "Pipe", 0)),
    (("Pipe", "Pipe", 1), "Loop/Sub/Pipe", 12, ("Pipe", "Pipe", 1)),
    (("Ambient", "Env", 0), "Env", 12, ("Ambient", "Env", 0)),
])
def test_get_entity_forms(call, coll, standin, args, entity, slot, raw):
    result, calls = call("IEntityCollection_getEntity", *args)
    assert entity_name(standin, result) == entity
    assert calls == [(int(coll), slot, raw)]
    assert result is None or not result.own()


@pytest.mark.parametrize("args, answer, slot, raw", [
    ((7,), True, 6, ()),
    ((8,), False, 6, ()),
    ((True,), True, 6, ()),
    ((Id((5, 1)),), True, 15, ((5, 1),)),
    ((Id((5, 2)),), False, 15, ((5, 2),)),
    (("Pump", 1), True, 14, ("Pump",)),
    (("Pump", 2), False, 14, ("Pump",)),
    (("Pipe", "Pipe"), True, 7, ("Pipe", "Pipe")),
    (("Pipe", "Nothing"), False, 7, ("Pipe", "Nothing")),
    (("Pipe", "Pipe", 1), True, 7, ("Pipe", "Pipe")),
    (("Pipe", "Pipe", 2), False, 7, ("Pipe", "Pipe")),
])
def test_has_entity_counts_and_never_fetches(call, coll, args, answer, slot, raw):
    result, calls = call("IEntityCollection_hasEntity", *args)
    assert result is answer
    assert calls == [(int(coll), slot, raw)]


@pytest.mark.parametrize("name, args, entity, slot, raw", [
    ("IEntityCollection_getRootEntity", (), "Loop", 4, (0,)),
    ("IEntityCollection_getRootEntity", (1,), "Env", 4, (1,)),
    ("IEntityCollection_getSolutionControl", (), "Loop/Solver", 8, ()),
])
def test_root_entities_and_solution_control(call, coll, standin, name, args, entity, slot, raw):
    result, calls = call(name, *args)
    assert entity_name(standin, result) == entity
    assert calls == [(int(coll), slot, raw)]


def test_root_count_and_missing_solution_control(m, call, coll, standin):
    assert call("IEntityCollection_getNumberOfRootEntities") == (2, [(int(coll), 3, ())])
    standin.load_model({"format": "varnex2-standin-model/1", "entities": [{"name": "A", "type": "T"}]})
    assert m.IEntityCollection_getSolutionControl(coll) is None


@pytest.mark.parametrize("name, args, message", [
    ("IEntityCollection_getEntity", (8,), "entity index 8 is out of range: the model has 8 entities"),
    ("IEntityCollection_getEntity", (2**64 - 1,),
     "entity index 18446744073709551615 is out of range: the model has 8 entities"),
    ("IEntityCollection_getRootEntity", (2,), "root entity index 2 is out of range: the model has 2 root entities"),
])
def test_positions_past_the_end_fail_in_the_library(m, coll, name, args, message):
    with pytest.raises(RuntimeError) as err:
        getattr(m, name)(coll, *args)
    assert str(err.value) == message


# Every form, and the slot that a failure must be injected into to reach it.
FORMS = [
    ("IEntityCollection_getNumberOfEntities", (), 6),
    ("IEntityCollection_getNumberOfEntities", (Id((1, 1)),), 15),
    ("IEntityCollection_getNumberOfEntities", ("Pump",), 14),
    ("IEntityCollection_getNumberOfEntities", ("Pump", "PumpA"), 7),
    ("IEntityCollection_getSolutionControl", (), 8),
    ("IEntityCollection_getEntity", (Id((1, 1)),), 18),
    ("IEntityCollection_getEntity", (0,), 10),
    ("IEntityCollection_getEntity", ("Pump",), 16),
    ("IEntityCollection_getEntity", ("Pump", 0), 16),
    ("IEntityCollection_getEntity", ("Pump", "PumpA"), 12),
    ("IEntityCollection_getEntity", ("Pump", "PumpA", 0), 12),
    ("IEntityCollection_hasEntity", (Id((1, 1)),), 15),
    ("IEntityCollection_hasEntity", (0,), 6),
    ("IEntityCollection_hasEntity", ("Pump", 0), 14),
    ("IEntityCollection_hasEntity", ("Pump", "PumpA"), 7),
    ("IEntityCollection_hasEntity", ("Pump", "PumpA", 0), 7),
    ("IEntityCollection_getNumberOfRootEntities", (), 3),
    ("IEntityCollection_getRootEntity", (), 4),
    ("IEntityCollection_getRootEntity", (0,), 4),
]


@pytest.mark.parametrize("name, args, slot", FORMS)
def test_library_failures_reach_python(call, coll, standin, name, args, slot):
    ok, _ = call(name, *args)
    for status in (-2, -3, -4, -5, -6, 9):
        standin.fail_next(int(coll), slot, status, "injected %d" % status)
        with pytest.raises(RuntimeError) as err:
            call(name, *args)
        assert str(err.value) == "injected %d" % status
    assert call(name, *args)[0] == ok  # the collection stays usable


def test_failed_message_query(m, coll, standin):
    standin.fail_next(int(coll), 6, -2, "lost", message_fails=True)
    with pytest.raises(RuntimeError) as err:
        m.IEntityCollection_hasEntity(coll, 0)
    assert str(err.value) == "Failure to retrieve LastErrorMessage"


@pytest.mark.parametrize("name, args, text", [
    ("IEntityCollection_getNumberOfEntities", (), "const *"),
    ("IEntityCollection_getNumberOfEntities", ("Pump",), "const *"),
    ("IEntityCollection_getSolutionControl", (), "*"),
    ("IEntityCollection_getEntity", (0,), "*"),
    ("IEntityCollection_getEntity", ("Pump", "PumpA", 0), "*"),
    ("IEntityCollection_hasEntity", (0,), "const *"),
    ("IEntityCollection_hasEntity", ("Pump", "PumpA"), "const *"),
    ("IEntityCollection_getNumberOfRootEntities", (), "const *"),
    ("IEntityCollection_getRootEntity", (), "*"),
    ("IEntityCollection_getRootEntity", (1,), "*"),
])
def test_none_as_collection(m, standin, name, args, text):
    standin.record_calls(True)
    with pytest.raises(ValueError) as err:
        getattr(m, name)(None, *args)
    assert str(err.value) == ("invalid null reference in method '%s', argument 1 of type "
                              "'OrvaneSDK::Model::IEntityCollection %s'" % (name, text))
    assert standin.calls() == []


def test_wrong_object_as_collection(m, manager):
    with pytest.raises(TypeError) as err:
        m.IEntityCollection_getNumberOfRootEntities(manager)
    assert str(err.value) == ("in method 'IEntityCollection_getNumberOfRootEntities', argument 1 of type "
                              "'OrvaneSDK::Model::IEntityCollection const *'")
    for name in PROTOTYPES:
        with pytest.raises(TypeError) as err:
            getattr(m, name)(manager)
        assert str(err.value) == overload_message(name)


@pytest.mark.parametrize("name, args", [
    ("IEntityCollection_getNumberOfEntities", (1,)),
    ("IEntityCollection_getNumberOfEntities", ("Pump", 1)),
    ("IEntityCollection_getEntity", ()),
    ("IEntityCollection_getEntity", (-1,)),
    ("IEntityCollection_getEntity", (2**64,)),
    ("IEntityCollection_getEntity", (1.0,)),
    ("IEntityCollection_getEntity", ("Pump", -1)),
    ("IEntityCollection_getEntity", (0, "Pump")),
    ("IEntityCollection_getEntity", ("Pump", "PumpA", "x")),
    ("IEntityCollection_hasEntity", (None,)),
    ("IEntityCollection_hasEntity", ("Pump",)),
    ("IEntityCollection_getRootEntity", (-1,)),
    ("IEntityCollection_getRootEntity", ("0",)),
])
def test_overload_messages(m, coll, name, args):
    with pytest.raises(TypeError) as err:
        getattr(m, name)(coll, *args)
    assert str(err.value) == overload_message(name)


@pytest.mark.parametrize("name", sorted(MAX_ARGS))
def test_count_messages(m, coll, name):
    limit = MAX_ARGS[name]
    with pytest.raises(TypeError) as err:
        getattr(m, name)(coll, *range(limit))
    assert str(err.value) == ("%s expected at most %d arguments, got %d\nAdditional information:\n"
                              % (name, limit, limit + 1) + overload_message(name))


@pytest.mark.parametrize("name, args, position", [
    ("IEntityCollection_getNumberOfEntities", (None,), 2),
    ("IEntityCollection_getNumberOfEntities", ("Pump", None), 3),
    ("IEntityCollection_getEntity", (None,), 2),
    ("IEntityCollection_getEntity", ("Pump", None), 3),
    ("IEntityCollection_getEntity", (None, "PumpA", 0), 2),
    ("IEntityCollection_hasEntity", (None, 0), 2),
    ("IEntityCollection_hasEntity", ("Pump", None, 0), 3),
])
def test_none_as_text(m, coll, name, args, position):
    with pytest.raises(ValueError) as err:
        getattr(m, name)(coll, *args)
    assert str(err.value) == ("invalid null reference in method '%s', argument %d of type 'std::string const &'"
                              % (name, position))


def test_shadow_class_wraps_the_collection(run_same):
    rc, out, err = run_same(
        "class IEntityCollection:\n"
        "    pass\n"
        "m.IEntityCollection_swigregister(IEntityCollection)\n"
        "coll = m.ISolverData_getEntityCollection(m.ISolverManager_instance())\n"
        "print(type(coll).__name__, m.IEntityCollection_getNumberOfRootEntities(coll))\n")
    assert (rc, err) == (0, "")
    assert out.split() == ["IEntityCollection", "2"]
