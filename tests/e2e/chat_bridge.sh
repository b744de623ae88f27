#!/usr/bin/env bash
# The chat bridge's bytes: the program's own PostChatLine (through
# chatprobe.exe) with texts the program never posts itself, every high
# Windows-1252 character among them, into the stand-in chat client under
# Wine. Which room, a lost room, a hung or missing client: the shared
# scenarios. Usage: chat_bridge.sh [BUILD-DIR]
. "$(dirname "$0")/lib.sh"

CHATPROBE=$E2E_TOOLS/chatprobe.exe
e2e_require "$CHATPROBE" "$E2E_STANDIN" || session_abort "the tools are built"
session_start || session_abort

# The program's line prefix: two font tags and the ornament.
PREFIX='<font color="#808888"><font face="arial narrow">•÷^· ·•¤ '

# chatprobe NAME COMMAND [ARG...]: runs it to the end; its records go to
# $E2E_RUN/NAME.out and its exit code to CP_STATUS (124: it did not end, e.g.
# stuck behind a message box, and was killed).
chatprobe() {
  local name=$1 pid; shift
  "$WINE" "$CHATPROBE" "$@" >"$E2E_RUN/$name.out" 2>>"$E2E_RUN/chatprobe.err" &
  pid=$!
  if wait_until 60000 pid_gone "$pid"; then
    wait "$pid"; CP_STATUS=$?
  else
    e2e_note "chatprobe $* did not end; windows: $(probe list | tr '\n' ' ')"
    kill "$pid"; wait "$pid"; CP_STATUS=124
  fi
}

# cp_events NAME EVENT: chatprobe's records of that event.
cp_events() { awk -F'\t' -v e="$2" '$2 == e' "$E2E_RUN/$1.out"; }
cp_field() { cp_events "$1" "$2" | head -n 1 | cut -f"$3"; }

# ---- bytes --------------------------------------------------------------------

standin_start || session_abort "the stand-in starts"
m=$(standin_mark)
chatprobe ornaments post "•÷·¤²"
check_eq "the ornaments arrive as single Windows-1252 bytes" \
  "95f7b7a4b2" "$(standin_hex "$m" settext Room1 entry)"
check_eq "the Enter sends exactly those bytes" "95f7b7a4b2" "$(standin_hex "$m" enter Room1 entry)"
check_eq "text first, then Enter, nothing else" "settext enter" \
  "$(standin_events "$m" '.*' Room1 | cut -f2 | tr '\n' ' ' | sed 's/ $//')"
check_eq "the bridge reports both messages taken" "ok ok" \
  "$(cp_field ornaments settext 4) $(cp_field ornaments char 5)"

m=$(standin_mark)
line="${PREFIX}2² Min(s) idle"
chatprobe prefix post "$line"
check_eq "a full line with font tags arrives byte for byte" \
  "$(cp1252_hex "$line")" "$(standin_hex "$m" enter Room1 entry)"

# Every character Windows-1252 defines above 0x7F, in one line.
high=$(printf '%b' "$(printf '\\x%x' {128..255} | sed 's/\\x81\|\\x8d\|\\x8f\|\\x90\|\\x9d//g')" |
       iconv -f CP1252 -t UTF-8)
m=$(standin_mark)
chatprobe high post "$high"
check_eq "all 123 high Windows-1252 characters survive" \
  "$(cp1252_hex "$high")" "$(standin_hex "$m" enter Room1 entry)"
screenshot bytes >/dev/null
standin_stop

e2e_finish
