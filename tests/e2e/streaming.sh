#!/usr/bin/env bash
# The analysis streams its file: the peak memory of a run over a file of
# 2,000,000 lines (and one 20 MB line) is that of a run over a small file.
# Usage: streaming.sh FSPROG
set -euo pipefail
fsprog=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf 'PID=3102\nFS1 KEY STATE CODE=04\n' >"$work/small.txt"
# yes(1) ends on SIGPIPE when head has enough.
set +o pipefail
{
  echo "PID=3102"
  yes 'FS1 KEY STATE CODE=04 SHIFT=1' | head -n 1000000
  head -c 20000000 /dev/zero | tr '\0' 'x'
  echo
  yes 'FS2 KEY MACRO CODE=05' | head -n 1000000
} >"$work/big.txt"
set -o pipefail

peak_kib() {  # peak resident set of `fsprog FILE /t`, in KiB
  /usr/bin/time -f '%M' -o "$work/peak" "$fsprog" "$1" /t >/dev/null
  cat "$work/peak"
}
small=$(peak_kib "$work/small.txt")
big=$(peak_kib "$work/big.txt")
echo "peak resident memory: small file ${small} KiB, 2,000,001 lines ${big} KiB"
if [ "$big" -gt $((small + 1024)) ]; then
  echo "FAIL: memory grows with the file" >&2
  exit 1
fi
