"""Python classes over the flat functions of ``_Varnex2Python``.

A script that takes part in a solver run starts from the solver manager::

    import Varnex2Python as vx

    manager = vx.ISolverManager.instance()
    print(manager.getIteration(), manager.isConverged())
    collection = manager.getEntityCollection()
    editor = vx.EntityEditor(collection)
    editor.setDoubleValue("Pump", "Pump1", "Speed", 1500.0)   # applies at Chronology_Next

Every class stands for one native class and has its native base class. A method is the
flat function ``<Class>_<method>`` of ``_Varnex2Python`` with the object as first argument,
so ``entity.getName(True)`` is ``_Varnex2Python.IEntity_getName(entity, True)``: same
overloads, same errors, same docstring. Results come back as instances of the class that
the flat function declares (an attribute fetched by index is an ``IAttribute`` even when it
is an entity). Library objects (``IHandle`` and everything below it) belong to the exchange
library; ``EntityID``, ``EntityEditor`` and iterator copies are owned by their Python object
and destroyed when it goes.

The enumeration constants (``Chronology_Next``, ``AttributeType_Double``, ...), ``cvar``
and the free functions (``toString``, ``version``, ``hasReadAccess``, ...) are re-exported.
"""
import _Varnex2Python as _V
from _Varnex2Downcast import downcast as _downcast

__all__ = [
    "IHandle", "ISolverData", "ISolverManager", "IAttribute", "ICompositeAttribute", "IEntity",
    "IEntityLinkAttributeBase", "ILinkAttribute", "IListAttribute", "IArrayAttribute",
    "IShortcutAttribute", "IEntityCollection", "EntityID", "EntityEditor", "SwigPyIterator",
    "cvar",
]


try:
    # A descriptor that binds a builtin function to the instance like a Python method, without
    # a Python-level call in between (the interpreter calls it without making a bound method),
    # and the binding of a class's flat functions done in one native walk of the module.
    from _Varnex2Downcast import bind_methods as _bind_methods, method as _InstanceMethod
except ImportError:  # an older build of the helper module
    _InstanceMethod = _bind_methods = None
try:
    # The base whose instances keep `this` in a slot and make their dict only when asked: the
    # same attributes as a plain class with `this` first in the dict, without a dict per instance.
    from _Varnex2Downcast import instance as _Instance
except ImportError:
    _Instance = object


def _method(function):
    """``function`` as a method: the object becomes its first argument."""
    if _InstanceMethod is not None:
        return _InstanceMethod(function)

    # Fallback: a forwarding function (one Python call more per method call).
    def forward(self, *args):
        return function(self, *args)

    forward.__name__ = forward.__qualname__ = function.__name__
    forward.__doc__ = function.__doc__
    return forward


# Flat functions that are not methods of the object in their first argument.
_STATIC = frozenset({"ISolverManager_instance", "EntityID_fromString", "EntityID_fromCEntityID"})
_PROTOCOL = ("_swigregister", "_swiginit")


def _bind(cls):
    """Attaches every flat function ``<Class>_<name>`` to ``cls`` as ``<name>`` (unless
    _bind_methods did so for all classes at once) and binds ``cls`` to its native type, so
    that results of that type come back as ``cls``."""
    prefix = cls.__name__ + "_"
    if _bind_methods is None or _InstanceMethod is None:
        for name, function in vars(_V).items():
            if name.startswith(prefix) and not name.endswith(_PROTOCOL):
                setattr(cls, name[len(prefix):], staticmethod(function) if name in _STATIC else _method(function))
    getattr(_V, prefix + "swigregister")(cls)
    return cls


def _address(obj):
    """Native address behind ``obj``, or None when it holds no native object."""
    if isinstance(obj, _Instance) and _Instance is not object:
        proxy = _own_this(obj)
    else:
        proxy = getattr(obj, "__dict__", {}).get("this")
    try:
        return int(proxy) if proxy is not None else None
    except (TypeError, ValueError):
        return None


def _own_this(obj, _get=vars(_Instance).get("this")):
    """The instance's own `this` (not a class's `this` descriptor), or None."""
    try:
        return _get.__get__(obj)
    except AttributeError:
        return None


def _enum_names(prefix):
    return {value: name[len(prefix):] for name, value in vars(_V).items()
            if name.startswith(prefix) and isinstance(value, int)}


