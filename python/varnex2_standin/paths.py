"""Attributes named by path, as the runner's options name them: a full path
(``CoolingLoop/Pump1/Speed``) or entity type, entity name and path (``Pump/Pump1/Speed``).

A ``Bound`` attribute keeps its path and finds the attribute again when a script replaced
the model, so monitors, input signals, replayed values and plants follow the new model.
"""
from typing import Any, Callable, List, Optional, TypeVar, Union

import Varnex2Python as vx
from Varnex2Python.capture import attribute_paths, read_value, resolve_attribute

__all__ = ["resolve_attribute", "read_value", "attribute_paths", "Bound", "REPLACED"]

Value = Union[int, float, bool, str, None]
T = TypeVar("T")

# The library's text for a call on an object of a replaced model.
REPLACED = "belongs to a model that has been replaced"


def _collection() -> vx.IEntityCollection:
    collection = vx.ISolverManager.instance().getEntityCollection()
    if collection is None:
        raise ValueError("the run has no model")
    return collection


class Bound:
    """An attribute held by its path; ``use(f)`` calls ``f(attribute)`` and, when the model
    was replaced since, finds the attribute again by its path first."""

    def __init__(self, text: str, what: str, collection: Optional[vx.IEntityCollection] = None) -> None:
        self.text = text
        self.what = what
        self.attribute = resolve_attribute(collection if collection is not None else _collection(), text, what)
        self.unit = self.attribute.getUnit() if self.attribute.hasUnits() else ""

    def stale(self) -> bool:
        try:
            self.attribute.getAttributeType()
        except RuntimeError as error:
            if REPLACED in str(error):
                return True
            raise
        return False

    def use(self, function: Callable[[vx.IAttribute], T]) -> T:
        if self.stale():
            try:
                self.attribute = resolve_attribute(_collection(), self.text, self.what)
            except ValueError as error:
                raise ValueError("%s (the model was replaced during the run)" % error) from None
        return function(self.attribute)

    def read(self) -> Value:
        return self.use(read_value)

    def __repr__(self) -> str:
        return "<%s %r>" % (self.what, self.text)
