// Out-of-line pieces of the wrapper mechanism: exception translation, overload messages and
// the function objects of the method table.
#include "pyruntime/dispatch.h"
#include <cxxabi.h>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace pyrt {

namespace {
// A name without the mark of internal linkage that some compilers put first.
const char* typeName(const std::type_info& type) {
  const char* name = type.name();
  return name[0] == '*' ? name + 1 : name;
}

// The standard exception classes, each with std::exception as its first base: a foreign object
// of one of them is read through the std::exception at its start (what() is virtual).
const std::type_info* const kStandardExceptions[] = {
    &typeid(std::exception),    &typeid(std::bad_exception),  &typeid(std::bad_alloc),
    &typeid(std::bad_cast),     &typeid(std::bad_typeid),     &typeid(std::bad_array_new_length),
    &typeid(std::logic_error),  &typeid(std::domain_error),   &typeid(std::invalid_argument),
    &typeid(std::length_error), &typeid(std::out_of_range),   &typeid(std::runtime_error),
    &typeid(std::range_error),  &typeid(std::overflow_error), &typeid(std::underflow_error),
};
}  // namespace

const void* caughtObject(const std::type_info& type) noexcept {
  const std::type_info* current = abi::__cxa_current_exception_type();
  if (!current || std::strcmp(typeName(*current), typeName(type)) != 0) return nullptr;
  // Both C++ runtimes keep an exception_ptr as the address of the thrown object.
  std::exception_ptr held = std::current_exception();
  void* object;
  static_assert(sizeof held == sizeof object, "an exception_ptr is one pointer");
  std::memcpy(&object, static_cast<const void*>(&held), sizeof object);
  return object;  // the handler keeps it alive after `held` goes
}

PyObject* translateException() noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_RuntimeError, e.what());
  } catch (...) {
    const char* what = "Unknown exception";
    for (const std::type_info* type : kStandardExceptions)
      if (const void* e = caughtObject(*type)) {
        what = static_cast<const std::exception*>(e)->what();
        break;
      }
    PyErr_SetString(PyExc_RuntimeError, what);
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

PyObject* shadowed(PyObject* proxy, TypeDescriptor* ty) {
  ClassBinding* binding = ty->clientdata;
  if (!proxy || proxy == Py_None || !binding || !binding->klass) return proxy;
  PyObject* instance = newShadowInstance(binding, proxy);
  Py_DECREF(proxy);
  return instance;
}

PyObject* newView(void* ptr, TypeDescriptor* ty, SwigPyObject* of, int flags) {
  PyObject* view = newProxy(ptr, ty, kNoShadow);
  if (!view || view == Py_None) return view;
  if (of) {
    Py_INCREF(reinterpret_cast<PyObject*>(of));
    reinterpret_cast<SwigPyObject*>(view)->keep = reinterpret_cast<PyObject*>(of);
  }
  return (flags & kNoShadow) ? view : shadowed(view, ty);
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
  // Each function made from a row with a vectorcall entry gets that entry.
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

PyObject* callWrongly(PyObject* callable, PyObject* const* argv, size_t nargsf, PyObject* kwnames) {
  // `callable` is laid out as a builtin function either way; only its row, self and module are read.
  auto* head = reinterpret_cast<PyCFunctionObject*>(callable);
  PyObject* builtin = PyCFunction_NewEx(head->m_ml, head->m_self, head->m_module);
  if (!builtin) return nullptr;
  PyObject* result = PyObject_Vectorcall(builtin, argv, nargsf, kwnames);
  Py_DECREF(builtin);
  return result;
}

bool isOwnFunction(PyObject* fn) {
  if (!PyCFunction_Check(fn)) return false;
  const PyMethodDef* ml = reinterpret_cast<PyCFunctionObject*>(fn)->m_ml;
  for (int i = 0; i < ownTableCount; ++i)
    if (ml >= ownTables[i].begin && ml < ownTables[i].end) return true;
  return false;
}

}  // namespace pyrt
