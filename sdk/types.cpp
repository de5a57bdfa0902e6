#include "sdk/types.h"

#include <stdexcept>

namespace OrvaneSDK {
namespace detail {

void throwNotImplemented() { throw std::logic_error("Not implemented"); }

}  // namespace detail
}  // namespace OrvaneSDK
