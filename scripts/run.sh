#!/usr/bin/env bash
# Builds the application and starts it. Without the real device library the
# application runs on the simulated bench. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
. scripts/compiler-cache.sh
cmake --preset release >/dev/null
cmake --build --preset release --target varnello_mf
exec build/release/src/app/varnello_mf "$@"
