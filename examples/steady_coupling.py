"""A steady coupling script as the solver runs it: plain top-level code, run at the end of
every iteration (the solver's IterationEnd event), with nothing of the stand-in in it.

Each time it runs, it reads the run state and the solution control's residual, steers the
pump speed towards the speed that the residual asks for (relaxed, written at
Chronology_Next so that the next iteration uses it) and reports convergence once.
Module globals do not survive from one run to the next; what must persist lives in the
model (here the pump speed itself).

Offline, the stand-in's runner plays the solver:

    python -m varnex2_standin run steady_coupling.py --monitor Pump/Pump1/Speed --plot steady.png
"""
import Varnex2Python as vx

PUMP_SPEED = ("Pump", "Pump1", "Speed")
RESIDUAL = ("SolutionControl", "Solver", "Convergence/Residual")
TARGET_SPEED = 1600.0  # rpm, asked for once the residual is small
RELAXATION = 0.2

manager = vx.ISolverManager.instance()
editor = vx.StrictEntityEditor(manager)  # a mistyped type, name or path raises instead of reading 0.0

iteration = manager.getIteration()
residual = editor.getDoubleValue(*RESIDUAL)
speed = editor.getDoubleValue(*PUMP_SPEED)
# Far from convergence hold the speed; closer to it, move towards the target.
wanted = speed if residual > 1e-2 else TARGET_SPEED
editor.setDoubleValue(*PUMP_SPEED, speed + RELAXATION * (wanted - speed), vx.Chronology.Next)

if iteration % 10 == 0:
    manager.showInformational("iteration %d: residual %.2e, pump at %.1f rpm" % (iteration, residual, speed))
if manager.isConverged():
    manager.showMessage("converged at iteration %d with the pump at %.1f rpm" % (iteration, speed))
