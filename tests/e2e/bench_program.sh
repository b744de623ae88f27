#!/usr/bin/env bash
# Figures of the whole program under Wine, each beside a yardstick measured in
# the same run on the same machine: start-up and memory beside a bare window
# (minimal.exe), size and imports, processor time while idle and in a pause,
# one post beside the same calls issued bare, and the intro window's slide.
# Prints a table and writes it to build/bench/program-ARCH.md;
# asserts nothing. The idle measurement alone takes 3 minutes.
# Usage: bench_program.sh [BUILD-DIR]
#   BENCH_RUNS (default 5): launches per start-up median, slides: 3 at least
#   BENCH_IDLE_SECONDS (default 180): the idle measurement's length
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/program_lib.sh"

MINIMAL=$E2E_TOOLS/minimal.exe
CHATPROBE=$E2E_TOOLS/chatprobe.exe
WINPROBE=$E2E_TOOLS/winprobe.exe
ARCH=$(exe_arch "$EXE")
OUT=$E2E_ROOT/build/bench/program-$ARCH.md
RUNS=${BENCH_RUNS:-5}
IDLE_S=${BENCH_IDLE_SECONDS:-180}
SLIDE_MOVES=214   # the slide's moves on a 1024 x 768 screen
e2e_require "$EXE" "$MINIMAL" "$CHATPROBE" "$WINPROBE" "$E2E_STANDIN" || exit 1
session_start || { session_stop; exit 1; }

# ---- table ----------------------------------------------------------------------

rows=()   # measure, program, yardstick, its value, ratio (tab-separated)
notes=()
row() { rows+=("$1"$'\t'"$2"$'\t'"$3"$'\t'"$4"$'\t'"$5"); }
note() { notes+=("$*"); }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a != "" && b > 0) printf "%.2f", a / b; else print "-" }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
# kib PID FIELD: a size from /proc/PID/status, in KiB.
kib() { awk -v f="$2:" '$1 == f { print $2 }' "/proc/$1/status"; }

# ---- windows ----------------------------------------------------------------------

shown() { probe info "class=$1" 2>/dev/null | grep -q $'\tvis=1\t'; }
# Polled back to back (one probe query costs some 5 ms): finer than wait_until.
wait_shown() {
  local end=$(( $(now_ms) + $2 ))
  until shown "$1"; do (( $(now_ms) < end )) || return 1; done
}
idle_visible() { win_visible "$LOAD_CAPTION"; }

# launch NAME EXE CLASS: starts EXE; LAUNCH_MS: the ms until a window of
# CLASS is shown.
LAUNCH_MS=
launch() {
  local t0; t0=$(now_ms)
  LAUNCH_MS=
  e2e_start "$1" "$2"
  wait_shown "$3" 30000 || return 1
  LAUNCH_MS=$(( $(now_ms) - t0 ))
}
# close_all NAME CLASS: asks the window to close and waits for the process.
close_all() { probe close "class=$2" >/dev/null; e2e_wait_exit "$1" 10000 || e2e_stop "$1"; }

# hand_over: clicks through the intro window and waits for the idle window.
hand_over() { intro_click_through && wait_until 30000 idle_visible; }

# ---- start-up ---------------------------------------------------------------------

# One unmeasured launch of each first: it pays for reading the files.
launch korvo "$EXE" KorvoForm; close_all korvo KorvoForm
launch minimal "$MINIMAL" MinimalWindow; close_all minimal MinimalWindow
prog_ms=() min_ms=()
for (( i = 0; i < RUNS; i++ )); do
  launch korvo "$EXE" KorvoForm && prog_ms+=("$LAUNCH_MS"); close_all korvo KorvoForm
  launch minimal "$MINIMAL" MinimalWindow && min_ms+=("$LAUNCH_MS"); close_all minimal MinimalWindow
done
p=$(printf '%s\n' "${prog_ms[@]}" | median) b=$(printf '%s\n' "${min_ms[@]}" | median)
row "start-up: launch to window shown, ms (median of $RUNS)" "$p" "minimal.exe" "$b" "$(ratio "$p" "$b")"
note "start-up runs, ms: program ${prog_ms[*]}; minimal.exe ${min_ms[*]}"

# ---- size and imports --------------------------------------------------------------

p=$(stat -c %s "$EXE") b=$(stat -c %s "$MINIMAL")
row "executable size, bytes" "$p" "minimal.exe" "$b" "$(ratio "$p" "$b")"
imports() { objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr -d '\r' | sort -f | paste -sd, -; }
p=$(imports "$EXE") b=$(imports "$MINIMAL")
row "imported DLLs" "$(tr ',' '\n' <<<"$p" | grep -c .)" "minimal.exe" "$(tr ',' '\n' <<<"$b" | grep -c .)" "-"
note "program imports: $p"
note "minimal.exe imports: $b"

# ---- memory and processor time while idle -------------------------------------------

