// The instance base of shadow classes and its `this` descriptor (see instance.h).
#include "pyruntime/instance.h"
#include <structmember.h>
#include <cstring>
#include "pyruntime/registry.h"

namespace pyrt {
namespace {

// The interpreter's own texts for a missing attribute (their width changed in 3.12, and a failed
// delete named only the attribute before 3.11).
PyObject* noAttribute(PyObject* obj, PyObject* name) {
#if PY_VERSION_HEX >= 0x030C0000
  return PyErr_Format(PyExc_AttributeError, "'%.100s' object has no attribute '%U'", Py_TYPE(obj)->tp_name, name);
#else
  return PyErr_Format(PyExc_AttributeError, "'%.50s' object has no attribute '%U'", Py_TYPE(obj)->tp_name, name);
#endif
}
int noAttributeToDelete(PyObject* obj, PyObject* name) {
#if PY_VERSION_HEX >= 0x030B0000
  PyErr_Format(PyExc_AttributeError, "'%.100s' object has no attribute '%U'", Py_TYPE(obj)->tp_name, name);
#else
  (void)obj;
  PyErr_SetObject(PyExc_AttributeError, name);
#endif
  return -1;
}

Instance* asInstance(PyObject* o) { return reinterpret_cast<Instance*>(o); }

// `this` out of the dict, the dict held while it is searched (comparing keys may run Python
// code that replaces it). New reference; null with no error when it is not there.
PyObject* thisFromDict(Instance* self) {
  PyObject* dict = self->dict;
  if (!dict) return nullptr;
  Py_INCREF(dict);
  PyObject* value = PyDict_GetItemWithError(dict, thisName());
  Py_XINCREF(value);
  Py_DECREF(dict);
  return value;
}

// --- the `this` descriptor -------------------------------------------------------------------

bool appliesTo(PyObject* obj) {
  if (PyObject_TypeCheck(obj, instanceType())) return true;
  PyErr_Format(PyExc_TypeError, "descriptor 'this' for '%s' objects doesn't apply to a '%.100s' object",
               kInstanceTypeName, Py_TYPE(obj)->tp_name);
  return false;
}

PyObject* thisGet(PyObject*, PyObject* obj, PyObject* type) {
  if (!obj) {  // as on a class without it: `this` is an attribute of instances only
    auto* cls = reinterpret_cast<PyTypeObject*>(type);
#if PY_VERSION_HEX >= 0x030C0000
    return PyErr_Format(PyExc_AttributeError, "type object '%.100s' has no attribute 'this'", cls->tp_name);
#else
    return PyErr_Format(PyExc_AttributeError, "type object '%.50s' has no attribute 'this'", cls->tp_name);
#endif
  }
  if (!appliesTo(obj)) return nullptr;
  Instance* self = asInstance(obj);
  if (self->proxy) {
    Py_INCREF(self->proxy);
    return self->proxy;
  }
  PyObject* value = thisFromDict(self);
  if (value || PyErr_Occurred()) return value;
  return noAttribute(obj, thisName());
}

int thisSet(PyObject*, PyObject* obj, PyObject* value) {
  if (!appliesTo(obj)) return -1;
  Instance* self = asInstance(obj);
  if (value) return setThisSlot(self, value);
  if (self->proxy) {
    Py_CLEAR(self->proxy);
    return 0;
  }
  PyObject* dict = self->dict;
  if (!dict) return noAttributeToDelete(obj, thisName());
  Py_INCREF(dict);
  int res = PyDict_DelItem(dict, thisName());
  Py_DECREF(dict);
  if (res < 0 && PyErr_ExceptionMatches(PyExc_KeyError)) {
    PyErr_Clear();
    return noAttributeToDelete(obj, thisName());
  }
  return res;
}

PYRT_ONCE PyTypeObject* makeThisType() {
  static PyTypeObject type = {PyVarObject_HEAD_INIT(nullptr, 0)};
  type.tp_name = kThisDescriptorName;
  type.tp_basicsize = sizeof(PyObject);
  type.tp_flags = Py_TPFLAGS_DEFAULT;
  type.tp_doc = "The proxy of the native object behind an instance.";
  type.tp_descr_get = thisGet;
  type.tp_descr_set = thisSet;
  if (PyType_Ready(&type) < 0) return nullptr;
  return &type;
}

// --- the instance base -----------------------------------------------------------------------

// The dict, made on request: `this` moves from the slot into it, in front of the rest.
PyObject* dictGet(PyObject* obj, void*) {
  Instance* self = asInstance(obj);
  while (self->proxy) {
    PyObject* proxy = self->proxy;  // the slot's reference moves into the new dict
    self->proxy = nullptr;
    PyObject* fresh = PyDict_New();
    if (!fresh || PyDict_SetItem(fresh, thisName(), proxy) < 0) {
      Py_XDECREF(fresh);
      if (!self->proxy) self->proxy = proxy;
      else Py_DECREF(proxy);
      return nullptr;
    }
    Py_DECREF(proxy);
    PyObject* old = self->dict;
    Py_XINCREF(old);
    const int merged = old ? PyDict_Update(fresh, old) : 0;
    Py_XDECREF(old);
    if (merged < 0) {
      Py_DECREF(fresh);
      return nullptr;
    }
    Py_XSETREF(self->dict, fresh);
    // A `this` set again by code run during the merge goes round once more.
  }
  if (!self->dict && !(self->dict = PyDict_New())) return nullptr;
  Py_INCREF(self->dict);
  return self->dict;
}

int dictSet(PyObject* obj, PyObject* value, void*) {
  if (value && !PyDict_Check(value)) {
    PyErr_Format(PyExc_TypeError, "__dict__ must be set to a dictionary, not a '%.200s'", Py_TYPE(value)->tp_name);
    return -1;
  }
  Instance* self = asInstance(obj);
  Py_XINCREF(value);
  PyObject* oldDict = self->dict;
  PyObject* oldProxy = self->proxy;  // the new dict replaces every attribute, `this` included
  self->dict = value;
  self->proxy = nullptr;
  Py_XDECREF(oldDict);
  Py_XDECREF(oldProxy);
  return 0;
}

// What copy and pickle take as the state: the dict as the interpreter's default would give it
// (no state for an empty dict from 3.11 on).
PyObject* getState(PyObject* obj, PyObject*) {
  PyObject* dict = dictGet(obj, nullptr);
#if PY_VERSION_HEX >= 0x030B0000
  if (dict && PyDict_GET_SIZE(dict) == 0) {
    Py_DECREF(dict);
    Py_RETURN_NONE;
  }
#endif
  return dict;
}

int instanceTraverse(PyObject* obj, visitproc visit, void* arg) {
  Py_VISIT(asInstance(obj)->proxy);
  Py_VISIT(asInstance(obj)->dict);
  return 0;
}

int instanceClear(PyObject* obj) {
  Py_CLEAR(asInstance(obj)->proxy);
  Py_CLEAR(asInstance(obj)->dict);
  return 0;
}

void instanceDealloc(PyObject* obj) {
  PyObject_GC_UnTrack(obj);
  if (asInstance(obj)->weaklist) PyObject_ClearWeakRefs(obj);
  instanceClear(obj);
  Py_TYPE(obj)->tp_free(obj);
}

PyGetSetDef instanceGetSet[] = {
    {const_cast<char*>("__dict__"), dictGet, dictSet, const_cast<char*>("dictionary for instance variables (if defined)"), nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr}};

PyMemberDef instanceMembers[] = {
    {const_cast<char*>("__weakref__"), T_OBJECT, offsetof(Instance, weaklist), READONLY,
     const_cast<char*>("list of weak references to the object (if defined)")},
    {nullptr, 0, 0, 0, nullptr}};

PyMethodDef instanceMethods[] = {
    {"__getstate__", getState, METH_NOARGS, "The instance's attributes, for copy and pickle."},
    {nullptr, nullptr, 0, nullptr}};

PYRT_ONCE PyTypeObject* makeInstanceType() {
  PyTypeObject* thisType = makeThisType();
  if (!thisType) return nullptr;
  static PyTypeObject type = {PyVarObject_HEAD_INIT(nullptr, 0)};
  type.tp_name = kInstanceTypeName;
  type.tp_basicsize = sizeof(Instance);
  type.tp_dealloc = instanceDealloc;
  type.tp_getattro = PyObject_GenericGetAttr;
  type.tp_setattro = PyObject_GenericSetAttr;
  type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  type.tp_doc = "Base of classes whose instances stand for a native object through their `this`.";
  type.tp_traverse = instanceTraverse;
  type.tp_clear = instanceClear;
  type.tp_weaklistoffset = offsetof(Instance, weaklist);
  type.tp_methods = instanceMethods;
  type.tp_members = instanceMembers;
  type.tp_getset = instanceGetSet;
  type.tp_dictoffset = offsetof(Instance, dict);
  type.tp_new = PyBaseObject_Type.tp_new;  // object's: the same argument rules as before
  type.tp_free = PyObject_GC_Del;
  if (PyType_Ready(&type) < 0) return nullptr;
  PyObject* descriptor = PyType_GenericAlloc(thisType, 0);
  const int stored = descriptor ? PyDict_SetItem(type.tp_dict, thisName(), descriptor) : -1;
  Py_XDECREF(descriptor);
  if (stored < 0) return nullptr;
  PyType_Modified(&type);
  return &type;
}

// Freed instances of plain layout, kept for the next returned instance (as the interpreter keeps
// freed tuples and floats): a returned object then costs no allocation and no free. Any class of
// that layout takes them, whatever class they were made for; the GC header is left as untracking
// leaves it, which is why an instance once finalised (a flag kept there) is not kept.
constexpr int kSpareInstances = 32;
PyObject* spareInstances[kSpareInstances];
int spareInstanceCount = 0;

}  // namespace

bool plainLayout(PyTypeObject* tp) {
#if PY_VERSION_HEX >= 0x030C0000
  if (tp->tp_flags & (Py_TPFLAGS_MANAGED_DICT | Py_TPFLAGS_MANAGED_WEAKREF)) return false;  // a pre-header
#endif
  return tp->tp_basicsize == sizeof(Instance) && !tp->tp_itemsize && tp->tp_free == PyObject_GC_Del;
}

namespace {

bool keepSpare(PyObject* obj) {
  if (spareInstanceCount == kSpareInstances || !plainLayout(Py_TYPE(obj)) || PyObject_GC_IsFinalized(obj))
    return false;
  spareInstances[spareInstanceCount++] = obj;
  return true;
}

// Frees an instance of a class bound to a native type: what the interpreter's dealloc of a class
// defined in Python does for a class that adds no slots to the base, without its general checks
// (about a fifth of making and dropping a returned instance). A finaliser runs first, however late
// it was added to the class; an instance of a subclass arrives here from the interpreter's
// dealloc, its own parts (finaliser, slots) already done.
void classDealloc(PyObject* obj) {
  PyTypeObject* tp = Py_TYPE(obj);
  if (tp->tp_finalize && PyObject_CallFinalizerFromDealloc(obj) < 0) return;  // brought back to life
  PyObject_GC_UnTrack(obj);
  if (asInstance(obj)->weaklist) PyObject_ClearWeakRefs(obj);
  instanceClear(obj);
  if (!keepSpare(obj)) tp->tp_free(obj);
  Py_DECREF(tp);
}

}  // namespace

PyTypeObject* instanceType() {
  static PyTypeObject* type = makeInstanceType();
  return type;
}

// Both are recognised by name among static types (a class made in Python cannot pose as one).
bool isThisSlotDescriptor(PyObject* descriptor) {
  return descriptor && !PyType_HasFeature(Py_TYPE(descriptor), Py_TPFLAGS_HEAPTYPE) &&
         std::strcmp(Py_TYPE(descriptor)->tp_name, kThisDescriptorName) == 0;
}

bool hasInstanceLayout(PyTypeObject* tp) {
  for (PyTypeObject* b = tp; b; b = b->tp_base) {
    if (!PyType_HasFeature(b, Py_TPFLAGS_HEAPTYPE) && b->tp_basicsize == sizeof(Instance) &&
        std::strcmp(b->tp_name, kInstanceTypeName) == 0)
      return true;
  }
  return false;
}

void useClassDealloc(PyTypeObject* tp) {
  static destructor subtypeDealloc = nullptr;  // the interpreter's dealloc of classes defined in Python
  if (!PyType_HasFeature(tp, Py_TPFLAGS_HEAPTYPE) || tp->tp_basicsize != sizeof(Instance) || tp->tp_itemsize ||
      tp->tp_del || !hasInstanceLayout(tp) || tp->tp_dealloc == classDealloc)
    return;
  if (!subtypeDealloc) {  // learnt from a class made for the purpose
    PyObject* probe = PyObject_CallFunction(reinterpret_cast<PyObject*>(&PyType_Type), "s(O){}", "probe",
                                            reinterpret_cast<PyObject*>(&PyBaseObject_Type));
    if (!probe) {
      PyErr_Clear();
      return;
    }
    subtypeDealloc = reinterpret_cast<PyTypeObject*>(probe)->tp_dealloc;
    Py_DECREF(probe);
  }
  if (tp->tp_dealloc == subtypeDealloc && tp->tp_free == PyObject_GC_Del) tp->tp_dealloc = classDealloc;
}

Instance* newPlainInstance(PyTypeObject* tp) {
  if (!spareInstanceCount) return PyObject_GC_New(Instance, tp);
  return reinterpret_cast<Instance*>(PyObject_Init(spareInstances[--spareInstanceCount], tp));
}

int setThisSlot(Instance* self, PyObject* value) {
  if (self->proxy || !self->dict) {
    Py_INCREF(value);
    Py_XSETREF(self->proxy, value);
    return 0;
  }
  PyObject* dict = self->dict;
  Py_INCREF(dict);
  const int res = PyDict_SetItem(dict, thisName(), value);
  Py_DECREF(dict);
  return res;
}

}  // namespace pyrt
