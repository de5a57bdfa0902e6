// EntityEditor: selection helpers plus the expansion of the selector grid of editor.h
// into every operation family.
#include "sdk/editor.h"

namespace OrvaneSDK {
namespace Model {
namespace {

// Step 2 of every attribute operation: find the attribute, or null when there is no entity.
IAttribute* attributeOf(AttributeHandleForm, IAttribute* const attributeHandle) { return attributeHandle; }
IAttribute* attributeOf(IEntity* const entity, std::size_t const attribute_i) {
    return entity ? entity->getAttribute(attribute_i, true) : nullptr;
}
IAttribute* attributeOf(IEntity* const entity, std::string const& attributePath) {
    return entity ? entity->getAttribute(attributePath) : nullptr;
}

// hasAttribute counts or asks the entity; it never fetches the attribute.
bool attributeExists(IEntity* const entity, std::size_t const attribute_i) {
    return entity && attribute_i < entity->getNumberOfAttributes(true);
}
bool attributeExists(IEntity* const entity, std::string const& attributePath) {
    return entity && entity->hasAttribute(attributePath);
}

// Readers of a resolved entity or attribute; each answers its neutral value for null.
std::string read_getEntityType(IEntity* const entity) { return entity ? entity->getType() : std::string(); }
std::string read_getEntityName(IEntity* const entity) { return entity ? entity->getName(false) : std::string(); }
EntityID read_getEntityID(IEntity* const entity) { return entity ? entity->getEntityID() : EntityID(); }
std::size_t read_getEntityNumberOfAttributes(IEntity* const entity) {
    return entity ? entity->getNumberOfAttributes(true) : 0;
}
std::string read_getAttributePath(IAttribute* const attribute) {
    return attribute ? attribute->getAttributePath(true) : std::string();
}
std::string read_getUnit(IAttribute* const attribute) { return attribute ? attribute->getUnit() : std::string(); }
AccessType read_getAccessType(IAttribute* const attribute) {
    return attribute ? attribute->getAccessType() : AccessType__None;
}

}  // namespace

IEntity* EntityEditor::getSolutionControl() {
    return entityCollection_ ? entityCollection_->getSolutionControl() : nullptr;
}

std::size_t EntityEditor::getNumberOfEntities() const {
    return entityCollection_ ? entityCollection_->getNumberOfEntities() : 0;
}
std::size_t EntityEditor::getNumberOfEntities(std::string const& entityType) const {
    return entityCollection_ ? entityCollection_->getNumberOfEntities(entityType) : 0;
}
std::size_t EntityEditor::getNumberOfEntities(std::string const& entityType, std::string const& entityName) const {
    return entityCollection_ ? entityCollection_->getNumberOfEntities(entityType, entityName) : 0;
}

// The counts above answer 0 without a collection, so these answer false without a call.
bool EntityEditor::hasEntity(std::size_t const entity_i) { return entity_i < getNumberOfEntities(); }
bool EntityEditor::hasEntity(EntityID const& entityID) {
    return entityCollection_ && entityCollection_->getNumberOfEntities(entityID) != 0;
}
bool EntityEditor::hasEntity(std::string const& entityType, std::size_t const entity_i) {
    return entity_i < getNumberOfEntities(entityType);
}
bool EntityEditor::hasEntity(std::string const& entityType, std::string const& entityName, std::size_t const entity_i) {
    return entity_i < getNumberOfEntities(entityType, entityName);
}
bool EntityEditor::hasEntity(std::string const& entityType, std::string const& entityName) {
    return getNumberOfEntities(entityType, entityName) != 0;
}

IEntity* EntityEditor::getEntity(std::size_t const entity_i) {
    return entityCollection_ ? entityCollection_->getEntity(entity_i) : nullptr;
}
IEntity* EntityEditor::getEntity(EntityID const& entityID) {
    return entityCollection_ ? entityCollection_->getEntity(entityID) : nullptr;
}
IEntity* EntityEditor::getEntity(std::string const& entityType, std::size_t const entity_i) {
    return entityCollection_ ? entityCollection_->getEntity(entityType, entity_i) : nullptr;
}
IEntity* EntityEditor::getEntity(std::string const& entityType, std::string const& entityName,
                                 std::size_t const entity_i) {
    return entityCollection_ ? entityCollection_->getEntity(entityType, entityName, entity_i) : nullptr;
}
IEntity* EntityEditor::getEntity(std::string const& entityType, std::string const& entityName) {
    return getEntity(entityType, entityName, 0);
}

// Expansion of the grid. ENTITY resolves the entity through getEntity above; ATTRIBUTE
// is an index, a path, or (with AttributeHandleForm) the attribute itself.
#define ORVANE_EDITOR_DEFINE_READER(R, NAME, PARAMS, ENTITY)   \
    R EntityEditor::NAME PARAMS { return read_##NAME(ENTITY); }
#define ORVANE_EDITOR_DEFINE_ATTRIBUTE_READER(R, NAME, PARAMS, ENTITY, ATTRIBUTE) \
    R EntityEditor::NAME PARAMS { return read_##NAME(attributeOf(ENTITY, ATTRIBUTE)); }
#define ORVANE_EDITOR_DEFINE_HAS(R, NAME, PARAMS, ENTITY, ATTRIBUTE) \
    R EntityEditor::NAME PARAMS { return attributeExists(ENTITY, ATTRIBUTE); }
#define ORVANE_EDITOR_DEFINE_GET(R, NAME, PARAMS, ENTITY, ATTRIBUTE) \
    R EntityEditor::NAME PARAMS { return attributeOf(ENTITY, ATTRIBUTE); }

#define ORVANE_EDITOR_DEFINE_ENTITY_READER(R, NAME) ORVANE_EDITOR_ENTITY_FORMS(ORVANE_EDITOR_DEFINE_READER, R, NAME)
ORVANE_EDITOR_ENTITY_READERS(ORVANE_EDITOR_DEFINE_ENTITY_READER)

ORVANE_EDITOR_ROWS(ORVANE_EDITOR_DEFINE_HAS, bool, hasAttribute)
ORVANE_EDITOR_ROWS(ORVANE_EDITOR_DEFINE_GET, IAttribute*, getAttribute)
std::string EntityEditor::getAttributePath(IAttribute* const attributeHandle) {
    return read_getAttributePath(attributeHandle);
}
ORVANE_EDITOR_INDEX_ROWS(ORVANE_EDITOR_DEFINE_ATTRIBUTE_READER, std::string, getAttributePath)
ORVANE_EDITOR_ATTRIBUTE_SELECTORS(ORVANE_EDITOR_DEFINE_ATTRIBUTE_READER, std::string, getUnit)
ORVANE_EDITOR_ATTRIBUTE_SELECTORS(ORVANE_EDITOR_DEFINE_ATTRIBUTE_READER, AccessType, getAccessType)

// Value getters: a missing attribute answers the type's zero; the short form reads the
// current moment. Setters: a missing attribute is silently skipped; the short form writes
// the next moment.
#define ORVANE_EDITOR_GET_VALUE(R, NAME, ENTITY, ATTRIBUTE, CHRONOLOGY)   \
    {                                                                    \
        IAttribute* const attribute = attributeOf(ENTITY, ATTRIBUTE);     \
        return attribute ? attribute->NAME(CHRONOLOGY) : R();            \
    }
#define ORVANE_EDITOR_SET_VALUE(NAME, ENTITY, ATTRIBUTE, CHRONOLOGY)                  \
    {                                                                                \
        if (IAttribute* const attribute = attributeOf(ENTITY, ATTRIBUTE))            \
            attribute->NAME(value, CHRONOLOGY);                                      \
    }
#define ORVANE_EDITOR_DEFINE_GETTER(R, NAME, PARAMS, ENTITY, ATTRIBUTE)                                  \
    R EntityEditor::NAME(ORVANE_EDITOR_UNPAREN PARAMS, Chronology const chronology)                      \
        ORVANE_EDITOR_GET_VALUE(R, NAME, ENTITY, ATTRIBUTE, chronology)                                  \
    R EntityEditor::NAME PARAMS ORVANE_EDITOR_GET_VALUE(R, NAME, ENTITY, ATTRIBUTE, defaultGetChronology)
#define ORVANE_EDITOR_DEFINE_SETTER(T, NAME, PARAMS, ENTITY, ATTRIBUTE)                                  \
    void EntityEditor::NAME(ORVANE_EDITOR_UNPAREN PARAMS, T const value, Chronology const chronology)    \
        ORVANE_EDITOR_SET_VALUE(NAME, ENTITY, ATTRIBUTE, chronology)                                     \
    void EntityEditor::NAME(ORVANE_EDITOR_UNPAREN PARAMS, T const value)                                 \
        ORVANE_EDITOR_SET_VALUE(NAME, ENTITY, ATTRIBUTE, defaultSetChronology)
#define ORVANE_EDITOR_DEFINE_VALUE_FAMILY(T, GETTER, SETTER)                   \
    ORVANE_EDITOR_ATTRIBUTE_SELECTORS(ORVANE_EDITOR_DEFINE_GETTER, T, GETTER)  \
    ORVANE_EDITOR_ATTRIBUTE_SELECTORS(ORVANE_EDITOR_DEFINE_SETTER, T, SETTER)

ORVANE_EDITOR_VALUE_FAMILIES(ORVANE_EDITOR_DEFINE_VALUE_FAMILY)

}  // namespace Model
}  // namespace OrvaneSDK
