// _bench_nanobind: the peer operations bound with nanobind (see peer_forms.h).
#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>
#include "bench/peer_forms.h"

namespace nb = nanobind;
using namespace bench;

NB_MODULE(_bench_nanobind, m) {
  nb::class_<IHandle>(m, "IHandle");
  // Methods of bound classes, for the class-call cases: a method call on an instance and a
  // method returning a library object as a new instance of its bound class (by reference).
  nb::class_<ISolverData, IHandle>(m, "ISolverData")
      .def("getIteration", [](const ISolverData& d) { return d.getIteration(); });
  nb::class_<IAttribute, IHandle>(m, "IAttribute");
  nb::class_<IEntity, IAttribute>(m, "IEntity");
  nb::class_<IEntityCollection, IHandle>(m, "IEntityCollection")
      .def("getEntity", [](IEntityCollection& c, size_t i) { return c.getEntity(i); }, nb::rv_policy::reference);
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
  m.def("collection", []() { return ISolverManager::instance().getEntityCollection(); }, nb::rv_policy::reference);
  m.def("attribute", [](size_t address) { return reinterpret_cast<IAttribute*>(address); },
        nb::rv_policy::reference);
  m.def("form_count", &countForms);
  bindOperations(m);
}
