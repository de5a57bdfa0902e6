// Out-of-line pieces of the wrapper mechanism: exception translation and overload messages.
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

}  // namespace pyrt
