#!/usr/bin/env bash
# Compares one case of the VM's transcript with its expected section.
#
#   check-case.sh WORK CASE EXPECTED
#
# A section runs from its "== CASE" line to the next "== " line. Lines of
# EXPECTED that begin with "#" are comments, and its blank lines are left
# out (the transcript has none). Exit codes: 0 the section
# matches, 1 it differs or is missing, 77 the VM run was skipped.
set -euo pipefail

work=$1
name=$2
expected=$3

if [ -f "$work/skipped" ]; then
  cat "$work/skipped"
  exit 77
fi

# The lines of one section, read from standard input.
section() {
  awk -v header="== $name" '/^== / { inside = ($0 == header) } inside { print }'
}

want=$work/$name.expected
got=$work/$name.actual
sed -e '/^#/d' -e '/^$/d' "$expected" | section >"$want"
if [ ! -s "$want" ]; then
  echo "$expected has no section \"== $name\""
  exit 1
fi
if [ ! -f "$work/transcript.txt" ]; then
  echo "No transcript in $work: the VM has not run"
  exit 1
fi
section <"$work/transcript.txt" >"$got"
if ! cmp -s "$want" "$got"; then
  echo "Case $name: the VM's transcript differs from $expected"
  diff -u --label expected --label "VM transcript" "$want" "$got" || true
  exit 1
fi
cat "$got"
