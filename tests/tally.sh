# shellcheck shell=bash
# Adds up test runs (source it). Every test script speaks TAP: "ok - ..." and
# "not ok - ..." lines, "# SKIP" for what cannot run here, and its plan
# ("1..N") as its last line. A runner passes its scripts' results through,
# adds its own, and ends with one plan for them all, so that it is a TAP
# script in its turn. Perl's TAP::Parser reads the scripts' output, ctest's
# JUnit report a ctest run's totals.
#   tally NAME CMD [ARG...]   runs a TAP script, shows its output and adds its
#                             results; one whose plan is missing or wrong
#                             (it died on the way) is a failure
#   tally_ctest NAME DIR [ARG...]  runs ctest in a build folder and adds up
#                             its tests from ctest's own report: one result
#                             line for the run, its tests in the counts
#   tally_result ok|skip|"not ok" NAME [WHY]   one result of the runner's own
#   tally_finish              a summary of the counts and the plan; exits 1 on
#                             any failure

TALLY_PASSED=0
TALLY_FAILED=0
TALLY_SKIPPED=0
TALLY_LINES=0     # result lines in the stream, for the plan

tally() {
  local name=$1 out counts p f s good
  shift
  out=$(mktemp) || return 1
  # The script's own plan stays out of the runner's stream.
  "$@" | tee "$out" | grep --line-buffered -vE '^1\.\.[0-9]+'
  counts=$(perl -MTAP::Parser -e '
    local $/; my $p = TAP::Parser->new({ tap => scalar <STDIN> });
    1 while $p->next;
    printf "%d %d %d %d\n", scalar($p->passed) - scalar($p->skipped),
      scalar($p->failed), scalar($p->skipped), $p->is_good_plan ? 1 : 0;' <"$out")
  rm -f "$out"
  read -r p f s good <<<"$counts"
  TALLY_LINES=$((TALLY_LINES + p + f + s))
  TALLY_PASSED=$((TALLY_PASSED + p)) TALLY_FAILED=$((TALLY_FAILED + f)) TALLY_SKIPPED=$((TALLY_SKIPPED + s))
  [[ $good == 1 ]] || tally_result "not ok" "$name ran to the end of its plan"
}

tally_ctest() {
  local name=$1 dir=$2 xml counts total failed skipped
  shift 2
  xml=$(mktemp) || return 1
  ctest --test-dir "$dir" --output-on-failure --output-junit "$xml" "$@"
  # The report's own totals: tests, failures, and those that did not run.
  counts=$(python3 -c '
import sys, xml.etree.ElementTree as ET
s = ET.parse(sys.argv[1]).getroot()
print(s.get("tests"), s.get("failures"), int(s.get("skipped")) + int(s.get("disabled")))' "$xml" 2>/dev/null)
  rm -f "$xml"
  if [[ -z $counts ]]; then
    tally_result "not ok" "$name: ctest reported its tests"
    return
  fi
  read -r total failed skipped <<<"$counts"
  # One result line for the run; its tests go into the counts.
  TALLY_LINES=$((TALLY_LINES + 1))
  TALLY_PASSED=$((TALLY_PASSED + total - failed - skipped))
  TALLY_FAILED=$((TALLY_FAILED + failed)) TALLY_SKIPPED=$((TALLY_SKIPPED + skipped))
  if (( failed > 0 )); then
    echo "not ok - $name: $failed of $total ctest tests failed"
  else
    echo "ok - $name: $((total - skipped)) ctest tests passed, $skipped did not run"
  fi
}

tally_result() {
  TALLY_LINES=$((TALLY_LINES + 1))
  case $1 in
    ok) TALLY_PASSED=$((TALLY_PASSED + 1)); echo "ok - $2" ;;
    skip) TALLY_SKIPPED=$((TALLY_SKIPPED + 1)); echo "ok - $2 # SKIP ${3:-}" ;;
    *) TALLY_FAILED=$((TALLY_FAILED + 1)); echo "not ok - $2" ;;
  esac
}

tally_finish() {
  local skipped=
  (( TALLY_SKIPPED > 0 )) && skipped=", $TALLY_SKIPPED skipped"
  echo "# $TALLY_PASSED passed, $TALLY_FAILED failed$skipped"
  echo "1..$TALLY_LINES"
  exit $(( TALLY_FAILED > 0 ))
}
