"""EntityEditor wrappers: table entries, constructors, messages, neutral answers, identifiers."""
import pytest

from owned_tools import arg_message, check_rows, count_message, null_message, overload_message, owned  # noqa: F401
from owned_tools import raises
from proxy_tools import type_name

VALUE_KINDS = ["Int", "Bool", "Float", "Double", "String"]
ROWS = (["new_EntityEditor", "EntityEditor_getEntityCollection", "EntityEditor_getSolutionControl"]
        + ["EntityEditor_" + n for n in (
            "getNumberOfEntities", "hasEntity", "getEntity", "getEntityType", "getEntityName", "getEntityID",
            "getEntityNumberOfAttributes", "hasAttribute", "getAttribute", "getAttributePath", "getUnit",
            "getAccessType")]
        + ["EntityEditor_get%sValue" % k for k in VALUE_KINDS] + ["EntityEditor_set%sValue" % k for k in VALUE_KINDS]
        + ["delete_EntityEditor", "EntityEditor_swigregister", "EntityEditor_swiginit"])

# Prototype texts of the attribute selectors: the handle, then rows 1 to 21.
E, I, ID, S, P = ("OrvaneSDK::Model::IEntity *const", "size_t const", "EntityID const &", "std::string const &",
                  "char const *")
SELECTORS = [["OrvaneSDK::Model::IAttribute *const"],
             [E, I], [I, I], [ID, I], [S, I, I], [P, I, I], [S, S, I], [P, P, I], [S, S, I, I], [P, P, I, I],
             [E, S], [I, S], [ID, S], [S, I, S], [S, S, S], [S, S, I, S],
             [E, P], [I, P], [ID, P], [P, I, P], [P, P, P], [P, P, I, P]]
CHRONO = "OrvaneSDK::Chronology const"
READERS = [[E], [I], [ID], [S, I], [P, I], [S, S, I], [S, S], [P, P, I], [P, P]]


def message(name, method, params, suffix=""):
    return overload_message(name, ["OrvaneSDK::Model::EntityEditor::%s(%s)%s" % (method, ",".join(p), suffix)
                                   for p in params])


def value_params(extra):
    return [p + q for p in SELECTORS for q in (extra + [CHRONO], extra)]


MODEL = {"entities": [
    {"name": "Loop", "type": "Network", "id": [1, 1], "attributes": [
        {"name": "P", "kind": "entity", "type": "Pipe", "id": [2, 1], "attributes": [
            {"name": "Count", "kind": "int", "unit": "1",
             "values": {"Initial": 10, "Continue": 11, "TimeStepStart": 12, "Current": 13, "Next": 14}},
            {"name": "Level", "kind": "int", "value": 5},
            {"name": "Ratio", "kind": "float", "value": 0.5}]},
        {"name": "Sub", "kind": "composite", "attributes": [
            {"name": "P", "kind": "entity", "type": "Pipe", "id": [2, 2], "attributes": [
                {"name": "Count", "kind": "int", "value": 20},
                {"name": "Open", "kind": "bool", "value": True},
                {"name": "Ratio", "kind": "float", "value": 0.25}]}]}]}]}


@pytest.fixture
def model(standin):
    standin.load_model(MODEL)
    return standin


@pytest.fixture
def make(m, owned):
    return lambda *args: owned(m.new_EntityEditor(*args), m.delete_EntityEditor)


@pytest.fixture
def editor(m, model, make):
    return make(m.ISolverData_getEntityCollection(m.ISolverManager_instance()))


def test_rows_flags_and_docstrings(m):
    check_rows(m, ROWS, ["EntityEditor_getEntityCollection", "EntityEditor_getSolutionControl", "delete_EntityEditor",
                         "EntityEditor_swigregister"], ROWS[-3:])
    # test_module checks the blocks' form and count; here the texts of two blocks.
    block = m.EntityEditor_setFloatValue.__doc__.split("\n|\n")[16]  # row 8 with a chronology
    params = [line.split('"')[1] for line in block.split("\n") if line.startswith("<param")]
    assert params == ["entityType", "entityName", "entity_i", "attribute_i", "value", "chronology"]
    assert "at the current moment" in m.EntityEditor_getIntValue.__doc__.split("\n|\n")[1]
    assert m.EntityEditor_getSolutionControl.__doc__.startswith("\n<summary>")


