// Out-of-line pieces of the wrapper mechanism: exception translation, overload messages and
// the function objects of the method table.
#include "pyruntime/dispatch.h"
#include <stdexcept>

namespace pyrt {

PyObject* translateException() noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_RuntimeError, e.what());
  } catch (...) {
    PyErr_SetString(PyExc_RuntimeError, "Unknown exception");
  }
  return nullptr;
}

PyObject* raiseNativeError(const char* what) noexcept {
  PyErr_SetString(PyExc_RuntimeError, what);
  return nullptr;
}

PyObject* overloadMessage(const char* name, const char* const* lines, size_t count) {
  std::string msg = "Wrong number or type of arguments for overloaded function '";
  msg += name;
  msg += "'.\n  Possible C/C++ prototypes are:\n";
  for (size_t i = 0; i < count; ++i) {
    msg += "    ";
    msg += lines[i];
    msg += '\n';
  }
  return PyUnicode_FromStringAndSize(msg.data(), static_cast<Py_ssize_t>(msg.size()));
}

PyObject* refuseKeywords(PyObject* callable) {
  PyErr_Format(PyExc_TypeError, "%.200s() takes no keyword arguments",
               reinterpret_cast<PyCFunctionObject*>(callable)->m_ml->ml_name);
  return nullptr;
}

bool PYRT_ONCE addFunctions(PyObject* module, const Row* rows) {
  PyObject* moduleName = PyModule_GetNameObject(module);
  if (!moduleName) return false;
  bool ok = true;
  for (const Row* row = rows; ok && row->def.ml_name; ++row) {
    // The interpreter only reads the rows; its API takes them as mutable.
    PyObject* fn = PyCFunction_NewEx(const_cast<PyMethodDef*>(&row->def), module, moduleName);
    if (!fn) {
      ok = false;
      break;
    }
    if (row->fast) reinterpret_cast<PyCFunctionObject*>(fn)->vectorcall = row->fast;
    ok = PyObject_SetAttrString(module, row->def.ml_name, fn) == 0;
    Py_DECREF(fn);
  }
  Py_DECREF(moduleName);
  return ok;
}

}  // namespace pyrt
