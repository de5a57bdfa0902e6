// Protected-member wrappers, director classes and disown_ functions of the attribute family:
// one template combines each class's list of raw-operation families with the operations of each
// family; names, arguments and messages follow from the native slot.
#include <array>
#include <string>
#include <tuple>
#include <type_traits>
#include "module/attributes.h"

// The raw operations of each family, in the interfaces' slot order.
#define V2PY_ATTRIBUTE_OPS(X)                                                                                  \
  X(do_getAttributeType_const) X(do_getType_const) X(do_getParent_const) X(do_getParentEntity_const)          \
  X(do_getAttributePath_const) X(do_getStringValue_const) X(do_setStringValue) X(do_getFloatValue_const)      \
  X(do_setFloatValue) X(do_getDoubleValue_const) X(do_setDoubleValue) X(do_getIntValue_const) X(do_setIntValue) \
  X(do_getBoolValue_const) X(do_setBoolValue) X(do_hasValue_const) X(do_hasUnits_const) X(do_getUnit_const)     \
  X(do_getAccessType_const)
#define V2PY_COMPOSITE_OPS(X)                                                                        \
  X(do_GetNumberOfAttributes_const) X(do_GetAttribute) X(do_GetAttribute_const) X(do_GetAttributeByPath) \
  X(do_GetAttributeByPath_const) X(do_HasAttributeByPath_const)
#define V2PY_ENTITY_OPS(X) X(do_getName_const) X(do_getEntityID_const)
#define V2PY_SHORTCUT_OPS(X) X(do_getNumberOfShortcuts_const) X(do_getShortcut_const) X(do_getFirstValidShortcut_const)

// Director classes: the interface and Swig::Director, with the protected raw operations that
// have wrappers made public again so that the wrappers can name them. They stay abstract: the
// module constructs none (no constructor is bound), and the library's objects are not directors.
// (IEntityLinkAttributeBase's own three operations have no wrappers and stay protected.)
#define V2PY_USING(op) using Interface::op;
#define V2PY_DIRECTOR_CLASS(Class, ...)                                                           \
  class SwigDirector_##Class : public OrvaneSDK::Model::Class, public Swig::Director {             \
    using Interface = OrvaneSDK::Model::Class;                                                     \
                                                                                                   \
   public:                                                                                         \
    __VA_ARGS__                                                                                    \
  };
V2PY_DIRECTOR_CLASS(IAttribute, V2PY_ATTRIBUTE_OPS(V2PY_USING))
V2PY_DIRECTOR_CLASS(IEntityLinkAttributeBase, V2PY_ATTRIBUTE_OPS(V2PY_USING))
V2PY_DIRECTOR_CLASS(IArrayAttribute, V2PY_ATTRIBUTE_OPS(V2PY_USING))
V2PY_DIRECTOR_CLASS(ICompositeAttribute, V2PY_ATTRIBUTE_OPS(V2PY_USING) V2PY_COMPOSITE_OPS(V2PY_USING))
V2PY_DIRECTOR_CLASS(IEntity,
                    V2PY_ATTRIBUTE_OPS(V2PY_USING) V2PY_COMPOSITE_OPS(V2PY_USING) V2PY_ENTITY_OPS(V2PY_USING))
V2PY_DIRECTOR_CLASS(ILinkAttribute, V2PY_ATTRIBUTE_OPS(V2PY_USING))
V2PY_DIRECTOR_CLASS(IListAttribute, V2PY_ATTRIBUTE_OPS(V2PY_USING))
V2PY_DIRECTOR_CLASS(IShortcutAttribute, V2PY_ATTRIBUTE_OPS(V2PY_USING) V2PY_SHORTCUT_OPS(V2PY_USING))
#undef V2PY_DIRECTOR_CLASS
#undef V2PY_USING

