// Failure paths of the raw-call convention, kept out of line so that the inline
// success path of every facade operation stays a call and a branch.
#include "sdk/handle.h"

#include <stdexcept>

namespace OrvaneSDK {

std::string IHandle::getLastExceptionMessage() const {
    std::string message;
    Tools::StringRef ref(message);
    if (do_getLastExceptionMessage(ref) != 0) return "Failure to retrieve LastErrorMessage";
    return message;
}

namespace detail {

void throwStatus(const IHandle& object, int status) {
    std::string message = object.getLastExceptionMessage();
    switch (status) {
    case ExceptionType_Out_Of_Range: throw std::out_of_range(message);
    case ExceptionType_Logic_Error: throw std::logic_error(message);
    default: throw std::runtime_error(message);  // runtime, generic, unknown and any other code
    }
}

}  // namespace detail

namespace Tools {
namespace detail {

void throwInvalidPosition() { throw std::out_of_range("invalid string position"); }

}  // namespace detail
}  // namespace Tools
}  // namespace OrvaneSDK
