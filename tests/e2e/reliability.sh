#!/usr/bin/env bash
# Reliability of the program under Wine, with real clicks, against a chat
# client that is missing, loses its room, hangs or exits, and under a burst of
# clicks with a minute tick in the middle. Every case checks that no line
# arrives garbled, that no Enter lands on text that did not arrive, that a
# lost line is lost silently, and that the program keeps answering. First,
# that it never runs a DLL planted beside it.
# One real minute tick (the burst needs it), so the run takes about 2 minutes.
# Usage: reliability.sh [BUILD-DIR]   (RELIABILITY_SEED=N repeats a burst)
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/program_lib.sh"

e2e_require "$EXE" "$E2E_STANDIN" || session_abort "the program and the tools are built"
session_start || session_abort

HEX_TITLE=$(cp1252_hex "$TITLE_LINE")
HEX_LINK=$(cp1252_hex "$LINK_LINE")
HEX_ON=$(cp1252_hex "$ON_LINE")
HEX_OFF=$(cp1252_hex "$OFF_LINE")
HEX_MIN1=$(cp1252_hex "$(minute_line 1)")
# The stand-in stays clear of both of the program's windows, so that a click
# meant for a minimized idle window hits the bare desktop.
STANDIN_AT=(--geometry "0,0,260,200")

# ---- the program's windows ------------------------------------------------------

IDLE=    # the idle window's handle, once it exists
idle_field() { probe info "$IDLE" | grep -oP "\\t$1=\\K[^\\t]*"; }
caption() { probe info "$IDLE" | grep -oP '\ttitle=\K.*'; }
iconic() { [[ $(idle_field iconic) == 1 ]]; }
shown_whole() { [[ $(idle_field vis) == 1 && $(idle_field iconic) == 0 ]]; }
answers() { win_answers "$IDLE" 2000; }
at_rect() { [[ $(idle_field rect) == "$1" ]]; }

# read_corner must run after anything that may have moved the window.
read_corner() { read -r L T < <(win_origin "$IDLE"); }

# Any dialog at all: the program's boxes, and a crash or runtime error box.
dialog_up() { probe list | grep -q $'\tclass=#32770\t'; }
box_up() { probe find-msgbox "$APP_TITLE" >/dev/null; }

# dismiss_box: prints the text of the program's box and dismisses it.
dismiss_box() {
  local text
  text=$(probe find-msgbox "$APP_TITLE") || return 1
  probe dismiss-msgbox "$APP_TITLE" >/dev/null
  wait_until 5000 negate box_up
  printf '%s\n' "$text"
}

# start_program [EXE]: starts the program (or a copy of it), clicks through
# the intro window and waits for the idle window. Fails as soon as a dialog
# shows.
start_program() {
  e2e_start korvo "${1:-$EXE}"
  intro_click_through || return 1
  wait_until 30000 _idle_or_dialog
  dialog_up && return 1
  IDLE=$(probe find "$LOAD_CAPTION") || return 1
  form_settled "$LOAD_CAPTION"
  read_corner
}
_idle_or_dialog() { form_visible "$LOAD_CAPTION" || dialog_up; }

# ---- switching on and off -------------------------------------------------------

# Start and Stop change the idler only after their 0.8 s pause, so a click in
# that pause is taken for the old state (Stop there shows "already
# deactivated", Start there posts its line once more). Nothing shows when the
# pause ends: the clicks below wait for it on the clock of the stand-in's log,
# and still repeat a click that a box refused.

BUSY_UNTIL=0   # log clock (ms) when the last click's pause is surely over
clock_ms() { local c; c=$(probe clock) || return 1; echo "${c%.*}"; }
settle() { wait_until 10000 log_clock_past "$BUSY_UNTIL"; }
# busy_for MS: the click just made keeps the program busy for up to MS.
busy_for() { BUSY_UNTIL=$(( $(clock_ms) + $1 )); }

