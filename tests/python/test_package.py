"""The Varnex2Python classes over the flat functions.

Class bindings are process-wide: once Varnex2Python is imported, every result of the module
comes back as a class instance. So these tests run in a child pytest of their own, and the
parent process only collects the one test that starts it.
"""
import copy
import operator
import pickle
import pydoc
import types
import weakref

import pytest

from child_tests import CHILD, only_in_child

if CHILD:
    import _Varnex2Python as V
    import Varnex2Python as vx

NATIVE_BASES = [
    ("ISolverData", "IHandle"), ("ISolverManager", "ISolverData"), ("IAttribute", "IHandle"),
    ("ICompositeAttribute", "IAttribute"), ("IEntity", "ICompositeAttribute"),
    ("IEntityLinkAttributeBase", "IAttribute"), ("ILinkAttribute", "IEntityLinkAttributeBase"),
    ("IListAttribute", "IEntityLinkAttributeBase"), ("IArrayAttribute", "IEntityLinkAttributeBase"),
    ("IShortcutAttribute", "IAttribute"), ("IEntityCollection", "IHandle"),
]
LIBRARY_CLASSES = ["IHandle"] + [child for child, _ in NATIVE_BASES]
CLASSES = LIBRARY_CLASSES + ["EntityID", "EntityEditor", "SwigPyIterator"]


# The conftest fixtures manager and collection give class instances here: bindings are global.
@pytest.fixture
def pump(collection):
    return collection.getEntity("Pump", "Pump1")


@pytest.fixture
def ev(manager, collection, pump):
    """Evaluates an expression over vx, V, manager, collection, pump and an editor."""
    names = dict(vx=vx, V=V, manager=manager, collection=collection, pump=pump, editor=vx.EntityEditor(collection))
    return lambda expression: eval(expression, names)


# Classes, inheritance and methods.

@pytest.mark.parametrize("cls", CLASSES)
def test_classes_derive_from_their_native_bases_only(cls):
    chain, parent = [cls], dict(NATIVE_BASES)
    while chain[-1] in parent:
        chain.append(parent[chain[-1]])
    assert [k.__name__ for k in getattr(vx, cls).__mro__ if k.__name__ in CLASSES] == chain


@pytest.mark.parametrize("cls", CLASSES)
def test_flat_functions_of_a_class_are_its_methods(cls):
    prefix = cls + "_"
    flat = {name[len(prefix):]: function for name, function in vars(V).items()
            if name.startswith(prefix) and not name.endswith(("_swigregister", "_swiginit"))}
    assert flat
    klass = getattr(vx, cls)
    for name, function in flat.items():
        assert getattr(klass, name) is function, name
        # Bound without a Python function in between (each call would pay a frame).
        assert not isinstance(vars(klass)[name], types.FunctionType), name


# Calls with arguments through bound methods are in the result-class and repr tables.
def test_methods_bind_the_object_and_statics_do_not(manager, pump):
    assert manager.getIteration.__self__ is manager
    assert manager.getIteration.__func__ is V.ISolverData_getIteration
    assert vx.ISolverManager.instance() == manager
    assert vx.EntityID.fromString("4-1") == pump.getEntityID()


@pytest.mark.parametrize("cls", LIBRARY_CLASSES + ["SwigPyIterator"])
def test_library_classes_cannot_be_created(cls):
    with pytest.raises(TypeError, match="cannot be created"):
        getattr(vx, cls)()


def test_methods_without_ctypes_forward_to_the_flat_function(monkeypatch, pump):
    monkeypatch.setattr(vx, "_InstanceMethod", None)
    method = vx._method(V.IEntity_getName)
    assert isinstance(method, types.FunctionType) and method.__doc__ == V.IEntity_getName.__doc__
    assert method(pump, True) == "CoolingLoop/Pump1"


