// The simulation model as the exchange library exposes it: entity identifiers, the
// attribute tree (values, composites, entities, links, shortcuts) and the entity
// collection. Every interface keeps its raw slots protected and pure virtual in the
// library's slot order; the public operations are inline and follow handle.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "sdk/handle.h"

// Plain record form of an entity identifier, as it crosses the library boundary.
extern "C" {
struct OrvaneSDK_Model_EntityID {
    std::int32_t id1;
    std::int32_t id2;
};
}
static_assert(sizeof(OrvaneSDK_Model_EntityID) == 8, "identifier record is two 32-bit integers");
static_assert(std::is_standard_layout<OrvaneSDK_Model_EntityID>::value &&
                  std::is_trivially_copyable<OrvaneSDK_Model_EntityID>::value,
              "identifier record must stay a plain C record");

namespace OrvaneSDK {
namespace Model {

typedef OrvaneSDK_Model_EntityID CEntityID;

class IAttribute;
class ICompositeAttribute;
class IEntity;
class IEntityCollection;

// Identifier of one entity: a pair of signed 32-bit values with a text form "a-b".
class EntityID {
public:
    typedef std::array<std::int32_t, 2> data_type;

    EntityID() noexcept : id_{{0, 0}} {}
    EntityID(const std::pair<std::int32_t, std::int32_t>& id) noexcept : id_{{id.first, id.second}} {}
    EntityID(const std::int32_t id1, const std::int32_t id2) noexcept : id_{{id1, id2}} {}
    EntityID(const data_type& id) noexcept : id_(id) {}
    EntityID(const CEntityID& id) noexcept : id_{{id.id1, id.id2}} {}

    const data_type& data() const noexcept { return id_; }
    data_type& data() noexcept { return id_; }

    CEntityID toCEntityID() const noexcept { return CEntityID{id_[0], id_[1]}; }
    static EntityID fromCEntityID(const CEntityID& id) noexcept { return EntityID(id); }

    std::string toString() const;
    // Parses "a-b" (or a lone number used for both values); throws std::invalid_argument
    // "invalid stoi argument" or std::out_of_range "stoi argument out of range".
    static EntityID fromString(const std::string& text);

private:
    data_type id_;
};
static_assert(sizeof(EntityID) == 8, "EntityID is exactly its two values");

inline bool operator==(const EntityID& a, const EntityID& b) { return a.data() == b.data(); }
inline bool operator!=(const EntityID& a, const EntityID& b) { return !(a == b); }
// Lexicographic over the signed values: the first decides, then the second.
inline bool operator<(const EntityID& a, const EntityID& b) { return a.data() < b.data(); }
inline bool operator<=(const EntityID& a, const EntityID& b) { return !(b < a); }
inline bool operator>(const EntityID& a, const EntityID& b) { return b < a; }
inline bool operator>=(const EntityID& a, const EntityID& b) { return !(a < b); }

// Common interface of every node of the model. Raw slots 3 to 21.
class IAttribute : public IHandle {
public:
    AttributeType getAttributeType(bool const followShortcut = false) const {
        return detail::fetch<AttributeType>(*this, [&](auto& out) { return do_getAttributeType_const(followShortcut, out); });
    }
    std::string getType() const {
        return detail::fetchText(*this, [&](auto& out) { return do_getType_const(out); });
    }
    ICompositeAttribute* getParent() const {
        return detail::fetch<ICompositeAttribute*>(*this, [&](auto& out) { return do_getParent_const(out); });
    }
    IEntity* getParentEntity() const {
        return detail::fetch<IEntity*>(*this, [&](auto& out) { return do_getParentEntity_const(out); });
    }
    std::string getAttributePath(bool const inEntity = true) const {
        return detail::fetchText(*this, [&](auto& out) { return do_getAttributePath_const(inEntity, out); });
    }

    bool isRoot() const { return getParent() == nullptr; }
    // A composite answers after one call; anything else is asked a second time for Entity.
    bool isComposite() const {
        if (getAttributeType(false) == AttributeType_Composite) return true;
        return getAttributeType(false) == AttributeType_Entity;
    }
    bool isEntity() const { return getAttributeType(false) == AttributeType_Entity; }

