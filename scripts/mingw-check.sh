#!/usr/bin/env bash
# Compiles the core library, the Windows device binding included, with the
# MinGW-w64 cross compiler: keeps the core portable to the target system.
set -euo pipefail
cd "$(dirname "$0")/.."
VMF_WITH_MINGW=1 scripts/deps.sh
cmake -S . -B build/mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DVMF_GUI=OFF -DVMF_TESTS=OFF -DVMF_BENCH=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/mingw --target varnello_core
