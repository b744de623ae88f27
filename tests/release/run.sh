#!/usr/bin/env bash
# Runs every release check (the executables as shipped, and the zip) against
# the two Windows builds and adds up their results. None needs Wine.
# Usage: run.sh X86-BUILD-DIR X64-BUILD-DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
passed=0 failed=0
out=$(mktemp) || exit 2
trap 'rm -f "$out"' EXIT
for test in "$here"/*.sh; do
  [[ ${test##*/} == run.sh ]] && continue
  echo "# ${test##*/}"
  bash "$test" "$1" "$2" | tee "$out"
  summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$out" | tail -n 1)
  if [[ -z $summary ]]; then
    echo "not ok - ${test##*/} ran to its summary"; failed=$((failed + 1))
    continue
  fi
  read -r p _ f _ <<<"$summary"
  passed=$((passed + p)) failed=$((failed + f))
done
echo "$passed passed, $failed failed"
(( failed == 0 ))
