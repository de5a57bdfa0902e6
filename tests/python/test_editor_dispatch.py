"""Which EntityEditor overload a call reaches, seen through the stand-in's record of raw calls.

Every case lists the raw calls as (object, arguments): the entity lookup, the attribute lookup
and the value access, so it shows the selector, the attribute and the chronology that the
chosen overload used.
"""
import pytest

from owned_tools import owned  # noqa: F401
from test_editor import MODEL

NAMES = ["Loop", "Loop/P", "Loop/P/Count", "Loop/P/Level", "Loop/P/Ratio", "Loop/Sub/P", "Loop/Sub/P/Count",
         "Loop/Sub/P/Open", "Loop/Sub/P/Ratio"]


@pytest.fixture
def world(m, standin, owned, traced):
    """The editor, an entity, a plain attribute, an identifier, and a tracer of raw calls."""
    standin.load_model(MODEL)
    collection = m.ISolverData_getEntityCollection(m.ISolverManager_instance())
    editor = owned(m.new_EntityEditor(collection), m.delete_EntityEditor)
    names = {standin.address_of(n): n[len("Loop/"):] or n for n in NAMES}
    names[standin.collection_address()] = "collection"
    objects = {
        "<P>": m.EntityEditor_getEntity(editor, "Pipe", "P"),
        "<Count>": m.EntityEditor_getAttribute(editor, "Pipe", "P", "Count"),
        "<Open>": m.EntityEditor_getAttribute(editor, "Pipe", "P", 1, "Open"),
        "<ID>": owned(m.new_EntityID(2, 2), m.delete_EntityID),
    }

    def trace(name, *args):
        """Calls the wrapper with <P>, <Count>, <Open> and <ID> replaced by those objects."""
        result, calls = traced(getattr(m, "EntityEditor_" + name), editor,
                               *[objects.get(a, a) if isinstance(a, str) else a for a in args])
        return result, [(names.get(address, address), arguments) for address, _, arguments in calls]

    return trace


C = "collection"


@pytest.mark.parametrize("name, args, result, calls", [
    # An entity and an int: attribute 1 of the entity at the default chronology 3 ...
    ("getIntValue", ("<P>", 1), 5, [("P", (1, True)), ("P/Level", (3,))]),
    # ... while a plain attribute and an int: that attribute at chronology 1.
    ("getIntValue", ("<Count>", 1), 11, [("P/Count", (1,))]),
    ("getIntValue", (1, 0), 13, [(C, (1,)), ("P", (0, True)), ("P/Count", (3,))]),
    ("getIntValue", (1, "Count"), 13, [(C, (1,)), ("P", ("Count",)), ("P/Count", (3,))]),
    ("getIntValue", ("<ID>", 0, True), 20, [(C, ((2, 2),)), ("Sub/P", (0, True)), ("Sub/P/Count", (1,))]),
    # None first: the entity handle wins over the text; nothing is found and nothing called.
    ("getIntValue", (None, 0, 1), 0, []),
    ("getEntityType", (None,), "", []),
    # (type, name, int, int): attribute and chronology, not entity and attribute.
    ("getIntValue", ("Pipe", "P", 1, 2), 5, [(C, ("Pipe", "P", 0)), ("P", (1, True)), ("P/Level", (2,))]),
    ("getIntValue", ("Pipe", "P", 1, 0, 0), 20,
     [(C, ("Pipe", "P", 1)), ("Sub/P", (0, True)), ("Sub/P/Count", (0,))]),
    # Writers: int and bool values rank below an index, float, double and string values above it.
    ("setIntValue", ("Pipe", "P", 1, 2, 3), None, [(C, ("Pipe", "P", 0)), ("P", (1, True)), ("P/Level", (2, 3))]),
    ("setFloatValue", ("Pipe", "P", 1, 2, 3), None,
     [(C, ("Pipe", "P", 1)), ("Sub/P", (2, True)), ("Sub/P/Ratio", (3.0, 4))]),
    ("setBoolValue", ("Pipe", "P", 1, 1, True), None,
     [(C, ("Pipe", "P", 1)), ("Sub/P", (1, True)), ("Sub/P/Open", (True, 4))]),
    # An entity, an int and a value: attribute 1 of the entity, not the entity itself.
    ("setIntValue", ("<P>", 1, 7), None, [("P", (1, True)), ("P/Level", (7, 4))]),
    ("setIntValue", ("<Count>", 7, 3), None, [("P/Count", (7, 3))]),
    ("setBoolValue", ("<Open>", True), None, [("Sub/P/Open", (True, 4))]),
    ("setStringValue", ("Pipe", "P", "Count", "8"), None,
     [(C, ("Pipe", "P", 0)), ("P", ("Count",)), ("P/Count", ("8", 4))]),
    ("hasEntity", (True,), True, [(C, ())]),
    ("hasAttribute", ("<P>", 3), False, [("P", (True,))]),
    ("hasAttribute", ("<P>", 2), True, [("P", (True,))]),
    ("getAttributePath", ("<Open>",), "Open", [("Sub/P/Open", (True,))]),
])
def test_call_reaches_the_documented_overload(world, name, args, result, calls):
    assert world(name, *args) == (result, calls)


@pytest.mark.parametrize("name, args", [
    ("hasEntity", (-1,)),              # a negative int is no index
    ("hasEntity", ("<P>",)),             # no handle form
    ("getEntityType", ((2, 2),)),      # identifiers are EntityID proxies only
    ("setBoolValue", ("<Open>", 1)),     # a bool value is True or False
    ("getIntValue", ()),               # no selector
    ("getIntValue", ("<Count>", 1.5)),   # a chronology is an int
    ("setFloatValue", ("<Count>", "x")),
])
def test_no_overload_matches(world, name, args):
    with pytest.raises(TypeError) as error:
        world(name, *args)
    assert str(error.value).startswith(
        "Wrong number or type of arguments for overloaded function 'EntityEditor_%s'.\n" % name)
