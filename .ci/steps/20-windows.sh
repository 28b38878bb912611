#!/usr/bin/env bash
# The Windows build: fsprog.exe and the tests cross-built with mingw-w64, and
# run under Wine (the unit suite, the golden cases and the Wine suite).
set -euo pipefail
cd "$(dirname "$0")/../.."
# Wine as tested: with its recommended libraries.
scripts/ensure-packages.sh cmake make g++-mingw-w64-x86-64
scripts/ensure-packages.sh --with-recommends wine
cmake --preset mingw
cmake --build --preset mingw -j "$(nproc)"
# The Wine prefix of the build tree first, alone (about 10 s for a new one):
# its virtual HID devices appear only once its first start has ended.
ctest --preset mingw -R '^wine\.prefix$'
ctest --preset mingw -j "$(nproc)"
