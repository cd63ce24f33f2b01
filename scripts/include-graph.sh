#!/usr/bin/env bash
# Prints which source folder includes which: one line per pair of folders,
# "from -> to (n)", n being how many files of `from` include a header of `to`.
# Usage: scripts/include-graph.sh [FOLDER ...]   (default: src)
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -gt 0 ] || set -- src
grep -rEo --include='*.h' --include='*.cpp' '^#include "[a-z0-9_]+/' "$@" |
  sed -E 's@^[a-z]+/([a-z0-9_]+)/(.*):#include "([a-z0-9_]+)/$@\1 \3 \2@' |
  awk '$1 != $2' | sort -u |
  awk '{ n[$1 " -> " $2]++ } END { for (k in n) { split(k, p, " "); printf "%-12s -> %-12s (%d)\n", p[1], p[3], n[k] } }' |
  sort
