#!/usr/bin/env bash
# Fuzzes the readers of outside input (data file, its time-stamp trailer, the
# recovery journal, the coefficient list, the bench text) with libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer. Builds in build/fuzz with
# clang; each target runs VMF_FUZZ_SECONDS (default 30) from the checked-in
# seeds in tests/fuzz/corpus/<name>. New inputs go to a scratch corpus, so the
# checked-in one stays small. Fails on the first crash, leak or UB report.
set -euo pipefail
cd "$(dirname "$0")/.."
VMF_WITH_CLANG=1 scripts/deps.sh
seconds="${VMF_FUZZ_SECONDS:-30}"
targets=(datafile trailer journal coefficients bench)
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g"

cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$flags" \
  -DVMF_GUI=OFF -DVMF_TESTS=OFF -DVMF_BENCH=OFF -DVMF_FUZZ=ON -DVMF_WERROR=ON >/dev/null
ninja -C build/fuzz -j2 "${targets[@]/#/fuzz_}"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for t in "${targets[@]}"; do
  mkdir -p "$scratch/$t"
  echo "== fuzz_$t: ${seconds}s"
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "build/fuzz/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="build/fuzz/crash-$t-" "$scratch/$t" "tests/fuzz/corpus/$t" 2>&1 |
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|INFO: Running with|==[0-9]+==ERROR|SUMMARY)|runtime error" || true
  # libFuzzer's own exit status is lost in the pipe: a crash leaves an artifact.
  if ls build/fuzz/crash-"$t"-* >/dev/null 2>&1; then
    echo "fuzz_$t found a crash: $(ls build/fuzz/crash-"$t"-*)" >&2
    exit 1
  fi
done