# post_line SPOT HEX DOC: clicks SPOT until its line arrives in DOC.
# POSTED_HEX: what arrived.
POSTED_HEX=
post_line() {
  local spot=$1 hex=$2 doc=$3 m at
  POSTED_HEX=
  for _ in 1 2 3; do
    settle
    m=$(standin_mark)
    click_spot "$spot"
    wait_until 10000 _line_or_box "$m" "$doc" || return 1
    if standin_has "$m" enter "$doc" entry; then
      at=$(standin_events "$m" enter "$doc" entry | tail -n 1 | cut -f1)
      BUSY_UNTIL=$(( ${at%.*} + 1000 ))
      POSTED_HEX=$(standin_hex "$m" enter "$doc" entry | tail -n 1)
      [[ $POSTED_HEX == "$hex" ]]; return
    fi
    dismiss_box >/dev/null
    busy_for 1000
  done
  return 1
}
_line_or_box() { standin_has "$1" enter "$2" entry || box_up; }

# lost_click SPOT: a click whose line goes nowhere (no client or no room).
lost_click() { settle; click_spot "$1"; busy_for 1000; }

# refusal SPOT: clicks SPOT until the program refuses it with its box, and
# dismisses the box. REFUSAL: the box's text.
REFUSAL=
refusal() {
  REFUSAL=
  for _ in 1 2 3; do
    settle
    click_spot "$1"
    if wait_until 3000 box_up; then REFUSAL=$(dismiss_box); return; fi
    busy_for 1000
  done
  return 1
}

# ---- a DLL planted beside the program -------------------------------------------

# Started from a Downloads folder where another download left a DLL named
# after one that is loaded at run time, when the first window is made (the
# theme's): the program takes the system's copy and works, and the planted
# one never runs. It would leave a file beside itself.
# NOTE: Wine prefers its builtin DLL to one found beside the program; with
# native first, the search order alone decides, as on Windows.
e2e_note "a uxtheme.dll planted beside the program"
downloads=$E2E_RUN/Downloads ran=$E2E_RUN/Downloads/uxtheme.dll.ran
mkdir -p "$downloads"
cp "$EXE" "$E2E_TOOLS/minimal.exe" "$downloads/"
cp "$E2E_TOOLS/planted.dll" "$downloads/uxtheme.dll"
native_first="$WINEDLLOVERRIDES;uxtheme=n,b"
# Beside a program that leaves the search alone, it runs: else this case
# would prove nothing.
WINEDLLOVERRIDES=$native_first e2e_start minimal "$downloads/minimal.exe"
check "the planted DLL runs beside a program that leaves the DLL search alone" \
  wait_until 30000 test -e "$ran"
probe close MinimalWindow >/dev/null
e2e_wait_exit minimal 10000 || e2e_stop minimal
rm -f "$ran"
standin_start "${STANDIN_AT[@]}" || session_abort "the stand-in starts"
m=$(standin_mark)
WINEDLLOVERRIDES=$native_first start_program "$downloads/${EXE##*/}" ||
  session_abort "the program from that folder hands over to the idle window"
click_spot exit
check "the program from that folder works to its farewell's end" e2e_wait_exit korvo 30000
check_eq "its four lines reached the room" "$HEX_TITLE $HEX_LINK $HEX_TITLE $HEX_LINK" \
  "$(standin_hex "$m" enter Room1 entry | paste -sd' ')"
check "the planted DLL never ran in it" test ! -e "$ran"

# ---- another program's "RICHCNTL" windows, and no client ---------------------------

# Looking for the entry line under no room would search the top-level windows
# and find these two.
e2e_note "no client, another program with two top-level RICHCNTL windows"
standin_start --stray-richcntl 2 "${STANDIN_AT[@]}" || session_abort "the other program starts"
m=$(standin_mark)
start_program || session_abort "the program hands over to the idle window"
click_spot exit
check "the farewell ends the program" e2e_wait_exit korvo 30000
check_eq "with exit code 0" 0 "$E2E_STATUS"
check_eq "nothing reached the other program's windows, at start or at the farewell" "" \
  "$(standin_events "$m" 'settext|char|enter' 'Stray.*')"
