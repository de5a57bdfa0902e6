// Wrappers of the free functions, IHandle, ISolverData and ISolverManager.
#include "module/docs.h"
#include "module/table.h"
#include "module/types.h"

namespace v2py {
namespace {
using namespace OrvaneSDK;
using namespace pyrt;

namespace txt {
PYRT_TEXT(AccessType, "OrvaneSDK::AccessType");
PYRT_TEXT(AttributeType, "OrvaneSDK::AttributeType");
PYRT_TEXT(EventType, "OrvaneSDK::EventType");
PYRT_TEXT(ExceptionType, "OrvaneSDK::ExceptionType");
PYRT_TEXT(SolveState, "OrvaneSDK::SolveState");
PYRT_TEXT(Chronology, "OrvaneSDK::Chronology");
}  // namespace txt
using Access = Int<AccessType, Fixed<txt::AccessType>>;
using AttrType = Int<AttributeType, Fixed<txt::AttributeType>>;
using Event = Int<EventType, Fixed<txt::EventType>>;
using Failure = Int<ExceptionType, Fixed<txt::ExceptionType>>;
using State = Int<SolveState, Fixed<txt::SolveState>>;
using Chrono = Int<Chronology, Fixed<txt::Chronology>>;

// Free functions: pure, one argument, METH_O.
constexpr auto hasAccess_ = single("hasAccess", [](Access a) { return hasAccess(a); });
constexpr auto isReadOnlyAccess_ = single("isReadOnlyAccess", [](Access a) { return isReadOnlyAccess(a); });
constexpr auto isWriteOnlyAccess_ = single("isWriteOnlyAccess", [](Access a) { return isWriteOnlyAccess(a); });
constexpr auto hasReadAccess_ = single("hasReadAccess", [](Access a) { return hasReadAccess(a); });
constexpr auto hasWriteAccess_ = single("hasWriteAccess", [](Access a) { return hasWriteAccess(a); });
constexpr auto isCompositeAttributeType_ =
    single("isCompositeAttributeType", [](AttrType t) { return isCompositeAttributeType(t); });
constexpr auto isValueAttributeType_ =
    single("isValueAttributeType", [](AttrType t) { return isValueAttributeType(t); });
constexpr auto isEntityLinkAttributeType_ =
    single("isEntityLinkAttributeType", [](AttrType t) { return isEntityLinkAttributeType(t); });
constexpr auto startEventType_ = single("startEventType", [](Event e) { return startEventType(e); });
constexpr auto endEventType_ = single("endEventType", [](Event e) { return endEventType(e); });
constexpr auto isException_ = single("isException", [](Failure e) { return isException(e); });
constexpr auto toString_ = single("toString", [](State s) { return toString(s); });
constexpr auto isCompletedSolveState_ =
    single("isCompletedSolveState", [](State s) { return isCompletedSolveState(s); });
constexpr auto version_ = single("version", []() { return owned(new Version(version())); });
constexpr auto versionString_ = single("versionString", []() { return versionString(); });

// IHandle: METH_O getters on any library object.
constexpr auto getHandleType_ =
    single("IHandle_getHandleType", [](Self<const IHandle> h) { return h->getHandleType(); });
constexpr auto getLastExceptionMessage_ =
    single("IHandle_getLastExceptionMessage", [](Self<const IHandle> h) { return h->getLastExceptionMessage(); });
constexpr auto getLastExceptionType_ =
    single("IHandle_getLastExceptionType", [](Self<const IHandle> h) { return h->getLastExceptionType(); });

// ISolverData: reading operations take an optional chronology, writing ones a value and one.
#define V2PY_GETTER_PROTOS(op) \
  protos("OrvaneSDK::ISolverData::" op "(OrvaneSDK::Chronology const) const", "OrvaneSDK::ISolverData::" op "() const")
#define V2PY_SETTER_PROTOS(op, type)                                                    \
  protos("OrvaneSDK::ISolverData::" op "(" type " const,OrvaneSDK::Chronology const)", \
         "OrvaneSDK::ISolverData::" op "(" type " const)")

template <auto Get, size_t N>
constexpr auto getter(const char* name, Protos<N> p) {
  return overloads(name, p, [](Self<const ISolverData> d) { return (d.get()->*Get)(defaultGetChronology); },
                   [](Self<const ISolverData> d, Chrono c) { return (d.get()->*Get)(c); });
}
template <auto Set, class Value, size_t N>
constexpr auto setter(const char* name, Protos<N> p) {
  return overloads(name, p, [](Self<ISolverData> d, Value v) { (d.get()->*Set)(v, defaultSetChronology); },
                   [](Self<ISolverData> d, Value v, Chrono c) { (d.get()->*Set)(v, c); });
}

constexpr auto getIteration_ =
    getter<&ISolverData::getIteration>("ISolverData_getIteration", V2PY_GETTER_PROTOS("getIteration"));
constexpr auto getNumberOfIterations_ = getter<&ISolverData::getNumberOfIterations>(
    "ISolverData_getNumberOfIterations", V2PY_GETTER_PROTOS("getNumberOfIterations"));
constexpr auto setNumberOfIterations_ = setter<&ISolverData::setNumberOfIterations, Int<int>>(
    "ISolverData_setNumberOfIterations", V2PY_SETTER_PROTOS("setNumberOfIterations", "int"));
constexpr auto getTime_ = getter<&ISolverData::getTime>("ISolverData_getTime", V2PY_GETTER_PROTOS("getTime"));
constexpr auto getTimeStep_ =
    getter<&ISolverData::getTimeStep>("ISolverData_getTimeStep", V2PY_GETTER_PROTOS("getTimeStep"));
constexpr auto setTimeStep_ =
    setter<&ISolverData::setTimeStep, Double>("ISolverData_setTimeStep", V2PY_SETTER_PROTOS("setTimeStep", "double"));
constexpr auto getTotalTime_ =
    getter<&ISolverData::getTotalTime>("ISolverData_getTotalTime", V2PY_GETTER_PROTOS("getTotalTime"));
constexpr auto setTotalTime_ = setter<&ISolverData::setTotalTime, Double>(
    "ISolverData_setTotalTime", V2PY_SETTER_PROTOS("setTotalTime", "double"));
constexpr auto isTransient_ =
    getter<&ISolverData::isTransient>("ISolverData_isTransient", V2PY_GETTER_PROTOS("isTransient"));
constexpr auto isFirstIteration_ =
    getter<&ISolverData::isFirstIteration>("ISolverData_isFirstIteration", V2PY_GETTER_PROTOS("isFirstIteration"));
constexpr auto isLastIteration_ =
    getter<&ISolverData::isLastIteration>("ISolverData_isLastIteration", V2PY_GETTER_PROTOS("isLastIteration"));
constexpr auto isFirstTimeStep_ =
    getter<&ISolverData::isFirstTimeStep>("ISolverData_isFirstTimeStep", V2PY_GETTER_PROTOS("isFirstTimeStep"));
constexpr auto isLastTimeStep_ =
    getter<&ISolverData::isLastTimeStep>("ISolverData_isLastTimeStep", V2PY_GETTER_PROTOS("isLastTimeStep"));
constexpr auto isConverged_ =
    getter<&ISolverData::isConverged>("ISolverData_isConverged", V2PY_GETTER_PROTOS("isConverged"));
constexpr auto setStopOnConvergence_ = setter<&ISolverData::setStopOnConvergence, Bool>(
    "ISolverData_setStopOnConvergence", V2PY_SETTER_PROTOS("setStopOnConvergence", "bool"));
constexpr auto isStopOnConvergence_ = getter<&ISolverData::isStopOnConvergence>(
    "ISolverData_isStopOnConvergence", V2PY_GETTER_PROTOS("isStopOnConvergence"));
// The non-const form is tried first and always wins; the const one only lists its prototype.
constexpr auto getSolutionControl_ = overloads(
    "ISolverData_getSolutionControl",
    protos("OrvaneSDK::ISolverData::getSolutionControl()", "OrvaneSDK::ISolverData::getSolutionControl() const"),
    [](Self<ISolverData> d) { return unowned(d->getSolutionControl()); },
    [](Self<const ISolverData> d) { return unowned(d->getSolutionControl()); });
constexpr auto getEntityCollection_ = overloads(
    "ISolverData_getEntityCollection",
    protos("OrvaneSDK::ISolverData::getEntityCollection()", "OrvaneSDK::ISolverData::getEntityCollection() const"),
    [](Self<ISolverData> d) { return unowned(d->getEntityCollection()); },
    [](Self<const ISolverData> d) { return unowned(d->getEntityCollection()); });
#undef V2PY_GETTER_PROTOS
#undef V2PY_SETTER_PROTOS

// ISolverManager.
constexpr auto instance_ = single("ISolverManager_instance", []() { return unowned(&ISolverManager::instance()); });
constexpr auto managerVersion_ = single("ISolverManager_version",
                                        [](Self<const ISolverManager> m) { return owned(new Version(m->version())); });
constexpr auto managerVersionString_ =
    single("ISolverManager_versionString", [](Self<const ISolverManager> m) { return m->versionString(); });
constexpr auto solveStop_ = single("ISolverManager_solveStop", [](Self<ISolverManager> m) { m->solveStop(); });
constexpr auto isSolveStopped_ =
    single("ISolverManager_isSolveStopped", [](Self<const ISolverManager> m) { return m->isSolveStopped(); });
constexpr auto showMessage_ = single("ISolverManager_showMessage",
                                     [](Self<const ISolverManager> m, const String& s) { m->showMessage(s); });
constexpr auto showInformational_ = single(
    "ISolverManager_showInformational", [](Self<const ISolverManager> m, const String& s) { m->showInformational(s); });

constexpr Custom IHandle_swigregister{"IHandle_swigregister", swigregister<T_IHandle>, METH_O};
constexpr Custom ISolverData_swigregister{"ISolverData_swigregister", swigregister<T_ISolverData>, METH_O};
constexpr Custom ISolverManager_swigregister{"ISolverManager_swigregister", swigregister<T_ISolverManager>, METH_O};

// Documentation of the chronology forms: with the chronology first, then without it.
#define CHRONO_GET(summary, ret)                                                                          \
  V2PY_OVERLOAD(1, V2PY_DOC(summary, V2PY_PARAM("chronology", "Chronological moment of the run to read") \
                                         V2PY_RETURNS(ret)))                                              \
  V2PY_NEXT V2PY_OVERLOAD(2, V2PY_DOC(summary " at the current moment of the run", V2PY_RETURNS(ret)))
#define CHRONO_SET(summary, value)                                                                     \
  V2PY_OVERLOAD(1, V2PY_DOC(summary, V2PY_PARAM(value, "The new value")                                \
                                         V2PY_PARAM("chronology", "Moment from which the value applies"))) \
  V2PY_NEXT V2PY_OVERLOAD(2, V2PY_DOC(summary " from the next moment of the run", V2PY_PARAM(value, "The new value")))
#define SAME_TWICE(doc) V2PY_OVERLOAD(1, doc) V2PY_NEXT V2PY_OVERLOAD(2, doc)
#define DOC V2PY_DOC
#define PARAM V2PY_PARAM
#define RETURNS V2PY_RETURNS

}  // namespace

const Row freeFunctionMethods[] = {
    def<hasAccess_>(DOC("Check if user has any access", PARAM("accessType", "The access type to check")
                            RETURNS("true unless the access type is AccessType__None"))),
    def<isReadOnlyAccess_>(DOC("Check if access is read only", PARAM("accessType", "The access type to check")
                                   RETURNS("true only for AccessType_ReadOnly"))),
    def<isWriteOnlyAccess_>(DOC("Check if access is write only", PARAM("accessType", "The access type to check")
                                    RETURNS("true only for AccessType_WriteOnly"))),
    def<hasReadAccess_>(DOC("Check if user may read", PARAM("accessType", "The access type to check")
                                RETURNS("true for read-only and read-write access"))),
    def<hasWriteAccess_>(DOC("Check if user may write", PARAM("accessType", "The access type to check")
                                 RETURNS("true for write-only and read-write access"))),
    def<isCompositeAttributeType_>(DOC("Check if an attribute type holds child attributes",
                                       PARAM("attributeType", "The attribute type to check")
                                           RETURNS("true for composite attributes and entities"))),
    def<isValueAttributeType_>(DOC("Check if an attribute type holds a value",
                                   PARAM("attributeType", "The attribute type to check")
                                       RETURNS("true for int, bool, string, float and double attributes"))),
    def<isEntityLinkAttributeType_>(DOC("Check if an attribute type refers to entities",
                                        PARAM("attributeType", "The attribute type to check")
                                            RETURNS("true for links, lists and arrays"))),
    def<startEventType_>(DOC("Get the start event of an event pair", PARAM("eventType", "An event type")
                                 RETURNS("the matching start event, or the event itself"))),
    def<endEventType_>(DOC("Get the end event of an event pair", PARAM("eventType", "An event type")
                               RETURNS("the matching end event, or the event itself"))),
    def<isException_>(DOC("Check if an exception type denotes a failure", PARAM("exceptionType", "The type to check")
                              RETURNS("true unless the type is ExceptionType__None"))),
    kEndOfRows,
};

const Row solverDataMethods[] = {
    def<getHandleType_>(DOC("Get the kind of library object", RETURNS("The handle type"))),
    def<getLastExceptionMessage_>(DOC("Get the message of the object's last failure", RETURNS("The message text"))),
    def<getLastExceptionType_>(DOC("Get the kind of the object's last failure", RETURNS("The exception type"))),
    def<IHandle_swigregister>(),
    def<getIteration_>(CHRONO_GET("Get the iteration number", "The iteration number")),
    def<getNumberOfIterations_>(CHRONO_GET("Get the number of iterations", "The number of iterations")),
    def<setNumberOfIterations_>(CHRONO_SET("Set the number of iterations", "newNumberOfIterations")),
    def<getTime_>(CHRONO_GET("Get the time of a transient simulation", "The time in seconds")),
    def<getTimeStep_>(CHRONO_GET("Get the time step of a transient simulation", "The time step in seconds")),
    def<setTimeStep_>(CHRONO_SET("Set the time step of a transient simulation", "timeStep")),
    def<getTotalTime_>(CHRONO_GET("Get the total time of a transient simulation", "The total time in seconds")),
    def<setTotalTime_>(CHRONO_SET("Set the total time of a transient simulation", "totalTime")),
    def<isTransient_>(CHRONO_GET("Check if the simulation is transient", "false for a steady-state run")),
    def<isFirstIteration_>(CHRONO_GET("Check if this is the first iteration", "true on the first iteration")),
    def<isLastIteration_>(CHRONO_GET("Check if this is the last iteration", "true on the last iteration")),
    def<isFirstTimeStep_>(CHRONO_GET("Check if this is the first time step", "true on the first time step")),
    def<isLastTimeStep_>(CHRONO_GET("Check if this is the last time step", "true on the last time step")),
    def<isConverged_>(CHRONO_GET("Check if the solution has converged", "true when converged")),
    def<setStopOnConvergence_>(CHRONO_SET("Set whether solving stops on convergence", "value")),
    def<isStopOnConvergence_>(CHRONO_GET("Check whether solving stops on convergence", "the switch")),
    def<getSolutionControl_>(SAME_TWICE(DOC("Get the solution-control entity", RETURNS("The entity or None")))),
    def<getEntityCollection_>(
        SAME_TWICE(DOC("Get the collection of all available entities", RETURNS("The entity collection")))),
    def<ISolverData_swigregister>(),
    kEndOfRows,
};

const Row solverManagerMethods[] = {
    def<toString_>(DOC("Get the name of a solve state", PARAM("solveState", "The solve state")
                           RETURNS("The state's name; fails for states without a name"))),
    def<isCompletedSolveState_>(DOC("Check if a solve state is final", PARAM("solveState", "The solve state")
                                        RETURNS("true for Finished and Failed"))),
    def<instance_>(DOC("Get the solver manager of the exchange library", RETURNS("The solver manager"))),
    def<managerVersion_>(DOC("Get the version of the exchange library", RETURNS("The version record"))),
    def<managerVersionString_>(DOC("Get the version of the exchange library as text", RETURNS("The version text"))),
    def<solveStop_>(DOC("Stop solving for all exchange clients", "")),
    def<isSolveStopped_>(DOC("Check if solving has been stopped", RETURNS("true when stopped"))),
    def<showMessage_>(DOC("Show a message to the user", PARAM("message", "The text to show"))),
    def<showInformational_>(DOC("Pass a message on as information", PARAM("message", "The text to pass on"))),
    def<ISolverManager_swigregister>(),
    def<version_>(DOC("Get the version of the exchange library", RETURNS("The version record"))),
    def<versionString_>(DOC("Get the version of the exchange library as text", RETURNS("The version text"))),
    kEndOfRows,
};

}  // namespace v2py
