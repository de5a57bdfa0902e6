// The "swigvarlink" type: a linked list of named getter/setter records.
#include "pyruntime/globals.h"
#include "pyruntime/registry.h"
#include <cstdlib>
#include <cstring>

namespace pyrt {
namespace {

struct GlobalVarRecord {
  char* name;
  VarGetter get_attr;
  VarSetter set_attr;
  GlobalVarRecord* next;
};

struct VarLink {
  PyObject_HEAD
  GlobalVarRecord* vars;
};

PyObject* varRepr(PyObject*) { return PyUnicode_InternFromString("<Swig global variables>"); }

PyObject* varStr(PyObject* o) {
  PyObject* str = PyUnicode_InternFromString("(");
  for (GlobalVarRecord* var = reinterpret_cast<VarLink*>(o)->vars; var && str; var = var->next) {
    PyObject* joined = PyUnicode_FromFormat("%U%s%s", str, var->name, var->next ? ", " : "");
    Py_DECREF(str);
    str = joined;
  }
  if (!str) return nullptr;
  PyObject* tail = PyUnicode_FromFormat("%U)", str);
  Py_DECREF(str);
  return tail;
}

void varDealloc(PyObject* o) {
  GlobalVarRecord* var = reinterpret_cast<VarLink*>(o)->vars;
  while (var) {
    GlobalVarRecord* n = var->next;
    std::free(var->name);
    std::free(var);
    var = n;
  }
  PyObject_Del(o);
}

PyObject* varGetAttr(PyObject* o, char* n) {
  for (GlobalVarRecord* var = reinterpret_cast<VarLink*>(o)->vars; var; var = var->next) {
    if (std::strcmp(var->name, n) == 0) {
      PyObject* res = var->get_attr();
      if (res || PyErr_Occurred()) return res;
      break;
    }
  }
  if (!PyErr_Occurred()) PyErr_Format(PyExc_AttributeError, "Unknown C global variable '%s'", n);
  return nullptr;
}

// A failed write answers 1, as the record setters do; CPython 3.13 and later take only a negative
// result for failure (delattr and setattr would raise SystemError), so they get -1.
#if PY_VERSION_HEX >= 0x030D0000
constexpr int kSetFailed = -1;
#else
constexpr int kSetFailed = 1;
#endif

int varSetAttr(PyObject* o, char* n, PyObject* p) {
  for (GlobalVarRecord* var = reinterpret_cast<VarLink*>(o)->vars; var; var = var->next) {
    if (std::strcmp(var->name, n) == 0) {
      int res = var->set_attr(p);
      if (res != 1) return res;
      if (PyErr_Occurred()) return kSetFailed;
      break;
    }
  }
  if (!PyErr_Occurred()) PyErr_Format(PyExc_AttributeError, "Unknown C global variable '%s'", n);
  return kSetFailed;
}

PYRT_ONCE PyTypeObject* makeType() {
  static PyTypeObject type = {PyVarObject_HEAD_INIT(nullptr, 0)};
  type.tp_name = "swigvarlink";
  type.tp_basicsize = sizeof(VarLink);
  type.tp_dealloc = varDealloc;
  type.tp_getattr = varGetAttr;
  type.tp_setattr = varSetAttr;
  type.tp_repr = varRepr;
  type.tp_str = varStr;
  type.tp_doc = "Swig var link object";
  type.tp_flags = 0;
  if (PyType_Ready(&type) < 0) return nullptr;
  return &type;
}

}  // namespace

PYRT_ONCE PyObject* newGlobals() {
  static PyTypeObject* type = nullptr;  // made ready once, under the GIL
  if (!type && !(type = makeType())) return nullptr;
  VarLink* result = PyObject_New(VarLink, type);
  if (result) result->vars = nullptr;
  return reinterpret_cast<PyObject*>(result);
}

PYRT_ONCE void linkVariable(PyObject* globals, const char* name, VarGetter get, VarSetter set) {
  auto* v = reinterpret_cast<VarLink*>(globals);
  auto* gv = static_cast<GlobalVarRecord*>(std::malloc(sizeof(GlobalVarRecord)));
  if (!gv) return;
  size_t size = std::strlen(name) + 1;
  gv->name = static_cast<char*>(std::malloc(size));
  if (!gv->name) {
    std::free(gv);
    return;
  }
  std::memcpy(gv->name, name, size);
  gv->get_attr = get;
  gv->set_attr = set;
  gv->next = v->vars;
  v->vars = gv;
}

}  // namespace pyrt
