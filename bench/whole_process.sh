#!/usr/bin/env bash
# Whole-process figures of the built fsprog:
#  - analysis: `fsprog FILE /t > /dev/null` over a generated definition file
#    of LINES lines (a realistic mix), RUNS times: median wall time, lines and
#    key lines per second, peak resident memory (/usr/bin/time -v); beside
#    it, on the same file in the same runs, `wc -l FILE` as the floor of
#    reading the file, and the ratio of the two;
#  - load: 1,000 key lines into a foot switch whose node is a regular file
#    (FSPROG_SYSROOT), RUNS times: the time beyond the 800 ms the channel
#    waits after opening the device, in all and per frame.
# It prints figures and never fails on them.
#
# Usage: bench/whole_process.sh [FSPROG [LINES [RUNS]]]
#   FSPROG defaults to build-bench/fsprog, an optimised build:
#     cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFSPROG_BENCH=ON
#     cmake --build build-bench -j2
set -euo pipefail
cd "$(dirname "$0")/.."
fsprog=$(realpath "${1:-build-bench/fsprog}")
lines=${2:-1000000}
runs=${3:-5}
[ -x "$fsprog" ] || { echo "no fsprog at $fsprog; build it first (see the header)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Times are taken from $EPOCHREALTIME (bash 5) in microseconds: reading it
# starts no process, which would add its own milliseconds to short runs.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# peak_kib FILE: the "Maximum resident set size" of a /usr/bin/time -v report.
peak_kib() { awk -F': ' '/Maximum resident set size/ { print $2 }' "$1"; }
# cpu_us FILE: user plus system time of a /usr/bin/time -v report.
cpu_us() { awk -F': ' '/(User|System) time \(seconds\)/ { t += $2 } END { printf "%.0f\n", t * 1e6 }' "$1"; }
seconds() { awk -v us="$1" 'BEGIN { printf "%.3f", us / 1e6 }'; }
per_second() { awk -v n="$1" -v us="$2" 'BEGIN { printf "%.0f", n / (us / 1e6) }'; }
# verdict VALUE OP LIMIT: "met" when VALUE OP LIMIT holds (OP is >= or <).
verdict() {
  if awk -v v="$1" -v op="$2" -v limit="$3" 'BEGIN { exit !(op == ">=" ? v >= limit : v < limit) }'; then
    echo met
  else
    echo MISSED
  fi
}

# --- Analysis ---------------------------------------------------------------
bench/generate_mix.sh "$lines" "$work/keys" >"$work/mix.txt"
key_lines=$(cat "$work/keys")
bytes=$(wc -c <"$work/mix.txt")
printf 'PID=3102\nFS1 KEY STATE CODE=04\n' >"$work/small.txt"

# One run of each first, so that every measured run reads from the page cache.
"$fsprog" "$work/mix.txt" /t >/dev/null
wc -l "$work/mix.txt" >/dev/null

: >"$work/fsprog_us"; : >"$work/wc_us"; : >"$work/peaks"; : >"$work/cpu_us"
for ((run = 0; run < runs; ++run)); do
  start=${EPOCHREALTIME//[.,]/}
  /usr/bin/time -v -o "$work/time.txt" "$fsprog" "$work/mix.txt" /t >/dev/null
  end=${EPOCHREALTIME//[.,]/}
  echo $((end - start)) >>"$work/fsprog_us"
  peak_kib "$work/time.txt" >>"$work/peaks"
  cpu_us "$work/time.txt" >>"$work/cpu_us"
  start=${EPOCHREALTIME//[.,]/}
  wc -l "$work/mix.txt" >/dev/null
  end=${EPOCHREALTIME//[.,]/}
  echo $((end - start)) >>"$work/wc_us"
done
/usr/bin/time -v -o "$work/time.txt" "$fsprog" "$work/small.txt" /t >/dev/null
small_peak=$(peak_kib "$work/time.txt")

fsprog_us=$(median <"$work/fsprog_us")
fastest_us=$(sort -n "$work/fsprog_us" | head -1)
cpu_median_us=$(median <"$work/cpu_us")
wc_us=$(median <"$work/wc_us")
peak=$(sort -n "$work/peaks" | tail -1)
lines_per_second=$(per_second "$lines" "$fsprog_us")
keys_per_second=$(per_second "$key_lines" "$fsprog_us")

echo "fsprog: $fsprog"
echo "Analysis of $lines lines ($key_lines key lines, $bytes bytes) to /dev/null, median of $runs runs"
echo "  fsprog FILE /t      $(seconds "$fsprog_us") s (fastest $(seconds "$fastest_us") s; CPU time $(seconds "$cpu_median_us") s)"
echo "  lines per second    $lines_per_second"
echo "  key lines per second $keys_per_second  (target >= 2000000: $(verdict "$keys_per_second" ">=" 2000000))"
echo "  peak resident       $peak KiB; for a 2-line file $small_peak KiB  (target < 4096 KiB: $(verdict "$peak" "<" 4096))"
echo "  wc -l FILE          $(seconds "$wc_us") s"
echo "  fsprog / wc -l      $(awk -v a="$fsprog_us" -v b="$wc_us" 'BEGIN { printf "%.1f", a / b }') times the floor of reading the file"

# --- Load ---------------------------------------------------------------------
# A foot switch 2C7E:3102 whose node is a regular file that keeps the frames.
root="$work/root"
mkdir -p "$root/sys/class/hidraw/hidraw0/device" "$root/dev"
printf 'DRIVER=hid-generic\nHID_ID=0003:00002C7E:00003102\nHID_NAME=foot switch\n' \
  >"$root/sys/class/hidraw/hidraw0/device/uevent"
{
  echo "PID=3102"
  for ((i = 0; i < 1000; ++i)); do
    printf 'FS%d KEY STATE CODE=%02X\n' $((i / 112)) $((i % 256))
  done
} >"$work/load.txt"

: >"$work/load_us"; : >"$work/start_us"
for ((run = 0; run < runs; ++run)); do
  : >"$root/dev/hidraw0"
  start=${EPOCHREALTIME//[.,]/}
  FSPROG_SYSROOT="$root" "$fsprog" "$work/load.txt" >/dev/null
  end=${EPOCHREALTIME//[.,]/}
  echo $((end - start)) >>"$work/load_us"
  # Start and exit alone: a load with nothing to send (no device, no wait).
  start=${EPOCHREALTIME//[.,]/}
  FSPROG_SYSROOT="$root" "$fsprog" /dev/null >/dev/null
  end=${EPOCHREALTIME//[.,]/}
  echo $((end - start)) >>"$work/start_us"
done
frames=$(($(wc -c <"$root/dev/hidraw0") / 8))
load_us=$(median <"$work/load_us")
start_us=$(median <"$work/start_us")
beyond_us=$((load_us - 800000))

echo "Load of 1000 key lines ($frames frames) into a regular file, median of $runs runs"
echo "  fsprog FILE         $(seconds "$load_us") s"
echo "  beyond the 800 ms   $(awk -v us="$beyond_us" 'BEGIN { printf "%.2f", us / 1e3 }') ms  (target < 5 ms: $(verdict "$beyond_us" "<" 5000))"
echo "  per frame           $(awk -v us="$beyond_us" -v f="$frames" 'BEGIN { printf "%.2f", us / f }') us"
echo "  of it, start and exit $(awk -v us="$start_us" 'BEGIN { printf "%.2f", us / 1e3 }') ms (a load that sends nothing);" \
  "the rest per frame $(awk -v us="$((beyond_us - start_us))" -v f="$frames" 'BEGIN { printf "%.2f", us / f }') us"
