"""Type stubs of Varnex2Python.enums (written by tools/gen_stubs.py)."""
import enum
from typing import Dict, List, Tuple

ENUMERATIONS: Dict[str, str]
__all__ = ["AccessType", "AttributeType", "Chronology", "EventType", "ExceptionType", "ExchangeFormat", "HandleType", "SolvePhase", "SolveState"]

def members(name: str) -> List[Tuple[str, int]]: ...


class AccessType(enum.IntEnum):
    None_ = 0
    ReadOnly = 1
    WriteOnly = 2
    ReadWrite = 3


class AttributeType(enum.IntEnum):
    Unknown = 0
    Int = 1
    Bool = 2
    String = 3
    Float = 4
    Composite = 5
    Entity = 6
    Link = 7
    List = 8
    Shortcut = 9
    Array = 10
    Double = 11


class Chronology(enum.IntEnum):
    Initial = 0
    Continue = 1
    TimeStepStart = 2
    Current = 3
    Next = 4
    Invalid = -1


class EventType(enum.IntEnum):
    Unknown = 0
    Initialize = 1
    Continue = 2
    Cancelled = 3
    Error = 4
    Finished = 5
    IterationStart = 10
    IterationEnd = 11
    ControllerUpdate = 12
    TimeStepStart = 20
    TimeStepEnd = 21
    CFDGenerationStart = 101
    CFDGenerationEnd = 102
    WaitForFNInitilisation = 103
    VarnexGeneration = 200
    VarnexGeneration_Passive = 201


class ExceptionType(enum.IntEnum):
    None_ = 0
    Runtime_Error = -2
    Logic_Error = -3
    Out_Of_Range = -4
    Generic = -5
    Unknown = -6


class ExchangeFormat(enum.IntEnum):
    Unknown = 0
    CSVFiles = 1
    CSVFiles_Sequential = 2
    CSVFiles_DefinitionOnly = 3
    CSVFiles_Normal = 4


class HandleType(enum.IntEnum):
    Unknown = 0
    Attribute = 1
    SolverManager = 2
    ClientManager = 3
    LibraryManager = 4
    ExchangeClient = 5
    EntityCollection = 6
    FunctorConstructor = 201
    Functor = 202


class SolvePhase(enum.IntEnum):
    Unknown = 0
    CFDGeneration = 1
    Solving = 2


class SolveState(enum.IntEnum):
    TimeOut = -3
    InActive = -2
    NoFile = -1
    Unknown = 0
    Initializing = 1
    WaitForClientInitialization = 3
    Initialized = 4
    WaitForInitialized = 5
    Client_WaitForData = 1001
    Client_Solving = 1002
    Client_NewDataReady = 1003
    Client_ReadyToSolve = 1004
    Client_SolveStarting = 1014
    Client_WaitForStarted = 1015
    Client_SolveStarted = 1016
    CFDSolver_WaitForData = 2001
    CFDSolver_Solving = 2002
    CFDSolver_NewDataReady = 21003
    CFDSolver_SolveStarting = 2014
    CFDSolver_WaitForStarted = 2015
    CFDSolver_SolveStarted = 2016
    Sleep = 1001
    Solving = 10
    Finished = 11
    Failed = 12
    WaitFor_Def_CSV_Write = 100
    Reading_Def_CSV_File = 101
    FinishedReading_Def_CSV_File = 102
    Writing_Def_CSV_File = 110
    FinishedWriting_Def_CSV_File = 111
    WaitingForFNGeneration = 120
    FinishedFNGeneration = 121
