// The operations bound by the peer modules (nanobind, pybind11), shared so both bind exactly
// the same native work as the module: the handle type, an attribute's type text, the solver
// data's iteration with and without a chronology, and EntityEditor::getIntValue with its 44
// native forms.
#pragma once
#include <cstddef>
#include <string>
#include "sdk/editor.h"
#include "sdk/model.h"
#include "sdk/solver.h"

namespace bench {
using namespace OrvaneSDK;
using namespace OrvaneSDK::Model;
using Text = const std::string&;
using Chars = const char*;
using Id = const EntityID&;

// The 44 forms (parameters after the editor) in the module's dispatch order, except that
// (size_t, size_t) comes last: a call (editor, int, int) matches only that form, so it is
// the peer's last-match call.
#define BENCH_GETINT_FORMS(F)                                                                         \
  F(IAttribute*) F(IEntity*, size_t) F(IEntity*, Text) F(Id, size_t) F(IEntity*, Chars) F(Id, Text)   \
  F(IAttribute*, Chronology) F(Id, Chars) F(size_t, Text) F(size_t, Chars)                            \
  F(IEntity*, size_t, Chronology) F(IEntity*, Text, Chronology) F(Id, size_t, Chronology)             \
  F(Id, Text, Chronology) F(IEntity*, Chars, Chronology) F(Id, Chars, Chronology)                     \
  F(size_t, size_t, Chronology) F(size_t, Text, Chronology) F(size_t, Chars, Chronology)              \
  F(Text, size_t, size_t) F(Text, size_t, Text) F(Text, Text, size_t) F(Text, Text, Text)             \
  F(Chars, size_t, size_t) F(Chars, size_t, Chars) F(Chars, Chars, size_t) F(Chars, Chars, Chars)     \
  F(Text, size_t, size_t, Chronology) F(Text, size_t, Text, Chronology)                               \
  F(Text, Text, size_t, Chronology) F(Text, Text, size_t, size_t) F(Text, Text, size_t, Text)         \
  F(Text, Text, Text, Chronology) F(Chars, size_t, size_t, Chronology)                                \
  F(Chars, size_t, Chars, Chronology) F(Chars, Chars, size_t, Chronology)                             \
  F(Chars, Chars, size_t, size_t) F(Chars, Chars, size_t, Chars) F(Chars, Chars, Chars, Chronology)   \
  F(Text, Text, size_t, size_t, Chronology) F(Text, Text, size_t, Text, Chronology)                   \
  F(Chars, Chars, size_t, size_t, Chronology) F(Chars, Chars, size_t, Chars, Chronology)              \
  F(size_t, size_t)

// Binds one form of getIntValue as an overload of `name` on module m.
template <class... P, class M>
void getIntValueForm(M& m, const char* name) {
  m.def(name, [](EntityEditor& e, P... p) { return e.getIntValue(p...); });
}

// Binds every operation; Def(m) is the peer's module object.
template <class M>
void bindOperations(M& m) {
  m.def("getHandleType", [](const IHandle& h) { return static_cast<int>(h.getHandleType()); });
  m.def("getType", [](const IAttribute& a) { return a.getType(); });
  m.def("getIteration", [](const ISolverData& d) { return d.getIteration(); });
  m.def("getIteration", [](const ISolverData& d, int c) { return d.getIteration(static_cast<Chronology>(c)); });
#define BENCH_FORM(...) getIntValueForm<__VA_ARGS__>(m, "getIntValue");
  BENCH_GETINT_FORMS(BENCH_FORM)
#undef BENCH_FORM
}

inline size_t countForms() {
  size_t n = 0;
#define BENCH_COUNT(...) ++n;
  BENCH_GETINT_FORMS(BENCH_COUNT)
#undef BENCH_COUNT
  return n;
}

}  // namespace bench