    std::string getStringValue(Chronology const chronology = defaultGetChronology) const {
        return detail::fetchText(*this, [&](auto& out) { return do_getStringValue_const(out, chronology); });
    }
    void setStringValue(std::string const& value, Chronology const chronology = defaultSetChronology) {
        checkStatus(*this, do_setStringValue(Tools::ConstStringRef(value), chronology));
    }
    float getFloatValue(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<float>(*this, [&](auto& out) { return do_getFloatValue_const(out, chronology); });
    }
    void setFloatValue(float const value, Chronology const chronology = defaultSetChronology) {
        checkStatus(*this, do_setFloatValue(value, chronology));
    }
    double getDoubleValue(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<double>(*this, [&](auto& out) { return do_getDoubleValue_const(out, chronology); });
    }
    void setDoubleValue(double const value, Chronology const chronology = defaultSetChronology) {
        checkStatus(*this, do_setDoubleValue(value, chronology));
    }
    int getIntValue(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<int>(*this, [&](auto& out) { return do_getIntValue_const(out, chronology); });
    }
    void setIntValue(int const value, Chronology const chronology = defaultSetChronology) {
        checkStatus(*this, do_setIntValue(value, chronology));
    }
    bool getBoolValue(Chronology const chronology = defaultGetChronology) const {
        return detail::fetch<bool>(*this, [&](auto& out) { return do_getBoolValue_const(out, chronology); });
    }
    void setBoolValue(bool const value, Chronology const chronology = defaultSetChronology) {
        checkStatus(*this, do_setBoolValue(value, chronology));
    }
    // No default chronology: the caller must say which moment it asks about.
    bool hasValue(Chronology const chronology) const {
        return detail::fetch<bool>(*this, [&](auto& out) { return do_hasValue_const(chronology, out); });
    }
    // A failing status is not reported: the answer is then whatever the flag holds.
    bool hasUnits() const {
        bool units = false;
        do_hasUnits_const(units);
        return units;
    }
    std::string getUnit() const {
        return detail::fetchText(*this, [&](auto& out) { return do_getUnit_const(out); });
    }
    AccessType getAccessType() const {
        return detail::fetch<AccessType>(*this, [&](auto& out) { return do_getAccessType_const(out); });
    }

protected:
    ~IAttribute() = default;

