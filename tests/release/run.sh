#!/usr/bin/env bash
# The release checks, none of which needs Wine: the shipped executables'
# headers and imports, two builds giving the same bytes, and the release zip.
# Adds up their results.
# Usage: run.sh X86-BUILD-DIR X64-BUILD-DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
exe="app/Korvo Idle v2 by qel.exe"
passed=0 failed=0
out=$(mktemp) || exit 2
trap 'rm -f "$out"' EXIT

# run_script SCRIPT [ARG...]
run_script() {
  echo "# ${1##*/}"
  bash "$@" | tee "$out"
  local summary p f
  summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$out" | tail -n 1)
  if [[ -z $summary ]]; then
    echo "not ok - ${1##*/} ran to its summary"; failed=$((failed + 1))
    return
  fi
  read -r p _ f _ <<<"$summary"
  passed=$((passed + p)) failed=$((failed + f))
}

run_script "$here/pe_check.sh" "$1/$exe" "$2/$exe"
run_script "$here/reproducible.sh" x86 x64
run_script "$here/dist.sh" "$1" "$2"
echo "$passed passed, $failed failed"
(( failed == 0 ))
