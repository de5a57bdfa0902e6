// Argument unpacking, value conversions in both directions, and the fixed error texts.
#pragma once
#include <Python.h>
#if PY_VERSION_HEX < 0x030B0000
#include <longintrepr.h>  // digits of small ints (included by Python.h from 3.11 on)
#endif
#include <cstddef>
#include <cstdint>
#include <string>
#include "pyruntime/proxy.h"

namespace pyrt {

/// Checks an argument tuple (or a METH_O argument) against [min, max]; fills objs.
/// Returns the count plus one, or 0 with a TypeError set.
Py_ssize_t unpackArguments(PyObject* args, const char* name, Py_ssize_t min, Py_ssize_t max, PyObject** objs);
/// Python exception class for a conversion result code.
PyObject* errorTypeFor(int code);
/// Extends a pending TypeError with the message, or raises a new one.
void raiseOrExtendTypeError(PyObject* message);
void raiseOrExtendTypeError(const char* message);

/// "in method 'F', argument N of type 'T'" raised with the class for `code` (-1 counts as -5).
void raiseArgumentError(const char* fname, int argno, const char* type, int code);
/// "invalid null reference in method 'F', argument N of type 'T'" as ValueError.
void raiseNullReference(const char* fname, int argno, const char* type);
/// "F expected [at least |at most ]N arguments, got M" as TypeError.
void raiseCountError(const char* fname, Py_ssize_t min, Py_ssize_t max, Py_ssize_t got);

/// Classification of one argument, computed once per call and shared by checks and loads.
enum ArgClass : unsigned {
  kClsNone = 1u << 0,    // None
  kClsInt = 1u << 1,     // a Python int (bool included)
  kClsI32 = 1u << 2,     // int within signed 32 bits
  kClsI64 = 1u << 3,     // int within signed 64 bits
  kClsU64 = 1u << 4,     // int within 0 .. 2**64-1
  kClsBool = 1u << 5,    // exactly True or False
  kClsDouble = 1u << 6,  // float, or int convertible to double
  kClsFloat = 1u << 7,   // as double, and within single range (inf and nan pass)
  kClsText = 1u << 8,    // str with a UTF-8 form
  kClsProxy = 1u << 9,   // a proxy was found
};

/// Filled by classify: `cls` and `proxy` always; a value field only when `cls` has the bit
/// that describes it (ival: kClsI64, uval: kClsU64, dval: kClsDouble, text and textLen:
/// kClsText). Left uninitialised otherwise, so that a dispatcher's argument array costs
/// next to nothing to set up.
///
/// A proxy found through an object's `this` is held (`held`) until the wrapper returns: later
/// arguments' lookups, and director upcalls during the native call, run Python code that may
/// drop every other reference to it, and with an owning proxy the native object too. A proxy
/// given directly is kept alive by the caller's arguments.
struct ArgInfo {
  PyObject* obj;
  unsigned cls;
  SwigPyObject* proxy;
  long long ival;
  unsigned long long uval;
  double dval;
  const char* text;  // borrowed UTF-8 of a str
  Py_ssize_t textLen;
  PyObject* held = nullptr;

