# shellcheck shell=bash
# Adds up test scripts that end with the line "N passed, M failed" (source
# it); tests/e2e/run.sh and tests/release/run.sh run their scripts with it.
#   tally NAME CMD [ARG...]   runs CMD, shows its output and adds its counts;
#                             one that dies before its summary is a failure
#   tally_result ok|skip|"not ok" NAME   one result line of the runner's own
#   tally_finish              the summary line; exits 1 on any failure

TALLY_PASSED=0
TALLY_FAILED=0
TALLY_SKIPPED=0

tally() {
  local name=$1 out summary p f
  shift
  out=$(mktemp) || return 1
  "$@" | tee "$out"
  summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$out" | tail -n 1)
  rm -f "$out"
  if [[ -z $summary ]]; then
    tally_result "not ok" "$name ran to its summary"
    return
  fi
  read -r p _ f _ <<<"$summary"
  TALLY_PASSED=$((TALLY_PASSED + p)) TALLY_FAILED=$((TALLY_FAILED + f))
}

tally_result() {
  case $1 in
    ok) TALLY_PASSED=$((TALLY_PASSED + 1)) ;;
    skip) TALLY_SKIPPED=$((TALLY_SKIPPED + 1)) ;;
    *) TALLY_FAILED=$((TALLY_FAILED + 1)) ;;
  esac
  echo "$1 - $2"
}

tally_finish() {
  local skipped=
  (( TALLY_SKIPPED > 0 )) && skipped=", $TALLY_SKIPPED skipped"
  echo "$TALLY_PASSED passed, $TALLY_FAILED failed$skipped"
  exit $(( TALLY_FAILED > 0 ))
}
