# shellcheck shell=bash
# Shared harness of the end-to-end scripts (source it): one Xvfb on a free
# display, openbox, and one wineserver on a prefix made once and reused.
# Everything started here stops on exit, failure, time-out, Ctrl-C or a
# closed pipe; a run killed outright takes its display along, and the next
# run on its prefix ends the Wine server it left. Waits poll with deadlines.
# The build tree is the script's first argument (else E2E_BUILD); E2E_STANDIN,
# E2E_SCREEN, E2E_WINEPREFIX, E2E_ARTIFACTS, E2E_DISPLAY and E2E_NAME (the
# run's name in logs and screenshots) override defaults.

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
: "${E2E_NAME:=$(basename "$0" .sh)}"  # ctest names its runs
export -n E2E_NAME  # a script run by this one names itself
# A test script's first argument, when it is a directory, is the build tree.
if [[ -n ${1:-} && -d ${1:-} ]]; then E2E_BUILD=$(cd "$1" && pwd); fi
: "${E2E_BUILD:=$E2E_ROOT/build/win-x64}"
: "${E2E_TOOLS:=$E2E_BUILD/tools}"
: "${E2E_STANDIN:=$E2E_TOOLS/standin.exe}"
: "${E2E_SCREEN:=1024x768x24}"
. "$E2E_ROOT/scripts/wine-env.sh"
wine_env
# A prefix made by one mode lacks what the other needs (its 32-bit half).
: "${E2E_WINEPREFIX:=$E2E_ROOT/build/wpfx-e2e-$WINE_MODE}"
: "${E2E_ARTIFACTS:=$E2E_ROOT/build/e2e-artifacts}"

# NOTE: Wine takes the ANSI code page from the locale; pinned so every wine
# process agrees on Windows-1252 whatever the machine's locale.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
export WINEPREFIX=$E2E_WINEPREFIX

E2E_RUN=           # per-run scratch directory (logs, control files)
E2E_XVFB_PID=
E2E_WM_PID=
E2E_PROBE_PID=
E2E_LOCK_FD=
E2E_STOPPED=
declare -A E2E_PIDS=()

# ---- small utilities --------------------------------------------------------

now_ms() { local t=${EPOCHREALTIME//[.,]/}; echo $(( t / 1000 )); }

e2e_note() { printf '# %s\n' "$*"; }

# wait_until DEADLINE_MS CMD [ARG...]: runs CMD every 20 ms until it succeeds
# (returns 0) or the deadline passes (returns 1, after one last try).
wait_until() {
  local end=$(( $(now_ms) + $1 )); shift
  while :; do
    "$@" && return 0
    (( $(now_ms) < end )) || { "$@"; return; }
    sleep 0.02
  done
}

# exe_arch EXE: "x86" or "x64", from the file's header.
exe_arch() {
  case $(objdump -f "$1" 2>/dev/null) in
    *"file format pei-i386"*) echo x86 ;;
    *"file format pei-x86-64"*) echo x64 ;;
    *) echo unknown ;;
  esac
}

arch_bits() { if [[ $1 == x86 ]]; then echo 32-bit; else echo 64-bit; fi; }

# A Unix path as Wine sees it through drive Z:.
winpath() { local p; p=$(realpath -m -- "$1"); printf 'Z:%s' "${p//\//\\}"; }

# CPU time (user + system, ms) used so far by a Unix process, e.g. a wine
# program started with e2e_start (its pid is the Windows program itself).
proc_cpu_ms() {
  local s f
  s=$(<"/proc/$1/stat") || return 1
  # The name may hold blanks ("Korvo Idle v2 b"): split after its ")".
  read -ra f <<<"${s##*) }"
  # utime and stime, fields 14 and 15 of the whole line.
  echo $(( (f[11] + f[12]) * 1000 / $(getconf CLK_TCK) ))
}

# ---- checks -------------------------------------------------------------

. "$E2E_ROOT/tests/checks.sh"
# A failed check saves a screenshot.
on_failure() { [[ -z ${DISPLAY:-} || -z $E2E_XVFB_PID ]] || e2e_note "screenshot: $(screenshot "fail-$FAILED")"; }

# Ends the script: stops the session, prints the counts, exits 1 on failures.
e2e_finish() {
  session_stop
  checks_done
}

# For a setup step that cannot go on: counts one failure and finishes.
session_abort() {
  check "${1:-the test session starts}" false
  e2e_finish
}

# e2e_require FILE...: fails the run when a built file is missing.
e2e_require() {
  local f ok=0
  for f in "$@"; do
    [[ -f $f ]] || { e2e_note "missing $f (build: make win)"; ok=1; }
  done
  return $ok
}