namespace v2py {
namespace {
using namespace OrvaneSDK;
using namespace OrvaneSDK::Model;

// ---------------------------------------------------------------------------------------------
// The per-operation list: one tag per raw operation with its name and its member pointer,
// taken through a director class that re-exposes it.
namespace op {
#define V2PY_OP_TAG(name_)                           \
  struct name_ {                                     \
    static constexpr const char* name = #name_;      \
    template <class Director>                        \
    static constexpr auto member() {                 \
      return &Director::name_;                       \
    }                                                \
  };
V2PY_ATTRIBUTE_OPS(V2PY_OP_TAG)
V2PY_COMPOSITE_OPS(V2PY_OP_TAG)
V2PY_ENTITY_OPS(V2PY_OP_TAG)
V2PY_SHORTCUT_OPS(V2PY_OP_TAG)
#undef V2PY_OP_TAG
}  // namespace op

/// A family of operations as a type list (the leading void takes the list macro's first comma).
template <class Void, class... Ops>
struct Family {};
#define V2PY_OP_TYPE(name_) , op::name_
using AttributeOps = Family<void V2PY_ATTRIBUTE_OPS(V2PY_OP_TYPE)>;
using CompositeOps = Family<void V2PY_COMPOSITE_OPS(V2PY_OP_TYPE)>;
using EntityOps = Family<void V2PY_ENTITY_OPS(V2PY_OP_TYPE)>;
using ShortcutOps = Family<void V2PY_SHORTCUT_OPS(V2PY_OP_TYPE)>;
#undef V2PY_OP_TYPE

// ---------------------------------------------------------------------------------------------
// The per-class list: the short name, the type table index, the director class and the
// families of raw operations that carry a wrapper on that class.
template <class C>
struct Carries;
#define V2PY_CARRIES(Class, ...)                           \
  template <>                                              \
  struct Carries<Class> {                                  \
    static constexpr const char* name = #Class;            \
    static constexpr int type = T_##Class;                 \
    using Director = SwigDirector_##Class;                 \
    using Families = std::tuple<__VA_ARGS__>;              \
  };
V2PY_CARRIES(IAttribute, AttributeOps)
V2PY_CARRIES(IEntityLinkAttributeBase, AttributeOps)
V2PY_CARRIES(IArrayAttribute, AttributeOps)
V2PY_CARRIES(ICompositeAttribute, AttributeOps, CompositeOps)
V2PY_CARRIES(IEntity, AttributeOps, CompositeOps, EntityOps)
V2PY_CARRIES(ILinkAttribute, AttributeOps)
V2PY_CARRIES(IListAttribute, AttributeOps)
V2PY_CARRIES(IShortcutAttribute, AttributeOps, ShortcutOps)
#undef V2PY_CARRIES

// ---------------------------------------------------------------------------------------------
// Argument kinds of raw parameters, with the type texts used in argument messages. A reference is
// passed as a proxy of the matching pointer type; a pointer out-parameter as a proxy of the
// pointer-to-pointer type, whose text is written without a blank before the '&'.
PYRT_TEXT(PointerRef, "&");
template <class P>
struct KindOf;
#define V2PY_VALUE_KIND(Native, Kind) \
  template <>                         \
  struct KindOf<Native> {             \
    using type = Kind;                \
  };
V2PY_VALUE_KIND(bool, pyrt::Bool)
V2PY_VALUE_KIND(int, pyrt::Int<int>)
V2PY_VALUE_KIND(float, pyrt::Float)
V2PY_VALUE_KIND(double, pyrt::Double)
V2PY_VALUE_KIND(std::size_t, pyrt::Size)
V2PY_VALUE_KIND(Chronology, ChronologyArg)
#undef V2PY_VALUE_KIND
template <class T>
struct KindOf<T&> {
  using type = pyrt::Ref<T>;
};
template <class T>
struct KindOf<T*&> {
  using P = std::remove_const_t<T>*;
  using type = pyrt::Ref<P, pyrt::Derived<P, PointerRef>>;
};

/// The native argument behind a loaded kind. A const-pointee out-parameter
/// (`IAttribute const*&`) shares the representation of the proxied `IAttribute*`.
template <class P, class K>
decltype(auto) nativeArg(const K& kind) {
  using Target = std::remove_reference_t<P>;
  if constexpr (!std::is_reference<P>::value)
    return static_cast<P>(kind);
  else if constexpr (std::is_pointer<Target>::value)
    return *static_cast<Target*>(static_cast<void*>(kind.ptr));
  else
    return static_cast<P>(*kind.ptr);
}

/// `self` of a protected member: None is a null object, and the Python object is kept for the
/// upcall test.
template <class T>
struct SelfArg : pyrt::Obj<T, true> {
  PyObject* object = nullptr;
  bool load(const pyrt::ArgInfo& a, const char* fname, int argno) {
    object = a.obj;
    return pyrt::Obj<T, true>::load(a, fname, argno);
  }
};

/// Function name "C_do_x" and qualified name "OrvaneSDK::Model::C::do_x", joined at compile time.
template <class C>
struct ClassName {
  static constexpr const char* value = Carries<C>::name;
};
template <class C>
struct QualifiedClassName {
  static constexpr const char* value = pyrt::TypeOf<C>::name;
};
template <class Op>
struct OpName {
  static constexpr const char* value = Op::name;
};
PYRT_TEXT(Underscore, "_");
PYRT_TEXT(Scope, "::");
PYRT_TEXT(DisownPrefix, "disown_");
PYRT_TEXT(RegisterSuffix, "_swigregister");
template <class C, class Op>
struct ProtectedNames {
  static constexpr const char* function = pyrt::JoinText<ClassName<C>, Underscore, OpName<Op>>::value;
  static constexpr const char* qualified = pyrt::JoinText<QualifiedClassName<C>, Scope, OpName<Op>>::value;
};

/// The body of a protected-member wrapper for Op on class C, once every argument converted.
template <class C, class Op, class Self, class... P>
struct ProtectedBody {
  pyrt::Raw operator()(SelfArg<Self> self, typename KindOf<P>::type... args) const {
    Swig::Director* director = pyrt::asDirector(self.get());
    if (!director || !director->mayAccessProtected(Op::name)) {
      PyErr_Format(PyExc_RuntimeError, "accessing protected member %s", Op::name);
      return {nullptr};
    }
    // An upcall from the director's own Python object: there is no native body to reach.
    if (director->owner() == self.object)
      Swig::DirectorPureVirtualException::throwPureVirtual(ProtectedNames<C, Op>::qualified);
    // The member was named through the director class; the virtual call reaches the override.
    constexpr auto member = Op::template member<typename Carries<C>::Director>();
    return {PyLong_FromLong((self.get()->*member)(nativeArg<P>(args)...))};
  }
};

/// Splits the raw operation's member pointer into constness and parameters.
template <class C, class Op, class Member = decltype(Op::template member<typename Carries<C>::Director>())>
struct Protected;
template <class C, class Op, class B, class... P>
struct Protected<C, Op, int (B::*)(P...) const> : ProtectedBody<C, Op, const C, P...> {};
template <class C, class Op, class B, class... P>
struct Protected<C, Op, int (B::*)(P...)> : ProtectedBody<C, Op, C, P...> {};

/// The wrapper of a protected member: exactly one argument per raw parameter plus self.
template <class C, class Op>
constexpr pyrt::Single<Protected<C, Op>, true> protectedWrapper{ProtectedNames<C, Op>::function, {}};

/// disown_C: a director that Python still owns keeps its Python object alive from now on.
template <class C>
struct Disown {
  void operator()(pyrt::Obj<C, true> object) const {
    if (Swig::Director* director = pyrt::asDirector(object.get())) director->disown();
  }
};
template <class C>
constexpr const char* disownName = pyrt::JoinText<DisownPrefix, ClassName<C>>::value;
template <class C>
constexpr pyrt::Single<Disown<C>> disownWrapper{disownName<C>, {}};
template <class C>
constexpr const char* registerName = pyrt::JoinText<ClassName<C>, RegisterSuffix>::value;

/// The rows of one family of protected members.
template <class C, class... Ops>
constexpr std::array<Row, sizeof...(Ops)> familyRows(Family<void, Ops...>) {
  return {{pyrt::def<protectedWrapper<C, Ops>>()...}};
}

template <std::size_t... N>
constexpr std::array<Row, (N + ... + 0)> concat(const std::array<Row, N>&... parts) {
  std::array<Row, (N + ... + 0)> all{};
  std::size_t at = 0;
  ((void)[&] {
     for (const Row& row : parts) all[at++] = row;
   }(),
   ...);
  return all;
}

/// The protected members of C in slot order, then disown_C, C_swigregister and the end row.
template <class C, class... F>
constexpr auto directorRows(std::tuple<F...>) {
  return concat(familyRows<C>(F())...,
                std::array<Row, 3>{{pyrt::def<disownWrapper<C>>(),
                                    {{registerName<C>, swigregister<Carries<C>::type>, METH_O, nullptr}, nullptr},
                                    kEndOfRows}});
}
template <class C>
constexpr auto directorTable = directorRows<C>(typename Carries<C>::Families{});

}  // namespace

const Row* const directorMethods[kDirectorClasses] = {
    directorTable<IAttribute>.data(),          directorTable<IEntityLinkAttributeBase>.data(),
    directorTable<IArrayAttribute>.data(),     directorTable<ICompositeAttribute>.data(),
    directorTable<IEntity>.data(),             directorTable<ILinkAttribute>.data(),
    directorTable<IListAttribute>.data(),      directorTable<IShortcutAttribute>.data(),
};

}  // namespace v2py
