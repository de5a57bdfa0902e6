// EntityEditor: one object through which every entity of a collection, and every
// attribute value of those entities, is reached by a selector. A selector that finds
// nothing is not an error: readers answer a neutral value, writers do nothing, and no
// further library call is made. Failures reported by the library pass through unchanged.
//
// The overloads form a grid: an entity selector crossed with an attribute selector, and
// for value operations with an optional trailing chronology. The grid is written once,
// as the lists below; the class declares, and editor.cpp defines, each operation family
// by expanding them.
#pragma once

#include <cstddef>
#include <string>

#include "sdk/model.h"
#include "sdk/solver.h"

// Removes one pair of parentheses, so a parameter list can be extended.
#define ORVANE_EDITOR_UNPAREN(...) __VA_ARGS__

// Entity selectors of the entity readers, in declaration order:
// X(A, B, (parameters), entity expression).
#define ORVANE_EDITOR_ENTITY_FORMS(X, A, B)                                                              \
    X(A, B, (IEntity* const entityHandle), entityHandle)                                                 \
    X(A, B, (std::size_t const entity_i), getEntity(entity_i))                                           \
    X(A, B, (EntityID const& entityID), getEntity(entityID))                                             \
    X(A, B, (std::string const& entityType, std::size_t const entity_i), getEntity(entityType, entity_i)) \
    X(A, B, (char const* entityType, std::size_t const entity_i), getEntity(entityType, entity_i))       \
    X(A, B, (std::string const& entityType, std::string const& entityName, std::size_t const entity_i),  \
      getEntity(entityType, entityName, entity_i))                                                       \
    X(A, B, (std::string const& entityType, std::string const& entityName), getEntity(entityType, entityName)) \
    X(A, B, (char const* entityType, char const* entityName, std::size_t const entity_i),                \
      getEntity(entityType, entityName, entity_i))                                                       \
    X(A, B, (char const* entityType, char const* entityName), getEntity(entityType, entityName))

// Rows 1 to 9: an entity selector, then the attribute's recursive index.
// X(A, B, (parameters), entity expression, attribute part).
#define ORVANE_EDITOR_INDEX_ROWS(X, A, B)                                                                \
    X(A, B, (IEntity* const entityHandle, std::size_t const attribute_i), entityHandle, attribute_i)     \
    X(A, B, (std::size_t const entity_i, std::size_t const attribute_i), getEntity(entity_i), attribute_i) \
    X(A, B, (EntityID const& entityID, std::size_t const attribute_i), getEntity(entityID), attribute_i) \
    X(A, B, (std::string const& entityType, std::size_t const entity_i, std::size_t const attribute_i),  \
      getEntity(entityType, entity_i), attribute_i)                                                      \
    X(A, B, (char const* entityType, std::size_t const entity_i, std::size_t const attribute_i),         \
      getEntity(entityType, entity_i), attribute_i)                                                      \
    X(A, B, (std::string const& entityType, std::string const& entityName, std::size_t const attribute_i), \
      getEntity(entityType, entityName), attribute_i)                                                    \
    X(A, B, (char const* entityType, char const* entityName, std::size_t const attribute_i),             \
      getEntity(entityType, entityName), attribute_i)                                                    \
    X(A, B, (std::string const& entityType, std::string const& entityName, std::size_t const entity_i,   \
             std::size_t const attribute_i),                                                             \
      getEntity(entityType, entityName, entity_i), attribute_i)                                          \
    X(A, B, (char const* entityType, char const* entityName, std::size_t const entity_i,                 \
             std::size_t const attribute_i),                                                             \
      getEntity(entityType, entityName, entity_i), attribute_i)

// Rows 10 to 21: an entity selector, then the attribute's path inside the entity.
#define ORVANE_EDITOR_PATH_ROWS(X, A, B)                                                                 \
    X(A, B, (IEntity* const entityHandle, std::string const& attributePath), entityHandle, attributePath) \
    X(A, B, (std::size_t const entity_i, std::string const& attributePath), getEntity(entity_i), attributePath) \
    X(A, B, (EntityID const& entityID, std::string const& attributePath), getEntity(entityID), attributePath) \
    X(A, B, (std::string const& entityType, std::size_t const entity_i, std::string const& attributePath), \
      getEntity(entityType, entity_i), attributePath)                                                    \
    X(A, B, (std::string const& entityType, std::string const& entityName, std::string const& attributePath), \
      getEntity(entityType, entityName), attributePath)                                                  \
    X(A, B, (std::string const& entityType, std::string const& entityName, std::size_t const entity_i,   \
             std::string const& attributePath),                                                          \
      getEntity(entityType, entityName, entity_i), attributePath)                                        \
    X(A, B, (IEntity* const entityHandle, char const* attributePath), entityHandle, attributePath)       \
    X(A, B, (std::size_t const entity_i, char const* attributePath), getEntity(entity_i), attributePath) \
    X(A, B, (EntityID const& entityID, char const* attributePath), getEntity(entityID), attributePath)   \
    X(A, B, (char const* entityType, std::size_t const entity_i, char const* attributePath),             \
      getEntity(entityType, entity_i), attributePath)                                                    \
    X(A, B, (char const* entityType, char const* entityName, char const* attributePath),                 \
      getEntity(entityType, entityName), attributePath)                                                  \
    X(A, B, (char const* entityType, char const* entityName, std::size_t const entity_i,                 \
             char const* attributePath),                                                                 \
      getEntity(entityType, entityName, entity_i), attributePath)

// Rows 1 to 21.
#define ORVANE_EDITOR_ROWS(X, A, B) ORVANE_EDITOR_INDEX_ROWS(X, A, B) ORVANE_EDITOR_PATH_ROWS(X, A, B)