# ---- session --------------------------------------------------------------

# _e2e_tied CMD [ARG...]: runs CMD in place of the calling (background)
# subshell, so that it ends when this shell does, however this shell ends.
_e2e_tied() { exec setpriv --pdeathsig TERM "$@"; }

# Xvfb takes a free display itself and writes its number once it accepts
# clients, so two runs starting side by side cannot race for one.
_e2e_start_xvfb() {
  local n=''
  mkfifo "$E2E_RUN/display" || return 1
  # NOTE: without -noreset the server resets whenever its last client leaves,
  # and a client connecting meanwhile is refused.
  _e2e_tied Xvfb ${E2E_DISPLAY:+":$E2E_DISPLAY"} -displayfd 3 -screen 0 "$E2E_SCREEN" -nolisten tcp \
    -noreset 3>"$E2E_RUN/display" >"$E2E_RUN/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  read -r -t 10 n <"$E2E_RUN/display"
  [[ -n $n ]] && { export DISPLAY=":$n"; return 0; }
  e2e_note "no display could be started: $(tr '\n' ' ' <"$E2E_RUN/xvfb.log")"
  return 1
}

_e2e_wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

_e2e_prefix() {
  local lock=$WINEPREFIX.lock owner='' fd
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Concurrent runs on one prefix would share one wineserver and kill each
  # other's programs: they take turns. The lock file names the run holding it.
  exec {fd}>>"$lock"
  if ! flock -n "$fd"; then
    read -r owner <"$lock"
    if [[ -z $owner ]] || ! kill -0 "$owner" 2>/dev/null; then
      # NOTE: Wine's server and services inherit the lock; a run killed
      # outright leaves them holding it. Ending that server frees it.
      e2e_note "ending the Wine server a killed run left on $WINEPREFIX"
      timeout 20 wineserver -k 2>/dev/null
    else
      e2e_note "waiting for run $owner to release $WINEPREFIX"
    fi
    flock -w 1800 "$fd" || { exec {fd}>&-; e2e_note "prefix $WINEPREFIX stays locked"; return 1; }
  fi
  E2E_LOCK_FD=$fd   # from here on this run owns the prefix and its server
  echo "$$" >"$lock"
  # A server left on this prefix would still run a killed run's programs.
  timeout 20 wineserver -k 2>/dev/null
  timeout 20 wineserver -w 2>/dev/null
  if [[ ! -f $WINEPREFIX/.e2e-ready ]]; then
    local t0; t0=$(now_ms)
    rm -rf "$WINEPREFIX"
    if ! { timeout 300 "$WINE" wineboot -i >"$E2E_RUN/wineboot.log" 2>&1 &&
           timeout 300 wineserver -w; }; then
      e2e_note "wineboot failed: $(tail -n 5 "$E2E_RUN/wineboot.log" | tr '\n' ' ')"
      return 1
    fi
    touch "$WINEPREFIX/.e2e-ready"
    e2e_note "created prefix $WINEPREFIX in $(( $(now_ms) - t0 )) ms"
  fi
  wineserver -p
}

# Starts Xvfb, openbox (unless E2E_NO_WM=1), the wineserver and the window probe. Returns 1 when
# any of them does not come up.
session_start() {
  local t0; t0=$(now_ms)
  E2E_STOPPED=
  mkdir -p "$E2E_ARTIFACTS"
  E2E_RUN=$(mktemp -d "${TMPDIR:-/tmp}/e2e-$E2E_NAME.XXXXXX") || return 1
  trap '_e2e_exit' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
  trap 'exit 141' PIPE
  _e2e_start_xvfb || return 1
  # E2E_NO_WM=1: no window manager, so that Wine runs its own move loop.
  if [[ -z ${E2E_NO_WM:-} ]]; then
    _e2e_tied openbox --sm-disable >"$E2E_RUN/openbox.log" 2>&1 &
    E2E_WM_PID=$!
    wait_until 10000 _e2e_wm_ready || {
      e2e_note "openbox did not start (alive: $(kill -0 "$E2E_WM_PID" 2>/dev/null && echo yes || echo no)):"
      e2e_note "$(cat "$E2E_RUN/openbox.log")"; return 1; }
  fi
  _e2e_prefix || return 1
  probe_start || return 1
  e2e_note "session on $DISPLAY ($E2E_SCREEN) ready in $(( $(now_ms) - t0 )) ms"
}

_e2e_exit() { [[ -n $E2E_STOPPED ]] || session_stop; }