_ATTRIBUTE_KINDS = _enum_names("AttributeType_")


class _Object(_Instance):
    """Common behaviour of the classes: ownership flag and a repr that never raises."""

    @property
    def thisown(self):
        """True when this Python object owns (and will destroy) its native object."""
        return self.this.own()

    @thisown.setter
    def thisown(self, value):
        self.this.own(value)

    def _describe(self):
        """Text of the repr between the class name and '>'; may raise, __repr__ catches."""
        return ""

    def __repr__(self):
        name = type(self).__name__
        address = _address(self)
        if address is None:
            return "<%s without native object>" % name
        try:
            text = self._describe()
        except Exception as error:  # a repr must not raise, whatever the library says
            text = " at 0x%x (unreadable: %s)" % (address, error)
        return "<%s%s>" % (name, text) if text else "<%s at 0x%x>" % (name, address)


class _LibraryObject(_Object):
    """Objects owned by the exchange library: they are handed out, never constructed."""

    def __init__(self, *args, **kwargs):
        raise TypeError("%s objects belong to the exchange library and cannot be created; "
                        "start from ISolverManager.instance()" % type(self).__name__)

    # Two Python objects for the same library object compare equal (!= follows).
    def __eq__(self, other):
        if not isinstance(other, IHandle):
            return NotImplemented
        mine = _address(self)
        return self is other if mine is None else mine == _address(other)

    def __hash__(self):
        address = _address(self)
        return hash(address) if address is not None else id(self)


class IHandle(_LibraryObject):
    """Base of every library object: handle type and the object's last failure."""


class ISolverData(IHandle):
    """The running solver: iteration counters, times, convergence, and the model."""

    def _describe(self):
        if self.isTransient():
            where = "time %g of %g s, step %g s" % (self.getTime(), self.getTotalTime(), self.getTimeStep())
        else:
            where = "steady"
        return ": iteration %d of %d, %s, %s" % (
            self.getIteration(), self.getNumberOfIterations(), where,
            "converged" if self.isConverged() else "not converged")


class ISolverManager(ISolverData):
    """The exchange library's single entry object (``ISolverManager.instance()``); also the
    solver data of the run."""


class IAttribute(IHandle):
    """A node of the model: a typed value, a composite, an entity, a link or a shortcut."""

    def _describe(self):
        kind = self.getAttributeType()
        return " %r (%s)" % (self.getAttributePath(False), _ATTRIBUTE_KINDS.get(kind, kind))

    def downcast(self):
        """The same attribute as an instance of the class its kind names (ILinkAttribute,
        IListAttribute, IArrayAttribute, IShortcutAttribute, ICompositeAttribute, IEntity; an
        IAttribute for value attributes), so that links and shortcuts can be followed."""
        return _downcast(self)


class ICompositeAttribute(IAttribute):
    """An attribute holding ordered child attributes."""


class IEntity(ICompositeAttribute):
    """A named composite attribute with an identifier and an entity type."""

    def _describe(self):
        return " %r type %r id %s" % (self.getName(True), self.getType(), self.getEntityID())


class IEntityLinkAttributeBase(IAttribute):
    """An attribute referring to entities (link, list, array)."""


class ILinkAttribute(IEntityLinkAttributeBase):
    """A link to an entity."""


class IListAttribute(IEntityLinkAttributeBase):
    """A list of entities."""


class IArrayAttribute(IEntityLinkAttributeBase):
    """An array of entity slots, some of which may be empty."""


class IShortcutAttribute(IAttribute):
    """An attribute referring to other attributes."""


class IEntityCollection(IHandle):
    """All entities of the model: counts and lookups by position, identifier, type and name."""

    def _describe(self):
        return ": %d entities, %d root entities" % (self.getNumberOfEntities(), self.getNumberOfRootEntities())