  ArgInfo() {}
  ArgInfo(const ArgInfo&) = delete;
  ArgInfo& operator=(const ArgInfo&) = delete;
  ~ArgInfo() { Py_XDECREF(held); }
};

/// Fills the classification of a.obj; never leaves a Python error set.
void classifySlow(ArgInfo& a);
/// classifySlow's answer for an instance of a class known to keep `this` in the instance dict
/// (generic attribute access, no `this` on the class, the class unchanged since), read from the
/// dict without a lookup on the class and held likewise; false, with `a` untouched, otherwise.
bool classifyShadow(ArgInfo& a);
/// classify for anything but a proxy or a class instance keeping one in its slot: numbers, text,
/// and objects that hold a proxy some other way. One copy, called from every dispatcher.
__attribute__((noinline)) inline void classifyOther(ArgInfo& a) {
  PyObject* o = a.obj;
  PyTypeObject* t = Py_TYPE(o);
  a.proxy = nullptr;
  if (t == &PyLong_Type) {  // an exact int: the range bits without a Python error to clear
#if PY_VERSION_HEX < 0x030C0000
    const Py_ssize_t size = Py_SIZE(o);
    if (size >= -1 && size <= 1) {  // at most one digit: read it directly
      const long long d = size ? static_cast<long long>(reinterpret_cast<PyLongObject*>(o)->ob_digit[0]) : 0;
      const long long v = size < 0 ? -d : d;
      a.ival = v;
      a.dval = static_cast<double>(v);
      a.uval = static_cast<unsigned long long>(v);
      a.cls = v >= 0 ? kClsInt | kClsI32 | kClsI64 | kClsU64 | kClsDouble | kClsFloat
                     : kClsInt | kClsI32 | kClsI64 | kClsDouble | kClsFloat;
      return;
    }
#endif
    int overflow = 0;
    long long v = PyLong_AsLongLongAndOverflow(o, &overflow);
    if (!overflow) {
      a.ival = v;
      a.dval = static_cast<double>(v);
      unsigned c = kClsInt | kClsI64 | kClsDouble | kClsFloat;
      if (v >= INT32_MIN && v <= INT32_MAX) c |= kClsI32;
      if (v >= 0) {
        c |= kClsU64;
        a.uval = static_cast<unsigned long long>(v);
      }
      a.cls = c;
      return;
    }
  } else if (t == &PyUnicode_Type && PyUnicode_IS_READY(o) && PyUnicode_IS_COMPACT_ASCII(o)) {
    // ASCII text is its own UTF-8 form.
    a.text = reinterpret_cast<const char*>(reinterpret_cast<PyASCIIObject*>(o) + 1);
    a.textLen = PyUnicode_GET_LENGTH(o);
    a.cls = kClsText;
    return;
  }
  if (classifyShadow(a)) return;
  classifySlow(a);
}
/// Fills a's classification. The two cases of library objects, a proxy and a class instance
/// keeping its proxy in its slot, are decided inline in each dispatcher.
PYRT_ALWAYS_INLINE void classify(ArgInfo& a) {
  PyObject* o = a.obj;
  if (Py_TYPE(o) == detail::readyProxyType) {  // the common case: a bare proxy
    a.cls = kClsProxy;
    a.proxy = reinterpret_cast<SwigPyObject*>(o);
    return;
  }
  if (PyObject* proxy = detail::slotProxy(o)) {  // held: code run later in the call may drop `this`
    a.cls = kClsProxy;
    a.proxy = reinterpret_cast<SwigPyObject*>(proxy);
    Py_INCREF(proxy);
    Py_XSETREF(a.held, proxy);
    return;
  }
  classifyOther(a);
}

/// The proxy in a's chain whose pointer converts to ty (head first), with the cast to apply in
/// *cast when asked (null for the exact type); null when none.
SwigPyObject* matchingProxy(const ArgInfo& a, TypeDescriptor* ty, CastRecord** cast = nullptr);
/// The proxy of a.obj pointing to (or castable to) ty; null when none.
void* pointerFrom(const ArgInfo& a, TypeDescriptor* ty, bool* ok);
/// The pointer of a proxy as ty when the proxy is of ty or of the type heading ty's cast list
/// (the cases decided inline); false for any other type.
/// A head cast that keeps the address is remembered in *sameSource when given (see
/// SameAddressSource).
PYRT_ALWAYS_INLINE bool directPointer(SwigPyObject* sp, TypeDescriptor* ty, void** out,
                                      TypeDescriptor** sameSource = nullptr) {
  if (sp->ty == ty) return *out = sp->ptr, true;
  if (CastRecord* head = headCastFrom(sp->ty, ty)) {
    if (sameSource && head->converter == sameAddress) *sameSource = sp->ty;
    int newmem = 0;
    return *out = applyCast(head, sp->ptr, &newmem), true;
  }
  return false;
}
/// pointerFrom for an argument classified as a proxy: directPointer's cases inline, anything
/// else by pointerFrom.
inline void* pointerFromProxy(const ArgInfo& a, TypeDescriptor* ty, bool* ok, TypeDescriptor** sameSource = nullptr) {
  void* p = nullptr;
  if (directPointer(a.proxy, ty, &p, sameSource)) return *ok = true, p;
  return pointerFrom(a, ty, ok);
}

namespace detail {
/// Matches no proxy: the initial SameAddressSource.
extern PYRT_LOCAL TypeDescriptor noSource;
}  // namespace detail
/// Per native type U: the type of the last proxy converted to U through a cast that keeps the
/// address (a derived class's proxy where its single-inheritance base U is expected; a method
/// call of a base class's method on a derived object), so that the next argument of that type
/// is taken by one comparison instead of through U's cast list. Set only from such a cast,
/// which stays one for good. A check takes the remembered source as it is; the conversion
/// that follows puts its record back in front (takesAddress).
template <class U>
struct SameAddressSource {
  static inline TypeDescriptor* ty = &detail::noSource;
};
/// The proxy's pointer serves as U as it is: the proxy is of U, or of U's remembered source.
template <class U>
PYRT_ALWAYS_INLINE bool keepsAddress(const SwigPyObject* sp, TypeDescriptor* u) {
  return sp->ty == u || sp->ty == SameAddressSource<U>::ty;
}
/// keepsAddress for a conversion: the remembered source's record is put back at the front of
/// U's cast list when another conversion (of any module sharing the registry) has moved
/// another one there, so the list stays as the search would leave it.
template <class U>
PYRT_ALWAYS_INLINE bool takesAddress(const SwigPyObject* sp, TypeDescriptor* u) {
  if (sp->ty == u) return true;
  if (sp->ty != SameAddressSource<U>::ty) return false;
  if (__builtin_expect(u->cast->type != sp->ty, 0)) castToFront(sp->ty, u);
  return true;
}
/// canConvert for a parameter of native type U (descriptor u): its remembered source first.
template <class U>
PYRT_ALWAYS_INLINE bool canConvertTo(SwigPyObject* sp, TypeDescriptor* u) {
  return keepsAddress<U>(sp, u) || canConvert(sp, u);
}
/// pointerFromProxy for a parameter of native type U (descriptor u): the pointer as it is when it
/// keeps the address, else converted, a same-address cast found on the way remembered.
template <class U>
PYRT_ALWAYS_INLINE void* pointerFromProxyTo(const ArgInfo& a, TypeDescriptor* u, bool* ok) {
  if (takesAddress<U>(a.proxy, u)) return *ok = true, a.proxy->ptr;
  return pointerFromProxy(a, u, ok, &SameAddressSource<U>::ty);
}

/// Descriptors looked up by name once: "_p_char" and "std::string *".
TypeDescriptor* charPtrTypeDescriptor();
TypeDescriptor* stringTypeDescriptor();

/// Loads text from a str, a character-pointer proxy or an existing native string proxy.
/// Returns a result code; *isNull is set for None.
int loadString(const ArgInfo& a, std::string& out, bool* isNull);
/// Borrowed character pointer (str buffer or char proxy); None gives null.
int loadCharPtr(const ArgInfo& a, const char** out);

/// To Python.
PyObject* fromString(const char* data, size_t size);
inline PyObject* fromString(const std::string& s) { return fromString(s.data(), s.size()); }

}  // namespace pyrt
