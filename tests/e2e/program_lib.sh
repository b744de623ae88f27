# What the end-to-end scripts know of the program (bash; source it after
# lib.sh): its executable, its first caption, where to click, and how to
# find its windows. Both windows are of class "KorvoForm"; the intro window
# has an empty title, the idle window's title is its caption.

EXE="$E2E_BUILD/app/Korvo Idle v2 by qel.exe"
LOAD_CAPTION="0 Min(s)            [qel]"

# form_info TITLE: the `probe list` line of the visible form with that title.
form_info() { probe list | awk -F'\t' -v t="title=$1" '/\tclass=KorvoForm\t/ && $NF == t'; }
form_visible() { [[ -n $(form_info "$1") ]]; }
# spot NAME: "X Y" on screen of a spot of the shared scenarios' aims (their
# table in tests/scenarios/desk.h, in twips, in the order of enum Spot), from
# its window's top-left corner in L and T (pixels).
spot() {
  local -A index=([picture]=1 [strip]=2 [enter]=3 [start]=4 [stop]=5 [minimize]=6 [exit]=7 [title]=8)
  awk -v n="${index[$1]}" -v l="$L" -v t="$T" -F'[{},]+ *' '
    /kAims\[\]/ { on = 1; next }
    on && /Window::/ && ++i == n { sub(/f$/, "", $3); sub(/f$/, "", $4); printf "%d %d\n", l + $3 / 15, t + $4 / 15; exit }' \
    "$E2E_ROOT/tests/scenarios/desk.h"
}
# click_spot NAME [BUTTON]
click_spot() { local x y; read -r x y < <(spot "$1"); click "$x" "$y" "${2:-1}"; }

# The intro window's enter button is shown.
button_shown() { probe children "class=KorvoForm" | grep -P '\tclass=Button\t' | grep -q $'\tvis=1\t'; }

# intro_click_through [CLICK]: clicks the intro window's picture once the
# window shows, then its enter button once that shows, which starts the
# hand-over; CLICK X Y, when given, makes that last click instead of click.
# Fails, with a note, when the window or the button does not show.
intro_click_through() {
  local L T x y
  wait_until 30000 form_visible "" && read -r L T < <(win_origin class=KorvoForm) ||
    { e2e_note "the intro window did not show"; return 1; }
  # Shown for Windows is not yet mapped for X: a click before that is lost.
  wait_until 10000 _reaches "$L $T" $(spot picture) ||
    { e2e_note "the intro window was not mapped where Windows has it"; return 1; }
  click_spot picture
  wait_until 5000 button_shown || { e2e_note "the enter button did not show"; return 1; }
  read -r x y < <(spot enter)
  "${1:-click}" "$x" "$y"
}

# _reaches "L T" X Y: the pointer, moved to the point, is over an X window
# whose corner stands at L T; a click there reaches that window.
_reaches() {
  local win
  win=$(xdotool mousemove -- "$2" "$3" getmouselocation --shell 2>/dev/null | sed -n 's/^WINDOW=//p')
  [[ -n $win && $(xdotool getwindowgeometry --shell "$win" 2>/dev/null | _x_corner) == "$1" ]]
}

# _x_corner: "X Y" from xdotool's --shell geometry on stdin.
_x_corner() { awk -F= '$1 == "X" { x = $2 } $1 == "Y" { y = $2 } END { if (x != "") print x, y }'; }

# x_origin TITLE: "X Y" of the mapped X window of that exact title.
x_origin() {
  local re; re=$(sed 's/[][()^$.*+?{}|\\]/\\&/g' <<<"$1")
  xdotool search --onlyvisible --name "^$re\$" getwindowgeometry --shell 2>/dev/null | _x_corner
}

# form_settled TITLE [DEADLINE_MS]: the form is visible and its X window has
# not moved for 300 ms: a window just shown may still be mapped or moved
# through stale places by the window manager, and a click then goes astray.
# Read its place with x_origin: Wine's own may lag behind until the window
# next moves (a late ConfigureNotify of its first place, on a loaded machine).
form_settled() {
  local end=$(( $(now_ms) + ${2:-10000} )) last= since=0 x
  while (( $(now_ms) < end )); do
    x=$(win_visible "$1" && x_origin "$1")
    if [[ -n $x && $x == "$last" ]]; then
      (( $(now_ms) - since >= 300 )) && return 0
    else
      last=$x since=$(now_ms)
    fi
  done
  return 1
}
