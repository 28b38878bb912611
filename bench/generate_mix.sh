#!/usr/bin/env bash
# Writes a definition file of LINES lines to standard output, the same on
# every machine: a Park-Miller generator (exact in awk's doubles) picks
# comments, blank lines, key lines of every mode, mouse words, macros of 2 to
# 8 steps and auxiliary inputs, after the PID and VID header lines. The
# number of key lines goes to KEYS_FILE (default: /dev/null).
#
# Usage: bench/generate_mix.sh LINES [KEYS_FILE] > FILE
set -euo pipefail
lines=${1:?usage: generate_mix.sh LINES [KEYS_FILE]}
keys_file=${2:-/dev/null}
awk -v total="$lines" -v keysFile="$keys_file" '
  function next_random(limit) { seed = (seed * 16807) % 2147483647; return seed % limit }
  function emit(text, isKey) { print text; ++count; keys += isKey }
  BEGIN {
    seed = 20240605
    emit("; generated definition file", 0); emit("PID=3103", 0); emit("VID=2C7E", 0)
    while (count < total) {
      kind = next_random(100); fs = next_random(9); code = next_random(256)
      if (kind < 5) emit("; switch " fs " is next", 0)
      else if (kind < 10) emit("", 0)
      else if (kind < 35) emit(sprintf("FS%d KEY STATE CODE=%02X SHIFT=%d", fs, code, kind % 2), 1)
      else if (kind < 40) emit(sprintf("fs%d key state code=mouse_left", fs), 1)
      else if (kind < 55) emit(sprintf("FS%d FRONT EDGE CODE=%02X CTRL=1", fs, code), 1)
      else if (kind < 65) emit(sprintf("FS%d REAR EDGE CODE=MOUSE_RIGHT", fs), 1)
      else if (kind < 90) {
        steps = 2 + next_random(7)
        for (s = 1; s < steps && count < total; ++s) {
          if (s == 3) emit(sprintf("FS%d KEY MACRO CODE=WAIT_A", fs), 1)
          else emit(sprintf("FS%d KEY MACRO CODE=%02X", fs, next_random(256)), 1)
        }
        if (count < total) emit(sprintf("FS%d KEY MACRO CODE=00   ; end of the macro", fs), 1)
      } else emit(sprintf("AUX%d KEY STATE CODE=%02X ALT=1 ; aux input", 9 + next_random(6), code), 1)
    }
    print keys > keysFile
  }'
