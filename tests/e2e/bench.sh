#!/usr/bin/env bash
# Runs every benchmark script against one cross build tree. They print
# figures and write them under build/bench/; none of them asserts.
# Usage: bench.sh [BUILD-DIR]   (default build/win)
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build/win}" && pwd) || { echo "no build tree: ${1:-build/win}"; exit 2; }
status=0
for bench in "$here"/bench_*.sh; do
  echo "# ${bench##*/}"
  bash "$bench" "$build" || status=1
done
exit $status
