"""Seeded, bounded call fuzzer of the module's flat functions.

Most calls use one of the function's accepted forms, read from the module's type stubs, filled
with values of the stand-in's default model: entities by position, type, name and identifier,
attribute positions and paths of the chosen entity or composite, chronologies, enumeration
values, proxies of every class, editors, identifiers and iterators. A share of the calls gets a
hostile value in one place (ints at and past every range edge, NaN, awkward texts, proxies of
the wrong class, owned and disowned ones), one argument too many or too few, or a tuple of
random values, while the stand-in library injects random failures. Each call must return a
result or raise exactly one exception of a documented class; SystemError or a crash fails the
run. Calls that destroy objects get fresh ones; the model and the objects are rebuilt now and
then. The summary gives the share of calls that passed argument checking and names the
functions that no valid call reached; the exit status is 1 below half or with one unreached.
A share of the calls (--reentrant, 5% by default) gets an argument whose conversion runs Python
code that drops an earlier argument's proxy (see _Reentrant); the sanitizer build shows any use
of freed memory that follows.
The run binds the package's classes (process-wide), so it runs in a process of its own.

    python tools/fuzz.py --calls 1000000 --seed 7
"""
import argparse
import ast
import bisect
import ctypes
import gc
import itertools
import math
import os
import random
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from proxy_tools import forge, proxy_of  # noqa: E402

STUBS = os.path.join(HERE, "..", "python", "_Varnex2Python-stubs", "__init__.pyi")

ALLOWED = (TypeError, ValueError, OverflowError, RuntimeError, StopIteration)
# Functions that change process-wide state the rest of the run relies on (for callers that
# draw random arguments for every function; run() gives these fresh objects instead).
SKIPPED_PREFIXES = ("delete_",)
SKIPPED_SUFFIXES = ("_swigregister", "_swiginit")
SKIPPED = {"ISolverManager_solveStop"}

# Functions that destroy their first argument's native object or take it over (the in-place
# operators: the result owns the moved iterator, the argument is left pointing at it): these
# get fresh objects, never pool ones.
TAKING = ("delete_", "SwigPyIterator___iadd__", "SwigPyIterator___isub__")

INTS = [0, 1, -1, 2, 3, 4, 7, 2**31 - 1, 2**31, -(2**31), -(2**31) - 1, 2**32, 2**63 - 1, 2**63,
        -(2**63), -(2**63) - 1, 2**64 - 1, 2**64, 10**30, -(10**30)]
FLOATS = [0.0, -0.0, 1.5, -2.25, math.inf, -math.inf, math.nan, 1e39, -1e39, 3.4e38, 1e-320, 1e308]
TEXTS = ["", "a", "Pump", "Network", "CoolingLoop", "Inlet/MassFlowRate", "a\0b", "\ud800", "é" * 40,
         "x" * 300, "1-2", "12-", "-7"]
OTHERS = [None, True, False, b"bytes", bytearray(b"x"), (), [], {}, object(), 1j]

PROTECTED_WEIGHT = 0.25
# Texts of the exceptions raised while checking arguments (before anything reaches the library).
ARGUMENT_TEXTS = ("in method '", "Wrong number or type of arguments", " expected ", " takes no arguments",
                  " takes exactly one argument")


def gather_objects(m, standin):
    """Proxies of every kind reachable through the module, plus owned and disowned ones."""
    objs = []

    def keep(*values):
        objs.extend(v for v in values if v is not None)

    def attempt(fn, *args):
        try:
            return fn(*args)
        except ALLOWED:
            return None

    mgr = m.ISolverManager_instance()
    coll = m.ISolverData_getEntityCollection(mgr)
    keep(mgr, coll, m.ISolverData_getSolutionControl(mgr), m.version())
    entities = [attempt(m.IEntityCollection_getEntity, coll, i)
                for i in range(min(attempt(m.IEntityCollection_getNumberOfEntities, coll) or 0, 12))]
    keep(*entities)
    for entity in entities[:6]:
        n = attempt(m.ICompositeAttribute_getNumberOfAttributes, entity, True) or 0
        for i in range(min(n, 8)):
            keep(attempt(m.ICompositeAttribute_getAttribute, entity, i, True))
        keep(attempt(m.IEntity_getEntityID, entity))
    ident = m.new_EntityID(1, 2)
    keep(ident, m.new_EntityID(), m.EntityID_data(ident), m.EntityID_toCEntityID(ident))
    keep(m.new_EntityEditor(None), m.new_EntityEditor(mgr), m.new_EntityEditor(coll))
    disowned = m.version()
    disowned.disown()
    keep(disowned)
    return objs


