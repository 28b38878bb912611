#!/usr/bin/env bash
# Builds fsprog and shows the analysis of the bundled example definition file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh cmake make g++ libgtest-dev libgmock-dev
cmake --preset default >/dev/null
cmake --build --preset default --target fsprog -j "$(nproc)"
echo "+ build/fsprog examples/TolvarCode.txt /t"
build/fsprog examples/TolvarCode.txt /t
