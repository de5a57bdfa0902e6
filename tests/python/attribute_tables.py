"""The attribute family's wrapped functions, written out once for test_attributes.py and
test_protected.py, and the default model's objects of each class.

Public operations: (name, kind, largest arity, prototype lines) with kind "O" (one object),
"V" (fixed argument tuple) or "D" (dispatcher; prototype lines in declaration order).
Protected members: the raw operations per family with the native types of their arguments.
"""
import types

import pytest

from proxy_tools import retype

M = "OrvaneSDK::Model::"
CHRONO = "OrvaneSDK::Chronology"
STR = "std::string const &"


def _public(cls, *entries):
    """"op" takes one object, "op/2" self and one more; (op, arity, form, ...) is a dispatcher."""
    made = []
    for e in entries:
        if isinstance(e, str):
            op, _, n = e.partition("/")
            made.append((cls + "_" + op, "V" if n else "O", int(n or 1), None))
        else:
            op, arity, *forms = e
            made.append((cls + "_" + op, "D", arity, [M + cls + "::" + op + f for f in forms]))
    return made


def _get(op):
    return op, 2, "(OrvaneSDK::Chronology const) const", "() const"


def _set(op, value):
    return op, 3, "(%s,OrvaneSDK::Chronology const)" % value, "(%s)" % value


def _flag(op):
    return op, 2, "(bool const) const", "() const"


PUBLIC = {
    "IAttribute": _public(
        "IAttribute", _flag("getAttributeType"), "getType", "getParent", "getParentEntity",
        _flag("getAttributePath"), "isRoot", "isComposite", "isEntity", _get("getStringValue"),
        _set("setStringValue", STR), _get("getFloatValue"), _set("setDoubleValue", "double const"),
        _get("getDoubleValue"), _set("setFloatValue", "float const"), _get("getIntValue"),
        _set("setIntValue", "int const"), _get("getBoolValue"), _set("setBoolValue", "bool const"), "hasValue/2",
        "hasUnits", "getUnit", "getAccessType"),
    "IEntityLinkAttributeBase": _public("IEntityLinkAttributeBase", "getNumberOfEntities", "hasEntities",
                                        ("getEntity", 2, "(size_t const)", "(size_t const) const")),
    "IArrayAttribute": [],
    "ICompositeAttribute": _public(
        "ICompositeAttribute", _flag("getNumberOfAttributes"), "hasAttributes",
        ("getAttribute", 3, "(size_t const,bool const)", "(size_t const)", "(size_t const,bool const) const",
         "(size_t const) const", "(%s)" % STR, "(%s) const" % STR),
        ("hasAttribute", 3, "(%s) const" % STR, "(size_t const,bool const) const", "(size_t const) const")),
    "IEntity": _public("IEntity", _flag("getName"), "getEntityID"),
    "ILinkAttribute": _public("ILinkAttribute", "hasEntity",
                              ("getEntity", 2, "(size_t const)", "(size_t const) const", "()", "() const")),
    "IListAttribute": [],
    "IShortcutAttribute": _public("IShortcutAttribute", "getNumberOfShortcuts", "getShortcut/2",
                                  "getFirstValidShortcut"),
}
PUBLIC_FUNCTIONS = [f for fs in PUBLIC.values() for f in fs]
BY_NAME = {f[0]: f for f in PUBLIC_FUNCTIONS}

# Raw operations with wrappers, per family in slot order: (operation, argument types after self).
STRING, CSTRING = "Tools::IString &", "Tools::IConstString const &"
ATTRIBUTE_OPS = [
    ("do_getAttributeType_const", "bool", "OrvaneSDK::AttributeType &"), ("do_getType_const", STRING),
    ("do_getParent_const", M + "ICompositeAttribute *&"), ("do_getParentEntity_const", M + "IEntity *&"),
    ("do_getAttributePath_const", "bool", STRING), ("do_getStringValue_const", STRING, CHRONO),
    ("do_setStringValue", CSTRING, CHRONO), ("do_getFloatValue_const", "float &", CHRONO),
    ("do_setFloatValue", "float", CHRONO), ("do_getDoubleValue_const", "double &", CHRONO),
    ("do_setDoubleValue", "double", CHRONO), ("do_getIntValue_const", "int &", CHRONO),
    ("do_setIntValue", "int", CHRONO), ("do_getBoolValue_const", "bool &", CHRONO),
    ("do_setBoolValue", "bool", CHRONO), ("do_hasValue_const", CHRONO, "bool &"),
    ("do_hasUnits_const", "bool &"), ("do_getUnit_const", STRING),
    ("do_getAccessType_const", "OrvaneSDK::AccessType &"),
]
COMPOSITE_OPS = [
    ("do_GetNumberOfAttributes_const", "bool", "size_t &"), ("do_GetAttribute", "size_t", "bool", M + "IAttribute *&"),
    ("do_GetAttribute_const", "size_t", "bool", M + "IAttribute *&"),
    ("do_GetAttributeByPath", CSTRING, M + "IAttribute *&"),
    ("do_GetAttributeByPath_const", CSTRING, M + "IAttribute *&"),
    ("do_HasAttributeByPath_const", CSTRING, "bool &"),
]
ENTITY_OPS = [("do_getName_const", "bool", STRING), ("do_getEntityID_const", M + "CEntityID &")]
SHORTCUT_OPS = [("do_getNumberOfShortcuts_const", "size_t &"), ("do_getShortcut_const", "size_t", M + "IAttribute *&"),
                ("do_getFirstValidShortcut_const", M + "IAttribute *&")]
