#!/bin/sh
# Runs a program under valgrind's memcheck: an invalid read or write, a jump
# on uninitialised memory or a leak (definite, indirect or possible) makes
# the exit status 99, whatever the program returned.
# As CMAKE_CROSSCOMPILING_EMULATOR of a native build it goes in front of
# fsprog in the golden and the hostile cases (.ci/steps/30-hardening.sh):
#   cmake -S . -B build-valgrind -DCMAKE_CROSSCOMPILING_EMULATOR=$PWD/tests/hostile/valgrind.sh
exec valgrind --quiet --error-exitcode=99 --leak-check=full \
  --suppressions="$(dirname "$0")/valgrind.supp" \
  --show-leak-kinds=definite,indirect,possible --errors-for-leak-kinds=definite,indirect,possible \
  "$@"
