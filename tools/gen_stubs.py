"""Writes the type stubs of ``_Varnex2Python`` and ``Varnex2Python`` from one table of
call forms, with the docstring summaries of the built module.

    python tools/gen_stubs.py          # rewrite python/_Varnex2Python-stubs and Varnex2Python/__init__.pyi
    python tools/gen_stubs.py --check  # exit 1 when the committed stubs differ from the output

The table lists, per flat function, the Python call forms its dispatcher accepts in
dispatch order. Forms that Python cannot tell apart (a ``char const*`` overload and its
``std::string`` twin, const and non-const twins) appear once: the one the dispatcher
reaches. Not needed to build or install the package.
"""
import argparse
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RAW_STUB = os.path.join(ROOT, "python", "_Varnex2Python-stubs", "__init__.pyi")
PKG_STUB = os.path.join(ROOT, "python", "Varnex2Python", "__init__.pyi")
ENUM_STUB = os.path.join(ROOT, "python", "Varnex2Python", "enums.pyi")

# Python types of the parameter kinds.
INT, BOOL, FLOAT, STR, NONE = "int", "bool", "float", "str", "None"
PROXY = "_SwigPyObject"  # a bare proxy of a pointer type without class


def opt(cls):
    return "Optional[%s]" % cls


CLASSES = [  # name, base
    ("IHandle", "_LibraryObject"), ("ISolverData", "IHandle"), ("ISolverManager", "ISolverData"),
    ("IAttribute", "IHandle"), ("ICompositeAttribute", "IAttribute"), ("IEntity", "ICompositeAttribute"),
    ("IEntityLinkAttributeBase", "IAttribute"), ("ILinkAttribute", "IEntityLinkAttributeBase"),
    ("IListAttribute", "IEntityLinkAttributeBase"), ("IArrayAttribute", "IEntityLinkAttributeBase"),
    ("IShortcutAttribute", "IAttribute"), ("IEntityCollection", "IHandle"), ("EntityID", "_Object"),
    ("EntityEditor", "_Object"), ("SwigPyIterator", "_Object"),
]
ATTRIBUTE_CLASSES = ["IAttribute", "ICompositeAttribute", "IEntity", "IEntityLinkAttributeBase", "ILinkAttribute",
                     "IListAttribute", "IArrayAttribute", "IShortcutAttribute"]
STATIC = {"ISolverManager_instance", "EntityID_fromString", "EntityID_fromCEntityID"}

# FUNCTIONS[name] = (self class or None, [(params, result), ...]); params are (name, type).
FUNCTIONS = {}


def define(name, cls, *forms):
    assert name not in FUNCTIONS, name
    FUNCTIONS[name] = (cls, list(forms))


def form(result, *params):
    return (tuple(params), result)


CHRONO = ("chronology", INT)

# Free functions.
for fname, param, result in [
        ("hasAccess", "accessType", BOOL), ("isReadOnlyAccess", "accessType", BOOL),
        ("isWriteOnlyAccess", "accessType", BOOL), ("hasReadAccess", "accessType", BOOL),
        ("hasWriteAccess", "accessType", BOOL), ("isCompositeAttributeType", "attributeType", BOOL),
        ("isValueAttributeType", "attributeType", BOOL), ("isEntityLinkAttributeType", "attributeType", BOOL),
        ("startEventType", "eventType", INT), ("endEventType", "eventType", INT),
        ("isException", "exceptionType", BOOL), ("toString", "solveState", STR),
        ("isCompletedSolveState", "solveState", BOOL)]:
    define(fname, None, form(result, (param, INT)))
define("version", None, form(PROXY))
define("versionString", None, form(STR))

# IHandle, ISolverData, ISolverManager.
define("IHandle_getHandleType", "IHandle", form(INT))
define("IHandle_getLastExceptionMessage", "IHandle", form(STR))
define("IHandle_getLastExceptionType", "IHandle", form(INT))
for op, result in [("getIteration", INT), ("getNumberOfIterations", INT), ("getTime", FLOAT),
                   ("getTimeStep", FLOAT), ("getTotalTime", FLOAT), ("isTransient", BOOL),
                   ("isFirstIteration", BOOL), ("isLastIteration", BOOL), ("isFirstTimeStep", BOOL),
                   ("isLastTimeStep", BOOL), ("isConverged", BOOL), ("isStopOnConvergence", BOOL)]:
    define("ISolverData_" + op, "ISolverData", form(result), form(result, CHRONO))
