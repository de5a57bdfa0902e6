// Vocabulary of the exchange SDK: enumerations, chronology defaults, build constants
// and the pure classification helpers. Nothing here calls the exchange library.
#pragma once

#include <string>

// Solve phase as a plain C enumeration; the namespace form below reuses its values.
enum OrvaneSDK_SolvePhase : int {
    OrvaneSDK_SolvePhase_Unknown = 0,
    OrvaneSDK_SolvePhase_CFDGeneration = 1,
    OrvaneSDK_SolvePhase_Solving = 2
};

namespace OrvaneSDK {

enum AccessType : int {
    AccessType__None = 0,
    AccessType_ReadOnly = 1,
    AccessType_WriteOnly = 2,
    AccessType_ReadWrite = 3
};

enum AttributeType : int {
    AttributeType_Unknown = 0,
    AttributeType_Int = 1,
    AttributeType_Bool = 2,
    AttributeType_String = 3,
    AttributeType_Float = 4,
    AttributeType_Composite = 5,
    AttributeType_Entity = 6,
    AttributeType_Link = 7,
    AttributeType_List = 8,
    AttributeType_Shortcut = 9,
    AttributeType_Array = 10,
    AttributeType_Double = 11
};

enum Chronology : int {
    Chronology_Initial = 0,
    Chronology_Continue = 1,
    Chronology_TimeStepStart = 2,
    Chronology_Current = 3,
    Chronology_Next = 4,
    Chronology_Invalid = -1
};

enum EventType : int {
    EventType_Unknown = 0,
    EventType_Initialize = 1,
    EventType_Continue = 2,
    EventType_Cancelled = 3,
    EventType_Error = 4,
    EventType_Finished = 5,
    EventType_IterationStart = 10,
    EventType_IterationEnd = 11,
    EventType_ControllerUpdate = 12,
    EventType_TimeStepStart = 20,
    EventType_TimeStepEnd = 21,
    EventType_CFDGenerationStart = 101,
    EventType_CFDGenerationEnd = 102,
    EventType_WaitForFNInitilisation = 103,
    EventType_VarnexGeneration = 200,
    EventType_VarnexGeneration_Passive = 201
};

// Failure kinds; these are also the status codes returned by every raw slot.
enum ExceptionType : int {
    ExceptionType__None = 0,
    ExceptionType_Runtime_Error = -2,
    ExceptionType_Logic_Error = -3,
    ExceptionType_Out_Of_Range = -4,
    ExceptionType_Generic = -5,
    ExceptionType_Unknown = -6
};

enum ExchangeFormat : int {
    ExchangeFormat_Unknown = 0,
    ExchangeFormat_CSVFiles = 1,
    ExchangeFormat_CSVFiles_Sequential = 2,
    ExchangeFormat_CSVFiles_DefinitionOnly = 3,
    ExchangeFormat_CSVFiles_Normal = 4
};

enum HandleType : int {
    HandleType_Unknown = 0,
    HandleType_Attribute = 1,
    HandleType_SolverManager = 2,
    HandleType_ClientManager = 3,
    HandleType_LibraryManager = 4,
    HandleType_ExchangeClient = 5,
    HandleType_EntityCollection = 6,
    HandleType_FunctorConstructor = 201,
    HandleType_Functor = 202
};

enum SolvePhase : int {
    SolvePhase_Unknown = OrvaneSDK_SolvePhase_Unknown,
    SolvePhase_CFDGeneration = OrvaneSDK_SolvePhase_CFDGeneration,
    SolvePhase_Solving = OrvaneSDK_SolvePhase_Solving
};

enum SolveState : int {
    SolveState_TimeOut = -3,
    SolveState_InActive = -2,
    SolveState_NoFile = -1,
    SolveState_Unknown = 0,
    SolveState_Initializing = 1,
    SolveState_WaitForClientInitialization = 3,
    SolveState_Initialized = 4,
    SolveState_WaitForInitialized = 5,
    SolveState_Client_WaitForData = 1001,
    SolveState_Client_Solving = 1002,
    SolveState_Client_NewDataReady = 1003,
    SolveState_Client_ReadyToSolve = 1004,
    SolveState_Client_SolveStarting = 1014,
    SolveState_Client_WaitForStarted = 1015,
    SolveState_Client_SolveStarted = 1016,
    SolveState_CFDSolver_WaitForData = 2001,
    SolveState_CFDSolver_Solving = 2002,
    SolveState_CFDSolver_NewDataReady = 21003,
    SolveState_CFDSolver_SolveStarting = 2014,
    SolveState_CFDSolver_WaitForStarted = 2015,
    SolveState_CFDSolver_SolveStarted = 2016,
    SolveState_Sleep = 1001,
    SolveState_Solving = 10,
    SolveState_Finished = 11,
    SolveState_Failed = 12,
    SolveState_WaitFor_Def_CSV_Write = 100,
    SolveState_Reading_Def_CSV_File = 101,
    SolveState_FinishedReading_Def_CSV_File = 102,
    SolveState_Writing_Def_CSV_File = 110,
    SolveState_FinishedWriting_Def_CSV_File = 111,
    SolveState_WaitingForFNGeneration = 120,
    SolveState_FinishedFNGeneration = 121
};

// Chronology defaults: readers use the current moment, writers the next one.
inline constexpr Chronology lastChronology = Chronology_Next;
inline constexpr Chronology defaultGetChronology = Chronology_Current;
inline constexpr Chronology defaultSetChronology = Chronology_Next;

// The SDK version this facade was built against.
inline constexpr int majorVersion = 2025;
inline constexpr int minorVersion = 1;
inline constexpr int servicePack = 1;
inline constexpr int build = 150545;
inline constexpr int interfaceVersion = 8;
inline constexpr char buildId[] = "Wed Dec 10 2025 19:01:47 Release/2025.1-HF1  2025.1.1.150545";
static_assert(sizeof(buildId) == 61, "build id text is 60 bytes plus its terminating NUL");

namespace detail {
// Raises the logic_error of toString for a state without a name; kept out of line.
[[noreturn]] void throwNotImplemented();
}  // namespace detail

inline bool hasAccess(AccessType accessType) { return accessType != AccessType__None; }
inline bool isReadOnlyAccess(AccessType accessType) { return accessType == AccessType_ReadOnly; }
inline bool isWriteOnlyAccess(AccessType accessType) { return accessType == AccessType_WriteOnly; }
inline bool hasReadAccess(AccessType accessType) {
    return accessType == AccessType_ReadOnly || accessType == AccessType_ReadWrite;
}
inline bool hasWriteAccess(AccessType accessType) {
    return accessType == AccessType_WriteOnly || accessType == AccessType_ReadWrite;
}

// Every entity is a composite attribute too.
inline bool isCompositeAttributeType(AttributeType attributeType) {
    return attributeType == AttributeType_Composite || attributeType == AttributeType_Entity;
}
inline bool isValueAttributeType(AttributeType attributeType) {
    switch (attributeType) {
    case AttributeType_Int:
    case AttributeType_Bool:
    case AttributeType_String:
    case AttributeType_Float:
    case AttributeType_Double: return true;
    default: return false;
    }
}
// Shortcuts refer to attributes, not entities, so they are not entity links.
inline bool isEntityLinkAttributeType(AttributeType attributeType) {
    return attributeType == AttributeType_Link || attributeType == AttributeType_List ||
           attributeType == AttributeType_Array;
}

// Pairs the iteration and time-step events; every other event maps to itself.
inline EventType startEventType(EventType eventType) {
    if (eventType == EventType_IterationEnd) return EventType_IterationStart;
    if (eventType == EventType_TimeStepEnd) return EventType_TimeStepStart;
    return eventType;
}
inline EventType endEventType(EventType eventType) {
    if (eventType == EventType_IterationStart) return EventType_IterationEnd;
    if (eventType == EventType_TimeStepStart) return EventType_TimeStepEnd;
    return eventType;
}

inline bool isException(ExceptionType exceptionType) { return exceptionType != ExceptionType__None; }

inline bool isCompletedSolveState(SolveState solveState) {
    return solveState == SolveState_Finished || solveState == SolveState_Failed;
}

// The state's name without its prefix; 1001 is named after Client_WaitForData.
inline std::string toString(SolveState solveState) {
    switch (solveState) {
    case SolveState_TimeOut: return "TimeOut";
    case SolveState_InActive: return "InActive";
    case SolveState_NoFile: return "NoFile";
    case SolveState_Initializing: return "Initializing";
    case SolveState_WaitForClientInitialization: return "WaitForClientInitialization";
    case SolveState_Initialized: return "Initialized";
    case SolveState_WaitForInitialized: return "WaitForInitialized";
    case SolveState_Client_WaitForData: return "Client_WaitForData";
    case SolveState_Client_Solving: return "Client_Solving";
    case SolveState_Client_NewDataReady: return "Client_NewDataReady";
    case SolveState_Client_ReadyToSolve: return "Client_ReadyToSolve";
    case SolveState_Client_SolveStarting: return "Client_SolveStarting";
    case SolveState_Client_WaitForStarted: return "Client_WaitForStarted";
    case SolveState_Client_SolveStarted: return "Client_SolveStarted";
    case SolveState_CFDSolver_WaitForData: return "CFDSolver_WaitForData";
    case SolveState_CFDSolver_Solving: return "CFDSolver_Solving";
    case SolveState_CFDSolver_NewDataReady: return "CFDSolver_NewDataReady";
    case SolveState_CFDSolver_SolveStarting: return "CFDSolver_SolveStarting";
    case SolveState_CFDSolver_WaitForStarted: return "CFDSolver_WaitForStarted";
    case SolveState_CFDSolver_SolveStarted: return "CFDSolver_SolveStarted";
    case SolveState_Solving: return "Solving";
    case SolveState_Finished: return "Finished";
    case SolveState_Failed: return "Failed";
    case SolveState_WaitFor_Def_CSV_Write: return "WaitFor_Def_CSV_Write";
    case SolveState_Reading_Def_CSV_File: return "Reading_Def_CSV_File";
    case SolveState_FinishedReading_Def_CSV_File: return "FinishedReading_Def_CSV_File";
    case SolveState_Writing_Def_CSV_File: return "Writing_Def_CSV_File";
    case SolveState_FinishedWriting_Def_CSV_File: return "FinishedWriting_Def_CSV_File";
    case SolveState_WaitingForFNGeneration: return "WaitingForFNGeneration";
    case SolveState_FinishedFNGeneration: return "FinishedFNGeneration";
    default: detail::throwNotImplemented();
    }
}

}  // namespace OrvaneSDK