check "no dialog showed" _e2e_not dialog_up
standin_stop

# ---- a: no chat client at start --------------------------------------------------

e2e_note "no chat client when the program starts"
start_program || session_abort "the program hands over to the idle window without a client, and no box shows"
check "without a client the hand-over ends in the idle window, with no box" _e2e_not dialog_up
lost_click start
refusal start
check_eq "Start posts into the void and switches on: only the already-on box follows" \
  "$ALREADY_ON" "$REFUSAL"
check "no other dialog showed" _e2e_not dialog_up
check "the idle window answers" answers

standin_start "${STANDIN_AT[@]}" || session_abort "the stand-in starts"
check "once the client runs, Stop's line arrives in its room" post_line stop "$HEX_OFF" Room1
check_eq "byte for byte" "$HEX_OFF" "$POSTED_HEX"
check "and so does Start's" post_line start "$HEX_ON" Room1
check_eq "byte for byte" "$HEX_ON" "$POSTED_HEX"

# ---- b: the room closes and opens again while the idler is on --------------------

e2e_note "the room closes and opens again"
standin_cmd close-room || session_abort "the stand-in closes its room"
m=$(standin_mark)
lost_click stop
refusal stop
check_eq "Stop with the room closed switches off: the already-off box follows" \
  "$ALREADY_OFF" "$REFUSAL"
check_eq "its line went nowhere" "" "$(standin_events "$m" 'settext|enter|char')"
check "and no other dialog showed" _e2e_not dialog_up
check "the idle window answers" answers
standin_cmd open-room || session_abort "the stand-in opens a new room"
check "the new room is found: Start's line arrives there" post_line start "$HEX_ON" Room2
check_eq "byte for byte" "$HEX_ON" "$POSTED_HEX"
refusal start
check_eq "the idler is on" "$ALREADY_ON" "$REFUSAL"

# ---- d: the client hangs in the middle of a line ---------------------------------

e2e_note "the client hangs on the text for 20 s"
standin_cmd arm-hang 20 || session_abort "the stand-in arms its hang"
m=$(standin_mark)
settle
click_spot stop
busy_for 4000    # the bounded wait, then the pause
check "Stop's text reaches the client, which hangs on it" standin_wait "$m" 10000 hang-begin
check_eq "the text is whole" "$HEX_OFF" "$(standin_hex "$m" settext Room2 entry)"
# Sampled over 6 s: through the program's bounded wait (3 s) and beyond. The
# minimize click waits in the queue until the program gives up on the client.
click_spot minimize
probes=() end=$(( $(now_ms) + 6000 ))
while (( $(now_ms) < end )); do
  probes+=("$(probe probe "$IDLE" 2000 | cut -d' ' -f1)")
  sleep 0.5
done
check_eq "the idle window answers throughout (${#probes[@]} bounded probes)" \
  "ok" "$(printf '%s\n' "${probes[@]}" | sort -u | tr '\n' ' ' | sed 's/ $//')"
check "it handles a click while the client still hangs (minimize)" wait_until 10000 iconic
check "the client was still hanging then" _e2e_not standin_has "$m" hang-end
probe restore "$IDLE" >/dev/null
wait_until 5000 shown_whole
read_corner
check "the client recovers" standin_wait "$m" 30000 hang-end
# Anything still queued for the client is handled before this answer.
win_answers "Stand-in chat client" 5000
check_eq "no Enter landed on the text the program gave up on" 0 "$(standin_count "$m" 'enter|char')"
check "no dialog showed" _e2e_not dialog_up
check "posting works again: Start's line arrives" post_line start "$HEX_ON" Room2
check_eq "byte for byte" "$HEX_ON" "$POSTED_HEX"
check_eq "and it is the only line sent since the hang" "$HEX_ON" "$(standin_hex "$m" enter)"
# The timer runs from the end of Start's pause.
tick_due=$(( $(now_ms) + 60800 ))