DELETERS = {"OrvaneSDK::Model::EntityID *": "delete_EntityID",
            "OrvaneSDK::Model::EntityEditor *": "delete_EntityEditor",
            "swig::SwigPyIterator *": "delete_SwigPyIterator"}


def dispose(m, result):
    """Destroys an owned object that no bound class would destroy (a flat-API caller's duty)."""
    if type(result).__name__ == "SwigPyObject" and result.own():
        name = repr(result).split("'")[1]
        if name in DELETERS:
            getattr(m, DELETERS[name])(result)


def draw_args(rng, objs, base, sizes):
    """base with one argument replaced (a near miss of a call that worked, which reaches the
    deeper checks), or, without a base, random values, most often with an object first."""
    if base is not None:
        args = list(base)
        if args:
            args[rng.randrange(len(args))] = random_value(rng, objs)
    else:
        args = [random_value(rng, objs) for _ in range(rng.choice(sizes))]
        if args and rng.random() < 0.6:  # most functions take an object first
            args[0] = rng.choice(objs)
    return tuple(args)


def random_value(rng, objs):
    pick = rng.random()
    if pick < 0.3:
        return rng.choice(objs)
    if pick < 0.5:
        return rng.choice(INTS)
    if pick < 0.6:
        return rng.choice(FLOATS)
    if pick < 0.8:
        return rng.choice(TEXTS)
    return rng.choice(OTHERS)


def functions(m):
    """The functions that random arguments may be given to (no destroying or rebinding ones)."""
    names = []
    for name, fn in sorted(vars(m).items()):
        if not callable(fn) or name.startswith("__") and name not in ("__eq__", "__ne__", "__lt__", "__le__",
                                                                         "__gt__", "__ge__"):
            continue
        if name.startswith(SKIPPED_PREFIXES) or name.endswith(SKIPPED_SUFFIXES) or name in SKIPPED:
            continue
        names.append(name)
    return names


def load_forms(path=STUBS):
    """{function: [form, ...]} from the stubs, a form being a tuple of (parameter, annotation)."""
    with open(path, encoding="utf-8") as f:
        tree = ast.parse(f.read())
    forms = {}
    for node in tree.body:
        if isinstance(node, ast.FunctionDef):
            params = node.args.posonlyargs + node.args.args
            forms.setdefault(node.name, []).append(tuple((p.arg, ast.unparse(p.annotation)) for p in params))
    return forms


# Pointer types (mangled) of the reference parameters of the protected members, by parameter
# name; "value" and "attributePath" depend on the operation (see ref_type).
REFERENCES = {
    "attributeType": "_p_OrvaneSDK__AttributeType", "accessType": "_p_OrvaneSDK__AccessType",
    "type": "_p_Tools__IString", "unit": "_p_Tools__IString", "name": "_p_Tools__IString",
    "parent": "_p_p_OrvaneSDK__Model__ICompositeAttribute", "parentEntity": "_p_p_OrvaneSDK__Model__IEntity",
    "attribute": "_p_p_OrvaneSDK__Model__IAttribute", "shortcut": "_p_p_OrvaneSDK__Model__IAttribute",
    "hasValue": "_p_bool", "hasUnits": "_p_bool", "hasAttribute": "_p_bool",
    "numberOfAttributes": "_p_size_t", "numberOfShortcuts": "_p_size_t",
}
VALUE_REFERENCES = {"getString": "_p_Tools__IString", "setString": "_p_Tools__IConstString",
                    "getFloat": "_p_float", "getDouble": "_p_double", "getInt": "_p_int", "getBool": "_p_bool"}


def ref_type(function, param):
    if param == "value":
        op = function.split("_do_")[1]
        return VALUE_REFERENCES[op[:op.index("Value")]]
    if param == "attributePath":
        return "_p_Tools__IConstString" if "ByPath" in function else "_p_Tools__IString"
    return REFERENCES[param]


# Attribute kinds (AttributeType values) that name a value of each operation's type.
KINDS = {"String": 3, "Int": 1, "Bool": 2, "Float": 4, "Double": 11}
ENUMS = {"accessType": "AccessType_", "attributeType": "AttributeType_", "eventType": "EventType_",
         "exceptionType": "ExceptionType_", "solveState": "SolveState_"}
