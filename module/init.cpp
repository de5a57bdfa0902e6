// Module entry point: runtime singletons, method table, type registry, constants.
#include "module/table.h"
#include "module/types.h"

namespace v2py {
namespace {

// Releases a record copied out by value when its owning proxy goes (no shadow class needed).
template <class T, int I>
PyObject* deleteRecord(PyObject*, PyObject* arg) {
  void* p = nullptr;
  if (pyrt::convertPointer(arg, &p, g_types[I], pyrt::kDisown, nullptr) < 0) {
    PyErr_SetString(PyExc_TypeError, "record expected");
    return nullptr;
  }
  delete static_cast<T*>(p);
  Py_RETURN_NONE;
}

PyModuleDef moduleDef = {PyModuleDef_HEAD_INIT, "_Varnex2Python", nullptr, -1, nullptr, nullptr, nullptr,
                         nullptr, nullptr};

}  // namespace
}  // namespace v2py

PyMODINIT_FUNC PYRT_ONCE PyInit__Varnex2Python() {
  using namespace v2py;
  if (!pyrt::initSingletons()) return nullptr;
  // The runs of the method table in row order.
  const Row* const runs[] = {
      iteratorMethods,     freeFunctionMethods,
      solverDataMethods,   attributeMethods,
      directorMethods[kAttributeClass],  linkBaseMethods,
      directorMethods[kLinkBaseClass],   editorMethods,
      entityIdMethods,     directorMethods[kArrayClass],
      compositeMethods,    directorMethods[kCompositeClass],
      entityMethods,       directorMethods[kEntityClass],
      collectionMethods,   linkMethods,
      directorMethods[kLinkClass],       directorMethods[kListClass],
      shortcutMethods,     directorMethods[kShortcutClass],
      solverManagerMethods,
  };
  PyObject* module = pyrt::createModule(&moduleDef, runs, sizeof runs / sizeof runs[0], 1013);
  if (!module) return nullptr;
  PyObject* dict = PyModule_GetDict(module);
  pyrt::installTypeTable(&g_typeTable);
  pyrt::bindNativeDestroy(g_types[T_Version], deleteRecord<OrvaneSDK::Version, T_Version>, "delete_Version");
  pyrt::bindNativeDestroy(g_types[T_CEntityID], deleteRecord<OrvaneSDK::Model::CEntityID, T_CEntityID>,
                          "delete_CEntityID");
  pyrt::bindNativeDestroy(g_types[T_invalid_argument], deleteRecord<std::invalid_argument, T_invalid_argument>,
                          "delete_invalid_argument");
  if (!publishConstants(dict)) {
    Py_DECREF(module);
    return nullptr;
  }
  return module;
}
