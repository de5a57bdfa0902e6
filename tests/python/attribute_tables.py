"""The attribute family's functions as Part 3.3 lists them, written out for the tests.

Public operations: name, kind ("O" one object, "V" fixed argument tuple, "D" dispatcher), the
`self` type of the argument-1 message (fixed functions), the largest arity and the prototype
lines (dispatchers). Protected members: the raw operations per family with the native types of
their arguments after `self`.
"""
M = "OrvaneSDK::Model::"
CHRONO = "OrvaneSDK::Chronology"


def _cls(name, const=True):
    return M + name + (" const *" if const else " *")


def _protos(cls, *lines):
    return [M + cls + "::" + line for line in lines]


def _getter(op):
    return ("IAttribute_" + op, "D", None, 2,
            _protos("IAttribute", op + "(OrvaneSDK::Chronology const) const", op + "() const"))


def _setter(op, value):
    return ("IAttribute_" + op, "D", None, 3,
            _protos("IAttribute", op + "(" + value + ",OrvaneSDK::Chronology const)", op + "(" + value + ")"))


ATTR = _cls("IAttribute")
PUBLIC = {
    "IAttribute": [
        ("IAttribute_getAttributeType", "D", None, 2,
         _protos("IAttribute", "getAttributeType(bool const) const", "getAttributeType() const")),
        ("IAttribute_getType", "O", ATTR, 1, None),
        ("IAttribute_getParent", "O", ATTR, 1, None),
        ("IAttribute_getParentEntity", "O", ATTR, 1, None),
        ("IAttribute_getAttributePath", "D", None, 2,
         _protos("IAttribute", "getAttributePath(bool const) const", "getAttributePath() const")),
        ("IAttribute_isRoot", "O", ATTR, 1, None),
        ("IAttribute_isComposite", "O", ATTR, 1, None),
        ("IAttribute_isEntity", "O", ATTR, 1, None),
        _getter("getStringValue"),
        _setter("setStringValue", "std::string const &"),
        _getter("getFloatValue"),
        _setter("setDoubleValue", "double const"),
        _getter("getDoubleValue"),
        _setter("setFloatValue", "float const"),
        _getter("getIntValue"),
        _setter("setIntValue", "int const"),
        _getter("getBoolValue"),
        _setter("setBoolValue", "bool const"),
        ("IAttribute_hasValue", "V", ATTR, 2, None),
        ("IAttribute_hasUnits", "O", ATTR, 1, None),
        ("IAttribute_getUnit", "O", ATTR, 1, None),
        ("IAttribute_getAccessType", "O", ATTR, 1, None),
    ],
    "IEntityLinkAttributeBase": [
        ("IEntityLinkAttributeBase_getNumberOfEntities", "O", _cls("IEntityLinkAttributeBase"), 1, None),
        ("IEntityLinkAttributeBase_hasEntities", "O", _cls("IEntityLinkAttributeBase"), 1, None),
        ("IEntityLinkAttributeBase_getEntity", "D", None, 2,
         _protos("IEntityLinkAttributeBase", "getEntity(size_t const)", "getEntity(size_t const) const")),
    ],
    "IArrayAttribute": [],
    "ICompositeAttribute": [
        ("ICompositeAttribute_getNumberOfAttributes", "D", None, 2,
         _protos("ICompositeAttribute", "getNumberOfAttributes(bool const) const", "getNumberOfAttributes() const")),
        ("ICompositeAttribute_hasAttributes", "O", _cls("ICompositeAttribute"), 1, None),
        ("ICompositeAttribute_getAttribute", "D", None, 3,
         _protos("ICompositeAttribute", "getAttribute(size_t const,bool const)", "getAttribute(size_t const)",
                 "getAttribute(size_t const,bool const) const", "getAttribute(size_t const) const",
                 "getAttribute(std::string const &)", "getAttribute(std::string const &) const")),
        ("ICompositeAttribute_hasAttribute", "D", None, 3,
         _protos("ICompositeAttribute", "hasAttribute(std::string const &) const",
                 "hasAttribute(size_t const,bool const) const", "hasAttribute(size_t const) const")),
    ],
    "IEntity": [
        ("IEntity_getName", "D", None, 2, _protos("IEntity", "getName(bool const) const", "getName() const")),
        ("IEntity_getEntityID", "O", _cls("IEntity"), 1, None),
    ],
    "ILinkAttribute": [
        ("ILinkAttribute_hasEntity", "O", _cls("ILinkAttribute"), 1, None),
        ("ILinkAttribute_getEntity", "D", None, 2,
         _protos("ILinkAttribute", "getEntity(size_t const)", "getEntity(size_t const) const", "getEntity()",
                 "getEntity() const")),
    ],
    "IListAttribute": [],
    "IShortcutAttribute": [
        ("IShortcutAttribute_getNumberOfShortcuts", "O", _cls("IShortcutAttribute"), 1, None),
        ("IShortcutAttribute_getShortcut", "V", _cls("IShortcutAttribute"), 2, None),
        ("IShortcutAttribute_getFirstValidShortcut", "O", _cls("IShortcutAttribute"), 1, None),
    ],
}
PUBLIC_FUNCTIONS = [f for fs in PUBLIC.values() for f in fs]

