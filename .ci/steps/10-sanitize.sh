#!/usr/bin/env bash
# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/ensure-packages.sh cmake make g++ libgtest-dev libgmock-dev time
cmake --preset sanitize
cmake --build --preset sanitize -j "$(nproc)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset sanitize -j "$(nproc)"
