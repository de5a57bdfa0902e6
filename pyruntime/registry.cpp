// Type registry: lookups, cast search with move-to-front, import-time merge, release.
#include "pyruntime/registry.h"
#include "pyruntime/proxy.h"
#include <cstring>

namespace pyrt {
namespace {
PyObject* g_this = nullptr;        // cached "this"
PyObject* g_typeCache = nullptr;   // queried name -> capsule(TypeDescriptor*)
PyObject* g_capsule = nullptr;     // runtime capsule when this module created it (borrowed)
int g_interpreterCounter = 0;      // capsule creations not yet released
void (*g_releaseHook)() = nullptr;

// Compares [f1,l1) with [f2,l2) ignoring blanks on both sides; 0 when equal.
int compareIgnoringBlanks(const char* f1, const char* l1, const char* f2, const char* l2) {
  for (; f1 != l1 && f2 != l2; ++f1, ++f2) {
    while (*f1 == ' ' && f1 != l1) ++f1;
    while (*f2 == ' ' && f2 != l2) ++f2;
    if (*f1 != *f2) return *f1 > *f2 ? 1 : -1;
  }
  return static_cast<int>((l1 - f1) - (l2 - f2));
}

// True when `name` equals one of the '|'-separated alternatives of `readable`.
bool matchesReadable(const char* name, const char* readable) {
  const char* nameEnd = name + std::strlen(name);
  const char* p = readable;
  while (*p) {
    const char* end = std::strchr(p, '|');
    if (!end) end = p + std::strlen(p);
    if (compareIgnoringBlanks(name, nameEnd, p, end) == 0) return true;
    p = *end ? end + 1 : end;
  }
  return false;
}

ModuleTypeTable* registryHead() {
  void* head = PyCapsule_Import(kCapsuleName, 0);
  if (!head) PyErr_Clear();
  return static_cast<ModuleTypeTable*>(head);
}

void linkFront(TypeDescriptor* target, CastRecord* rec) {
  rec->prev = nullptr;
  rec->next = target->cast;
  if (target->cast) target->cast->prev = rec;
  target->cast = rec;
}
}  // namespace

void* sameAddress(void* ptr, int*) { return ptr; }
namespace detail {
TypeDescriptor noSource = {"", nullptr, nullptr, nullptr, nullptr, 0};
}  // namespace detail

const char* displayName(const TypeDescriptor* ty) {
  if (!ty) return "unknown";
  if (!ty->str) return ty->name;
  const char* last = ty->str;
  for (const char* s = ty->str; *s; ++s)
    if (*s == '|') last = s + 1;
  return last;
}

TypeDescriptor* lookupTypeByMangledName(ModuleTypeTable* start, ModuleTypeTable* end, const char* name) {
  ModuleTypeTable* iter = start;
  do {
    if (iter->size) {
      size_t l = 0, r = iter->size - 1;
      while (true) {
        size_t i = (l + r) >> 1;
        const char* iname = iter->types[i] ? iter->types[i]->name : nullptr;
        if (!iname || !*iname) break;
        int cmp = std::strcmp(name, iname);
        if (cmp == 0) return iter->types[i];
        if (cmp < 0) {
          if (i == 0) break;
          r = i - 1;
        } else {
          l = i + 1;
        }
        if (l > r) break;
      }
    }
    iter = iter->next;
  } while (iter != end);
  return nullptr;
}

TypeDescriptor* lookupTypeByName(const char* name) {
  if (g_typeCache) {
    if (PyObject* hit = PyDict_GetItemString(g_typeCache, name))
      return static_cast<TypeDescriptor*>(PyCapsule_GetPointer(hit, nullptr));
  }
  ModuleTypeTable* head = registryHead();
  if (!head) return nullptr;
  TypeDescriptor* found = lookupTypeByMangledName(head, head, name);
  if (!found) {
    ModuleTypeTable* iter = head;
    do {
      for (size_t i = 0; i < iter->size && !found; ++i) {
        TypeDescriptor* ty = iter->types[i];
        if (ty && ty->str && matchesReadable(name, ty->str)) found = ty;
      }
      iter = iter->next;
    } while (!found && iter != head);
  }
  if (found && g_typeCache) {
    if (PyObject* cap = PyCapsule_New(found, nullptr, nullptr)) {
      PyDict_SetItemString(g_typeCache, name, cap);
      Py_DECREF(cap);
    }
    PyErr_Clear();
  }
  return found;
}

CastRecord* findCast(const char* source, TypeDescriptor* target) {
  if (!target) return nullptr;
  for (CastRecord* rec = target->cast; rec; rec = rec->next) {
    if (std::strcmp(rec->type->name, source) != 0) continue;
    if (rec != target->cast) {  // move to front so repeated conversions find it first
      rec->prev->next = rec->next;
      if (rec->next) rec->next->prev = rec->prev;
      rec->next = target->cast;
      rec->prev = nullptr;
      target->cast->prev = rec;
      target->cast = rec;
    }
    return rec;
  }
  return nullptr;
}

__attribute__((cold, noinline)) void castToFront(TypeDescriptor* source, TypeDescriptor* target) {
  findCast(source->name, target);
}

static void capsuleDestructor(PyObject* capsule) { releaseRegistry(capsule); }

PYRT_ONCE void installTypeTable(ModuleTypeTable* table) {
  bool resolve = false;
  if (!table->next) {
    table->next = table;
    resolve = true;
  }
  ModuleTypeTable* head = registryHead();
  if (!head) {
    PyObject* capsule = PyCapsule_New(table, kCapsuleName, capsuleDestructor);
    PyObject* mod = capsule ? PyImport_AddModule(kRuntimeModule) : nullptr;
    if (capsule && mod && PyModule_AddObject(mod, "type_pointer_capsule", capsule) == 0) {
      ++g_interpreterCounter;
      g_capsule = capsule;  // owned by the runtime module; proxies add references
    } else {
      Py_XDECREF(capsule);
      PyErr_Clear();
    }
  } else {
    ModuleTypeTable* iter = head;
    do {
      if (iter == table) return;  // already installed
      iter = iter->next;
    } while (iter != head);
    table->next = head->next;
    head->next = table;
  }
  if (!resolve) return;

  const bool others = table->next != table;
  for (size_t i = 0; i < table->size; ++i) {
    TypeDescriptor* own = table->type_initial[i];
    TypeDescriptor* type = own;
    if (others) {
      if (TypeDescriptor* foreign = lookupTypeByMangledName(table->next, table, own->name)) {
        type = foreign;
        if (own->clientdata) foreign->clientdata = own->clientdata;
      }
    }
    for (CastRecord* rec = table->cast_initial[i] ? table->cast_initial[i] : nullptr; rec && rec->type; ++rec) {
      TypeDescriptor* ocast = others ? lookupTypeByMangledName(table->next, table, rec->type->name) : nullptr;
      bool link = true;
      if (ocast) {
        if (type == own)
          rec->type = ocast;
        else
          link = findCast(rec->type->name, type) == nullptr;
      }
      if (link) linkFront(type, rec);
    }
    table->types[i] = type;
  }
  table->types[table->size] = nullptr;
}

void releaseRegistry(PyObject* capsule) {
  auto* table = static_cast<ModuleTypeTable*>(PyCapsule_GetPointer(capsule, kCapsuleName));
  if (!table) {
    PyErr_Clear();
    return;
  }
  if (--g_interpreterCounter != 0) return;
  for (size_t i = 0; i < table->size; ++i) {
    TypeDescriptor* ty = table->types[i];
    if (ty && ty->owndata) {
      ClassBinding* binding = ty->clientdata;
      ty->clientdata = nullptr;
      ty->owndata = 0;
      freeBinding(binding);
    }
  }
  Py_CLEAR(g_this);
  if (g_releaseHook) g_releaseHook();
  Py_CLEAR(g_typeCache);
  g_capsule = nullptr;
}

PyObject* runtimeCapsule() { return g_capsule; }
PyObject* thisName() {
  if (!g_this) g_this = PyUnicode_InternFromString("this");
  return g_this;
}
PyObject* typeCache() { return g_typeCache; }
PYRT_ONCE void setReleaseHook(void (*hook)()) { g_releaseHook = hook; }

PYRT_ONCE bool initSingletons() {
  if (!g_this && !(g_this = PyUnicode_InternFromString("this"))) return false;
  if (!g_typeCache && !(g_typeCache = PyDict_New())) return false;
  return readyProxyTypes();
}

}  // namespace pyrt