CLASS_KINDS = {5: "ICompositeAttribute", 6: "IEntity", 7: "ILinkAttribute", 8: "IListAttribute",
               9: "IShortcutAttribute", 10: "IArrayAttribute"}
BASES = {"ICompositeAttribute": ("IAttribute",), "IEntity": ("ICompositeAttribute", "IAttribute"),
         "ILinkAttribute": ("IEntityLinkAttributeBase", "IAttribute"),
         "IListAttribute": ("IEntityLinkAttributeBase", "IAttribute"),
         "IArrayAttribute": ("IEntityLinkAttributeBase", "IAttribute"), "IShortcutAttribute": ("IAttribute",)}


class Item:
    """A pool object with what its index and path arguments range over."""
    __slots__ = ("obj", "count", "paths", "kind")

    def __init__(self, obj, count=0, paths=(), kind=0):
        self.obj, self.count, self.paths, self.kind = obj, count, list(paths), kind


class Entity(Item):
    """An entity with its selectors: position, type, names, identifier, position among the
    entities of its type and among those of its type and name, and its attributes."""
    __slots__ = ("type", "name", "full", "index", "ident", "of_type", "of_name", "attrs")


class _Holder:
    """An instance for the swiginit functions."""


class Pool:
    """Objects of the live model and owned objects, by class. Built after a model reset;
    dropped (and the owned objects destroyed) before the next one."""

    def __init__(self, m, standin, peer=None, package=None):
        self.m, self.peer, self.package = m, peer, package
        from _Varnex2Downcast import downcast
        mgr = m.ISolverManager_instance()
        coll = m.ISolverData_getEntityCollection(mgr)
        n = m.IEntityCollection_getNumberOfEntities(coll)
        self.manager = Item(mgr)
        self.collection = Item(coll, n)
        self.roots = m.IEntityCollection_getNumberOfRootEntities(coll)
        self.of = {cls: [] for cls in ("IAttribute", "ICompositeAttribute", "IEntity", "IEntityLinkAttributeBase",
                                       "ILinkAttribute", "IListAttribute", "IArrayAttribute", "IShortcutAttribute")}
        self.by_kind = {}
        self.entities = []
        for i in range(n):
            e = m.IEntityCollection_getEntity(coll, i)
            item = Entity(e)
            item.index, item.type = i, m.IAttribute_getType(e)
            item.name, item.full = m.IEntity_getName(e, False), m.IEntity_getName(e, True)
            item.ident = m.IEntity_getEntityID(e)
            item.attrs = []
            for j in range(m.ICompositeAttribute_getNumberOfAttributes(e, True)):
                a = downcast(m.ICompositeAttribute_getAttribute(e, j, True))
                kind = m.IAttribute_getAttributeType(a)
                item.attrs.append(Item(a, 0, (), kind))
            item.paths = [m.IAttribute_getAttributePath(a.obj, True) for a in item.attrs]
            item.count, item.kind = len(item.attrs), 6
            self.entities.append(item)
        same_type = {}
        for e in self.entities:
            same_type.setdefault(e.type, []).append(e)
        for e in self.entities:
            e.of_type = same_type[e.type].index(e)
            e.of_name = [x for x in same_type[e.type] if x.name == e.name].index(e)
        for e in self.entities:
            self._file(e)
            for a, path in zip(e.attrs, e.paths):
                if a.kind == 5:  # a composite: its children's paths relative to it
                    a.paths = [p[len(path) + 1:] for p in e.paths if p.startswith(path + "/")]
                    a.count = len(a.paths)
                elif a.kind in (7, 8, 10):
                    a.count = m.IEntityLinkAttributeBase_getNumberOfEntities(a.obj)
                elif a.kind == 9:
                    a.count = m.IShortcutAttribute_getNumberOfShortcuts(a.obj)
                if a.kind != 6:  # entities are filed once, as themselves
                    self._file(a)
        self.ids = [e.ident for e in self.entities] + [m.new_EntityID(), m.new_EntityID(9, 9)]
        self.editors = [package.EntityEditor(coll), package.EntityEditor(mgr), package.EntityEditor(None),
                        m.new_EntityEditor(coll)]
        self.cids = [m.EntityID_toCEntityID(i) for i in self.ids[:3]]
        self.buffer = ctypes.create_string_buffer(256)  # what forged references point to (never written)
        address = ctypes.addressof(self.buffer)
        self.references = {t: forge(m, t, address) for t in set(REFERENCES.values()) | set(VALUE_REFERENCES.values())
                           | {"_p_Tools__IConstString"}}
        self.iterators = [self.new_iterator() for _ in range(4)] if peer else []
        self.hostile = gather_objects(m, standin) + [proxy_of(self.entities[0].obj), self.cids[0]]
        self.addresses = [int(proxy_of(x.obj)) for x in [self.manager, self.collection] + self.entities[:6]
                          + self.entities[3].attrs[:6]]

    def _file(self, item):
        cls = CLASS_KINDS.get(item.kind, "IAttribute")
        for name in (cls,) + BASES.get(cls, ()):
            self.of[name].append(item)
        self.by_kind.setdefault(item.kind, []).append(item)

    def new_iterator(self):
        self.made = getattr(self, "made", 0) + 1
        kind = self.made % 3
        if kind == 0:
            return self.peer.sequence_iterator([1, "b", None, 2.5, self.ids[0]])
        if kind == 1:
            return self.peer.range_iterator(0, 6)
        return self.peer.forward_iterator([3, 4, 5])

    def release(self):
        """Destroys the owned objects that no bound class destroys."""
        for obj in self.ids + self.editors + self.cids + self.iterators + self.hostile:
            dispose(self.m, obj)


