// Wrapper declarations: argument kinds, forms, dispatchers and the method-table glue.
//
// A wrapper is declared once as data: its Python name, its forms (each a stateless lambda
// whose parameter types are argument kinds) and, for dispatchers, its prototype lines.
// Unpacking, count checks, conversions, argument and overload messages and the exception
// guard all follow from that declaration here.
#pragma once
#include <Python.h>
#include <array>
#include <cstdint>
#include <exception>
#include <string>
#include <tuple>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include "pyruntime/convert.h"
#include "pyruntime/director.h"

namespace pyrt {

/// Maps a native class to its registry type. Specialised by the module:
///   static TypeDescriptor* descriptor();  static constexpr const char* name;  (qualified name)
template <class T>
struct TypeOf;

/// A fixed text as a type, for kinds whose message text is not derived from the native type.
#define PYRT_TEXT(Id, Text)                          \
  struct Id {                                        \
    static constexpr const char* value = Text;       \
  }

namespace text {
PYRT_TEXT(Int, "int");
PYRT_TEXT(SizeT, "size_t");
PYRT_TEXT(PtrDiff, "ptrdiff_t");
PYRT_TEXT(Bool, "bool");
PYRT_TEXT(Double, "double");
PYRT_TEXT(Float, "float");
PYRT_TEXT(StringRef, "std::string const &");
PYRT_TEXT(StringValue, "std::string const");
PYRT_TEXT(CharPtr, "char const *");
}  // namespace text

/// Texts joined at compile time; each part is a type with `static constexpr const char* value`.
/// Names made this way sit in read-only data instead of being assembled at import.
constexpr size_t textLength(const char* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}
template <class... Parts>
struct JoinText {
  static constexpr size_t size = (textLength(Parts::value) + ... + 0);
  static constexpr std::array<char, size + 1> make() {
    std::array<char, size + 1> out{};
    size_t at = 0;
    ((void)[&] {
       for (const char* p = Parts::value; *p; ++p) out[at++] = *p;
     }(),
     ...);
    return out;
  }
  static constexpr std::array<char, size + 1> chars = make();
  static constexpr const char* value = chars.data();
};

/// Message text of an object-pointer kind, built on first failure: qualified name + suffix.
template <class T, class Suffix>
const char* pointerText() {
  static const std::string s = std::string(TypeOf<std::remove_const_t<T>>::name) + Suffix::value;
  return s.c_str();
}
namespace text {
PYRT_TEXT(Ptr, " *");
PYRT_TEXT(ConstPtr, " const *");
PYRT_TEXT(PtrConst, " *const");
PYRT_TEXT(Ref, " &");
PYRT_TEXT(ConstRef, " const &");
}  // namespace text
template <class T>
using DefaultPtrSuffix = std::conditional_t<std::is_const<T>::value, text::ConstPtr, text::Ptr>;
template <class Text>
struct Fixed {
  static const char* get() { return Text::value; }
};
template <class T, class Suffix>
struct Derived {
  static const char* get() { return pointerText<T, Suffix>(); }
};

// ---------------------------------------------------------------------------------------------
// Argument kinds. Each kind is default constructible and offers
//   static bool check(const ArgInfo&)          side-effect-free test used to choose a form
//   bool load(const ArgInfo&, const char* fname, int argno)   real conversion; raises on failure
// and converts to the native parameter it stands for. A kind may also declare
//   static constexpr unsigned accepts          class bits of which an argument needs one to pass
// which dispatchers test on all forms before running any check. A kind derived from another
// whose check accepts more than its base's must declare its own `accepts` (~0u: no bits).

/// Object pointer; `Nullable` lets None through as a null pointer, else None is refused with
/// the null-reference ValueError before any native call.
template <class T, bool Nullable = false, class Text = Derived<T, DefaultPtrSuffix<T>>>
struct Obj {
  T* ptr = nullptr;
  static constexpr unsigned accepts = kClsProxy | kClsNone;
  using U = std::remove_const_t<T>;
  static TypeDescriptor* type() { return TypeOf<U>::descriptor(); }
  static bool check(const ArgInfo& a) {
    if (a.cls & kClsProxy) return canConvertTo<U>(a.proxy, type());
    return a.cls & kClsNone;
  }
  PYRT_ALWAYS_INLINE bool load(const ArgInfo& a, const char* fname, int argno) {
    // The common cases inline: a proxy of exactly the type, or of a derived type at the same
    // address, holding a pointer. Everything else, errors included, goes through loadOther.
    if ((a.cls & kClsProxy) && takesAddress<U>(a.proxy, type()) && a.proxy->ptr)
      return ptr = static_cast<T*>(a.proxy->ptr), true;
    const Loaded other = loadOther(a, fname, argno);
    ptr = other.ptr;
    return other.ok;
  }
  // The other cases, errors included. The pointer is returned, not stored: a kind that no call
  // can see stays in registers, so the inline case above reuses what check() read.
  struct Loaded {
    T* ptr;
    bool ok;
  };
  static Loaded loadOther(const ArgInfo& a, const char* fname, int argno) {
    if (a.cls & kClsProxy) {
      bool ok = false;
      T* p = static_cast<T*>(pointerFromProxyTo<U>(a, type(), &ok));
      if (!ok) return raiseArgumentError(fname, argno, Text::get(), kTypeError), Loaded{nullptr, false};
      if (p || Nullable) return {p, true};
      return raiseNullReference(fname, argno, Text::get()), Loaded{nullptr, false};
    }
    if ((a.cls & kClsNone) && Nullable) return {nullptr, true};
    if (a.cls & kClsNone) return raiseNullReference(fname, argno, Text::get()), Loaded{nullptr, false};
    return raiseArgumentError(fname, argno, Text::get(), kTypeError), Loaded{nullptr, false};
  }
  T* operator->() const { return ptr; }
  T* get() const { return ptr; }
  operator T*() const { return ptr; }
};

/// `self` of a method: a non-null object of the class or a derived one.
template <class T>
using Self = Obj<T>;
/// A handle argument where None means a null pointer.
template <class T, class Text = Derived<T, text::PtrConst>>
using Handle = Obj<T, true, Text>;

/// Reference parameter: a proxy of T; None or a null pointer raise the null-reference ValueError.
template <class T, class Text = Derived<T, std::conditional_t<std::is_const<T>::value, text::ConstRef, text::Ref>>>
struct Ref {
  T* ptr = nullptr;
  static constexpr unsigned accepts = kClsProxy;
  using U = std::remove_const_t<T>;
  static TypeDescriptor* type() { return TypeOf<U>::descriptor(); }
  static bool check(const ArgInfo& a) {
    return (a.cls & kClsProxy) && canConvertTo<U>(a.proxy, type());
  }
  bool load(const ArgInfo& a, const char* fname, int argno) {
    if (a.cls & kClsNone) return raiseNullReference(fname, argno, Text::get()), false;
    bool ok = false;
    if (a.cls & kClsProxy) ptr = static_cast<T*>(pointerFromProxyTo<U>(a, type(), &ok));
    if (!ok) return raiseArgumentError(fname, argno, Text::get(), kTypeError), false;
    if (!ptr) return raiseNullReference(fname, argno, Text::get()), false;
    return true;
  }
  T& operator*() const { return *ptr; }
  T* operator->() const { return ptr; }
  operator T&() const { return *ptr; }
};

/// Integer or enumeration within signed 32 bits.
template <class E, class Text = Fixed<text::Int>>
struct Int {
  E value{};
  static constexpr unsigned accepts = kClsI32;
  static bool check(const ArgInfo& a) { return a.cls & kClsI32; }
  bool load(const ArgInfo& a, const char* fname, int argno) {
    if (a.cls & kClsI32) return value = static_cast<E>(a.ival), true;
    return raiseArgumentError(fname, argno, Text::get(), (a.cls & kClsInt) ? kOverflow : kTypeError), false;
  }
  operator E() const { return value; }
};

/// size_t: 0 .. 2**64-1.
template <class Text = Fixed<text::SizeT>>
struct SizeKind {
  size_t value = 0;
  static constexpr unsigned accepts = kClsU64;
  static bool check(const ArgInfo& a) { return a.cls & kClsU64; }
  bool load(const ArgInfo& a, const char* fname, int argno) {
    if (a.cls & kClsU64) return value = static_cast<size_t>(a.uval), true;
    return raiseArgumentError(fname, argno, Text::get(), (a.cls & kClsInt) ? kOverflow : kTypeError), false;
  }
  operator size_t() const { return value; }
};
using Size = SizeKind<>;

/// ptrdiff_t: signed 64 bits.
struct PtrDiff {
  std::ptrdiff_t value = 0;
  static constexpr unsigned accepts = kClsI64;
  static bool check(const ArgInfo& a) { return a.cls & kClsI64; }
  bool load(const ArgInfo& a, const char* fname, int argno) {
    if (a.cls & kClsI64) return value = static_cast<std::ptrdiff_t>(a.ival), true;
    return raiseArgumentError(fname, argno, text::PtrDiff::value, (a.cls & kClsInt) ? kOverflow : kTypeError), false;
  }
  operator std::ptrdiff_t() const { return value; }
};

/// Exactly True or False.
template <class Text = Fixed<text::Bool>>
struct BoolKind {
  bool value = false;
  static constexpr unsigned accepts = kClsBool;
  static bool check(const ArgInfo& a) { return a.cls & kClsBool; }
  bool load(const ArgInfo& a, const char* fname, int argno) {
    if (a.cls & kClsBool) return value = a.obj == Py_True, true;
    return raiseArgumentError(fname, argno, Text::get(), kError), false;
  }
  operator bool() const { return value; }
};
using Bool = BoolKind<>;

/// double from a float or an int that converts.
struct Double {
  double value = 0;
  static constexpr unsigned accepts = kClsDouble;
  static bool check(const ArgInfo& a) { return a.cls & kClsDouble; }
  bool load(const ArgInfo& a, const char* fname, int argno) {
    if (a.cls & kClsDouble) return value = a.dval, true;
    return raiseArgumentError(fname, argno, text::Double::value, kTypeError), false;
  }
  operator double() const { return value; }
};

/// float: as double, finite values within single range.
struct Float {
  float value = 0;
  static constexpr unsigned accepts = kClsFloat;
  static bool check(const ArgInfo& a) { return a.cls & kClsFloat; }
  bool load(const ArgInfo& a, const char* fname, int argno) {
    if (a.cls & kClsFloat) return value = static_cast<float>(a.dval), true;
    return raiseArgumentError(fname, argno, text::Float::value, (a.cls & kClsDouble) ? kOverflow : kTypeError),
           false;
  }
  operator float() const { return value; }
};

/// Text passes for str, None and character-pointer proxies (the check of every string kind).
inline bool textCheck(const ArgInfo& a) {
  if (a.cls & (kClsText | kClsNone)) return true;
  if (!(a.cls & kClsProxy)) return false;
  TypeDescriptor* ty = charPtrTypeDescriptor();
  return ty && canConvert(a.proxy, ty);
}

/// std::string const & (None: null-reference ValueError) or, with ByValue, std::string const
/// (None: TypeError).
template <bool ByValue = false, class Text = Fixed<std::conditional_t<ByValue, text::StringValue, text::StringRef>>>
struct StringKind {
  std::string value;
  static constexpr unsigned accepts = kClsText | kClsNone | kClsProxy;
  static bool check(const ArgInfo& a) { return textCheck(a); }
  PYRT_ALWAYS_INLINE bool load(const ArgInfo& a, const char* fname, int argno) {
    if (a.cls & kClsText) {  // the common case: the str's UTF-8 into the still empty string
      value.append(a.text, static_cast<size_t>(a.textLen));
      return true;
    }
    return loadOther(a, fname, argno);
  }
  __attribute__((noinline)) bool loadOther(const ArgInfo& a, const char* fname, int argno) {
    bool isNull = false;
    int code = loadString(a, value, &isNull);
    if (code < 0) return raiseArgumentError(fname, argno, Text::get(), code), false;
    if (isNull) {
      if (ByValue) return raiseArgumentError(fname, argno, Text::get(), kTypeError), false;
      return raiseNullReference(fname, argno, Text::get()), false;
    }
    return true;
  }
  operator const std::string&() const { return value; }
};
using String = StringKind<false>;
using StringValue = StringKind<true>;

/// char const *: borrowed buffer of a str or a character-pointer proxy. None is refused here,
/// since no native operation taking text accepts a null pointer.
template <class Text = Fixed<text::CharPtr>>
struct CharsKind {
  const char* value = nullptr;
  static constexpr unsigned accepts = kClsText | kClsNone | kClsProxy;
  static bool check(const ArgInfo& a) { return textCheck(a); }
  bool load(const ArgInfo& a, const char* fname, int argno) {
    int code = loadCharPtr(a, &value);
    if (code < 0 || !value) return raiseArgumentError(fname, argno, Text::get(), kTypeError), false;
    return true;
  }
  operator const char*() const { return value; }
};
using Chars = CharsKind<>;

/// The raw Python object (borrowed), for wrappers that take any object.
struct AnyObject {
  PyObject* value = nullptr;
  static bool check(const ArgInfo&) { return true; }
  bool load(const ArgInfo& a, const char*, int) { return value = a.obj, true; }
  operator PyObject*() const { return value; }
};

/// Object pointer that remembers the proxy in the argument's chain the pointer came from
/// (kept alive by the call's arguments), for results that refer to it or act on it.
template <class T, bool Nullable = false, class Text = Derived<T, DefaultPtrSuffix<T>>>
struct Sourced : Obj<T, Nullable, Text> {
  SwigPyObject* source = nullptr;
  bool load(const ArgInfo& a, const char* fname, int argno) {
    if (!Obj<T, Nullable, Text>::load(a, fname, argno)) return false;
    if (this->ptr) source = matchingProxy(a, this->type());
    return true;
  }
};

/// `self` of an operation whose result points into the object (a view): the view holds `source`.
template <class T>
using Viewed = Sourced<T>;

/// Object pointer whose proxy gives up ownership only when the wrapper calls release(), after
/// every argument converted (delete functions, in-place operators); a failed call keeps the owner.
/// The proxy the pointer came from is held and acted on directly: looking it up again could run
/// Python code and find another one.
template <class T, bool Nullable = false, class Text = Derived<T, DefaultPtrSuffix<T>>>
struct Disowned : Sourced<T, Nullable, Text> {
  bool held = false;  // source is held here: it is not the argument itself
  Disowned() = default;
  Disowned(const Disowned&) = delete;
  Disowned& operator=(const Disowned&) = delete;
  ~Disowned() {
    if (held) Py_DECREF(reinterpret_cast<PyObject*>(this->source));
  }
  bool load(const ArgInfo& a, const char* fname, int argno) {
    if (!Sourced<T, Nullable, Text>::load(a, fname, argno)) return false;
    // The argument itself is kept by the caller (and may be a proxy being deallocated, handed to
    // its destroy function); a proxy found through `this` or down a chain is held here.
    if (this->source && reinterpret_cast<PyObject*>(this->source) != a.obj) {
      Py_INCREF(reinterpret_cast<PyObject*>(this->source));
      held = true;
    }
    return true;
  }
  /// Clears the own flag of the proxy the pointer came from; returns the pointer.
  T* release() const {
    if (this->ptr && this->source) setOwn(this->source, 0);
    return this->ptr;
  }
  /// Nulls that proxy's pointer once the object is gone, so later calls through it are refused.
  void forget() const {
    if (this->ptr && this->source) this->source->ptr = nullptr;
  }
};

/// An unowned proxy of ptr (a view into the object of `of`), made as newProxy makes it with
/// `flags` (kNoShadow or 0), that keeps the object's proxy alive in its keep reference, which
/// nothing in Python reads: the object lives as long as any view of it, while the view shows
/// nothing of it.
PyObject* newView(void* ptr, TypeDescriptor* ty, SwigPyObject* of, int flags);
/// The instance of the class bound to ty holding the bare proxy (stolen), or the proxy itself
/// when no class is bound.
PyObject* shadowed(PyObject* proxy, TypeDescriptor* ty);

// ---------------------------------------------------------------------------------------------
// Results. A form's lambda returns a native value (converted by toPython) or one of these.

/// A pointer wrapped by newProxy with the given flags (0: not owned; kOwn: owned copy;
/// kConstructed: constructor result). `Directed` returns a director's own Python object.
template <class T, int Flags = 0, bool Directed = false>
struct Proxy {
  T* ptr;
};
template <class T>
Proxy<T> unowned(T* p) { return {p}; }
template <class T>
Proxy<T, kOwn> owned(T* p) { return {p}; }
template <class T>
Proxy<T, kConstructed> constructed(T* p) { return {p}; }
template <class T>
Proxy<T, 0, true> directed(T* p) { return {p}; }

/// A pre-built Python result (new reference or null with an error set).
struct Raw {
  PyObject* obj;
};

inline PyObject* toPython(bool v) { return PyBool_FromLong(v); }
inline PyObject* toPython(int v) { return PyLong_FromLong(v); }
inline PyObject* toPython(long v) { return PyLong_FromLong(v); }
inline PyObject* toPython(long long v) { return PyLong_FromLongLong(v); }
inline PyObject* toPython(unsigned long v) { return PyLong_FromUnsignedLong(v); }
inline PyObject* toPython(unsigned long long v) { return PyLong_FromUnsignedLongLong(v); }
inline PyObject* toPython(double v) { return PyFloat_FromDouble(v); }
inline PyObject* toPython(float v) { return PyFloat_FromDouble(v); }
inline PyObject* toPython(const std::string& v) { return fromString(v); }
inline PyObject* toPython(Raw r) { return r.obj; }
template <class E, std::enable_if_t<std::is_enum<E>::value, int> = 0>
PyObject* toPython(E v) {
  return PyLong_FromLong(static_cast<long>(v));
}
template <class T, int Flags, bool Directed>
PyObject* toPython(Proxy<T, Flags, Directed> p) {
  using U = std::remove_const_t<T>;
  U* ptr = const_cast<U*>(p.ptr);
  if (Directed && ptr) {
    if (PyObject* owner = directorOwner(ptr)) {
      Py_INCREF(owner);
      return owner;
    }
  }
  return newProxy(ptr, TypeOf<U>::descriptor(), Flags);
}

/// Translates native exceptions into RuntimeError; nothing native crosses into the interpreter.
PyObject* translateException() noexcept;
/// RuntimeError with the text of a caught standard exception; returns null.
PyObject* raiseNativeError(const char* what) noexcept;

/// Inside a handler: the object of the exception being handled when its type is `type`, else null.
/// Also when another library threw it with its own copy of the C++ runtime (a wheel's modules each
/// carry one), whose types a typed catch of this library does not match: the names do match.
const void* caughtObject(const std::type_info& type) noexcept;
template <class E>
const E* caught() noexcept {
  return static_cast<const E*>(caughtObject(typeid(E)));
}

// ---------------------------------------------------------------------------------------------
// Forms.

/// Kinds that convert to an object pointer (they name a registry type); their checks compare types.
template <class K, class = void>
struct IsObjectKind : std::false_type {};
template <class K>
struct IsObjectKind<K, std::void_t<decltype(K::type())>> : std::true_type {};
/// The `accepts` bits of a kind; a kind without them is never rejected before its check.
template <class K, class = void>
struct AcceptsOf {
  static constexpr unsigned value = ~0u;
};
template <class K>
struct AcceptsOf<K, std::void_t<decltype(K::accepts)>> {
  static constexpr unsigned value = K::accepts;
};

template <class F, class Sig = decltype(&F::operator())>
struct Form;

template <class F, class R, class C, class... P>
struct Form<F, R (C::*)(P...) const> {
  static constexpr int arity = sizeof...(P);
  using Kinds = std::tuple<std::decay_t<P>...>;
  F fn;

