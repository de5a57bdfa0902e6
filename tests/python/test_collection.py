"""Entity collection wrappers end to end through the stand-in library: which raw slot each form
reaches with which arguments, results, library failures and the fixed messages."""
import pytest

from owned_tools import arg_message, check_rows, count_message, null_message, owned, raises  # noqa: F401
from owned_tools import overload_message as message_of

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
PROTO = "OrvaneSDK::Model::IEntityCollection::"
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


class Id(tuple):
    """An identifier argument, made into an EntityID proxy when the call is made."""


def overload_message(name):
    return message_of(name, [PROTO + line for line in PROTOTYPES[name]])


@pytest.fixture
def coll(m, standin):
    standin.load_model(MODEL)
    return m.ISolverData_getEntityCollection(m.ISolverManager_instance())


@pytest.fixture
def call(m, coll, owned, traced):
    """Calls a collection function with identifiers made for it; returns the result and the raw calls."""
    return lambda name, *args: traced(getattr(m, name), coll, *[
        owned(m.new_EntityID(*a), m.delete_EntityID) if isinstance(a, Id) else a for a in args])


def entity_name(standin, entity):
    """Full name of the entity behind a proxy, by address."""
    if entity is None:
        return None
    names = ["Loop", "Loop/Solver", "Loop/PumpA", "Loop/PumpB", "Loop/Pipe", "Loop/Sub", "Loop/Sub/Pipe", "Env"]
    return next(n for n in names if standin.address_of(n) == int(entity))


def test_rows_and_flags(m):
    rows = ["IEntityCollection_" + n for n in ("getNumberOfEntities", "getSolutionControl", "getEntity", "hasEntity",
                                               "getNumberOfRootEntities", "getRootEntity", "swigregister")]
    check_rows(m, rows, [rows[4], rows[6]], [rows[6]])


# Every form: its result (an entity by full name), and the one raw call it makes (slot, arguments).
N, G, H, R = ("IEntityCollection_getNumberOfEntities", "IEntityCollection_getEntity", "IEntityCollection_hasEntity",
              "IEntityCollection_getRootEntity")
CALLS = [
    (N, (), 8, 6, ()), (N, (Id((3, 2)),), 1, 15, ((3, 2),)), (N, (Id((9, 9)),), 0, 15, ((9, 9),)),
    (N, ("Pump",), 2, 14, ("Pump",)), (N, ("Nothing",), 0, 14, ("Nothing",)),
    (N, ("Pipe", "Pipe"), 2, 7, ("Pipe", "Pipe")), (N, ("Pump", "Pipe"), 0, 7, ("Pump", "Pipe")),
    (G, (0,), "Loop", 10, (0,)), (G, (3,), "Loop/PumpB", 10, (3,)), (G, (True,), "Loop/Solver", 10, (1,)),
    (G, (Id((3, 2)),), "Loop/PumpB", 18, ((3, 2),)), (G, (Id((7, 7)),), None, 18, ((7, 7),)),
    (G, ("Pump",), "Loop/PumpA", 16, ("Pump", 0)), (G, ("Pump", 1), "Loop/PumpB", 16, ("Pump", 1)),
    (G, ("Pump", 2), None, 16, ("Pump", 2)), (G, ("Pipe", "Pipe"), "Loop/Pipe", 12, ("Pipe", "Pipe", 0)),
    (G, ("Pipe", "Pipe", 1), "Loop/Sub/Pipe", 12, ("Pipe", "Pipe", 1)),
    (G, ("Ambient", "Env", 0), "Env", 12, ("Ambient", "Env", 0)),
    # hasEntity counts and never fetches.
    (H, (7,), True, 6, ()), (H, (8,), False, 6, ()), (H, (True,), True, 6, ()), (H, (Id((5, 1)),), True, 15, ((5, 1),)),
    (H, (Id((5, 2)),), False, 15, ((5, 2),)), (H, ("Pump", 1), True, 14, ("Pump",)),
    (H, ("Pump", 2), False, 14, ("Pump",)),
    (H, ("Pipe", "Pipe"), True, 7, ("Pipe", "Pipe")), (H, ("Pipe", "Nothing"), False, 7, ("Pipe", "Nothing")),
    (H, ("Pipe", "Pipe", 1), True, 7, ("Pipe", "Pipe")), (H, ("Pipe", "Pipe", 2), False, 7, ("Pipe", "Pipe")),
    (R, (), "Loop", 4, (0,)), (R, (1,), "Env", 4, (1,)),
    ("IEntityCollection_getSolutionControl", (), "Loop/Solver", 8, ()),
    ("IEntityCollection_getNumberOfRootEntities", (), 2, 3, ()),
]
# One row of each form (function, slot and argument kinds) for the failure injection.
FORMS = list({(c[0], c[3], tuple(type(a) for a in c[1])): c for c in CALLS}.values())


