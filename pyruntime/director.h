// Director support: the base mixed into native classes whose virtual operations a Python
// object implements, and the two director exception classes.
#pragma once
#include <Python.h>
#include <cstddef>
#include <exception>
#include <string>
#include <type_traits>

namespace Swig {

/// Base of every director: the Python object it forwards to and whether it was disowned.
class Director {
 public:
  explicit Director(PyObject* owner) : owner_(owner) {}
  /// Drops the owner reference taken by disown().
  virtual ~Director() {
    if (disowned_) Py_XDECREF(owner_);
  }
  /// True when the protected operation `name` may be called through the module on this object.
  virtual bool mayAccessProtected(const char* name) const {
    (void)name;
    return false;
  }
  PyObject* owner() const { return owner_; }
  bool disowned() const { return disowned_; }
  /// The native side keeps its Python owner alive from now on.
  void disown() {
    if (!disowned_) {
      disowned_ = true;
      Py_XINCREF(owner_);
    }
  }

 private:
  PyObject* owner_;
  bool disowned_ = false;
};

class DirectorException : public std::exception {
 public:
  explicit DirectorException(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 protected:
  std::string message_;
};

/// Raised on an upcall to an operation that has no native implementation.
class DirectorPureVirtualException : public DirectorException {
 public:
  explicit DirectorPureVirtualException(const char* name)
      : DirectorException(std::string("SWIG director pure virtual method called") +
                          (name && *name ? std::string(" ") + name : std::string())) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, what());
  }
  [[noreturn]] static void throwPureVirtual(const char* name) { throw DirectorPureVirtualException(name); }
};

}  // namespace Swig

namespace pyrt {

/// The director behind a native object, if it is one.
template <class T>
Swig::Director* asDirector(T* p) {
  if constexpr (std::is_polymorphic<T>::value) {
    using U = std::remove_const_t<T>;
    if (!p) return nullptr;
    // The answer depends only on the object's dynamic type, which the vtable pointer of its T
    // part names (the Director part, if any, sits at a fixed offset from it): the last answer is
    // kept, so a run of results of one class pays for the cross-cast once. Callers hold the GIL.
    struct Seen {
      const void* vtable = nullptr;
      std::ptrdiff_t offset = 0;
      bool director = false;
    };
    static Seen last;
    const void* vtable = *reinterpret_cast<const void* const*>(p);
    char* base = reinterpret_cast<char*>(const_cast<U*>(p));
    if (vtable != last.vtable || !vtable) {
      Swig::Director* d = dynamic_cast<Swig::Director*>(const_cast<U*>(p));
      last.vtable = vtable;
      last.director = d != nullptr;
      last.offset = d ? reinterpret_cast<char*>(d) - base : 0;
    }
    return last.director ? reinterpret_cast<Swig::Director*>(base + last.offset) : nullptr;
  } else {
    return nullptr;
  }
}

/// A director's own Python object (borrowed), or null for a plain native object.
template <class T>
PyObject* directorOwner(T* p) {
  Swig::Director* d = asDirector(p);
  return d ? d->owner() : nullptr;
}

}  // namespace pyrt
