// Proxy objects, packed data objects, pointer conversion and shadow-class binding.
#include "pyruntime/proxy.h"
#include "pyruntime/convert.h"
#include "pyruntime/instance.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>

namespace pyrt {
namespace {

PyObject* proxyRepr(PyObject* v);

// Freed proxies of this module's type kept for reuse: a call returning an object makes one and
// usually drops it soon after, and the allocator's round trip is a good part of that.
constexpr int kSpareProxies = 32;
SwigPyObject* spareProxies[kSpareProxies];
int spareProxyCount = 0;

void proxyDealloc(PyObject* v) {
  auto* sv = reinterpret_cast<SwigPyObject*>(v);
  if (sv->own == 1) {
    TypeDescriptor* ty = sv->ty;
    ClassBinding* data = ty ? ty->clientdata : nullptr;
    PyObject* destroy = data ? data->destroy : nullptr;
    if (destroy) {
      PyObject *etype, *evalue, *etb;
      PyErr_Fetch(&etype, &evalue, &etb);  // a pending exception survives the destroy call
      PyObject* res;
      if (data->delargs) {
        PyObject* tmp = newProxy(sv->ptr, ty, kNoShadow);
        res = tmp ? PyObject_CallFunctionObjArgs(destroy, tmp, nullptr) : nullptr;
        Py_XDECREF(tmp);
      } else {
        PyCFunction meth = PyCFunction_GET_FUNCTION(destroy);
        PyObject* mself = (PyCFunction_GET_FLAGS(destroy) & METH_STATIC) ? nullptr : PyCFunction_GET_SELF(destroy);
        res = meth(mself, v);
      }
      if (!res)
        PyErr_WriteUnraisable(destroy);
      else
        Py_DECREF(res);
      PyErr_Restore(etype, evalue, etb);
    } else {
      std::printf("swig/python detected a memory leak of type '%s', no destructor found.\n", displayName(ty));
      std::fflush(stdout);
    }
  }
  Py_XDECREF(sv->next);
  PyObject* keep = sv->keep;
  if (Py_TYPE(v) == detail::readyProxyType && spareProxyCount < kSpareProxies)
    spareProxies[spareProxyCount++] = sv;
  else
    PyObject_Del(v);
  Py_XDECREF(keep);
}

PyObject* proxyRepr(PyObject* v) {
  auto* sv = reinterpret_cast<SwigPyObject*>(v);
  PyObject* repr = PyUnicode_FromFormat("<Swig Object of type '%s' at %p>", displayName(sv->ty), v);
  if (repr && sv->next) {
    PyObject* nrep = PyObject_Repr(sv->next);
    PyObject* joined = nrep ? PyUnicode_Concat(repr, nrep) : nullptr;
    Py_XDECREF(nrep);
    Py_DECREF(repr);
    repr = joined;
  }
  return repr;
}

PyObject* proxyReprMethod(PyObject* v, PyObject*) { return proxyRepr(v); }

PyObject* proxyRichCompare(PyObject* v, PyObject* w, int op) {
  if (PyErr_Occurred()) return nullptr;
  if ((op != Py_EQ && op != Py_NE) || !isProxy(w)) Py_RETURN_NOTIMPLEMENTED;
  bool eq = reinterpret_cast<SwigPyObject*>(v)->ptr == reinterpret_cast<SwigPyObject*>(w)->ptr;
  return PyBool_FromLong(op == Py_EQ ? eq : !eq);
}

PyObject* proxyInt(PyObject* v) { return PyLong_FromVoidPtr(reinterpret_cast<SwigPyObject*>(v)->ptr); }

PyObject* proxyDisown(PyObject* v, PyObject*) {
  setOwn(reinterpret_cast<SwigPyObject*>(v), 0);
  Py_RETURN_NONE;
}
PyObject* proxyAcquire(PyObject* v, PyObject*) {
  setOwn(reinterpret_cast<SwigPyObject*>(v), 1);
  Py_RETURN_NONE;
}
PyObject* proxyOwn(PyObject* v, PyObject* args) {
  PyObject* val = nullptr;
  if (!PyArg_UnpackTuple(args, "own", 0, 1, &val)) return nullptr;
  auto* sv = reinterpret_cast<SwigPyObject*>(v);
  PyObject* previous = PyBool_FromLong(sv->own);
  if (val) {
    int truth = PyObject_IsTrue(val);
    if (truth < 0) {
      Py_DECREF(previous);
      return nullptr;
    }
    setOwn(sv, truth ? 1 : 0);
  }
  return previous;
}
PyObject* proxyAppend(PyObject* v, PyObject* other) {
  if (!isProxy(other)) {
    PyErr_SetString(PyExc_TypeError, "Attempt to append a non SwigPyObject");
    return nullptr;
  }
  auto* sv = reinterpret_cast<SwigPyObject*>(v);
  auto* so = reinterpret_cast<SwigPyObject*>(other);
  // A proxy already in the chain would close it into a loop that conversions never leave.
  for (PyObject* p = v; p; p = reinterpret_cast<SwigPyObject*>(p)->next) {
    if (p == other) {
      PyErr_SetString(PyExc_ValueError, "Attempt to append a SwigPyObject already in the chain");
      return nullptr;
    }
  }
  Py_INCREF(other);
  PyObject* dropped = so->next;
  so->next = sv->next;
  sv->next = other;
  Py_XDECREF(dropped);
  Py_RETURN_NONE;
}
PyObject* proxyNext(PyObject* v, PyObject*) {
  PyObject* next = reinterpret_cast<SwigPyObject*>(v)->next;
  if (!next) Py_RETURN_NONE;
  Py_INCREF(next);
  return next;
}

PyMethodDef proxyMethods[] = {
    {"disown", proxyDisown, METH_NOARGS, "releases ownership of the pointer"},
    {"acquire", proxyAcquire, METH_NOARGS, "acquires ownership of the pointer"},
    {"own", proxyOwn, METH_VARARGS, "returns/sets ownership of the pointer"},
    {"append", proxyAppend, METH_O, "appends another 'this' object"},
    {"next", proxyNext, METH_NOARGS, "returns the next 'this' object"},
    {"__repr__", proxyReprMethod, METH_NOARGS, "returns object representation"},
    {nullptr, nullptr, 0, nullptr}};

PyNumberMethods proxyNumber = {};

PYRT_ONCE PyTypeObject* makeProxyType() {
  static PyTypeObject type = {PyVarObject_HEAD_INIT(nullptr, 0)};
  proxyNumber.nb_int = proxyInt;
  type.tp_name = "SwigPyObject";
  type.tp_basicsize = sizeof(SwigPyObject);
  type.tp_dealloc = proxyDealloc;
  type.tp_repr = proxyRepr;
  type.tp_as_number = &proxyNumber;
  type.tp_getattro = PyObject_GenericGetAttr;
  type.tp_flags = Py_TPFLAGS_DEFAULT;
  type.tp_doc = "Swig object carries a C/C++ instance pointer";
  type.tp_richcompare = proxyRichCompare;
  type.tp_methods = proxyMethods;
  if (PyType_Ready(&type) < 0) return nullptr;
  detail::readyProxyType = &type;
  return &type;
}

// Hex form "_" + bytes in memory order; empty when it does not fit the 1024-byte buffer.
bool packedHex(const SwigPyPacked* v, char* buf) {
  if (2 * v->size + 2 > 1024) return false;
  static const char hex[] = "0123456789abcdef";
  char* c = buf;
  *c++ = '_';
  const auto* u = static_cast<const unsigned char*>(v->pack);
  for (size_t i = 0; i < v->size; ++i) {
    *c++ = hex[(u[i] & 0xf0) >> 4];
    *c++ = hex[u[i] & 0xf];
  }
  *c = 0;
  return true;
}

PyObject* packedRepr(PyObject* o) {
  auto* v = reinterpret_cast<SwigPyPacked*>(o);
  char buf[1024];
  if (packedHex(v, buf)) return PyUnicode_FromFormat("<Swig Packed at %s%s>", buf, v->ty->name);
  return PyUnicode_FromFormat("<Swig Packed %s>", v->ty->name);
}

PyObject* packedStr(PyObject* o) {
  auto* v = reinterpret_cast<SwigPyPacked*>(o);
  char buf[1024];
  if (packedHex(v, buf)) return PyUnicode_FromFormat("%s%s", buf, v->ty->name);
  return PyUnicode_FromString(v->ty->name);
}

void packedDealloc(PyObject* o) {
  if (Py_TYPE(o) == packedType() || std::strcmp(Py_TYPE(o)->tp_name, "SwigPyPacked") == 0)
    std::free(reinterpret_cast<SwigPyPacked*>(o)->pack);
  PyObject_Del(o);
}

PYRT_ONCE PyTypeObject* makePackedType() {
  static PyTypeObject type = {PyVarObject_HEAD_INIT(nullptr, 0)};
  type.tp_name = "SwigPyPacked";
  type.tp_basicsize = sizeof(SwigPyPacked);
  type.tp_dealloc = packedDealloc;
  type.tp_repr = packedRepr;
  type.tp_str = packedStr;
  type.tp_getattro = PyObject_GenericGetAttr;
  type.tp_flags = Py_TPFLAGS_DEFAULT;
  type.tp_doc = "Swig object carries a C/C++ instance pointer";
  if (PyType_Ready(&type) < 0) return nullptr;
  return &type;
}

}  // namespace

namespace detail {
PyTypeObject* readyProxyType = nullptr;
PlainClass plainClasses[kPlainClassSlots];
}  // namespace detail
namespace {
PyTypeObject* readyPackedType = nullptr;
}  // namespace

// Both types are made ready once per process, at import (under the GIL).
PYRT_ONCE bool readyProxyTypes() {
  if (!detail::readyProxyType) makeProxyType();
  if (!readyPackedType) readyPackedType = makePackedType();
  return detail::readyProxyType && readyPackedType;
}
PyTypeObject* proxyType() {
  if (!detail::readyProxyType) readyProxyTypes();
  return detail::readyProxyType;
}
PyTypeObject* packedType() {
  if (!readyPackedType) readyProxyTypes();
  return readyPackedType;
}

void setOwn(SwigPyObject* sp, int own) {
  sp->own = own;
  if (own && Py_TYPE(sp) == proxyType() && !sp->keep) {
    if (PyObject* capsule = runtimeCapsule()) {
      Py_INCREF(capsule);
      sp->keep = capsule;
    }
  }
}

namespace {

using detail::kThisInDict;
using detail::kThisInSlot;
using detail::kThisLookedUp;
using detail::knownThisPlace;
using detail::plainSlot;
using detail::ThisPlace;

// Where instances of tp keep `this`, found by a lookup on the class (which gives tp a valid tag
// when it can); kThisLookedUp when reading it takes the general attribute lookup.
ThisPlace findThisPlace(PyTypeObject* tp) {
  if (tp->tp_getattro != PyObject_GenericGetAttr || tp->tp_dictoffset <= 0) return kThisLookedUp;
  PyObject* descriptor = _PyType_Lookup(tp, thisName());
  if (!descriptor) return kThisInDict;
  return isThisSlotDescriptor(descriptor) && hasInstanceLayout(tp) ? kThisInSlot : kThisLookedUp;
}

// Remembers where instances of tp keep `this`. Subclasses of int, float and str are left out:
// arguments classify as numbers and text first.
void notePlainClass(PyTypeObject* tp, ThisPlace place) {
  if (place != kThisLookedUp && (tp->tp_flags & Py_TPFLAGS_VALID_VERSION_TAG) &&
      !PyType_FastSubclass(tp, Py_TPFLAGS_LONG_SUBCLASS | Py_TPFLAGS_UNICODE_SUBCLASS) &&
      !PyType_IsSubtype(tp, &PyFloat_Type))
    plainSlot(tp) = {tp, tp->tp_version_tag, place};
}

PyObject*& dictOf(PyObject* o) {
  return *reinterpret_cast<PyObject**>(reinterpret_cast<char*>(o) + Py_TYPE(o)->tp_dictoffset);
}

// findProxy's answer for an instance of a shadow class already seen to read `this` without a lookup
// on the class: the exact proxy in the slot or first in the dict (borrowed). Null when that does
// not apply; the caller then takes findProxyRef.
SwigPyObject* shadowProxy(PyObject* o) {
  const ThisPlace place = knownThisPlace(Py_TYPE(o));
  if (place == kThisLookedUp) return nullptr;
  if (place == kThisInSlot) {
    if (PyObject* proxy = reinterpret_cast<Instance*>(o)->proxy)
      return Py_TYPE(proxy) == detail::readyProxyType ? reinterpret_cast<SwigPyObject*>(proxy) : nullptr;
  }
  PyObject* dict = dictOf(o);
  if (!dict) return nullptr;
  // `this` is normally the first entry (set as the instance is made, or moved there from the
  // slot): read that entry without hashing; any other order takes findProxyRef.
  PyObject* name = thisName();
  Py_ssize_t pos = 0;
  PyObject *key, *attr;
  if (PyDict_Next(dict, &pos, &key, &attr) && key == name)
    return Py_TYPE(attr) == detail::readyProxyType ? reinterpret_cast<SwigPyObject*>(attr) : nullptr;
  return nullptr;  // the general lookup, which holds what it reads, takes the other orders
}

}  // namespace

bool classifyShadow(ArgInfo& a) {
  SwigPyObject* sp = shadowProxy(a.obj);
  if (!sp) return false;
  a.cls = kClsProxy;
  a.proxy = sp;
  Py_INCREF(sp);
  Py_XDECREF(a.held);
  a.held = reinterpret_cast<PyObject*>(sp);
  return true;
}

SwigPyObject* findProxyRef(PyObject* o) {
  // `cur` is the object being looked at: borrowed from the caller at first, then a reference of
  // our own, since reading `this` may run Python code that drops what the previous step found.
  PyObject* cur = o;
  bool owned = false;
  PyObject* name = thisName();
  for (int depth = 0; depth < 16; ++depth) {
    if (isProxy(cur)) {
      if (!owned) Py_INCREF(cur);
      return reinterpret_cast<SwigPyObject*>(cur);
    }
    PyTypeObject* tp = Py_TYPE(cur);
    PyObject* attr = nullptr;
    // Fast paths: an instance keeps `this` in its base's slot, or in its dict when nothing on its
    // class is named `this`; what the attribute lookup would answer, read directly.
    ThisPlace place = knownThisPlace(tp);
    const bool known = place != kThisLookedUp;
    if (!known) place = findThisPlace(tp);
    if (place == kThisInSlot && reinterpret_cast<Instance*>(cur)->proxy) {
      attr = reinterpret_cast<Instance*>(cur)->proxy;
      Py_INCREF(attr);
    } else if (place != kThisLookedUp) {
      // The dict is held during the lookup: comparing keys may run Python code that replaces it.
      PyObject* dict = dictOf(cur);
      Py_XINCREF(dict);
      attr = dict ? PyDict_GetItemWithError(dict, name) : nullptr;
      Py_XINCREF(attr);
      Py_XDECREF(dict);
    } else {
      attr = PyObject_GetAttr(cur, name);
    }
    if (attr && !known) notePlainClass(tp, place);
    if (owned) Py_DECREF(cur);
    if (!attr) {
      if (PyErr_Occurred()) PyErr_Clear();
      return nullptr;
    }
    cur = attr;
    owned = true;
  }
  if (owned) Py_DECREF(cur);
  return nullptr;
}

SwigPyObject* findProxy(PyObject* o) {
  // A proxy is itself, untouched: a destroy function is handed the proxy being deallocated.
  if (isProxy(o)) return reinterpret_cast<SwigPyObject*>(o);
  SwigPyObject* sp = findProxyRef(o);
  if (!sp) return nullptr;
  // Borrowed: the caller's object keeps its `this` alive; a `this` made afresh on each lookup
  // would not outlive this call, so it counts as no proxy.
  const bool alive = Py_REFCNT(sp) > 1;
  Py_DECREF(sp);
  return alive ? sp : nullptr;
}

bool canConvertSlow(SwigPyObject* sp, TypeDescriptor* ty) {
  for (; sp; sp = reinterpret_cast<SwigPyObject*>(sp->next)) {
    if (sp->ty == ty || findCastFrom(sp->ty, ty)) return true;
  }
  return false;
}

int convertPointer(PyObject* o, void** ptr, TypeDescriptor* ty, int flags, int* own) {
  if (!o) return kError;
  if (o == Py_None && !(flags & kImplicit)) {
    if (ptr) *ptr = nullptr;
    return (flags & kNoNull) ? kNullRefused : kOk;
  }
  if (own) *own = 0;
  SwigPyObject* sobj = findProxy(o);
  while (sobj) {
    void* vptr = sobj->ptr;
    if (!ty || sobj->ty == ty) {
      if (ptr) *ptr = vptr;
      break;
    }
    if (CastRecord* tc = findCastFrom(sobj->ty, ty)) {
      int newmem = 0;
      if (ptr) {
        *ptr = applyCast(tc, vptr, &newmem);
        if (newmem && own) *own |= 2;
      }
      break;
    }
    sobj = reinterpret_cast<SwigPyObject*>(sobj->next);
  }
  if (sobj) {
    if ((flags & kRelease) == kRelease && !sobj->own) return kNotOwned;
    if (own) *own |= sobj->own;
    if (flags & kDisown) setOwn(sobj, 0);
    if (flags & kClear) sobj->ptr = nullptr;
    return kOk;
  }
  int res = kError;
  ClassBinding* data = ty ? ty->clientdata : nullptr;
  if ((flags & kImplicit) && data && data->klass && !data->implicitconv) {
    data->implicitconv = 1;
    PyObject* made = PyObject_CallFunctionObjArgs(data->klass, o, nullptr);
    data->implicitconv = 0;
    if (!made) PyErr_Clear();
    SwigPyObject* iobj = made ? findProxy(made) : nullptr;
    void* vptr = nullptr;
    if (iobj && convertPointer(reinterpret_cast<PyObject*>(iobj), &vptr, ty, 0, nullptr) == kOk) {
      if (ptr) *ptr = vptr;
      iobj->own = 0;  // the caller takes over the new object
      res = kOk | kNewObject;
    }
    Py_XDECREF(made);
  }
  if (res < 0 && o == Py_None) {
    if (ptr) *ptr = nullptr;
    PyErr_Clear();
    res = kOk;
  }
  return res;
}

PyObject* newShadowInstance(ClassBinding* data, PyObject* proxy) {
  PyObject* inst = nullptr;
  if (data->newraw) {
    inst = PyObject_Call(data->newraw, data->newargs, nullptr);
    if (inst && PyObject_SetAttr(inst, thisName(), proxy) == -1) Py_CLEAR(inst);
  } else {
    static PyObject* emptyArgs = PyTuple_New(0);
    static PyObject* emptyKwargs = PyDict_New();
    auto* type = reinterpret_cast<PyTypeObject*>(data->newargs);
    // object.__new__ without arguments only allocates (an abstract class takes it for the error),
    // and an instance base's instance starts with every field empty.
    const bool plainNew = type->tp_new == PyBaseObject_Type.tp_new && !PyType_HasFeature(type, Py_TPFLAGS_IS_ABSTRACT);
    if (plainNew && type->tp_alloc == PyType_GenericAlloc && plainLayout(type) &&
        type->tp_setattro == PyObject_GenericSetAttr &&
        knownThisPlace(type) == kThisInSlot) {
      Instance* made = newPlainInstance(type);
      if (!made) return nullptr;
      made->proxy = proxy;
      made->dict = made->weaklist = nullptr;
      Py_INCREF(proxy);
      PyObject_GC_Track(made);
      return reinterpret_cast<PyObject*>(made);
    }
    inst = plainNew ? type->tp_alloc(type, 0) : type->tp_new(type, emptyArgs, emptyKwargs);
    if (inst) {
      PyTypeObject* tp = Py_TYPE(inst);
      // A class whose instances keep `this` in their own dict or slot: storing it there changes
      // nothing on the class, so the class's lookup caches stay valid (dropping them would make
      // the next method lookup on every fresh instance search the bases again).
      ThisPlace place = kThisLookedUp;
      bool known = false;
      if (tp->tp_setattro == PyObject_GenericSetAttr) {
        place = knownThisPlace(tp);
        known = place != kThisLookedUp;
        if (!known) place = findThisPlace(tp);
      }
      // In the slot: what setting the attribute does through the base's descriptor.
      const int stored = place == kThisInSlot ? setThisSlot(reinterpret_cast<Instance*>(inst), proxy)
                                              : PyObject_SetAttr(inst, thisName(), proxy);
      if (stored == -1) {
        Py_CLEAR(inst);
      } else if (place == kThisLookedUp) {
        PyType_Modified(tp);
      } else if (!known) {
        notePlainClass(tp, place);
      }
    }
  }
  return inst;
}

PyObject* newProxy(void* ptr, TypeDescriptor* ty, int flags) {
  if (!ptr) Py_RETURN_NONE;
  SwigPyObject* sobj = spareProxyCount ? reinterpret_cast<SwigPyObject*>(PyObject_Init(
                                            reinterpret_cast<PyObject*>(spareProxies[--spareProxyCount]), proxyType()))
                                      : PyObject_New(SwigPyObject, proxyType());
  if (!sobj) return nullptr;
  sobj->ptr = ptr;
  sobj->ty = ty;
  sobj->own = 0;
  sobj->next = nullptr;
  sobj->keep = nullptr;
  if (flags & kOwn) setOwn(sobj, 1);
  ClassBinding* data = ty ? ty->clientdata : nullptr;
  if (data && data->klass && !(flags & kNoShadow)) {
    PyObject* inst = newShadowInstance(data, reinterpret_cast<PyObject*>(sobj));
    Py_DECREF(sobj);
    return inst;
  }
  return reinterpret_cast<PyObject*>(sobj);
}

PyObject* newPacked(void* data, size_t size, TypeDescriptor* ty) {
  SwigPyPacked* sobj = PyObject_New(SwigPyPacked, packedType());
  if (!sobj) return nullptr;
  void* pack = std::malloc(size ? size : 1);
  if (!pack) {
    PyObject_Del(sobj);
    return nullptr;
  }
  std::memcpy(pack, data, size);
  sobj->pack = pack;
  sobj->ty = ty;
  sobj->size = size;
  return reinterpret_cast<PyObject*>(sobj);
}

void freeBinding(ClassBinding* data) {
  if (!data) return;
  Py_XDECREF(data->klass);
  Py_XDECREF(data->newraw);
  Py_XDECREF(data->newargs);
  Py_XDECREF(data->destroy);
  delete data;
}

PYRT_ONCE void bindNativeDestroy(TypeDescriptor* ty, PyCFunction destroy, const char* name) {
  if (ty->clientdata) return;
  // Both live for the process (owning proxies may outlive the registry); plain allocation keeps
  // import from reaching into the C++ runtime's code.
  void* defMemory = std::calloc(1, sizeof(PyMethodDef));
  void* dataMemory = std::calloc(1, sizeof(ClassBinding));
  if (!defMemory || !dataMemory) {
    std::free(defMemory);
    std::free(dataMemory);
    return;
  }
  auto* def = ::new (defMemory) PyMethodDef{name, destroy, METH_O, nullptr};
  auto* data = ::new (dataMemory) ClassBinding{};
  data->destroy = PyCFunction_New(def, nullptr);
  ty->clientdata = data;
}

PyObject* bindClass(TypeDescriptor* ty, PyObject* args, const char* fname) {
  PyObject* obj[1];
  if (!unpackArguments(args, fname, 1, 1, obj)) return nullptr;
  PyObject* klass = obj[0];
  auto* data = new ClassBinding{};
  Py_INCREF(klass);
  data->klass = klass;
  if (!PyType_Check(klass)) {
    data->newraw = PyObject_GetAttrString(klass, "__new__");
    if (data->newraw) {
      data->newargs = PyTuple_Pack(1, klass);
    } else {
      PyErr_Clear();
      Py_INCREF(klass);
      data->newargs = klass;
    }
  } else {
    Py_INCREF(klass);
    data->newargs = klass;
    useClassDealloc(reinterpret_cast<PyTypeObject*>(klass));
  }
  data->destroy = PyObject_GetAttrString(klass, "__swig_destroy__");
  if (!data->destroy) PyErr_Clear();
  if (data->destroy) {
    // Only our own delete functions are handed the proxy being deallocated; any other callable
    // gets a temporary proxy, since it could keep what it is given (a dead object).
    int mflags = PyCFunction_Check(data->destroy) ? PyCFunction_GET_FLAGS(data->destroy) : 0;
    data->delargs = !((mflags & METH_O) && isOwnFunction(data->destroy));
  }
  ClassBinding* old = ty->owndata ? ty->clientdata : nullptr;
  ty->clientdata = data;
  for (CastRecord* rec = ty->cast; rec; rec = rec->next) {
    if (!rec->converter && !rec->type->clientdata) rec->type->clientdata = data;
  }
  ty->owndata = 1;
  freeBinding(old);
  Py_RETURN_NONE;
}

PyObject* initShadowInstance(PyObject* args) {
  PyObject* obj[2];
  if (!unpackArguments(args, "swiginit", 2, 2, obj)) return nullptr;
  if (SwigPyObject* sthis = findProxy(obj[0])) {
    PyObject* res = proxyAppend(reinterpret_cast<PyObject*>(sthis), obj[1]);
    if (!res) return nullptr;
    Py_DECREF(res);
  } else if (PyObject_SetAttr(obj[0], thisName(), obj[1]) != 0) {
    return nullptr;
  }
  Py_RETURN_NONE;
}

}  // namespace pyrt
