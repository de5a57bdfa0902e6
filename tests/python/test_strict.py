"""The enumerations as IntEnum classes and the strict editor of Varnex2Python (in a child
interpreter: the package binds its classes for the whole process)."""
import os

import pytest

pytest.importorskip("varnex2_standin")  # looks up the stand-in's model

from child_tests import CHILD, only_in_child

if CHILD:
    import _Varnex2Python as V
    import Varnex2Python as vx
    from Varnex2Python import enums

ENUMS = ["AccessType", "AttributeType", "Chronology", "EventType", "ExceptionType", "ExchangeFormat",
         "HandleType", "SolvePhase", "SolveState"]


@pytest.mark.parametrize("name", ENUMS)
def test_each_enumeration_has_every_constant_as_a_member(name):
    cls = getattr(vx, name)
    assert cls is getattr(enums, name)
    prefix = name + "_"
    constants = {key[len(prefix):]: value for key, value in vars(V).items()
                 if key.startswith(prefix) and isinstance(value, int)}
    members = {("_None" if member == "None_" else member): int(value) for member, value in cls.__members__.items()}
    assert members == constants


@pytest.mark.parametrize("member, constant, text", [
    ("Chronology.Next", "Chronology_Next", "<Chronology.Next: 4>"),
    ("AccessType.None_", "AccessType__None", "<AccessType.None_: 0>"),
    ("EventType.IterationEnd", "EventType_IterationEnd", "<EventType.IterationEnd: 11>"),
    ("ExceptionType.Logic_Error", "ExceptionType_Logic_Error", "<ExceptionType.Logic_Error: -3>"),
])
def test_members_equal_the_constants_and_name_themselves(member, constant, text):
    value = eval("vx." + member)
    assert value == getattr(vx, constant) and type(getattr(vx, constant)) is int
    assert repr(value) == text
    assert type(value)(getattr(vx, constant)) is value


def test_members_pass_where_the_constants_do(manager):
    assert manager.getIteration(vx.Chronology.Current) == manager.getIteration(vx.Chronology_Current)
    assert vx.toString(vx.SolveState.Solving) == vx.toString(vx.SolveState_Solving)


@pytest.fixture
def editors(manager):
    return vx.StrictEntityEditor(manager), vx.EntityEditor(manager)


# (call, error class, message, what the plain editor answers or raises)
MISSING = [
    ("getDoubleValue('Pmp', 'Pump1', 'Speed')", "MissingEntityError", "no entity of type 'Pmp'; closest: 'Pump'", 0.0),
    ("getDoubleValue('Pump', 'Pump2', 'Speed')", "MissingEntityError",
     "no entity 'Pump2' of type 'Pump'; closest: 'Pump1'", 0.0),
    ("getDoubleValue('Pump', 'Pump1', 'Sped')", "MissingAttributeError",
     "entity 'CoolingLoop/Pump1' (Pump) has no attribute 'Sped'; closest: 'Speed'", 0.0),
    ("setDoubleValue('Pump', 'Pump1', 'Sped', 1.0)", "MissingAttributeError",
     "entity 'CoolingLoop/Pump1' (Pump) has no attribute 'Sped'; closest: 'Speed'", None),
    ("getDoubleValue('Pump', 5, 'Speed')", "MissingEntityError",
     "no entity of type 'Pump' at position 5: the model has 1", 0.0),
    ("getEntity(99)", "MissingEntityError", "no entity at position 99: the model has 11 entities", RuntimeError),
    ("getEntity(vx.EntityID(9, 9))", "MissingEntityError", "no entity with identifier 9-9; closest: ", None),
    ("getUnit('Pump', 'Pump1', 99)", "MissingAttributeError",
     "entity 'CoolingLoop/Pump1' (Pump) has no attribute at position 99: it has 13 attributes", RuntimeError),
    ("getAttribute('Pipe', 'Pipe1', 'Lenght')", "MissingAttributeError", "closest: 'Length'", None),
    ("getEntity(11)", "MissingEntityError", "no entity at position 11: the model has 11 entities", RuntimeError),
    ("getDoubleValue('Pump', -1, 'Speed')", "MissingEntityError",
     "no entity of type 'Pump' at position -1: the model has 1", TypeError),
    ("getDoubleValue(plain.getEntity('Pump', 'Pump1'), 'Nope')", "MissingAttributeError",
     "entity 'CoolingLoop/Pump1' (Pump) has no attribute 'Nope'; closest: ", 0.0),
    ("setDoubleValue(vx.EntityID(4, 1), 'Nope', 1.0)", "MissingAttributeError",
     "entity 'CoolingLoop/Pump1' (Pump) has no attribute 'Nope'; closest: ", None),
]


