// _bench_nanobind: the peer operations bound with nanobind (see peer_forms.h).
#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>
#include "bench/peer_forms.h"

namespace nb = nanobind;
using namespace bench;

NB_MODULE(_bench_nanobind, m) {
  nb::class_<IHandle>(m, "IHandle");
  nb::class_<ISolverData, IHandle>(m, "ISolverData");
  nb::class_<IAttribute, IHandle>(m, "IAttribute");
  nb::class_<IEntity, IAttribute>(m, "IEntity");
  nb::class_<EntityID>(m, "EntityID").def(nb::init<int, int>());
  nb::class_<EntityEditor>(m, "EntityEditor").def("__init__", [](EntityEditor* e) {
    new (e) EntityEditor(static_cast<IEntityCollection*>(nullptr));
  });
  nb::enum_<Chronology>(m, "Chronology")
      .value("Initial", Chronology_Initial)
      .value("Current", Chronology_Current)
      .value("Next", Chronology_Next);
  m.def("manager", []() { return static_cast<ISolverData*>(&ISolverManager::instance()); },
        nb::rv_policy::reference);
  m.def("attribute", [](size_t address) { return reinterpret_cast<IAttribute*>(address); },
        nb::rv_policy::reference);
  m.def("form_count", &countForms);
  bindOperations(m);
}
