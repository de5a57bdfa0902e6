// The method descriptor of flat functions (see method.h).
#include "pyruntime/method.h"
#include <structmember.h>
#include <cstddef>
#include <cstring>
#include "pyruntime/registry.h"

#if PY_VERSION_HEX < 0x03090000
#define PyObject_Vectorcall _PyObject_Vectorcall
#define Py_TPFLAGS_HAVE_VECTORCALL _Py_TPFLAGS_HAVE_VECTORCALL
#endif

namespace pyrt {
namespace {

// Laid out as a builtin function object in front: a builtin's own vectorcall entry can then take
// the descriptor in place of the function (it reads the definition row, self and module from
// there), so an instance call goes straight to the function's entry with no call in between.
struct Method {
  PyCFunctionObject head;  // the function's row, self and module; `vectorcall` is this object's entry
  PyObject* function;      // the flat function (strong)
};

// The function, or null with TypeError once the collector cleared it (the descriptor may still be
// reached from a finaliser).
PyObject* functionOf(PyObject* self) {
  PyObject* function = reinterpret_cast<Method*>(self)->function;
  if (!function) PyErr_SetString(PyExc_TypeError, "method without a function");
  return function;
}

// The entry of a descriptor whose function is not a plain builtin: the object arrives first in
// `args`, which is exactly the function's argument list, passed on without a copy.
PyObject* methodVectorcall(PyObject* self, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
  PyObject* function = functionOf(self);
  return function ? PyObject_Vectorcall(function, args, nargsf, kwnames) : nullptr;
}

// True for a vectorcall entry the interpreter gives builtin functions (one per calling convention
// that has one, read from sample functions made once).
PyObject* sampleBody(PyObject*, PyObject*) { Py_RETURN_NONE; }
bool isInterpreterEntry(vectorcallfunc entry) {
  static PyMethodDef samples[] = {{"sample", sampleBody, METH_NOARGS, nullptr},
                                  {"sample", sampleBody, METH_O, nullptr},
                                  {"sample", sampleBody, METH_FASTCALL, nullptr},
                                  {"sample", sampleBody, METH_FASTCALL | METH_KEYWORDS, nullptr}};
  static vectorcallfunc entries[4] = {};
  static bool known = false;
  if (!known) {
    for (size_t i = 0; i < 4; ++i) {
      PyObject* fn = PyCFunction_NewEx(&samples[i], nullptr, nullptr);
      if (!fn) {  // taken as the interpreter's: the descriptor then calls through the function
        PyErr_Clear();
        return true;
      }
      entries[i] = PyVectorcall_Function(fn);
      Py_DECREF(fn);
    }
    known = true;
  }
  for (vectorcallfunc e : entries)
    if (e == entry) return true;
  return false;
}

PyObject* methodNew(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  PyObject* function;
  if (kwargs && PyDict_Check(kwargs) && PyDict_GET_SIZE(kwargs)) {
    PyErr_Format(PyExc_TypeError, "%s() takes no keyword arguments", type->tp_name);
    return nullptr;
  }
  if (!PyArg_UnpackTuple(args, type->tp_name, 1, 1, &function)) return nullptr;
  if (!PyCallable_Check(function)) {
    PyErr_Format(PyExc_TypeError, "%s() needs a callable, not '%s'", type->tp_name, Py_TYPE(function)->tp_name);
    return nullptr;
  }
  auto* self = reinterpret_cast<Method*>(type->tp_alloc(type, 0));
  if (!self) return nullptr;
  Py_INCREF(function);
  self->function = function;
  self->head.vectorcall = methodVectorcall;
  // A builtin keeps its row and entry for life: the descriptor takes them over when the entry is
  // one a module of this runtime gave it, which reads nothing but the row, self and module from
  // the object it is given. The interpreter's own entries are for its function objects only (a
  // debug build checks their type), so a function keeping one is called through methodVectorcall.
  vectorcallfunc entry = PyCFunction_CheckExact(function) ? PyVectorcall_Function(function) : nullptr;
  if (entry && !isInterpreterEntry(entry)) {
    auto* builtin = reinterpret_cast<PyCFunctionObject*>(function);
    self->head.m_ml = builtin->m_ml;
    Py_XINCREF(builtin->m_self);
    self->head.m_self = builtin->m_self;
    Py_XINCREF(builtin->m_module);
    self->head.m_module = builtin->m_module;
    self->head.vectorcall = entry;
  }
  return reinterpret_cast<PyObject*>(self);
}

// Through the class: the function itself; through an instance: a bound method of the function
// (what the interpreter's own instance methods give, so `m.__self__` and `m.__func__` hold).
PyObject* methodGet(PyObject* self, PyObject* obj, PyObject*) {
  PyObject* function = functionOf(self);
  if (!function) return nullptr;
  if (!obj) {
    Py_INCREF(function);
    return function;
  }
  return PyMethod_New(function, obj);
}

// Attributes the descriptor does not have (__name__, __doc__, ...) are the function's.
PyObject* methodGetAttr(PyObject* self, PyObject* name) {
  PyObject* found = PyObject_GenericGetAttr(self, name);
  if (found || !PyErr_ExceptionMatches(PyExc_AttributeError)) return found;
  PyErr_Clear();
  PyObject* function = functionOf(self);
  return function ? PyObject_GetAttr(function, name) : nullptr;
}

PyObject* methodRepr(PyObject* self) {
  return PyUnicode_FromFormat("<method %R>", reinterpret_cast<Method*>(self)->function);
}

int methodTraverse(PyObject* self, visitproc visit, void* arg) {
  auto* m = reinterpret_cast<Method*>(self);
  Py_VISIT(m->function);
  Py_VISIT(m->head.m_self);
  Py_VISIT(m->head.m_module);
  return 0;
}

int methodClear(PyObject* self) {
  auto* m = reinterpret_cast<Method*>(self);
  m->head.vectorcall = methodVectorcall;  // from now on calls get the TypeError of functionOf
  Py_CLEAR(m->function);
  Py_CLEAR(m->head.m_self);
  Py_CLEAR(m->head.m_module);
  return 0;
}

void methodDealloc(PyObject* self) {
  PyObject_GC_UnTrack(self);
  methodClear(self);
  Py_TYPE(self)->tp_free(self);
}

// The type's own docstring would otherwise answer for every descriptor.
PyObject* methodDoc(PyObject* self, void*) {
  PyObject* function = functionOf(self);
  return function ? PyObject_GetAttrString(function, "__doc__") : nullptr;
}

PyGetSetDef methodGetSet[] = {{const_cast<char*>("__doc__"), methodDoc, nullptr, nullptr, nullptr},
                              {nullptr, nullptr, nullptr, nullptr, nullptr}};

PyMemberDef methodMembers[] = {
    {const_cast<char*>("__func__"), T_OBJECT, offsetof(Method, function), READONLY, nullptr},
    {nullptr, 0, 0, 0, nullptr}};

PYRT_ONCE PyTypeObject* makeMethodType() {
  static PyTypeObject type = {PyVarObject_HEAD_INIT(nullptr, 0)};
  type.tp_name = "_Varnex2Downcast.method";
  type.tp_basicsize = sizeof(Method);
  type.tp_dealloc = methodDealloc;
  type.tp_vectorcall_offset = offsetof(Method, head.vectorcall);
  type.tp_repr = methodRepr;
  type.tp_call = PyVectorcall_Call;
  type.tp_getattro = methodGetAttr;
  type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_METHOD_DESCRIPTOR | Py_TPFLAGS_HAVE_VECTORCALL;
  type.tp_doc = "method(function)\n\nBinds function as a method: obj.name(*args) calls function(obj, *args).";
  type.tp_traverse = methodTraverse;
  type.tp_clear = methodClear;
  type.tp_members = methodMembers;
  type.tp_getset = methodGetSet;
  type.tp_descr_get = methodGet;
  type.tp_new = methodNew;
  if (PyType_Ready(&type) < 0) return nullptr;
  return &type;
}

// True when the first `length` characters of the str `name` are exactly the str `word` (ready
// strings; ASCII ones compared as bytes).
bool startsWith(PyObject* name, PyObject* word, Py_ssize_t length) {
  if (PyUnicode_GET_LENGTH(word) != length) return false;
  if (PyUnicode_IS_COMPACT_ASCII(name) && PyUnicode_IS_COMPACT_ASCII(word))
    return std::memcmp(PyUnicode_DATA(name), PyUnicode_DATA(word), static_cast<size_t>(length)) == 0;
  return PyUnicode_Tailmatch(name, word, 0, length, -1) == 1;
}

// Sets attribute *name (interned in place) of cls. A class defined in Python takes plain names
// straight into its dict, its change noticed once for all of them afterwards (one setattr per
// name was most of the package's import); special names go through setattr, which also fills
// the class's slots.
int setMethod(PyObject* cls, PyObject** name, PyObject* value) {
  PyUnicode_InternInPlace(name);
  const bool special = PyUnicode_GET_LENGTH(*name) > 4 && PyUnicode_READ_CHAR(*name, 0) == '_' &&
                       PyUnicode_READ_CHAR(*name, 1) == '_';
  if (!special && PyType_Check(cls) && PyType_HasFeature(reinterpret_cast<PyTypeObject*>(cls), Py_TPFLAGS_HEAPTYPE))
    return PyDict_SetItem(reinterpret_cast<PyTypeObject*>(cls)->tp_dict, *name, value);
  return PyObject_SetAttr(cls, *name, value);
}

// True when `name` ends with one of the str suffixes of the tuple `suffixes`.
bool endsWithAny(PyObject* name, PyObject* suffixes) {
  for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(suffixes); ++i) {
    if (PyUnicode_Tailmatch(name, PyTuple_GET_ITEM(suffixes, i), 0, PY_SSIZE_T_MAX, 1) == 1) return true;
  }
  return false;
}

// The attribute bound for one function: staticmethod(function) or method(function).
PyObject* boundAttribute(PyObject* function, bool isStatic) {
  if (isStatic) return PyStaticMethod_New(function);
  PyTypeObject* type = methodType();
  if (!type) return nullptr;
  PyObject* args = PyTuple_Pack(1, function);
  PyObject* made = args ? methodNew(type, args, nullptr) : nullptr;
  Py_XDECREF(args);
  return made;
}

}  // namespace

