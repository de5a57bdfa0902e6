#include "sdk/solver.h"

#include <stdexcept>

namespace OrvaneSDK {
namespace detail {

void throwNoSolverManager() { throw std::runtime_error("Failed to access ISolverManager"); }

}  // namespace detail
}  // namespace OrvaneSDK
