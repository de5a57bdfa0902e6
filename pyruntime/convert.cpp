// Conversions and error reporting shared by every wrapper.
#include "pyruntime/convert.h"
#include <cfloat>
#include <cmath>
#include <cstring>

namespace pyrt {

Py_ssize_t unpackArguments(PyObject* args, const char* name, Py_ssize_t min, Py_ssize_t max, PyObject** objs) {
  if (!args) {
    if (!min && !max) return 1;
    PyErr_Format(PyExc_TypeError, "%s expected %s%d arguments, got none", name, min == max ? "" : "at least ",
                 static_cast<int>(min));
    return 0;
  }
  if (!PyTuple_Check(args)) {
    if (min <= 1 && max >= 1) {
      objs[0] = args;
      for (Py_ssize_t i = 1; i < max; ++i) objs[i] = nullptr;
      return 2;
    }
    PyErr_SetString(PyExc_SystemError, "UnpackTuple() argument list is not a tuple");
    return 0;
  }
  Py_ssize_t l = PyTuple_GET_SIZE(args);
  if (l < min || l > max) {
    raiseCountError(name, min, max, l);
    return 0;
  }
  for (Py_ssize_t i = 0; i < l; ++i) objs[i] = PyTuple_GET_ITEM(args, i);
  for (Py_ssize_t i = l; i < max; ++i) objs[i] = nullptr;
  return l + 1;
}

void raiseCountError(const char* name, Py_ssize_t min, Py_ssize_t max, Py_ssize_t got) {
  const bool few = got < min;
  PyErr_Format(PyExc_TypeError, "%s expected %s%d arguments, got %d", name,
               min == max ? "" : (few ? "at least " : "at most "), static_cast<int>(few ? min : max),
               static_cast<int>(got));
}

PyObject* errorTypeFor(int code) {
  switch (code) {
    case -12: return PyExc_MemoryError;
    case -2: return PyExc_IOError;
    case -3: return PyExc_RuntimeError;
    case -4: return PyExc_IndexError;
    case -5: return PyExc_TypeError;
    case -6: return PyExc_ZeroDivisionError;
    case -7: return PyExc_OverflowError;
    case -8: return PyExc_SyntaxError;
    case -9: return PyExc_ValueError;
    case -10: return PyExc_SystemError;
    case -11: return PyExc_AttributeError;
    default: return PyExc_RuntimeError;
  }
}

void raiseOrExtendTypeError(PyObject* message) {
  if (PyErr_Occurred() && PyErr_ExceptionMatches(PyExc_TypeError)) {
    PyObject *type, *value, *tb;
    PyErr_Fetch(&type, &value, &tb);
    PyObject* joined = PyUnicode_FromFormat("%S\nAdditional information:\n%S", value ? value : Py_None, message);
    if (joined) {
      Py_XDECREF(value);
      PyErr_Restore(type, joined, tb);
    } else {
      PyErr_Clear();
      PyErr_Restore(type, value, tb);
    }
  } else {
    PyErr_SetObject(PyExc_TypeError, message);
  }
}

void raiseOrExtendTypeError(const char* message) {
  PyObject* msg = PyUnicode_FromString(message);
  if (!msg) return;
  raiseOrExtendTypeError(msg);
  Py_DECREF(msg);
}

void raiseArgumentError(const char* fname, int argno, const char* type, int code) {
  PyErr_Format(errorTypeFor(code == -1 ? -5 : code), "in method '%s', argument %d of type '%s'", fname, argno, type);
}

void raiseNullReference(const char* fname, int argno, const char* type) {
  PyErr_Format(PyExc_ValueError, "invalid null reference in method '%s', argument %d of type '%s'", fname, argno,
               type);
}

namespace {
void classifyInt(ArgInfo& a) {
  a.cls = kClsInt;
  if (Py_TYPE(a.obj) == &PyBool_Type) a.cls |= kClsBool;
  int overflow = 0;
  long long v = PyLong_AsLongLongAndOverflow(a.obj, &overflow);
  if (!overflow) {
    a.ival = v;
    a.dval = static_cast<double>(v);
    a.cls |= kClsI64 | kClsDouble | kClsFloat;
    if (v >= INT32_MIN && v <= INT32_MAX) a.cls |= kClsI32;
    if (v >= 0) {
      a.cls |= kClsU64;
      a.uval = static_cast<unsigned long long>(v);
    }
    return;
  }
  if (overflow > 0) {
    unsigned long long u = PyLong_AsUnsignedLongLong(a.obj);
    if (!PyErr_Occurred()) {
      a.cls |= kClsU64;
      a.uval = u;
    } else {
      PyErr_Clear();
    }
  }
  double d = PyLong_AsDouble(a.obj);
  if (d == -1.0 && PyErr_Occurred()) {
    PyErr_Clear();
    return;
  }
  a.dval = d;
  a.cls |= kClsDouble;
  if (!(std::isfinite(d) && (d < -FLT_MAX || d > FLT_MAX))) a.cls |= kClsFloat;
}
}  // namespace

void classifySlow(ArgInfo& a) {
  PyObject* o = a.obj;
  a.cls = 0;
  a.proxy = nullptr;
  if (o == Py_None) {
    a.cls = kClsNone;
  } else if (PyLong_Check(o)) {
    classifyInt(a);
  } else if (PyFloat_Check(o)) {
    double d = PyFloat_AS_DOUBLE(o);
    a.dval = d;
    a.cls = kClsDouble;
    if (!(std::isfinite(d) && (d < -FLT_MAX || d > FLT_MAX))) a.cls |= kClsFloat;
  } else if (PyUnicode_Check(o)) {
    a.text = PyUnicode_AsUTF8AndSize(o, &a.textLen);
    if (a.text)
      a.cls = kClsText;
    else
      PyErr_Clear();
  } else if (isProxy(o)) {  // a proxy of another module: the caller's arguments keep it alive
    a.cls = kClsProxy;
    a.proxy = reinterpret_cast<SwigPyObject*>(o);
  } else if (SwigPyObject* sp = findProxyRef(o)) {
    a.cls = kClsProxy;
    a.proxy = sp;
    Py_XDECREF(a.held);  // classified again: the earlier find is replaced
    a.held = reinterpret_cast<PyObject*>(sp);
  }
}

SwigPyObject* matchingProxy(const ArgInfo& a, TypeDescriptor* ty, CastRecord** cast) {
  for (SwigPyObject* sp = a.proxy; sp; sp = reinterpret_cast<SwigPyObject*>(sp->next)) {
    CastRecord* tc = sp->ty == ty ? nullptr : findCastFrom(sp->ty, ty);
    if (sp->ty != ty && !tc) continue;
    if (cast) *cast = tc;
    return sp;
  }
  return nullptr;
}

void* pointerFrom(const ArgInfo& a, TypeDescriptor* ty, bool* ok) {
  CastRecord* cast = nullptr;
  SwigPyObject* sp = matchingProxy(a, ty, &cast);
  *ok = sp != nullptr;
  if (!sp) return nullptr;
  int newmem = 0;
  return cast ? applyCast(cast, sp->ptr, &newmem) : sp->ptr;
}

TypeDescriptor* charPtrTypeDescriptor() {
  static TypeDescriptor* ty = lookupTypeByName("_p_char");
  return ty;
}
TypeDescriptor* stringTypeDescriptor() {
  static TypeDescriptor* ty = lookupTypeByName("std::string *");
  return ty;
}

int loadCharPtr(const ArgInfo& a, const char** out) {
  *out = nullptr;
  if (a.cls & kClsText) {
    *out = a.text;
    return kOk;
  }
  if (a.cls & kClsNone) return kOk;
  if (a.cls & kClsProxy) {
    if (TypeDescriptor* ty = charPtrTypeDescriptor()) {
      bool ok = false;
      void* p = pointerFrom(a, ty, &ok);
      if (ok) {
        *out = static_cast<const char*>(p);
        return kOk;
      }
    }
  }
  return kTypeError;
}

int loadString(const ArgInfo& a, std::string& out, bool* isNull) {
  *isNull = false;
  if (a.cls & kClsText) {
    out.assign(a.text, static_cast<size_t>(a.textLen));
    return kOk;
  }
  if (a.cls & kClsNone) {
    *isNull = true;
    return kOk;
  }
  if (a.cls & kClsProxy) {
    bool ok = false;
    if (TypeDescriptor* ty = charPtrTypeDescriptor()) {
      void* p = pointerFrom(a, ty, &ok);
      if (ok) {
        if (!p) {
          *isNull = true;
          return kOk;
        }
        out.assign(static_cast<const char*>(p));
        return kOk;
      }
    }
    if (TypeDescriptor* ty = stringTypeDescriptor()) {
      void* p = pointerFrom(a, ty, &ok);
      if (ok) {
        if (!p) {
          *isNull = true;
          return kOk;
        }
        out = *static_cast<const std::string*>(p);
        return kOk;
      }
    }
  }
  return kError;
}

PyObject* fromString(const char* data, size_t size) {
  if (size > static_cast<size_t>(INT32_MAX)) {
    PyErr_SetString(PyExc_OverflowError, "string too long to convert to str");
    return nullptr;
  }
  return PyUnicode_DecodeUTF8(data, static_cast<Py_ssize_t>(size), "surrogateescape");
}

}  // namespace pyrt
