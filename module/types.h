// The module's table of pointer types and the map from native classes to it.
#pragma once
#include <array>
#include <stdexcept>
#include <utility>
#include "pyruntime/dispatch.h"
#include "pyruntime/iterator.h"
#include "sdk/editor.h"
#include "sdk/model.h"
#include "sdk/solver.h"
#include "sdk/types.h"

namespace v2py {

constexpr size_t kTypeCount = 50;
/// Descriptors in use after installation, indexed by the type table index.
extern pyrt::TypeDescriptor* g_types[kTypeCount + 1];
extern pyrt::ModuleTypeTable g_typeTable;

/// Type table indices (sorted by mangled name).
enum TypeIndex : int {
  T_IBoolAttribute = 0, T_IFloatAttribute, T_IIntAttribute, T_IStringAttribute, T_CEntityID, T_Version,
  T_AccessType, T_AttributeType, T_IHandle, T_ISolverData, T_ISolverManager, T_EntityEditor, T_EntityID,
  T_IArrayAttribute, T_IAttribute, T_ICompositeAttribute, T_IEntity, T_IEntityCollection,
  T_IEntityLinkAttributeBase, T_ILinkAttribute, T_IListAttribute, T_IShortcutAttribute, T_IConstString,
  T_IString, T_bool, T_char, T_data_type, T_double, T_float, T_int, T_long_long, T_pp_IArrayAttribute,
  T_pp_IAttribute, T_pp_ICompositeAttribute, T_pp_IEntity, T_pp_IEntityLinkAttributeBase,
  T_pp_ILinkAttribute, T_pp_IListAttribute, T_pp_IShortcutAttribute, T_short, T_signed_char, T_size_t,
  T_EntityID_data_type, T_invalid_argument, T_pair_int_int, T_SwigPyIterator, T_unsigned_char,
  T_unsigned_int, T_unsigned_long_long, T_unsigned_short
};

/// Binds the Python class given as argument to type I (the swigregister functions).
template <int I>
PyObject* swigregister(PyObject*, PyObject* args) {
  return pyrt::bindClass(g_types[I], args, "swigregister");
}
PyObject* swiginit(PyObject*, PyObject* args);

}  // namespace v2py

// Native classes known to the registry, with the qualified names used in messages.
#define V2PY_TYPE(Native, Index, Name)                                              \
  template <>                                                                        \
  struct pyrt::TypeOf<Native> {                                                      \
    static pyrt::TypeDescriptor* descriptor() { return v2py::g_types[v2py::Index]; } \
    static constexpr const char* name = Name;                                        \
  }

V2PY_TYPE(OrvaneSDK::IHandle, T_IHandle, "OrvaneSDK::IHandle");
V2PY_TYPE(OrvaneSDK::ISolverData, T_ISolverData, "OrvaneSDK::ISolverData");
V2PY_TYPE(OrvaneSDK::ISolverManager, T_ISolverManager, "OrvaneSDK::ISolverManager");
V2PY_TYPE(OrvaneSDK::Version, T_Version, "OrvaneSDK::Version");
V2PY_TYPE(OrvaneSDK::Model::EntityEditor, T_EntityEditor, "OrvaneSDK::Model::EntityEditor");
V2PY_TYPE(OrvaneSDK::Model::EntityID, T_EntityID, "OrvaneSDK::Model::EntityID");
V2PY_TYPE(OrvaneSDK::Model::CEntityID, T_CEntityID, "OrvaneSDK::Model::CEntityID");
V2PY_TYPE(OrvaneSDK::Model::EntityID::data_type, T_EntityID_data_type, "OrvaneSDK::Model::EntityID::data_type");
V2PY_TYPE(OrvaneSDK::Model::IAttribute, T_IAttribute, "OrvaneSDK::Model::IAttribute");
V2PY_TYPE(OrvaneSDK::Model::ICompositeAttribute, T_ICompositeAttribute, "OrvaneSDK::Model::ICompositeAttribute");
V2PY_TYPE(OrvaneSDK::Model::IEntity, T_IEntity, "OrvaneSDK::Model::IEntity");
V2PY_TYPE(OrvaneSDK::Model::IEntityCollection, T_IEntityCollection, "OrvaneSDK::Model::IEntityCollection");
V2PY_TYPE(OrvaneSDK::Model::IEntityLinkAttributeBase, T_IEntityLinkAttributeBase,
          "OrvaneSDK::Model::IEntityLinkAttributeBase");
V2PY_TYPE(OrvaneSDK::Model::ILinkAttribute, T_ILinkAttribute, "OrvaneSDK::Model::ILinkAttribute");
V2PY_TYPE(OrvaneSDK::Model::IListAttribute, T_IListAttribute, "OrvaneSDK::Model::IListAttribute");
V2PY_TYPE(OrvaneSDK::Model::IArrayAttribute, T_IArrayAttribute, "OrvaneSDK::Model::IArrayAttribute");
V2PY_TYPE(OrvaneSDK::Model::IShortcutAttribute, T_IShortcutAttribute, "OrvaneSDK::Model::IShortcutAttribute");
V2PY_TYPE(OrvaneSDK::Tools::IString, T_IString, "Tools::IString");
V2PY_TYPE(OrvaneSDK::Tools::IConstString, T_IConstString, "Tools::IConstString");
V2PY_TYPE(OrvaneSDK::AccessType, T_AccessType, "OrvaneSDK::AccessType");
V2PY_TYPE(OrvaneSDK::AttributeType, T_AttributeType, "OrvaneSDK::AttributeType");
V2PY_TYPE(OrvaneSDK::Model::IAttribute*, T_pp_IAttribute, "OrvaneSDK::Model::IAttribute *");
V2PY_TYPE(OrvaneSDK::Model::ICompositeAttribute*, T_pp_ICompositeAttribute, "OrvaneSDK::Model::ICompositeAttribute *");
V2PY_TYPE(OrvaneSDK::Model::IEntity*, T_pp_IEntity, "OrvaneSDK::Model::IEntity *");
V2PY_TYPE(swig::SwigPyIterator, T_SwigPyIterator, "swig::SwigPyIterator");
V2PY_TYPE(std::invalid_argument, T_invalid_argument, "std::invalid_argument");
V2PY_TYPE(bool, T_bool, "bool");
V2PY_TYPE(char, T_char, "char");
V2PY_TYPE(double, T_double, "double");
V2PY_TYPE(float, T_float, "float");
V2PY_TYPE(int, T_int, "int");
V2PY_TYPE(size_t, T_size_t, "size_t");
using V2pyIntPair = std::pair<std::int32_t, std::int32_t>;
V2PY_TYPE(V2pyIntPair, T_pair_int_int, "std::pair< std::int32_t,std::int32_t >");
