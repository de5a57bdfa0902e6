"""The enumerations of the module as IntEnum classes.

Each member equals the module's integer constant of the same name
(``Chronology.Next == Chronology_Next``, ``EventType(11) is EventType.IterationEnd``) and
passes wherever the constant does; the reprs name the member. A member is the constant's
name without the enumeration's prefix; ``None`` is a keyword, so the constants
``AccessType__None`` and ``ExceptionType__None`` are the members ``None_``.
"""
import enum

import _Varnex2Python as _V

__all__ = ["AccessType", "AttributeType", "Chronology", "EventType", "ExceptionType", "ExchangeFormat",
           "HandleType", "SolvePhase", "SolveState"]


class AccessType(enum.IntEnum):
    """What a script may do with an attribute's value."""

    None_ = _V.AccessType__None
    ReadOnly = _V.AccessType_ReadOnly
    WriteOnly = _V.AccessType_WriteOnly
    ReadWrite = _V.AccessType_ReadWrite


class AttributeType(enum.IntEnum):
    """Kind of an attribute."""

    Unknown = _V.AttributeType_Unknown
    Int = _V.AttributeType_Int
    Bool = _V.AttributeType_Bool
    String = _V.AttributeType_String
    Float = _V.AttributeType_Float
    Composite = _V.AttributeType_Composite
    Entity = _V.AttributeType_Entity
    Link = _V.AttributeType_Link
    List = _V.AttributeType_List
    Shortcut = _V.AttributeType_Shortcut
    Array = _V.AttributeType_Array
    Double = _V.AttributeType_Double


class Chronology(enum.IntEnum):
    """The moment of the run at which a value is read or written."""

    Initial = _V.Chronology_Initial
    Continue = _V.Chronology_Continue
    TimeStepStart = _V.Chronology_TimeStepStart
    Current = _V.Chronology_Current
    Next = _V.Chronology_Next
    Invalid = _V.Chronology_Invalid


class EventType(enum.IntEnum):
    """Solver events: the moments at which the solver runs a script."""

    Unknown = _V.EventType_Unknown
    Initialize = _V.EventType_Initialize
    Continue = _V.EventType_Continue
    Cancelled = _V.EventType_Cancelled
    Error = _V.EventType_Error
    Finished = _V.EventType_Finished
    IterationStart = _V.EventType_IterationStart
    IterationEnd = _V.EventType_IterationEnd
    ControllerUpdate = _V.EventType_ControllerUpdate
    TimeStepStart = _V.EventType_TimeStepStart
    TimeStepEnd = _V.EventType_TimeStepEnd
    CFDGenerationStart = _V.EventType_CFDGenerationStart
    CFDGenerationEnd = _V.EventType_CFDGenerationEnd
    WaitForFNInitilisation = _V.EventType_WaitForFNInitilisation
    VarnexGeneration = _V.EventType_VarnexGeneration
    VarnexGeneration_Passive = _V.EventType_VarnexGeneration_Passive


class ExceptionType(enum.IntEnum):
    """Failure kinds; also the status codes of failing library calls."""

    None_ = _V.ExceptionType__None
    Runtime_Error = _V.ExceptionType_Runtime_Error
    Logic_Error = _V.ExceptionType_Logic_Error
    Out_Of_Range = _V.ExceptionType_Out_Of_Range
    Generic = _V.ExceptionType_Generic
    Unknown = _V.ExceptionType_Unknown


class ExchangeFormat(enum.IntEnum):
    """File formats of a data exchange."""

    Unknown = _V.ExchangeFormat_Unknown
    CSVFiles = _V.ExchangeFormat_CSVFiles
    CSVFiles_Sequential = _V.ExchangeFormat_CSVFiles_Sequential
    CSVFiles_DefinitionOnly = _V.ExchangeFormat_CSVFiles_DefinitionOnly
    CSVFiles_Normal = _V.ExchangeFormat_CSVFiles_Normal


class HandleType(enum.IntEnum):
    """Kind of library object (IHandle.getHandleType())."""

    Unknown = _V.HandleType_Unknown
    Attribute = _V.HandleType_Attribute
    SolverManager = _V.HandleType_SolverManager
    ClientManager = _V.HandleType_ClientManager
    LibraryManager = _V.HandleType_LibraryManager
    ExchangeClient = _V.HandleType_ExchangeClient
    EntityCollection = _V.HandleType_EntityCollection
    FunctorConstructor = _V.HandleType_FunctorConstructor
    Functor = _V.HandleType_Functor


class SolvePhase(enum.IntEnum):
    """Phase of the solve."""

    Unknown = _V.SolvePhase_Unknown
    CFDGeneration = _V.SolvePhase_CFDGeneration
    Solving = _V.SolvePhase_Solving


class SolveState(enum.IntEnum):
    """State of the solve (toString(state) gives its name)."""

    TimeOut = _V.SolveState_TimeOut
    InActive = _V.SolveState_InActive
    NoFile = _V.SolveState_NoFile
    Unknown = _V.SolveState_Unknown
    Initializing = _V.SolveState_Initializing
    WaitForClientInitialization = _V.SolveState_WaitForClientInitialization
    Initialized = _V.SolveState_Initialized
    WaitForInitialized = _V.SolveState_WaitForInitialized
    Client_WaitForData = _V.SolveState_Client_WaitForData
    Client_Solving = _V.SolveState_Client_Solving
    Client_NewDataReady = _V.SolveState_Client_NewDataReady
    Client_ReadyToSolve = _V.SolveState_Client_ReadyToSolve
    Client_SolveStarting = _V.SolveState_Client_SolveStarting
    Client_WaitForStarted = _V.SolveState_Client_WaitForStarted
    Client_SolveStarted = _V.SolveState_Client_SolveStarted
    CFDSolver_WaitForData = _V.SolveState_CFDSolver_WaitForData
    CFDSolver_Solving = _V.SolveState_CFDSolver_Solving
    CFDSolver_NewDataReady = _V.SolveState_CFDSolver_NewDataReady
    CFDSolver_SolveStarting = _V.SolveState_CFDSolver_SolveStarting
    CFDSolver_WaitForStarted = _V.SolveState_CFDSolver_WaitForStarted
    CFDSolver_SolveStarted = _V.SolveState_CFDSolver_SolveStarted
    Sleep = _V.SolveState_Sleep
    Solving = _V.SolveState_Solving
    Finished = _V.SolveState_Finished
    Failed = _V.SolveState_Failed
    WaitFor_Def_CSV_Write = _V.SolveState_WaitFor_Def_CSV_Write
    Reading_Def_CSV_File = _V.SolveState_Reading_Def_CSV_File
    FinishedReading_Def_CSV_File = _V.SolveState_FinishedReading_Def_CSV_File
    Writing_Def_CSV_File = _V.SolveState_Writing_Def_CSV_File
    FinishedWriting_Def_CSV_File = _V.SolveState_FinishedWriting_Def_CSV_File
    WaitingForFNGeneration = _V.SolveState_WaitingForFNGeneration
    FinishedFNGeneration = _V.SolveState_FinishedFNGeneration