    virtual int do_getAttributeType_const(bool followShortcut, AttributeType& attributeType) const = 0;  // 3
    virtual int do_getType_const(Tools::IString& type) const = 0;                                      // 4
    virtual int do_getParent_const(ICompositeAttribute*& parent) const = 0;                            // 5
    virtual int do_getParentEntity_const(IEntity*& parentEntity) const = 0;                            // 6
    virtual int do_getAttributePath_const(bool inEntity, Tools::IString& attributePath) const = 0;     // 7
    virtual int do_getStringValue_const(Tools::IString& value, Chronology chronology) const = 0;        // 8
    virtual int do_setStringValue(Tools::IConstString const& value, Chronology chronology) = 0;        // 9
    virtual int do_getFloatValue_const(float& value, Chronology chronology) const = 0;                 // 10
    virtual int do_setFloatValue(float value, Chronology chronology) = 0;                              // 11
    virtual int do_getDoubleValue_const(double& value, Chronology chronology) const = 0;               // 12
    virtual int do_setDoubleValue(double value, Chronology chronology) = 0;                            // 13
    virtual int do_getIntValue_const(int& value, Chronology chronology) const = 0;                     // 14
    virtual int do_setIntValue(int value, Chronology chronology) = 0;                                  // 15
    virtual int do_getBoolValue_const(bool& value, Chronology chronology) const = 0;                   // 16
    virtual int do_setBoolValue(bool value, Chronology chronology) = 0;                                // 17
    virtual int do_hasValue_const(Chronology chronology, bool& hasValue) const = 0;                    // 18
    virtual int do_hasUnits_const(bool& hasUnits) const = 0;                                           // 19
    virtual int do_getUnit_const(Tools::IString& unit) const = 0;                                      // 20
    virtual int do_getAccessType_const(AccessType& accessType) const = 0;                              // 21
};

// Value attributes are named for the type registry only; values go through IAttribute.
template <typename T>
class IValueAttribute : public IAttribute {
protected:
    ~IValueAttribute() = default;
};
typedef IValueAttribute<int> IIntAttribute;
typedef IValueAttribute<bool> IBoolAttribute;
typedef IValueAttribute<float> IFloatAttribute;
typedef IValueAttribute<std::string> IStringAttribute;

// An attribute with ordered children. Raw slots 22 to 27.
class ICompositeAttribute : public IAttribute {
public:
    std::size_t getNumberOfAttributes(bool const recursive = false) const {
        return detail::fetch<std::size_t>(*this, [&](auto& out) { return do_GetNumberOfAttributes_const(recursive, out); });
    }
    bool hasAttributes() const { return getNumberOfAttributes(false) != 0; }
    IAttribute* getAttribute(std::size_t const attribute_i, bool const recursive = false) {
        return detail::fetch<IAttribute*>(*this, [&](auto& out) { return do_GetAttribute(attribute_i, recursive, out); });
    }
    IAttribute const* getAttribute(std::size_t const attribute_i, bool const recursive = false) const {
        return detail::fetch<IAttribute const*>(*this, [&](auto& out) { return do_GetAttribute_const(attribute_i, recursive, out); });
    }
    IAttribute* getAttribute(std::string const& attributePath) {
        Tools::ConstStringRef path(attributePath);
        return detail::fetch<IAttribute*>(*this, [&](auto& out) { return do_GetAttributeByPath(path, out); });
    }
    IAttribute const* getAttribute(std::string const& attributePath) const {
        Tools::ConstStringRef path(attributePath);
        return detail::fetch<IAttribute const*>(*this, [&](auto& out) { return do_GetAttributeByPath_const(path, out); });
    }
    bool hasAttribute(std::string const& attributePath) const {
        Tools::ConstStringRef path(attributePath);
        return detail::fetch<bool>(*this, [&](auto& out) { return do_HasAttributeByPath_const(path, out); });
    }
    // Counts instead of fetching; an index equal to the count is absent.
    bool hasAttribute(std::size_t const attribute_i, bool const recursive = false) const {
        return attribute_i < getNumberOfAttributes(recursive);
    }

protected:
    ~ICompositeAttribute() = default;

    virtual int do_GetNumberOfAttributes_const(bool recursive, std::size_t& count) const = 0;                    // 22
    virtual int do_GetAttribute(std::size_t attribute_i, bool recursive, IAttribute*& attribute) = 0;            // 23
    virtual int do_GetAttribute_const(std::size_t attribute_i, bool recursive, IAttribute const*& attribute) const = 0;  // 24
    virtual int do_GetAttributeByPath(Tools::IConstString const& attributePath, IAttribute*& attribute) = 0;      // 25
    virtual int do_GetAttributeByPath_const(Tools::IConstString const& attributePath,
                                            IAttribute const*& attribute) const = 0;                              // 26
    virtual int do_HasAttributeByPath_const(Tools::IConstString const& attributePath, bool& hasAttribute) const = 0;  // 27
};

// A named composite with an identifier. Raw slots 28 and 29.
class IEntity : public ICompositeAttribute {
public:
    std::string getName(bool const fullName = false) const {
        return detail::fetchText(*this, [&](auto& out) { return do_getName_const(fullName, out); });
    }
    EntityID getEntityID() const {
        return EntityID(detail::fetch<CEntityID>(*this, [&](auto& out) { return do_getEntityID_const(out); }));
    }

protected:
    ~IEntity() = default;

