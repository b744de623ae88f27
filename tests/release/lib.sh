# shellcheck shell=bash
# Shared by the release checks (source it): one line per check, and an exit
# status that ctest reads.
#   check NAME CMD [ARG...]      ok when CMD succeeds
#   check_eq NAME EXPECTED ACTUAL
#   release_finish               prints the counts; exits 1 on a failure

RELEASE_PASSED=0
RELEASE_FAILED=0

check() {
  local name=$1; shift
  if "$@"; then
    RELEASE_PASSED=$((RELEASE_PASSED + 1)); echo "ok - $name"
  else
    RELEASE_FAILED=$((RELEASE_FAILED + 1)); echo "not ok - $name"
  fi
}

check_eq() {
  check "$1" test "$2" = "$3"
  [[ $2 == "$3" ]] || printf '# expected: %s\n# actual:   %s\n' "$2" "$3"
}

release_finish() {
  echo "# $RELEASE_PASSED checks passed, $RELEASE_FAILED failed"
  exit $(( RELEASE_FAILED > 0 ))
}
