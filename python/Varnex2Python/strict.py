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
from typing import Any, Iterable, List, Optional, Sequence, Tuple

from Varnex2Python import EntityEditor, EntityID, IAttribute, IEntity

__all__ = ["StrictEntityEditor", "MissingEntityError", "MissingAttributeError"]


class MissingEntityError(LookupError):
    """No entity matches the selector; the message names the selector and the closest names."""


class MissingAttributeError(LookupError):
    """The entity has no attribute at that path or position; the message names the closest paths."""


def closest(word: str, names: Iterable[str], count: int = 3) -> List[str]:
    """The names nearest to ``word`` (best first), or the first few names when none is near."""
    pool = list(dict.fromkeys(names))
    near = difflib.get_close_matches(word, pool, n=count, cutoff=0.5)
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

    def _entity(self, args: Sequence[Any]) -> Tuple[IEntity, Sequence[Any]]:
        """The entity the leading arguments select, and the arguments after the selector."""
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
            entities = self._entities()
            of_type = [e for e in entities if e.getType() == first]
            if not of_type:
                raise MissingEntityError("no entity of type %r%s" % (first, _hint(first, (e.getType() for e in entities))))
            if isinstance(second, str):
                found = EntityEditor.getEntity(self, first, second)
                if found is None:
                    names = [e.getName(False) for e in of_type]
                    raise MissingEntityError("no entity %r of type %r%s" % (second, first, _hint(second, names)))
                return found, args[2:]
            if isinstance(second, int) and not isinstance(second, bool):
                if not 0 <= second < len(of_type):
                    raise MissingEntityError("no entity of type %r at position %d: the model has %d"
                                             % (first, second, len(of_type)))
                return of_type[second], args[2:]
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
        return self._entity(args)[0]

    def getAttribute(self, *args: Any) -> IAttribute:
        attribute, rest = self._attribute(args)
        if rest:
            raise TypeError("getAttribute() takes an entity and an attribute selector only")
        return attribute


def _strict(name: str, select: Any) -> Any:
    """The editor operation ``name`` applied to the handle that ``select`` finds strictly, so
    values, chronologies and the library's own errors stay those of the plain editor."""
    operation = getattr(EntityEditor, name)

    def method(self: StrictEntityEditor, *args: Any) -> Any:
        handle, rest = select(self, args)
        return operation(self, handle, *rest)

    method.__name__ = name
    method.__qualname__ = "StrictEntityEditor." + name
    method.__doc__ = "%s() of EntityEditor; a missing entity or attribute raises." % name
    return method


for _name in ("getEntityType", "getEntityName", "getEntityID", "getEntityNumberOfAttributes"):
    setattr(StrictEntityEditor, _name, _strict(_name, StrictEntityEditor._entity))
for _name in ("getUnit", "getAccessType", "getAttributePath", "getIntValue", "getBoolValue", "getFloatValue",
              "getDoubleValue", "getStringValue", "setIntValue", "setBoolValue", "setFloatValue",
              "setDoubleValue", "setStringValue"):
    setattr(StrictEntityEditor, _name, _strict(_name, StrictEntityEditor._attribute))
del _name