  /// True when every argument passes its kind's check.
  PYRT_ALWAYS_INLINE static bool check(const ArgInfo* a) { return checkAll(a, std::index_sequence_for<P...>{}); }
  /// False when some argument's class bits rule its kind out (cls: the arguments' bits).
  PYRT_ALWAYS_INLINE static bool mayPass(const unsigned* cls) { return mayPassAll(cls, std::index_sequence_for<P...>{}); }

  /// Converts the arguments for real, calls under the guard, converts the result.
  PyObject* invoke(const char* fname, const ArgInfo* a) const {
    return invokeAll(fname, a, std::index_sequence_for<P...>{});
  }

 private:
  template <size_t... I>
  PYRT_ALWAYS_INLINE static bool mayPassAll(const unsigned* cls, std::index_sequence<I...>) {
    return ((AcceptsOf<std::tuple_element_t<I, Kinds>>::value == ~0u ||
             (cls[I] & AcceptsOf<std::tuple_element_t<I, Kinds>>::value)) &&
            ...);
  }
  // Checks have no effect, so their order is free: value kinds, mere tests of the argument's
  // class bits, go first and reject most forms before a pointer type is compared.
  template <size_t... I>
  PYRT_ALWAYS_INLINE static bool checkAll(const ArgInfo* a, std::index_sequence<I...>) {
    return ((IsObjectKind<std::tuple_element_t<I, Kinds>>::value || std::tuple_element_t<I, Kinds>::check(a[I])) &&
            ...) &&
           ((!IsObjectKind<std::tuple_element_t<I, Kinds>>::value || std::tuple_element_t<I, Kinds>::check(a[I])) &&
            ...);
  }
  template <size_t... I>
  PyObject* invokeAll([[maybe_unused]] const char* fname, [[maybe_unused]] const ArgInfo* a,
                      std::index_sequence<I...>) const {
    Kinds args;
    if (!(std::get<I>(args).load(a[I], fname, static_cast<int>(I) + 1) && ...)) return nullptr;
    try {
      if constexpr (std::is_void<R>::value) {
        fn(std::get<I>(args)...);
        Py_RETURN_NONE;
      } else {
        return toPython(fn(std::get<I>(args)...));
      }
    } catch (const std::exception& e) {  // caught here, not rethrown: a second unwind costs
      return raiseNativeError(e.what());
    } catch (...) {
      return translateException();
    }
  }
};

template <class F>
Form<F> form(F f) {
  return Form<F>{f};
}

template <class... A>
constexpr int maxOf(A... a) {
  int m = 0;
  ((m = a > m ? a : m), ...);
  return m;
}

/// Prototype lines of a dispatcher, in native declaration order.
template <size_t N>
struct Protos {
  std::array<const char*, N> lines;
};
template <class... S>
constexpr Protos<sizeof...(S)> protos(S... s) {
  return {{s...}};
}

/// The fixed overload-failure message, built once per dispatcher.
PyObject* overloadMessage(const char* name, const char* const* lines, size_t count);

/// A dispatcher: forms in dispatch order; protos in declaration order.
template <size_t N, class... F>
struct Overloaded {
  static constexpr int maxArgs = maxOf(Form<F>::arity...);
  static constexpr int flags = METH_VARARGS;
  const char* name;
  Protos<N> protoLines;
  std::tuple<Form<F>...> forms;

