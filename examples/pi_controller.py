"""A PI controller as the solver runs it: it holds the hot-side outlet temperature of the
heat exchanger at a set-point by steering the pump speed. Event functions, so its state
(the integral) lasts for the whole run; nothing of the stand-in in it.

The gains and the set-point are globals with defaults, so the same file runs in the solver
and offline with other values (``--define KP=30``):

    varnex2-standin run pi_controller.py --plant cooling_plant.py --iterations 60 \\
        --monitor HeatExchanger/HX1/HotSide/OutletTemperature Pump/Pump1/Speed --plot pi.png
"""
import Varnex2Python as vx

KP: float = globals().get("KP", 25.0)              # rpm per K of error
KI: float = globals().get("KI", 6.0)               # rpm per K of error and iteration
SETPOINT: float = globals().get("SETPOINT", 300.0)  # K
SPEED_RANGE = (500.0, 3000.0)               # rpm

manager = vx.ISolverManager.instance()
editor = vx.StrictEntityEditor(manager)
state = {"integral": 0.0, "base": 0.0}


def on_initialize() -> None:
    state["base"] = editor.getDoubleValue("Pump", "Pump1", "Speed")


def on_iteration_end() -> None:
    temperature = editor.getDoubleValue("HeatExchanger", "HX1", "HotSide/OutletTemperature")
    error = temperature - SETPOINT  # too hot: more flow
    wanted = state["base"] + KP * error + KI * (state["integral"] + error)
    speed = min(max(wanted, SPEED_RANGE[0]), SPEED_RANGE[1])
    if speed == wanted:  # no wind-up while the pump is at a limit
        state["integral"] += error
    editor.setDoubleValue("Pump", "Pump1", "Speed", speed)  # Chronology_Next: the next iteration uses it
    if manager.getIteration() % 10 == 0:
        manager.showInformational("iteration %d: %.2f K, pump at %.0f rpm" % (manager.getIteration(), temperature, speed))