for op, value in [("setNumberOfIterations", ("newNumberOfIterations", INT)), ("setTimeStep", ("timeStep", FLOAT)),
                  ("setTotalTime", ("totalTime", FLOAT)), ("setStopOnConvergence", ("value", BOOL))]:
    define("ISolverData_" + op, "ISolverData", form(NONE, value), form(NONE, value, CHRONO))
define("ISolverData_getSolutionControl", "ISolverData", form(opt("IEntity")))
define("ISolverData_getEntityCollection", "ISolverData", form(opt("IEntityCollection")))
define("ISolverManager_instance", None, form("ISolverManager"))
define("ISolverManager_version", "ISolverManager", form(PROXY))
define("ISolverManager_versionString", "ISolverManager", form(STR))
define("ISolverManager_solveStop", "ISolverManager", form(NONE))
define("ISolverManager_isSolveStopped", "ISolverManager", form(BOOL))
define("ISolverManager_showMessage", "ISolverManager", form(NONE, ("message", STR)))
define("ISolverManager_showInformational", "ISolverManager", form(NONE, ("message", STR)))

# IAttribute public operations.
define("IAttribute_getAttributeType", "IAttribute", form(INT), form(INT, ("followShortcut", BOOL)))
define("IAttribute_getType", "IAttribute", form(STR))
define("IAttribute_getParent", "IAttribute", form(opt("ICompositeAttribute")))
define("IAttribute_getParentEntity", "IAttribute", form(opt("IEntity")))
define("IAttribute_getAttributePath", "IAttribute", form(STR), form(STR, ("inEntity", BOOL)))
for op in ("isRoot", "isComposite", "isEntity", "hasUnits"):
    define("IAttribute_" + op, "IAttribute", form(BOOL))
VALUE_KINDS = [("String", STR), ("Float", FLOAT), ("Double", FLOAT), ("Int", INT), ("Bool", BOOL)]
for kind, ptype in VALUE_KINDS:
    define("IAttribute_get%sValue" % kind, "IAttribute", form(ptype), form(ptype, CHRONO))
    define("IAttribute_set%sValue" % kind, "IAttribute", form(NONE, ("value", ptype)),
           form(NONE, ("value", ptype), CHRONO))
define("IAttribute_hasValue", "IAttribute", form(BOOL, CHRONO))
define("IAttribute_getUnit", "IAttribute", form(STR))
define("IAttribute_getAccessType", "IAttribute", form(INT))

# Protected raw operations: out-parameters are proxies of pointer types; the result is the status.
OUT = PROXY
PROTECTED = {
    "do_getAttributeType_const": [("followShortcut", BOOL), ("attributeType", OUT)],
    "do_getType_const": [("type", OUT)],
    "do_getParent_const": [("parent", OUT)],
    "do_getParentEntity_const": [("parentEntity", OUT)],
    "do_getAttributePath_const": [("inEntity", BOOL), ("attributePath", OUT)],
    "do_getStringValue_const": [("value", OUT), CHRONO],
    "do_setStringValue": [("value", OUT), CHRONO],
    "do_getFloatValue_const": [("value", OUT), CHRONO],
    "do_setFloatValue": [("value", FLOAT), CHRONO],
    "do_getDoubleValue_const": [("value", OUT), CHRONO],
    "do_setDoubleValue": [("value", FLOAT), CHRONO],
    "do_getIntValue_const": [("value", OUT), CHRONO],
    "do_setIntValue": [("value", INT), CHRONO],
    "do_getBoolValue_const": [("value", OUT), CHRONO],
    "do_setBoolValue": [("value", BOOL), CHRONO],
    "do_hasValue_const": [CHRONO, ("hasValue", OUT)],
    "do_hasUnits_const": [("hasUnits", OUT)],
    "do_getUnit_const": [("unit", OUT)],
    "do_getAccessType_const": [("accessType", OUT)],
}
COMPOSITE_PROTECTED = {
    "do_GetNumberOfAttributes_const": [("recursive", BOOL), ("numberOfAttributes", OUT)],
    "do_GetAttribute": [("attribute_i", INT), ("recursive", BOOL), ("attribute", OUT)],
    "do_GetAttribute_const": [("attribute_i", INT), ("recursive", BOOL), ("attribute", OUT)],
    "do_GetAttributeByPath": [("attributePath", OUT), ("attribute", OUT)],
    "do_GetAttributeByPath_const": [("attributePath", OUT), ("attribute", OUT)],
    "do_HasAttributeByPath_const": [("attributePath", OUT), ("hasAttribute", OUT)],
}
ENTITY_PROTECTED = {"do_getName_const": [("fullName", BOOL), ("name", OUT)],
                    "do_getEntityID_const": [("entityID", OUT)]}
