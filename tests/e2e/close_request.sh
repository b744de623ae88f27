#!/usr/bin/env bash
# A close request during the farewell, as a user sends it with Alt+F4 or
# the taskbar: the closing lines still go out, then the process ends with
# exit code 0. (A drag across a tick, under Wine's own move loop, is one of
# the shared scenarios: scenarios.sh.)
# Usage: close_request.sh [BUILD-DIR]
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/program_lib.sh"

e2e_require "$EXE" "$E2E_STANDIN" || session_abort "the program and the tools are built"
session_start || session_abort

entered_hex() { standin_hex "$1" enter Room1 entry; }

standin_start || session_abort "the stand-in starts"
e2e_start korvo "$EXE"
intro_click_through || session_abort "the intro window takes the clicks"
form_settled "$LOAD_CAPTION" 30000 || session_abort "the idle window appears"
read -r L T < <(win_origin "$LOAD_CAPTION")

CAPTION=$LOAD_CAPTION

# ---- a close request during the farewell ---------------------------------------------------

m=$(standin_mark)
jumped() { [[ $(win_origin "$CAPTION") != "$L $T" ]]; }
click_spot exit
wait_until 10000 jumped
probe close "$CAPTION" >/dev/null
check "the process ends" e2e_wait_exit korvo 30000
check_eq "with exit code 0" 0 "${E2E_STATUS:-none}"
check_eq "after the farewell's closing lines: title, then link" \
  "$(cp1252_hex "$TITLE_LINE") $(cp1252_hex "$LINK_LINE")" "$(entered_hex "$m" | tr '\n' ' ' | sed 's/ $//')"
standin_stop
e2e_finish