    virtual int do_getName_const(bool fullName, Tools::IString& name) const = 0;  // 28
    virtual int do_getEntityID_const(CEntityID& entityID) const = 0;            // 29
};

// Common base of links, lists and arrays: attributes that refer to entities. Slots 22 to 24.
class IEntityLinkAttributeBase : public IAttribute {
public:
    std::size_t getNumberOfEntities() const {
        return detail::fetch<std::size_t>(*this, [&](auto& out) { return do_getNumberOfEntities_const(out); });
    }
    bool hasEntities() const { return getNumberOfEntities() != 0; }
    IEntity* getEntity(std::size_t const entity_i) {
        return detail::fetch<IEntity*>(*this, [&](auto& out) { return do_getEntity(entity_i, out); });
    }
    IEntity const* getEntity(std::size_t const entity_i) const {
        return detail::fetch<IEntity const*>(*this, [&](auto& out) { return do_getEntity_const(entity_i, out); });
    }

protected:
    ~IEntityLinkAttributeBase() = default;

    virtual int do_getNumberOfEntities_const(std::size_t& count) const = 0;              // 22
    virtual int do_getEntity(std::size_t entity_i, IEntity*& entity) = 0;                // 23
    virtual int do_getEntity_const(std::size_t entity_i, IEntity const*& entity) const = 0;  // 24
};

// A link refers to a single entity: the unindexed getEntity asks for position 0.
class ILinkAttribute : public IEntityLinkAttributeBase {
public:
    bool hasEntity() const { return getNumberOfEntities() != 0; }
    IEntity* getEntity(std::size_t const entity_i) { return IEntityLinkAttributeBase::getEntity(entity_i); }
    IEntity const* getEntity(std::size_t const entity_i) const { return IEntityLinkAttributeBase::getEntity(entity_i); }
    IEntity* getEntity() { return IEntityLinkAttributeBase::getEntity(0); }
    IEntity const* getEntity() const { return IEntityLinkAttributeBase::getEntity(0); }

protected:
    ~ILinkAttribute() = default;
};

class IListAttribute : public IEntityLinkAttributeBase {
protected:
    ~IListAttribute() = default;
};

class IArrayAttribute : public IEntityLinkAttributeBase {
protected:
    ~IArrayAttribute() = default;
};

// An attribute that refers to other attributes. Raw slots 22 to 24.
class IShortcutAttribute : public IAttribute {
public:
    std::size_t getNumberOfShortcuts() const {
        return detail::fetch<std::size_t>(*this, [&](auto& out) { return do_getNumberOfShortcuts_const(out); });
    }
    IAttribute* getShortcut(std::size_t const shortcut_i) const {
        return detail::fetch<IAttribute*>(*this, [&](auto& out) { return do_getShortcut_const(shortcut_i, out); });
    }
    IAttribute* getFirstValidShortcut() const {
        return detail::fetch<IAttribute*>(*this, [&](auto& out) { return do_getFirstValidShortcut_const(out); });
    }

protected:
    ~IShortcutAttribute() = default;

    virtual int do_getNumberOfShortcuts_const(std::size_t& count) const = 0;                       // 22
    virtual int do_getShortcut_const(std::size_t shortcut_i, IAttribute*& shortcut) const = 0;     // 23
    virtual int do_getFirstValidShortcut_const(IAttribute*& shortcut) const = 0;                   // 24
};

// The model as a whole: entities found by position, identifier, type and name. Slots 3 to 19.
class IEntityCollection : public IHandle {
public:
    std::size_t getNumberOfEntities() const {
        return detail::fetch<std::size_t>(*this, [&](auto& out) { return do_getNumberOfEntities(out); });
    }
    std::size_t getNumberOfEntities(EntityID const& entityID) const {
        const CEntityID id = entityID.toCEntityID();
        return detail::fetch<std::size_t>(*this, [&](auto& out) { return do_getNumberOfEntitiesByID(id, out); });
    }
    std::size_t getNumberOfEntities(std::string const& entityType) const {
        Tools::ConstStringRef type(entityType);
        return detail::fetch<std::size_t>(*this, [&](auto& out) { return do_getNumberOfEntitiesByType(type, out); });
    }
    std::size_t getNumberOfEntities(std::string const& entityType, std::string const& entityName) const {
        Tools::ConstStringRef type(entityType), name(entityName);
        return detail::fetch<std::size_t>(*this, [&](auto& out) { return do_getNumberOfEntitiesByTypeAndName(type, name, out); });
    }

