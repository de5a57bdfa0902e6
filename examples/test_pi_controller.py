"""The PI controller tested offline with pytest: closed loop on the plant, settling within a
tolerance, and the same with other gains. Run with ``pytest examples/test_pi_controller.py``."""
from typing import Dict

import pytest
from varnex2_standin.testing import StandinFixture

TEMPERATURE = "HeatExchanger/HX1/HotSide/OutletTemperature"


@pytest.mark.parametrize("gains", [{}, {"KP": 35.0, "KI": 10.0}], ids=["default gains", "firmer gains"])
def test_the_loop_settles_at_the_set_point(varnex2_standin: StandinFixture, gains: Dict[str, float]) -> None:
    history = varnex2_standin.run("pi_controller.py", plant="cooling_plant.py", iterations=60,
                                  monitor=[TEMPERATURE, "Pump/Pump1/Speed"], define=gains)
    temperatures = history.column(TEMPERATURE)
    assert temperatures[0] == pytest.approx(303.15, abs=0.5)  # it starts away from the set-point
    assert all(t == pytest.approx(300.0, abs=0.05) for t in temperatures[-10:])


def test_a_warmer_set_point_needs_less_flow(varnex2_standin: StandinFixture) -> None:
    history = varnex2_standin.run("pi_controller.py", plant="cooling_plant.py", iterations=60,
                                  monitor="Pump/Pump1/Speed", define={"SETPOINT": 305.0})
    assert history.column("Pump/Pump1/Speed")[-1] == pytest.approx((332.15 - 305.0) / 0.02, rel=1e-3)
