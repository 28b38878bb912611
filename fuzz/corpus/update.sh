#!/usr/bin/env bash
# Rebuilds the checked-in seed corpus from the examples and the definition
# files of the golden test cases. Each seed is the file followed by the
# settings bytes that the fuzz target reads from the end of its input (see
# the comment at the top of each *_fuzzer.cpp), one seed per setting below.
set -euo pipefail
cd "$(dirname "$0")"
rm -f interpreter/* run/*
mkdir -p interpreter run

sources=(../../examples/*.txt ../../tests/cases/*.txt)

# interpreter: <start byte> <flags byte>
#   flags: 1 analysis, 2 carry the state over, 4 one single line,
#          (product << 3) with product 0 none, 1 3101, 2 3102, 3 3103
interpreter_settings=(
  "load:\x00\x02"
  "analysis:\x00\x03"
  "analysis_3101:\x00\x0b"
  "analysis_3102:\x00\x13"
  "analysis_3103:\x00\x1b"
  "fresh_state:\x05\x01"
  "one_line:\x00\x07"
)

# run: <fail point, 2 bytes> <read size> <faulty write> <flags>
#   flags: 1 analysis, 2 /t first, (fault << 2), (read fault << 5)
run_settings=(
  "analysis:\x00\x00\x00\x00\x01"
  "analysis_small_reads:\x00\x00\x07\x00\x03"
  "load:\x00\x00\x00\x00\x00"
  "load_small_reads:\x00\x00\x03\x00\x00"
  "load_no_hid_class:\x00\x00\x00\x00\x04"
  "load_no_device:\x00\x00\x00\x00\x08"
  "load_probe_fails:\x00\x00\x00\x00\x0c"
  "load_open_fails:\x00\x00\x00\x00\x10"
  "load_third_write_fails:\x00\x00\x00\x02\x14"
  "load_second_write_short:\x00\x00\x00\x01\x18"
  "load_unreadable:\x00\x00\x00\x00\xc0"
  "load_read_fails_at_100:\x64\x00\x10\x00\xe0"
)

for source in "${sources[@]}"; do
  name=$(basename "$source" .txt)
  [ "$name" = CMakeLists ] && continue
  for setting in "${interpreter_settings[@]}"; do
    { cat "$source"; printf '%b' "${setting#*:}"; } > "interpreter/${name}.${setting%%:*}"
  done
  for setting in "${run_settings[@]}"; do
    { cat "$source"; printf '%b' "${setting#*:}"; } > "run/${name}.${setting%%:*}"
  done
done
echo "$(ls interpreter | wc -l) interpreter seeds, $(ls run | wc -l) run seeds"