@pytest.mark.parametrize("call", [
    "vars(vx.ISolverData)['getIteration'](manager, 1)",  # the descriptor called directly
    "vx.ISolverData.getIteration(manager, 1)",
    "manager.getIteration(1)",
    "manager.getIteration(chronology=1)",  # keywords are refused with the flat function's text
    "vars(vx.ISolverData)['getIteration']()",
    "vx.ISolverData.getIteration(collection)",
])
def test_method_calls_act_as_the_flat_call(ev, call):
    flat = call.replace("vars(vx.ISolverData)['getIteration'](", "V.ISolverData_getIteration(")
    flat = flat.replace("vx.ISolverData.getIteration(", "V.ISolverData_getIteration(")
    flat = flat.replace("manager.getIteration(", "V.ISolverData_getIteration(manager, ").replace(", )", ")")
    outcomes = []
    for text in (call, flat):
        try:
            outcomes.append(("result", ev(text)))
        except Exception as error:
            outcomes.append((type(error), str(error)))
    assert outcomes[0] == outcomes[1] and call != flat


def test_method_descriptor_shows_its_function():
    method = vars(vx.IEntity)["getName"]
    assert method.__func__ is V.IEntity_getName and method.__name__ == "IEntity_getName"
    assert method.__doc__ == V.IEntity_getName.__doc__ and callable(method)


def _public_names():
    return sum(1 for cls in CLASSES for name in vars(getattr(vx, cls)) if not name.startswith("_"))


# Bound natively, or by the package's own loop when the helper module lacks the binding.
@pytest.mark.controls
@pytest.mark.parametrize("prelude", ["", "import _Varnex2Downcast as D\ndel D.bind_methods, D.method\n"])
def test_import_binds_every_method_without_ctypes(run_python, prelude):
    code, out, err = run_python(
        prelude + "import sys, Varnex2Python as vx, _Varnex2Python as V\n"
        "ctypes = 'ctypes' in sys.modules\n"
        "import varnex2_standin\nvarnex2_standin.reset()\nm = vx.ISolverManager.instance()\n"
        "classes = [vx.%s]\n" % ", vx.".join(CLASSES) +
        "print(ctypes, m.getIteration(2) == V.ISolverData_getIteration(m, 2),\n"
        "      sum(1 for cls in classes for name in vars(cls) if not name.startswith('_')))\n")
    assert (code, out, err) == (0, "False True %d\n" % _public_names(), "")


# Arguments read their proxy from a class instance's `this` by a shortcut once the class is known;
# whatever changes on the class or the instance afterwards, a call finds what the attribute says.
def _this_of(other):
    proxy = other.this
    return property(lambda self: proxy)


@pytest.mark.parametrize("change, expected", [
    ("", "CoolingLoop/Pump1"),
    ("obj.this = other.this", "CoolingLoop/HX1"),
    ("obj.__dict__ = {'x': 1, 'this': other.this}", "CoolingLoop/HX1"),  # not the first entry
    ("obj.this = other", "CoolingLoop/HX1"),  # a `this` holding an instance
    ("del obj.this", TypeError),
    ("Cls.this = this_of(other)", "CoolingLoop/HX1"),  # a descriptor on the class wins
    ("vx.IHandle.this = this_of(other)", "CoolingLoop/HX1"),  # ... or on a base
    ("Cls.__getattribute__ = lambda self, name: other.this if name == 'this' else object.__getattribute__("
     "self, name)", "CoolingLoop/HX1"),
    ("obj.__class__ = Twin", "CoolingLoop/Pump1"),
])
def test_this_lookup_follows_changes(collection, change, expected):
    Cls = type("Entity", (vx.IEntity,), {})  # a class of its own, changed freely
    Twin = type("Twin", (vx.IEntity,), {})
    obj, other = Cls.__new__(Cls), collection.getEntity(5)
    obj.this = collection.getEntity("Pump", "Pump1").this
    assert V.IEntity_getName(obj, True) == "CoolingLoop/Pump1"  # the class is now known
    try:
        exec(change, dict(vx=vx, Cls=Cls, Twin=Twin, obj=obj, other=other, this_of=_this_of))
        if isinstance(expected, type):
            message = "^Wrong number or type of arguments for overloaded function 'IEntity_getName'"
            with pytest.raises(expected, match=message):
                obj.getName(True)
        else:
            assert (V.IEntity_getName(obj, True), obj.getName(True)) == (expected, expected)
    finally:
        vars(vx.IHandle).get("this") is not None and delattr(vx.IHandle, "this")