# ---- e: a burst of clicks with the minute tick in the middle ---------------------

e2e_note "a burst of 200 clicks around the first minute tick"
check_eq "the caption still shows the load count" "$LOAD_CAPTION" "$(caption)"
seed=${RELIABILITY_SEED:-$RANDOM}
RANDOM=$seed
e2e_note "burst seed $seed (RELIABILITY_SEED=$seed repeats it)"
# Idle until shortly before the tick, checking now and then that it answers.
slow=0
while (( $(now_ms) < tick_due - 3000 )); do answers || slow=$((slow + 1)); sleep 1; done
check_eq "the idle window answers while it idles" 0 "$slow"

# Rounds of ten clicks at machine speed, a minimize only last (the clicks
# after it would hit the desktop). Stop stays out of the rounds before the
# tick is due, so that no switch-off cancels it. A press on the title strip
# hands the window to the window manager, which then moves it with the
# pointer until the next click and swallows that click: so the strip gets a
# real drag every fourth round instead, which must move the window exactly.
take_boxes() { while box_up; do boxes+=("$(dismiss_box)"); done; }
restore_idle() { iconic && { probe restore "$IDLE" >/dev/null; wait_until 5000 shown_whole; }; read_corner; }
title_drag() {
  local x y want
  read_corner
  read -r x y < <(spot title)
  want="$((L + $1)),$T,$((L + $1 + 198)),$((T + 89))"
  drag "$x" "$y" "$1" 0
  wait_until 3000 at_rect "$want"
}
m=$(standin_mark)
clicks=0 round=0 tick_round=0 drags=0 drags_ok=0 dx=40
boxes=()
while (( clicks < 200 )) && e2e_running korvo; do
  round=$((round + 1))
  cmd=() minimized=
  n=$(( 200 - clicks < 10 ? 200 - clicks : 10 ))
  for (( i = 0; i < n; i++ )); do
    if (( i == n - 1 && RANDOM % 3 == 0 )); then
      target=minimize minimized=1
    elif (( $(now_ms) < tick_due - 300 )); then
      target=start
    elif (( RANDOM % 2 )); then
      target=start
    else
      target=stop
    fi
    read -r x y < <(spot "$target")
    cmd+=(mousemove -- "$x" "$y" click --delay 0 1)
  done
  xdotool "${cmd[@]}"
  clicks=$((clicks + n))
  # A box comes some 100 ms after its click; dismissed as they come.
  wait_until 300 box_up && take_boxes
  [[ -n $minimized ]] && wait_until 500 iconic
  restore_idle
  (( tick_round == 0 )) && standin_hex "$m" enter Room2 entry | grep -qx "$HEX_MIN1" &&
    tick_round=$round
  if (( round % 4 == 0 && clicks < 200 )); then
    drags=$((drags + 1)) clicks=$((clicks + 1))
    # A box from a late click may have eaten the press: once more then.
    if title_drag "$dx" || { take_boxes; restore_idle; title_drag "$dx"; }; then
      drags_ok=$((drags_ok + 1)) dx=$(( -dx ))
    fi
    read_corner
  fi
done
rounds=$round
e2e_note "burst: $clicks clicks in $rounds rounds and $drags drags, ${#boxes[@]} boxes"

# Nested pauses unwind; wait until the client has heard nothing for 2 s.
_quiet() {
  take_boxes
  restore_idle
  local n; n=$(standin_mark)
  if [[ $n != "$_quiet_n" ]]; then _quiet_n=$n _quiet_t=$(now_ms); return 1; fi
  (( $(now_ms) - _quiet_t >= 2000 )) && ! box_up
}
_quiet_n=-1 _quiet_t=0
wait_until 60000 _quiet
check "the program survives the burst" e2e_running korvo
check "and answers the bounded probe after it" answers
check_eq "every box was one of the program's two" "" \
  "$(printf '%s\n' "${boxes[@]}" | grep -vxF -e "$ALREADY_ON" -e "$ALREADY_OFF")"