  // The entry jumps to the group of forms for the argument count (a tail call), so a call has
  // one frame of the dispatcher's own.
  PYRT_ALWAYS_INLINE PyObject* call(PyObject* const* argv, Py_ssize_t n, PyObject*& cachedMessage) const {
    if (n <= maxArgs) return byCount(n, argv, cachedMessage, std::make_index_sequence<maxArgs + 1>{});
    return noMatch(n, cachedMessage);
  }

 private:
  template <size_t... K>
  PYRT_ALWAYS_INLINE PyObject* byCount(Py_ssize_t n, PyObject* const* argv, PyObject*& cachedMessage,
                                       std::index_sequence<K...>) const {
    PyObject* result = nullptr;
    (void)((n == static_cast<Py_ssize_t>(K) && (result = group<static_cast<int>(K)>(argv, cachedMessage), true)) ||
           ...);
    return result;
  }
  // The forms taking K arguments, in dispatch order; the others are left out at compile time.
  template <int K>
  __attribute__((noinline)) PyObject* group(PyObject* const* argv, PyObject*& cachedMessage) const {
    return tryGroup<K>(argv, cachedMessage, std::index_sequence_for<F...>{});
  }
  template <int K, size_t... I>
  PYRT_ALWAYS_INLINE PyObject* tryGroup(PyObject* const* argv, PyObject*& cachedMessage,
                                        std::index_sequence<I...>) const {
    ArgInfo a[K > 0 ? K : 1];
    unsigned cls[K > 0 ? K : 1];  // the class bits at hand, so that ruling forms out reads no memory
    for (int i = 0; i < K; ++i) {
      a[i].obj = argv[i];
      classify(a[i]);
      cls[i] = a[i].cls;
    }
    PyObject* result = nullptr;
    if (((Form<F>::arity == K && Form<F>::mayPass(cls) && Form<F>::check(a)
              ? (result = std::get<I>(forms).invoke(name, a), true)
              : false) ||
         ...))
      return result;
    return noMatch(K, cachedMessage);
  }
  // No form takes these arguments: the count error when there are too many, then the fixed
  // overload message, built on the first failure.
  __attribute__((noinline, cold)) PyObject* noMatch(Py_ssize_t n, PyObject*& cachedMessage) const {
    if (n > maxArgs) raiseCountError(name, 0, maxArgs, n);
    if (!cachedMessage) cachedMessage = overloadMessage(name, protoLines.lines.data(), N);
    if (cachedMessage) raiseOrExtendTypeError(cachedMessage);
    return nullptr;
  }
};

template <size_t N, class... F>
constexpr Overloaded<N, F...> overloads(const char* name, Protos<N> p, F... f) {
  return {name, p, std::tuple<Form<F>...>{Form<F>{f}...}};
}

/// A function of one form: exact argument count, argument messages, no overload message.
/// METH_O for one argument, METH_NOARGS for none, else METH_VARARGS; `forceVarargs` keeps a
/// one-argument function on an argument tuple.
template <class F, bool ForceVarargs = false>
struct Single {
  static constexpr int arity = Form<F>::arity;
  static constexpr int flags = arity == 0 ? METH_NOARGS : (arity == 1 && !ForceVarargs ? METH_O : METH_VARARGS);
  const char* name;
  Form<F> form;

