# shellcheck shell=bash
# One line per check and an exit status that ctest reads (source it):
#   check NAME CMD [ARG...]        "ok - NAME" when CMD succeeds, else "not ok - NAME"
#   check_eq NAME EXPECTED ACTUAL  and shows both when they differ
#   checks_done                    prints the counts; exits 1 on a failure
# A script may define on_failure, run after each failed check.

PASSED=0
FAILED=0

check() {
  local name=$1; shift
  if "$@"; then
    PASSED=$((PASSED + 1)); echo "ok - $name"
  else
    FAILED=$((FAILED + 1)); echo "not ok - $name"
    if declare -F on_failure >/dev/null; then on_failure; fi
  fi
  return 0
}

check_eq() {
  check "$1" test "$2" = "$3"
  [[ $2 == "$3" ]] || printf '# expected: %s\n# actual:   %s\n' "$2" "$3"
}

checks_done() {
  echo "# $PASSED checks passed, $FAILED failed"
  exit $(( FAILED > 0 ))
}
