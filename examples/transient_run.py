"""A transient run: the script gives every time step its own inlet temperature.

It loads a transient variant of the stand-in's default model (the run section changed:
transient, a 2 s time step over 10 s, at most 12 iterations per time step), sets the inlet
temperature of the first time step at once (Chronology_Current), and at the last iteration
of each time step reports the step and writes the next step's temperature at
Chronology_Next, which the solver applies when it moves on. varnex2_standin.step() stands
in for the solver.
"""
from typing import Any, Dict

import Varnex2Python as vx
import varnex2_standin

INLET = ("BoundaryCondition", "Inlet", "Temperature")
RESIDUAL = ("SolutionControl", "Solver", "Convergence/Residual")


def transient_model() -> Dict[str, Any]:
    model: Dict[str, Any] = varnex2_standin.dump_model()
    model["run"].update(transient=True, iteration=1, numberOfIterations=12, startTime=0.0, timeStep=2.0,
                        totalTime=10.0, residual=1.0, residualReduction=0.5, tolerance=1e-3)
    return model


def inlet_temperature(time: float) -> float:
    """A warm-up ramp of the inlet: 288.15 K at t = 0, 1.5 K more per second, at most 300 K."""
    return min(288.15 + 1.5 * time, 300.0)


def main() -> None:
    varnex2_standin.reset()
    varnex2_standin.load_model(transient_model())
    manager = vx.ISolverManager.instance()
    editor = vx.EntityEditor(manager)
    print("transient run: time step %g s, total time %g s, at most %d iterations per step" % (
        manager.getTimeStep(), manager.getTotalTime(), manager.getNumberOfIterations()))
    print("%6s %10s %12s %10s %12s" % ("time", "iterations", "residual", "inlet K", "next inlet K"))
    editor.setDoubleValue(*INLET, inlet_temperature(manager.getTime()), vx.Chronology_Current)
    first_iteration = manager.getIteration()
    while True:
        if manager.isLastIteration():
            time, last = manager.getTime(), manager.isLastTimeStep()
            next_inlet = "-"
            if not last:
                # Applies when the solver moves on to the next time step.
                editor.setDoubleValue(*INLET, inlet_temperature(time + manager.getTimeStep()))
                next_inlet = "%.2f" % editor.getDoubleValue(*INLET, vx.Chronology_Next)
            print("%6.1f %10d %12.2e %10.2f %12s" % (
                time, manager.getIteration() - first_iteration + 1, editor.getDoubleValue(*RESIDUAL),
                editor.getDoubleValue(*INLET), next_inlet))
            first_iteration = manager.getIteration() + 1
            if last:
                break
        if varnex2_standin.step() == 0:
            break
    manager.showInformational("transient run finished at t = %g s" % manager.getTime())
    print("finished at t = %g s after %d iterations in all" % (manager.getTime(), manager.getIteration()))


if __name__ == "__main__":
    main()
