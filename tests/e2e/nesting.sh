#!/usr/bin/env bash
# Where handlers nest inside Wine's own modal loops, as a user meets them,
# with no window manager, so that Wine runs the move loop itself and ends it
# on the release that it takes from the program's queue: a drag across a
# minute tick ends at the release, and a close request during the farewell
# still lets the closing lines out before the process ends.
# Usage: nesting.sh [BUILD-DIR]
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/program_lib.sh"

e2e_require "$EXE" "$E2E_STANDIN" || session_abort "the program and the tools are built"
E2E_NO_WM=1 session_start || session_abort

rect_of() { local r; r=$(form_info "$1" | grep -oP 'rect=\K[-0-9,]+'); echo "${r//,/ }"; }
entered_hex() { standin_hex "$1" enter Room1 entry; }

standin_start || session_abort "the stand-in starts"
e2e_start korvo "$EXE"
wait_until 30000 form_visible "" || session_abort "the intro window appears"
read -r L T R B < <(rect_of "")
click $((L + 100)) $((T + 100))
wait_until 5000 button_shown || session_abort "the enter button appears"
click $((L + 336 + 60)) $((T + 304 + 12))
form_settled "$LOAD_CAPTION" 30000 || session_abort "the idle window appears"
read -r L T R B < <(rect_of "$LOAD_CAPTION")

# ---- a drag across the first tick ------------------------------------------------------

m=$(standin_mark)
click_spot start
standin_wait "$m" 10000 enter Room1 entry || session_abort "Start posts the on line"
on_ms=$(standin_events "$m" enter Room1 entry | head -n 1 | cut -f1)
# The tick comes a minute after the on line's 0.8 s pause. Pressed 0.4 s
# before it, moved 100, 50 px in 0.8 s, released inside the tick's pause;
# then the pointer goes on, 130, 65 px, with the button up.
e2e_note "waiting for the first tick, a minute"
wait_until 70000 log_clock_past $(( ${on_ms%.*} + 60800 - 400 ))
m=$(standin_mark)
read -r x y < <(spot title)
steps=(mousemove -- "$x" "$y" mousedown 1)
for _ in 1 2 3 4 5 6 7 8 9 10; do steps+=(sleep 0.08 mousemove_relative -- 10 5); done
steps+=(mouseup 1)
for _ in 1 2 3 4 5; do steps+=(sleep 0.1 mousemove_relative -- 26 13); done
xdotool "${steps[@]}"
CAPTION=$(tick_caption 1)
check "the tick inside the drag posts its line" standin_wait "$m" 10000 enter Room1 entry
check_eq "the minute line arrives whole" "$(cp1252_hex "$(minute_line 1)")" "$(entered_hex "$m")"
form_settled "$CAPTION" 5000
check_eq "the drag ended at the release: the window moved 100, 50 px and no more" \
  "$((L + 100)) $((T + 50)) $((R + 100)) $((B + 50))" "$(rect_of "$CAPTION")"
read -r L T R B < <(rect_of "$CAPTION")

# ---- a close request during the farewell ---------------------------------------------------

m=$(standin_mark)
jumped() { [[ $(rect_of "$CAPTION") != "$L $T $R $B" ]]; }
click_spot exit
wait_until 10000 jumped
probe close "$CAPTION" >/dev/null
check "the process ends" e2e_wait_exit korvo 30000
check_eq "with exit code 0" 0 "${E2E_STATUS:-none}"
check_eq "after the farewell's closing lines: title, then link" \
  "$(cp1252_hex "$TITLE_LINE") $(cp1252_hex "$LINK_LINE")" "$(entered_hex "$m" | tr '\n' ' ' | sed 's/ $//')"
standin_stop
e2e_finish
