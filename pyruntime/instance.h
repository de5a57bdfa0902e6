// The base of shadow classes whose instances keep their proxy in a slot of their own.
//
// An instance of a shadow class stands for one native object through its `this` proxy. Kept in
// the instance dict, `this` costs a dict per instance and a dict miss on every method lookup.
// Instances of this base keep `this` in a slot instead and make a dict only when something asks
// for one; what Python code sees is the same as with `this` first in the instance dict:
// - `obj.this` reads, writes and deletes the slot (the data descriptor `this` of the base);
// - `obj.__dict__` (vars(), dir(), copy) moves the slot into the dict in front of any other
//   attribute, and from then on the dict holds `this` like any attribute;
// - attributes other than `this` go to the dict as usual, without moving the slot.
// The slot is therefore set only while the dict, if there is one, has no `this`.
#pragma once
#include <Python.h>
#include <cstddef>

namespace pyrt {

struct Instance {
  PyObject_HEAD
  PyObject* proxy;  // `this` while it is not in the dict (strong), else null
  PyObject* dict;
  PyObject* weaklist;
};

/// Name of the base type, by which modules of the same runtime recognise it.
constexpr const char* kInstanceTypeName = "_Varnex2Downcast.instance";
/// Name of the type of its `this` descriptor.
constexpr const char* kThisDescriptorName = "_Varnex2Downcast.this";

/// The base type (made ready on first use); null with an error set when that fails.
PyTypeObject* instanceType();

/// True when `descriptor` is the `this` descriptor of an instance base of this or another
/// module (so that instances of a class resolving `this` to it keep the proxy in their slot).
bool isThisSlotDescriptor(PyObject* descriptor);

/// True when instances of tp are laid out as Instance (tp is, or derives from, an instance base).
bool hasInstanceLayout(PyTypeObject* tp);

/// Lets a class defined in Python on an instance base free its instances directly (a class that
/// later gains a finaliser still gets the interpreter's dealloc). Other classes are left alone.
void useClassDealloc(PyTypeObject* tp);

/// True when instances of tp are exactly the base's layout (basic size, no items, no pre-header,
/// GC memory freed by PyObject_GC_Del), so that any such instance's memory can hold one of tp.
bool plainLayout(PyTypeObject* tp);

/// A new, untracked instance of tp (a class of plainLayout), its fields still to be set; null
/// with an error set when memory runs out.
Instance* newPlainInstance(PyTypeObject* tp);

/// Sets `this` of an instance of the base as `obj.this = value` does, without the lookup.
/// Returns -1 with an error set on failure (a dict refusing the store).
int setThisSlot(Instance* self, PyObject* value);

}  // namespace pyrt
