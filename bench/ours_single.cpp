// _bench_ours: one-form wrappers declared through the module's own runtime (pyruntime), used as
// the reference "one-form wrapper of the same argument count" for the editor dispatcher. The
// editor type here is a private descriptor, so this module needs nothing of the registry.
#include <Python.h>
#include "pyruntime/dispatch.h"
#include "sdk/editor.h"

namespace {
using OrvaneSDK::Model::EntityEditor;
using OrvaneSDK::Model::IEntityCollection;

pyrt::TypeDescriptor g_editorType = {"_p_bench_EntityEditor", "OrvaneSDK::Model::EntityEditor *", nullptr,
                                     nullptr, nullptr, 0};

// Destroys the editor of an owning proxy when the proxy goes.
PyObject* deleteEditor(PyObject*, PyObject* arg) {
  void* p = nullptr;
  if (pyrt::convertPointer(arg, &p, &g_editorType, pyrt::kDisown, nullptr) < 0) {
    PyErr_SetString(PyExc_TypeError, "editor expected");
    return nullptr;
  }
  delete static_cast<EntityEditor*>(p);
  Py_RETURN_NONE;
}
}  // namespace

template <>
struct pyrt::TypeOf<EntityEditor> {
  static pyrt::TypeDescriptor* descriptor() { return &g_editorType; }
  static constexpr const char* name = "OrvaneSDK::Model::EntityEditor";
};

namespace {
using namespace pyrt;

// An editor on a null collection: every selector answers its neutral value without a call.
constexpr auto newEditor_ =
    single("new_editor", []() { return owned(new EntityEditor(static_cast<IEntityCollection*>(nullptr))); });
// The same native call as the dispatcher's (editor, index, path) form, as a one-form wrapper.
constexpr auto getIntValue_ = single("EntityEditor_getIntValue_index_path",
                                     [](Self<EntityEditor> e, Size i, const String& path) {
                                       return e->getIntValue(i, static_cast<const std::string&>(path));
                                     });

const Row rows[] = {def<newEditor_>(), def<getIntValue_>(), kEndOfRows};
PyModuleDef moduleDef = {PyModuleDef_HEAD_INIT, "_bench_ours", nullptr, -1, nullptr,
                         nullptr, nullptr, nullptr, nullptr};
}  // namespace

PyMODINIT_FUNC PyInit__bench_ours() {
  if (!pyrt::initSingletons()) return nullptr;
  pyrt::bindNativeDestroy(&g_editorType, deleteEditor, "delete_editor");
  const Row* const runs[] = {rows};
  return createModule(&moduleDef, runs, 1, PYTHON_API_VERSION);
}