SHORTCUT_PROTECTED = {"do_getNumberOfShortcuts_const": [("numberOfShortcuts", OUT)],
                      "do_getShortcut_const": [("shortcut_i", INT), ("shortcut", OUT)],
                      "do_getFirstValidShortcut_const": [("shortcut", OUT)]}
for cls in ATTRIBUTE_CLASSES:
    ops = dict(PROTECTED)
    if cls in ("ICompositeAttribute", "IEntity"):
        ops.update(COMPOSITE_PROTECTED)
    if cls == "IEntity":
        ops.update(ENTITY_PROTECTED)
    if cls == "IShortcutAttribute":
        ops.update(SHORTCUT_PROTECTED)
    for op, params in ops.items():
        define("%s_%s" % (cls, op), cls, form(INT, *params))

# Composite attributes, entities, links, shortcuts.
define("ICompositeAttribute_getNumberOfAttributes", "ICompositeAttribute", form(INT), form(INT, ("recursive", BOOL)))
define("ICompositeAttribute_hasAttributes", "ICompositeAttribute", form(BOOL))
for op, result in [("getAttribute", opt("IAttribute")), ("hasAttribute", BOOL)]:
    define("ICompositeAttribute_" + op, "ICompositeAttribute", form(result, ("attribute_i", INT)),
           form(result, ("attributePath", STR)), form(result, ("attribute_i", INT), ("recursive", BOOL)))
define("IEntity_getName", "IEntity", form(STR), form(STR, ("fullName", BOOL)))
define("IEntity_getEntityID", "IEntity", form("EntityID"))
define("IEntityLinkAttributeBase_getNumberOfEntities", "IEntityLinkAttributeBase", form(INT))
define("IEntityLinkAttributeBase_hasEntities", "IEntityLinkAttributeBase", form(BOOL))
define("IEntityLinkAttributeBase_getEntity", "IEntityLinkAttributeBase", form(opt("IEntity"), ("entity_i", INT)))
define("ILinkAttribute_hasEntity", "ILinkAttribute", form(BOOL))
define("ILinkAttribute_getEntity", "ILinkAttribute", form(opt("IEntity")), form(opt("IEntity"), ("entity_i", INT)))
define("IShortcutAttribute_getNumberOfShortcuts", "IShortcutAttribute", form(INT))
define("IShortcutAttribute_getShortcut", "IShortcutAttribute", form(opt("IAttribute"), ("shortcut_i", INT)))
define("IShortcutAttribute_getFirstValidShortcut", "IShortcutAttribute", form(opt("IAttribute")))
for cls in ATTRIBUTE_CLASSES:
    define("disown_" + cls, None, form(NONE, ("obj", opt(cls))))

# Entity collection.
TYPE, NAME = ("entityType", STR), ("entityName", STR)
define("IEntityCollection_getNumberOfEntities", "IEntityCollection", form(INT), form(INT, ("entityID", "EntityID")),
       form(INT, TYPE), form(INT, TYPE, NAME))
define("IEntityCollection_getSolutionControl", "IEntityCollection", form(opt("IEntity")))
E = opt("IEntity")
define("IEntityCollection_getEntity", "IEntityCollection", form(E, ("entityID", "EntityID")),
       form(E, ("entity_i", INT)), form(E, TYPE), form(E, TYPE, ("entity_i", INT)), form(E, TYPE, NAME),
       form(E, TYPE, NAME, ("entity_i", INT)))
define("IEntityCollection_hasEntity", "IEntityCollection", form(BOOL, ("entityID", "EntityID")),
       form(BOOL, ("entity_i", INT)), form(BOOL, TYPE, ("entity_i", INT)), form(BOOL, TYPE, NAME),
       form(BOOL, TYPE, NAME, ("entity_i", INT)))
define("IEntityCollection_getNumberOfRootEntities", "IEntityCollection", form(INT))
define("IEntityCollection_getRootEntity", "IEntityCollection", form(E), form(E, ("rootEntity_i", INT)))

