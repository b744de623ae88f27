#!/usr/bin/env bash
# Every test, as `make test` runs them, and one summary of them all: the unit
# tests (sanitized, as 32-bit x86 code, under Valgrind), the lint, the
# pictures, the release checks and the end-to-end suite. Goes on past a
# failure, so that one run shows them all; exits 1 when anything failed.
# Usage: run.sh (from the Makefile, after the installs)
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 2
. tests/tally.sh
: "${JOBS:=2}"

# stage NAME CMD [ARG...]: a step that passes or fails as a whole.
stage() {
  local name=$1 t0=$SECONDS
  shift
  echo "# $name"
  if "$@"; then tally_result ok "$name"; else tally_result "not ok" "$name"; fi
  echo "# $name took $((SECONDS - t0)) s"
}

# timed WHAT CMD [ARG...]: CMD, and how long it took.
timed() {
  local what=$1 t0=$SECONDS
  shift
  "$@"
  echo "# $what took $((SECONDS - t0)) s"
}

stage "the native build" make native
timed "the sanitized unit tests" tally_ctest "unit tests, sanitized" build/native -j"$JOBS"
stage "the 32-bit x86 unit build" make unit32 UNIT32_ARGS=--build-only
timed "the 32-bit x86 unit tests" tally_ctest "unit tests as 32-bit x86 code" build/unit-x86 -j"$JOBS"
stage "unit tests under Valgrind" make memcheck
stage "lint" make lint
stage "pictures" make pictures
stage "the Windows builds" make win
echo "# release checks"
timed "the release checks" tally "release checks" tests/release/run.sh build/win-x86 build/win-x64
echo "# end-to-end suite"
timed "the end-to-end suite" tally "end-to-end suite" tests/e2e/run.sh build/win-x86 build/win-x64
echo "# all of it took $((SECONDS / 60)) min $((SECONDS % 60)) s"
tally_finish
