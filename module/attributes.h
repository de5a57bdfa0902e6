// Shared pieces of the attribute-family wrappers: the chronology kind, the documentation
// text macros.
#pragma once
#include "module/docs.h"
#include "module/table.h"
#include "module/types.h"

namespace v2py {

namespace txt {
PYRT_TEXT(Chronology, "OrvaneSDK::Chronology");
}  // namespace txt
/// A chronology argument: any int within 32 bits, unchecked against the enumeration.
using ChronologyArg = pyrt::Int<OrvaneSDK::Chronology, pyrt::Fixed<txt::Chronology>>;

}  // namespace v2py

