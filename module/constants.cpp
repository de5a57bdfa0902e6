// Module constants of the SDK enumerations and the read-only variables of cvar.
#include <cstring>
#include "module/table.h"
#include "module/types.h"
#include "pyruntime/globals.h"

namespace v2py {
namespace {
using namespace OrvaneSDK;

struct Constant {
  const char* name;
  long value;
};
#define C(x) {#x, static_cast<long>(x)}

const Constant kBasic[] = {
    C(AccessType__None), C(AccessType_ReadOnly), C(AccessType_WriteOnly), C(AccessType_ReadWrite),
    C(AttributeType_Unknown), C(AttributeType_Int), C(AttributeType_Bool), C(AttributeType_String),
    C(AttributeType_Float), C(AttributeType_Composite), C(AttributeType_Entity), C(AttributeType_Link),
    C(AttributeType_List), C(AttributeType_Shortcut), C(AttributeType_Array), C(AttributeType_Double),
    C(Chronology_Initial), C(Chronology_Continue), C(Chronology_TimeStepStart), C(Chronology_Current),
    C(Chronology_Next), C(Chronology_Invalid)};

const Constant kEvents[] = {
    C(EventType_Unknown), C(EventType_Initialize), C(EventType_Continue), C(EventType_Cancelled),
    C(EventType_Error), C(EventType_Finished), C(EventType_IterationStart), C(EventType_IterationEnd),
    C(EventType_ControllerUpdate), C(EventType_TimeStepStart), C(EventType_TimeStepEnd),
    C(EventType_CFDGenerationStart), C(EventType_CFDGenerationEnd), C(EventType_WaitForFNInitilisation),
    C(EventType_VarnexGeneration), C(EventType_VarnexGeneration_Passive),
    C(ExceptionType__None), C(ExceptionType_Runtime_Error), C(ExceptionType_Logic_Error),
    C(ExceptionType_Out_Of_Range), C(ExceptionType_Generic), C(ExceptionType_Unknown),
    C(ExchangeFormat_Unknown), C(ExchangeFormat_CSVFiles), C(ExchangeFormat_CSVFiles_Sequential),
    C(ExchangeFormat_CSVFiles_DefinitionOnly), C(ExchangeFormat_CSVFiles_Normal),
    C(HandleType_Unknown), C(HandleType_Attribute), C(HandleType_SolverManager), C(HandleType_ClientManager),
    C(HandleType_LibraryManager), C(HandleType_ExchangeClient), C(HandleType_EntityCollection),
    C(HandleType_FunctorConstructor), C(HandleType_Functor)};

const Constant kStates[] = {
    C(OrvaneSDK_SolvePhase_Unknown), C(OrvaneSDK_SolvePhase_CFDGeneration), C(OrvaneSDK_SolvePhase_Solving),
    C(SolvePhase_Unknown), C(SolvePhase_CFDGeneration), C(SolvePhase_Solving),
    C(SolveState_TimeOut), C(SolveState_InActive), C(SolveState_NoFile), C(SolveState_Unknown),
    C(SolveState_Initializing), C(SolveState_WaitForClientInitialization), C(SolveState_Initialized),
    C(SolveState_WaitForInitialized), C(SolveState_Client_WaitForData), C(SolveState_Client_Solving),
    C(SolveState_Client_NewDataReady), C(SolveState_Client_ReadyToSolve), C(SolveState_Client_SolveStarting),
    C(SolveState_Client_WaitForStarted), C(SolveState_Client_SolveStarted), C(SolveState_CFDSolver_WaitForData),
    C(SolveState_CFDSolver_Solving), C(SolveState_CFDSolver_NewDataReady),
    C(SolveState_CFDSolver_SolveStarting), C(SolveState_CFDSolver_WaitForStarted),
    C(SolveState_CFDSolver_SolveStarted), C(SolveState_Sleep), C(SolveState_Solving), C(SolveState_Finished),
    C(SolveState_Failed), C(SolveState_WaitFor_Def_CSV_Write), C(SolveState_Reading_Def_CSV_File),
    C(SolveState_FinishedReading_Def_CSV_File), C(SolveState_Writing_Def_CSV_File),
    C(SolveState_FinishedWriting_Def_CSV_File), C(SolveState_WaitingForFNGeneration),
    C(SolveState_FinishedFNGeneration)};
#undef C

template <size_t N>
void addConstants(PyObject* dict, const Constant (&table)[N], size_t from = 0, size_t to = N) {
  for (size_t i = from; i < to; ++i) {
    if (PyObject* v = PyLong_FromLong(table[i].value)) {
      PyDict_SetItemString(dict, table[i].name, v);
      Py_DECREF(v);
    }
    PyErr_Clear();  // a constant that cannot be stored is skipped
  }
}

// Read-only variables: a getter building a fresh object, a setter refusing with its name.
template <const long& V>
PyObject* intGetter() {
  return PyLong_FromLong(V);
}
PyObject* buildIdGetter() {
  return PyUnicode_DecodeUTF8(buildId, static_cast<Py_ssize_t>(std::strlen(buildId)), "surrogateescape");
}
template <const char* const& Name>
int readOnly(PyObject*) {
  PyErr_Format(PyExc_AttributeError, "Variable %s is read-only.", Name);
  return 1;
}

const long vLast = lastChronology, vGet = defaultGetChronology, vSet = defaultSetChronology;
const long vMajor = majorVersion, vMinor = minorVersion, vSp = servicePack, vBuild = build,
           vIface = interfaceVersion;
const char* const nLast = "lastChronology";
const char* const nGet = "defaultGetChronology";
const char* const nSet = "defaultSetChronology";
const char* const nBuildId = "buildId";
const char* const nMajor = "majorVersion";
const char* const nMinor = "minorVersion";
const char* const nSp = "servicePack";
const char* const nBuild = "build";
const char* const nIface = "interfaceVersion";

PyObject* g_cvar = nullptr;  // one per process; dropped when the registry is released
void dropCvar() { Py_CLEAR(g_cvar); }

}  // namespace

PYRT_ONCE bool publishConstants(PyObject* dict) {
  addConstants(dict, kBasic);
  if (!g_cvar) {
    g_cvar = pyrt::newGlobals();
    if (!g_cvar) {
      PyErr_SetString(PyExc_TypeError, "Failure to create SWIG globals.");
      return false;
    }
    pyrt::setReleaseHook(dropCvar);
    pyrt::linkVariable(g_cvar, nLast, intGetter<vLast>, readOnly<nLast>);
    pyrt::linkVariable(g_cvar, nGet, intGetter<vGet>, readOnly<nGet>);
    pyrt::linkVariable(g_cvar, nSet, intGetter<vSet>, readOnly<nSet>);
    // Linking order shows in str(cvar); linking all nine here is the same list as
    // interleaving the second group with the event constants.
    pyrt::linkVariable(g_cvar, nBuildId, buildIdGetter, readOnly<nBuildId>);
    pyrt::linkVariable(g_cvar, nMajor, intGetter<vMajor>, readOnly<nMajor>);
    pyrt::linkVariable(g_cvar, nMinor, intGetter<vMinor>, readOnly<nMinor>);
    pyrt::linkVariable(g_cvar, nSp, intGetter<vSp>, readOnly<nSp>);
    pyrt::linkVariable(g_cvar, nBuild, intGetter<vBuild>, readOnly<nBuild>);
    pyrt::linkVariable(g_cvar, nIface, intGetter<vIface>, readOnly<nIface>);
  }
  PyDict_SetItemString(dict, "cvar", g_cvar);
  addConstants(dict, kEvents);
  addConstants(dict, kStates);
  return true;
}

}  // namespace v2py
