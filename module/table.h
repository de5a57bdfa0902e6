// The method table: per-area runs of rows held in static data, each ending with a null row, added
// to the module in the documented row order. Import runs no per-area code to build them.
#pragma once
#include <Python.h>

namespace v2py {

/// The row that ends each run.
constexpr PyMethodDef kEndOfRows = {nullptr, nullptr, 0, nullptr};

extern PyMethodDef iteratorMethods[];       // delete_SwigPyIterator, SwigPyIterator_*
extern PyMethodDef freeFunctionMethods[];   // hasAccess ... isException
extern PyMethodDef solverDataMethods[];     // IHandle_*, ISolverData_*
extern PyMethodDef attributeMethods[];      // IAttribute_*
extern PyMethodDef linkBaseMethods[];       // IEntityLinkAttributeBase_*
extern PyMethodDef editorMethods[];         // new_EntityEditor ... EntityEditor_swiginit
extern PyMethodDef entityIdMethods[];       // new_EntityID ... EntityID_swiginit
extern PyMethodDef compositeMethods[];      // ICompositeAttribute_*
extern PyMethodDef entityMethods[];         // IEntity_*
extern PyMethodDef collectionMethods[];     // IEntityCollection_*
extern PyMethodDef linkMethods[];           // ILinkAttribute_*
extern PyMethodDef shortcutMethods[];       // IShortcutAttribute_*
extern PyMethodDef solverManagerMethods[];  // toString ... versionString

/// The protected members, disown_ and swigregister of each attribute class, by class.
enum DirectorClass {
  kAttributeClass,
  kLinkBaseClass,
  kArrayClass,
  kCompositeClass,
  kEntityClass,
  kLinkClass,
  kListClass,
  kShortcutClass,
  kDirectorClasses
};
extern PyMethodDef* const directorMethods[kDirectorClasses];

/// Publishes the constants and cvar into the module dictionary; false with an error set.
bool publishConstants(PyObject* dict);

}  // namespace v2py