# EntityID.
define("new_EntityID", None, form(PROXY), form(PROXY, ("id", PROXY)), form(PROXY, ("id1", INT), ("id2", INT)))
define("EntityID_data", "EntityID", form(PROXY))
define("EntityID_toCEntityID", "EntityID", form(PROXY))
define("EntityID_fromCEntityID", None, form("EntityID", ("id", PROXY)))
define("EntityID_toString", "EntityID", form(STR))
define("EntityID_fromString", None, form("EntityID", ("text", STR)))
for op in ("__eq__", "__ne__", "__lt__", "__le__", "__gt__", "__ge__"):
    define(op, None, form(BOOL, ("lhs", "object"), ("rhs", "object")))
define("delete_EntityID", None, form(NONE, ("obj", "EntityID")))
define("EntityID_swiginit", None, form(NONE, ("instance", "object"), ("proxy", PROXY)))

# EntityEditor. Selectors in the editor's dispatch order, std::string forms only.
HANDLE_E, HANDLE_A = ("entityHandle", E), ("attributeHandle", opt("IAttribute"))
ENTITY = {"handle": [HANDLE_E], "index": [("entity_i", INT)], "id": [("entityID", "EntityID")],
          "type": [TYPE, ("entity_i", INT)], "typename": [TYPE, NAME], "typenameindex": [TYPE, NAME, ("entity_i", INT)]}
ATTR_I, PATH = ("attribute_i", INT), ("attributePath", STR)
# Combination rows of attribute selection: entity selector plus attribute index or path.
ROWS = {1: ("handle", ATTR_I), 2: ("index", ATTR_I), 3: ("id", ATTR_I), 4: ("type", ATTR_I), 6: ("typename", ATTR_I),
        8: ("typenameindex", ATTR_I), 10: ("handle", PATH), 11: ("index", PATH), 12: ("id", PATH),
        13: ("type", PATH), 14: ("typename", PATH), 15: ("typenameindex", PATH)}


def row(n):
    selector, attribute = ROWS[n]
    return ENTITY[selector] + [attribute]


# Value getters: "H" the attribute handle, n a row, "c" a trailing chronology.
GETTER_ORDER = ["H", "1", "10", "3", "12", "Hc", "2", "11", "1c", "10c", "3c", "12c", "2c", "11c", "4", "13", "6",
                "14", "4c", "13c", "6c", "8", "15", "14c", "8c", "15c"]


def selector(token):
    chrono = token.endswith("c")
    token = token.rstrip("c")
    params = [HANDLE_A] if token == "H" else row(int(token))
    return params, chrono


def getter_forms(result):
    out = []
    for token in GETTER_ORDER:
        params, chrono = selector(token)
        out.append(form(result, *(params + ([CHRONO] if chrono else []))))
    return out


def setter_forms(ptype, value_first_at_five):
    order = list(GETTER_ORDER)
    if value_first_at_five:  # float, double and string setters try row 8 before row 6 with chronology
        i, j = order.index("6c"), order.index("8")
        order[i], order[j] = order[j], order[i]
    out = []
    for token in order:
        params, chrono = selector(token)
        out.append(form(NONE, *(params + [("value", ptype)] + ([CHRONO] if chrono else []))))
    return out


EDITOR = "EntityEditor"
define("new_EntityEditor", None, form(PROXY, ("entityCollection", opt("IEntityCollection"))),
       form(PROXY, ("solverData", opt("ISolverData"))))
define("EntityEditor_getEntityCollection", EDITOR, form(opt("IEntityCollection")))
define("EntityEditor_getSolutionControl", EDITOR, form(E))
define("EntityEditor_getNumberOfEntities", EDITOR, form(INT), form(INT, TYPE), form(INT, TYPE, NAME))
ENTITY_ORDER = ["id", "index", "type", "typename", "typenameindex"]
for op, result in [("hasEntity", BOOL), ("getEntity", E)]:
    define("EntityEditor_" + op, EDITOR, *[form(result, *ENTITY[s]) for s in ENTITY_ORDER])
for op, result in [("getEntityType", STR), ("getEntityName", STR), ("getEntityID", "EntityID"),
                   ("getEntityNumberOfAttributes", INT)]:
    define("EntityEditor_" + op, EDITOR, *[form(result, *ENTITY[s]) for s in ["handle"] + ENTITY_ORDER])