def test_results_of_a_class_handling_this_itself(collection):
    class Stored(vx.IEntity):
        this = property(lambda self: self._proxy, lambda self, proxy: setattr(self, "_proxy", proxy))

    V.IEntity_swigregister(Stored)
    try:
        pump = collection.getEntity("Pump", "Pump1")
        assert type(pump) is Stored and "this" not in vars(pump) and pump.getName(True) == "CoolingLoop/Pump1"
    finally:
        V.IEntity_swigregister(vx.IEntity)
    assert type(collection.getEntity(0)) is vx.IEntity


# Results come back as the class the flat function declares.

@pytest.mark.parametrize("expression, cls", [
    ("vx.ISolverManager.instance()", "ISolverManager"),
    ("manager.getEntityCollection()", "IEntityCollection"),
    ("manager.getSolutionControl()", "IEntity"),
    ("pump.getAttribute('Speed')", "IAttribute"),
    ("pump.getAttribute('Performance')", "IAttribute"),  # a composite, declared as IAttribute
    ("pump.getAttribute('Performance/Curve/Exponent').getParent()", "ICompositeAttribute"),
    ("pump.getAttribute('Speed').getParentEntity()", "IEntity"),
    ("pump.getEntityID()", "EntityID"),
    ("pump.getAttribute('Suction').downcast()", "ILinkAttribute"),
    ("pump.getAttribute('Suction').downcast().getEntity()", "IEntity"),
    ("V.ISolverManager_instance()", "ISolverManager"),
    ("vx.EntityID.fromString('1-2')", "EntityID"),
    ("editor.getEntity('Pump', 'Pump1')", "IEntity"),
    ("editor.getAttribute('Pump', 'Pump1', 'Speed')", "IAttribute"),
    ("editor.getEntityID('Pipe', 1)", "EntityID"),
    ("editor.getEntityCollection()", "IEntityCollection"),
])
def test_result_class(ev, expression, cls):
    assert type(ev(expression)) is getattr(vx, cls)


@pytest.mark.parametrize("method, flat", [
    ("manager.getIteration(1, 2, 3)", "V.ISolverData_getIteration(manager, 1, 2, 3)"),
    ("manager.showMessage(None)", "V.ISolverManager_showMessage(manager, None)"),
    ("collection.getEntity(99)", "V.IEntityCollection_getEntity(collection, 99)"),  # the library's failure
    ("vx.EntityID(None)", "V.new_EntityID(None)"),
    ("vx.EntityEditor('x')", "V.new_EntityEditor('x')"),
    # one-argument and no-argument functions: the interpreter's own texts
    ("pump.getType(1)", "V.IAttribute_getType(pump, 1)"),
    ("pump.getType(x=1)", "V.IAttribute_getType(pump, x=1)"),
    ("vx.ISolverManager.instance(1)", "V.ISolverManager_instance(1)"),
])
def test_method_raises_as_the_flat_call(ev, method, flat):
    with pytest.raises(Exception) as by_method:
        ev(method)
    with pytest.raises(Exception) as by_flat:
        ev(flat)
    assert (by_method.type, str(by_method.value)) == (by_flat.type, str(by_flat.value))


# Module constants, cvar and free functions.

def test_constants_cvar_and_free_functions_are_reexported():
    constants = {name: value for name, value in vars(V).items() if isinstance(value, int) and not name.startswith("_")}
    assert {name: getattr(vx, name) for name in constants} == constants
    assert vx.cvar is V.cvar and vx.cvar.defaultSetChronology == vx.Chronology_Next
    free = ["hasAccess", "toString", "version", "versionString", "isCompletedSolveState", "endEventType"]
    assert all(getattr(vx, name) is getattr(V, name) for name in free)
    assert all(hasattr(vx, name) for name in vx.__all__)
    assert set(constants) | set(free) | set(CLASSES) | {"cvar"} <= set(vx.__all__)


# EntityID.

PAIRS = [((1, 2), (1, 3)), ((1, 2), (1, 2)), ((2, 0), (1, 9))]


