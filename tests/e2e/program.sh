#!/usr/bin/env bash
# End-to-end test of the program's whole life under Wine, with real mouse
# clicks against the stand-in chat client: the intro window, the hand-over,
# the idle window's work (one real minute tick), and the farewell.
# Usage: program.sh [BUILD-DIR]
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/program_lib.sh"

e2e_require "$EXE" "$E2E_STANDIN" || session_abort "the program and the tools are built"
session_start || session_abort


# The visible form of the program; Form1 has an empty title.
form_rect() { form_info "$1" | grep -oP 'rect=\K[-0-9,]+'; }
form_flag() { form_info "$1" | grep -oP "\t$2=\K[01]"; }
entered() { standin_count "$1" enter Room1 entry; }
entered_hex() { standin_hex "$1" enter Room1 entry; }
msgbox_shown() { probe find-msgbox "$1" >/dev/null; }
window_exists() { probe find "$1" >/dev/null; }
rect_of() { local r; r=$(form_rect "$1"); echo "${r//,/ }"; }

# Screen and window geometry in pixels (15 twips each).
read -r SW SH < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')

# ---- the intro window ---------------------------------------------------------

standin_start || session_abort "the stand-in starts"
e2e_start korvo "$EXE"
wait_until 30000 form_visible "" || session_abort "the intro window appears"
read -r L T R B < <(rect_of "")
check_eq "the intro window is 480 x 360 pixels" "480 360" "$((R - L)) $((B - T))"
check_eq "the intro window starts centred" "$(( (SW - 480) / 2 )) $(( (SH - 360) / 2 ))" "$L $T"
check_eq "the intro window is topmost" 1 "$(form_flag "" topmost)"
check "the enter button is hidden at start" negate button_shown
check "the idle window does not exist yet" negate window_exists "$LOAD_CAPTION"
cp "$(screenshot intro)" "$E2E_ARTIFACTS/intro.png" 2>/dev/null

# The bottom strip below the label does nothing.
click $((L + 240)) $((B - 3))
check "a click in the bottom strip leaves the button hidden" negate wait_until 1000 button_shown
click_spot picture
check "a click on the picture shows the enter button" wait_until 5000 button_shown
click $((L + 200)) $((T + 150))
check "a second click leaves it shown" negate wait_until 1000 negate button_shown
cp "$(screenshot intro-button)" "$E2E_ARTIFACTS/intro-button.png" 2>/dev/null

# ---- the hand-over ----------------------------------------------------------------

m=$(standin_mark)
# The slide pumps no messages, so it is watched from outside: every change of
# the intro window's rect until it hides.
"$WINE" "$E2E_TOOLS/winprobe.exe" watch "class=KorvoForm" 30000 1 >"$E2E_RUN/slide.out" 2>/dev/null &
watcher=$!
wait_until 30000 grep -q '^ready' "$E2E_RUN/slide.out"
click_spot enter
# Watch the hand-over: Form1 must be gone before the first line arrives, and
# the idle window must be seen only after both lines.
lines_when_shown=-1 intro_seen_with_lines=0 end=$(( $(now_ms) + 60000 ))
while (( $(now_ms) < end )); do
  # Each pair of reads is ordered so that a change between them cannot fail
  # the check: the idle window seen first, then the lines counted; a line
  # counted first, then the intro window still seen.
  if form_visible "$LOAD_CAPTION"; then lines_when_shown=$(entered "$m"); break; fi
  if (( $(entered "$m") > 0 )) && form_visible ""; then intro_seen_with_lines=1; fi
done
wait_until 30000 pid_gone "$watcher"
form_settled "$LOAD_CAPTION"
moves=$(awk -F'\t' '$1 == "moves" { print $2 }' "$E2E_RUN/slide.out" | tr -d '\r')
check "the intro window is seen sliding (${moves:-0} of 214 moves seen)" test "${moves:-0}" -ge 20
hidden_intro() { probe list all | awk -F'\t' '/\tclass=KorvoForm\t/ && /\tvis=0\t/ && $NF == "title="'; }
IFS=, read -r x y _ < <(hidden_intro | grep -oP 'rect=\K[-0-9,]+')
# From the centre (272, 204) the slide ends 90 and 118 twips past it: 6 and 8 pixels.
check "the slide ends just right of and below the centre ($x $y)" \
  test "${x:-0}" -ge "$L" -a "${x:-0}" -le $((L + 12)) -a "${y:-0}" -ge "$T" -a "${y:-0}" -le $((T + 14))
check_eq "the idle window appears after both start-up lines arrived" 2 "$lines_when_shown"
check_eq "the intro window is hidden before any line arrives" 0 "$intro_seen_with_lines"
check_eq "the start-up lines: title, then link, byte for byte" \
  "$(cp1252_hex "$TITLE_LINE") $(cp1252_hex "$LINK_LINE")" "$(entered_hex "$m" | tr '\n' ' ' | sed 's/ $//')"
gap=$(standin_events "$m" enter Room1 entry | awk -F'\t' 'NR == 1 { a = $1 } NR == 2 { printf "%d", $1 - a }')
check "at least 0.6 s between the two start-up lines (${gap} ms)" test "${gap:-0}" -ge 600
read -r L T R B < <(rect_of "$LOAD_CAPTION")
check_eq "the idle window is 198 x 89 pixels" "198 89" "$((R - L)) $((B - T))"
cx=$(( (SW - 198) / 2 )) cy=$(( (SH - 89) / 2 ))
check "the idle window is centred ($L $T)" test $(( L - cx )) -ge 0 -a $(( L - cx )) -le 1 -a $(( T - cy )) -ge 0 -a $(( T - cy )) -le 1
check_eq "the idle window is topmost" 1 "$(form_flag "$LOAD_CAPTION" topmost)"
check "the intro window stays hidden" negate form_visible ""
cp "$(screenshot idle)" "$E2E_ARTIFACTS/idle.png" 2>/dev/null


