// The method table: per-area runs of rows held in static data, each ending with a null row, added
// to the module in the documented row order. Import runs no per-area code to build them.
#pragma once
#include "pyruntime/dispatch.h"

namespace v2py {

using pyrt::kEndOfRows;
using pyrt::Row;

extern const Row iteratorMethods[];       // delete_SwigPyIterator, SwigPyIterator_*
extern const Row freeFunctionMethods[];   // hasAccess ... isException
extern const Row solverDataMethods[];     // IHandle_*, ISolverData_*
extern const Row attributeMethods[];      // IAttribute_*
extern const Row linkBaseMethods[];       // IEntityLinkAttributeBase_*
extern const Row editorMethods[];         // new_EntityEditor ... EntityEditor_swiginit
extern const Row entityIdMethods[];       // new_EntityID ... EntityID_swiginit
extern const Row compositeMethods[];      // ICompositeAttribute_*
extern const Row entityMethods[];         // IEntity_*
extern const Row collectionMethods[];     // IEntityCollection_*
extern const Row linkMethods[];           // ILinkAttribute_*
extern const Row shortcutMethods[];       // IShortcutAttribute_*
extern const Row solverManagerMethods[];  // toString ... versionString

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
extern const Row* const directorMethods[kDirectorClasses];

/// Publishes the constants and cvar into the module dictionary; false with an error set.
bool publishConstants(PyObject* dict);

}  // namespace v2py