# Stops everything the session started; safe to call twice.
session_stop() {
  [[ -n $E2E_STOPPED ]] && return 0
  E2E_STOPPED=1
  # Nothing may cut the cleanup short: not a second Ctrl-C, and not a write
  # to a closed pipe (the output, or a probe that died with its display).
  trap '' INT TERM HUP PIPE
  probe_stop
  if [[ -n $E2E_LOCK_FD ]]; then
    timeout 20 wineserver -k 2>/dev/null
    timeout 20 wineserver -w 2>/dev/null
  fi
  local name
  for name in "${!E2E_PIDS[@]}"; do
    kill "${E2E_PIDS[$name]}" 2>/dev/null; wait "${E2E_PIDS[$name]}" 2>/dev/null
  done
  E2E_PIDS=()
  [[ -n $E2E_WM_PID ]] && { kill "$E2E_WM_PID" 2>/dev/null; wait "$E2E_WM_PID" 2>/dev/null; }
  [[ -n $E2E_XVFB_PID ]] && { kill "$E2E_XVFB_PID" 2>/dev/null; wait "$E2E_XVFB_PID" 2>/dev/null; }
  E2E_WM_PID='' E2E_XVFB_PID=''
  if [[ -n $E2E_LOCK_FD ]]; then exec {E2E_LOCK_FD}>&-; E2E_LOCK_FD=; fi
  if [[ -n $E2E_RUN && -d $E2E_RUN ]]; then
    # Logs of a failed run stay for the post-mortem.
    if (( FAILED > 0 )); then
      mkdir -p "$E2E_ARTIFACTS/$E2E_NAME-logs" &&
        find "$E2E_RUN" -maxdepth 1 -type f -exec cp -t "$E2E_ARTIFACTS/$E2E_NAME-logs" {} +
    fi
    rm -rf "$E2E_RUN"
  fi
  return 0
}

# ---- screen and input -------------------------------------------------------

# screenshot NAME: saves the whole screen as build/e2e-artifacts/SCRIPT-NAME.png
# and prints the path.
screenshot() {
  local f="$E2E_ARTIFACTS/$E2E_NAME-$1.png"
  import -window root "$f" 2>/dev/null && printf '%s\n' "$f"
}

# NOTE: only XTEST input reaches Wine (xdotool without --window).
click() { xdotool mousemove -- "$1" "$2" click "${3:-1}"; }

# drag X Y DX DY BUTTON WHERE_CMD [ARG...]: presses BUTTON at X Y, waits until
# the window manager's move has begun (the window follows a one-pixel
# nudge), moves the pointer by DX DY and releases once the window has
# followed. True when the window ends DX DY from where it stood; WHERE_CMD
# prints its "LEFT TOP" as the window manager has it (Wine learns of the
# place only when the move ends).
drag() {
  local x=$1 y=$2 dx=$3 dy=$4 button=$5 start left top status=0
  shift 5
  start=$("$@") || return 1
  read -r left top <<<"$start"
  xdotool mousemove -- "$x" "$y" mousedown "$button"
  if ! wait_until 5000 _nudged "$x" "$y" "$start" "$@"; then
    e2e_note "the move did not begin: the window stays at $start"; status=1
  elif ! { xdotool mousemove -- $((x + dx)) $((y + dy)) &&
           wait_until 5000 _at "$((left + dx)) $((top + dy))" "$@"; }; then
    e2e_note "the window stopped at $("$@"), not at $((left + dx)) $((top + dy))"; status=1
  fi
  xdotool mouseup "$button"
  return $status
}
_nudged() {
  _NUDGE=$((_NUDGE % 2 + 1))
  xdotool mousemove -- $(($1 + _NUDGE)) "$2"
  [[ $("${@:4}") != "$3" ]]
}
_at() { [[ $("${@:2}") == "$1" ]]; }

# ---- programs -----------------------------------------------------------------

# e2e_start NAME EXE [ARG...]: starts a Windows program in the background; its
# output goes to $E2E_RUN/NAME.out and its pid (the program's own Unix
# process) to E2E_PIDS[NAME].
e2e_start() {
  local name=$1 exe=$2; shift 2
  "$WINE" "$exe" "$@" >"$E2E_RUN/$name.out" 2>&1 &
  E2E_PIDS[$name]=$!
}

e2e_running() { [[ -n ${E2E_PIDS[$1]:-} ]] && kill -0 "${E2E_PIDS[$1]}" 2>/dev/null; }