    IEntity* getSolutionControl() {
        return detail::fetch<IEntity*>(*this, [&](auto& out) { return do_getSolutionControl(out); });
    }
    IEntity const* getSolutionControl() const {
        return detail::fetch<IEntity const*>(*this, [&](auto& out) { return do_getSolutionControl_const(out); });
    }

    IEntity* getEntity(std::size_t const entity_i) {
        return detail::fetch<IEntity*>(*this, [&](auto& out) { return do_getEntityByIndex(entity_i, out); });
    }
    IEntity const* getEntity(std::size_t const entity_i) const {
        return detail::fetch<IEntity const*>(*this, [&](auto& out) { return do_getEntityByIndex_const(entity_i, out); });
    }
    IEntity* getEntity(EntityID const& entityID) {
        const CEntityID id = entityID.toCEntityID();
        return detail::fetch<IEntity*>(*this, [&](auto& out) { return do_getEntityByID(id, out); });
    }
    IEntity const* getEntity(EntityID const& entityID) const {
        const CEntityID id = entityID.toCEntityID();
        return detail::fetch<IEntity const*>(*this, [&](auto& out) { return do_getEntityByID_const(id, out); });
    }
    IEntity* getEntity(std::string const& entityType, std::size_t const entity_i) {
        Tools::ConstStringRef type(entityType);
        return detail::fetch<IEntity*>(*this, [&](auto& out) { return do_getEntityByType(type, entity_i, out); });
    }
    IEntity const* getEntity(std::string const& entityType, std::size_t const entity_i) const {
        Tools::ConstStringRef type(entityType);
        return detail::fetch<IEntity const*>(*this, [&](auto& out) { return do_getEntityByType_const(type, entity_i, out); });
    }
    IEntity* getEntity(std::string const& entityType) { return getEntity(entityType, std::size_t{0}); }
    IEntity* getEntity(std::string const& entityType, std::string const& entityName, std::size_t const entity_i) {
        Tools::ConstStringRef type(entityType), name(entityName);
        return detail::fetch<IEntity*>(*this, [&](auto& out) { return do_getEntityByTypeAndName(type, name, entity_i, out); });
    }
    IEntity const* getEntity(std::string const& entityType, std::string const& entityName,
                             std::size_t const entity_i) const {
        Tools::ConstStringRef type(entityType), name(entityName);
        return detail::fetch<IEntity const*>(*this, [&](auto& out) { return do_getEntityByTypeAndName_const(type, name, entity_i, out); });
    }
    IEntity* getEntity(std::string const& entityType, std::string const& entityName) {
        return getEntity(entityType, entityName, 0);
    }
    IEntity const* getEntity(std::string const& entityType, std::string const& entityName) const {
        return getEntity(entityType, entityName, 0);
    }

    // The hasEntity forms count and never fetch; positional ones compare unsigned.
    bool hasEntity(std::size_t const entity_i) const { return entity_i < getNumberOfEntities(); }
    bool hasEntity(EntityID const& entityID) const { return getNumberOfEntities(entityID) != 0; }
    bool hasEntity(std::string const& entityType, std::size_t const entity_i) const {
        return entity_i < getNumberOfEntities(entityType);
    }
    bool hasEntity(std::string const& entityType, std::string const& entityName, std::size_t const entity_i) const {
        return entity_i < getNumberOfEntities(entityType, entityName);
    }
    bool hasEntity(std::string const& entityType, std::string const& entityName) const {
        return getNumberOfEntities(entityType, entityName) != 0;
    }