@pytest.mark.parametrize("name, args, expected", [
    ("EntityEditor_getIntValue", (), message("EntityEditor_getIntValue", "getIntValue", value_params([]))),
    ("EntityEditor_setBoolValue", (1,), message("EntityEditor_setBoolValue", "setBoolValue",
                                                value_params(["bool const"]))),
    ("EntityEditor_getUnit", (), message("EntityEditor_getUnit", "getUnit", SELECTORS)),
    ("EntityEditor_getAttributePath", (), message("EntityEditor_getAttributePath", "getAttributePath",
                                                  SELECTORS[:10])),
    ("EntityEditor_hasAttribute", (), message("EntityEditor_hasAttribute", "hasAttribute", SELECTORS[1:])),
    ("EntityEditor_getEntityType", (), message("EntityEditor_getEntityType", "getEntityType", READERS)),
    ("EntityEditor_hasEntity", (-1,), message("EntityEditor_hasEntity", "hasEntity",
                                              [[I], [ID], [S, I], [S, S, I], [S, S]])),
    ("EntityEditor_getNumberOfEntities", (1,), message("EntityEditor_getNumberOfEntities", "getNumberOfEntities",
                                                       [[], [S], [S, S]], " const")),
    ("EntityEditor_getIntValue", (1, 2, 3, 4, 5, 6), count_message("EntityEditor_getIntValue", 6, 7)
     + message("EntityEditor_getIntValue", "getIntValue", value_params([]))),
])
def test_overload_failure_lists_every_prototype(m, editor, name, args, expected):
    with pytest.raises(TypeError) as error:
        getattr(m, name)(editor, *args)
    assert str(error.value) == expected


def test_constructor_messages(m, editor):
    expected = message("new_EntityEditor", "EntityEditor", [
        ["IEntityCollection *const"], ["OrvaneSDK::ISolverData *const"], ["OrvaneSDK::ISolverData &"]])
    for args in [(), (5,), (editor,), (None, None)]:
        with pytest.raises(TypeError) as error:
            m.new_EntityEditor(*args)
        assert str(error.value).endswith(expected)


@pytest.mark.parametrize("source", ["none", "manager", "collection"])
def test_constructors(m, model, make, source):
    manager = m.ISolverManager_instance()
    arg = {"none": None, "manager": manager, "collection": m.ISolverData_getEntityCollection(manager)}[source]
    made = make(arg)
    assert type_name(made) == "OrvaneSDK::Model::EntityEditor *" and made.own()
    collection = m.EntityEditor_getEntityCollection(made)
    if source == "none":
        assert collection is None and m.EntityEditor_getSolutionControl(made) is None
    else:
        assert int(collection) == model.collection_address() and not collection.own()
        assert m.EntityEditor_getNumberOfEntities(made) == 3


def test_failing_collection_lookup_makes_no_editor(m, model, traced):
    manager = m.ISolverManager_instance()
    address, slot, _ = traced(lambda: m.delete_EntityEditor(m.new_EntityEditor(manager)))[1][0]  # the first raw call
    model.fail_next(address, slot, model.LOGIC_ERROR, "no collection today")
    with pytest.raises(RuntimeError, match="^no collection today$"):
        m.new_EntityEditor(manager)