# e2e_wait_exit NAME DEADLINE_MS: waits for the program to end; its exit code
# then is in E2E_STATUS.
# shellcheck disable=SC2034 # read by the test scripts
E2E_STATUS=
e2e_wait_exit() {
  local pid=${E2E_PIDS[$1]:-}
  [[ -n $pid ]] || return 1
  wait_until "$2" pid_gone "$pid" || return 1
  wait "$pid" 2>/dev/null
  # shellcheck disable=SC2034 # read by the test scripts
  E2E_STATUS=$?
  unset "E2E_PIDS[$1]"
}
# pid_gone PID: the process has ended.
pid_gone() { ! kill -0 "$1" 2>/dev/null; }

# e2e_stop NAME: ends a program the hard way (prefer asking it to close).
e2e_stop() {
  local pid=${E2E_PIDS[$1]:-}
  [[ -n $pid ]] || return 0
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  unset "E2E_PIDS[$1]"
}

# ---- the window probe (winprobe.exe serve, behind two FIFOs) ------------------

# NOTE: plain fds on FIFOs rather than a bash coproc: a coproc's fds are closed
# in pipeline subshells, so `probe list | grep ...` could not reach it.
E2E_PROBE_W=
E2E_PROBE_R=

probe_start() {
  local exe="$E2E_TOOLS/winprobe.exe"
  e2e_require "$exe" || return 1
  rm -f "$E2E_RUN/probe.in" "$E2E_RUN/probe.out"
  mkfifo "$E2E_RUN/probe.in" "$E2E_RUN/probe.out" || return 1
  "$WINE" "$exe" serve <"$E2E_RUN/probe.in" >"$E2E_RUN/probe.out" 2>>"$E2E_RUN/winprobe.err" &
  E2E_PROBE_PID=$!
  # Opening a FIFO waits for the other end; the order matches the child's.
  exec {E2E_PROBE_W}>"$E2E_RUN/probe.in" {E2E_PROBE_R}<"$E2E_RUN/probe.out"
  # The first wine call of a session loads the prefix: give it time.
  E2E_PROBE_TIMEOUT=60 probe ping >/dev/null || { e2e_note "winprobe did not answer"; return 1; }
  # NOTE: the first program that needs Wine's desktop starts its process,
  # which keeps every file that program had open: a test program's output
  # pipe would keep its ctest waiting long after it ended. The probe needs
  # the desktop first.
  probe list >/dev/null || { e2e_note "winprobe could not list the windows"; return 1; }
}

probe_stop() {
  [[ -n ${E2E_PROBE_PID:-} ]] || return 0
  printf 'quit\n' 1>&"$E2E_PROBE_W" 2>/dev/null
  wait_until 3000 pid_gone "$E2E_PROBE_PID" || kill "$E2E_PROBE_PID" 2>/dev/null
  wait "$E2E_PROBE_PID" 2>/dev/null
  exec {E2E_PROBE_W}>&- {E2E_PROBE_R}<&-
  E2E_PROBE_PID='' E2E_PROBE_W='' E2E_PROBE_R=''
}

