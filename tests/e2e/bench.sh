#!/usr/bin/env bash
# Runs every benchmark script against each Windows build that runs on this
# machine. They print figures and write them under build/bench/; none of
# them asserts.
# Usage: bench.sh X86-BUILD-DIR X64-BUILD-DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env.sh"
wine_env
declare -A build=([x86]=${1:-$here/../../build/win-x86} [x64]=${2:-$here/../../build/win-x64})
wine_env_says
status=0
for arch in $WINE_ARCHES; do
  dir=$(cd "${build[$arch]}" && pwd) || { echo "no build tree for $arch"; status=1; continue; }
  for bench in "$here"/bench_*.sh; do
    echo "# ${bench##*/} on the $arch build"
    bash "$bench" "$dir" || status=1
  done
done
exit $status
