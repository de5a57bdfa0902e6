"""A transient coupling script with event functions, as the solver runs it.

The solver executes the file once before the run; its globals then persist, and the
solver calls the function named after each event: ``on_initialize`` once,
``on_time_step_end`` at the end of every time step, ``on_finished`` at the end. The
script switches the heater on, gives every time step its own inlet temperature (a
warm-up ramp, written at Chronology_Next so that the solver applies it when it moves on)
and counts the time steps in a global.

Offline, with the transient model next to this file:

    python -m varnex2_standin run transient_coupling.py --model transient_loop.json \\
        --monitor BoundaryCondition/Inlet/Temperature --plot transient.png
"""
import Varnex2Python as vx

INLET = ("BoundaryCondition", "Inlet", "Temperature")
HEATER = ("HeatSource", "Heater")

manager = vx.ISolverManager.instance()
editor = vx.StrictEntityEditor(manager)
time_steps = 0  # persists between the events: the file is executed only once


def inlet_temperature(time: float) -> float:
    """The warm-up ramp: 288.15 K at t = 0, 1.2 K more per second, at most 300 K."""
    return min(288.15 + 1.2 * time, 300.0)


def on_initialize() -> None:
    editor.setBoolValue(*HEATER, "Enabled", True, vx.Chronology.Current)
    editor.setDoubleValue(*HEATER, "Power", 12.5, vx.Chronology.Current)
    editor.setDoubleValue(*INLET, inlet_temperature(manager.getTime()), vx.Chronology.Current)
    manager.showInformational("heater on, time step %g s up to %g s" % (manager.getTimeStep(), manager.getTotalTime()))


def on_time_step_end() -> None:
    global time_steps
    time_steps += 1
    time = manager.getTime()
    if not manager.isLastTimeStep():
        editor.setDoubleValue(*INLET, inlet_temperature(time + manager.getTimeStep()), vx.Chronology.Next)
    manager.showInformational("t = %4.1f s: inlet %.2f K, residual %.1e" % (
        time, editor.getDoubleValue(*INLET), editor.getDoubleValue("SolutionControl", "Solver", "Convergence/Residual")))


def on_finished() -> None:
    manager.showMessage("transient run finished at t = %g s after %d time steps" % (manager.getTime(), time_steps))