class Drawer:
    """Draws one argument per parameter of a form; a call's context ties the entity, the
    composite and the attribute kind its later parameters refer to."""

    def __init__(self, m, pool, rng):
        self.m, self.pool, self.rng = m, pool, rng
        self.enums = {param: [v for k, v in sorted(vars(m).items()) if k.startswith(prefix) and isinstance(v, int)]
                      for param, prefix in ENUMS.items()}

    def form(self, function, forms):
        """Arguments of one of the function's forms."""
        ctx = {"value": next((k for k in KINDS if k + "Value" in function), None)}
        return tuple(self.value(function, p, ann, ctx) for p, ann in self.rng.choice(forms))

    def chronology(self):
        r = self.rng.random()
        return self.rng.choice((0, 1, 2, 3, 4)) if r < 0.95 else self.rng.choice((-1, 5, 99))

    def index(self, count):
        """Mostly a valid position, sometimes one past the end."""
        if count and self.rng.random() < 0.9:
            return self.rng.randrange(count)
        return count + self.rng.choice((0, 0, 1, 50))

    def item(self, cls, ctx, optional=False):
        rng = self.rng
        if optional and rng.random() < 0.05:
            return None
        items = self.pool.of[cls]
        hint = ctx.get("value")
        if hint in KINDS and cls == "IAttribute" and rng.random() < 0.7:
            items = self.pool.by_kind.get(KINDS[hint], items)
        item = rng.choice(items)
        ctx["item"] = item
        if isinstance(item, Entity):
            ctx["entity"] = item
        return item.obj if rng.random() < 0.9 else proxy_of(item.obj)

    def entity(self, ctx, optional=False):
        if optional and self.rng.random() < 0.05:
            return None
        e = self.rng.choice(self.pool.entities)
        ctx["entity"] = ctx["item"] = e
        return e.obj

    def value(self, function, param, ann, ctx):
        """One valid argument for this parameter."""
        rng, pool = self.rng, self.pool
        optional = ann.startswith("Optional[")
        cls = ann[len("Optional[_"):-1] if optional else ann[1:]
        if ann in ("int", "bool", "float", "str"):
            return getattr(self, "_" + ann)(function, param, ctx)
        if cls in pool.of:
            if param == "entityHandle" or cls == "IEntity":
                return self.entity(ctx, optional)
            return self.item(cls, ctx, optional)
        if cls in ("ISolverData", "ISolverManager", "IHandle"):
            if cls == "IHandle" and rng.random() < 0.5:
                return rng.choice([pool.collection.obj] + [i.obj for i in pool.entities[:4]])
            return None if optional and rng.random() < 0.1 else pool.manager.obj
        if cls == "IEntityCollection":
            ctx["item"] = pool.collection
            return None if optional and rng.random() < 0.1 else pool.collection.obj
        if cls == "EntityEditor":
            if function.startswith(TAKING):
                return self.m.new_EntityEditor(pool.collection.obj)
            return rng.choice(pool.editors)
        if cls == "EntityID":
            if function.startswith(TAKING):
                return self.m.new_EntityID(1, 2)
            e = rng.choice(pool.entities)
            ctx["entity"] = e
            return e.ident if rng.random() < 0.9 else rng.choice(pool.ids)
        if cls == "SwigPyIterator":
            if function.startswith(TAKING) or not pool.iterators:
                return pool.new_iterator() if pool.peer else None
            return rng.choice(pool.iterators)
        if ann == "_SwigPyObject":
            if "_do_" in function and param != "entityID":
                return pool.references[ref_type(function, param)]
            if param == "proxy":
                return self.m.new_EntityEditor(pool.collection.obj) if "Editor" in function else self.m.new_EntityID(4, 1)
            return rng.choice(pool.cids)  # a CEntityID
        if ann == "object":
            if param == "cls":
                return getattr(pool.package, function[:-len("_swigregister")])
            if param == "instance":
                return _Holder()
            if function.startswith("SwigPyIterator"):
                return rng.choice(pool.iterators) if pool.iterators else None
            return rng.choice(pool.ids) if rng.random() < 0.9 else rng.choice(pool.hostile + [None, 3])
        raise KeyError("no values for %s: %s in %s" % (param, ann, function))

    def _int(self, function, param, ctx):
        rng = self.rng
        if param == "chronology":
            return self.chronology()
        if param in ENUMS:
            return rng.choice(self.enums[param]) if rng.random() < 0.9 else rng.choice((99, -5))
        if param == "entity_i":
            e = ctx.get("entity")
            if "entityType" in ctx:  # the position among the entities of that type (and name)
                position = e.of_name if "entityName" in ctx else e.of_type
                return position if rng.random() < 0.9 else position + rng.choice((1, 50))
            e = rng.choice(self.pool.entities) if rng.random() < 0.9 else None
            if e is None:
                return self.index(len(self.pool.entities))
            ctx["entity"] = e
            return e.index
        if param in ("attribute_i", "shortcut_i"):
            item = ctx.get("entity") if function.startswith("EntityEditor") else ctx.get("item")
            return self.index(item.count if item else 5)
        if param == "rootEntity_i":
            return self.index(self.pool.roots)
        if param == "n":
            return rng.choice((0, 1, 1, 2, 3))
        if param in ("id1", "id2"):
            return rng.choice((0, 1, 2, 4, 7, -3, 2**31 - 1))
        if param == "newNumberOfIterations":
            return rng.choice((1, 5, 100, 0, -1))
        return rng.choice((0, 1, 2, 3, 5, 10, 100, -1, -2**31))  # an int value

    def _bool(self, function, param, ctx):
        return self.rng.random() < 0.5

    def _float(self, function, param, ctx):
        if param in ("timeStep", "totalTime"):
            return self.rng.choice((0.5, 1.0, 60.0, 0.0, -1.0))
        return self.rng.choice((0.0, 0.5, 1.5, 288.15, 1450.0, -2.0, 1e-3, 7))

    def _str(self, function, param, ctx):
        rng = self.rng
        if param == "entityType":
            e = rng.choice(self.pool.entities)
            ctx["entity"] = ctx["entityType"] = e
            return e.type if rng.random() < 0.95 else "NoSuchType"
        if param == "entityName":
            e = ctx.get("entity") or rng.choice(self.pool.entities)
            ctx["entityName"] = e
            return e.name if rng.random() < 0.95 else e.full
        if param == "attributePath":
            item = ctx.get("entity") if function.startswith("EntityEditor") else ctx.get("item")
            if item and item.paths and rng.random() < 0.9:
                return rng.choice(item.paths)
            return rng.choice(("Speed", "Missing", "", "a/b/c", "Performance/Curve/Exponent"))
        if param == "text":
            return self.m.EntityID_toString(rng.choice(self.pool.entities).ident) if rng.random() < 0.8 else rng.choice(TEXTS)
        if param == "message":
            return rng.choice(("fuzz", "", "é" * 5, "line\nbreak"))
        return rng.choice(("Water", "", "SecondOrderUpwind", "é", "x" * 40))  # a str value


