// _Varnex2Probe: test-only access to runtime internals that no wrapper shows directly: packed
// objects, type lookups by name, cast lists, conversion flags, the global-variables object and the
// method-table row behind a function.
#include <Python.h>
#include <string>
#include "pyruntime/convert.h"
#include "pyruntime/globals.h"
#include "pyruntime/proxy.h"

namespace {
using namespace pyrt;

// The descriptor of a mangled name in the shared registry (the probe has no table of its own).
TypeDescriptor* byMangled(PyObject* name) {
  const char* text = PyUnicode_AsUTF8(name);
  if (!text) return nullptr;
  void* head = PyCapsule_Import(kCapsuleName, 0);
  if (!head) return nullptr;
  auto* table = static_cast<ModuleTypeTable*>(head);
  TypeDescriptor* ty = lookupTypeByMangledName(table, table, text);
  if (!ty) PyErr_Format(PyExc_KeyError, "%s", text);
  return ty;
}

PyObject* packed(PyObject*, PyObject* args) {
  Py_buffer data;
  PyObject* name;
  if (!PyArg_ParseTuple(args, "y*U", &data, &name)) return nullptr;
  TypeDescriptor* ty = byMangled(name);
  PyObject* result = ty ? newPacked(data.buf, static_cast<size_t>(data.len), ty) : nullptr;
  PyBuffer_Release(&data);
  return result;
}

// (display name, found in the probe's own type cache before the call) of lookupTypeByName.
PyObject* lookup(PyObject*, PyObject* arg) {
  const char* name = PyUnicode_AsUTF8(arg);
  if (!name) return nullptr;
  bool cached = typeCache() && PyDict_GetItemString(typeCache(), name);
  TypeDescriptor* ty = lookupTypeByName(name);
  return Py_BuildValue("(sO)", ty ? ty->name : "", cached ? Py_True : Py_False);
}

// Source names of a target's cast list, head first; after findCast when a source is given.
PyObject* castList(PyObject*, PyObject* args) {
  PyObject* target;
  const char* source = nullptr;
  if (!PyArg_ParseTuple(args, "U|s", &target, &source)) return nullptr;
  TypeDescriptor* ty = byMangled(target);
  if (!ty) return nullptr;
  PyObject* found = Py_None;
  if (source) found = findCast(source, ty) ? Py_True : Py_False;
  PyObject* list = PyList_New(0);
  for (CastRecord* rec = ty->cast; rec && list; rec = rec->next) {
    PyObject* item = PyUnicode_FromString(rec->type->name);
    if (!item || PyList_Append(list, item) < 0) Py_CLEAR(list);
    Py_XDECREF(item);
  }
  return list ? Py_BuildValue("(NO)", list, found) : nullptr;
}

// (result code, own out-value, pointer) of convertPointer with the given flags.
PyObject* convert(PyObject*, PyObject* args) {
  PyObject *obj, *target;
  int flags;
  if (!PyArg_ParseTuple(args, "OUi", &obj, &target, &flags)) return nullptr;
  TypeDescriptor* ty = byMangled(target);
  if (!ty) return nullptr;
  void* ptr = nullptr;
  int own = 0;
  int code = convertPointer(obj, &ptr, ty, flags, &own);
  return Py_BuildValue("(iiN)", code, own, PyLong_FromVoidPtr(ptr));
}

// A global-variables object linking each (name, value) pair in order; the values are read-only.
PyObject* values = nullptr;
PyObject* item(Py_ssize_t i) {
  PyObject* v = PyTuple_GET_ITEM(values, i);
  Py_INCREF(v);
  return v;
}
PyObject* getter0() { return item(0); }
PyObject* getter1() { return item(1); }
PyObject* getterMissing() { return nullptr; }  // no object and no error: reported as unknown
int refuse(PyObject*) {
  PyErr_SetString(PyExc_AttributeError, "read-only");
  return 1;
}
int silent(PyObject*) { return 1; }  // fails without an error: reported as unknown
PyObject* varlink(PyObject*, PyObject* args) {
  const char *a, *b;
  PyObject *va, *vb;
  if (!PyArg_ParseTuple(args, "sOsO", &a, &va, &b, &vb)) return nullptr;
  Py_XDECREF(values);
  values = Py_BuildValue("(OO)", va, vb);
  if (!values) return nullptr;
  PyObject* globals = newGlobals();
  if (!globals) return nullptr;
  linkVariable(globals, a, getter0, refuse);
  linkVariable(globals, b, getter1, refuse);
  linkVariable(globals, "missing", getterMissing, silent);
  return globals;
}

// Calls a builtin function through its method-table row with an argument tuple, the way C code
// calling the row directly does, bypassing the function object's vectorcall entry.
PyObject* callRow(PyObject*, PyObject* args) {
  PyObject *fn, *tuple;
  if (!PyArg_ParseTuple(args, "O!O!", &PyCFunction_Type, &fn, &PyTuple_Type, &tuple)) return nullptr;
  if (!(PyCFunction_GET_FLAGS(fn) & METH_VARARGS)) return PyErr_SetString(PyExc_ValueError, "not METH_VARARGS"), nullptr;
  return PyCFunction_GET_FUNCTION(fn)(PyCFunction_GET_SELF(fn), tuple);
}

// Names of the method table in a module's definition record, in order (None without a table).
PyObject* methodTable(PyObject*, PyObject* module) {
  PyModuleDef* def = PyModule_GetDef(module);
  if (!def) return nullptr;
  if (!def->m_methods) Py_RETURN_NONE;
  PyObject* names = PyList_New(0);
  for (PyMethodDef* ml = def->m_methods; names && ml->ml_name; ++ml) {
    PyObject* name = PyUnicode_FromString(ml->ml_name);
    if (!name || PyList_Append(names, name) < 0) Py_CLEAR(names);
    Py_XDECREF(name);
  }
  return names;
}

PyMethodDef methods[] = {
    {"call_row", callRow, METH_VARARGS, nullptr},    {"method_table", methodTable, METH_O, nullptr},
    {"packed", packed, METH_VARARGS, nullptr},       {"lookup", lookup, METH_O, nullptr},
    {"cast_list", castList, METH_VARARGS, nullptr},  {"convert", convert, METH_VARARGS, nullptr},
    {"varlink", varlink, METH_VARARGS, nullptr},     {nullptr, nullptr, 0, nullptr}};
PyModuleDef moduleDef = {PyModuleDef_HEAD_INIT, "_Varnex2Probe", nullptr, -1, methods,
                         nullptr, nullptr, nullptr, nullptr};
}  // namespace

PyMODINIT_FUNC PyInit__Varnex2Probe() {
  PyObject* main = PyImport_ImportModule("_Varnex2Python");  // the registry to probe
  if (!main) return nullptr;
  Py_DECREF(main);
  if (!initSingletons()) return nullptr;
  return PyModule_Create(&moduleDef);
}
