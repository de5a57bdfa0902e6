// Wrappers of EntityEditor. Every overloaded operation is one dispatcher built from the
// grid of editor_grid.h: its forms in dispatch order, its prototype lines and its docstring
// all follow from the declared parameter types.
#include <array>
#include <string>
#include "module/docs.h"
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
constexpr auto delete_EntityEditor = single("delete_EntityEditor", [](const Disowned<EntityEditor, true>& e) {
  delete e.release();
  e.forget();
});
constexpr Custom EntityEditor_swigregister{"EntityEditor_swigregister", swigregister<T_EntityEditor>, METH_O};
constexpr Custom EntityEditor_swiginit{"EntityEditor_swiginit", swiginit, METH_VARARGS};

// ---------------------------------------------------------------------------------------------
// Docstrings: one block per overload in declaration order, written at compile time from the
// parameter names of the grid, so they sit in read-only data and cost nothing at import.

/// A piece of text between two pointers (a parameter name inside a declared list).
struct Span {
  const char* begin;
  const char* end;
  constexpr bool is(const char* text) const {
    const char* p = begin;
    for (; p != end && *text; ++p, ++text)
      if (*p != *text) return false;
    return p == end && !*text;
  }
};

constexpr Span spanOf(const char* s) { return {s, s + textLength(s)}; }

constexpr const char* kParamTexts[][2] = {
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

constexpr const char* describe(Span param, bool writing) {
  if (param.is("chronology"))
    return writing ? "Moment of the run from which the value applies" : "Moment of the run to read";
  for (const auto& t : kParamTexts)
    if (param.is(t[0])) return t[1];
  return "";
}

constexpr bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

/// Calls f with each parameter name of a declared list such as
/// "(IEntity* const entityHandle, std::size_t const attribute_i)".
template <class F>
constexpr void forEachParam(const char* declared, F&& f) {
  const char* p = declared + 1;
  while (*p) {
    const char* end = p;
    while (*end && *end != ',' && *end != ')') ++end;
    const char* first = end;
    while (first > p && isNameChar(first[-1])) --first;
    if (first < end) f(Span{first, end});
    p = *end ? end + 1 : end;
  }
}

template <class X>
struct SuffixName {
  static constexpr const char* value = "value";
};
template <>
struct SuffixName<Chronology> {
  static constexpr const char* value = "chronology";
};

/// The trailing parameter names of one variant of a family.
struct Suffix {
  const char* names[3];
  std::size_t count;
};
template <class... X>
constexpr Suffix suffixOf(grid::List<X...>) {
  return {{SuffixName<X>::value..., nullptr}, sizeof...(X)};
}
template <class... L>
constexpr std::array<Suffix, sizeof...(L)> suffixesOf(grid::List<L...>) {
  return {{suffixOf(L())...}};
}

/// What the documentation says of one family.
struct Doc {
  const char* summary;
  const char* returns;    // null for writers and constructors
  const char* byDefault;  // said of the forms without a chronology, or null
  const char* note;       // closes the summary
};

/// The docstring of a family: "*Overload N:*" blocks separated by a line holding "|".
template <class Family>
constexpr std::size_t writeFamilyDoc(const Doc& d, char* out) {
  constexpr bool writing = std::is_void<typename Family::Result>::value;
  constexpr auto suffixes = suffixesOf(typename Family::Suffixes());
  grid::TextWriter w{out};
  std::size_t n = 0;
  for (const char* declared : Family::selectors.params) {
    for (const Suffix& suffix : suffixes) {
      bool chronology = false;
      for (std::size_t k = 0; k < suffix.count; ++k) chronology |= spanOf(suffix.names[k]).is("chronology");
      if (n) w.put("\n|\n");
      w.put("\n*Overload ");
      w.put(++n);
      w.put(":*\n\n<summary>");
      w.put(d.summary);
      if (d.byDefault && !chronology) w.put(d.byDefault);
      w.put(d.note);
      w.put("<summary>\n");
      auto param = [&](Span name) {
        w.put("<param name=\"");
        w.put(name.begin, name.end);
        w.put("\">");
        w.put(describe(name, writing));
        w.put("<param>\n");
      };
      forEachParam(declared, param);
      for (std::size_t k = 0; k < suffix.count; ++k) param(spanOf(suffix.names[k]));
      if (d.returns) {
        w.put("<returns>");
        w.put(d.returns);
        w.put("<returns>\n");
      }
    }
  }
  return w.n;
}

template <class Family, const Doc& D>
struct FamilyDoc {
  static constexpr std::size_t write(char* out) { return writeFamilyDoc<Family>(D, out); }
  static constexpr std::size_t size = write(nullptr);
  alignas(64) static constexpr std::array<char, size + 1> text = grid::writtenText<size + 1>(write);  // see grid::Proto
};
template <class Family, const Doc& D>
constexpr const char* familyDoc = FamilyDoc<Family, D>::text.data();

namespace txt {
PYRT_TEXT(Read, "Read the ");
PYRT_TEXT(Write, "Write the ");
PYRT_TEXT(ValueOfSelected, " value of the selected attribute");
}  // namespace txt
template <class T>
struct ValueName;
template <> struct ValueName<int> { static constexpr const char* value = "int"; };
template <> struct ValueName<bool> { static constexpr const char* value = "bool"; };
template <> struct ValueName<float> { static constexpr const char* value = "float"; };
template <> struct ValueName<double> { static constexpr const char* value = "double"; };
template <> struct ValueName<std::string> { static constexpr const char* value = "string"; };

constexpr const char* kAtCurrent = " at the current moment of the run";
constexpr const char* kFromNext = " from the next moment of the run";

constexpr Doc kConstruct{"Create an editor over an entity collection", nullptr, nullptr, ""};
constexpr Doc kCount{"Count the entities, all or of a type and name", "The count", nullptr, ""};
constexpr Doc kHasEntity{"Check if the selected entity exists", "true when it exists", nullptr, ""};
constexpr Doc kGetEntity{"Get the selected entity", "The entity, or None", nullptr, ""};
constexpr Doc kEntityType{"Get the type of the selected entity", "The type, or an empty text", nullptr, ""};
constexpr Doc kEntityName{"Get the short name of the selected entity", "The name, or an empty text", nullptr, ""};
constexpr Doc kEntityID{"Get the identifier of the selected entity", "The identifier, or (0, 0)", nullptr, ""};
constexpr Doc kAttributeCount{"Count the attributes of the selected entity, child composites included",
                              "The count, or 0", nullptr, ""};
constexpr Doc kHasAttribute{"Check if the selected attribute exists", "true when it exists", nullptr, ""};
constexpr Doc kGetAttribute{"Get the selected attribute", "The attribute, or None", nullptr, ""};
constexpr Doc kAttributePath{"Get the path of the selected attribute inside its entity", "The path, or an empty text",
                             nullptr, ""};
constexpr Doc kUnit{"Get the unit of the selected attribute", "The unit, or an empty text", nullptr, ""};
constexpr Doc kAccess{"Get the access right of the selected attribute", "The access type, or AccessType__None",
                      nullptr, ""};
#define V2PY_EDITOR_VALUE_DOCS(T, GETTER, SETTER)                                                                   \
  constexpr Doc GETTER##Doc{pyrt::JoinText<txt::Read, ValueName<T>, txt::ValueOfSelected>::value,                  \
                            "The value, or a zero value", kAtCurrent, ""};                                         \
  constexpr Doc SETTER##Doc{pyrt::JoinText<txt::Write, ValueName<T>, txt::ValueOfSelected>::value, nullptr, kFromNext, \
                            "; nothing is written when there is none"};