class EntityID(_Object):
    """Identifier of an entity: two signed 32-bit values, written ``first-second``.

    ``EntityID()`` is (0, 0); ``EntityID(first, second)``; ``EntityID(view)`` from the view
    of ``data()`` or a ``CEntityID`` record of ``toCEntityID()``. Identifiers compare by their
    values (first, then second) and can be dict keys.
    """

    __swig_destroy__ = _V.delete_EntityID

    def __init__(self, *args):
        _V.EntityID_swiginit(self, _V.new_EntityID(*args))

    # An identifier never equals None or another kind of object.
    def __eq__(self, other):
        return _V.__eq__(self, other) if other is not None else NotImplemented

    def __ne__(self, other):
        return _V.__ne__(self, other) if other is not None else NotImplemented

    def __hash__(self):
        return hash(_V.EntityID_toString(self))

    def _values(self):
        text = _V.EntityID_toString(self)
        cut = text.index("-", 1)
        return int(text[:cut]), int(text[cut + 1:])

    def __reduce__(self):
        return EntityID, self._values()

    def __repr__(self):
        try:
            return "EntityID(%d, %d)" % self._values()
        except Exception:
            return _Object.__repr__(self)


class EntityEditor(_Object):
    """Finds entities and attributes by index, identifier, type, name or path and reads or
    writes their values, in one object.

    ``EntityEditor(collection)``, ``EntityEditor(solver_data)`` (for example the manager) or
    ``EntityEditor(None)``. Lookups that find nothing answer neutral values (None, False, 0,
    0.0, "", EntityID 0-0) and writes to missing attributes do nothing; only failures
    reported by the library raise RuntimeError. Readers default to ``Chronology_Current``,
    writers to ``Chronology_Next``.
    """

    __swig_destroy__ = _V.delete_EntityEditor

    def __init__(self, *args):
        _V.EntityEditor_swiginit(self, _V.new_EntityEditor(*args))

    def _describe(self):
        collection = self.getEntityCollection()
        return " on %r" % collection if collection is not None else " on no collection"


class SwigPyIterator(_Object):
    """Iterator over a native sequence (made by other modules of the same runtime)."""

    __swig_destroy__ = _V.delete_SwigPyIterator
    __hash__ = None  # compares by position, so not hashable

    def __init__(self, *args, **kwargs):
        raise TypeError("SwigPyIterator objects cannot be created from Python")

    def __iter__(self):
        return self


_CLASSES = (IHandle, ISolverData, ISolverManager, IAttribute, ICompositeAttribute, IEntity,
            IEntityLinkAttributeBase, ILinkAttribute, IListAttribute, IArrayAttribute,
            IShortcutAttribute, IEntityCollection, EntityID, EntityEditor, SwigPyIterator)
if _bind_methods is not None and _InstanceMethod is not None:
    _bind_methods(_CLASSES, vars(_V), _STATIC, _PROTOCOL)
for _cls in _CLASSES:
    _bind(_cls)
del _cls, _CLASSES

# The six identifier orderings; == and != above refuse None before the native call.
EntityID.__lt__ = _method(_V.__lt__)
EntityID.__le__ = _method(_V.__le__)
EntityID.__gt__ = _method(_V.__gt__)
EntityID.__ge__ = _method(_V.__ge__)
EntityID.__str__ = _method(_V.EntityID_toString)

# Free functions, enumeration constants and the read-only variables.
_FREE_FUNCTIONS = (
    "hasAccess", "isReadOnlyAccess", "isWriteOnlyAccess", "hasReadAccess", "hasWriteAccess",
    "isCompositeAttributeType", "isValueAttributeType", "isEntityLinkAttributeType",
    "startEventType", "endEventType", "isException", "toString", "isCompletedSolveState",
    "version", "versionString",
)
for _name in _FREE_FUNCTIONS:
    globals()[_name] = getattr(_V, _name)
    __all__.append(_name)
_CONSTANTS = {_name: _value for _name, _value in vars(_V).items()
              if isinstance(_value, int) and not _name.startswith("_")}
globals().update(_CONSTANTS)
__all__ += _CONSTANTS
del _name, _CONSTANTS
cvar = _V.cvar

# The IntEnum classes (enums.py) and the strict editor (strict.py) load on first use, so
# that importing the package does not pay for them.
_LAZY = dict.fromkeys(("AccessType", "AttributeType", "Chronology", "EventType", "ExceptionType",
                       "ExchangeFormat", "HandleType", "SolvePhase", "SolveState"), "enums")
_LAZY.update(dict.fromkeys(("StrictEntityEditor", "MissingEntityError", "MissingAttributeError"), "strict"))


def __getattr__(name):
    if name not in _LAZY:
        raise AttributeError("module %r has no attribute %r" % (__name__, name))
    from importlib import import_module

    value = globals()[name] = getattr(import_module(__name__ + "." + _LAZY[name]), name)
    return value
