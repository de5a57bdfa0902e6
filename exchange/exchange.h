// The exchange library's single exported entry point. Every other service of the
// library is reached through virtual calls on the objects this function leads to.
#pragma once

namespace OrvaneSDK {
class ISolverManager;
}

#if defined(__GNUC__) || defined(__clang__)
#define VARNEX2_EXCHANGE_API __attribute__((visibility("default")))
#else
#define VARNEX2_EXCHANGE_API
#endif

// Returns the library's solver manager, or null when it cannot provide one. The suffix
// is the interface version; the object stays valid for the life of the process.
extern "C" VARNEX2_EXCHANGE_API OrvaneSDK::ISolverManager* OrvaneSDK_ISolverManager_instance_8();
