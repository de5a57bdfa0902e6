#!/usr/bin/env bash
# Runs the demo: the unmodified coupling script examples/steady_coupling.py played by the
# stand-in's runner on its default model, with a progress bar, a CSV of the run and a plot;
# then the PI controller of examples/pi_controller.py in a closed loop with its plant.
# Installs only what the demo needs (the build tools, matplotlib and tqdm); scripts/test.sh
# adds the test and type-checking tools.
SETUP_GROUP=demo source "$(dirname "$0")/setup.sh"
echo "== building and installing the package into .venv39 (compiles the module: minutes the first time)"
install_package
OUT="$ROOT/build/demo"
mkdir -p "$OUT"
cd "$ROOT/examples"
echo "== running examples/steady_coupling.py with the stand-in's runner"
"$PY" -m varnex2_standin run steady_coupling.py --monitor Pump/Pump1/Speed \
  --csv "$OUT/steady.csv" --plot "$OUT/steady.png"
echo "== running examples/pi_controller.py in a closed loop with the plant of examples/cooling_plant.py"
"$PY" -m varnex2_standin run pi_controller.py --plant cooling_plant.py \
  --monitor HeatExchanger/HX1/HotSide/OutletTemperature Pump/Pump1/Speed \
  --setpoint HeatExchanger/HX1/HotSide/OutletTemperature=300 --csv "$OUT/pi.csv" --plot "$OUT/pi.png"