ORVANE_EDITOR_VALUE_FAMILIES(V2PY_EDITOR_VALUE_DOCS)
#undef V2PY_EDITOR_VALUE_DOCS

}  // namespace

const Row editorMethods[] = {
    def<new_EntityEditor>(familyDoc<grid::Construct, kConstruct>),
    def<getEntityCollection_>(V2PY_DOC("Get the entity collection the editor works on",
                                       V2PY_RETURNS("The collection, or None"))),
    def<getSolutionControl_>(V2PY_DOC("Get the solution-control entity of the collection",
                                      V2PY_RETURNS("The entity, or None"))),
    def<getNumberOfEntities_>(familyDoc<grid::GetNumberOfEntities, kCount>),
    def<hasEntity_>(familyDoc<grid::HasEntity, kHasEntity>),
    def<getEntity_>(familyDoc<grid::GetEntity, kGetEntity>),
    def<getEntityType_>(familyDoc<grid::GetEntityType, kEntityType>),
    def<getEntityName_>(familyDoc<grid::GetEntityName, kEntityName>),
    def<getEntityID_>(familyDoc<grid::GetEntityID, kEntityID>),
    def<getEntityNumberOfAttributes_>(familyDoc<grid::GetEntityNumberOfAttributes, kAttributeCount>),
    def<hasAttribute_>(familyDoc<grid::HasAttribute, kHasAttribute>),
    def<getAttribute_>(familyDoc<grid::GetAttribute, kGetAttribute>),
    def<getAttributePath_>(familyDoc<grid::GetAttributePath, kAttributePath>),
    def<getUnit_>(familyDoc<grid::GetUnit, kUnit>),
    def<getAccessType_>(familyDoc<grid::GetAccessType, kAccess>),
#define V2PY_EDITOR_GET_DEF(T, GETTER, SETTER) def<GETTER##_>(familyDoc<grid::GETTER, GETTER##Doc>),
#define V2PY_EDITOR_SET_DEF(T, GETTER, SETTER) def<SETTER##_>(familyDoc<grid::SETTER, SETTER##Doc>),
    ORVANE_EDITOR_VALUE_FAMILIES(V2PY_EDITOR_GET_DEF)
    ORVANE_EDITOR_VALUE_FAMILIES(V2PY_EDITOR_SET_DEF)
#undef V2PY_EDITOR_GET_DEF
#undef V2PY_EDITOR_SET_DEF
    def<delete_EntityEditor>(),
    def<EntityEditor_swigregister>(),
    def<EntityEditor_swiginit>(),
    kEndOfRows,
};

}  // namespace v2py
