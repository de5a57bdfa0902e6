// Entry point of the link stub (see CMakeLists.txt); never called.
#include "exchange/exchange.h"

extern "C" OrvaneSDK::ISolverManager* OrvaneSDK_ISolverManager_instance_8() { return nullptr; }