  PyObject* callO(PyObject* arg) const {
    ArgInfo a[1];
    a[0].obj = arg;
    classify(a[0]);
    return form.invoke(name, a);
  }
  PyObject* callNoArgs() const { return form.invoke(name, nullptr); }
  PyObject* callArray(PyObject* const* argv, Py_ssize_t n) const {
    if (n != arity) return raiseCountError(name, arity, arity, n), nullptr;
    ArgInfo a[arity > 0 ? arity : 1];
    for (Py_ssize_t i = 0; i < n; ++i) {
      a[i].obj = argv[i];
      classify(a[i]);
    }
    return form.invoke(name, a);
  }
};

template <class F>
constexpr Single<F> single(const char* name, F f) {
  return {name, Form<F>{f}};
}
template <class F>
constexpr Single<F, true> singleVarargs(const char* name, F f) {
  return {name, Form<F>{f}};
}

/// A hand-written body for the few functions whose protocol is not a native call
/// (swigregister, swiginit, operators returning NotImplemented). Flags as given.
struct Custom {
  const char* name;
  PyCFunction fn;
  int flags;
};

// ---------------------------------------------------------------------------------------------
// Method-table glue: the C entry points of each declared wrapper, chosen at compile time.
//
// A wrapper of several arguments is entered two ways. The method table holds the argument-tuple
// entry (METH_VARARGS). The function object made from that row also gets a vectorcall entry,
// which reads the caller's argument array directly: calls from Python code then build no tuple.
// Both entries run the same dispatch on the same items, so they behave alike. One-argument and
// no-argument rows (METH_O, METH_NOARGS) get a vectorcall entry of their own as well, which a
// method descriptor can take over (see method.cpp); the interpreter's entries are only for its
// own function objects.

/// One row of the method table: the PyMethodDef and, for declared wrappers, the vectorcall
/// entry given to the function object (null: the row is used as it is).
struct Row {
  PyMethodDef def;
  vectorcallfunc fast;
};
/// The row that ends each run.
constexpr Row kEndOfRows = {{nullptr, nullptr, 0, nullptr}, nullptr};

/// Creates the module of `def` with the runs of rows joined into its method table (one table,
/// ended by the null row, kept for the process) and gives each function made from a row with a
/// vectorcall entry that entry; null with an error set.
PyObject* createModule(PyModuleDef* def, const Row* const* runs, size_t count, int apiVersion);
/// TypeError for keywords passed to a function that takes none (the interpreter's own text).
PyObject* refuseKeywords(PyObject* callable);
/// A one-argument or no-argument function (or a method descriptor that took over its entry)
/// called with keywords or another count: a function object of the same row, made by the
/// interpreter, raises the interpreter's own error.
PyObject* callWrongly(PyObject* callable, PyObject* const* argv, size_t nargsf, PyObject* kwnames);

template <class T>
struct IsSingle : std::false_type {};
template <class F, bool V>
struct IsSingle<Single<F, V>> : std::true_type {};

/// What an entry does with the result; Operator turns a TypeError into NotImplemented so that
/// the interpreter tries the reflected operation.
enum class Finish { Plain, Operator };

template <const auto& D, Finish How = Finish::Plain>
struct Entry {
  using T = std::remove_cv_t<std::remove_reference_t<decltype(D)>>;
  static inline PyObject* message = nullptr;  // overload message, built on first failure

