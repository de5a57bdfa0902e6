// Method binding of flat functions: a descriptor that makes a function taking the object as its
// first argument a method of a Python class.
#pragma once
#include <Python.h>

namespace pyrt {

/// The descriptor type: `type(f)(function)` on a class binds `function` like a Python method
/// (`obj.name(*args)` is `function(obj, *args)`, `cls.name` is `function` itself). It is a
/// method descriptor to the interpreter, so a call through an instance makes no bound-method
/// object; null with an error set when the type cannot be made ready.
PyTypeObject* methodType();

/// Body of `bind_methods(classes, namespace, statics, skipped)`: every function of the dict
/// `namespace` named `<Class>_<name>`, where Class (without '_') names one of the tuple `classes`,
/// becomes attribute `name` of that class (names ending in one of the `skipped` suffixes left
/// out): a static method when its full name is in `statics`, else a method of the descriptor
/// type. Returns the count bound, or null with an error set.
PyObject* bindMethods(PyObject* module, PyObject* args);

}  // namespace pyrt