@pytest.mark.parametrize("call, error, message, neutral", MISSING)
def test_strict_lookups_raise_where_the_editor_answers_neutral(editors, call, error, message, neutral):
    strict, plain = editors
    with pytest.raises(getattr(vx, error)) as raised:
        eval("strict." + call)
    assert isinstance(raised.value, LookupError)
    assert message in str(raised.value)
    if neutral is RuntimeError:  # positions past the end: the library's own error
        with pytest.raises(RuntimeError, match="out of range"):
            eval("plain." + call, {"plain": plain, "vx": vx})
    elif neutral is TypeError:  # a negative position fits no native form
        with pytest.raises(TypeError, match="^Wrong number or type of arguments"):
            eval("plain." + call, {"plain": plain, "vx": vx})
    else:
        assert eval("plain." + call, {"plain": plain, "vx": vx}) == neutral


@pytest.mark.parametrize("call", [
    "getDoubleValue('Pump', 'Pump1', 'Speed')",
    "getDoubleValue('Pump', 'Pump1', 'Speed', vx.Chronology.Initial)",
    "getUnit('Pump', 'Pump1', 'Speed')",
    "getAccessType('Pump', 0, 'Speed')",
    "getAttributePath('Pump', 'Pump1', 1)",
    "getEntityName('Pump', 'Pump1')",
    "getEntityID(3)",
    "getIntValue('Pump', 'Pump1', 2)",
])
def test_strict_lookups_that_find_answer_as_the_editor(editors, call):
    strict, plain = editors
    assert eval("strict." + call) == eval("plain." + call, {"plain": plain, "vx": vx})


# A wrong argument: which one, and the closest call forms, raised from the caller's line with
# no frame of the strict layer's helpers and no chained error.
@pytest.mark.parametrize("call, message", [
    ("getDoubleValue('Pump', 'Pump1', 'Speed', 'fast')", "getDoubleValue(): argument 4 ('fast', str) does not fit; "
     "closest call forms:\n  getDoubleValue(str, str, str, Chronology)\n  getDoubleValue(str, str, str)"),
    ("setDoubleValue('Pump', 'Pump1', 'Speed')", "setDoubleValue(): argument 4 (float) is missing; closest call "
     "forms:\n  setDoubleValue(str, str, str, float)\n  setDoubleValue(str, str, str, float, Chronology)"),
    ("getEntity('Pump', 1.5)", "getEntity(): argument 2 (1.5, float) does not fit; closest call forms:\n"
     "  getEntity(str, int)\n  getEntity(str, str)\n  getEntity(str, str, int)"),
    ("getUnit(vx.EntityID(4, 1), 'Speed', 3)", "getUnit(): argument 3 (3, int) is one too many; "
     "closest call forms:\n  getUnit(EntityID, str)"),
])
def test_wrong_arguments_name_the_argument_and_the_closest_forms(editors, call, message):
    import traceback

    strict, _ = editors
    with pytest.raises(TypeError) as raised:
        eval("strict." + call)
    assert str(raised.value) == message
    assert raised.value.__cause__ is None and raised.value.__suppress_context__
    layer = [f for f in traceback.extract_tb(raised.tb) if f.filename.endswith(os.path.join("Varnex2Python", "strict.py"))]
    assert len(layer) == 1  # the line raising it, no helper below


def test_closest_names_of_a_large_pool():
    from Varnex2Python.strict import closest

    pool = ["Sensor%05d" % i for i in range(5000)] + ["PumpSpeed", "PumpStages"]
    assert closest("PumpSpeeed", pool) == ["PumpSpeed", "PumpStages"]
    assert closest("zzz", pool) == pool[:3]


def test_strict_writes_reach_the_model_and_keep_the_librarys_errors(editors):
    strict, plain = editors
    strict.setDoubleValue("Pump", "Pump1", "Speed", 1525.0)
    assert plain.getDoubleValue("Pump", "Pump1", "Speed", vx.Chronology.Next) == 1525.0
    pump = strict.getEntity("Pump", "Pump1")
    strict.setDoubleValue(pump, "Speed", 1530.0, vx.Chronology.Current)
    assert plain.getDoubleValue(pump, "Speed") == 1530.0
    with pytest.raises(RuntimeError) as strict_error:
        strict.setIntValue("Pump", "Pump1", "Stages", 3)
    with pytest.raises(RuntimeError) as plain_error:
        plain.setIntValue("Pump", "Pump1", "Stages", 3)
    assert str(strict_error.value) == str(plain_error.value)


def test_questions_keep_their_plain_answers(editors):
    strict, _ = editors
    assert strict.hasEntity("Pump", "Pump2") is False
    assert strict.hasAttribute("Pump", "Pump1", "Sped") is False


def test_enumerations_and_strict_editor_load_on_first_use(run_python):
    code, out, err = run_python(
        "import sys, Varnex2Python as vx\n"
        "print(sorted(m for m in ('Varnex2Python.enums', 'Varnex2Python.strict') if m in sys.modules))\n"
        "vx.Chronology\n"
        "print('Varnex2Python.enums' in sys.modules, 'Varnex2Python.strict' in sys.modules)\n"
        "try:\n    vx.Chronolgy\nexcept AttributeError as e:\n    print(e)\n")
    assert code == 0, err
    assert out.splitlines() == ["[]", "True False", "module 'Varnex2Python' has no attribute 'Chronolgy'"]


only_in_child(globals(), __file__)
