// The global-variables object: attribute reads and writes call a linked getter or setter.
#pragma once
#include <Python.h>

namespace pyrt {

using VarGetter = PyObject* (*)();
using VarSetter = int (*)(PyObject*);

/// New empty object of type "swigvarlink", or null.
PyObject* newGlobals();
/// Puts a variable at the head of the object's list.
void linkVariable(PyObject* globals, const char* name, VarGetter get, VarSetter set);

}  // namespace pyrt
