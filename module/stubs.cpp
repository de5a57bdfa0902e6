// Empty method-table segments, overridden by the area sources that define them.
#include "module/table.h"
namespace v2py {
#define V2PY_EMPTY_SEGMENT(name) __attribute__((weak)) Segment name() { return {}; }
V2PY_EMPTY_SEGMENT(iteratorMethods)
V2PY_EMPTY_SEGMENT(attributeMethods)
V2PY_EMPTY_SEGMENT(editorMethods)
V2PY_EMPTY_SEGMENT(entityIdMethods)
V2PY_EMPTY_SEGMENT(compositeMethods)
V2PY_EMPTY_SEGMENT(collectionMethods)
V2PY_EMPTY_SEGMENT(linkMethods)
}  // namespace v2py
