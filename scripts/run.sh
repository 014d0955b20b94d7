#!/usr/bin/env bash
# Installs what is missing, builds and runs the program. Without arguments it runs the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target ocuvane ocv-camsim
if (($# == 0)); then set -- --demo; fi
exec build/release/app/ocuvane "$@"
