#!/usr/bin/env bash
# Figures of the chat bridge under Wine: what a pause costs the processor,
# and what one post costs beside a bare cross-process message and beside the
# same calls issued bare, measured in the same run. Prints a table and writes
# it to build/bench/chat-ARCH.txt; asserts nothing.
# Usage: bench_chat.sh [BUILD-DIR]
. "$(dirname "$0")/lib.sh"

CHATPROBE=$E2E_TOOLS/chatprobe.exe
ARCH=$(exe_arch "$CHATPROBE")
OUT=$E2E_ROOT/build/bench/chat-$ARCH.txt
e2e_require "$CHATPROBE" "$E2E_STANDIN" || exit 1
session_start || { session_stop; exit 1; }

# field COMMAND... : chatprobe's first record, fields 3 onwards.
measure() { "$WINE" "$CHATPROBE" "$@" 2>>"$E2E_RUN/chatprobe.err" | head -n 1 | cut -f3-; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.1f", a / b; else print "-" }'; }

rows=()
row() { rows+=("$(printf '%-46s %12s' "$1" "$2")"); }

# Pause against a busy wait of the same length, five of each in a row.
# Fields: seconds, times, wall ms, CPU ms, CPU share.
for what in pause spin; do
  IFS=$'\t' read -r _ times wall cpu share <<<"$(measure "$what" 0.8 5)"
  label=$([[ $what == pause ]] && echo "PauseSeconds(0.8)" || echo "busy wait 0.8 s")
  row "$label x$times: wall ms" "$wall"
  row "$label x$times: CPU ms" "$cpu"
  row "$label: CPU / wall" "$share"
done

# Posts: fields n, mean us, median us.
for decoys in 0 50; do
  standin_start --decoys "$decoys" || { session_stop; exit 1; }
  IFS=$'\t' read -r _ trip trip_med <<<"$(measure bench-roundtrip 500)"
  IFS=$'\t' read -r _ locate _ <<<"$(measure bench-locate 100)"
  IFS=$'\t' read -r _ post post_med floor floor_med <<<"$(measure bench-floor 50)"
  row "$decoys decoys: SendMessage round trip us (mean)" "$trip"
  row "$decoys decoys: SendMessage round trip us (median)" "$trip_med"
  row "$decoys decoys: LocateChatWindow us (mean)" "$locate"
  row "$decoys decoys: PostChatLine us (mean)" "$post"
  row "$decoys decoys: PostChatLine us (median)" "$post_med"
  row "$decoys decoys: LocateChatWindow / round trip" "$(ratio "$locate" "$trip")"
  row "$decoys decoys: the same calls, bare, us (median)" "$floor_med"
  row "$decoys decoys: PostChatLine / bare calls (medians)" "$(ratio "$post_med" "$floor_med")"
  standin_stop
done

session_stop
mkdir -p "$(dirname "$OUT")"
{
  echo "chat bridge, $ARCH build ($(arch_bits "$ARCH")), under $("$WINE" --version 2>/dev/null), $(nproc) CPUs, $(date -u +%Y-%m-%dT%H:%MZ)"
  printf '%-46s %12s\n' "measure" "value"
  printf '%s\n' "${rows[@]}"
} | tee "$OUT"
