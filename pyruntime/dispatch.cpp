// Out-of-line pieces of the wrapper mechanism: exception translation, overload messages and
// the function objects of the method table.
#include "pyruntime/dispatch.h"
#include <cstdlib>
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

namespace {
// The method tables made by createModule, so that a destroy function can be recognised as one of
// ours (only those may be handed a proxy that is being deallocated).
constexpr int kMaxTables = 4;
struct TableRange {
  const PyMethodDef* begin;
  const PyMethodDef* end;
};
TableRange ownTables[kMaxTables];
int ownTableCount = 0;
}  // namespace

PyObject* PYRT_ONCE createModule(PyModuleDef* def, const Row* const* runs, size_t count, int apiVersion) {
  size_t rows = 0;
  for (size_t r = 0; r < count; ++r)
    for (const Row* row = runs[r]; row->def.ml_name; ++row) ++rows;
  // The definition's table lives for the process, as the interpreter expects of it.
  auto* table = static_cast<PyMethodDef*>(std::calloc(rows + 1, sizeof(PyMethodDef)));
  if (!table) return PyErr_NoMemory();
  size_t at = 0;
  for (size_t r = 0; r < count; ++r)
    for (const Row* row = runs[r]; row->def.ml_name; ++row) table[at++] = row->def;
  def->m_methods = table;
  if (ownTableCount < kMaxTables) ownTables[ownTableCount++] = {table, table + rows};
  PyObject* module = PyModule_Create2(def, apiVersion);
  if (!module) return nullptr;
  // Each function made from an argument-tuple row also gets the row's vectorcall entry.
  PyObject* dict = PyModule_GetDict(module);
  at = 0;
  for (size_t r = 0; r < count; ++r) {
    for (const Row* row = runs[r]; row->def.ml_name; ++row, ++at) {
      if (!row->fast) continue;
      PyObject* fn = PyDict_GetItemString(dict, row->def.ml_name);
      if (fn && PyCFunction_Check(fn) && reinterpret_cast<PyCFunctionObject*>(fn)->m_ml == &table[at])
        reinterpret_cast<PyCFunctionObject*>(fn)->vectorcall = row->fast;
    }
  }
  return module;
}

bool isOwnFunction(PyObject* fn) {
  if (!PyCFunction_Check(fn)) return false;
  const PyMethodDef* ml = reinterpret_cast<PyCFunctionObject*>(fn)->m_ml;
  for (int i = 0; i < ownTableCount; ++i)
    if (ml >= ownTables[i].begin && ml < ownTables[i].end) return true;
  return false;
}

}  // namespace pyrt
