#!/usr/bin/env bash
# The farewell on a 3840 x 2160 screen, where coordinates drawn from the
# screen width exceed 16 bits: it must still complete and end the process.
# Usage: wide_screen.sh [BUILD-DIR]
: "${E2E_SCREEN:=3840x2160x24}"
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/program_lib.sh"

e2e_require "$EXE" "$E2E_STANDIN" || session_abort "the program and the tools are built"
session_start || session_abort

standin_start || session_abort "the stand-in starts"
e2e_start korvo "$EXE"
wait_until 30000 form_visible "" || session_abort "the intro window appears"
read -r L T < <(win_origin class=KorvoForm)
check_eq "the intro window is centred on the wide screen" "1680 900" "$L $T"
intro_click_through || session_abort "the intro window takes the clicks"
{ wait_until 30000 form_visible "$LOAD_CAPTION" && form_settled "$LOAD_CAPTION"; } || session_abort "the idle window appears"
read -r L T < <(win_origin "$LOAD_CAPTION")

# The jumps are watched from outside: positions past 32,767 twips (2,184
# pixels) must occur, and none may lie past the screen width less 200 twips.
"$WINE" "$E2E_TOOLS/winprobe.exe" watch "title=$LOAD_CAPTION" 30000 1 >"$E2E_RUN/jumps.out" 2>/dev/null &
watcher=$!
wait_until 30000 grep -q '^ready' "$E2E_RUN/jumps.out" || session_abort "the watcher starts"
m=$(standin_mark)
click_spot exit
check "the farewell ends the process" e2e_wait_exit korvo 30000
check_eq "the process exits normally" 0 "${E2E_STATUS:-none}"
check_eq "the closing lines arrive: title, then link" \
  "$(cp1252_hex "$TITLE_LINE") $(cp1252_hex "$LINK_LINE")" \
  "$(standin_hex "$m" enter Room1 entry | tr '\n' ' ' | sed 's/ $//')"
wait_until 10000 pid_gone "$watcher"
read -r _ far_left far_top < <(grep '^farthest' "$E2E_RUN/jumps.out" | tr -d '\r')
e2e_note "farthest position seen: $far_left, $far_top"
check "jumps past 2,184 pixels happen" test "$(( far_left > 2184 || far_top > 2184 ))" = 1
check "and none past the screen width less 200 twips (3,826.7 pixels)" test "$(( far_left <= 3827 && far_top <= 3827 ))" = 1
standin_stop
e2e_finish