class Outcomes:
    """Counts by outcome, the calls that passed argument checking, and the functions that a
    call with drawn (valid) arguments got past argument checking."""

    def __init__(self, names, omitted=()):
        self.names, self.omitted = names, omitted
        self.counts = {"ok": 0}
        self.passed = 0
        self.calls = 0
        self.reached = set()

    def share(self):
        return self.passed / self.calls if self.calls else 0.0

    def unreached(self):
        return sorted(set(self.names) - self.reached)

    def summary(self):
        unreached = self.unreached()
        return ("%d calls, %.1f%% passed argument checking (%s); %d of %d functions reached with valid "
                "arguments%s" % (self.calls, 100 * self.share(),
                                 ", ".join("%s %d" % kv for kv in sorted(self.counts.items())), len(self.names) - len(unreached),
                                 len(self.names), "; not reached: " + " ".join(unreached) if unreached else "")
                + ("; %d iterator functions not called (no _Varnex2TestPeer to make iterators)" % len(self.omitted)
                   if self.omitted else ""))


def is_argument_error(e):
    return isinstance(e, (TypeError, ValueError, OverflowError)) and any(t in str(e) for t in ARGUMENT_TEXTS)


def call(fn, name, args):
    """The result of fn(*args), or the allowed exception it raised; anything else fails."""
    # swiginit sets `this` on its first argument: objects without attributes refuse that.
    allowed = ALLOWED + (AttributeError,) if name.endswith("_swiginit") else ALLOWED
    try:
        return fn(*args), None
    except allowed as e:
        if sys.exc_info()[1] is not e:
            raise AssertionError("exception state mixed up in %s%r" % (name, args))
        return None, e
    except BaseException as e:
        raise AssertionError("%s%r raised %s: %s" % (name, args, type(e).__name__, e)) from e