# Without a collection every lookup answers a neutral value and calls nothing; with one, a
# missing entity or attribute ends the operation after its lookups.
@pytest.mark.parametrize("name, args, expected, calls", [(name, args, expected, None) for name, args, expected in [
    ("getNumberOfEntities", ("Pipe", "P"), 0), ("hasEntity", ("Pipe", "P"), False), ("getEntity", ("Pipe", 0), None),
    ("getEntityName", ("Pipe", "P", 0), ""), ("getEntityNumberOfAttributes", (0,), 0),
    ("hasAttribute", (0, "Count"), False), ("getAttribute", ("Pipe", "P", 0), None), ("getUnit", (0, 0), ""),
    ("getAccessType", ("Pipe", "P", "x"), 0), ("getIntValue", ("Pipe", 0, 0, 3), 0),
    ("getBoolValue", (0, "Open"), False), ("getFloatValue", (0, 0), 0.0),
    ("setStringValue", ("Pipe", "P", 0, "x", 4), None), ("getSolutionControl", (), None),
    ("getEntityID", ("Pipe", 0), "0-0")]] + [
    ("getEntityType", (None,), "", 0),            # no entity, no call
    ("getIntValue", (None,), 0, 0),               # no attribute, no call
    ("getIntValue", ("Pipe", "Q", 0), 0, 1),       # missing entity: only its lookup
    ("setIntValue", ("Pipe", "P", "Gone", 1), None, 2),  # missing attribute: two lookups
    ("getUnit", ("Pipe", "P", "Gone"), "", 2), ("getEntityID", ("Pipe", 9), "0-0", 1),
])
def test_neutral_answers_of_missing_objects(m, model, make, owned, name, args, expected, calls):
    editor = make(None if calls is None else m.ISolverData_getEntityCollection(m.ISolverManager_instance()))
    model.record_calls()
    result = getattr(m, "EntityEditor_" + name)(editor, *args)
    if name == "getEntityID":  # a new owned identifier
        result = m.EntityID_toString(owned(result, m.delete_EntityID))
    assert result == expected and len(model.calls()) == (calls or 0)


def test_entity_id_is_an_owned_identifier_usable_as_selector(m, editor, owned):
    made = owned(m.EntityEditor_getEntityID(editor, "Pipe", "P", 1), m.delete_EntityID)
    assert made.own() and type_name(made) == "OrvaneSDK::Model::EntityID *"
    assert m.EntityID_toString(made) == "2-2"
    assert m.EntityEditor_hasEntity(editor, made)
    assert m.EntityEditor_getEntityName(editor, made) == "P"
    assert int(m.EntityEditor_getEntity(editor, made)) == int(m.EntityEditor_getEntity(editor, 2))
    assert m.EntityEditor_getIntValue(editor, made, "Count") == 20
    other = owned(m.new_EntityID(2, 1), m.delete_EntityID)
    assert m.EntityEditor_hasEntity(editor, other) and m.EntityEditor_getEntityType(editor, other) == "Pipe"
    assert not m.EntityEditor_hasEntity(editor, owned(m.new_EntityID(7, 7), m.delete_EntityID))


EDITOR, CONST_EDITOR = "OrvaneSDK::Model::EntityEditor *", "OrvaneSDK::Model::EntityEditor const *"
S = "std::string const &"


@pytest.mark.parametrize("name, args, error, position, text", [
    ("getEntity", ("E", None, 0), ValueError, 2, S), ("getIntValue", ("E", 0, None), ValueError, 3, S),
    ("setStringValue", ("E", 0, 0, None), TypeError, 4, "std::string const"),
    ("getIntValue", (None, 0, 0), ValueError, 1, EDITOR), ("getNumberOfEntities", (None,), ValueError, 1, CONST_EDITOR),
    ("getEntityCollection", (5,), TypeError, 1, CONST_EDITOR), ("getSolutionControl", ("x",), TypeError, 1, EDITOR),
    ("delete_EntityEditor", (5,), TypeError, 1, EDITOR),
])
def test_argument_errors_come_before_any_call(m, editor, model, name, args, error, position, text):
    model.record_calls()
    name = name if name.startswith("delete_") else "EntityEditor_" + name
    message = (null_message if error is ValueError else arg_message)(name, position, text)
    raises(error, message, getattr(m, name), *[editor if a == "E" else a for a in args])
    assert model.calls() == []


def test_library_failure_passes_through_and_editor_stays_usable(m, editor, model, traced):
    address, slot, _ = traced(m.EntityEditor_getEntity, editor, "Pipe", "P")[1][0]
    model.fail_next(address, slot, model.OUT_OF_RANGE, "lookup broke")
    with pytest.raises(RuntimeError, match="^lookup broke$"):
        m.EntityEditor_getIntValue(editor, "Pipe", "P", "Count")
    assert m.EntityEditor_getIntValue(editor, "Pipe", "P", "Count") == 13


def test_delete_releases_once(m, model):
    made = m.new_EntityEditor(None)
    assert m.delete_EntityEditor(made) is None and not made.own()
    assert m.delete_EntityEditor(None) is None
    with pytest.raises(ValueError):
        m.EntityEditor_getEntityCollection(made)  # the proxy no longer points anywhere