# ---- on and off ---------------------------------------------------------------------

m=$(standin_mark)
click_spot stop
check "Stop while off shows its box" wait_until 10000 msgbox_shown "$APP_TITLE"
check_eq "the box says the idler is already off" "ERROR.   Koarvo idle is already deactivated." \
  "$(msgbox_text "$APP_TITLE")"
cp "$(screenshot box)" "$E2E_ARTIFACTS/box.png" 2>/dev/null
probe dismiss-msgbox "$APP_TITLE" >/dev/null
check "the box goes away" wait_until 10000 negate msgbox_shown "$APP_TITLE"
check_eq "nothing is posted for it" 0 "$(entered "$m")"

m=$(standin_mark)
click_spot start
check "Start posts the on line" standin_wait "$m" 10000 enter Room1 entry
check_eq "the on line arrives byte for byte" "$(cp1252_hex "$ON_LINE")" "$(entered_hex "$m")"
on_ms=$(standin_events "$m" enter Room1 entry | head -n 1 | cut -f1)

m=$(standin_mark)
check "a real minute later the first tick posts its line" standin_wait "$m" 75000 enter Room1 entry
check_eq "the minute line carries the count 1" "$(cp1252_hex "$BRAND [1 <b>M</b>in(s)]")" "$(entered_hex "$m")"
tick_ms=$(standin_events "$m" enter Room1 entry | head -n 1 | cut -f1)
check "the tick comes a minute after the on line's pause ($(( ${tick_ms%.*} - ${on_ms%.*} )) ms)" \
  test $(( ${tick_ms%.*} - ${on_ms%.*} )) -ge 60700
check "the caption shows the count" wait_until 5000 form_visible "$(tick_caption 1)"

m=$(standin_mark)
click_spot start
check "Start while on shows its box" wait_until 10000 msgbox_shown "$APP_TITLE"
check_eq "the box says the idler is already on" "ERROR.   Koarvo idle is already activated." \
  "$(msgbox_text "$APP_TITLE")"
probe dismiss-msgbox "$APP_TITLE" >/dev/null
wait_until 10000 negate msgbox_shown "$APP_TITLE"

click_spot stop
check "Stop posts the off line" standin_wait "$m" 10000 enter Room1 entry
check_eq "the off line arrives byte for byte" "$(cp1252_hex "$OFF_LINE")" "$(entered_hex "$m")"
# The counter resets only after Stop's pause: look at the caption after it.
off_ms=$(standin_events "$m" enter Room1 entry | head -n 1 | cut -f1)
wait_until 10000 log_clock_past $(( ${off_ms%.*} + 1000 ))
check "switching off leaves the caption at the last count" form_visible "$(tick_caption 1)"

# ---- drag, minimize -------------------------------------------------------------------

CAPTION=$(tick_caption 1)
moved_to() { [[ "$(rect_of "$CAPTION")" == "$1" ]]; }
drag_with() { # BUTTON DX DY
  local x y; read -r x y < <(spot title)
  drag "$x" "$y" "$2" "$3" "$1"
}
read -r L T R B < <(rect_of "$CAPTION")
drag_with 1 60 40
check "a left-button drag on the title strip moves the window with the mouse" \
  wait_until 5000 moved_to "$((L + 60)) $((T + 40)) $((R + 60)) $((B + 40))"
read -r L T R B < <(rect_of "$CAPTION")
drag_with 3 -50 30
check "a right-button drag moves it as well" \
  wait_until 5000 moved_to "$((L - 50)) $((T + 30)) $((R - 50)) $((B + 30))"
read -r L T R B < <(rect_of "$CAPTION")

click_spot minimize
iconic() { probe info "$CAPTION" | grep -q $'\ticonic=1\t'; }
check "the minimize spot minimizes the window" wait_until 5000 iconic
probe restore "$CAPTION" >/dev/null
check "the window comes back from the taskbar" wait_until 5000 negate iconic
wait_until 3000 moved_to "$L $T $R $B"

# ---- farewell --------------------------------------------------------------------------

m=$(standin_mark)
click_spot exit
check "the exit spot ends the process" e2e_wait_exit korvo 30000
check_eq "the process exits normally" 0 "${E2E_STATUS:-none}"
check_eq "the closing lines: title, then link" \
  "$(cp1252_hex "$TITLE_LINE") $(cp1252_hex "$LINK_LINE")" "$(entered_hex "$m" | tr '\n' ' ' | sed 's/ $//')"
check "no window of the program is left" negate window_exists "class=KorvoForm"
standin_stop

# ---- without a chat room -----------------------------------------------------------------

standin_start --no-room || session_abort "the stand-in starts without a room"
e2e_start korvo "$EXE"
intro_click_through || session_abort "the intro window takes the clicks"
check "without a room the idle window still appears" form_settled "$LOAD_CAPTION" 30000
check "and no box is shown" negate msgbox_shown "$APP_TITLE"
read -r L T < <(win_origin "$LOAD_CAPTION")
click_spot exit
check "without a room the farewell still ends the process" e2e_wait_exit korvo 30000
check_eq "nothing reached the client" 0 "$(standin_count 0 enter)"
standin_stop

e2e_finish