ATTRIBUTE_ORDER = [1, 3, 10, 12, 2, 11, 4, 13, 6, 14, 8, 15]
for op, result in [("hasAttribute", BOOL), ("getAttribute", opt("IAttribute"))]:
    define("EntityEditor_" + op, EDITOR, *[form(result, *row(n)) for n in ATTRIBUTE_ORDER])
for op, result in [("getUnit", STR), ("getAccessType", INT)]:
    define("EntityEditor_" + op, EDITOR, form(result, HANDLE_A), *[form(result, *row(n)) for n in ATTRIBUTE_ORDER])
define("EntityEditor_getAttributePath", EDITOR, form(STR, HANDLE_A), *[form(STR, *row(n)) for n in [1, 3, 2, 4, 6, 8]])
for kind, ptype in VALUE_KINDS:
    define("EntityEditor_get%sValue" % kind, EDITOR, *getter_forms(ptype))
    define("EntityEditor_set%sValue" % kind, EDITOR, *setter_forms(ptype, kind in ("Float", "Double", "String")))
define("delete_EntityEditor", None, form(NONE, ("obj", "EntityEditor")))
define("EntityEditor_swiginit", None, form(NONE, ("instance", "object"), ("proxy", PROXY)))

# Iterator.
IT = "SwigPyIterator"
define("delete_SwigPyIterator", None, form(NONE, ("obj", IT)))
define("SwigPyIterator_value", IT, form("Any"))
for op in ("incr", "decr"):
    define("SwigPyIterator_" + op, IT, form(IT), form(IT, ("n", INT)))
define("SwigPyIterator_distance", IT, form(INT, ("other", IT)))
define("SwigPyIterator_equal", IT, form(BOOL, ("other", IT)))
define("SwigPyIterator_copy", IT, form(IT))
for op in ("next", "__next__", "previous"):
    define("SwigPyIterator_" + op, IT, form("Any"))
define("SwigPyIterator_advance", IT, form(IT, ("n", INT)))
for op in ("__eq__", "__ne__"):
    define("SwigPyIterator_" + op, IT, form(BOOL, ("other", "object")))
for op in ("__iadd__", "__isub__", "__add__"):
    define("SwigPyIterator_" + op, IT, form(IT, ("n", INT)))
define("SwigPyIterator___sub__", IT, form(INT, ("other", IT)), form(IT, ("n", INT)))

for cls, _ in CLASSES:
    define(cls + "_swigregister", None, form(NONE, ("cls", "object")))


def deduplicate(forms):
    """Drops forms whose parameter types repeat an earlier form's (Python cannot tell them apart)."""
    seen, out = set(), []
    for params, result in forms:
        key = tuple(t for _, t in params)
        if key not in seen:
            seen.add(key)
            out.append((params, result))
    return out


def summaries(doc):
    """The summary lines of a docstring, each once, in order."""
    out = []
    for text in re.findall(r"<summary>(.*?)<summary>", doc or "", re.S):
        text = " ".join(text.split())
        if text and text not in out:
            out.append(text)
    return out


def signature(name, params, result, self_type=None, prefix="_"):
    """One def line; ``prefix`` marks class names of the package inside the raw stub."""

    def qualify(t):
        for cls, _ in CLASSES:
            t = re.sub(r"\b%s\b" % cls, prefix + cls, t)
        return t

    names = ["self"] if self_type == "self" else []
    parts = names + ["%s: %s" % (n, qualify(t)) for n, t in params]
    if self_type not in (None, "self"):
        parts.insert(0, "obj: %s" % qualify(self_type))
    args = ", ".join(parts + ["/"]) if parts else ""
    return "def %s(%s) -> %s:" % (name, args, qualify(result))


# Methods whose in-place operator narrows its binary twin (iterator - iterator gives an int).
IGNORE = {"__isub__": "  # type: ignore[misc]"}


def emit(name, forms, doc, indent="", self_type=None, prefix="_", static=False):
    forms = deduplicate(forms)
    lines = []
    ignore = IGNORE.get(name, "") if self_type == "self" else ""
    found = summaries(doc)
    text = found[0] if found else ""
    for i, (params, result) in enumerate(forms):
        if len(forms) > 1:
            lines.append(indent + "@overload")
        if static:
            lines.append(indent + "@staticmethod")
        line = indent + signature(name, params, result, self_type, prefix)
        if i == 0 and text:
            lines.append(line + ignore)
            lines.append(indent + '    """%s"""' % text.replace('"""', "'''"))
        else:
            lines.append(line + " ..." + ignore)
    return lines


