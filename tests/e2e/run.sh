#!/usr/bin/env bash
# Runs every end-to-end test script in turn against one cross build tree and
# adds up their results; each script brings up and tears down its own
# session. Also checks that the shipped executable needs only Windows DLLs.
# Usage: run.sh [BUILD-DIR]   (default build/win)
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build/win}" && pwd) || { echo "no build tree: ${1:-build/win}"; exit 2; }
passed=0 failed=0
out=$(mktemp) || exit 2
trap 'rm -f "$out"' EXIT

exe="$build/app/Korvo Idle v2 by qel.exe"
if "$here/check_exe.sh" "$exe" >"$out" 2>&1; then
  echo "ok - the executable imports only Windows DLLs"; passed=$((passed + 1))
else
  sed 's/^/# /' "$out"
  echo "not ok - the executable imports only Windows DLLs"; failed=$((failed + 1))
fi

for test in "$here"/*.sh; do
  case ${test##*/} in lib.sh | *_lib.sh | run.sh | check_exe.sh | bench*.sh) continue ;; esac
  echo "# ${test##*/}"
  bash "$test" "$build" | tee "$out"
  # A script that died before its summary counts as one failure.
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
