// Shared pieces of the attribute-family wrappers: the chronology kind, the documentation
// text macros and the per-class tail of protected members, disown_ and swigregister.
#pragma once
#include "module/docs.h"
#include <initializer_list>
#include "module/table.h"
#include "module/types.h"

namespace v2py {

namespace txt {
PYRT_TEXT(Chronology, "OrvaneSDK::Chronology");
}  // namespace txt
/// A chronology argument: any int within 32 bits, unchecked against the enumeration.
using ChronologyArg = pyrt::Int<OrvaneSDK::Chronology, pyrt::Fixed<txt::Chronology>>;

/// The protected-member wrappers of class C in slot order, then disown_C and C_swigregister.
/// Instantiated for the eight attribute classes in module/attributes_protected.cpp.
template <class C>
Segment directorMethods();

/// The parts of a method-table segment, one after the other.
inline Segment join(std::initializer_list<Segment> parts) {
  Segment all;
  for (const Segment& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace v2py