@pytest.mark.parametrize("op", [operator.eq, operator.ne, operator.lt, operator.le, operator.gt, operator.ge])
@pytest.mark.parametrize("a, b", PAIRS)
def test_entityid_orders_like_its_pair(op, a, b):
    assert op(vx.EntityID(*a), vx.EntityID(*b)) is op(a, b)


def test_equal_identifiers_hash_alike(pump):
    ident = vx.EntityID(4, 1)
    assert ident == pump.getEntityID() and hash(ident) == hash(pump.getEntityID())
    assert {ident: "pump"}[pump.getEntityID()] == "pump"
    assert len({vx.EntityID(1, 2), vx.EntityID(1, 2), vx.EntityID(2, 1), vx.EntityID(-1, -2)}) == 3


@pytest.mark.parametrize("other", [None, 5, "4-1", (4, 1), object()])
def test_entityid_is_never_equal_to_another_kind(other):
    ident = vx.EntityID(4, 1)
    assert not ident == other and ident != other
    with pytest.raises(TypeError):
        ident < 5


def test_entityid_copies_and_texts():
    ident = vx.EntityID(5, -3)
    assert (repr(ident), str(ident)) == ("EntityID(5, -3)", "5--3")
    for twin in (copy.copy(ident), copy.deepcopy(ident), pickle.loads(pickle.dumps(ident))):
        assert twin == ident and twin.this != ident.this
    assert vx.EntityID(ident.data()) == ident
    record = ident.toCEntityID()
    assert vx.EntityID(record) == vx.EntityID.fromCEntityID(record) == ident


# Reprs.

@pytest.mark.parametrize("expression, text", [
    ("manager", "<ISolverManager: iteration 1 of 100, steady, not converged>"),
    ("collection", "<IEntityCollection: 11 entities, 2 root entities>"),
    ("pump", "<IEntity 'CoolingLoop/Pump1' type 'Pump' id 4-1>"),
    ("pump.getAttribute('Speed')", "<IAttribute 'CoolingLoop/Pump1/Speed' (Double)>"),
    ("pump.getAttribute('Suction')", "<IAttribute 'CoolingLoop/Pump1/Suction' (Link)>"),
    ("pump.getAttribute('Performance/Curve/Exponent').getParent()",
     "<ICompositeAttribute 'CoolingLoop/Pump1/Performance/Curve' (Composite)>"),
    ("vx.EntityEditor(None)", "<EntityEditor on no collection>"),
    ("vx.EntityEditor(manager)", "<EntityEditor on <IEntityCollection: 11 entities, 2 root entities>>"),
    ("vx.IEntity.__new__(vx.IEntity)", "<IEntity without native object>"),
    ("vx.EntityID.__new__(vx.EntityID)", "<EntityID without native object>"),
])
def test_repr_says_what_it_is(ev, expression, text):
    assert repr(ev(expression)) == text


def test_repr_of_a_transient_run(standin, manager):
    model = standin.dump_model()
    model["run"].update(transient=True, timeStep=0.25, totalTime=2.0)
    standin.load_model(model)
    assert repr(manager) == "<ISolverManager: iteration 1 of 100, time 0.25 of 2 s, step 0.25 s, not converged>"


@pytest.mark.parametrize("break_it", ["fail", "replace"])
def test_repr_never_raises(standin, pump, break_it):
    if break_it == "fail":  # the full-name query of the entity fails
        standin.fail_next(int(pump.this), 28, standin.RUNTIME_ERROR, "name lost")
        reason = "name lost"
    else:  # the model behind the object was replaced
        standin.reset()
        reason = "replaced"
    text = repr(pump)
    assert text.startswith("<IEntity at 0x%x (unreadable: " % int(pump.this)) and reason in text


# Iterators made by another module of the runtime come back as SwigPyIterator: they iterate,
# step by + and -, move ownership on +=, and answer NotImplemented to what fits no operator.
def test_iterator_class_protocol():
    peer = pytest.importorskip("_Varnex2TestPeer")
    it = peer.sequence_iterator([1, 2, 3])
    assert type(it) is vx.SwigPyIterator and list(it) == [1, 2, 3] and list(peer.range_iterator(0, 2) + 1) == [1]
    a = peer.range_iterator(0, 5)
    b, c = a + 2, a
    c += 1
    assert (a == 5, b - a, a.thisown, c.thisown, a.value()) == (False, 1, False, True, 1)
    with pytest.raises(TypeError, match="^unsupported operand type\\(s\\) for -: 'SwigPyIterator' and 'str'$"):
        a - "x"


