// _bench_floor: hand-written raw C-API functions doing the same native work as the measured
// wrappers, with nothing but the checks a careful hand-written function needs. They take the
// module's own proxies (an exact proxy-type and descriptor check, then the pointer field) and
// call the same facade operations, which reach libVarnex2 through virtual calls.
#include <Python.h>
#include <cstddef>
#include <exception>
#include <string>
#include "pyruntime/proxy.h"
#include "sdk/editor.h"
#include "sdk/model.h"
#include "sdk/solver.h"

namespace {
using namespace OrvaneSDK;
using namespace OrvaneSDK::Model;

// The proxy type and the descriptors of sample proxies, remembered by prepare().
PyTypeObject* g_proxyType = nullptr;
pyrt::TypeDescriptor* g_handleTy = nullptr;
pyrt::TypeDescriptor* g_attributeTy = nullptr;
pyrt::TypeDescriptor* g_editorTy = nullptr;
PyObject* g_typeErrorText = nullptr;

// The native pointer of a proxy of exactly the expected descriptor, or null with TypeError.
template <class T>
T* pointerOf(PyObject* o, pyrt::TypeDescriptor* ty) {
  if (Py_TYPE(o) == g_proxyType) {
    auto* sp = reinterpret_cast<pyrt::SwigPyObject*>(o);
    if (sp->ty == ty && sp->ptr) return static_cast<T*>(sp->ptr);
  }
  PyErr_SetString(PyExc_TypeError, "wrong argument");
  return nullptr;
}

pyrt::TypeDescriptor* descriptorOf(PyObject* o) {
  if (o == Py_None) return nullptr;
  return reinterpret_cast<pyrt::SwigPyObject*>(o)->ty;
}

// prepare(manager_proxy, attribute_proxy_or_None, editor_proxy_or_None)
PyObject* prepare(PyObject*, PyObject* args) {
  PyObject *h, *a, *e;
  if (!PyArg_ParseTuple(args, "OOO", &h, &a, &e)) return nullptr;
  g_proxyType = Py_TYPE(h);
  if (std::string(g_proxyType->tp_name) != "SwigPyObject") {
    PyErr_SetString(PyExc_TypeError, "prepare() needs bare proxies");
    return nullptr;
  }
  g_handleTy = descriptorOf(h);
  g_attributeTy = descriptorOf(a);
  g_editorTy = descriptorOf(e);
  Py_RETURN_NONE;
}

// METH_O, one virtual call: IHandle::getHandleType.
PyObject* handleType(PyObject*, PyObject* o) {
  auto* h = pointerOf<ISolverManager>(o, g_handleTy);
  if (!h) return nullptr;
  return PyLong_FromLong(static_cast<long>(h->getHandleType()));
}

// METH_O, a text result: IAttribute::getType decoded as the module decodes text.
PyObject* attributeType(PyObject*, PyObject* o) {
  auto* a = pointerOf<IAttribute>(o, g_attributeTy);
  if (!a) return nullptr;
  try {
    std::string s = a->getType();
    return PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "surrogateescape");
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_RuntimeError, e.what());
    return nullptr;
  }
}

// METH_VARARGS with one argument: ISolverData::getIteration at the default chronology.
// A failing library call arrives as a caught C++ exception and leaves RuntimeError.
PyObject* iteration1(PyObject*, PyObject* args) {
  if (PyTuple_GET_SIZE(args) != 1) {
    PyErr_SetString(PyExc_TypeError, "iteration1 expected 1 argument");
    return nullptr;
  }
  auto* d = pointerOf<ISolverManager>(PyTuple_GET_ITEM(args, 0), g_handleTy);
  if (!d) return nullptr;
  try {
    return PyLong_FromLong(d->getIteration());
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_RuntimeError, e.what());
    return nullptr;
  }
}

