// The method table is assembled from per-area segments in the documented row order.
#pragma once
#include <Python.h>
#include <cstddef>
#include <vector>

namespace v2py {

using Segment = std::vector<PyMethodDef>;

Segment iteratorMethods();        // delete_SwigPyIterator, SwigPyIterator_*
Segment freeFunctionMethods();    // hasAccess ... isException
Segment solverDataMethods();      // IHandle_*, ISolverData_*
Segment attributeMethods();       // IAttribute_*, IEntityLinkAttributeBase_* and their disown_
Segment editorMethods();          // new_EntityEditor ... EntityEditor_swiginit
Segment entityIdMethods();        // new_EntityID ... EntityID_swiginit
Segment compositeMethods();       // IArrayAttribute_*, ICompositeAttribute_*, IEntity_*
Segment collectionMethods();      // IEntityCollection_*
Segment linkMethods();            // ILinkAttribute_*, IListAttribute_*, IShortcutAttribute_*
Segment solverManagerMethods();   // toString ... versionString

/// Publishes the constants and cvar into the module dictionary; false with an error set.
bool publishConstants(PyObject* dict);

}  // namespace v2py
