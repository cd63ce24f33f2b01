#!/usr/bin/env bash
# The Windows route, run for real: builds the core modules, varnello-cli, every
# core test suite and the stand-in device library with MinGW-w64, runs the
# suites under Wine, then runs varnello-cli.exe against the stand-in library
# and compares its data file with the Linux build's on the same bench.
# Prints the count of Windows test cases and the time taken.
#
# A second run on the same machine rebuilds nothing that has not changed: the
# objects come from ccache (base folder = this source tree, so a fresh clone
# in another folder hits the same entries), and the Wine prefix is kept in the
# per-user cache (scripts/wine-env.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
start=$(date +%s)

VMF_WITH_WINE=1 scripts/deps.sh
. scripts/wine-env.sh

build=build/wine
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
else
  launcher=()
fi
if [ ! -f $build/build.ninja ]; then
  cmake -S . -B $build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DVMF_GUI=OFF -DVMF_TESTS=ON -DVMF_BENCH=OFF -DCMAKE_BUILD_TYPE=Release \
    -DVMF_GTEST_SOURCE=/usr/src/googletest -DCMAKE_EXE_LINKER_FLAGS=-static \
    "${launcher[@]}" >/dev/null
fi
# The prefix is created while the compiler runs.
vmf_wine_prefix &
prefix_job=$!
ninja -C $build -j2 all KVWinUSBIF
wait $prefix_job

results=$build/test-results
rm -rf $results && mkdir -p $results
failed=()
while read -r suite; do
  [ -n "$suite" ] || continue
  name=$(basename "$suite" .exe)
  # Each suite runs in a folder of its own.
  mkdir -p $results/$name
  # A suite that hangs must not hold CI up: ten minutes is far beyond any.
  if ! (cd $results/$name && env -u VMF_BENCH timeout 600 "$VMF_WINE64" "$suite" \
        --gtest_output="xml:Z:${PWD//\//\\}\\result.xml" >output.txt 2>&1); then
    failed+=("$name")
    cat $results/$name/output.txt | grep -E '^\[  FAILED|Failure|error' | head -20 >&2 || true
  fi
done < $build/core-tests.txt

# Sums the test cases of every suite's report.
python3 - "$results" <<'EOF'
import glob, sys, xml.etree.ElementTree as ET
run = passed = skipped = failed = 0
for f in glob.glob(sys.argv[1] + "/*/result.xml"):
    for case in ET.parse(f).getroot().iter("testcase"):
        if case.get("result") == "suppressed":
            continue
        run += 1
        if case.find("failure") is not None:
            failed += 1
        elif case.find("skipped") is not None or case.get("result") == "skipped":
            skipped += 1
        else:
            passed += 1
print(f"wine-check: Windows test cases run {run}, passed {passed}, "
      f"skipped {skipped}, failed {failed}")
EOF

# varnello-cli.exe through the stand-in library against the Linux build.
scripts/wine-cli-compare.sh "$build" || failed+=("varnello-cli comparison")

echo "wine-check: $(( $(date +%s) - start )) s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "wine-check: failed: ${failed[*]}" >&2
  exit 1
fi
