// The module's 50 pointer types, sorted by mangled name, and their cast lists.
#include "module/types.h"

namespace v2py {
using pyrt::CastRecord;
using pyrt::TypeDescriptor;
namespace {

// Derived-to-base conversion. Every interface derives from one base only, which sits at the
// start of the object, so the conversion keeps the address: the runtime's sameAddress says so
// and lets conversions skip the call. From and To are kept to document (and check) the pair.
template <class From, class To>
constexpr pyrt::CastConverter upcast() {
  static_assert(std::is_base_of<To, From>::value, "a cast record converts a derived type to its base");
  return pyrt::sameAddress;
}

TypeDescriptor d[kTypeCount] = {
    {"_p_IValueAttributeT_bool_t", "OrvaneSDK::Model::IBoolAttribute *|IValueAttribute< bool > *", nullptr, nullptr, nullptr, 0},
    {"_p_IValueAttributeT_float_t", "OrvaneSDK::Model::IFloatAttribute *|IValueAttribute< float > *", nullptr, nullptr, nullptr, 0},
    {"_p_IValueAttributeT_int_t", "OrvaneSDK::Model::IIntAttribute *|IValueAttribute< int > *", nullptr, nullptr, nullptr, 0},
    {"_p_IValueAttributeT_std__string_t", "OrvaneSDK::Model::IStringAttribute *|IValueAttribute< std::string > *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK_Model_EntityID", "OrvaneSDK::Model::CEntityID *|OrvaneSDK_Model_EntityID *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK_Version", "OrvaneSDK::Version *|OrvaneSDK_Version *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__AccessType", "OrvaneSDK::AccessType *|enum OrvaneSDK::AccessType *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__AttributeType", "OrvaneSDK::AttributeType *|enum OrvaneSDK::AttributeType *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__IHandle", "OrvaneSDK::IHandle *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__ISolverData", "OrvaneSDK::ISolverData *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__ISolverManager", "OrvaneSDK::ISolverManager *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__Model__EntityEditor", "OrvaneSDK::Model::EntityEditor *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__Model__EntityID", "OrvaneSDK::Model::EntityID *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__Model__IArrayAttribute", "OrvaneSDK::Model::IArrayAttribute *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__Model__IAttribute", "OrvaneSDK::Model::IAttribute *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__Model__ICompositeAttribute", "OrvaneSDK::Model::ICompositeAttribute *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__Model__IEntity", "OrvaneSDK::Model::IEntity *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__Model__IEntityCollection", "OrvaneSDK::Model::IEntityCollection *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__Model__IEntityLinkAttributeBase", "OrvaneSDK::Model::IEntityLinkAttributeBase *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__Model__ILinkAttribute", "OrvaneSDK::Model::ILinkAttribute *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__Model__IListAttribute", "OrvaneSDK::Model::IListAttribute *", nullptr, nullptr, nullptr, 0},
    {"_p_OrvaneSDK__Model__IShortcutAttribute", "OrvaneSDK::Model::IShortcutAttribute *", nullptr, nullptr, nullptr, 0},
    {"_p_Tools__IConstString", "Tools::IConstString *", nullptr, nullptr, nullptr, 0},
    {"_p_Tools__IString", "Tools::IString *", nullptr, nullptr, nullptr, 0},
    {"_p_bool", "bool *", nullptr, nullptr, nullptr, 0},
    {"_p_char", "char *", nullptr, nullptr, nullptr, 0},
    {"_p_data_type", "data_type *", nullptr, nullptr, nullptr, 0},
    {"_p_double", "double *", nullptr, nullptr, nullptr, 0},
    {"_p_float", "float *", nullptr, nullptr, nullptr, 0},
    {"_p_int", "int32_t *|int_fast16_t *|int_fast32_t *|int_least32_t *|intptr_t *|int *", nullptr, nullptr, nullptr, 0},
    {"_p_long_long", "int64_t *|int_fast64_t *|int_least64_t *|intmax_t *|long long *", nullptr, nullptr, nullptr, 0},
    {"_p_p_OrvaneSDK__Model__IArrayAttribute", nullptr, nullptr, nullptr, nullptr, 0},
    {"_p_p_OrvaneSDK__Model__IAttribute", "OrvaneSDK::Model::IAttribute **", nullptr, nullptr, nullptr, 0},
    {"_p_p_OrvaneSDK__Model__ICompositeAttribute", "OrvaneSDK::Model::ICompositeAttribute **", nullptr, nullptr, nullptr, 0},
    {"_p_p_OrvaneSDK__Model__IEntity", "OrvaneSDK::Model::IEntity **", nullptr, nullptr, nullptr, 0},
    {"_p_p_OrvaneSDK__Model__IEntityLinkAttributeBase", nullptr, nullptr, nullptr, nullptr, 0},
    {"_p_p_OrvaneSDK__Model__ILinkAttribute", nullptr, nullptr, nullptr, nullptr, 0},
    {"_p_p_OrvaneSDK__Model__IListAttribute", nullptr, nullptr, nullptr, nullptr, 0},
    {"_p_p_OrvaneSDK__Model__IShortcutAttribute", nullptr, nullptr, nullptr, nullptr, 0},
    {"_p_short", "int16_t *|int_least16_t *|short *", nullptr, nullptr, nullptr, 0},
    {"_p_signed_char", "int8_t *|int_fast8_t *|int_least8_t *|signed char *", nullptr, nullptr, nullptr, 0},
    {"_p_size_t", "size_t *", nullptr, nullptr, nullptr, 0},
    {"_p_std__arrayT_int_2_t", "OrvaneSDK::Model::EntityID::data_type *|std::array< int,2 > *", nullptr, nullptr, nullptr, 0},
    {"_p_std__invalid_argument", "std::invalid_argument *", nullptr, nullptr, nullptr, 0},
    {"_p_std__pairT_int_int_t", "std::pair< std::int32_t,std::int32_t > *|std::pair< int,int > *", nullptr, nullptr, nullptr, 0},
    {"_p_swig__SwigPyIterator", "swig::SwigPyIterator *", nullptr, nullptr, nullptr, 0},
    {"_p_unsigned_char", "uint8_t *|uint_fast8_t *|uint_least8_t *|unsigned char *", nullptr, nullptr, nullptr, 0},
    {"_p_unsigned_int", "uint32_t *|uint_fast16_t *|uint_fast32_t *|uint_least32_t *|uintptr_t *|unsigned int *", nullptr, nullptr, nullptr, 0},
    {"_p_unsigned_long_long", "uint64_t *|uint_fast64_t *|uint_least64_t *|uintmax_t *|unsigned long long *", nullptr, nullptr, nullptr, 0},
    {"_p_unsigned_short", "uint16_t *|uint_least16_t *|unsigned short *", nullptr, nullptr, nullptr, 0},
};

using namespace OrvaneSDK;
using namespace OrvaneSDK::Model;

// A record for the type itself, followed by one per derived type, ending with an empty record.
#define SELF(I) {&d[I], nullptr, nullptr, nullptr}
#define FROM(I, From, To) {&d[I], upcast<From, To>(), nullptr, nullptr}
#define PP(I) {&d[I], pyrt::sameAddress, nullptr, nullptr}
#define END {nullptr, nullptr, nullptr, nullptr}

CastRecord c_IHandle[] = {SELF(T_IHandle), FROM(T_ISolverData, ISolverData, IHandle),
    FROM(T_ISolverManager, ISolverManager, IHandle), FROM(T_IArrayAttribute, IArrayAttribute, IHandle),
    FROM(T_IAttribute, IAttribute, IHandle), FROM(T_ICompositeAttribute, ICompositeAttribute, IHandle),
    FROM(T_IEntity, IEntity, IHandle), FROM(T_IEntityCollection, IEntityCollection, IHandle),
    FROM(T_IEntityLinkAttributeBase, IEntityLinkAttributeBase, IHandle),
    FROM(T_ILinkAttribute, ILinkAttribute, IHandle), FROM(T_IListAttribute, IListAttribute, IHandle),
    FROM(T_IShortcutAttribute, IShortcutAttribute, IHandle), END};
CastRecord c_ISolverData[] = {SELF(T_ISolverData), FROM(T_ISolverManager, ISolverManager, ISolverData), END};
CastRecord c_IAttribute[] = {SELF(T_IAttribute), FROM(T_IArrayAttribute, IArrayAttribute, IAttribute),
    FROM(T_ICompositeAttribute, ICompositeAttribute, IAttribute), FROM(T_IEntity, IEntity, IAttribute),
    FROM(T_IEntityLinkAttributeBase, IEntityLinkAttributeBase, IAttribute),
    FROM(T_ILinkAttribute, ILinkAttribute, IAttribute), FROM(T_IListAttribute, IListAttribute, IAttribute),
    FROM(T_IShortcutAttribute, IShortcutAttribute, IAttribute), END};
CastRecord c_ICompositeAttribute[] = {SELF(T_ICompositeAttribute), FROM(T_IEntity, IEntity, ICompositeAttribute), END};
CastRecord c_IEntityLinkAttributeBase[] = {SELF(T_IEntityLinkAttributeBase),
    FROM(T_IArrayAttribute, IArrayAttribute, IEntityLinkAttributeBase),
    FROM(T_ILinkAttribute, ILinkAttribute, IEntityLinkAttributeBase),
    FROM(T_IListAttribute, IListAttribute, IEntityLinkAttributeBase), END};
CastRecord c_pp_IAttribute[] = {SELF(T_pp_IAttribute), PP(T_pp_IArrayAttribute), PP(T_pp_ICompositeAttribute),
    PP(T_pp_IEntity), PP(T_pp_IEntityLinkAttributeBase), PP(T_pp_ILinkAttribute), PP(T_pp_IListAttribute),
    PP(T_pp_IShortcutAttribute), END};
CastRecord c_pp_ICompositeAttribute[] = {SELF(T_pp_ICompositeAttribute), PP(T_pp_IEntity), END};

// Every other type accepts only itself.
CastRecord c_self[kTypeCount][2];

TypeDescriptor* initialTypes[kTypeCount];
CastRecord* initialCasts[kTypeCount];

struct TableSetup {
  TableSetup() {
    for (size_t i = 0; i < kTypeCount; ++i) {
      initialTypes[i] = &d[i];
      c_self[i][0] = {&d[i], nullptr, nullptr, nullptr};
      c_self[i][1] = END;
      initialCasts[i] = c_self[i];
    }
    initialCasts[T_IHandle] = c_IHandle;
    initialCasts[T_ISolverData] = c_ISolverData;
    initialCasts[T_IAttribute] = c_IAttribute;
    initialCasts[T_ICompositeAttribute] = c_ICompositeAttribute;
    initialCasts[T_IEntityLinkAttributeBase] = c_IEntityLinkAttributeBase;
    initialCasts[T_pp_IAttribute] = c_pp_IAttribute;
    initialCasts[T_pp_ICompositeAttribute] = c_pp_ICompositeAttribute;
  }
} setup;

}  // namespace

TypeDescriptor* g_types[kTypeCount + 1];
pyrt::ModuleTypeTable g_typeTable = {g_types, kTypeCount, nullptr, initialTypes, initialCasts, nullptr};

PyObject* swiginit(PyObject*, PyObject* args) { return pyrt::initShadowInstance(args); }

}  // namespace v2py
