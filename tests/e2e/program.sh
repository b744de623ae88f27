#!/usr/bin/env bash
# What needs the window manager: a drag on the idle window's title strip,
# with either button, is the window manager's move (real X input, which
# Wine hands over to it). Everything else the user and the room see is in
# the shared scenarios (tests/scenarios).
# Usage: program.sh [BUILD-DIR]
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/program_lib.sh"

e2e_require "$EXE" "$E2E_STANDIN" || session_abort "the program and the tools are built"
session_start || session_abort

rect_is() { [[ $(probe rect "$LOAD_CAPTION") == "$1" ]]; }
# drag_by BUTTON DX DY: a drag on the title strip moves the window with the
# pointer, and Windows has it there once the button is up.
drag_by() {
  local L T x y
  read -r L T < <(x_origin "$LOAD_CAPTION")
  read -r x y < <(spot title)
  drag "$x" "$y" "$2" "$3" "$1" x_origin "$LOAD_CAPTION" &&
    wait_until 5000 rect_is "$((L + $2)) $((T + $3)) $((L + $2 + 198)) $((T + $3 + 89))"
}

standin_start || session_abort "the stand-in starts"
e2e_start korvo "$EXE"
intro_click_through || session_abort "the intro window takes the clicks"
form_settled "$LOAD_CAPTION" 30000 || session_abort "the idle window appears"
check "a left-button drag on the title strip moves the window with the mouse" drag_by 1 60 40
check "a right-button drag moves it as well" drag_by 3 -50 30
read -r L T < <(x_origin "$LOAD_CAPTION")
click_spot exit
check "the farewell ends the process, after the drags" e2e_wait_exit korvo 30000
standin_stop
e2e_finish
