#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite.
#   bash scripts/test.sh            the release build
#   bash scripts/test.sh asan       AddressSanitizer + UndefinedBehaviorSanitizer
#   bash scripts/test.sh tsan       ThreadSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
bash scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" -j "$(nproc)"