  PYRT_ALWAYS_INLINE static PyObject* run(PyObject* const* argv, Py_ssize_t n) {
    PyObject* result;
    if constexpr (IsSingle<T>::value) result = D.callArray(argv, n);
    else result = D.call(argv, n, message);
    if constexpr (How == Finish::Operator) {
      if (!result && PyErr_ExceptionMatches(PyExc_TypeError)) {
        PyErr_Clear();
        Py_RETURN_NOTIMPLEMENTED;
      }
    }
    return result;
  }
  static PyObject* tuple(PyObject*, PyObject* args) { return run(&PyTuple_GET_ITEM(args, 0), PyTuple_GET_SIZE(args)); }
  static PyObject* vector(PyObject* callable, PyObject* const* argv, size_t nargsf, PyObject* kwnames) {
    if (kwnames && PyTuple_GET_SIZE(kwnames)) return refuseKeywords(callable);
    return run(argv, PyVectorcall_NARGS(nargsf));
  }
  static PyObject* one(PyObject*, PyObject* arg) { return D.callO(arg); }
  static PyObject* none(PyObject*, PyObject*) { return D.callNoArgs(); }
  // The vectorcall entry of a one-argument or no-argument row (Count 1 or 0), in place of the
  // interpreter's (which a method descriptor may not take over): it calls the row's body directly.
  template <int Count>
  static PyObject* vectorExact(PyObject* callable, PyObject* const* argv, size_t nargsf, PyObject* kwnames) {
    if (PyVectorcall_NARGS(nargsf) != Count || (kwnames && PyTuple_GET_SIZE(kwnames)))
      return callWrongly(callable, argv, nargsf, kwnames);
    if constexpr (Count == 1) return D.callO(argv[0]);
    else return D.callNoArgs();
  }
};

/// The method-table row of a declared wrapper (a constant: tables are static data).
template <const auto& D>
constexpr Row def(const char* doc = nullptr) {
  using T = std::remove_cv_t<std::remove_reference_t<decltype(D)>>;
  if constexpr (std::is_same<T, Custom>::value) {
    return {{D.name, D.fn, D.flags, doc}, nullptr};
  } else if constexpr (IsSingle<T>::value && T::flags == METH_O) {
    return {{D.name, Entry<D>::one, METH_O, doc}, Entry<D>::template vectorExact<1>};
  } else if constexpr (IsSingle<T>::value && T::flags == METH_NOARGS) {
    return {{D.name, Entry<D>::none, METH_NOARGS, doc}, Entry<D>::template vectorExact<0>};
  } else {
    return {{D.name, Entry<D>::tuple, METH_VARARGS, doc}, Entry<D>::vector};
  }
}

/// The method-table row of a binary operator (always an argument tuple).
template <const auto& D>
constexpr Row defOperator(const char* doc = nullptr) {
  using E = Entry<D, Finish::Operator>;
  return {{D.name, E::tuple, METH_VARARGS, doc}, E::vector};
}

}  // namespace pyrt