def load_module():
    try:
        import _Varnex2Python
    except ImportError:
        return None
    return _Varnex2Python


def check_coverage(module):
    """Table and module must name the same functions; returns the problems."""
    if module is None:
        return ["_Varnex2Python cannot be imported: docstrings left out, names unchecked"]
    runtime = {n for n, v in vars(module).items() if callable(v) and type(v).__name__ == "builtin_function_or_method"}
    problems = ["in the module, not in the table: %s" % n for n in sorted(runtime - set(FUNCTIONS))]
    problems += ["in the table, not in the module: %s" % n for n in sorted(set(FUNCTIONS) - runtime)]
    return problems


def constants(module):
    if module is None:
        return []
    return [n for n, v in vars(module).items() if isinstance(v, int) and not n.startswith("_")]


RAW_HEAD = '''"""Type stubs of the extension module _Varnex2Python (written by tools/gen_stubs.py).

Object parameters and results are typed with the classes of Varnex2Python: importing that
package binds them, so that results come back as their instances. Without it, results are
bare proxy objects (_SwigPyObject here).
"""
from typing import Any, Optional, overload

from Varnex2Python import (
%s
)


class _SwigPyObject:
    """Proxy of a native pointer: ownership flag and a chain of further proxies."""

    def disown(self) -> None: ...
    def acquire(self) -> None: ...
    def own(self, value: object = ..., /) -> bool: ...
    def append(self, other: _SwigPyObject, /) -> None: ...
    def next(self) -> Optional[_SwigPyObject]: ...
    def __int__(self) -> int: ...


class _CVar:
    """The read-only build and chronology variables."""

    @property
    def lastChronology(self) -> int: ...
    @property
    def defaultGetChronology(self) -> int: ...
    @property
    def defaultSetChronology(self) -> int: ...
    @property
    def buildId(self) -> str: ...
    @property
    def majorVersion(self) -> int: ...
    @property
    def minorVersion(self) -> int: ...
    @property
    def servicePack(self) -> int: ...
    @property
    def build(self) -> int: ...
    @property
    def interfaceVersion(self) -> int: ...


cvar: _CVar
'''

PKG_HEAD = '''"""Type stubs of Varnex2Python (written by tools/gen_stubs.py)."""
from typing import Any, Optional, Tuple, Type, overload

from _Varnex2Python import _SwigPyObject
from _Varnex2Python import cvar as cvar
from _Varnex2Python import (
%s
)
from Varnex2Python.enums import (
    AccessType as AccessType,
    AttributeType as AttributeType,
    Chronology as Chronology,
    EventType as EventType,
    ExceptionType as ExceptionType,
    ExchangeFormat as ExchangeFormat,
    HandleType as HandleType,
    SolvePhase as SolvePhase,
    SolveState as SolveState,
)
from Varnex2Python.strict import (
    MissingAttributeError as MissingAttributeError,
    MissingEntityError as MissingEntityError,
    StrictEntityEditor as StrictEntityEditor,
)


class _Object:
    this: _SwigPyObject
    @property
    def thisown(self) -> bool: ...
    @thisown.setter
    def thisown(self, value: bool) -> None: ...
    def __repr__(self) -> str: ...


class _LibraryObject(_Object):
    def __init__(self, *args: Any, **kwargs: Any) -> None: ...
    def __eq__(self, other: object) -> bool: ...
    def __hash__(self) -> int: ...
'''

