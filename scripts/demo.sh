#!/usr/bin/env bash
# Runs the demo: a coupling script against the stand-in library's default model.
source "$(dirname "$0")/setup.sh"
install_package
cd "$ROOT/examples"
"$PY" demo.py
