"""The plant of pi_controller.py for offline tests: the heat exchanger's hot-side outlet
temperature follows the pump speed with a lag and a dead time (0.02 K less per rpm, five
iterations' time constant, two iterations' delay), as the solver would compute it."""
from varnex2_standin import plants

plant = plants.Lag("Pump/Pump1/Speed", "HeatExchanger/HX1/HotSide/OutletTemperature",
                   gain=-0.02, time_constant=5.0, delay=2.0, offset=332.15)
