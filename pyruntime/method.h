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

}  // namespace pyrt