// METH_VARARGS with two arguments: getIteration with an explicit chronology.
PyObject* iteration2(PyObject*, PyObject* args) {
  if (PyTuple_GET_SIZE(args) != 2) {
    PyErr_SetString(PyExc_TypeError, "iteration2 expected 2 arguments");
    return nullptr;
  }
  auto* d = pointerOf<ISolverManager>(PyTuple_GET_ITEM(args, 0), g_handleTy);
  if (!d) return nullptr;
  long c = PyLong_AsLong(PyTuple_GET_ITEM(args, 1));
  if (c == -1 && PyErr_Occurred()) return nullptr;
  try {
    return PyLong_FromLong(d->getIteration(static_cast<Chronology>(c)));
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_RuntimeError, e.what());
    return nullptr;
  }
}

// METH_VARARGS with three arguments: the editor's (index, path) integer read.
PyObject* editorIndexPath(PyObject*, PyObject* args) {
  if (PyTuple_GET_SIZE(args) != 3) {
    PyErr_SetString(PyExc_TypeError, "editor_index_path expected 3 arguments");
    return nullptr;
  }
  auto* e = pointerOf<EntityEditor>(PyTuple_GET_ITEM(args, 0), g_editorTy);
  if (!e) return nullptr;
  size_t i = PyLong_AsSize_t(PyTuple_GET_ITEM(args, 1));
  if (i == static_cast<size_t>(-1) && PyErr_Occurred()) return nullptr;
  Py_ssize_t n;
  const char* p = PyUnicode_AsUTF8AndSize(PyTuple_GET_ITEM(args, 2), &n);
  if (!p) return nullptr;
  try {
    return PyLong_FromLong(e->getIntValue(i, std::string(p, static_cast<size_t>(n))));
  } catch (const std::exception& ex) {
    PyErr_SetString(PyExc_RuntimeError, ex.what());
    return nullptr;
  }
}

// METH_O: the trivial function returning a bool (an int converted and tested).
PyObject* trivialBool(PyObject*, PyObject* o) {
  long v = PyLong_AsLong(o);
  if (v == -1 && PyErr_Occurred()) return nullptr;
  return PyBool_FromLong(v != 0);
}

// METH_VARARGS: raises TypeError with a text made once (the cheapest possible error).
PyObject* typeErrorFixed(PyObject*, PyObject*) {
  PyErr_SetObject(PyExc_TypeError, g_typeErrorText);
  return nullptr;
}

// The proxy's size against the sum of its fields (header included).
PyObject* proxyLayout(PyObject*, PyObject*) {
  using pyrt::SwigPyObject;
  const size_t fields = sizeof(PyObject) + sizeof(void*) + sizeof(pyrt::TypeDescriptor*) + sizeof(int) +
                        sizeof(PyObject*) + sizeof(PyObject*);
  return Py_BuildValue("(nnn)", static_cast<Py_ssize_t>(sizeof(SwigPyObject)), static_cast<Py_ssize_t>(fields),
                       static_cast<Py_ssize_t>(alignof(SwigPyObject)));
}

PyMethodDef methods[] = {
    {"prepare", prepare, METH_VARARGS, nullptr},
    {"handle_type", handleType, METH_O, nullptr},
    {"attribute_type", attributeType, METH_O, nullptr},
    {"iteration1", iteration1, METH_VARARGS, nullptr},
    {"iteration2", iteration2, METH_VARARGS, nullptr},
    {"editor_index_path", editorIndexPath, METH_VARARGS, nullptr},
    {"trivial_bool", trivialBool, METH_O, nullptr},
    {"type_error_fixed", typeErrorFixed, METH_VARARGS, nullptr},
    {"proxy_layout", proxyLayout, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr}};

PyModuleDef moduleDef = {PyModuleDef_HEAD_INIT, "_bench_floor", nullptr, -1, methods,
                         nullptr, nullptr, nullptr, nullptr};
}  // namespace

PyMODINIT_FUNC PyInit__bench_floor() {
  g_typeErrorText = PyUnicode_FromString("Wrong number or type of arguments");
  if (!g_typeErrorText) return nullptr;
  return PyModule_Create(&moduleDef);
}
