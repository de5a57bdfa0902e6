"""A coupling script against the stand-in library's default model, a water cooling loop.

The solver drives the run and the script takes part in it: it reads the run state, walks
the model, changes inputs through an EntityEditor at Chronology_Next (they apply from the
next iteration on), shows messages, and stops once the run has converged. Offline,
varnex2_standin.step() stands in for the solver's iteration loop.

    bash scripts/demo.sh      # installs the package, then runs this file
"""
import Varnex2Python as vx
import varnex2_standin

# Where the inputs and the monitored value live: (entity type, entity name, attribute path).
PUMP_SPEED = ("Pump", "Pump1", "Speed")
INLET_TEMPERATURE = ("BoundaryCondition", "Inlet", "Temperature")
RESIDUAL = ("SolutionControl", "Solver", "Convergence/Residual")


def value_text(attribute: vx.IAttribute) -> str:
    """The current value of an attribute with its unit, or what kind of node it is."""
    kind = attribute.getAttributeType()
    if kind == vx.AttributeType_Link:
        link = attribute.downcast()  # a link's operations need its own class
        assert isinstance(link, vx.ILinkAttribute)
        linked = link.getEntity()
        return "-> %s" % (linked.getName(True) if linked is not None else "nothing")
    if not vx.isValueAttributeType(kind):
        return "(%s)" % {vx.AttributeType_Composite: "composite"}.get(kind, "node")
    if not vx.hasReadAccess(attribute.getAccessType()):
        return "(write only)"
    if not attribute.hasValue(vx.Chronology_Current):
        return "(no value yet)"
    if kind == vx.AttributeType_Int:
        text = str(attribute.getIntValue())
    elif kind == vx.AttributeType_Bool:
        text = str(attribute.getBoolValue())
    elif kind in (vx.AttributeType_Float, vx.AttributeType_Double):
        text = "%g" % attribute.getDoubleValue()
    else:
        text = repr(attribute.getStringValue())
    unit = attribute.getUnit()
    return "%s [%s]" % (text, unit) if unit else text


def show_run(manager: vx.ISolverManager) -> None:
    print("== Run")
    print("exchange library: %s" % manager.versionString())
    print("%s run at iteration %d of %d, stop on convergence: %s" % (
        "transient" if manager.isTransient() else "steady", manager.getIteration(),
        manager.getNumberOfIterations(), "yes" if manager.isStopOnConvergence() else "no"))


def walk_model(collection: vx.IEntityCollection) -> None:
    print("== Model: %d entities, %d root entities" % (
        collection.getNumberOfEntities(), collection.getNumberOfRootEntities()))
    for i in range(collection.getNumberOfEntities()):
        entity = collection.getEntity(i)
        assert entity is not None
        print("  %-26s %-17s id %-4s %2d attributes" % (
            entity.getName(True), entity.getType(), entity.getEntityID(), entity.getNumberOfAttributes(True)))
    pump = collection.getEntity("Pump", "Pump1")
    assert pump is not None
    print("Attributes of %s:" % pump.getName(True))
    for i in range(pump.getNumberOfAttributes(True)):
        attribute = pump.getAttribute(i, True)
        assert attribute is not None
        print("  %-30s %s" % (attribute.getAttributePath(), value_text(attribute)))


def couple(manager: vx.ISolverManager, editor: vx.EntityEditor) -> None:
    print("== Coupling")
    manager.showInformational("coupling script attached at iteration %d" % manager.getIteration())
    while True:
        iteration = manager.getIteration()
        residual = editor.getDoubleValue(*RESIDUAL)
        if iteration % 10 == 1:
            # Raise the pump speed and the inlet temperature for the iterations to come.
            speed = editor.getDoubleValue(*PUMP_SPEED)
            temperature = editor.getDoubleValue(*INLET_TEMPERATURE)
            editor.setDoubleValue(*PUMP_SPEED, speed + 25.0)
            editor.setDoubleValue(*INLET_TEMPERATURE, temperature + 0.5)
            print("iteration %3d  residual %.2e  speed %.0f -> %.0f rpm  inlet %.2f -> %.2f K (from next)" % (
                iteration, residual, speed, editor.getDoubleValue(*PUMP_SPEED, vx.Chronology_Next),
                temperature, editor.getDoubleValue(*INLET_TEMPERATURE, vx.Chronology_Next)))
        if manager.isConverged():
            print("iteration %3d  residual %.2e  converged" % (iteration, residual))
            manager.showMessage("Cooling loop converged after %d iterations at %.0f rpm"
                                % (iteration, editor.getDoubleValue(*PUMP_SPEED)))
            break
        if manager.isLastIteration() or varnex2_standin.step() == 0:
            print("iteration %3d  residual %.2e  stopped without convergence" % (iteration, residual))
            manager.showMessage("Cooling loop stopped at iteration %d without convergence" % iteration)
            break


def main() -> None:
    varnex2_standin.reset()
    manager = vx.ISolverManager.instance()
    collection = manager.getEntityCollection()
    assert collection is not None
    show_run(manager)
    walk_model(collection)
    couple(manager, vx.EntityEditor(collection))
    print("== Messages shown")
    for kind, text in varnex2_standin.messages():
        print("  [%s] %s" % (kind, text))


if __name__ == "__main__":
    main()
