// Proxy objects for native pointers, packed data, and shadow-class binding.
#pragma once
#include <Python.h>
#include <cstdint>
#include <cstring>
#include "pyruntime/instance.h"
#include "pyruntime/registry.h"

namespace pyrt {

/// What a shadow class contributes to a type.
struct ClassBinding {
  PyObject* klass;        // the shadow class (strong), or null for a native-only binding
  PyObject* newraw;       // constructor callable when the class is not a type
  PyObject* newargs;      // (klass,) with newraw, else klass
  PyObject* destroy;      // __swig_destroy__ or null
  int delargs;            // 1 unless destroy is a METH_O function of this runtime's method tables
  int implicitconv;       // guard while an implicit conversion runs
};

/// The proxy: native pointer, its type, ownership and a chain of further proxies.
struct SwigPyObject {
  PyObject_HEAD
  void* ptr;
  TypeDescriptor* ty;
  int own;
  PyObject* next;
  // What this proxy keeps alive out of sight: the runtime capsule since the proxy first owned its
  // object, or, for a view into another native object, that object's proxy.
  PyObject* keep;
};

struct SwigPyPacked {
  PyObject_HEAD
  void* pack;
  TypeDescriptor* ty;
  size_t size;
};

// Flags of convertPointer.
enum : int { kDisown = 1, kImplicit = 2, kNoNull = 4, kClear = 8, kRelease = kDisown | kClear };
// Flags of newProxy.
enum : int { kOwn = 1, kNoShadow = 2, kConstructed = kOwn | kNoShadow };
// Result codes of conversions.
enum : int { kOk = 0, kError = -1, kTypeError = -5, kOverflow = -7, kNullRefused = -13, kNotOwned = -200,
             kNewObject = 0x200 };

PyTypeObject* proxyType();
PyTypeObject* packedType();
/// Makes both types ready; false with an error set.
bool readyProxyTypes();

namespace detail {
/// The proxy type once made ready (null before): read on every call without the once-only guard.
extern PYRT_LOCAL PyTypeObject* readyProxyType;

/// Shadow classes whose instances read `this` without a lookup on the class, each with the version
/// tag it had when that was found and where `this` is: in the instance dict (generic attribute
/// access, nothing named `this` on the class or its bases) or in the slot of an instance base (the
/// base's `this` descriptor is what the class finds). The interpreter drops a class's tag on any
/// change to the class or its bases (attributes, __getattr__, bases), so an entry whose tag still
/// matches is still right. One entry per class address hash; a class sharing an entry simply
/// replaces the other.
enum ThisPlace : unsigned char { kThisLookedUp, kThisInDict, kThisInSlot };
struct PlainClass {
  PyTypeObject* type;
  unsigned int tag;
  ThisPlace place;
};
constexpr unsigned kPlainClassSlots = 16;
extern PYRT_LOCAL PlainClass plainClasses[kPlainClassSlots];
inline PlainClass& plainSlot(PyTypeObject* tp) {
  return plainClasses[(reinterpret_cast<uintptr_t>(tp) >> 6) % kPlainClassSlots];
}
/// The remembered place while tp's tag holds, else kThisLookedUp. An entry is made only for a
/// class with generic attribute access; giving the class or a base __getattr__ or
/// __getattribute__ later drops its tag, so the tag check covers that too.
PYRT_ALWAYS_INLINE ThisPlace knownThisPlace(PyTypeObject* tp) {
  const PlainClass& slot = plainSlot(tp);
  return slot.type == tp && slot.tag == tp->tp_version_tag && (tp->tp_flags & Py_TPFLAGS_VALID_VERSION_TAG)
             ? slot.place
             : kThisLookedUp;
}
/// The proxy in the slot of an instance whose class is known to keep `this` there (borrowed);
/// null when that does not apply.
PYRT_ALWAYS_INLINE PyObject* slotProxy(PyObject* o) {
  if (knownThisPlace(Py_TYPE(o)) != kThisInSlot) return nullptr;
  PyObject* proxy = reinterpret_cast<Instance*>(o)->proxy;
  return proxy && Py_TYPE(proxy) == readyProxyType ? proxy : nullptr;
}
}  // namespace detail

/// True for a proxy of this or another module of the same runtime generation.
inline bool isProxy(PyObject* o) {
  PyTypeObject* t = Py_TYPE(o);
  return t == proxyType() || std::strcmp(t->tp_name, "SwigPyObject") == 0;
}
/// Sets the own flag; an owning proxy of this module keeps the runtime capsule alive.
void setOwn(SwigPyObject* sp, int own);
/// The proxy behind an object (itself, or through its `this` attribute); borrowed.
SwigPyObject* findProxy(PyObject* o);
/// As findProxy, as a new reference: the proxy stays alive whatever Python code runs next.
SwigPyObject* findProxyRef(PyObject* o);

/// Pointer from a proxy along cast lists; see the result codes above.
int convertPointer(PyObject* o, void** ptr, TypeDescriptor* ty, int flags, int* own);
/// Side-effect-free test used while choosing overloads: would convertPointer succeed?
bool canConvertSlow(SwigPyObject* sp, TypeDescriptor* ty);
inline bool canConvert(SwigPyObject* sp, TypeDescriptor* ty) {
  // The head proxy of the exact type, or of the type that heads ty's cast list (the one
  // converted last), decides without a name comparison.
  if (sp->ty == ty || headCastFrom(sp->ty, ty)) return true;
  return canConvertSlow(sp, ty);
}

PyObject* newProxy(void* ptr, TypeDescriptor* ty, int flags);
PyObject* newShadowInstance(ClassBinding* binding, PyObject* proxy);
PyObject* newPacked(void* data, size_t size, TypeDescriptor* ty);

/// Attaches a native destroy function to a type that no shadow class binds (records copied
/// out by value), so its owning proxies release the copy silently.
void bindNativeDestroy(TypeDescriptor* ty, PyCFunction destroy, const char* name);

/// Bodies of the swigregister and swiginit functions.
PyObject* bindClass(TypeDescriptor* ty, PyObject* args, const char* fname);
PyObject* initShadowInstance(PyObject* args);

void freeBinding(ClassBinding* binding);

/// True for a function made from a method table of this runtime (see createModule).
bool isOwnFunction(PyObject* fn);

}  // namespace pyrt