def mutate(rng, pool, name, args):
    """A hostile variant: one argument replaced, one added or dropped, or random values.
    Destroying and rebinding functions get no pool object where the object is taken."""
    safe = name.startswith(TAKING) or name.endswith(SKIPPED_SUFFIXES)
    objs = [None, 5, "x", 1.5, pool.new_iterator() if pool.peer else None, _Holder()] if safe else pool.hostile
    pick = rng.random()
    args = list(args)
    if pick < 0.6 and args:
        args[rng.randrange(len(args))] = random_value(rng, objs)
    elif pick < 0.75:
        args.insert(rng.randrange(len(args) + 1), random_value(rng, objs))
    elif pick < 0.9 and args:
        del args[rng.randrange(len(args))]
    elif not safe:
        args = list(draw_args(rng, objs, None, [0, 1, 2, 2, 3, 4, 5, 6]))
    return tuple(args)


class _Reentrant:
    """Stands for a valid argument, but converting it first drops the only reference to an
    earlier argument's proxy (its `this`), through a `this` property, `__index__` or `__float__`,
    as a careless or hostile script could."""

    def __init__(self, victim, value):
        self.victim, self.value = victim, value

    def _drop(self):
        victim, self.victim = self.victim, None
        if victim is not None:
            vars(victim).pop("this", None)

    @property
    def this(self):
        self._drop()
        return proxy_of(self.value)

    def __index__(self):
        self._drop()
        return self.value

    def __float__(self):
        self._drop()
        return float(self.value)


def reentrant(m, pool, args):
    """args with the first argument replaced by a fresh object of its kind (the pool keeps its
    own) and a later one by a _Reentrant that drops it; None when the form has no such pair."""
    if not args or "this" not in getattr(args[0], "__dict__", ()):
        return None
    first, later = args[0], [k for k, a in enumerate(args) if k and type(a) in (int, float)
                             or "this" in getattr(a, "__dict__", ())]
    if not later:
        return None
    kind = type(first).__name__
    try:
        if kind == "EntityID":
            fresh = type(first)(4, 1)
        elif kind == "EntityEditor":
            fresh = type(first)(pool.collection.obj)
        elif kind == "IEntity":
            fresh = m.IEntityCollection_getEntity(pool.collection.obj, pool.entities[0].index)
        elif kind == "ISolverManager":
            fresh = m.ISolverManager_instance()
        else:
            return None
    except ALLOWED:  # an injected failure
        return None
    k = later[len(args) % len(later)]
    return (fresh,) + args[1:k] + (_Reentrant(fresh, args[k]),) + args[k + 1:]