PyTypeObject* methodType() {
  static PyTypeObject* type = makeMethodType();
  return type;
}

PyObject* bindMethods(PyObject*, PyObject* args) {
  PyObject *classes, *names, *statics, *skipped;
  if (!PyArg_ParseTuple(args, "O!O!O!O!:bind_methods", &PyTuple_Type, &classes, &PyDict_Type, &names,
                        &PyFrozenSet_Type, &statics, &PyTuple_Type, &skipped))
    return nullptr;
  // The names of the classes, read once; the walk compares each function's name up to its first
  // '_' with them. Names that are not plain ASCII take the general comparison.
  const Py_ssize_t classCount = PyTuple_GET_SIZE(classes);
  PyObject* classNames = PyTuple_New(classCount);
  if (!classNames) return nullptr;
  for (Py_ssize_t i = 0; i < classCount; ++i) {
    PyObject* name = PyObject_GetAttrString(PyTuple_GET_ITEM(classes, i), "__name__");
    if (!name || !PyUnicode_Check(name) || PyUnicode_READY(name) < 0) {
      if (name && !PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "bind_methods() needs classes with str names");
      Py_XDECREF(name);
      Py_DECREF(classNames);
      return nullptr;
    }
    PyTuple_SET_ITEM(classNames, i, name);
  }
  // Bound after the walk: setting attributes on a class must not run while the dict is walked.
  PyObject* pending = PyList_New(0);
  Py_ssize_t pos = 0;
  PyObject *name, *function;
  while (pending && PyDict_Next(names, &pos, &name, &function)) {
    if (!PyUnicode_Check(name) || PyUnicode_READY(name) < 0) continue;
    const Py_ssize_t cut = PyUnicode_FindChar(name, '_', 0, PyUnicode_GET_LENGTH(name), 1);
    if (cut <= 0 || cut + 1 >= PyUnicode_GET_LENGTH(name) || endsWithAny(name, skipped)) continue;
    Py_ssize_t owner = 0;
    while (owner < classCount && !startsWith(name, PyTuple_GET_ITEM(classNames, owner), cut)) ++owner;
    if (owner == classCount) continue;
    const int isStatic = PySet_Contains(statics, name);
    PyObject* attribute = isStatic < 0 ? nullptr : boundAttribute(function, isStatic == 1);
    PyObject* shortName = attribute ? PyUnicode_Substring(name, cut + 1, PY_SSIZE_T_MAX) : nullptr;
    PyObject* entry = shortName ? PyTuple_Pack(3, PyTuple_GET_ITEM(classes, owner), shortName, attribute) : nullptr;
    if (!entry || PyList_Append(pending, entry) < 0) Py_CLEAR(pending);
    Py_XDECREF(attribute);
    Py_XDECREF(shortName);
    Py_XDECREF(entry);
  }
  Py_DECREF(classNames);
  if (!pending) return nullptr;
  const Py_ssize_t count = PyList_GET_SIZE(pending);
  int failed = 0;
  for (Py_ssize_t i = 0; i < count && !failed; ++i) {
    PyObject* entry = PyList_GET_ITEM(pending, i);
    failed = setMethod(PyTuple_GET_ITEM(entry, 0), &PyTuple_GET_ITEM(entry, 1), PyTuple_GET_ITEM(entry, 2)) < 0;
  }
  // One notice of the change per class, after all its names went in.
  for (Py_ssize_t i = 0; i < classCount; ++i) {
    PyObject* cls = PyTuple_GET_ITEM(classes, i);
    if (PyType_Check(cls)) PyType_Modified(reinterpret_cast<PyTypeObject*>(cls));
  }
  Py_DECREF(pending);
  return failed ? nullptr : PyLong_FromSsize_t(count);
}

}  // namespace pyrt
