"""Strict lookups: an entity editor that raises when what a script names does not exist.

``EntityEditor`` answers neutral values for missing entities and attributes (0.0, None, a
write that does nothing), so a typo in a type, name or path goes unnoticed.
``StrictEntityEditor`` takes the same calls and raises ``MissingEntityError`` or
``MissingAttributeError`` instead, naming what was asked for and the closest existing
names::

    editor = StrictEntityEditor(manager)
    editor.getDoubleValue("Pump", "Pump1", "Sped")
    # MissingAttributeError: entity 'CoolingLoop/Pump1' (Pump) has no attribute 'Sped'; closest: 'Speed'

Entities are selected by handle, ``EntityID``, position, type and position, or type and
name; attributes by handle (alone), position (counted through composites) or path.
Questions (``hasEntity``, ``hasAttribute``, counts) keep their plain answers.
"""
import difflib
import itertools
import re
from typing import Any, Callable, Dict, Iterable, List, Optional, Sequence, Tuple

from Varnex2Python import EntityEditor, EntityID, IAttribute, IEntity

__all__ = ["StrictEntityEditor", "MissingEntityError", "MissingAttributeError"]


class MissingEntityError(LookupError):
    """No entity matches the selector; the message names the selector and the closest names."""


class MissingAttributeError(LookupError):
    """The entity has no attribute at that path or position; the message names the closest paths."""


# Pools larger than this are narrowed to the names sharing the longest pieces with the word
# before difflib ranks them: difflib alone takes seconds over 100,000 names.
_RANK_ALL = 1000
_CANDIDATES = 200


