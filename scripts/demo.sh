#!/usr/bin/env bash
# Runs the demo: the unmodified coupling script examples/steady_coupling.py played by the
# stand-in's runner on its default model, with a progress bar, a CSV of the run and a plot.
source "$(dirname "$0")/setup.sh"
install_package
OUT="$ROOT/build/demo"
mkdir -p "$OUT"
cd "$ROOT/examples"
"$PY" -m varnex2_standin run steady_coupling.py --monitor Pump/Pump1/Speed \
  --csv "$OUT/steady.csv" --plot "$OUT/steady.png"