standin_start --geometry 0,0,260,200 || { session_stop; exit 1; }
e2e_start korvo "$EXE"
if ! { wait_shown KorvoForm 30000 && hand_over; }; then
  e2e_note "the program did not hand over"; session_stop; exit 1
fi
wait_until 5000 win_answers "$LOAD_CAPTION" 2000
e2e_start minimal "$MINIMAL"
wait_shown MinimalWindow 30000
wait_until 5000 win_answers "class=MinimalWindow" 2000
kp=${E2E_PIDS[korvo]} km=${E2E_PIDS[minimal]}
note "processes measured: $(tr -d '\n' <"/proc/$kp/comm") ($kp) and $(tr -d '\n' <"/proc/$km/comm") ($km)"
p=$(kib "$kp" VmRSS) b=$(kib "$km" VmRSS)
row "memory: resident set after the hand-over, KiB" "$p" "minimal.exe" "$b" "$(ratio "$p" "$b")"
p=$(kib "$kp" RssAnon) b=$(kib "$km" RssAnon)
row "memory: of which private (RssAnon), KiB" "$p" "minimal.exe" "$b" "$(ratio "$p" "$b")"

# Switched on, the program idles with a minute tick (a post and a pause) in
# each minute; the bare window idles beside it over the same wall time.
m=$(standin_mark)
read -r L T < <(x_origin "$LOAD_CAPTION")
click_spot start
standin_wait "$m" 10000 enter Room1 entry
# Start's own pause (0.8 s after the line) stays out of the figure.
on_at=$(standin_events "$m" enter Room1 entry | head -n 1 | cut -f1)
wait_until 10000 log_clock_past $(( ${on_at%.*} + 1000 ))
m=$(standin_mark)
cp0=$(proc_cpu_ms "$kp") cb0=$(proc_cpu_ms "$km") t0=$(now_ms)
while (( $(now_ms) - t0 < IDLE_S * 1000 )) && e2e_running korvo; do sleep 1; done
cp1=$(proc_cpu_ms "$kp") cb1=$(proc_cpu_ms "$km") wall=$(( $(now_ms) - t0 ))
ticks=$(standin_count "$m" enter Room1 entry)
p=$(( cp1 - cp0 )) b=$(( cb1 - cb0 ))
row "idle, switched on, ${IDLE_S} s ($ticks ticks): CPU ms" "$p" "minimal.exe, same time" "$b" "$(ratio "$p" "$b")"
row "idle, switched on: CPU / wall" "$(awk -v c="$p" -v w="$wall" 'BEGIN { printf "%.5f", c / w }')" \
  "minimal.exe" "$(awk -v c="$b" -v w="$wall" 'BEGIN { printf "%.5f", c / w }')" "-"
note "idle: CPU from /proc/PID/stat (10 ms steps) over $wall ms of wall time"
close_all minimal MinimalWindow
close_all korvo KorvoForm

# The pause against a busy wait of the same length (chatprobe, five in a row).
measure() { "$WINE" "$CHATPROBE" "$@" 2>>"$E2E_RUN/chatprobe.err" | head -n 1 | cut -f3-; }
IFS=$'\t' read -r _ _ _ _ pshare <<<"$(measure pause 0.8 5)"
IFS=$'\t' read -r _ _ _ _ sshare <<<"$(measure spin 0.8 5)"
row "0.8 s pause x5: CPU / wall" "$pshare" "busy wait, same length" "$sshare" "$(ratio "$pshare" "$sshare")"

# ---- one post ---------------------------------------------------------------------------

# The floor: the same lookups and the same two messages issued bare from a
# loop, taken in turns with the posts against the same client.
for decoys in 0 10 100; do
  standin_start --geometry 0,0,260,200 --decoys "$decoys" || continue
  IFS=$'\t' read -r _ trip trip_med <<<"$(measure bench-roundtrip 500)"
  IFS=$'\t' read -r _ post post_med floor floor_med <<<"$(measure bench-floor 50)"
  row "post with $decoys decoys, us (median)" "$post_med" "the same calls, bare" "$floor_med" "$(ratio "$post_med" "$floor_med")"
  note "post with $decoys decoys: mean $post us, bare calls mean $floor us; one bare SendMessage round trip: median $trip_med us, mean $trip us"
done
standin_stop

# ---- the slide ---------------------------------------------------------------------------

