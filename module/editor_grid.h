// The entity editor's overloads as compile-time data, without Python.
//
// The selector lists are taken from the facade's own grid macros in sdk/editor.h, so every
// overload is listed exactly once in the project. An operation family is a selector list
// crossed with its trailing parameters (chronology, value). From the parameter types follow
// each overload's argument kinds, its prototype line and the order in which a dispatcher
// tries the overloads.
#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>
#include "sdk/editor.h"

namespace v2py {
namespace grid {
using namespace OrvaneSDK;
using namespace OrvaneSDK::Model;

// ---------------------------------------------------------------------------------------------
// Type lists. A signature is a function type void(P...) holding one overload's parameters.

template <class... T>
struct List {
  static constexpr std::size_t size = sizeof...(T);
};

template <std::size_t I, class L>
struct AtImpl;
template <class H, class... T>
struct AtImpl<0, List<H, T...>> {
  using type = H;
};
template <std::size_t I, class H, class... T>
struct AtImpl<I, List<H, T...>> : AtImpl<I - 1, List<T...>> {};
template <std::size_t I, class L>
using At = typename AtImpl<I, L>::type;

template <class... L>
struct ConcatImpl;
template <>
struct ConcatImpl<> {
  using type = List<>;
};
template <class... A>
struct ConcatImpl<List<A...>> {
  using type = List<A...>;
};
template <class... A, class... B, class... Rest>
struct ConcatImpl<List<A...>, List<B...>, Rest...> : ConcatImpl<List<A..., B...>, Rest...> {};
template <class... L>
using Concat = typename ConcatImpl<L...>::type;

/// Drops the leading placeholder of a list written as `List<void, S...>`.
template <class L>
struct TailImpl;
template <class H, class... T>
struct TailImpl<List<H, T...>> {
  using type = List<T...>;
};
template <class L>
using Tail = typename TailImpl<L>::type;

/// A signature with further parameters appended.
template <class Sig, class Extra>
struct AppendImpl;
template <class... P, class... X>
struct AppendImpl<void(P...), List<X...>> {
  using type = void(P..., X...);
};
template <class Sig, class Extra>
using Append = typename AppendImpl<Sig, Extra>::type;

/// Every selector with each trailing parameter list, selector by selector.
template <class Selectors, class Suffixes>
struct CrossImpl;
template <class Sig, class... X>
using Variants = List<Append<Sig, X>...>;
template <class... S, class... X>
struct CrossImpl<List<S...>, List<X...>> {
  using type = Concat<Variants<S, X...>...>;
};
template <class Selectors, class Suffixes>
using Cross = typename CrossImpl<Selectors, Suffixes>::type;

// ---------------------------------------------------------------------------------------------
// Selector lists: the types and, for the documentation, the parameter lists as declared.

template <class L>
struct Selectors;
template <class... S>
struct Selectors<List<S...>> {
  using Types = List<S...>;
  std::array<const char*, sizeof...(S)> params;
};

/// The selectors at the given positions, in that order.
template <std::size_t... I, class... S>
constexpr Selectors<List<At<I, List<S...>>...>> pick(const Selectors<List<S...>>& s) {
  return {{{s.params[I]...}}};
}
template <class... S, std::size_t... I>
constexpr auto head(const Selectors<List<S...>>& s, std::index_sequence<I...>) {
  return pick<I...>(s);
}

#define V2PY_GRID_TYPE(A, B, PARAMS, ...) , void PARAMS
#define V2PY_GRID_TEXT(A, B, PARAMS, ...) #PARAMS,
#define V2PY_GRID_SELECTORS(LIST) \
  Selectors<Tail<List<void LIST(V2PY_GRID_TYPE, , )>>> { {{LIST(V2PY_GRID_TEXT, , )}} }

/// The nine entity selectors of the entity readers.
inline constexpr auto kEntityForms = V2PY_GRID_SELECTORS(ORVANE_EDITOR_ENTITY_FORMS);
/// The attribute handle followed by rows 1 to 21.
inline constexpr auto kAttributeSelectors = V2PY_GRID_SELECTORS(ORVANE_EDITOR_ATTRIBUTE_SELECTORS);
/// Rows 1 to 21: an entity selector with the attribute's index or path.
inline constexpr auto kRows = V2PY_GRID_SELECTORS(ORVANE_EDITOR_ROWS);
#undef V2PY_GRID_SELECTORS
#undef V2PY_GRID_TYPE
#undef V2PY_GRID_TEXT

/// hasEntity and getEntity: index, identifier, and the three std::string selectors by type.
inline constexpr auto kLookupForms = pick<1, 2, 3, 5, 6>(kEntityForms);
/// getAttributePath: the attribute handle and rows 1 to 9 (no path rows).
inline constexpr auto kPathSelectors = head(kAttributeSelectors, std::make_index_sequence<10>());
/// getNumberOfEntities.
inline constexpr Selectors<List<void(), void(std::string const&), void(std::string const&, std::string const&)>>
    kCountForms{{{"()", "(std::string const& entityType)",
                  "(std::string const& entityType, std::string const& entityName)"}}};
/// The constructors.
inline constexpr Selectors<List<void(IEntityCollection*), void(ISolverData*), void(ISolverData&)>> kConstructorForms{
    {{"(IEntityCollection* const entityCollection)", "(ISolverData* const solverData)",
      "(ISolverData& solverData)"}}};

// ---------------------------------------------------------------------------------------------
// Argument kinds: what a parameter accepts, its rank in the dispatch order, its prototype text.

enum class Kind : unsigned char {
  Attribute, Entity, Identifier, Collection, Data, DataRef,  // handles and objects
  Bool, Int, Chronology, Index, Float, Double,               // numbers
  Text, TextValue, Chars                                     // texts
};

/// Dispatch rank: a lower rank is tried first.
constexpr int rank(Kind k) {
  switch (k) {
    case Kind::Bool: return 1;
    case Kind::Int: case Kind::Chronology: return 2;
    case Kind::Index: return 3;
    case Kind::Float: return 4;
    case Kind::Double: return 5;
    case Kind::Text: case Kind::TextValue: return 6;
    case Kind::Chars: return 7;
    default: return 0;
  }
}

/// True when some Python value passes the checks of both kinds (None passes every nullable
/// handle and every text kind; True passes every number kind).
constexpr bool overlap(Kind a, Kind b) {
  auto nullable = [](Kind k) {
    return k == Kind::Attribute || k == Kind::Entity || k == Kind::Collection || k == Kind::Data;
  };
  auto text = [](Kind k) { return rank(k) >= 6; };
  auto number = [](Kind k) { return rank(k) >= 1 && rank(k) <= 5; };
  if (a == b || (number(a) && number(b))) return true;
  if ((a == Kind::Attribute && b == Kind::Entity) || (a == Kind::Entity && b == Kind::Attribute)) return true;
  if ((a == Kind::Data && b == Kind::DataRef) || (a == Kind::DataRef && b == Kind::Data)) return true;
  return (nullable(a) || text(a)) && (nullable(b) || text(b));
}

template <class T>
struct Param;
#define V2PY_GRID_PARAM(Type, K, Proto)            \
  template <>                                      \
  struct Param<Type> {                             \
    static constexpr Kind kind = Kind::K;          \
    static constexpr const char* proto = Proto;    \
  }
V2PY_GRID_PARAM(IAttribute*, Attribute, "OrvaneSDK::Model::IAttribute *const");
V2PY_GRID_PARAM(IEntity*, Entity, "OrvaneSDK::Model::IEntity *const");
V2PY_GRID_PARAM(EntityID const&, Identifier, "EntityID const &");
V2PY_GRID_PARAM(IEntityCollection*, Collection, "IEntityCollection *const");
V2PY_GRID_PARAM(ISolverData*, Data, "OrvaneSDK::ISolverData *const");
V2PY_GRID_PARAM(ISolverData&, DataRef, "OrvaneSDK::ISolverData &");
V2PY_GRID_PARAM(bool, Bool, "bool const");
V2PY_GRID_PARAM(int, Int, "int const");
V2PY_GRID_PARAM(Chronology, Chronology, "OrvaneSDK::Chronology const");
V2PY_GRID_PARAM(std::size_t, Index, "size_t const");
V2PY_GRID_PARAM(float, Float, "float const");
V2PY_GRID_PARAM(double, Double, "double const");
V2PY_GRID_PARAM(std::string const&, Text, "std::string const &");
V2PY_GRID_PARAM(std::string, TextValue, "std::string const");
V2PY_GRID_PARAM(char const*, Chars, "char const *");
#undef V2PY_GRID_PARAM

// ---------------------------------------------------------------------------------------------
// Shapes and the dispatch order.

constexpr int kMaxParams = 6;

/// One overload as the dispatch order sees it; `lane` is its place in a fixed interleaving
/// (see Family::lane), or -1.
struct Shape {
  int arity = 0;
  int lane = -1;
  Kind kinds[kMaxParams] = {};
};

template <class Sig>
struct ShapeOf;
template <class... P>
struct ShapeOf<void(P...)> {
  static_assert(sizeof...(P) <= kMaxParams, "more parameters than a shape holds");
  static constexpr Shape value() {
    Shape s;
    s.arity = static_cast<int>(sizeof...(P));
    Kind k[] = {Param<P>::kind..., Kind::Attribute};
    for (int i = 0; i < s.arity; ++i) s.kinds[i] = k[i];
    return s;
  }
};

/// The comparison of the dispatch order: fewer arguments first; then, position by position,
/// the lower rank wins at the first position whose ranks differ, and an entity handle wins
/// over an attribute handle.
constexpr bool rankedBefore(const Shape& a, const Shape& b) {
  if (a.arity != b.arity) return a.arity < b.arity;
  for (int i = 0; i < a.arity; ++i) {
    const int ra = rank(a.kinds[i]), rb = rank(b.kinds[i]);
    if (ra != rb) return ra < rb;
    if (a.kinds[i] == Kind::Entity && b.kinds[i] == Kind::Attribute) return true;
    if (a.kinds[i] == Kind::Attribute && b.kinds[i] == Kind::Entity) return false;
  }
  return false;
}

/// The order's comparison with lanes: overloads that both have a lane keep the lane order.
constexpr bool before(const Shape& a, const Shape& b) {
  if (a.arity == b.arity && a.lane >= 0 && b.lane >= 0) return a.lane < b.lane;
  return rankedBefore(a, b);
}

/// True when some argument tuple passes the checks of both overloads.
constexpr bool compete(const Shape& a, const Shape& b) {
  if (a.arity != b.arity) return false;
  for (int i = 0; i < a.arity; ++i)
    if (!overlap(a.kinds[i], b.kinds[i])) return false;
  return true;
}

/// Stable insertion sort of declaration indices by `before`.
template <std::size_t N>
constexpr std::array<int, N> sortShapes(const std::array<Shape, N>& shapes) {
  std::array<int, N> order{};
  for (std::size_t i = 0; i < N; ++i) {
    std::size_t j = i;
    while (j > 0 && before(shapes[i], shapes[order[j - 1]])) {
      order[j] = order[j - 1];
      --j;
    }
    order[j] = static_cast<int>(i);
  }
  return order;
}

/// True when every pair that can compete stands in the order of the rank comparison.
template <std::size_t N>
constexpr bool respectsRanks(const std::array<Shape, N>& shapes, const std::array<int, N>& order) {
  for (std::size_t i = 0; i < N; ++i)
    for (std::size_t j = i + 1; j < N; ++j) {
      const Shape& a = shapes[order[i]];
      const Shape& b = shapes[order[j]];
      if (compete(a, b) && rankedBefore(b, a)) return false;
    }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Families: a selector list, trailing parameter lists, the native operation and its result.
//
// A family type provides:
//   using Selectors (a Selectors<...> type), static constexpr const auto& selectors;
//   using Suffixes = List<List<X...>...>;   trailing parameters, one list per variant
//   using Result;  static constexpr bool isConst;  static constexpr const char* method;
//   template <class M> static constexpr M member;   the native overload of pointer type M
//   static constexpr int lane(std::size_t selector, std::size_t suffix);

template <class Family>
using Declared = Cross<typename std::decay_t<decltype(Family::selectors)>::Types, typename Family::Suffixes>;

template <class Family>
constexpr std::size_t declaredCount = Declared<Family>::size;

template <class Family, std::size_t... I>
constexpr std::array<Shape, sizeof...(I)> shapesOf(std::index_sequence<I...>) {
  constexpr std::size_t variants = Family::Suffixes::size;
  std::array<Shape, sizeof...(I)> s{{ShapeOf<At<I, Declared<Family>>>::value()...}};
  for (std::size_t i = 0; i < s.size(); ++i) s[i].lane = Family::lane(i / variants, i % variants);
  return s;
}
template <class Family>
constexpr auto shapes = shapesOf<Family>(std::make_index_sequence<declaredCount<Family>>());

/// Declaration indices in dispatch order.
template <class Family>
constexpr std::array<int, declaredCount<Family>> dispatchOrder = sortShapes(shapes<Family>);

/// Without a fixed interleaving.
constexpr int noLane(std::size_t, std::size_t) { return -1; }

/// The value families interleave their handle-led overloads (entity handle, identifier and
/// attribute handle first) in this fixed order, given as attribute selectors (0 the handle,
/// then rows 1 to 21). Overloads led by different handle kinds never accept the same
/// arguments, so the interleaving has no effect on which overload a call reaches;
/// `respectsRanks` checks that it keeps every pair that can compete in rank order.
constexpr int kPlainLane[] = {1, 10, 3, 16, 12, 0, 18};  // without a chronology (0: the handle with one)
constexpr int kChronologyLane[] = {1, 10, 3, 12, 16, 18};  // with a chronology
constexpr int laneOf(const int* lane, std::size_t n, int selector) {
  for (std::size_t i = 0; i < n; ++i)
    if (lane[i] == selector) return static_cast<int>(i);
  return -1;
}
/// Suffix 0 carries the chronology, suffix 1 does not.
constexpr int valueLane(std::size_t selector, std::size_t suffix) {
  const int s = static_cast<int>(selector);
  if (suffix == 0) return s == 0 ? laneOf(kPlainLane, 7, 0) : laneOf(kChronologyLane, 6, s);
  return s == 0 ? -1 : laneOf(kPlainLane, 7, s);
}

// ---------------------------------------------------------------------------------------------
// Prototype lines, built at compile time: "OrvaneSDK::Model::EntityEditor::name(T1,T2) const".

constexpr std::size_t textLength(const char* s) {
  std::size_t n = 0;
  while (s[n]) ++n;
  return n;
}
constexpr const char* kProtoPrefix = "OrvaneSDK::Model::EntityEditor::";

/// Counts (out null) or writes a text built from parts at compile time, so that one function
/// gives both the length of a text and its characters.
struct TextWriter {
  char* out;
  std::size_t n = 0;
  constexpr void put(const char* begin, const char* end) {
    for (; begin != end; ++begin, ++n)
      if (out) out[n] = *begin;
  }
  constexpr void put(const char* s) { put(s, s + textLength(s)); }
  constexpr void put(std::size_t v) {
    char digits[20] = {};
    std::size_t k = 0;
    do digits[k++] = static_cast<char>('0' + v % 10);
    while (v /= 10);
    while (k) {
      --k;
      put(digits + k, digits + k + 1);
    }
  }
};
/// The characters written by write(char*), which returns their count, plus the closing null.
template <std::size_t N, class Write>
constexpr std::array<char, N> writtenText(Write write) {
  std::array<char, N> text{};
  write(text.data());
  return text;
}

constexpr std::size_t writeProto(const char* method, const char* const* params, std::size_t count, bool isConst,
                                 char* out) {
  TextWriter w{out};
  w.put(kProtoPrefix);
  w.put(method);
  w.put("(");
  for (std::size_t i = 0; i < count; ++i) {
    if (i) w.put(",");
    w.put(params[i]);
  }
  w.put(")");
  if (isConst) w.put(" const");
  return w.n;
}

template <class Family, class Sig>
struct Proto;
template <class Family, class... P>
struct Proto<Family, void(P...)> {
  static constexpr const char* params[] = {Param<P>::proto..., nullptr};
  static constexpr std::size_t write(char* out) {
    return writeProto(Family::method, params, sizeof...(P), Family::isConst, out);
  }
  static constexpr std::size_t size = write(nullptr);
  // Aligned apart: the linker sorts the arrays read only on request (prototype lines, docstrings)
  // ahead of the names that import reads, so import touches fewer pages.
  alignas(64) static constexpr std::array<char, size + 1> text = writtenText<size + 1>(write);
};

// ---------------------------------------------------------------------------------------------
// The families of the editor, in method-table order.

#define V2PY_GRID_FAMILY(Id, R, NAME, SELECTORS, SUFFIXES, CONST, LANE)           \
  struct Id {                                                                     \
    static constexpr const auto& selectors = SELECTORS;                           \
    using Suffixes = ORVANE_EDITOR_UNPAREN SUFFIXES;                               \
    using Result = R;                                                             \
    static constexpr bool isConst = CONST;                                        \
    static constexpr const char* method = #NAME;                                  \
    template <class M>                                                            \
    static constexpr M member = &EntityEditor::NAME;                              \
    static constexpr int lane(std::size_t s, std::size_t k) { return LANE(s, k); } \
  };

/// The constructors have no member; their wrappers create the editor.
struct Construct {
  static constexpr const auto& selectors = kConstructorForms;
  using Suffixes = List<List<>>;
  using Result = EntityEditor*;
  static constexpr bool isConst = false;
  static constexpr const char* method = "EntityEditor";
  static constexpr int lane(std::size_t s, std::size_t k) { return noLane(s, k); }
};
V2PY_GRID_FAMILY(GetNumberOfEntities, std::size_t, getNumberOfEntities, kCountForms, (List<List<>>), true, noLane)
V2PY_GRID_FAMILY(HasEntity, bool, hasEntity, kLookupForms, (List<List<>>), false, noLane)
V2PY_GRID_FAMILY(GetEntity, IEntity*, getEntity, kLookupForms, (List<List<>>), false, noLane)
V2PY_GRID_FAMILY(GetEntityType, std::string, getEntityType, kEntityForms, (List<List<>>), false, noLane)
V2PY_GRID_FAMILY(GetEntityName, std::string, getEntityName, kEntityForms, (List<List<>>), false, noLane)
V2PY_GRID_FAMILY(GetEntityID, EntityID, getEntityID, kEntityForms, (List<List<>>), false, noLane)
V2PY_GRID_FAMILY(GetEntityNumberOfAttributes, std::size_t, getEntityNumberOfAttributes, kEntityForms,
                 (List<List<>>), false, noLane)
V2PY_GRID_FAMILY(HasAttribute, bool, hasAttribute, kRows, (List<List<>>), false, noLane)
V2PY_GRID_FAMILY(GetAttribute, IAttribute*, getAttribute, kRows, (List<List<>>), false, noLane)
V2PY_GRID_FAMILY(GetAttributePath, std::string, getAttributePath, kPathSelectors, (List<List<>>), false, noLane)
V2PY_GRID_FAMILY(GetUnit, std::string, getUnit, kAttributeSelectors, (List<List<>>), false, noLane)
V2PY_GRID_FAMILY(GetAccessType, AccessType, getAccessType, kAttributeSelectors, (List<List<>>), false, noLane)
// Value families: the reader with a chronology, then without; the writer with value and
// chronology, then with the value alone.
#define V2PY_GRID_VALUE_FAMILY(T, GETTER, SETTER)                                                          \
  V2PY_GRID_FAMILY(GETTER, T, GETTER, kAttributeSelectors, (List<List<Chronology>, List<>>), false, valueLane) \
  V2PY_GRID_FAMILY(SETTER, void, SETTER, kAttributeSelectors, (List<List<T, Chronology>, List<T>>), false,     \
                   valueLane)
ORVANE_EDITOR_VALUE_FAMILIES(V2PY_GRID_VALUE_FAMILY)
#undef V2PY_GRID_VALUE_FAMILY
#undef V2PY_GRID_FAMILY

// Every order keeps the competing overloads in rank order.
#define V2PY_GRID_CHECK(F) static_assert(respectsRanks(shapes<F>, dispatchOrder<F>), #F " breaks the rank order");
V2PY_GRID_CHECK(Construct)
V2PY_GRID_CHECK(GetNumberOfEntities)
V2PY_GRID_CHECK(HasEntity)
V2PY_GRID_CHECK(GetEntityType)
V2PY_GRID_CHECK(HasAttribute)
V2PY_GRID_CHECK(GetAttributePath)
V2PY_GRID_CHECK(GetUnit)
#define V2PY_GRID_VALUE_CHECK(T, GETTER, SETTER) V2PY_GRID_CHECK(GETTER) V2PY_GRID_CHECK(SETTER)
ORVANE_EDITOR_VALUE_FAMILIES(V2PY_GRID_VALUE_CHECK)
#undef V2PY_GRID_VALUE_CHECK
#undef V2PY_GRID_CHECK

}  // namespace grid
}  // namespace v2py