def _candidates(word: str, pool: List[str]) -> List[str]:
    """The names of pool that share the longest substrings with word (at most _CANDIDATES),
    found by searching the names joined into one text."""
    text = "\0" + "\0".join(pool) + "\0"
    pieces = [piece for piece in word.split("\0") if piece]

    def found(length: int) -> List[str]:
        seeds = {p[i:i + length] for p in pieces for i in range(len(p) - length + 1)}
        return [seed for seed in seeds if seed in text]

    # The longest length at which some piece of the word occurs (occurrence shrinks monotonically).
    low, high = 0, max((len(p) for p in pieces), default=0)
    while low < high:
        middle = (low + high + 1) // 2
        if found(middle):
            low = middle
        else:
            high = middle - 1
    names: Dict[str, None] = {}
    for length in range(low, max(low // 2, 1) - 1, -1):
        for seed in sorted(found(length)):
            start = text.find(seed)
            while start >= 0 and len(names) < _CANDIDATES:
                begin = text.rfind("\0", 0, start) + 1
                end = text.find("\0", start)
                names[text[begin:end]] = None
                start = text.find(seed, end)
        if len(names) >= _CANDIDATES // 4:
            break
    return list(names)


def closest(word: str, names: Iterable[str], count: int = 3) -> List[str]:
    """The names nearest to ``word`` (best first), or the first few names when none is near."""
    pool = list(dict.fromkeys(names))
    ranked = _candidates(word, pool) if len(pool) > _RANK_ALL else pool
    near = difflib.get_close_matches(word, ranked, n=count, cutoff=0.5)
    return near or pool[:count]


def _hint(word: str, names: Iterable[str], label: str = "closest") -> str:
    found = closest(word, names)
    return "; %s: %s" % (label, ", ".join(repr(n) for n in found)) if found else "; the model has none"


def _entity_text(entity: IEntity) -> str:
    return "entity %r (%s)" % (entity.getName(True), entity.getType())


class StrictEntityEditor(EntityEditor):
    """An ``EntityEditor`` whose lookups raise ``MissingEntityError`` or ``MissingAttributeError``
    where the plain editor answers a neutral value."""

    # Entity lookups.

    def _entities(self) -> List[IEntity]:
        result: List[IEntity] = []
        for i in range(EntityEditor.getNumberOfEntities(self)):
            entity = EntityEditor.getEntity(self, i)
            if entity is not None:
                result.append(entity)
        return result

    def _types(self) -> List[str]:
        """The entity types of the model (for hints), one call per entity."""
        count = EntityEditor.getNumberOfEntities(self)
        return list(dict.fromkeys(map(EntityEditor.getEntityType, itertools.repeat(self, count), range(count))))

    def _of_type(self, entity_type: str) -> int:
        """How many entities the type has; MissingEntityError naming the closest types for none."""
        count = EntityEditor.getNumberOfEntities(self, entity_type)
        if not count:
            raise MissingEntityError("no entity of type %r%s" % (entity_type, _hint(entity_type, self._types())))
        return count

    def _entity(self, args: Sequence[Any]) -> Tuple[IEntity, Sequence[Any]]:
        """The entity the leading arguments select, and the arguments after the selector.
        A selector that finds its entity costs the plain editor's lookup; the names for the
        hint of a miss are gathered only then."""
        first = args[0] if args else None
        found: Optional[IEntity]
        if isinstance(first, IEntity):
            return first, args[1:]
        if isinstance(first, EntityID):
            found = EntityEditor.getEntity(self, first)
            if found is None:
                ids = [str(e.getEntityID()) for e in self._entities()]
                raise MissingEntityError("no entity with identifier %s%s" % (first, _hint(str(first), ids)))
            return found, args[1:]
        if isinstance(first, int) and not isinstance(first, bool):
            count = EntityEditor.getNumberOfEntities(self)
            found = EntityEditor.getEntity(self, first) if 0 <= first < count else None
            if found is None:
                raise MissingEntityError("no entity at position %d: the model has %d entities" % (first, count))
            return found, args[1:]
        if isinstance(first, str) and len(args) > 1:
            second = args[1]
            if isinstance(second, str):
                found = EntityEditor.getEntity(self, first, second)
                if found is None:
                    count = self._of_type(first)
                    names = map(EntityEditor.getEntityName, itertools.repeat(self, count),
                                itertools.repeat(first, count), range(count))
                    raise MissingEntityError("no entity %r of type %r%s" % (second, first, _hint(second, names)))
                return found, args[2:]
            if isinstance(second, int) and not isinstance(second, bool):
                count = self._of_type(first)
                found = EntityEditor.getEntity(self, first, second) if 0 <= second < count else None
                if found is None:
                    raise MissingEntityError("no entity of type %r at position %d: the model has %d"
                                             % (first, second, count))
                return found, args[2:]
        if first is None and args:
            raise MissingEntityError("no entity: None was given")
        raise TypeError("StrictEntityEditor selects an entity by IEntity, EntityID, position, "
                        "(type, position) or (type, name), not by %s"
                        % ", ".join(type(a).__name__ for a in args[:2]))

    def _attribute(self, args: Sequence[Any]) -> Tuple[IAttribute, Sequence[Any]]:
        """The attribute the leading arguments select, and the arguments after the selector."""
        if args and isinstance(args[0], IAttribute) and not isinstance(args[0], IEntity):
            return args[0], args[1:]
        entity, rest = self._entity(args)
        if not rest:
            raise TypeError("StrictEntityEditor needs an attribute path or position after the entity")
        selector = rest[0]
        count = entity.getNumberOfAttributes(True)
        if isinstance(selector, str):
            attribute = entity.getAttribute(selector)
            if attribute is None:
                paths = [a.getAttributePath(True) for a in
                         (entity.getAttribute(i, True) for i in range(count)) if a is not None]
                raise MissingAttributeError("%s has no attribute %r%s"
                                            % (_entity_text(entity), selector, _hint(selector, paths)))
            return attribute, rest[1:]
        if isinstance(selector, int) and not isinstance(selector, bool):
            attribute = entity.getAttribute(selector, True) if 0 <= selector < count else None
            if attribute is None:
                raise MissingAttributeError("%s has no attribute at position %d: it has %d attributes"
                                            % (_entity_text(entity), selector, count))
            return attribute, rest[1:]
        raise TypeError("StrictEntityEditor selects an attribute by path or position, not by %s"
                        % type(selector).__name__)

    def getEntity(self, *args: Any) -> IEntity:
        try:
            return self._entity(args)[0]
        except (TypeError, MissingEntityError) as error:
            failure = _failure("getEntity", self, args, error)
        raise failure.with_traceback(None) from None

    def getAttribute(self, *args: Any) -> IAttribute:
        try:
            attribute, rest = self._attribute(args)
            if not rest:
                return attribute
            error: Exception = TypeError("getAttribute() takes an entity and an attribute selector only")
        except (TypeError, MissingEntityError, MissingAttributeError) as caught:
            error = caught
        failure = _failure("getAttribute", self, args, error)
        raise failure.with_traceback(None) from None


# The editor's call forms, read from its no-match TypeError; Python type names for the native ones.
_PROTOTYPE = re.compile(r"^\s+\S*::(\w+)\((.*)\)$")
_KINDS = [("IAttribute", "IAttribute"), ("IEntity", "IEntity"), ("EntityID", "EntityID"),
          ("Chronology", "Chronology"), ("size_t", "int"), ("std::string", "str"), ("char", "str"),
          ("double", "float"), ("float", "float"), ("bool", "bool"), ("int", "int")]
_FITS: Dict[str, Callable[[Any], bool]] = {
    "IAttribute": lambda v: v is None or isinstance(v, IAttribute),
    "IEntity": lambda v: v is None or isinstance(v, IEntity),
    "EntityID": lambda v: isinstance(v, EntityID),
    "Chronology": lambda v: isinstance(v, int) and not isinstance(v, bool),
    "int": lambda v: isinstance(v, int) and not isinstance(v, bool),
    "str": lambda v: isinstance(v, str),
    "float": lambda v: isinstance(v, (int, float)) and not isinstance(v, bool),
    "bool": lambda v: isinstance(v, bool),
}
_FORMS: Dict[str, List[Tuple[str, ...]]] = {}


def _forms(name: str, editor: EntityEditor) -> List[Tuple[str, ...]]:
    """The call forms of the editor operation as tuples of Python type names, in its order."""
    if name not in _FORMS:
        forms: Dict[Tuple[str, ...], None] = {}
        try:
            getattr(EntityEditor, name)(editor, object())  # matches no form: the error lists them all
        except TypeError as error:
            for line in str(error).splitlines():
                match = _PROTOTYPE.match(line)
                if match:
                    params = [p for p in match.group(2).split(",") if p]
                    forms[tuple(next(k for n, k in _KINDS if n in p) for p in params)] = None
        _FORMS[name] = list(forms)
    return _FORMS[name]


def _misfit(name: str, editor: EntityEditor, args: Sequence[Any]) -> Optional[TypeError]:
    """The TypeError of a call that fits none of the operation's forms: which argument does not
    fit (position, value, type) and the closest forms, those fitting the most leading arguments."""
    forms = _forms(name, editor)
    if not forms:
        return None

    def fitting(form: Tuple[str, ...]) -> int:
        n = 0
        while n < min(len(form), len(args)) and _FITS[form[n]](args[n]):
            n += 1
        return n

    ranked = sorted(forms, key=lambda form: (-fitting(form), abs(len(form) - len(args))))
    best = [form for form in ranked if fitting(form) == fitting(ranked[0])][:3]
    n = fitting(best[0])
    if n < len(args) and n < len(best[0]):
        what = "argument %d (%r, %s) does not fit" % (n + 1, args[n], type(args[n]).__name__)
    elif n < len(args):
        what = "argument %d (%r, %s) is one too many" % (n + 1, args[n], type(args[n]).__name__)
    else:
        what = "argument %d (%s) is missing" % (n + 1, best[0][n])
    lines = ["%s(%s)" % (name, ", ".join(form)) for form in best]
    return TypeError("%s(): %s; closest call forms:\n  %s" % (name, what, "\n  ".join(lines)))


def _failure(name: str, editor: EntityEditor, args: Sequence[Any], error: Exception) -> Exception:
    """What a strict call raises for an error met on the way: a lookup error as it is, a wrong
    argument as the TypeError of _misfit (the error itself when the forms cannot be read)."""
    if isinstance(error, TypeError):
        return _misfit(name, editor, args) or error
    return error


def _named(args: Sequence[Any]) -> int:
    """How many leading arguments select an attribute by names: 3 for (type, name, path), 2 for
    (entity or identifier, path), else 0."""
    if len(args) > 2 and type(args[0]) is str and type(args[1]) is str and type(args[2]) is str:
        return 3
    if len(args) > 1 and type(args[1]) is str and isinstance(args[0], (IEntity, EntityID)):
        return 2
    return 0


def _strict(name: str, select: Any, reads: bool = False) -> Any:
    """The editor operation ``name`` applied to the handle that ``select`` finds strictly, so
    values, chronologies and the library's own errors stay those of the plain editor.

    A reader goes to the plain editor first: a value other than the neutral one (0, empty,
    False) shows that the attribute exists, as the plain editor reads the selectors as the
    strict one does (not (type, name, entity position, ...), which the strict editor does not
    take). A neutral value of a selection by names is confirmed by one question, and a writer
    by names asks it first; only a miss, a position or an error runs the strict selection.
    Errors are raised with the caller's frame on top."""
    operation = getattr(EntityEditor, name)
    exists = EntityEditor.hasAttribute

    def read(self: StrictEntityEditor, *args: Any) -> Any:
        try:
            count = len(args)
            if count < 4 or type(args[2]) is not int:
                try:
                    # Three arguments, the usual (type, name, path), passed without a new tuple.
                    result = operation(self, args[0], args[1], args[2]) if count == 3 else operation(self, *args)
                except (TypeError, RuntimeError):
                    select(self, args)  # a missing entity or attribute raises its own error
                    raise
                if result:
                    return result
                named = _named(args)
                if named and exists(self, *args[:named]):
                    return result
            handle, rest = select(self, args)
            return operation(self, handle, *rest)
        except (TypeError, MissingEntityError, MissingAttributeError) as error:
            failure = _failure(name, self, args, error)
        raise failure.with_traceback(None) from None

    def write(self: StrictEntityEditor, *args: Any) -> Any:
        try:
            named = _named(args) if select is StrictEntityEditor._attribute else 0
            if named and exists(self, *args[:named]):
                return operation(self, *args)
            handle, rest = select(self, args)
            return operation(self, handle, *rest)
        except (TypeError, MissingEntityError, MissingAttributeError) as error:
            failure = _failure(name, self, args, error)
        raise failure.with_traceback(None) from None

    method = read if reads else write
    method.__name__ = name
    method.__qualname__ = "StrictEntityEditor." + name
    method.__doc__ = "%s() of EntityEditor; a missing entity or attribute raises." % name
    return method


for _name in ("getEntityType", "getEntityName", "getEntityID", "getEntityNumberOfAttributes"):
    setattr(StrictEntityEditor, _name, _strict(_name, StrictEntityEditor._entity))
for _name in ("getUnit", "getAccessType", "getAttributePath", "getIntValue", "getBoolValue", "getFloatValue",
              "getDoubleValue", "getStringValue"):
    setattr(StrictEntityEditor, _name, _strict(_name, StrictEntityEditor._attribute, reads=True))
for _name in ("setIntValue", "setBoolValue", "setFloatValue", "setDoubleValue", "setStringValue"):
    setattr(StrictEntityEditor, _name, _strict(_name, StrictEntityEditor._attribute))
del _name