# probe COMMAND [ARG...]: one winprobe command (tools/README.md), answer on
# stdout; returns 1 when the answer is "error ...".
probe() {
  [[ -n ${E2E_PROBE_PID:-} ]] || { echo "error no-probe"; return 1; }
  # A write with no reader left would kill this shell with SIGPIPE.
  kill -0 "$E2E_PROBE_PID" 2>/dev/null || { echo "error probe-gone"; return 1; }
  [[ -f $E2E_RUN/probe.lost ]] && { _probe_resync || return 1; }
  local IFS=$'\t' line status=0
  local -a lines=()
  printf '%s\n' "$*" 1>&"$E2E_PROBE_W" || { echo "error probe-gone"; return 1; }
  # The whole answer is read before any of it is printed: a reader that stops
  # early (grep -q) must not leave the rest for the next question.
  while :; do
    if ! IFS= read -r -t "${E2E_PROBE_TIMEOUT:-30}" -u "$E2E_PROBE_R" line; then
      touch "$E2E_RUN/probe.lost"   # a late answer would answer the next question
      echo "error probe-timeout"; return 1
    fi
    [[ $line == . ]] && break
    lines+=("$line")
  done
  [[ ${lines[0]:-} == "error "* ]] && status=1
  (( ${#lines[@]} )) && printf '%s\n' "${lines[@]}"
  return $status
}

_probe_resync() {
  local line
  rm -f "$E2E_RUN/probe.lost"
  printf 'ping\n' 1>&"$E2E_PROBE_W" || return 1
  while IFS= read -r -t 30 -u "$E2E_PROBE_R" line; do
    [[ $line == pong ]] && { IFS= read -r -t 5 -u "$E2E_PROBE_R" line; return 0; }
  done
  echo "error probe-lost"; return 1
}

# win_origin NAME: "X Y", the top-left corner on screen of a top-level
# window (NAME as for probe); fails when there is none.
win_origin() { local r; r=$(probe rect "$1") || return 1; printf '%s\n' "${r% * *}"; }

# win_visible NAME: a visible top-level window of that exact title (or class).
win_visible() { probe info "$1" 2>/dev/null | grep -q $'\tvis=1\t'; }


# log_clock_past MS: the stand-in log's clock (winprobe's) has passed MS.
log_clock_past() { local c; c=$(probe clock) && (( ${c%.*} >= $1 )); }

# win_answers NAME MS: the window's thread handles a message within MS.
win_answers() { [[ $(probe probe "$1" "$2") == ok* ]]; }

# ---- the stand-in chat client ----------------------------------------------------

STANDIN_LOG=
STANDIN_CTL=

# standin_start [OPTION...]: starts standin.exe with a fresh log and control
# file in the run directory (stopping a stand-in still running) and waits
# until it has built its windows. Options as in tools/README.md (--decoys N,
# --single-richcntl, --no-room, --layout LIST, --typed TEXT,
# --hang-on-settext S, --geometry X,Y,W,H).
standin_start() {
  local exe=$E2E_STANDIN mark
  e2e_require "$exe" || return 1
  standin_stop
  STANDIN_LOG=$E2E_RUN/standin.log
  STANDIN_CTL=$E2E_RUN/standin.ctl
  # Each stand-in logs afresh (mark 0 is its start); earlier logs are kept
  # for the post-mortem as standin.1.log, standin.2.log, ...
  if [[ -s $STANDIN_LOG ]]; then
    local n=1
    while [[ -e $E2E_RUN/standin.$n.log ]]; do n=$((n + 1)); done
    mv "$STANDIN_LOG" "$E2E_RUN/standin.$n.log"
  fi
  : >"$STANDIN_CTL"
  : >"$STANDIN_LOG"
  mark=0
  e2e_start standin "$exe" --log "$(winpath "$STANDIN_LOG")" \
    --control "$(winpath "$STANDIN_CTL")" "$@"
  wait_until 30000 _standin_up_or_gone "$mark"
  standin_has "$mark" ready && return 0
  e2e_note "the stand-in did not start: $(tr '\n' ' ' < "$E2E_RUN/standin.out")"
  return 1
}
_standin_up_or_gone() { standin_has "$1" ready || ! e2e_running standin; }

# standin_stop: asks the stand-in to quit and waits for it; kills it if needed.
standin_stop() {
  e2e_running standin || return 0
  printf 'quit\n' >>"$STANDIN_CTL"
  e2e_wait_exit standin 10000 || e2e_stop standin
}

# standin_mark: the current length of the stand-in log; pass it to the
# functions below to look only at what was logged after it.
standin_mark() { if [[ -f $STANDIN_LOG ]]; then wc -l <"$STANDIN_LOG"; else echo 0; fi; }

# standin_events MARK EVENT [DOC [DETAIL]]: the matching records after MARK.
# EVENT, DOC and DETAIL are extended regexes matching the whole field
# ("settext|enter", "Decoy.*"); an empty or missing one matches anything.
# Record fields (tab-separated): time, event, document, detail, hex, text.
standin_events() {
  awk -F'\t' -v m="$1" -v e="$2" -v d="${3:-}" -v c="${4:-}" \
    'NR > m && $2 ~ ("^(" e ")$") && (d == "" || $3 ~ ("^(" d ")$")) &&
     (c == "" || $4 ~ ("^(" c ")$"))' "$STANDIN_LOG"
}

# standin_has MARK EVENT [DOC [DETAIL]]: true when such a record exists.
standin_has() { [[ -n $(standin_events "$@") ]]; }

# standin_count MARK EVENT [DOC [DETAIL]]
standin_count() { standin_events "$@" | wc -l; }

# standin_wait MARK DEADLINE_MS EVENT [DOC [DETAIL]]
standin_wait() { local m=$1 t=$2; shift 2; wait_until "$t" standin_has "$m" "$@"; }

# ---- GoogleTest programs run by ctest under Wine ------------------------------

# ctest_checks LABEL TEST: runs one ctest test of the build folder (a
# GoogleTest program, under Wine through scripts/wine.sh) on the session's
# display; what failed shows in its output.
ctest_checks() {
  check "$1: ctest passes $2" ctest --test-dir "$E2E_BUILD" -R "^$2\$" --output-on-failure
}
