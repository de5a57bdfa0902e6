"""The enumerations of the module as IntEnum classes.

Each member equals the module's integer constant of the same name
(``Chronology.Next == Chronology_Next``, ``EventType(11) is EventType.IterationEnd``) and
passes wherever the constant does; the reprs name the member. A member is the constant's
name without the enumeration's prefix; ``None`` is a keyword, so the constants
``AccessType__None`` and ``ExceptionType__None`` are the members ``None_``. The classes are
made from the module's constants, so the two cannot differ.
"""
import enum

import _Varnex2Python as _V

# Each enumeration with its docstring.
ENUMERATIONS = {
    "AccessType": "What a script may do with an attribute's value.",
    "AttributeType": "Kind of an attribute.",
    "Chronology": "The moment of the run at which a value is read or written.",
    "EventType": "Solver events: the moments at which the solver runs a script.",
    "ExceptionType": "Failure kinds; also the status codes of failing library calls.",
    "ExchangeFormat": "File formats of a data exchange.",
    "HandleType": "Kind of library object (IHandle.getHandleType()).",
    "SolvePhase": "Phase of the solve.",
    "SolveState": "State of the solve (toString(state) gives its name).",
}

__all__ = list(ENUMERATIONS)


def members(name):
    """(member, value) of an enumeration, from the module's constants in their order."""
    prefix = name + "_"
    found = []
    for constant, value in vars(_V).items():
        if constant.startswith(prefix) and isinstance(value, int):
            member = constant[len(prefix):]
            found.append(("None_" if member == "_None" else member, value))
    return found


for _name, _doc in ENUMERATIONS.items():
    _cls = enum.IntEnum(_name, members(_name), module=__name__, qualname=_name)
    _cls.__doc__ = _doc
    globals()[_name] = _cls
del _name, _doc, _cls