# Members of the classes that are written in Python rather than bound flat functions.
EXTRA = {
    "IAttribute": [
        "def downcast(self) -> IAttribute: ...",
    ],
    "EntityID": [
        "__swig_destroy__: Any",
        "@overload",
        "def __init__(self) -> None: ...",
        "@overload",
        "def __init__(self, id1: int, id2: int, /) -> None: ...",
        "@overload",
        "def __init__(self, id: _SwigPyObject, /) -> None: ...",
        "def __eq__(self, other: object) -> bool: ...",
        "def __ne__(self, other: object) -> bool: ...",
        "def __lt__(self, other: EntityID, /) -> bool: ...",
        "def __le__(self, other: EntityID, /) -> bool: ...",
        "def __gt__(self, other: EntityID, /) -> bool: ...",
        "def __ge__(self, other: EntityID, /) -> bool: ...",
        "def __hash__(self) -> int: ...",
        "def __str__(self) -> str: ...",
        "def __reduce__(self) -> Tuple[Type[EntityID], Tuple[int, int]]: ...",
    ],
    "EntityEditor": [
        "__swig_destroy__: Any",
        "@overload",
        "def __init__(self, entityCollection: Optional[IEntityCollection], /) -> None: ...",
        "@overload",
        "def __init__(self, solverData: Optional[ISolverData], /) -> None: ...",
    ],
    "SwigPyIterator": [
        "__swig_destroy__: Any",
        "__hash__: None  # type: ignore[assignment]",
        "def __init__(self, *args: Any, **kwargs: Any) -> None: ...",
        "def __iter__(self) -> SwigPyIterator: ...",
    ],
}


def docstring_of(module, name):
    function = getattr(module, name, None) if module is not None else None
    return getattr(function, "__doc__", None)


def raw_stub(module):
    imports = ",\n".join("    %s as _%s" % (cls, cls) for cls, _ in CLASSES)
    out = [RAW_HEAD % imports]
    for name in constants(module):
        out.append("%s: int" % name)
    out.append("")
    for name, (cls, forms) in FUNCTIONS.items():
        out.append("")
        out.extend(emit(name, forms, docstring_of(module, name), self_type=cls))
    return "\n".join(out) + "\n"


def pkg_stub(module):
    reexports = [n for n, (cls, _) in FUNCTIONS.items()
                 if cls is None and not re.match(r"(new_|delete_|disown_|__|\w+_swig|ISolverManager_|EntityID_)", n)]
    names = reexports + constants(module)
    out = [PKG_HEAD % ",\n".join("    %s as %s" % (n, n) for n in names)]
    exported = [cls for cls, _ in CLASSES] + ["cvar"] + names
    out.append("__all__ = [\n%s\n]\n" % "\n".join("    %r," % n for n in exported))
    for cls, base in CLASSES:
        out.append("")
        out.append("class %s(%s):" % (cls, base))
        body = ["    " + line for line in EXTRA.get(cls, [])]
        prefix = cls + "_"
        for name, (owner, forms) in FUNCTIONS.items():
            if not name.startswith(prefix) or name.endswith(("_swigregister", "_swiginit")):
                continue
            static = name in STATIC
            body.extend(emit(name[len(prefix):], forms, docstring_of(module, name), indent="    ",
                             self_type=None if static else "self", prefix="", static=static))
        out.extend(body or ["    ..."])
        out.append("")
    return "\n".join(out)


def enum_stub(module):
    """The IntEnum classes of Varnex2Python.enums with their members (made from the constants)."""
    if module is None:
        return None
    sys.path.insert(0, os.path.join(ROOT, "python"))
    from Varnex2Python import enums

    out = ['"""Type stubs of Varnex2Python.enums (written by tools/gen_stubs.py)."""',
           "import enum", "from typing import Dict, List, Tuple", "",
           "ENUMERATIONS: Dict[str, str]", "__all__ = [%s]" % ", ".join('"%s"' % n for n in enums.ENUMERATIONS), "",
           "def members(name: str) -> List[Tuple[str, int]]: ..."]
    for name in enums.ENUMERATIONS:
        out += ["", "", "class %s(enum.IntEnum):" % name]
        out += ["    %s = %d" % (member, value) for member, value in enums.members(name)]
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="compare with the committed stubs instead of writing")
    args = parser.parse_args()
    module = load_module()
    problems = check_coverage(module)
    for problem in problems:
        print("warning:", problem, file=sys.stderr)
    outputs = {RAW_STUB: raw_stub(module), PKG_STUB: pkg_stub(module), ENUM_STUB: enum_stub(module)}
    stale = []
    for path, text in outputs.items():
        if text is None:
            continue
        current = open(path).read() if os.path.exists(path) else None
        if current != text:
            stale.append(path)
            if not args.check:
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "w") as stream:
                    stream.write(text)
    if args.check:
        for path in stale:
            print("out of date:", os.path.relpath(path, ROOT))
        return 1 if stale or problems else 0
    return 0


if __name__ == "__main__":
    sys.exit(main())
