#!/usr/bin/env bash
# Builds fsprog with its tests and runs them all: unit tests, golden output
# cases and the end-to-end load cases against temporary system trees.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh cmake make g++ libgtest-dev libgmock-dev time
preset=${FSPROG_PRESET:-default}
cmake --preset "$preset"
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" -j "$(nproc)"
