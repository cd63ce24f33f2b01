#!/usr/bin/env bash
# Compiles the core library, the Windows device binding included, with the
# MinGW-w64 cross compiler: keeps the core portable to the target system.
# varnello_core is an interface target that gathers the modules, so the
# modules (vmf_*) are what gets built.
set -euo pipefail
cd "$(dirname "$0")/.."
VMF_WITH_MINGW=1 scripts/deps.sh
cmake -S . -B build/mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DVMF_GUI=OFF -DVMF_TESTS=OFF -DVMF_BENCH=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
modules=$(ninja -C build/mingw -t targets all | sed -n 's/^\(vmf_[A-Za-z0-9_]*\): phony$/\1/p' | sort -u)
if [ -z "$modules" ]; then
  echo "mingw-check: no core modules found" >&2
  exit 1
fi
# Keep going past a failing module so one run reports every module that breaks.
cmake --build build/mingw --target $modules -- -k 0
