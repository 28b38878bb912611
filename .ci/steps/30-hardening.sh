#!/usr/bin/env bash
# Hardening and measurement, after the main suite (which runs the hostile-input
# table natively) and the sanitizer suite (10-sanitize.sh, which runs it with
# AddressSanitizer and UndefinedBehaviorSanitizer):
#  1. the libFuzzer targets, FSPROG_FUZZ_SECONDS (60) each, from the
#     checked-in seeds; any crash, broken contract, leak or timeout fails;
#  2. the built binary's end-to-end cases under valgrind: the golden cases,
#     the hostile-input table and the load cases against system trees;
#  3. the benchmarks, once, for their figures (nothing fails on a time).
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/ensure-packages.sh cmake make g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev \
  valgrind libbenchmark-dev time
jobs=2
fuzz_seconds=${FSPROG_FUZZ_SECONDS:-60}

echo "--- fuzzers, ${fuzz_seconds} s each"
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFSPROG_FUZZ=ON -DFSPROG_BUILD_TESTS=OFF -DFSPROG_WERROR=ON >/dev/null
cmake --build build-fuzz -j "$jobs" --target fsprog_fuzz_interpreter fsprog_fuzz_run
declare -A max_len=([interpreter]=4096 [run]=16384)
for target in interpreter run; do
  # New inputs go to the build tree; the checked-in seeds are only read.
  corpus=build-fuzz/corpus/$target
  artifacts=build-fuzz/findings/$target
  mkdir -p "$corpus" "$artifacts"
  log=build-fuzz/fuzz-$target.log
  if ! "build-fuzz/fuzz/fsprog_fuzz_$target" -max_total_time="$fuzz_seconds" -timeout=10 \
      -rss_limit_mb=2048 -max_len="${max_len[$target]}" -dict=fuzz/definition.dict \
      -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus" "fuzz/corpus/$target" \
      >"$log" 2>&1; then
    tail -n 80 "$log"
    echo "FAIL: fsprog_fuzz_$target found a fault; the input is in $artifacts" >&2
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$log" |
    sed "s/^/  $target: /"
done

echo "--- end-to-end cases under valgrind"
cmake -S . -B build-valgrind -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/tests/hostile/valgrind.sh" >/dev/null
cmake --build build-valgrind -j "$jobs" --target fsprog fsprog_hostile
ctest --test-dir build-valgrind -R '^(case\..*|hostile)$' --output-on-failure
# The load cases start fsprog themselves: they get a stand-in that runs it
# under valgrind. The usage screen names the program it was started as, so
# the stand-in names itself there, as the binary in its place would.
standin=$PWD/build-valgrind/fsprog-under-valgrind
cat >"$standin" <<EOF
#!/usr/bin/env bash
set -o pipefail
"$PWD/tests/hostile/valgrind.sh" "$PWD/build-valgrind/fsprog" "\$@" |
  sed "1s|^Usage : $PWD/build-valgrind/fsprog |Usage : \$0 |"
EOF
chmod +x "$standin"
load_cases=$(ctest --test-dir build-valgrind -N -R '^load\.' | sed -n 's/^ *Test *#[0-9]*: load\.//p')
[ -n "$load_cases" ] || { echo "FAIL: no load cases found" >&2; exit 1; }
for case_name in $load_cases; do
  bash tests/e2e/load_cases.sh "$standin" "$PWD" "$case_name" >/dev/null
  echo "  load.$case_name: passed under valgrind"
done

echo "--- benchmarks"
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFSPROG_BENCH=ON \
  -DFSPROG_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j "$jobs" --target fsprog fsprog_bench
build-bench/bench/fsprog_bench --benchmark_min_time=0.05
bench/whole_process.sh build-bench/fsprog