check "no other dialog showed" _e2e_not dialog_up
check_eq "each title-strip drag moved the window exactly" "$drags" "$drags_ok"
sent=$(standin_hex "$m" settext)
entered=$(standin_hex "$m" enter)
e2e_note "lines during the burst: $(grep -c . <<<"$entered") ($(grep -cx "$HEX_ON" <<<"$entered") on, $(grep -cx "$HEX_OFF" <<<"$entered") off)"
check_eq "every line that arrived is whole: on, off or minute line 1" "" \
  "$(grep -vx -e "$HEX_ON" -e "$HEX_OFF" -e "$HEX_MIN1" <<<"$entered")"
check_eq "each text got exactly its own Enter" "$sent" "$entered"
check_eq "no other keys reached the client" 0 "$(standin_count "$m" char)"
check_eq "the tick posted once" 1 "$(grep -cx "$HEX_MIN1" <<<"$entered")"
check "in the middle of the burst (after round $tick_round of $rounds)" \
  test "$tick_round" -gt 1 -a "$tick_round" -lt "$rounds"
check_eq "the caption shows the one tick" "$(tick_caption 1)" "$(caption)"

m=$(standin_mark)
click_spot exit
check "after all that, the farewell ends the process" e2e_wait_exit korvo 30000
check_eq "with exit code 0" 0 "${E2E_STATUS:-none}"
check_eq "after its two lines" "$HEX_TITLE $HEX_LINK" "$(standin_hex "$m" enter | tr '\n' ' ' | sed 's/ $//')"

# ---- c: the client exits during the farewell --------------------------------------

# wait_exit_no_dialog DEADLINE_MS: waits for the program to end, noting in
# SAW_DIALOG whether a dialog showed meanwhile.
SAW_DIALOG=0
wait_exit_no_dialog() { SAW_DIALOG=0; wait_until "$1" _gone_or_dialog; e2e_wait_exit korvo 1000; }
_gone_or_dialog() { e2e_running korvo || return 0; dialog_up && SAW_DIALOG=1; return 1; }

e2e_note "the client is killed while the farewell's first line waits on it"
standin_start "${STANDIN_AT[@]}" || session_abort "the stand-in starts"
start_program || session_abort "the program starts"
standin_cmd arm-hang 30
m=$(standin_mark)
click_spot exit
check "the farewell's first line reaches the client, which hangs" standin_wait "$m" 30000 hang-begin
check "the idle window answers while its farewell waits on the client" answers
e2e_stop standin
check "the farewell still ends the process" wait_exit_no_dialog 30000
check_eq "with exit code 0" 0 "${E2E_STATUS:-none}"
check_eq "and no dialog" 0 "$SAW_DIALOG"
check_eq "the text that hung was whole" "$HEX_TITLE" "$(standin_hex "$m" settext)"
check_eq "no Enter followed it" 0 "$(standin_count "$m" 'enter|char')"

e2e_note "the client quits while the window jumps"
standin_start "${STANDIN_AT[@]}" || session_abort "the stand-in starts"
start_program || session_abort "the program starts"
m=$(standin_mark)
before=$(idle_field rect)
click_spot exit
moved() { [[ $(idle_field rect) != "$before" ]]; }
check "the window starts jumping" wait_until 10000 moved
standin_send quit
check "the farewell still ends the process" wait_exit_no_dialog 30000
check_eq "with exit code 0" 0 "${E2E_STATUS:-none}"
check_eq "and no dialog" 0 "$SAW_DIALOG"
check "the client is gone" e2e_wait_exit standin 10000
arrived=$(standin_hex "$m" enter)
k=$(grep -c . <<<"$arrived")
e2e_note "farewell lines that arrived before the client left: $k"
check_eq "they are whole farewell lines, in order" \
  "$(printf '%s\n%s\n' "$HEX_TITLE" "$HEX_LINK" | head -n "$k")" "$arrived"
check_eq "each after its own text" "$(standin_hex "$m" settext | head -n "$k")" "$arrived"

e2e_finish