# The slide pumps no messages, so nothing can be asked of the program while it
# runs: the intro window is watched from outside instead. winprobe's `watch`
# polls its rect and visibility every 5 ms without sending it anything, on the
# monotonic clock of the stand-in's log; the click's time is read on that
# clock just before the click. Slide: click -> hidden, to within 5 ms. The
# program's next own event after the slide, its first line arriving in the
# client, is timed on the same clock in watched and in unwatched runs: the
# two show what the watching costs. The yardstick: a click on minimal.exe's
# window moves it as often, timed inside minimal.exe. (Seen from outside, a
# bare window keeps moving for some 500 ms more: once it pumps again, Wine
# replays the window manager's stale positions. The intro window hides
# before it pumps.)
standin_start --geometry 0,0,260,200 || { session_stop; exit 1; }
field() { awk -F'\t' -v k="$1" '$1 == k { print $2 }' "$E2E_RUN/watch.out" | tr -d '\r'; }
since() { awk -v a="$1" -v b="$2" 'BEGIN { if (a != "" && b != "" && b != "-") printf "%.1f", b - a }'; }
# watch CLASS MS: starts the watcher on the visible window of CLASS.
watch() {
  rm -f "$E2E_RUN/watch.out"
  "$WINE" "$WINPROBE" watch "class=$1" "$2" 5 >"$E2E_RUN/watch.out" 2>>"$E2E_RUN/winprobe.err" &
  WATCHER=$!
  wait_until 30000 grep -qs '^ready' "$E2E_RUN/watch.out"
}
watched_out() { wait_until 60000 pid_gone "$WATCHER"; wait "$WATCHER"; }
_more_moves() { (( $(grep -c '^moves' "$E2E_RUN/minimal.out") > $1 )); }
# click_at X Y: points first, reads the clock, clicks: CLICKED is its time.
click_at() { xdotool mousemove "$1" "$2"; CLICKED=$(probe clock); xdotool click --delay 0 1; }
# slide_enter X Y: a run's enter click, timed, and watched in a watched run.
slide_enter() {
  (( watched )) && watch KorvoForm 30000
  m=$(standin_mark)
  click_at "$1" "$2"
}

slide=() moving=() first_line=() seen=() unwatched=() bare=()
slides=$(( RUNS < 3 ? 3 : RUNS ))
e2e_start minimal "$MINIMAL" moves "$SLIDE_MOVES"
wait_shown MinimalWindow 30000
for (( i = 0; i < slides; i++ )); do
  # The yardstick first, then the program watched and unwatched.
  read -r x y < <(win_origin class=MinimalWindow)
  n=$(grep -c '^moves' "$E2E_RUN/minimal.out")
  click_at $((x + 240)) $((y + 180))
  wait_until 5000 _more_moves "$n"
  bare+=("$(awk -F'\t' '$1 == "moves" { v = $3 } END { printf "%.1f", v / 1000 }' "$E2E_RUN/minimal.out")")
  for watched in 1 0; do
    e2e_start korvo "$EXE"
    wait_shown KorvoForm 30000 || continue
    intro_click_through slide_enter || { close_all korvo KorvoForm; continue; }
    standin_wait "$m" 30000 settext Room1 entry
    line=$(standin_events "$m" settext Room1 entry | head -n 1 | cut -f1)
    if (( watched )); then
      watched_out
      slide+=("$(since "$CLICKED" "$(field hidden)")")
      moving+=("$(since "$(field first-move)" "$(field hidden)")")
      first_line+=("$(since "$CLICKED" "$line")")
      seen+=("$(field moves)")
    else
      unwatched+=("$(since "$CLICKED" "$line")")
    fi
    wait_until 30000 idle_visible
    close_all korvo KorvoForm
  done
done
close_all minimal MinimalWindow
standin_stop
s=$(printf '%s\n' "${slide[@]}" | median)
b=$(printf '%s\n' "${bare[@]}" | median)
per() { awk -v s="$1" -v n=$SLIDE_MOVES 'BEGIN { if (s != "") printf "%.2f", s / n }'; }
row "slide, 1024 x 768: click to intro hidden, ms (median of ${#slide[@]})" "$s" \
  "$SLIDE_MOVES bare moves" "$b" "$(ratio "$s" "$b")"
row "slide: ms per move ($SLIDE_MOVES moves)" "$(per "$s")" "bare move" "$(per "$b")" "$(ratio "$s" "$b")"
note "slide runs, ms: click to hidden ${slide[*]}; first move to hidden ${moving[*]}; position changes seen by the 5 ms poll ${seen[*]} (of $SLIDE_MOVES moves, six of them by 0)"
note "slide: click to the first line's text in the client, ms: watched ${first_line[*]} (median $(printf '%s\n' "${first_line[@]}" | median)); unwatched ${unwatched[*]} (median $(printf '%s\n' "${unwatched[@]}" | median))"
note "$SLIDE_MOVES bare moves, timed inside minimal.exe, ms: ${bare[*]}"

session_stop

# ---- output --------------------------------------------------------------------------------

mkdir -p "$(dirname "$OUT")"
{
  echo "# The program's figures"
  echo
  echo "$ARCH build ($(arch_bits "$ARCH")) under $("$WINE" --version 2>/dev/null), $(nproc) CPUs," \
    "$(date -u +%Y-%m-%dT%H:%MZ). Each figure stands beside a yardstick measured in the same run."
  echo
  echo "| measure | program | yardstick | value | ratio |"
  echo "|---|---:|---|---:|---:|"
  for r in "${rows[@]}"; do
    IFS=$'\t' read -r a b c d e <<<"$r"
    echo "| $a | $b | $c | $d | $e |"
  done
  echo
  printf '%s\n' "${notes[@]/#/- }"
} | tee "$OUT"
