#!/usr/bin/env bash
# Started from a Downloads folder where another download left a DLL named
# after one that is loaded when the first window is made (the theme's), the
# program takes the system's copy and works, and the planted one, which
# would leave a file beside itself, never runs.
# NOTE: Wine prefers its builtin DLL to one found beside the program; with
# native first, the search order alone decides, as on Windows.
# Usage: planted_dll.sh [BUILD-DIR]
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/program_lib.sh"

e2e_require "$EXE" "$E2E_STANDIN" "$E2E_TOOLS/minimal.exe" "$E2E_TOOLS/planted.dll" ||
  session_abort "the program and the tools are built"
session_start || session_abort

downloads=$E2E_RUN/Downloads ran=$E2E_RUN/Downloads/uxtheme.dll.ran
mkdir -p "$downloads"
cp "$EXE" "$E2E_TOOLS/minimal.exe" "$downloads/"
cp "$E2E_TOOLS/planted.dll" "$downloads/uxtheme.dll"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;uxtheme=n,b"
# Beside a program that leaves the search alone, it runs: else this would
# prove nothing.
e2e_start minimal "$downloads/minimal.exe"
check "the planted DLL runs beside a program that leaves the DLL search alone" wait_until 30000 test -e "$ran"
probe close MinimalWindow >/dev/null
e2e_wait_exit minimal 10000 || e2e_stop minimal
rm -f "$ran"

standin_start || session_abort "the stand-in starts"
m=$(standin_mark)
e2e_start korvo "$downloads/${EXE##*/}"
intro_click_through || session_abort "the program from that folder takes the intro clicks"
form_settled "$LOAD_CAPTION" 30000 || session_abort "the program from that folder hands over"
read -r L T < <(win_origin "$LOAD_CAPTION")
click_spot exit
check "the program from that folder works to its farewell's end" e2e_wait_exit korvo 30000
check_eq "its four lines reached the room" \
  "$(cp1252_hex "$TITLE_LINE") $(cp1252_hex "$LINK_LINE") $(cp1252_hex "$TITLE_LINE") $(cp1252_hex "$LINK_LINE")" \
  "$(standin_hex "$m" enter Room1 entry | paste -sd' ')"
check "the planted DLL never ran in it" test ! -e "$ran"
standin_stop
e2e_finish