    std::size_t getNumberOfRootEntities() const {
        return detail::fetch<std::size_t>(*this, [&](auto& out) { return do_getNumberOfRootEntities(out); });
    }
    IEntity* getRootEntity(std::size_t const rootEntity_i) {
        return detail::fetch<IEntity*>(*this, [&](auto& out) { return do_getRootEntity(rootEntity_i, out); });
    }
    IEntity const* getRootEntity(std::size_t const rootEntity_i) const {
        return detail::fetch<IEntity const*>(*this, [&](auto& out) { return do_getRootEntity_const(rootEntity_i, out); });
    }
    IEntity* getRootEntity() { return getRootEntity(0); }
    IEntity const* getRootEntity() const { return getRootEntity(0); }

protected:
    ~IEntityCollection() = default;

    using Text = Tools::IConstString;
    virtual int do_getNumberOfRootEntities(std::size_t& count) const = 0;                                    // 3
    virtual int do_getRootEntity(std::size_t rootEntity_i, IEntity*& entity) = 0;                            // 4
    virtual int do_getRootEntity_const(std::size_t rootEntity_i, IEntity const*& entity) const = 0;          // 5
    virtual int do_getNumberOfEntities(std::size_t& count) const = 0;                                        // 6
    virtual int do_getNumberOfEntitiesByTypeAndName(Text const& entityType, Text const& entityName,
                                                    std::size_t& count) const = 0;                           // 7
    virtual int do_getSolutionControl(IEntity*& entity) = 0;                                                 // 8
    virtual int do_getSolutionControl_const(IEntity const*& entity) const = 0;                               // 9
    virtual int do_getEntityByIndex(std::size_t entity_i, IEntity*& entity) = 0;                             // 10
    virtual int do_getEntityByIndex_const(std::size_t entity_i, IEntity const*& entity) const = 0;           // 11
    virtual int do_getEntityByTypeAndName(Text const& entityType, Text const& entityName, std::size_t entity_i,
                                          IEntity*& entity) = 0;                                             // 12
    virtual int do_getEntityByTypeAndName_const(Text const& entityType, Text const& entityName,
                                                std::size_t entity_i, IEntity const*& entity) const = 0;     // 13
    virtual int do_getNumberOfEntitiesByType(Text const& entityType, std::size_t& count) const = 0;          // 14
    virtual int do_getNumberOfEntitiesByID(CEntityID const& entityID, std::size_t& count) const = 0;         // 15
    virtual int do_getEntityByType(Text const& entityType, std::size_t entity_i, IEntity*& entity) = 0;      // 16
    virtual int do_getEntityByType_const(Text const& entityType, std::size_t entity_i,
                                         IEntity const*& entity) const = 0;                                  // 17
    virtual int do_getEntityByID(CEntityID const& entityID, IEntity*& entity) = 0;                           // 18
    virtual int do_getEntityByID_const(CEntityID const& entityID, IEntity const*& entity) const = 0;         // 19
};

// The interfaces carry nothing but their virtual-table pointer, and no virtual destructor
// shifts their slots.
#define ORVANE_CHECK_INTERFACE(I)                                                                   \
    static_assert(sizeof(I) == sizeof(void*) && std::is_polymorphic<I>::value &&                    \
                      !std::has_virtual_destructor<I>::value && std::is_abstract<I>::value,         \
                  #I " must be a bare interface")
ORVANE_CHECK_INTERFACE(IHandle);
ORVANE_CHECK_INTERFACE(IAttribute);
ORVANE_CHECK_INTERFACE(ICompositeAttribute);
ORVANE_CHECK_INTERFACE(IEntity);
ORVANE_CHECK_INTERFACE(IEntityLinkAttributeBase);
ORVANE_CHECK_INTERFACE(ILinkAttribute);
ORVANE_CHECK_INTERFACE(IListAttribute);
ORVANE_CHECK_INTERFACE(IArrayAttribute);
ORVANE_CHECK_INTERFACE(IShortcutAttribute);
ORVANE_CHECK_INTERFACE(IEntityCollection);
ORVANE_CHECK_INTERFACE(Tools::IConstString);
ORVANE_CHECK_INTERFACE(Tools::IString);

}  // namespace Model
}  // namespace OrvaneSDK
