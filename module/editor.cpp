// Wrappers of EntityEditor. Every overloaded operation is one dispatcher built from the
// grid of editor_grid.h: its forms in dispatch order, its prototype lines and its docstring
// all follow from the declared parameter types.
#include <cctype>
#include <string>
#include <vector>
#include "module/editor_grid.h"
#include "module/table.h"
#include "module/types.h"

namespace v2py {
namespace {
using namespace OrvaneSDK;
using namespace OrvaneSDK::Model;
using namespace pyrt;

namespace txt {
PYRT_TEXT(Chronology, "OrvaneSDK::Chronology");
PYRT_TEXT(EntityIdRef, "EntityID const &");
PYRT_TEXT(Collection, "IEntityCollection *const");
}  // namespace txt

/// The argument kind that converts a native parameter type.
template <class T>
struct KindFor;
template <> struct KindFor<IAttribute*> { using type = Handle<IAttribute>; };
template <> struct KindFor<IEntity*> { using type = Handle<IEntity>; };
template <> struct KindFor<EntityID const&> { using type = Ref<const EntityID, Fixed<txt::EntityIdRef>>; };
template <> struct KindFor<IEntityCollection*> { using type = Handle<IEntityCollection, Fixed<txt::Collection>>; };
template <> struct KindFor<ISolverData*> { using type = Handle<ISolverData>; };
template <> struct KindFor<ISolverData&> { using type = Ref<ISolverData>; };
template <> struct KindFor<bool> { using type = Bool; };
template <> struct KindFor<int> { using type = Int<int>; };
template <> struct KindFor<Chronology> { using type = Int<Chronology, Fixed<txt::Chronology>>; };
template <> struct KindFor<size_t> { using type = Size; };
template <> struct KindFor<float> { using type = Float; };
template <> struct KindFor<double> { using type = Double; };
template <> struct KindFor<std::string const&> { using type = String; };
template <> struct KindFor<std::string> { using type = StringValue; };
template <> struct KindFor<char const*> { using type = Chars; };
template <class T>
using KindOf = typename KindFor<T>::type;

// Results: values as they are; library objects unowned (attributes may be directors);
// identifiers copied into an owning proxy.
template <class R>
R toResult(R r) {
  return r;
}
inline Proxy<IEntity> toResult(IEntity* p) { return unowned(p); }
inline Proxy<IAttribute, 0, true> toResult(IAttribute* p) { return directed(p); }
inline Proxy<EntityID, kOwn> toResult(const EntityID& id) { return owned(new EntityID(id)); }

template <class R, bool IsConst, class... P>
struct MemberType {
  using type = R (EntityEditor::*)(P...);
};
template <class R, class... P>
struct MemberType<R, true, P...> {
  using type = R (EntityEditor::*)(P...) const;
};

/// One form: the editor, then the kinds of the overload's parameters.
template <class Family, class Sig>
struct Call;
template <class Family, class... P>
struct Call<Family, void(P...)> {
  using Editor = std::conditional_t<Family::isConst, const EntityEditor, EntityEditor>;
  using R = typename Family::Result;
  auto operator()(Self<Editor> editor, const KindOf<P>&... args) const {
    constexpr typename MemberType<R, Family::isConst, P...>::type member =
        Family::template member<typename MemberType<R, Family::isConst, P...>::type>;
    if constexpr (std::is_void<R>::value)
      (editor.get()->*member)(args...);
    else
      return toResult((editor.get()->*member)(args...));
  }
};
/// A constructor form: the new editor is owned by its proxy (no shadow instance yet).
template <class... P>
struct Call<grid::Construct, void(P...)> {
  auto operator()(const KindOf<P>&... args) const { return constructed(new EntityEditor(static_cast<P>(args)...)); }
};

template <class Family, size_t... I>
constexpr auto dispatcher(const char* name, std::index_sequence<I...>) {
  using Declared = grid::Declared<Family>;
  constexpr const auto& order = grid::dispatchOrder<Family>;
  return overloads(name, Protos<sizeof...(I)>{{grid::Proto<Family, grid::At<I, Declared>>::text.data()...}},
                   Call<Family, grid::At<order[I], Declared>>{}...);
}
/// The dispatcher of a family: forms in dispatch order, prototypes in declaration order.
template <class Family>
constexpr auto dispatcher(const char* name) {
  return dispatcher<Family>(name, std::make_index_sequence<grid::declaredCount<Family>>());
}

constexpr auto new_EntityEditor = dispatcher<grid::Construct>("new_EntityEditor");
constexpr auto getEntityCollection_ = single(
    "EntityEditor_getEntityCollection", [](Self<const EntityEditor> e) { return unowned(e->getEntityCollection()); });
constexpr auto getSolutionControl_ =
    single("EntityEditor_getSolutionControl", [](Self<EntityEditor> e) { return unowned(e->getSolutionControl()); });
constexpr auto getNumberOfEntities_ = dispatcher<grid::GetNumberOfEntities>("EntityEditor_getNumberOfEntities");
constexpr auto hasEntity_ = dispatcher<grid::HasEntity>("EntityEditor_hasEntity");
constexpr auto getEntity_ = dispatcher<grid::GetEntity>("EntityEditor_getEntity");
constexpr auto getEntityType_ = dispatcher<grid::GetEntityType>("EntityEditor_getEntityType");
constexpr auto getEntityName_ = dispatcher<grid::GetEntityName>("EntityEditor_getEntityName");
constexpr auto getEntityID_ = dispatcher<grid::GetEntityID>("EntityEditor_getEntityID");
constexpr auto getEntityNumberOfAttributes_ =
    dispatcher<grid::GetEntityNumberOfAttributes>("EntityEditor_getEntityNumberOfAttributes");
constexpr auto hasAttribute_ = dispatcher<grid::HasAttribute>("EntityEditor_hasAttribute");
constexpr auto getAttribute_ = dispatcher<grid::GetAttribute>("EntityEditor_getAttribute");
constexpr auto getAttributePath_ = dispatcher<grid::GetAttributePath>("EntityEditor_getAttributePath");
constexpr auto getUnit_ = dispatcher<grid::GetUnit>("EntityEditor_getUnit");
constexpr auto getAccessType_ = dispatcher<grid::GetAccessType>("EntityEditor_getAccessType");
#define V2PY_EDITOR_VALUE(T, GETTER, SETTER)                                          \
  constexpr auto GETTER##_ = dispatcher<grid::GETTER>("EntityEditor_" #GETTER); \
  constexpr auto SETTER##_ = dispatcher<grid::SETTER>("EntityEditor_" #SETTER);
ORVANE_EDITOR_VALUE_FAMILIES(V2PY_EDITOR_VALUE)
#undef V2PY_EDITOR_VALUE

// Nothing to do for None; afterwards the proxy refuses further use instead of reaching freed memory.
constexpr auto delete_EntityEditor = single("delete_EntityEditor", [](Disowned<EntityEditor, true> e) {
  delete e.release();
  e.forget();
});
constexpr Custom EntityEditor_swigregister{"EntityEditor_swigregister", swigregister<T_EntityEditor>, METH_O};
constexpr Custom EntityEditor_swiginit{"EntityEditor_swiginit", swiginit, METH_VARARGS};

// ---------------------------------------------------------------------------------------------
// Docstrings: one block per overload in declaration order, written from the parameter names
// of the grid.

const char* describe(const std::string& param, bool writing) {
  static const struct {
    const char* name;
    const char* text;
  } texts[] = {
      {"entityCollection", "The collection to work on; None gives an editor that finds nothing"},
      {"solverData", "The solver data whose entity collection the editor works on"},
      {"entityHandle", "The entity; None finds nothing"},
      {"entity_i", "Index of the entity, among all entities or among those of the given type and name"},
      {"entityID", "Identifier of the entity"},
      {"entityType", "Type of the entity"},
      {"entityName", "Short name of the entity"},
      {"attributeHandle", "The attribute; None finds nothing"},
      {"attribute_i", "Index of the attribute in the entity, attributes of child composites included"},
      {"attributePath", "Path of the attribute inside the entity"},
      {"value", "The value to write"},
  };
  if (param == "chronology")
    return writing ? "Moment of the run from which the value applies" : "Moment of the run to read";
  for (const auto& t : texts)
    if (param == t.name) return t.text;
  return "";
}

/// Parameter names of a declared list such as "(IEntity* const entityHandle, std::size_t const attribute_i)".
std::vector<std::string> paramNames(const char* declared) {
  std::vector<std::string> names;
  std::string list(declared);
  size_t start = 1;
  while (start < list.size()) {
    size_t end = list.find_first_of(",)", start);
    size_t last = end;
    while (last > start && (std::isalnum(static_cast<unsigned char>(list[last - 1])) || list[last - 1] == '_'))
      --last;
    if (last < end) names.push_back(list.substr(last, end - last));
    start = end + 1;
  }
  return names;
}

template <class X>
struct SuffixName {
  static constexpr const char* value = "value";
};
template <>
struct SuffixName<Chronology> {
  static constexpr const char* value = "chronology";
};
template <class... X>
std::vector<std::string> suffixNames(grid::List<X...>) {
  return {SuffixName<X>::value...};
}

/// What the documentation says of one family.
struct Doc {
  std::string summary;
  const char* returns;   // null for writers and constructors
  const char* byDefault; // said of the forms without a chronology, or null
  const char* note = "";  // closes the summary
};

std::string overloadDoc(const Doc& d, const std::vector<std::string>& params, bool writing) {
  bool chronology = false;
  for (const auto& p : params) chronology |= p == "chronology";
  std::string s = "\n<summary>";
  s += d.summary;
  if (d.byDefault && !chronology) s += d.byDefault;
  s += d.note;
  s += "<summary>\n";
  for (const auto& p : params) s += "<param name=\"" + p + "\">" + describe(p, writing) + "<param>\n";
  if (d.returns) s += std::string("<returns>") + d.returns + "<returns>\n";
  return s;
}

/// The value type as the documentation names it.
const char* valueName(int) { return "int"; }
const char* valueName(bool) { return "bool"; }
const char* valueName(float) { return "float"; }
const char* valueName(double) { return "double"; }
const char* valueName(const std::string&) { return "string"; }

template <class... Suffix>
std::vector<std::vector<std::string>> suffixLists(grid::List<Suffix...>) {
  return {suffixNames(Suffix())...};
}

/// The docstring of a family: "*Overload N:*" blocks separated by a line holding "|".
template <class Family>
std::string familyDoc(const Doc& d) {
  const bool writing = std::is_void<typename Family::Result>::value;
  const auto suffixes = suffixLists(typename Family::Suffixes());
  std::string s;
  int n = 0;
  for (const char* declared : Family::selectors.params) {
    for (const auto& suffix : suffixes) {
      std::vector<std::string> params = paramNames(declared);
      params.insert(params.end(), suffix.begin(), suffix.end());
      if (n) s += "\n|\n";
      s += "\n*Overload " + std::to_string(++n) + ":*\n" + overloadDoc(d, params, writing);
    }
  }
  return s;
}

constexpr const char* kAtCurrent = " at the current moment of the run";
constexpr const char* kFromNext = " from the next moment of the run";

}  // namespace

Segment editorMethods() {
  // Built once; the method table keeps pointers into these texts.
  static const std::string docs[] = {
      familyDoc<grid::Construct>({"Create an editor over an entity collection", nullptr, nullptr}),
      overloadDoc({"Get the entity collection the editor works on", "The collection, or None", nullptr}, {}, false),
      overloadDoc({"Get the solution-control entity of the collection", "The entity, or None", nullptr}, {}, false),
      familyDoc<grid::GetNumberOfEntities>({"Count the entities, all or of a type and name", "The count", nullptr}),
      familyDoc<grid::HasEntity>({"Check if the selected entity exists", "true when it exists", nullptr}),
      familyDoc<grid::GetEntity>({"Get the selected entity", "The entity, or None", nullptr}),
      familyDoc<grid::GetEntityType>({"Get the type of the selected entity", "The type, or an empty text", nullptr}),
      familyDoc<grid::GetEntityName>({"Get the short name of the selected entity", "The name, or an empty text",
                                      nullptr}),
      familyDoc<grid::GetEntityID>({"Get the identifier of the selected entity", "The identifier, or (0, 0)",
                                    nullptr}),
      familyDoc<grid::GetEntityNumberOfAttributes>(
          {"Count the attributes of the selected entity, child composites included", "The count, or 0", nullptr}),
      familyDoc<grid::HasAttribute>({"Check if the selected attribute exists", "true when it exists", nullptr}),
      familyDoc<grid::GetAttribute>({"Get the selected attribute", "The attribute, or None", nullptr}),
      familyDoc<grid::GetAttributePath>({"Get the path of the selected attribute inside its entity",
                                         "The path, or an empty text", nullptr}),
      familyDoc<grid::GetUnit>({"Get the unit of the selected attribute", "The unit, or an empty text", nullptr}),
      familyDoc<grid::GetAccessType>({"Get the access right of the selected attribute",
                                      "The access type, or AccessType__None", nullptr}),
#define V2PY_EDITOR_GET_DOC(T, GETTER, SETTER)                                                           \
  familyDoc<grid::GETTER>({std::string("Read the ") + valueName(T()) + " value of the selected attribute", \
                           "The value, or a zero value", kAtCurrent}),
      ORVANE_EDITOR_VALUE_FAMILIES(V2PY_EDITOR_GET_DOC)
#undef V2PY_EDITOR_GET_DOC
#define V2PY_EDITOR_SET_DOC(T, GETTER, SETTER)                                                       \
  familyDoc<grid::SETTER>({std::string("Write the ") + valueName(T()) + " value of the selected attribute", \
                           nullptr, kFromNext, "; nothing is written when there is none"}),
      ORVANE_EDITOR_VALUE_FAMILIES(V2PY_EDITOR_SET_DOC)
#undef V2PY_EDITOR_SET_DOC
  };
  size_t i = 0;
  auto doc = [&] { return docs[i++].c_str(); };
  Segment s = {
      def<new_EntityEditor>(doc()),
      def<getEntityCollection_>(doc()),
      def<getSolutionControl_>(doc()),
      def<getNumberOfEntities_>(doc()),
      def<hasEntity_>(doc()),
      def<getEntity_>(doc()),
      def<getEntityType_>(doc()),
      def<getEntityName_>(doc()),
      def<getEntityID_>(doc()),
      def<getEntityNumberOfAttributes_>(doc()),
      def<hasAttribute_>(doc()),
      def<getAttribute_>(doc()),
      def<getAttributePath_>(doc()),
      def<getUnit_>(doc()),
      def<getAccessType_>(doc()),
  };
#define V2PY_EDITOR_GET_DEF(T, GETTER, SETTER) s.push_back(def<GETTER##_>(doc()));
#define V2PY_EDITOR_SET_DEF(T, GETTER, SETTER) s.push_back(def<SETTER##_>(doc()));
  ORVANE_EDITOR_VALUE_FAMILIES(V2PY_EDITOR_GET_DEF)
  ORVANE_EDITOR_VALUE_FAMILIES(V2PY_EDITOR_SET_DEF)
#undef V2PY_EDITOR_GET_DEF
#undef V2PY_EDITOR_SET_DEF
  s.push_back(def<delete_EntityEditor>());
  s.push_back(def<EntityEditor_swigregister>());
  s.push_back(def<EntityEditor_swiginit>());
  return s;
}

}  // namespace v2py
