#!/usr/bin/env bash
# Builds everything and runs every test. Usage: scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
VMF_WITH_MINGW=${VMF_WITH_MINGW:-0} scripts/deps.sh
. scripts/compiler-cache.sh
cmake --preset ci >/dev/null
cmake --build --preset ci
ctest --preset ci
