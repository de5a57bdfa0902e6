// Wrappers of EntityID: constructors, the data view, record and text conversions, comparisons.
#include <functional>
#include "module/docs.h"
#include "module/table.h"
#include "module/types.h"

namespace v2py {
namespace {
using namespace OrvaneSDK::Model;
using namespace pyrt;

namespace txt {
PYRT_TEXT(Int32, "std::int32_t");
}  // namespace txt
using Int32 = Int<std::int32_t, Fixed<txt::Int32>>;
using Id = Ref<const EntityID>;

// A data view keeps its identifier's proxy alive out of sight (see EntityID_data). Once that
// identifier was deleted explicitly its pointer is null and the view's storage is gone: refuse it.
struct LiveData : Ref<const EntityID::data_type> {
  bool load(const ArgInfo& a, const char* fname, int argno) {
    if (!Ref<const EntityID::data_type>::load(a, fname, argno)) return false;
    PyObject* keep = a.proxy ? a.proxy->keep : nullptr;
    auto* owner = keep && isProxy(keep) ? reinterpret_cast<SwigPyObject*>(keep) : nullptr;
    if (owner && a.proxy->ty == type() && owner->ty == TypeOf<EntityID>::descriptor() && !owner->ptr)
      return raiseNullReference(fname, argno, "OrvaneSDK::Model::EntityID::data_type const &"), false;
    return true;
  }
};

#define V2PY_CTOR "OrvaneSDK::Model::EntityID::EntityID"
constexpr auto new_EntityID = overloads(
    "new_EntityID",
    protos(V2PY_CTOR "()", V2PY_CTOR "(std::pair< std::int32_t,std::int32_t > const &)",
           V2PY_CTOR "(std::int32_t const,std::int32_t const)",
           V2PY_CTOR "(OrvaneSDK::Model::EntityID::data_type const &)",
           V2PY_CTOR "(OrvaneSDK::Model::CEntityID const &)"),
    []() { return constructed(new EntityID()); },
    [](Ref<const V2pyIntPair> pair) { return constructed(new EntityID(*pair)); },
    [](const LiveData& data) { return constructed(new EntityID(*data)); },
    [](Ref<const CEntityID> record) { return constructed(new EntityID(*record)); },
    [](Int32 id1, Int32 id2) { return constructed(new EntityID(id1, id2)); });
#undef V2PY_CTOR

// The view of EntityID_data points into the identifier, so it holds the identifier's proxy in
// its keep reference, which nothing in Python reads: the identifier lives as long as any view of
// it, while the view is a proxy of its own type with an empty chain. A wrong or None argument
// never gets here.
template <class T>
struct ViewedIdentifier : Self<T> {
  SwigPyObject* source = nullptr;  // kept alive by the call's arguments
  bool load(const ArgInfo& a, const char* fname, int argno) {
    if (!Self<T>::load(a, fname, argno)) return false;
    CastRecord* cast = nullptr;
    source = matchingProxy(a, this->type(), &cast);
    return true;
  }
};
template <class T>
Raw dataView(const ViewedIdentifier<T>& id) {
  auto* data = const_cast<EntityID::data_type*>(&id->data());
  PyObject* view = newProxy(data, TypeOf<EntityID::data_type>::descriptor(), kNoShadow);
  if (view && id.source) {
    auto* sp = reinterpret_cast<SwigPyObject*>(view);
    Py_INCREF(id.source);
    sp->keep = reinterpret_cast<PyObject*>(id.source);
  }
  return {view};
}
constexpr auto EntityID_data = overloads(
    "EntityID_data", protos("OrvaneSDK::Model::EntityID::data() const", "OrvaneSDK::Model::EntityID::data()"),
    [](const ViewedIdentifier<EntityID>& id) { return dataView(id); },
    [](const ViewedIdentifier<const EntityID>& id) { return dataView(id); });

constexpr auto EntityID_toCEntityID = single(
    "EntityID_toCEntityID", [](Self<const EntityID> id) { return owned(new CEntityID(id->toCEntityID())); });
constexpr auto EntityID_fromCEntityID = single("EntityID_fromCEntityID", [](Ref<const CEntityID> record) {
  return owned(new EntityID(EntityID::fromCEntityID(*record)));
});
constexpr auto EntityID_toString =
    single("EntityID_toString", [](Self<const EntityID> id) { return id->toString(); });
constexpr auto EntityID_fromString = single(
    "EntityID_fromString", [](const String& text) { return owned(new EntityID(EntityID::fromString(text))); });

// The six comparisons share one shape; a non-identifier operand yields NotImplemented.
template <class Op>
constexpr auto comparison(const char* name) {
  return singleVarargs(name, [](Id a, Id b) { return Op()(*a, *b); });
}
constexpr auto eq_ = comparison<std::equal_to<>>("__eq__");
constexpr auto ne_ = comparison<std::not_equal_to<>>("__ne__");
constexpr auto lt_ = comparison<std::less<>>("__lt__");
constexpr auto le_ = comparison<std::less_equal<>>("__le__");
constexpr auto gt_ = comparison<std::greater<>>("__gt__");
constexpr auto ge_ = comparison<std::greater_equal<>>("__ge__");

// Nothing to do for None; afterwards the proxy refuses further use instead of reaching freed memory.
constexpr auto delete_EntityID = single("delete_EntityID", [](const Disowned<EntityID, true>& id) {
  delete id.release();
  id.forget();
});

constexpr Custom EntityID_swigregister{"EntityID_swigregister", swigregister<T_EntityID>, METH_O};
constexpr Custom EntityID_swiginit{"EntityID_swiginit", swiginit, METH_VARARGS};

// Documentation texts of the identifier operations.
#define D_CTOR(params) V2PY_DOC("Create an entity identifier", params)
#define D_DATA(summary) V2PY_DOC(summary, V2PY_RETURNS("The internal array"))
#define D_COMPARE(what) \
  V2PY_DOC("Compare two entity identifiers: " what, V2PY_PARAM("lhs", "First one") V2PY_PARAM("rhs", "Second one"))

}  // namespace

const Row entityIdMethods[] = {
    def<new_EntityID>(V2PY_OVERLOAD(1, D_CTOR(""))                                                          //
                      V2PY_NEXT V2PY_OVERLOAD(2, D_CTOR(V2PY_PARAM("id", "Pair of the two values")))        //
                      V2PY_NEXT V2PY_OVERLOAD(3, D_CTOR(V2PY_PARAM("id1", "First value")                    //
                                                        V2PY_PARAM("id2", "Second value")))                 //
                      V2PY_NEXT V2PY_OVERLOAD(4, D_CTOR(V2PY_PARAM("id", "Array of the two values")))       //
                      V2PY_NEXT V2PY_OVERLOAD(5, D_CTOR(V2PY_PARAM("id", "Record of the two values")))),
    def<EntityID_data>(V2PY_OVERLOAD(1, D_DATA("Get the two values of the identifier"))  //
                       V2PY_NEXT V2PY_OVERLOAD(2, D_DATA("Get the two values of the identifier, writable"))),
    def<EntityID_toCEntityID>(V2PY_DOC("Convert to the plain record", V2PY_RETURNS("A record of the two values"))),
    def<EntityID_fromCEntityID>(V2PY_DOC("Create an identifier from the plain record",
                                         V2PY_PARAM("id", "The record") V2PY_RETURNS("The identifier"))),
    def<EntityID_toString>(V2PY_DOC("Get the text form", V2PY_RETURNS("The first value, '-' and the second value"))),
    def<EntityID_fromString>(V2PY_DOC("Parse the text form", V2PY_PARAM("text", "Text as made by toString")
                                                                V2PY_RETURNS("The identifier; fails without digits"))),
    defOperator<eq_>(D_COMPARE("equal")),
    defOperator<ne_>(D_COMPARE("not equal")),
    defOperator<lt_>(D_COMPARE("less")),
    defOperator<le_>(D_COMPARE("less or equal")),
    defOperator<gt_>(D_COMPARE("greater")),
    defOperator<ge_>(D_COMPARE("greater or equal")),
    def<delete_EntityID>(),
    def<EntityID_swigregister>(),
    def<EntityID_swiginit>(),
    kEndOfRows,
};

}  // namespace v2py