PROTECTED = {
    "IAttribute": ATTRIBUTE_OPS, "IEntityLinkAttributeBase": ATTRIBUTE_OPS, "IArrayAttribute": ATTRIBUTE_OPS,
    "ICompositeAttribute": ATTRIBUTE_OPS + COMPOSITE_OPS, "IEntity": ATTRIBUTE_OPS + COMPOSITE_OPS + ENTITY_OPS,
    "ILinkAttribute": ATTRIBUTE_OPS, "IListAttribute": ATTRIBUTE_OPS,
    "IShortcutAttribute": ATTRIBUTE_OPS + SHORTCUT_OPS,
}
PROTECTED_FUNCTIONS = [(cls, op[0], list(op[1:])) for cls, ops in PROTECTED.items() for op in ops]

# Pointer types whose proxies stand for the reference parameters.
REFERENCE_TYPES = {
    "OrvaneSDK::AttributeType &": "_p_OrvaneSDK__AttributeType", "OrvaneSDK::AccessType &": "_p_OrvaneSDK__AccessType",
    STRING: "_p_Tools__IString", CSTRING: "_p_Tools__IConstString", M + "CEntityID &": "_p_OrvaneSDK_Model_EntityID",
    M + "ICompositeAttribute *&": "_p_p_OrvaneSDK__Model__ICompositeAttribute",
    M + "IEntity *&": "_p_p_OrvaneSDK__Model__IEntity", M + "IAttribute *&": "_p_p_OrvaneSDK__Model__IAttribute",
    "float &": "_p_float", "double &": "_p_double", "int &": "_p_int", "bool &": "_p_bool", "size_t &": "_p_size_t",
}

# The three method-table blocks (first and last row, 1-based), class by class.
BLOCKS = [
    (53, 119, ["IAttribute", "IEntityLinkAttributeBase"]),
    (163, 245, ["IArrayAttribute", "ICompositeAttribute", "IEntity"]),
    (253, 323, ["ILinkAttribute", "IListAttribute", "IShortcutAttribute"]),
]
CLASSES = [cls for _, _, classes in BLOCKS for cls in classes]
MANGLED = {cls: "_p_OrvaneSDK__Model__" + cls for cls in CLASSES}
_PARENT = {"ICompositeAttribute": "IAttribute", "IEntity": "ICompositeAttribute",
           "IEntityLinkAttributeBase": "IAttribute", "ILinkAttribute": "IEntityLinkAttributeBase",
           "IListAttribute": "IEntityLinkAttributeBase", "IArrayAttribute": "IEntityLinkAttributeBase",
           "IShortcutAttribute": "IAttribute"}
BASES = {cls: [] for cls in CLASSES}  # every base of a class, nearest first (single inheritance)
for _cls in CLASSES:
    _base = _cls
    while _base in _PARENT:
        _base = _PARENT[_base]
        BASES[_cls].append(_base)


def class_functions(cls):
    """The names of one class's functions in method-table order."""
    return ([f[0] for f in PUBLIC[cls]] + [cls + "_" + op for op, *_ in PROTECTED[cls]]
            + ["disown_" + cls, cls + "_swigregister"])


@pytest.fixture
def o(m, standin):
    """Objects of the default model by role, each as a proxy of its interface; o.of[cls] is one
    object per class. Links, lists, arrays and shortcuts are reached by retyping the proxy of the
    attribute found by path (single-inheritance chains: the address stays valid)."""
    solver = m.ISolverData_getSolutionControl(m.ISolverManager_instance())
    loop = m.IAttribute_getParentEntity(solver)

    def at(base, path, cls=None):
        a = m.ICompositeAttribute_getAttribute(base, path)
        return retype(a, MANGLED[cls]) if cls else a

    ns = types.SimpleNamespace(
        solver=solver, loop=loop, text=at(solver, "Scheme"), int=at(solver, "Iterations/MaximumIterations"),
        bool=at(solver, "Convergence/StopOnConvergence"), double=at(solver, "Convergence/Tolerance"),
        float=at(solver, "Relaxation/Pressure"), readonly=at(loop, "Pump1/Stages"),
        writeonly=at(loop, "Pump1/SetPoint"),
        unit=at(loop, "Pump1/Speed"), composite=m.IAttribute_getParent(at(solver, "Iterations/MaximumIterations")),
        pump=m.IAttribute_getParentEntity(at(loop, "Pump1/Running")), link=at(loop, "Pump1/Suction", "ILinkAttribute"),
        linkbase=at(loop, "Pump1/Suction", "IEntityLinkAttributeBase"), list=at(loop, "Components", "IListAttribute"),
        array=at(loop, "FlowPath", "IArrayAttribute"), shortcut=at(loop, "Monitors/HotOutlet", "IShortcutAttribute"),
        plain=at(loop, "Monitors"),  # an ICompositeAttribute object behind an IAttribute proxy
    )
    ns.of = {"IAttribute": ns.int, "ICompositeAttribute": ns.composite, "IEntity": ns.pump,
             "IEntityLinkAttributeBase": ns.linkbase, "ILinkAttribute": ns.link, "IListAttribute": ns.list,
             "IArrayAttribute": ns.array, "IShortcutAttribute": ns.shortcut}
    return ns
