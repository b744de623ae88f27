#!/usr/bin/env bash
# Runs the program beside the stand-in chat client under Wine.
# On a display: both open there and you use the program until you exit it.
# Without a display: plays a short scripted session on a virtual display
# (start, enter, switch on, switch off, exit), then prints the lines the room
# received and where the screenshots are.
# Runs the 32-bit build, of the chat client's own kind, where this machine
# can, else the 64-bit one.
# Usage: demo.sh X86-BUILD-DIR X64-BUILD-DIR
set -uo pipefail
. "$(dirname "$0")/wine-env.sh"
wine_env
if [[ " $WINE_ARCHES " == *" x86 "* ]]; then
  export E2E_BUILD=${1:-build/win-x86} arch="32-bit"
else
  export E2E_BUILD=${2:-build/win-x64} arch="64-bit"
  wine_env_says
fi
EXE="$E2E_BUILD/app/Korvo Idle v2 by qel.exe"
[[ -f $EXE ]] || { echo "not built: $EXE (run: make win)" >&2; exit 1; }
echo "Running the $arch build: $EXE"

print_lines() { # LOG: the lines the room received, from their Windows-1252 bytes
  echo "Lines the chat room received:"
  awk -F'\t' '$2 == "enter" { print $5 }' "$1" | while read -r hex; do
    printf '  %s\n' "$(printf '%b' "$(sed 's/../\\x&/g' <<<"$hex")" | iconv -f CP1252 -t UTF-8)"
  done
}

if [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1; then
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
  export WINEPREFIX=${WINEPREFIX:-$PWD/build/wpfx-run-$WINE_MODE}
  [[ -d $WINEPREFIX ]] || { echo "Preparing a Wine prefix in $WINEPREFIX ..."; "$WINE" wineboot -i >/dev/null 2>&1; }
  log=$PWD/build/demo-standin.log
  : >"$log"
  "$WINE" "$E2E_BUILD/tools/standin.exe" --log "Z:${log//\//\\}" &
  standin=$!
  echo "The stand-in chat client is open. Starting the program; click the picture, then ENTER."
  "$WINE" "$EXE"
  kill "$standin" 2>/dev/null
  wineserver -k 2>/dev/null
  print_lines "$log"
  exit 0
fi

# No display: a scripted session on Xvfb, with the end-to-end harness.
E2E_NAME=demo
# The harness takes its build from its first argument: the one chosen above.
. "$(dirname "$0")/../tests/e2e/lib.sh" "$E2E_BUILD"
. "$(dirname "$0")/../tests/e2e/program_lib.sh"
session_start || session_abort "the virtual display starts"
standin_start || session_abort "the stand-in starts"

shot() { local f; f=$(screenshot "$1") && echo "  $f"; }
enter_click() { shot 2-enter-button; click "$@"; }

echo "Screenshots:"
e2e_start korvo "$EXE"
wait_until 30000 form_visible "" || session_abort "the intro window appears"
shot 1-intro
intro_click_through enter_click || session_abort "the intro window takes the clicks"
{ wait_until 30000 form_visible "$LOAD_CAPTION" && form_settled "$LOAD_CAPTION"; } || session_abort "the idle window appears"
read -r L T < <(x_origin "$LOAD_CAPTION")
shot 3-idle-window
m=$(standin_mark)
click_spot start
standin_wait "$m" 10000 enter Room1 entry
# The switch turns on only after the on line's 0.8 s pause.
on_ms=$(standin_events "$m" enter Room1 entry | head -n 1 | cut -f1)
wait_until 10000 log_clock_past $(( ${on_ms%.*} + 1000 ))
m=$(standin_mark)
click_spot stop
standin_wait "$m" 10000 enter Room1 entry
shot 4-switched-on-and-off
click_spot exit
e2e_wait_exit korvo 30000
shot 5-after-exit
print_lines "$STANDIN_LOG"
standin_stop
session_stop
