// Type registry: one descriptor per pointer type, cast lists, and the process-wide
// registry shared with other extension modules of the same runtime generation.
#pragma once
#include <Python.h>
#include <cstddef>

/// Marks code that runs once, at import: the compiler keeps it together, away from the call
/// paths, so that importing touches few pages of a module's code.
#define PYRT_ONCE __attribute__((cold))
/// Code of the call paths that must stay inline even inside the large dispatch functions.
#define PYRT_ALWAYS_INLINE __attribute__((always_inline)) inline
/// Data and functions of the runtime that the call paths reach from other sources: declared
/// hidden, so that the code addresses them directly rather than through the module's GOT.
#define PYRT_LOCAL __attribute__((visibility("hidden")))

namespace pyrt {

struct CastRecord;
struct ClassBinding;

/// Converts a pointer of the source type to the target type; sets *newmem when it allocated.
using CastConverter = void* (*)(void* ptr, int* newmem);

/// One pointer type. Field order is shared with every module of the registry.
struct TypeDescriptor {
  const char* name;        // mangled name, unique key across modules
  const char* str;         // readable name alternatives separated by '|', or null
  void* dcast;             // dynamic-cast hook (unused here)
  CastRecord* cast;        // head of the list of types whose pointers this one accepts
  ClassBinding* clientdata;// shadow class binding, set by bindClass
  int owndata;             // 1 when the registry frees clientdata at release
};

/// Element of a target type's cast list.
struct CastRecord {
  TypeDescriptor* type;    // source type
  CastConverter converter; // null for the target itself
  CastRecord* next;
  CastRecord* prev;
};

/// One module's table, linked into the registry ring.
struct ModuleTypeTable {
  TypeDescriptor** types;         // size + 1 entries, last empty
  size_t size;
  ModuleTypeTable* next;          // ring link, empty until installed
  TypeDescriptor** type_initial;  // the module's static descriptors
  CastRecord** cast_initial;      // per type, a null-terminated static array
  void* clientdata;
};

constexpr const char* kCapsuleName = "swig_runtime_data4.type_pointer_capsule";
constexpr const char* kRuntimeModule = "swig_runtime_data4";

/// Display name: the last '|' alternative of the readable name, else the mangled name.
const char* displayName(const TypeDescriptor* ty);

TypeDescriptor* lookupTypeByMangledName(ModuleTypeTable* start, ModuleTypeTable* end, const char* name);
TypeDescriptor* lookupTypeByName(const char* name);
CastRecord* findCast(const char* source, TypeDescriptor* target);
/// findCast for a source descriptor: the head record of the target's list is recognised by
/// its descriptor (the same record findCast would return, already in front); any other is
/// searched by name, with move-to-front.
/// The head record of target's cast list when it is source's (the cast found last), else null.
PYRT_ALWAYS_INLINE CastRecord* headCastFrom(TypeDescriptor* source, TypeDescriptor* target) {
  return target && target->cast && target->cast->type == source ? target->cast : nullptr;
}
inline CastRecord* findCastFrom(TypeDescriptor* source, TypeDescriptor* target) {
  if (CastRecord* head = headCastFrom(source, target)) return head;
  return findCast(source->name, target);
}
/// findCast for its move to the front of target's list, out of the call paths' way.
PYRT_LOCAL void castToFront(TypeDescriptor* source, TypeDescriptor* target);
/// Converter of a base whose address equals its derived class's (single inheritance): known
/// to applyCast, which then skips the call.
PYRT_LOCAL void* sameAddress(void* ptr, int* newmem);
inline void* applyCast(CastRecord* rec, void* ptr, int* newmem) {
  return rec->converter && rec->converter != sameAddress ? rec->converter(ptr, newmem) : ptr;
}

/// Joins or founds the registry with this module's table (import step).
void installTypeTable(ModuleTypeTable* table);
/// Destructor of the runtime capsule.
void releaseRegistry(PyObject* capsule);

/// The runtime capsule when this module created it (owning proxies keep it alive).
PyObject* runtimeCapsule();
/// The cached "this" attribute name.
PyObject* thisName();
/// Creates the runtime singletons (this string, type cache, proxy types).
bool initSingletons();
/// The type cache dict (name -> capsule of descriptor).
PyObject* typeCache();
/// Registers a hook run by releaseRegistry (used to drop cvar).
void setReleaseHook(void (*hook)());

}  // namespace pyrt