@pytest.mark.parametrize("name, args, expected, slot, raw", CALLS)
def test_forms(call, coll, standin, name, args, expected, slot, raw):
    result, calls = call(name, *args)
    if name in (G, R, "IEntityCollection_getSolutionControl"):  # an unowned entity, or None
        assert result is None or not result.own()
        result = entity_name(standin, result)
    assert result == expected and type(result) is type(expected)
    assert calls == [(int(coll), slot, raw)]


def test_missing_solution_control(m, coll, standin):
    standin.load_model({"format": "varnex2-standin-model/1", "entities": [{"name": "A", "type": "T"}]})
    assert m.IEntityCollection_getSolutionControl(coll) is None


@pytest.mark.parametrize("name, args, message", [
    ("IEntityCollection_getEntity", (8,), "entity index 8 is out of range: the model has 8 entities"),
    ("IEntityCollection_getEntity", (2**64 - 1,),
     "entity index 18446744073709551615 is out of range: the model has 8 entities"),
    ("IEntityCollection_getRootEntity", (2,), "root entity index 2 is out of range: the model has 2 root entities"),
])
def test_positions_past_the_end_fail_in_the_library(m, coll, name, args, message):
    raises(RuntimeError, message, getattr(m, name), coll, *args)


@pytest.mark.parametrize("name, args, expected, slot, raw", FORMS)
def test_library_failures_reach_python(call, coll, standin, name, args, expected, slot, raw):
    ok, _ = call(name, *args)
    for status in (-2, -3, -4, -5, -6, -1, 9, "message query fails"):
        lost = not isinstance(status, int)
        standin.fail_next(int(coll), slot, -2 if lost else status, "injected %s" % status, message_fails=lost)
        raises(RuntimeError, "Failure to retrieve LastErrorMessage" if lost else "injected %s" % status,
               call, name, *args)
    assert call(name, *args)[0] == ok  # the collection stays usable


@pytest.mark.parametrize("name, args, text", [
    (N, (), "const *"), (N, ("Pump",), "const *"), ("IEntityCollection_getSolutionControl", (), "*"),
    (G, (0,), "*"), (G, ("Pump", "PumpA", 0), "*"), (H, (0,), "const *"), (H, ("Pump", "PumpA"), "const *"),
    ("IEntityCollection_getNumberOfRootEntities", (), "const *"), (R, (), "*"), (R, (1,), "*"),
])
def test_none_as_collection(m, standin, name, args, text):
    standin.record_calls(True)
    raises(ValueError, null_message(name, 1, "OrvaneSDK::Model::IEntityCollection " + text), getattr(m, name), None,
           *args)
    assert standin.calls() == []


def test_wrong_object_as_collection(m, manager):
    raises(TypeError, arg_message("IEntityCollection_getNumberOfRootEntities", 1,
                                  "OrvaneSDK::Model::IEntityCollection const *"),
           m.IEntityCollection_getNumberOfRootEntities, manager)
    for name in PROTOTYPES:
        raises(TypeError, overload_message(name), getattr(m, name), manager)


# Arguments no form takes (the overload message), and None as a text (position of the argument).
@pytest.mark.parametrize("name, args, position", [
    (N, (1,), None), (N, ("Pump", 1), None), (G, (), None), (G, (-1,), None), (G, (2**64,), None), (G, (1.0,), None),
    (G, ("Pump", -1), None), (G, (0, "Pump"), None), (G, ("Pump", "PumpA", "x"), None), (H, (None,), None),
    (H, ("Pump",), None), (R, (-1,), None), (R, ("0",), None),
    (N, (None,), 2), (N, ("Pump", None), 3), (G, (None,), 2), (G, ("Pump", None), 3), (G, (None, "PumpA", 0), 2),
    (H, (None, 0), 2), (H, ("Pump", None, 0), 3),
])
def test_argument_messages(m, coll, name, args, position):
    raises(ValueError if position else TypeError,
           null_message(name, position, "std::string const &") if position else overload_message(name),
           getattr(m, name), coll, *args)


@pytest.mark.parametrize("name", sorted(MAX_ARGS))
def test_count_messages(m, coll, name):
    limit = MAX_ARGS[name]
    raises(TypeError, count_message(name, limit, limit + 1) + overload_message(name), getattr(m, name), coll,
           *range(limit))