# Library objects compare by the native object.

def test_library_objects_equal_when_the_native_object_is(collection, pump):
    again = collection.getEntity("Pump")
    parent = pump.getAttribute("Speed").getParent()  # the same entity, seen as ICompositeAttribute
    assert again is not pump and again == pump == parent and hash(again) == hash(pump) == hash(parent)
    assert pump != collection.getEntity(0) and pump != int(pump.this) and pump != vx.EntityID(4, 1)


# Ownership and destruction.

def test_owned_and_library_objects(pump, collection):
    assert vx.EntityID(1, 2).thisown and pump.getEntityID().thisown and vx.EntityEditor(collection).thisown
    assert not pump.thisown and not pump.getAttribute(0).thisown
    probe = weakref.ref(vx.EntityID(1, 2))
    assert probe() is None  # nothing keeps an identifier alive: it is destroyed at once


# In a fresh interpreter: a counting destroy function in a subclass bound in place of the class.
COUNTING = """
import gc, weakref, _Varnex2Python as V, Varnex2Python as vx, varnex2_standin
varnex2_standin.reset()
manager = vx.ISolverManager.instance()
calls = []
def destroy(proxy):
    calls.append(int(getattr(proxy, "this", proxy)))
    return V.delete_{cls}(proxy)
class Counted(vx.{cls}):
    __swig_destroy__ = destroy
V.{cls}_swigregister(Counted)
made = [{make}]
assert all(type(obj) is Counted for obj in made)
addresses = sorted(int(obj.this) for obj in made)
Counted.__swig_destroy__(made[0])  # destroyed by hand: releasing it later must not destroy again
assert not made[0].thisown
probes = [weakref.ref(obj) for obj in made]
del made
gc.collect()
assert not any(probe() for probe in probes)
print(sorted(calls) == addresses, len(calls))
"""


@pytest.mark.controls
@pytest.mark.parametrize("cls, make, count", [
    ("EntityID", "Counted(1, 2), Counted(), Counted.fromString('3-4'), "
                 "manager.getSolutionControl().getEntityID(), vx.EntityEditor(manager).getEntityID('Pump', 0)", 5),
    ("EntityEditor", "Counted(None), Counted(manager), Counted(manager.getEntityCollection())", 3),
])
def test_owned_objects_are_destroyed_exactly_once(run_python, cls, make, count):
    code, out, err = run_python(COUNTING.format(cls=cls, make=make))
    assert (code, out, err) == (0, "True %d\n" % count, "")


@pytest.mark.controls
def test_no_owned_object_leaks(run_python):
    # Every owned kind has a destroy function: dropping them prints no leak line.
    code, out, err = run_python(
        "import Varnex2Python as vx, varnex2_standin\n"
        "varnex2_standin.reset()\n"
        "m = vx.ISolverManager.instance()\n"
        "for i in range(200):\n"
        "    e = vx.EntityEditor(m); ident = e.getEntityID('Pipe', i % 3); ident.toCEntityID(); ident.data()\n"
        "    vx.version(); m.version(); vx.EntityID.fromString('%d-1' % i)\n"
        "print('done')\n")
    assert (code, out, err) == (0, "done\n", "")


# help() shows the flat functions' documentation on the methods.

@pytest.mark.parametrize("cls, method", [("ISolverData", "getIteration"), ("IEntityCollection", "getEntity"),
                                         ("EntityEditor", "setIntValue")])
def test_help_shows_the_docstrings(cls, method):
    text = pydoc.render_doc(getattr(vx, cls), renderer=pydoc.plaintext)
    doc = getattr(V, "%s_%s" % (cls, method)).__doc__
    assert "<summary>" in doc
    assert all(line.strip() in text for line in doc.splitlines())
    assert getattr(vx, cls).__doc__.splitlines()[0] in text


only_in_child(globals(), __file__)
