// Wrappers of the attribute family's public operations and their method-table runs, one per class;
// module/init.cpp places each before the class's protected members, disown_ and swigregister.
#include "module/attributes.h"

namespace v2py {
namespace {
using namespace OrvaneSDK;
using namespace OrvaneSDK::Model;
using namespace pyrt;
using Chrono = ChronologyArg;

// A form without an optional argument passes the default that the facade declares for it,
// exactly as a native call without the argument would.

// ---------------------------------------------------------------------------------------------
// IAttribute.
#define V2PY_ATTR(op) "OrvaneSDK::Model::IAttribute::" op
#define V2PY_GET_PROTOS(op) protos(V2PY_ATTR(op "(OrvaneSDK::Chronology const) const"), V2PY_ATTR(op "() const"))
#define V2PY_SET_PROTOS(op, type) \
  protos(V2PY_ATTR(op "(" type ",OrvaneSDK::Chronology const)"), V2PY_ATTR(op "(" type ")"))

/// A const operation with an optional last argument: (self) with the native default, or
/// (self, value). Forms are told apart by the argument count alone.
template <class C, auto Op, class Arg, auto Default, size_t N>
constexpr auto optionalArgument(const char* name, Protos<N> p) {
  return overloads(name, p, [](Self<const C> s) { return (s.get()->*Op)(Default); },
                   [](Self<const C> s, Arg v) { return (s.get()->*Op)(v); });
}
/// A value getter: (self) at defaultGetChronology, or (self, chronology).
template <auto Get, size_t N>
constexpr auto valueGetter(const char* name, Protos<N> p) {
  return optionalArgument<IAttribute, Get, Chrono, defaultGetChronology>(name, p);
}
/// A value setter: (self, value) at defaultSetChronology, or (self, value, chronology).
template <auto Set, class Value, size_t N>
constexpr auto valueSetter(const char* name, Protos<N> p) {
  return overloads(name, p, [](Self<IAttribute> a, const Value& v) { (a.get()->*Set)(v, defaultSetChronology); },
                   [](Self<IAttribute> a, const Value& v, Chrono c) { (a.get()->*Set)(v, c); });
}

constexpr auto getAttributeType_ = optionalArgument<IAttribute, &IAttribute::getAttributeType, Bool, false>(
    "IAttribute_getAttributeType",
    protos(V2PY_ATTR("getAttributeType(bool const) const"), V2PY_ATTR("getAttributeType() const")));
constexpr auto getType_ = single("IAttribute_getType", [](Self<const IAttribute> a) { return a->getType(); });
constexpr auto getParent_ =
    single("IAttribute_getParent", [](Self<const IAttribute> a) { return unowned(a->getParent()); });
constexpr auto getParentEntity_ =
    single("IAttribute_getParentEntity", [](Self<const IAttribute> a) { return unowned(a->getParentEntity()); });
constexpr auto getAttributePath_ = optionalArgument<IAttribute, &IAttribute::getAttributePath, Bool, true>(
    "IAttribute_getAttributePath",
    protos(V2PY_ATTR("getAttributePath(bool const) const"), V2PY_ATTR("getAttributePath() const")));
constexpr auto isRoot_ = single("IAttribute_isRoot", [](Self<const IAttribute> a) { return a->isRoot(); });
constexpr auto isComposite_ =
    single("IAttribute_isComposite", [](Self<const IAttribute> a) { return a->isComposite(); });
constexpr auto isEntity_ = single("IAttribute_isEntity", [](Self<const IAttribute> a) { return a->isEntity(); });
// The five value kinds: a getter and a setter each.
#define V2PY_VALUE_FUNCTIONS(Kind, ValueArg, type)                                                 \
  constexpr auto get##Kind##Value_ = valueGetter<&IAttribute::get##Kind##Value>(                   \
      "IAttribute_get" #Kind "Value", V2PY_GET_PROTOS("get" #Kind "Value"));                      \
  constexpr auto set##Kind##Value_ = valueSetter<&IAttribute::set##Kind##Value, ValueArg>(         \
      "IAttribute_set" #Kind "Value", V2PY_SET_PROTOS("set" #Kind "Value", type));
V2PY_VALUE_FUNCTIONS(String, String, "std::string const &")
V2PY_VALUE_FUNCTIONS(Float, Float, "float const")
V2PY_VALUE_FUNCTIONS(Double, Double, "double const")
V2PY_VALUE_FUNCTIONS(Int, Int<int>, "int const")
V2PY_VALUE_FUNCTIONS(Bool, Bool, "bool const")
#undef V2PY_VALUE_FUNCTIONS
// The chronology has no default here: exactly two arguments.
constexpr auto hasValue_ =
    single("IAttribute_hasValue", [](Self<const IAttribute> a, Chrono c) { return a->hasValue(c); });
constexpr auto hasUnits_ = single("IAttribute_hasUnits", [](Self<const IAttribute> a) { return a->hasUnits(); });
constexpr auto getUnit_ = single("IAttribute_getUnit", [](Self<const IAttribute> a) { return a->getUnit(); });
constexpr auto getAccessType_ =
    single("IAttribute_getAccessType", [](Self<const IAttribute> a) { return a->getAccessType(); });
#undef V2PY_GET_PROTOS
#undef V2PY_SET_PROTOS
#undef V2PY_ATTR

// ---------------------------------------------------------------------------------------------
// IEntityLinkAttributeBase, ILinkAttribute, IShortcutAttribute. A const twin shares its
// non-const twin's checks, so it is listed after it and never chosen.
#define V2PY_LINKBASE(op) "OrvaneSDK::Model::IEntityLinkAttributeBase::" op
#define V2PY_LINK(op) "OrvaneSDK::Model::ILinkAttribute::" op

constexpr auto getNumberOfEntities_ =
    single("IEntityLinkAttributeBase_getNumberOfEntities",
           [](Self<const IEntityLinkAttributeBase> l) { return l->getNumberOfEntities(); });
constexpr auto hasEntities_ = single("IEntityLinkAttributeBase_hasEntities",
                                     [](Self<const IEntityLinkAttributeBase> l) { return l->hasEntities(); });
constexpr auto linkBaseGetEntity_ = overloads(
    "IEntityLinkAttributeBase_getEntity",
    protos(V2PY_LINKBASE("getEntity(size_t const)"), V2PY_LINKBASE("getEntity(size_t const) const")),
    [](Self<IEntityLinkAttributeBase> l, Size i) { return unowned(l->getEntity(i)); },
    [](Self<const IEntityLinkAttributeBase> l, Size i) { return unowned(l->getEntity(i)); });

constexpr auto hasEntity_ =
    single("ILinkAttribute_hasEntity", [](Self<const ILinkAttribute> l) { return l->hasEntity(); });
constexpr auto linkGetEntity_ = overloads(
    "ILinkAttribute_getEntity",
    protos(V2PY_LINK("getEntity(size_t const)"), V2PY_LINK("getEntity(size_t const) const"), V2PY_LINK("getEntity()"),
           V2PY_LINK("getEntity() const")),
    [](Self<ILinkAttribute> l) { return directed(l->getEntity()); },
    [](Self<const ILinkAttribute> l) { return directed(l->getEntity()); },
    [](Self<ILinkAttribute> l, Size i) { return directed(l->getEntity(i)); },
    [](Self<const ILinkAttribute> l, Size i) { return directed(l->getEntity(i)); });
#undef V2PY_LINKBASE
#undef V2PY_LINK

constexpr auto getNumberOfShortcuts_ =
    single("IShortcutAttribute_getNumberOfShortcuts",
           [](Self<const IShortcutAttribute> s) { return s->getNumberOfShortcuts(); });
constexpr auto getShortcut_ =
    single("IShortcutAttribute_getShortcut",
           [](Self<const IShortcutAttribute> s, Size i) { return directed(s->getShortcut(i)); });
constexpr auto getFirstValidShortcut_ =
    single("IShortcutAttribute_getFirstValidShortcut",
           [](Self<const IShortcutAttribute> s) { return directed(s->getFirstValidShortcut()); });

// ---------------------------------------------------------------------------------------------
// ICompositeAttribute, IEntity.
#define V2PY_COMPOSITE(op) "OrvaneSDK::Model::ICompositeAttribute::" op
#define V2PY_ENTITY(op) "OrvaneSDK::Model::IEntity::" op

constexpr auto getNumberOfAttributes_ =
    optionalArgument<ICompositeAttribute, &ICompositeAttribute::getNumberOfAttributes, Bool, false>(
        "ICompositeAttribute_getNumberOfAttributes",
        protos(V2PY_COMPOSITE("getNumberOfAttributes(bool const) const"),
               V2PY_COMPOSITE("getNumberOfAttributes() const")));
constexpr auto hasAttributes_ = single("ICompositeAttribute_hasAttributes",
                                       [](Self<const ICompositeAttribute> c) { return c->hasAttributes(); });
// Dispatch order (size_t), (std::string const &), (size_t, bool): a bool is an int, so True
// selects position 1; None is no size_t but passes the text check (null-reference error).
constexpr auto getAttribute_ = overloads(
    "ICompositeAttribute_getAttribute",
    protos(V2PY_COMPOSITE("getAttribute(size_t const,bool const)"), V2PY_COMPOSITE("getAttribute(size_t const)"),
           V2PY_COMPOSITE("getAttribute(size_t const,bool const) const"),
           V2PY_COMPOSITE("getAttribute(size_t const) const"), V2PY_COMPOSITE("getAttribute(std::string const &)"),
           V2PY_COMPOSITE("getAttribute(std::string const &) const")),
    [](Self<ICompositeAttribute> c, Size i) { return directed(c->getAttribute(i)); },
    [](Self<const ICompositeAttribute> c, Size i) { return directed(c->getAttribute(i)); },
    [](Self<ICompositeAttribute> c, const String& path) { return directed(c->getAttribute(path)); },
    [](Self<const ICompositeAttribute> c, const String& path) { return directed(c->getAttribute(path)); },
    [](Self<ICompositeAttribute> c, Size i, Bool recursive) { return directed(c->getAttribute(i, recursive)); },
    [](Self<const ICompositeAttribute> c, Size i, Bool recursive) { return directed(c->getAttribute(i, recursive)); });
constexpr auto hasAttribute_ = overloads(
    "ICompositeAttribute_hasAttribute",
    protos(V2PY_COMPOSITE("hasAttribute(std::string const &) const"),
           V2PY_COMPOSITE("hasAttribute(size_t const,bool const) const"),
           V2PY_COMPOSITE("hasAttribute(size_t const) const")),
    [](Self<const ICompositeAttribute> c, Size i) { return c->hasAttribute(i); },
    [](Self<const ICompositeAttribute> c, const String& path) { return c->hasAttribute(path); },
    [](Self<const ICompositeAttribute> c, Size i, Bool recursive) { return c->hasAttribute(i, recursive); });

constexpr auto getName_ = optionalArgument<IEntity, &IEntity::getName, Bool, false>(
    "IEntity_getName", protos(V2PY_ENTITY("getName(bool const) const"), V2PY_ENTITY("getName() const")));
// The identifier comes back by value: a copy that the new proxy owns.
constexpr auto getEntityID_ =
    single("IEntity_getEntityID", [](Self<const IEntity> e) { return owned(new EntityID(e->getEntityID())); });
#undef V2PY_COMPOSITE
#undef V2PY_ENTITY

// ---------------------------------------------------------------------------------------------
// Documentation of the public operations.
#define DOC V2PY_DOC
#define PARAM V2PY_PARAM
#define RETURNS V2PY_RETURNS
#define CHRONO_PARAM PARAM("chronology", "Chronological moment of the run to read")
#define SET_CHRONO_PARAM PARAM("chronology", "Chronological moment of the run from which the value applies")
#define VALUE_GET(kind)                                                                                  \
  V2PY_OVERLOAD(1, DOC("Get the value as " kind, CHRONO_PARAM RETURNS("The value as " kind))) V2PY_NEXT \
  V2PY_OVERLOAD(2, DOC("Get the value as " kind " at the current moment of the run", RETURNS("The value as " kind)))
#define VALUE_SET(kind)                                                                                        \
  V2PY_OVERLOAD(1, DOC("Set the value from " kind, PARAM("value", "The new value") SET_CHRONO_PARAM)) V2PY_NEXT \
  V2PY_OVERLOAD(2, DOC("Set the value from " kind " from the next moment of the run", PARAM("value", "The new value")))
#define RECURSIVE_PARAM PARAM("recursive", "Whether children of composite children count too")
#define ENTITY_AT(summary) DOC(summary, PARAM("entity_i", "Position of the entity, from 0") RETURNS("The entity"))
#define ATTRIBUTE_AT(summary) \
  DOC(summary, PARAM("attribute_i", "Position of the child, from 0") RETURNS("The attribute"))
#define ATTRIBUTE_AT_RECURSIVE(summary) \
  DOC(summary, PARAM("attribute_i", "Position of the child, from 0") RECURSIVE_PARAM RETURNS("The attribute"))
#define ATTRIBUTE_BY_PATH(summary) \
  DOC(summary, PARAM("attributePath", "Path of the attribute inside this composite") RETURNS("The attribute"))
// An operation with an optional flag: the form with the flag first, then the one without.
#define OPTIONAL_FLAG(summary, flag, meaning, plainSummary, result)               \
  V2PY_OVERLOAD(1, DOC(summary, PARAM(flag, meaning) RETURNS(result))) V2PY_NEXT \
  V2PY_OVERLOAD(2, DOC(plainSummary, RETURNS(result)))

}  // namespace

const Row attributeMethods[] = {
    def<getAttributeType_>(OPTIONAL_FLAG("Get the kind of the attribute", "followShortcut",
                                         "Whether a shortcut reports the kind of its target",
                                         "Get the kind of the attribute itself", "The attribute type")),
    def<getType_>(DOC("Get the type name of the attribute", RETURNS("The type name"))),
    def<getParent_>(DOC("Get the parent composite attribute", RETURNS("The parent, or None for a root"))),
    def<getParentEntity_>(DOC("Get the entity that contains the attribute", RETURNS("The containing entity"))),
    def<getAttributePath_>(OPTIONAL_FLAG(
        "Get the path of the attribute", "inEntity",
        "true for the path inside the containing entity, false for the path from the root entity",
        "Get the path of the attribute inside its entity", "The path")),
    def<isRoot_>(DOC("Check if the attribute has no parent", RETURNS("true for a root"))),
    def<isComposite_>(DOC("Check if the attribute holds child attributes",
                          RETURNS("true for composite attributes and entities"))),
    def<isEntity_>(DOC("Check if the attribute is an entity", RETURNS("true for an entity"))),
    def<getStringValue_>(VALUE_GET("text")),
    def<setStringValue_>(VALUE_SET("text")),
    def<getFloatValue_>(VALUE_GET("single-precision number")),
    def<setDoubleValue_>(VALUE_SET("double-precision number")),
    def<getDoubleValue_>(VALUE_GET("double-precision number")),
    def<setFloatValue_>(VALUE_SET("single-precision number")),
    def<getIntValue_>(VALUE_GET("integer")),
    def<setIntValue_>(VALUE_SET("integer")),
    def<getBoolValue_>(VALUE_GET("flag")),
    def<setBoolValue_>(VALUE_SET("flag")),
    def<hasValue_>(DOC("Check if the attribute has a value at a moment of the run",
                       CHRONO_PARAM RETURNS("true when a value exists"))),
    def<hasUnits_>(DOC("Check if the attribute has a unit", RETURNS("true when it has one"))),
    def<getUnit_>(DOC("Get the unit of the attribute", RETURNS("The unit as text"))),
    def<getAccessType_>(DOC("Get the user's access right to the attribute", RETURNS("The access type"))),
    kEndOfRows,
};

const Row linkBaseMethods[] = {
    def<getNumberOfEntities_>(DOC("Get the number of linked entities", RETURNS("The number of entities"))),
    def<hasEntities_>(DOC("Check if any entity is linked", RETURNS("true when there is one"))),
    def<linkBaseGetEntity_>(V2PY_OVERLOAD(1, ENTITY_AT("Get a linked entity")) V2PY_NEXT
                            V2PY_OVERLOAD(2, ENTITY_AT("Get a linked entity"))),
    kEndOfRows,
};

const Row compositeMethods[] = {
    def<getNumberOfAttributes_>(OPTIONAL_FLAG("Get the number of child attributes", "recursive",
                                              "Whether children of composite children count too",
                                              "Get the number of direct child attributes",
                                              "The number of attributes")),
    def<hasAttributes_>(DOC("Check if the composite has child attributes", RETURNS("true when it has one"))),
    def<getAttribute_>(
        V2PY_OVERLOAD(1, ATTRIBUTE_AT_RECURSIVE("Get a child attribute")) V2PY_NEXT
        V2PY_OVERLOAD(2, ATTRIBUTE_AT("Get a direct child attribute")) V2PY_NEXT
        V2PY_OVERLOAD(3, ATTRIBUTE_AT_RECURSIVE("Get a child attribute")) V2PY_NEXT
        V2PY_OVERLOAD(4, ATTRIBUTE_AT("Get a direct child attribute")) V2PY_NEXT
        V2PY_OVERLOAD(5, ATTRIBUTE_BY_PATH("Get an attribute by its path")) V2PY_NEXT
        V2PY_OVERLOAD(6, ATTRIBUTE_BY_PATH("Get an attribute by its path"))),
    def<hasAttribute_>(
        V2PY_OVERLOAD(1, DOC("Check if an attribute exists at a path",
                             PARAM("attributePath", "Path of the attribute inside this composite")
                             RETURNS("true when it exists"))) V2PY_NEXT
        V2PY_OVERLOAD(2, DOC("Check if a child position exists",
                             PARAM("attribute_i", "Position of the child, from 0") RECURSIVE_PARAM
                             RETURNS("true when the position is below the count"))) V2PY_NEXT
        V2PY_OVERLOAD(3, DOC("Check if a direct child position exists",
                             PARAM("attribute_i", "Position of the child, from 0")
                             RETURNS("true when the position is below the count")))),
    kEndOfRows,
};

const Row entityMethods[] = {
    def<getName_>(OPTIONAL_FLAG("Get the name of the entity", "fullName",
                                "Whether to give the full name, from the root entity",
                                "Get the short name of the entity", "The name")),
    def<getEntityID_>(DOC("Get the identifier of the entity", RETURNS("The entity identifier"))),
    kEndOfRows,
};

const Row linkMethods[] = {
    def<hasEntity_>(DOC("Check if the link refers to an entity", RETURNS("true when an entity is linked"))),
    def<linkGetEntity_>(V2PY_OVERLOAD(1, ENTITY_AT("Get a linked entity")) V2PY_NEXT
                        V2PY_OVERLOAD(2, ENTITY_AT("Get a linked entity")) V2PY_NEXT
                        V2PY_OVERLOAD(3, DOC("Get the linked entity", RETURNS("The entity"))) V2PY_NEXT
                        V2PY_OVERLOAD(4, DOC("Get the linked entity", RETURNS("The entity")))),
    kEndOfRows,
};

const Row shortcutMethods[] = {
    def<getNumberOfShortcuts_>(DOC("Get the number of shortcut targets", RETURNS("The number of targets"))),
    def<getShortcut_>(DOC("Get a shortcut target",
                          PARAM("shortcut_i", "Position of the target, from 0") RETURNS("The target attribute"))),
    def<getFirstValidShortcut_>(DOC("Get the first valid shortcut target", RETURNS("The target attribute"))),
    kEndOfRows,
};

}  // namespace v2py
