// The method descriptor of flat functions (see method.h).
#include "pyruntime/method.h"
#include <structmember.h>
#include <cstddef>
#include "pyruntime/registry.h"

#if PY_VERSION_HEX < 0x03090000
#define PyObject_Vectorcall _PyObject_Vectorcall
#define Py_TPFLAGS_HAVE_VECTORCALL _Py_TPFLAGS_HAVE_VECTORCALL
#endif

namespace pyrt {
namespace {

struct Method {
  PyObject_HEAD
  PyObject* function;         // the flat function (strong)
  vectorcallfunc target;      // the function's own vectorcall entry, when it has one
  vectorcallfunc vectorcall;  // this object's entry, read by the interpreter
};

// Instance calls arrive here with the object first in `args`, which is exactly the argument
// list of the flat function: it is passed on without a copy, straight to the function's entry.
PyObject* methodVectorcall(PyObject* self, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
  auto* m = reinterpret_cast<Method*>(self);
  if (m->target) return m->target(m->function, args, nargsf, kwnames);
  if (!m->function) {  // cleared by the collector while still reachable from a finaliser
    PyErr_SetString(PyExc_TypeError, "method without a function");
    return nullptr;
  }
  return PyObject_Vectorcall(m->function, args, nargsf, kwnames);
}

PyObject* methodNew(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  PyObject* function;
  if (!_PyArg_NoKeywords(type->tp_name, kwargs) || !PyArg_UnpackTuple(args, type->tp_name, 1, 1, &function))
    return nullptr;
  if (!PyCallable_Check(function)) {
    PyErr_Format(PyExc_TypeError, "%s() needs a callable, not '%s'", type->tp_name, Py_TYPE(function)->tp_name);
    return nullptr;
  }
  auto* self = reinterpret_cast<Method*>(type->tp_alloc(type, 0));
  if (!self) return nullptr;
  Py_INCREF(function);
  self->function = function;
  // Builtin functions keep their entry for life; other callables are called the general way.
  self->target = PyCFunction_Check(function) ? PyVectorcall_Function(function) : nullptr;
  self->vectorcall = methodVectorcall;
  return reinterpret_cast<PyObject*>(self);
}

// Through the class: the function itself; through an instance: a bound method of the function
// (what the interpreter's own instance methods give, so `m.__self__` and `m.__func__` hold).
PyObject* methodGet(PyObject* self, PyObject* obj, PyObject*) {
  PyObject* function = reinterpret_cast<Method*>(self)->function;
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
  return PyObject_GetAttr(reinterpret_cast<Method*>(self)->function, name);
}

PyObject* methodRepr(PyObject* self) {
  return PyUnicode_FromFormat("<method %R>", reinterpret_cast<Method*>(self)->function);
}

int methodTraverse(PyObject* self, visitproc visit, void* arg) {
  Py_VISIT(reinterpret_cast<Method*>(self)->function);
  return 0;
}

int methodClear(PyObject* self) {
  reinterpret_cast<Method*>(self)->target = nullptr;
  Py_CLEAR(reinterpret_cast<Method*>(self)->function);
  return 0;
}

void methodDealloc(PyObject* self) {
  PyObject_GC_UnTrack(self);
  methodClear(self);
  Py_TYPE(self)->tp_free(self);
}

// The type's own docstring would otherwise answer for every descriptor.
PyObject* methodDoc(PyObject* self, void*) {
  return PyObject_GetAttrString(reinterpret_cast<Method*>(self)->function, "__doc__");
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
  type.tp_vectorcall_offset = offsetof(Method, vectorcall);
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

}  // namespace

PyTypeObject* methodType() {
  static PyTypeObject* type = makeMethodType();
  return type;
}

}  // namespace pyrt
