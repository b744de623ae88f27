#!/usr/bin/env bash
# A run killed from outside leaves nothing behind, and the next one runs: the
# backend test's run is stopped partway as a time-out, Ctrl-C, a closed pipe
# and a hard kill would stop it, and then runs again to its end.
# Usage: interrupted.sh [BUILD-DIR]
. "$(dirname "$0")/lib.sh"

victim=$E2E_ROOT/tests/e2e/backend.sh
lock=$WINEPREFIX.lock
e2e_require "$E2E_BUILD/platform/win32/win32_backend_test.exe" || session_abort "the backend test is built"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/e2e-$E2E_NAME.XXXXXX") || session_abort "a scratch directory"
VICTIM_PID='' VICTIM_DISPLAY=''

# A run that a failed check left standing is stopped as a time-out would.
stop_victim() {
  kill -0 "${VICTIM_PID:-0}" 2>/dev/null || return 0
  kill -TERM -- "-$VICTIM_PID" 2>/dev/null
  wait_until 30000 pid_gone "$VICTIM_PID" || kill -KILL -- "-$VICTIM_PID" 2>/dev/null
}
trap 'stop_victim; rm -rf "$scratch"' EXIT

# victim_start HOW: starts a run of the backend test in a process group of
# its own, as a terminal would, and returns once its session is up. HOW
# "pipe": its output goes into a pipe whose reader is gone by then.
victim_start() {
  local out=$scratch/victim.out line fd
  : >"$out"
  if [[ $1 == pipe ]]; then
    rm -f "$scratch/pipe" && mkfifo "$scratch/pipe"
    # NOTE: a background job ignores SIGINT; Ctrl-C reaches a foreground one.
    setsid env --default-signal=INT bash "$victim" "$E2E_BUILD" >"$scratch/pipe" 2>&1 &
    VICTIM_PID=$!
    exec {fd}<"$scratch/pipe"
    while IFS= read -r -t 60 -u "$fd" line; do
      printf '%s\n' "$line" >>"$out"
      [[ $line == *'ready in'* ]] && break
    done
    exec {fd}<&-
  else
    setsid env --default-signal=INT bash "$victim" "$E2E_BUILD" >"$out" 2>&1 &
    VICTIM_PID=$!
    wait_until 60000 grep -q 'ready in' "$out"
  fi
  VICTIM_DISPLAY=$(grep -o -m 1 'session on :[0-9]*' "$out" | cut -d: -f2)
  [[ -n $VICTIM_DISPLAY ]]
}

prefix_free() { flock -n "$lock" true; }
display_gone() { [[ ! -e /tmp/.X$VICTIM_DISPLAY-lock ]]; }

for how in time-out Ctrl-C closed-pipe; do
  case $how in
    time-out) victim_start group && kill -TERM -- "-$VICTIM_PID" ;;  # as timeout(1) does
    Ctrl-C) victim_start group && kill -INT -- "-$VICTIM_PID" ;;
    closed-pipe) victim_start pipe ;;  # dies on its next line of output
  esac || {
    check "a run to stop by $how starts" false
    sed 's/^/# its output: /' "$scratch/victim.out"
    stop_victim
    continue
  }
  check "a run stopped by $how ends" wait_until 60000 pid_gone "$VICTIM_PID"
  check "a run stopped by $how leaves its prefix free" wait_until 10000 prefix_free
  check "a run stopped by $how leaves no display behind" wait_until 10000 display_gone
done

# Killed outright it can clean up nothing itself: its display goes with it,
# and the next run ends the Wine server it left holding the prefix.
if victim_start group; then
  { kill -KILL "$VICTIM_PID"; wait "$VICTIM_PID"; } 2>/dev/null
  check "a killed run leaves no display behind" wait_until 10000 display_gone
  timeout 120 bash "$victim" "$E2E_BUILD" >"$scratch/next.out" 2>&1
  check_eq "the run after a killed one completes" 0 "$?"
  check "it ended the Wine server the killed run left" grep -q 'ending the Wine server' "$scratch/next.out"
else
  check "a run to kill starts" false
  stop_victim
fi
check "the prefix is free at the end" prefix_free
e2e_finish
