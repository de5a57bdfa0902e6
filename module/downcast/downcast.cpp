// _Varnex2Downcast: turns an attribute proxy into a proxy of the interface its kind names
// (link, list, array, shortcut, composite, entity), which the flat functions never return; also
// holds the descriptor type that makes the flat functions methods of the companion's classes.
#include <Python.h>
#include <exception>
#include "pyruntime/instance.h"
#include "pyruntime/method.h"
#include "pyruntime/proxy.h"
#include "sdk/model.h"

namespace {
using namespace OrvaneSDK;
using namespace OrvaneSDK::Model;

// The registry type of each attribute kind, and the pointer adjusted to that interface.
const char* mangledFor(AttributeType kind) {
  switch (kind) {
    case AttributeType_Composite: return "_p_OrvaneSDK__Model__ICompositeAttribute";
    case AttributeType_Entity: return "_p_OrvaneSDK__Model__IEntity";
    case AttributeType_Link: return "_p_OrvaneSDK__Model__ILinkAttribute";
    case AttributeType_List: return "_p_OrvaneSDK__Model__IListAttribute";
    case AttributeType_Array: return "_p_OrvaneSDK__Model__IArrayAttribute";
    case AttributeType_Shortcut: return "_p_OrvaneSDK__Model__IShortcutAttribute";
    default: return "_p_OrvaneSDK__Model__IAttribute";
  }
}
void* adjusted(IAttribute* a, AttributeType kind) {
  switch (kind) {
    case AttributeType_Composite: return static_cast<ICompositeAttribute*>(a);
    case AttributeType_Entity: return static_cast<IEntity*>(a);
    case AttributeType_Link: return static_cast<ILinkAttribute*>(a);
    case AttributeType_List: return static_cast<IListAttribute*>(a);
    case AttributeType_Array: return static_cast<IArrayAttribute*>(a);
    case AttributeType_Shortcut: return static_cast<IShortcutAttribute*>(a);
    default: return a;
  }
}

// Descriptors live in the main module's static data for the process. They are all looked up at
// import, while the registry is there: a downcast from a finaliser late in interpreter shutdown,
// after the registry was released, then still works as the flat functions do.
pyrt::TypeDescriptor* descriptors[AttributeType_Double + 1] = {};
pyrt::TypeDescriptor* descriptorFor(AttributeType kind) {
  return kind >= 0 && kind <= AttributeType_Double ? descriptors[kind] : nullptr;
}
void lookUpDescriptors() {
  for (int kind = 0; kind <= AttributeType_Double; ++kind)
    descriptors[kind] = pyrt::lookupTypeByName(mangledFor(static_cast<AttributeType>(kind)));
}

// The attribute's proxy, held for the call: a director attribute runs Python code when asked its
// kind, which may drop every other reference to it.
struct HeldProxy {
  pyrt::SwigPyObject* sp;
  ~HeldProxy() { Py_XDECREF(reinterpret_cast<PyObject*>(sp)); }
};

PyObject* downcast(PyObject*, PyObject* arg) {
  pyrt::TypeDescriptor* attributeType = descriptorFor(AttributeType_Unknown);
  void* ptr = nullptr;
  HeldProxy source{pyrt::findProxyRef(arg)};
  if (!attributeType || !source.sp ||
      pyrt::convertPointer(reinterpret_cast<PyObject*>(source.sp), &ptr, attributeType, 0, nullptr) < 0 || !ptr) {
    PyErr_SetString(PyExc_TypeError, "downcast() takes an attribute object");
    return nullptr;
  }
  auto* attribute = static_cast<IAttribute*>(ptr);
  AttributeType kind;
  try {
    kind = attribute->getAttributeType(false);
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_RuntimeError, e.what());
    return nullptr;
  }
  pyrt::TypeDescriptor* ty = descriptorFor(kind);
  if (!ty) ty = attributeType;
  // Made with the proxy type of the object given, so the main module converts it on its fast path.
  auto* proxy = PyObject_New(pyrt::SwigPyObject, Py_TYPE(source.sp));
  if (!proxy) return nullptr;
  proxy->ptr = adjusted(attribute, kind);
  proxy->ty = ty;
  proxy->own = 0;
  proxy->next = nullptr;
  proxy->keep = nullptr;
  pyrt::ClassBinding* binding = ty->clientdata;
  if (!binding || !binding->klass) return reinterpret_cast<PyObject*>(proxy);
  PyObject* instance = pyrt::newShadowInstance(binding, reinterpret_cast<PyObject*>(proxy));
  Py_DECREF(proxy);
  return instance;
}

PyMethodDef methods[] = {
    {"downcast", downcast, METH_O,
     "downcast(attribute)\n\nThe same library attribute as an object of the interface its kind names: "
     "ICompositeAttribute, IEntity, ILinkAttribute, IListAttribute, IArrayAttribute or "
     "IShortcutAttribute (IAttribute for value attributes)."},
    {"bind_methods", pyrt::bindMethods, METH_VARARGS,
     "bind_methods(classes, namespace, statics, skipped)\n\nBinds each function of namespace named "
     "Class_name, Class the name of one of classes, as method name of that class (a static method when "
     "its full name is in statics); names ending in a suffix of skipped are left out. Returns the count "
     "bound."},
    {nullptr, nullptr, 0, nullptr}};

PyModuleDef moduleDef = {PyModuleDef_HEAD_INIT, "_Varnex2Downcast",
                         "Downcasts of attribute objects; the method binding of the Varnex2Python classes.",
                         -1, methods, nullptr, nullptr, nullptr, nullptr};
}  // namespace

PyMODINIT_FUNC PyInit__Varnex2Downcast() {
  // The registry and the proxy type come from the main module.
  PyObject* main = PyImport_ImportModule("_Varnex2Python");
  if (!main) return nullptr;
  Py_DECREF(main);
  lookUpDescriptors();
  PyObject* module = PyModule_Create(&moduleDef);
  if (!module) return nullptr;
  // The method descriptor and the instance base of the companion's classes.
  const struct {
    const char* name;
    PyTypeObject* type;
  } types[] = {{"method", pyrt::methodType()}, {"instance", pyrt::instanceType()}};
  for (const auto& entry : types) {
    if (!entry.type) {
      Py_DECREF(module);
      return nullptr;
    }
    Py_INCREF(entry.type);
    if (PyModule_AddObject(module, entry.name, reinterpret_cast<PyObject*>(entry.type)) < 0) {
      Py_DECREF(entry.type);
      Py_DECREF(module);
      return nullptr;
    }
  }
  return module;
}
