// Wrappers of IEntityCollection: counts, entity lookups, root entities and the solution control.
#include "module/docs.h"
#include "module/table.h"
#include "module/types.h"

namespace v2py {
namespace {
using namespace OrvaneSDK::Model;
using namespace pyrt;

// Python reaches only the non-const lookups; the const twins are listed in the prototypes alone.
using Coll = Self<IEntityCollection>;
using ConstColl = Self<const IEntityCollection>;
using Id = Ref<const EntityID>;

#define V2PY_PROTO(text) "OrvaneSDK::Model::IEntityCollection::" text
#define V2PY_ID "OrvaneSDK::Model::EntityID const &"
#define V2PY_STR "std::string const &"

constexpr auto getNumberOfEntities_ = overloads(
    "IEntityCollection_getNumberOfEntities",
    protos(V2PY_PROTO("getNumberOfEntities() const"), V2PY_PROTO("getNumberOfEntities(" V2PY_ID ") const"),
           V2PY_PROTO("getNumberOfEntities(" V2PY_STR ") const"),
           V2PY_PROTO("getNumberOfEntities(" V2PY_STR "," V2PY_STR ") const")),
    [](ConstColl c) { return c->getNumberOfEntities(); },
    [](ConstColl c, Id id) { return c->getNumberOfEntities(*id); },
    [](ConstColl c, const String& type) { return c->getNumberOfEntities(type); },
    [](ConstColl c, const String& type, const String& name) { return c->getNumberOfEntities(type, name); });

constexpr auto getSolutionControl_ = overloads(
    "IEntityCollection_getSolutionControl",
    protos(V2PY_PROTO("getSolutionControl()"), V2PY_PROTO("getSolutionControl() const")),
    [](Coll c) { return directed(c->getSolutionControl()); });

constexpr auto getEntity_ = overloads(
    "IEntityCollection_getEntity",
    protos(V2PY_PROTO("getEntity(size_t const)"), V2PY_PROTO("getEntity(size_t const) const"),
           V2PY_PROTO("getEntity(" V2PY_ID ")"), V2PY_PROTO("getEntity(" V2PY_ID ") const"),
           V2PY_PROTO("getEntity(" V2PY_STR ",size_t const) const"), V2PY_PROTO("getEntity(" V2PY_STR ",size_t const)"),
           V2PY_PROTO("getEntity(" V2PY_STR ")"), V2PY_PROTO("getEntity(" V2PY_STR "," V2PY_STR ",size_t const)"),
           V2PY_PROTO("getEntity(" V2PY_STR "," V2PY_STR ")"),
           V2PY_PROTO("getEntity(" V2PY_STR "," V2PY_STR ",size_t const) const"),
           V2PY_PROTO("getEntity(" V2PY_STR "," V2PY_STR ") const")),
    [](Coll c, Id id) { return directed(c->getEntity(*id)); },
    [](Coll c, Size i) { return directed(c->getEntity(static_cast<size_t>(i))); },
    [](Coll c, const String& type) { return directed(c->getEntity(type)); },
    [](Coll c, const String& type, Size i) { return directed(c->getEntity(type, static_cast<size_t>(i))); },
    [](Coll c, const String& type, const String& name) { return directed(c->getEntity(type, name)); },
    [](Coll c, const String& type, const String& name, Size i) {
      return directed(c->getEntity(type, name, static_cast<size_t>(i)));
    });

constexpr auto hasEntity_ = overloads(
    "IEntityCollection_hasEntity",
    protos(V2PY_PROTO("hasEntity(size_t const) const"), V2PY_PROTO("hasEntity(" V2PY_ID ") const"),
           V2PY_PROTO("hasEntity(" V2PY_STR ",size_t const) const"),
           V2PY_PROTO("hasEntity(" V2PY_STR "," V2PY_STR ",size_t const) const"),
           V2PY_PROTO("hasEntity(" V2PY_STR "," V2PY_STR ") const")),
    [](ConstColl c, Id id) { return c->hasEntity(*id); },
    [](ConstColl c, Size i) { return c->hasEntity(static_cast<size_t>(i)); },
    [](ConstColl c, const String& type, Size i) { return c->hasEntity(type, static_cast<size_t>(i)); },
    [](ConstColl c, const String& type, const String& name) { return c->hasEntity(type, name); },
    [](ConstColl c, const String& type, const String& name, Size i) {
      return c->hasEntity(type, name, static_cast<size_t>(i));
    });

constexpr auto getNumberOfRootEntities_ = single("IEntityCollection_getNumberOfRootEntities",
                                                 [](ConstColl c) { return c->getNumberOfRootEntities(); });

constexpr auto getRootEntity_ = overloads(
    "IEntityCollection_getRootEntity",
    protos(V2PY_PROTO("getRootEntity(size_t const) const"), V2PY_PROTO("getRootEntity() const"),
           V2PY_PROTO("getRootEntity(size_t const)"), V2PY_PROTO("getRootEntity()")),
    [](Coll c) { return directed(c->getRootEntity()); },
    [](Coll c, Size i) { return directed(c->getRootEntity(static_cast<size_t>(i))); });

constexpr Custom IEntityCollection_swigregister{"IEntityCollection_swigregister", swigregister<T_IEntityCollection>,
                                                METH_O};
#undef V2PY_PROTO
#undef V2PY_ID
#undef V2PY_STR

// Documentation texts of the collection operations, one block per native overload.
#define P_INDEX V2PY_PARAM("entity_i", "Position among the matching entities, from 0")
#define P_ROOT V2PY_PARAM("rootEntity_i", "Position among the root entities, from 0")
#define P_ID V2PY_PARAM("entityID", "Identifier of the entity")
#define P_TYPE V2PY_PARAM("entityType", "Type of the entity")
#define P_NAME V2PY_PARAM("entityName", "Name of the entity")
#define R_ENTITY V2PY_RETURNS("The entity, or None when the library has none there")
#define D_COUNT(what, params) V2PY_DOC("Get the number of " what, params V2PY_RETURNS("The number of entities"))
#define D_BY(what, params) V2PY_DOC("Get an entity by " what, params R_ENTITY)
#define D_HAS(what, params) V2PY_DOC("Check if an entity exists by " what, params V2PY_RETURNS("true when counted"))
#define D_ROOT(params) V2PY_DOC("Get a root entity of the model", params R_ENTITY)
#define D_CONTROL V2PY_DOC("Get the solution-control entity", R_ENTITY)
#define OV V2PY_OVERLOAD
#define NEXT V2PY_NEXT

}  // namespace

const Row collectionMethods[] = {
    def<getNumberOfEntities_>(OV(1, D_COUNT("all entities", ""))                                 //
                              NEXT OV(2, D_COUNT("entities with an identifier", P_ID))           //
                              NEXT OV(3, D_COUNT("entities of a type", P_TYPE))                  //
                              NEXT OV(4, D_COUNT("entities of a type with a name", P_TYPE P_NAME))),
    def<getSolutionControl_>(OV(1, D_CONTROL) NEXT OV(2, D_CONTROL)),
    def<getEntity_>(OV(1, D_BY("position", P_INDEX))                                                //
                    NEXT OV(2, D_BY("position", P_INDEX))                                           //
                    NEXT OV(3, D_BY("identifier", P_ID))                                            //
                    NEXT OV(4, D_BY("identifier", P_ID))                                            //
                    NEXT OV(5, D_BY("type and position", P_TYPE P_INDEX))                           //
                    NEXT OV(6, D_BY("type and position", P_TYPE P_INDEX))                           //
                    NEXT OV(7, D_BY("type: the first of that type", P_TYPE))                        //
                    NEXT OV(8, D_BY("type, name and position", P_TYPE P_NAME P_INDEX))              //
                    NEXT OV(9, D_BY("type and name: the first match", P_TYPE P_NAME))               //
                    NEXT OV(10, D_BY("type, name and position", P_TYPE P_NAME P_INDEX))             //
                    NEXT OV(11, D_BY("type and name: the first match", P_TYPE P_NAME))),
    def<hasEntity_>(OV(1, D_HAS("position", P_INDEX))                                               //
                    NEXT OV(2, D_HAS("identifier", P_ID))                                           //
                    NEXT OV(3, D_HAS("type and position", P_TYPE P_INDEX))                          //
                    NEXT OV(4, D_HAS("type, name and position", P_TYPE P_NAME P_INDEX))             //
                    NEXT OV(5, D_HAS("type and name", P_TYPE P_NAME))),
    def<getNumberOfRootEntities_>(V2PY_DOC("Get the number of root entities", V2PY_RETURNS("The number"))),
    def<getRootEntity_>(OV(1, D_ROOT(P_ROOT)) NEXT OV(2, D_ROOT(""))  //
                        NEXT OV(3, D_ROOT(P_ROOT)) NEXT OV(4, D_ROOT(""))),
    def<IEntityCollection_swigregister>(),
    kEndOfRows,
};

}  // namespace v2py
