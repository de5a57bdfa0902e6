// The abstract native iterator behind the Python-side iterator functions.
#pragma once
#include <Python.h>
#include <cstddef>
#include <stdexcept>

namespace swig {

/// Thrown by value/incr/decr when the iteration is exhausted.
struct stop_iteration {};

/// Iterator over a native sequence; implementations live in the modules that make them.
class SwigPyIterator {
 public:
  virtual ~SwigPyIterator() = default;
  /// The element at the current position (new reference).
  virtual PyObject* value() const = 0;
  virtual SwigPyIterator* incr(size_t n = 1) = 0;
  virtual SwigPyIterator* decr(size_t n = 1) {
    (void)n;
    throw stop_iteration();
  }
  virtual std::ptrdiff_t distance(const SwigPyIterator& other) const {
    (void)other;
    throw std::invalid_argument("operation not supported");
  }
  virtual bool equal(const SwigPyIterator& other) const {
    (void)other;
    throw std::invalid_argument("operation not supported");
  }
  virtual SwigPyIterator* copy() const = 0;

  /// The element taken before stepping forward.
  PyObject* next() {
    PyObject* obj = value();
    try {
      incr();
    } catch (...) {
      Py_XDECREF(obj);
      throw;
    }
    return obj;
  }
  PyObject* previous() {
    decr();
    return value();
  }
  SwigPyIterator* advance(std::ptrdiff_t n) { return n > 0 ? incr(static_cast<size_t>(n)) : decr(static_cast<size_t>(-n)); }
};

}  // namespace swig