# Raw operations with wrappers, per family in slot order, with their argument types after self.
ATTRIBUTE_OPS = [
    ("do_getAttributeType_const", ["bool", "OrvaneSDK::AttributeType &"]),
    ("do_getType_const", ["Tools::IString &"]),
    ("do_getParent_const", [M + "ICompositeAttribute *&"]),
    ("do_getParentEntity_const", [M + "IEntity *&"]),
    ("do_getAttributePath_const", ["bool", "Tools::IString &"]),
    ("do_getStringValue_const", ["Tools::IString &", CHRONO]),
    ("do_setStringValue", ["Tools::IConstString const &", CHRONO]),
    ("do_getFloatValue_const", ["float &", CHRONO]),
    ("do_setFloatValue", ["float", CHRONO]),
    ("do_getDoubleValue_const", ["double &", CHRONO]),
    ("do_setDoubleValue", ["double", CHRONO]),
    ("do_getIntValue_const", ["int &", CHRONO]),
    ("do_setIntValue", ["int", CHRONO]),
    ("do_getBoolValue_const", ["bool &", CHRONO]),
    ("do_setBoolValue", ["bool", CHRONO]),
    ("do_hasValue_const", [CHRONO, "bool &"]),
    ("do_hasUnits_const", ["bool &"]),
    ("do_getUnit_const", ["Tools::IString &"]),
    ("do_getAccessType_const", ["OrvaneSDK::AccessType &"]),
]
COMPOSITE_OPS = [
    ("do_GetNumberOfAttributes_const", ["bool", "size_t &"]),
    ("do_GetAttribute", ["size_t", "bool", M + "IAttribute *&"]),
    ("do_GetAttribute_const", ["size_t", "bool", M + "IAttribute *&"]),
    ("do_GetAttributeByPath", ["Tools::IConstString const &", M + "IAttribute *&"]),
    ("do_GetAttributeByPath_const", ["Tools::IConstString const &", M + "IAttribute *&"]),
    ("do_HasAttributeByPath_const", ["Tools::IConstString const &", "bool &"]),
]
ENTITY_OPS = [
    ("do_getName_const", ["bool", "Tools::IString &"]),
    ("do_getEntityID_const", [M + "CEntityID &"]),
]
SHORTCUT_OPS = [
    ("do_getNumberOfShortcuts_const", ["size_t &"]),
    ("do_getShortcut_const", ["size_t", M + "IAttribute *&"]),
    ("do_getFirstValidShortcut_const", [M + "IAttribute *&"]),
]
PROTECTED = {
    "IAttribute": ATTRIBUTE_OPS,
    "IEntityLinkAttributeBase": ATTRIBUTE_OPS,
    "IArrayAttribute": ATTRIBUTE_OPS,
    "ICompositeAttribute": ATTRIBUTE_OPS + COMPOSITE_OPS,
    "IEntity": ATTRIBUTE_OPS + COMPOSITE_OPS + ENTITY_OPS,
    "ILinkAttribute": ATTRIBUTE_OPS,
    "IListAttribute": ATTRIBUTE_OPS,
    "IShortcutAttribute": ATTRIBUTE_OPS + SHORTCUT_OPS,
}
PROTECTED_FUNCTIONS = [(cls, op, args) for cls, ops in PROTECTED.items() for op, args in ops]

# Pointer types whose proxies stand for the reference parameters.
REFERENCE_TYPES = {
    "OrvaneSDK::AttributeType &": "_p_OrvaneSDK__AttributeType",
    "OrvaneSDK::AccessType &": "_p_OrvaneSDK__AccessType",
    "Tools::IString &": "_p_Tools__IString",
    "Tools::IConstString const &": "_p_Tools__IConstString",
    M + "ICompositeAttribute *&": "_p_p_OrvaneSDK__Model__ICompositeAttribute",
    M + "IEntity *&": "_p_p_OrvaneSDK__Model__IEntity",
    M + "IAttribute *&": "_p_p_OrvaneSDK__Model__IAttribute",
    M + "CEntityID &": "_p_OrvaneSDK_Model_EntityID",
    "float &": "_p_float",
    "double &": "_p_double",
    "int &": "_p_int",
    "bool &": "_p_bool",
    "size_t &": "_p_size_t",
}

# The method-table blocks of Part 3.1, class by class.
BLOCKS = [
    (53, 119, ["IAttribute", "IEntityLinkAttributeBase"]),
    (163, 245, ["IArrayAttribute", "ICompositeAttribute", "IEntity"]),
    (253, 323, ["ILinkAttribute", "IListAttribute", "IShortcutAttribute"]),
]
CLASSES = [cls for _, _, classes in BLOCKS for cls in classes]
# Mangled names and bases of the eight classes (single inheritance).
MANGLED = {cls: "_p_OrvaneSDK__Model__" + cls for cls in CLASSES}
BASES = {
    "IAttribute": [],
    "ICompositeAttribute": ["IAttribute"],
    "IEntity": ["ICompositeAttribute", "IAttribute"],
    "IEntityLinkAttributeBase": ["IAttribute"],
    "ILinkAttribute": ["IEntityLinkAttributeBase", "IAttribute"],
    "IListAttribute": ["IEntityLinkAttributeBase", "IAttribute"],
    "IArrayAttribute": ["IEntityLinkAttributeBase", "IAttribute"],
    "IShortcutAttribute": ["IAttribute"],
}


def class_functions(cls):
    """The names of one class's functions in method-table order."""
    return ([f[0] for f in PUBLIC[cls]] + [cls + "_" + op for op, _ in PROTECTED[cls]]
            + ["disown_" + cls, cls + "_swigregister"])


def overload_message(name, protos):
    return ("Wrong number or type of arguments for overloaded function '%s'.\n"
            "  Possible C/C++ prototypes are:\n" % name + "".join("    %s\n" % p for p in protos))
