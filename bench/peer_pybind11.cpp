// _bench_pybind11: the peer operations bound with pybind11 (see peer_forms.h).
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include "bench/peer_forms.h"

namespace py = pybind11;
using namespace bench;

PYBIND11_MODULE(_bench_pybind11, m) {
  // Library objects are never owned by Python: no deleter.
  py::class_<IHandle, std::unique_ptr<IHandle, py::nodelete>>(m, "IHandle");
  py::class_<ISolverData, IHandle, std::unique_ptr<ISolverData, py::nodelete>>(m, "ISolverData");
  py::class_<IAttribute, IHandle, std::unique_ptr<IAttribute, py::nodelete>>(m, "IAttribute");
  py::class_<IEntity, IAttribute, std::unique_ptr<IEntity, py::nodelete>>(m, "IEntity");
  py::class_<EntityID>(m, "EntityID").def(py::init<int, int>());
  py::class_<EntityEditor>(m, "EntityEditor").def(py::init([]() {
    return new EntityEditor(static_cast<IEntityCollection*>(nullptr));
  }));
  py::enum_<Chronology>(m, "Chronology")
      .value("Initial", Chronology_Initial)
      .value("Current", Chronology_Current)
      .value("Next", Chronology_Next);
  m.def("manager", []() { return static_cast<ISolverData*>(&ISolverManager::instance()); },
        py::return_value_policy::reference);
  m.def("attribute", [](size_t address) { return reinterpret_cast<IAttribute*>(address); },
        py::return_value_policy::reference);
  m.def("form_count", &countForms);
  bindOperations(m);
}