def run(m, standin, calls, seed, fail_rate=0.05, hostile=0.3, refresh=50000, progress=None, trace=None,
        reentrant_share=0.0):
    """Makes `calls` calls; returns their Outcomes. progress(i, outcomes) is called every 100000;
    trace(i, name, args), when given, before each call (to find the call that crashes). A
    reentrant_share of the calls get a _Reentrant argument where the form allows one."""
    import Varnex2Python as package
    try:
        import _Varnex2TestPeer as peer
    except ImportError:
        peer = None
    rng = random.Random(seed)
    forms = load_forms()
    omitted = []
    if peer is None:  # no native iterators to give
        omitted = [k for k, v in forms.items() if any("_SwigPyIterator" in a for f in v for _, a in f)]
    names = sorted(set(forms) - set(omitted))
    # The protected members (half of the functions) all end at the same access check: they get
    # a quarter of the share of the others, so that more calls reach the library.
    weights = list(itertools.accumulate(PROTECTED_WEIGHT if "_do_" in n else 1.0 for n in names))
    drawer = None
    out = Outcomes(names, omitted)
    pool = None
    for i in range(calls):
        if i % refresh == 0:
            if pool:
                pool.release()
            pool = drawer = None
            gc.collect()
            standin.reset()
            pool = Pool(m, standin, peer, package)
            drawer = Drawer(m, pool, rng)
        if i % 997 == 0:
            standin.clear_failures()
            standin.clear_messages()
        if progress and i and i % 100000 == 0:
            progress(i, out)
        if rng.random() < fail_rate:
            try:
                standin.fail_next(rng.choice(pool.addresses), rng.randrange(0, 30),
                                  rng.choice([-2, -3, -4, -5, -6, -1, 9]), rng.choice(["", "injected", "ü\xff"]),
                                  message_fails=rng.random() < 0.2, write_out=rng.random() < 0.5)
            except ValueError:
                pass  # an object the library no longer has: nothing to arm
        name = names[bisect.bisect(weights, rng.random() * weights[-1])]
        args = drawer.form(name, forms[name])
        valid = rng.random() >= hostile
        if not valid:
            args = mutate(rng, pool, name, args)
        elif reentrant_share and rng.random() < reentrant_share:
            changed = reentrant(m, pool, args)
            valid, args = changed is None, changed or args
        if trace:
            trace(i, name, args)
        result, error = call(getattr(m, name), name, args)
        out.calls += 1
        if error is None:
            out.counts["ok"] += 1
            if isinstance(result, BaseException):
                raise AssertionError("%s%r returned an exception object" % (name, args))
            dispose(m, result)
        else:
            key = type(error).__name__
            if is_argument_error(error):
                key += " (arguments)"
            elif str(error).startswith("accessing protected member"):
                key += " (protected)"
            out.counts[key] = out.counts.get(key, 0) + 1
        if error is None or not is_argument_error(error):
            out.passed += 1
            if valid:
                out.reached.add(name)
        if name.endswith("_swigregister") and not valid:  # back to the package's class
            getattr(m, name)(getattr(package, name[:-len("_swigregister")]))
        del result, error, args
    standin.clear_failures()
    if pool:
        pool.release()
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--calls", type=int, default=100000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--hostile", type=float, default=0.3, help="share of calls with hostile arguments")
    parser.add_argument("--refresh", type=int, default=50000, help="calls between rebuilds of the model and objects")
    parser.add_argument("--reentrant", type=float, default=0.05,
                        help="share of calls where converting a later argument drops an earlier one")
    parser.add_argument("--trace", action="store_true", help="print each call before making it")
    args = parser.parse_args()
    import _Varnex2Python
    import varnex2_standin

    start = time.time()

    def progress(i, out):
        print("  %d calls, %.1f%% passed argument checking (%.0f s)" % (i, 100 * out.share(), time.time() - start),
              flush=True)

    forms = load_forms()
    def trace(i, name, call_args):
        print("%d %s%r" % (i, name, call_args), file=sys.stderr, flush=True)

    out = run(_Varnex2Python, varnex2_standin, args.calls, args.seed, hostile=args.hostile, refresh=args.refresh,
              reentrant_share=args.reentrant, progress=progress,
              trace=trace if args.trace else None)
    print(out.summary() + " (%.0f s)" % (time.time() - start))
    if out.share() < 0.5 or out.unreached():
        sys.exit(1)


if __name__ == "__main__":
    main()
