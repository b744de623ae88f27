#!/usr/bin/env bash
# End-to-end tests of the chat bridge: the program's own PostChatLine and
# LocateChatWindow (through chatprobe.exe) against the stand-in chat client,
# under Wine. Usage: chat_bridge.sh [BUILD-DIR]
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
cp_count() { cp_events "$@" | wc -l; }
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

# ---- which document window is the room ----------------------------------------

# Decoys come first in child order, each lacking one of the four classes.
for layout in "--decoys 2" "--decoys 4" "--layout no-listbox,room,room"; do
  # shellcheck disable=SC2086 # the layout is several words on purpose
  standin_start $layout || { check "the stand-in starts with $layout" false; continue; }
  order=$(standin_order)
  e2e_note "child order with $layout: $order"
  m=$(standin_mark)
  chatprobe locate locate
  check_eq "$layout: the first full room is located" "$(standin_doc_hwnd Room1)" "$(cp_field locate locate 3)"
  chatprobe decoys post "decoy test"
  check_eq "$layout: the room gets the line" "$(cp1252_hex "decoy test")" \
    "$(standin_hex "$m" enter Room1 entry)"
  check_eq "$layout: no other document gets anything" "" \
    "$(standin_events "$m" 'settext|enter|char' 'Decoy.*|Room[2-9]')"
  standin_stop
done

# A room whose only "RICHCNTL" is the transcript has no entry line.
standin_start --single-richcntl || session_abort "the stand-in starts"
m=$(standin_mark)
chatprobe single post "nowhere to go"
check_eq "one RICHCNTL only: nothing is typed anywhere" "" \
  "$(standin_events "$m" 'settext|enter|char')"
check_eq "one RICHCNTL only: the bridge sends no Enter" "0" "$(cp_count single char)"
standin_stop

# ---- no client ------------------------------------------------------------------

chatprobe none-locate locate
check_eq "no client: nothing is located" "0x0" "$(cp_field none-locate locate 3)"
chatprobe none post "lost line"
check_eq "no client: the post returns normally" "0" "$CP_STATUS"
check_eq "no client: no Enter is sent" "0" "$(cp_count none char)"
no_message_box() { ! probe list | grep -q $'\tclass=#32770\t'; }
check "no client: no message box appears" no_message_box

# ---- the entry line's own text ----------------------------------------------------

standin_start --typed "half-typed wörds" || session_abort "the stand-in starts"
m=$(standin_mark)
chatprobe typed post "posted line"
check_eq "typed text is replaced, not sent" "$(cp1252_hex "posted line")" \
  "$(standin_hex "$m" enter Room1 entry)"

# ---- a room closed and opened again between posts ------------------------------------

# One poster process for all three posts, so nothing it kept could hide.
mkfifo "$E2E_RUN/poster.in"
"$WINE" "$CHATPROBE" post-stdin <"$E2E_RUN/poster.in" >"$E2E_RUN/poster.out" 2>>"$E2E_RUN/chatprobe.err" &
poster_pid=$!
exec {poster}>"$E2E_RUN/poster.in"
# poster_post TEXT: hands one line to the poster and waits until it is posted.
poster_post() {
  local n; n=$(cp_count poster post-end)
  printf '%s\n' "$1" >&"$poster"
  wait_until 15000 _cp_more poster post-end "$n"
}
_cp_more() { (( $(cp_count "$1" "$2") > $3 )); }

m=$(standin_mark)
poster_post "before closing"
check_eq "the room gets the first line" "$(cp1252_hex "before closing")" \
  "$(standin_hex "$m" enter Room1 entry)"
standin_cmd close-room
m=$(standin_mark)
poster_post "while closed"
check_eq "no room open: the line is lost silently" "" "$(standin_events "$m" 'settext|enter')"
standin_cmd open-room
m=$(standin_mark)
poster_post "after reopening"
check_eq "the reopened room is found afresh" "$(cp1252_hex "after reopening")" \
  "$(standin_hex "$m" enter Room2 entry)"
exec {poster}>&-
wait_until 10000 pid_gone "$poster_pid"
wait "$poster_pid"; status=$?
check_eq "the poster ends normally after three posts" "0" "$status"
standin_stop

# ---- a client that stops answering -----------------------------------------------------

standin_start || session_abort "the stand-in starts"
standin_cmd arm-hang 10
m=$(standin_mark)
"$WINE" "$CHATPROBE" post "undelivered" >"$E2E_RUN/hung.out" 2>>"$E2E_RUN/chatprobe.err" &
hung_pid=$!
check "the hung client got the text" standin_wait "$m" 20000 hang-begin
# The poster keeps answering its own messages while it waits on the client.
check "the poster answers while the client hangs" win_answers "chatprobe poster" 2000
check "the client really does not answer" negate win_answers "Stand-in chat client" 300
wait_until 30000 pid_gone "$hung_pid"
wait "$hung_pid"; status=$?
check_eq "the post to the hung client returns normally" "0" "$status"
check_eq "the bridge gives up on the text" "no" "$(cp_field hung settext 4)"
check_eq "and sends no Enter after it" "0" "$(cp_count hung char)"
check "the client recovers" standin_wait "$m" 30000 hang-end
end_post=$(cp_field hung post-end 1)
end_hang=$(standin_events "$m" hang-end | cut -f1)
check "the poster returned before the client recovered" \
  awk -v a="$end_post" -v b="$end_hang" 'BEGIN { exit !(a < b) }'
m2=$(standin_mark)
chatprobe after-hang post "delivered"
check_eq "the next line is sent alone" "$(cp1252_hex "delivered")" \
  "$(standin_hex "$m" enter Room1 entry)"
check_eq "no Enter ever lands on the undelivered text" "1" "$(standin_count "$m" enter)"
check "the next post arrives after the hang" standin_has "$m2" enter Room1 entry
standin_stop

e2e_finish