// The attribute handle form followed by rows 1 to 21 (22 attribute selectors).
#define ORVANE_EDITOR_ATTRIBUTE_SELECTORS(X, A, B)                                                       \
    X(A, B, (IAttribute* const attributeHandle), AttributeHandleForm(), attributeHandle)                 \
    ORVANE_EDITOR_ROWS(X, A, B)

// Entity readers: X(result type, name), each over the nine entity forms.
#define ORVANE_EDITOR_ENTITY_READERS(X)                 \
    X(std::string, getEntityType)                       \
    X(std::string, getEntityName)                       \
    X(EntityID, getEntityID)                            \
    X(std::size_t, getEntityNumberOfAttributes)

// Value families: X(result type, getter, setter). Setters take the value as `type const`.
#define ORVANE_EDITOR_VALUE_FAMILIES(X)               \
    X(int, getIntValue, setIntValue)                  \
    X(bool, getBoolValue, setBoolValue)               \
    X(float, getFloatValue, setFloatValue)            \
    X(double, getDoubleValue, setDoubleValue)         \
    X(std::string, getStringValue, setStringValue)

namespace OrvaneSDK {
namespace Model {

// Marks the selector whose attribute is given directly rather than found in an entity.
struct AttributeHandleForm {};

class EntityEditor {
public:
    EntityEditor(IEntityCollection* const entityCollection) : entityCollection_(entityCollection) {}
    EntityEditor(ISolverData* const solverData)
        : entityCollection_(solverData ? solverData->getEntityCollection() : nullptr) {}
    EntityEditor(ISolverData& solverData) : entityCollection_(solverData.getEntityCollection()) {}

    IEntityCollection* getEntityCollection() const { return entityCollection_; }
    IEntity* getSolutionControl();

    std::size_t getNumberOfEntities() const;
    std::size_t getNumberOfEntities(std::string const& entityType) const;
    std::size_t getNumberOfEntities(std::string const& entityType, std::string const& entityName) const;

    bool hasEntity(std::size_t const entity_i);
    bool hasEntity(EntityID const& entityID);
    bool hasEntity(std::string const& entityType, std::size_t const entity_i);
    bool hasEntity(std::string const& entityType, std::string const& entityName, std::size_t const entity_i);
    bool hasEntity(std::string const& entityType, std::string const& entityName);

    // Entity resolution: every other selector of the editor goes through these.
    IEntity* getEntity(std::size_t const entity_i);
    IEntity* getEntity(EntityID const& entityID);
    IEntity* getEntity(std::string const& entityType, std::size_t const entity_i);
    IEntity* getEntity(std::string const& entityType, std::string const& entityName, std::size_t const entity_i);
    IEntity* getEntity(std::string const& entityType, std::string const& entityName);

#define ORVANE_EDITOR_DECLARE(R, NAME, PARAMS, ...) R NAME PARAMS;
#define ORVANE_EDITOR_DECLARE_GETTER(R, NAME, PARAMS, ...)                       \
    R NAME(ORVANE_EDITOR_UNPAREN PARAMS, Chronology const chronology);           \
    R NAME PARAMS;
#define ORVANE_EDITOR_DECLARE_SETTER(T, NAME, PARAMS, ...)                                    \
    void NAME(ORVANE_EDITOR_UNPAREN PARAMS, T const value, Chronology const chronology);      \
    void NAME(ORVANE_EDITOR_UNPAREN PARAMS, T const value);
#define ORVANE_EDITOR_DECLARE_VALUE_FAMILY(T, GETTER, SETTER)                     \
    ORVANE_EDITOR_ATTRIBUTE_SELECTORS(ORVANE_EDITOR_DECLARE_GETTER, T, GETTER)    \
    ORVANE_EDITOR_ATTRIBUTE_SELECTORS(ORVANE_EDITOR_DECLARE_SETTER, T, SETTER)

#define ORVANE_EDITOR_DECLARE_ENTITY_READER(R, NAME) ORVANE_EDITOR_ENTITY_FORMS(ORVANE_EDITOR_DECLARE, R, NAME)

    // Entity readers, nine selector forms each.
    ORVANE_EDITOR_ENTITY_READERS(ORVANE_EDITOR_DECLARE_ENTITY_READER)

    // Attribute lookup: rows 1 to 21; the path reader has the handle form and rows 1 to 9.
    ORVANE_EDITOR_ROWS(ORVANE_EDITOR_DECLARE, bool, hasAttribute)
    ORVANE_EDITOR_ROWS(ORVANE_EDITOR_DECLARE, IAttribute*, getAttribute)
    std::string getAttributePath(IAttribute* const attributeHandle);
    ORVANE_EDITOR_INDEX_ROWS(ORVANE_EDITOR_DECLARE, std::string, getAttributePath)
    ORVANE_EDITOR_ATTRIBUTE_SELECTORS(ORVANE_EDITOR_DECLARE, std::string, getUnit)
    ORVANE_EDITOR_ATTRIBUTE_SELECTORS(ORVANE_EDITOR_DECLARE, AccessType, getAccessType)

    // Typed values: each selector with a trailing chronology, then without it.
    ORVANE_EDITOR_VALUE_FAMILIES(ORVANE_EDITOR_DECLARE_VALUE_FAMILY)

#undef ORVANE_EDITOR_DECLARE
#undef ORVANE_EDITOR_DECLARE_GETTER
#undef ORVANE_EDITOR_DECLARE_SETTER
#undef ORVANE_EDITOR_DECLARE_VALUE_FAMILY
#undef ORVANE_EDITOR_DECLARE_ENTITY_READER

private:
    IEntityCollection* entityCollection_;  // not owned; may be null
};

}  // namespace Model
}  // namespace OrvaneSDK
